// The replay of a file on Repeat and the dialogs opened from the tray: what
// the player does when a run ends, when the replay's Play command arrives,
// when a dialog opens or closes, on Stop and when the tray menu closes.
// These meet in the one message loop: a run's end closes the device and
// posts the replay, and a dialog or the tray menu can come in between.
// Once the end is decided or under way, and after a Stop for the replay
// that was on its way, nothing plays again.
// The main window turns its messages into these events and carries out the
// decisions; the rules themselves need no Windows headers.
#pragma once
#include <cstdint>

namespace playback {

enum class Decision {
  kNothing,
  kReplayLater,  // close the device and post the Play command: the replay
  kPlayNow,      // open the device and play
  kHoldReplay,   // nothing yet: the replay waits for the dialog to close
  kShowDialog,   // pause, take the icon away and show the dialog
  kEnd,          // post WM_DESTROY: the player ends
  kCloseAndEnd,  // close the device, then end
};

class ReplayRules {
 public:
  enum class Replay {
    kNone,
    kPosted,  // the run ended on Repeat; its Play command is on its way
    kHeld,    // the Play command came while a dialog was open
  };

  // A run's end notification, with the Repeat value it is read at.
  Decision RunEnded(std::uint32_t notifyFlag, std::uint32_t repeat);
  // The Play command: a replay, or a Play posted from outside. The Play of
  // a replay that Stop or the end dropped does nothing.
  Decision PlayRequested();
  // The device refused to play: nothing will ever end this run.
  Decision PlayFailed();
  // Properties or About was chosen; one dialog at a time: a second one
  // would resume playback and bring the icon back under the first.
  Decision DialogOpening();
  Decision DialogClosed();
  // Stop closed the device; a replay on its way is dropped.
  Decision Stopped();
  // WM_DESTROY closed the device: from now on nothing plays or opens.
  Decision Ended();
  // The tray menu closed; `deviceUsable` is false when the device reports
  // no usable state (closed by Stop): then the player ends. A device closed
  // for a replay that has not started yet is not stopped.
  Decision MenuClosed(bool deviceUsable);
  // Repeat is read when a run ends, so a replay already due stays due.
  Decision RepeatToggled();

  // While a dialog is open the icon is away: changing or adding it would
  // fail, or bring it back under the dialog.
  bool IconAway() const { return dialogOpen_; }
  Replay PendingReplay() const { return replay_; }
  bool Ending() const { return ending_; }
  unsigned DroppedPlays() const { return droppedPlays_; }

 private:
  // A replay whose Play command is on its way is dropped: the command is
  // still in the queue and must come to nothing.
  void DropReplay();
  // The end is decided or under way; a replay on its way is dropped.
  void End();

  Replay replay_ = Replay::kNone;
  bool dialogOpen_ = false;
  // The end is decided or under way (WM_DESTROY is posted or handled).
  bool ending_ = false;
  unsigned droppedPlays_ = 0;
};

}  // namespace playback
