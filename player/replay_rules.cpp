#include "player/replay_rules.h"

#include "player/playback_rules.h"

namespace playback {

Decision ReplayRules::RunEnded(std::uint32_t notifyFlag, std::uint32_t repeat) {
  switch (OnNotify(notifyFlag, repeat)) {
    case NotifyAction::kIgnore: return Decision::kNothing;
    case NotifyAction::kReplay: replay_ = Replay::kPosted; return Decision::kReplayLater;
    case NotifyAction::kEnd: return Decision::kEnd;
    case NotifyAction::kCloseAndEnd: replay_ = Replay::kNone; return Decision::kCloseAndEnd;
  }
  return Decision::kNothing;
}

Decision ReplayRules::PlayRequested() {
  if (dialogOpen_ && replay_ != Replay::kNone) {
    replay_ = Replay::kHeld;
    return Decision::kHoldReplay;
  }
  replay_ = Replay::kNone;
  return Decision::kPlayNow;
}

Decision ReplayRules::PlayFailed() {
  replay_ = Replay::kNone;
  return Decision::kCloseAndEnd;
}

Decision ReplayRules::DialogOpening() {
  if (dialogOpen_) return Decision::kNothing;
  dialogOpen_ = true;
  return Decision::kShowDialog;
}

Decision ReplayRules::DialogClosed() {
  dialogOpen_ = false;
  if (replay_ != Replay::kHeld) return Decision::kNothing;
  replay_ = Replay::kNone;
  return Decision::kPlayNow;
}

Decision ReplayRules::Stopped() {
  replay_ = Replay::kNone;
  return Decision::kNothing;
}

Decision ReplayRules::MenuClosed(bool deviceUsable) {
  return replay_ == Replay::kNone && !deviceUsable ? Decision::kEnd : Decision::kNothing;
}

Decision ReplayRules::RepeatToggled() { return Decision::kNothing; }

}  // namespace playback
