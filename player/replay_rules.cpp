#include "player/replay_rules.h"

#include "player/playback_rules.h"

namespace playback {

void ReplayRules::DropReplay() {
  if (replay_ == Replay::kPosted) ++droppedPlays_;
  replay_ = Replay::kNone;
}

void ReplayRules::End() {
  DropReplay();
  ending_ = true;
}

Decision ReplayRules::RunEnded(std::uint32_t notifyFlag, std::uint32_t repeat) {
  const NotifyAction action = OnNotify(notifyFlag, repeat);
  if (action == NotifyAction::kIgnore) return Decision::kNothing;
  if (action == NotifyAction::kCloseAndEnd) {
    End();
    return Decision::kCloseAndEnd;
  }
  // A run whose end was already on its way when the end came starts nothing.
  if (ending_) return Decision::kNothing;
  if (action == NotifyAction::kEnd) {
    End();
    return Decision::kEnd;
  }
  // The close that comes with the replay drops one already on its way.
  DropReplay();
  replay_ = Replay::kPosted;
  return Decision::kReplayLater;
}

Decision ReplayRules::PlayRequested() {
  if (droppedPlays_ > 0) {
    --droppedPlays_;
    return Decision::kNothing;
  }
  if (ending_) return Decision::kNothing;
  if (dialogOpen_ && replay_ != Replay::kNone) {
    replay_ = Replay::kHeld;
    return Decision::kHoldReplay;
  }
  replay_ = Replay::kNone;
  return Decision::kPlayNow;
}

Decision ReplayRules::PlayFailed() {
  End();
  return Decision::kCloseAndEnd;
}

Decision ReplayRules::DialogOpening() {
  if (dialogOpen_ || ending_) return Decision::kNothing;
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
  DropReplay();
  return Decision::kNothing;
}

Decision ReplayRules::Ended() {
  End();
  return Decision::kNothing;
}

Decision ReplayRules::MenuClosed(bool deviceUsable) {
  if (ending_ || replay_ != Replay::kNone || deviceUsable) return Decision::kNothing;
  End();
  return Decision::kEnd;
}

Decision ReplayRules::RepeatToggled() { return Decision::kNothing; }

}  // namespace playback
