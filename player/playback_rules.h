// What the player does with the MCI device's reports. Values are the MCI
// ones, spelled out here so the rules build without Windows headers.
#pragma once
#include <cstdint>

namespace playback {

constexpr std::uint32_t kNotifySuccessful = 0x1;
constexpr std::uint32_t kNotifySuperseded = 0x2;
constexpr std::uint32_t kNotifyAborted = 0x4;
constexpr std::uint32_t kNotifyFailure = 0x8;

constexpr std::uint32_t kModeStop = 525;
constexpr std::uint32_t kModePlay = 526;
constexpr std::uint32_t kModePause = 529;

constexpr std::uint32_t kCommandPlay = 0x806;
constexpr std::uint32_t kCommandStop = 0x808;
constexpr std::uint32_t kCommandPause = 0x809;

enum class NotifyAction {
  kIgnore,       // aborted or superseded: a close or a newer play caused it
  kReplay,       // finished with Repeat on: close, then play again
  kEnd,          // finished with Repeat off: the player ends
  kCloseAndEnd,  // the device failed while playing: nothing will ever end it
};

// Decides on an end-of-playback notification. A failure ends the player
// whatever Repeat says: a device that failed once fails again, and with
// Repeat on a player left waiting would blink in the tray for ever.
NotifyAction OnNotify(std::uint32_t flag, std::uint32_t repeat);

// Maps the device's mode to the command value the tray reports: stopped,
// playing and paused map to their commands; a failed query or any other
// mode is 0, which means the device is unusable and the player ends.
std::uint32_t ModeToCommand(bool queryOk, std::uint32_t mode);

}  // namespace playback
