#include "player/playback_rules.h"

#include "settings/setting_rules.h"

namespace playback {

NotifyAction OnNotify(std::uint32_t flag, std::uint32_t repeat) {
  if (flag == kNotifyFailure) return NotifyAction::kCloseAndEnd;
  if (flag != kNotifySuccessful) return NotifyAction::kIgnore;
  return settings::IsOn(repeat) ? NotifyAction::kReplay : NotifyAction::kEnd;
}

std::uint32_t ModeToCommand(bool queryOk, std::uint32_t mode) {
  if (!queryOk) return 0;
  switch (mode) {
    case kModeStop: return kCommandStop;
    case kModePlay: return kCommandPlay;
    case kModePause: return kCommandPause;
    default: return 0;
  }
}

}  // namespace playback
