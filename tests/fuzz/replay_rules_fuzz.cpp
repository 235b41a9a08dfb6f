// The replay and dialog rules in a small model of the player's world: one
// message queue, an MCI device that plays, pauses, finishes or fails, and a
// user who opens and closes dialogs, closes the tray menu, stops, exits and
// toggles Repeat in any order. The fuzz input is the order of those things;
// after each step the rules' decisions are carried out as the main window
// does and checked against what the player must never do.
#include <cstdint>
#include <deque>

#include "player/playback_rules.h"
#include "player/replay_rules.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using playback::Decision;

struct Message {
  enum Kind { kPlay, kNotify, kStop, kDestroy } kind;
  std::uint32_t flag;    // kNotify
  unsigned stopsBefore;  // kPlay: how many Stops and ends came before it
};

enum class Device { kClosed, kPlaying, kPaused, kFinished };

class World {
 public:
  explicit World(bool repeat) : repeat_(repeat ? 8 : 0) {}

  void Step(std::uint8_t choice) {
    switch (choice % 14) {
      case 0:
      case 1:
      case 2: Deliver(); break;
      case 3: EndRun(playback::kNotifySuccessful); break;
      case 4: EndRun(playback::kNotifyFailure); break;
      case 5: OpenDialog(); break;
      case 6: CloseDialog(); break;
      case 7: Post(Message::kStop); break;
      case 8:  // Exit, and a newer player: Stop, then WM_DESTROY
        Post(Message::kStop);
        Post(Message::kDestroy);
        break;
      case 9: CloseMenu(); break;
      case 10:
        repeat_ = repeat_ == 8 ? 0 : 8;
        FUZZ_CHECK(rules_.RepeatToggled() == Decision::kNothing);
        break;
      case 11: playWillFail_ = !playWillFail_; break;
      case 12: EndRun(playback::kNotifyAborted); break;
      case 13: Deliver(), Deliver(); break;
    }
    CheckAlways();
  }

  // The user closes what is open and the loop runs until nothing is left.
  void Finish() {
    CloseDialog();
    while (!queue_.empty()) Deliver();
    CheckAlways();
    CheckNotStuck();
  }

 private:
  void CheckAlways() {
    FUZZ_CHECK(rules_.IconAway() == dialog_);
    if (queue_.empty()) CheckNotStuck();
  }

  // With nothing on its way, a player that is not ending and shows no dialog
  // plays, or waits in the tray after a Stop: never silent for no reason.
  void CheckNotStuck() {
    if (dialog_ || ending_) return;
    FUZZ_CHECK(device_ != Device::kClosed || stoppedQuiet_);
  }

  void EndRun(std::uint32_t flag) {
    if (device_ != Device::kPlaying) return;
    device_ = Device::kFinished;
    Post(Message::kNotify, flag);
  }

  void Post(Message::Kind kind, std::uint32_t flag = 0) { queue_.push_back({kind, flag, stops_}); }

  void Close() {
    // Closing a device that still plays ends its run as aborted.
    if (device_ == Device::kPlaying || device_ == Device::kPaused)
      Post(Message::kNotify, playback::kNotifyAborted);
    device_ = Device::kClosed;
    heldDropped_ = true;
  }

  void Deliver() {
    if (queue_.empty()) return;
    const Message message = queue_.front();
    queue_.pop_front();
    switch (message.kind) {
      case Message::kPlay: {
        const Decision decision = rules_.PlayRequested();
        // A replay that Stop or the end dropped does not play after them.
        if (decision == Decision::kPlayNow) FUZZ_CHECK(message.stopsBefore == stops_);
        Carry(decision);
        break;
      }
      case Message::kNotify: {
        const Decision decision = rules_.RunEnded(message.flag, repeat_);
        if (message.flag == playback::kNotifyFailure) {
          FUZZ_CHECK(decision == Decision::kCloseAndEnd);
        } else if (message.flag == playback::kNotifySuccessful && !ending_) {
          FUZZ_CHECK(decision == (repeat_ == 8 ? Decision::kReplayLater : Decision::kEnd));
        } else if (message.flag != playback::kNotifySuccessful) {
          FUZZ_CHECK(decision == Decision::kNothing);
        }
        Carry(decision);
        break;
      }
      case Message::kStop:
        Close();
        ++stops_;
        FUZZ_CHECK(rules_.Stopped() == Decision::kNothing);
        stoppedQuiet_ = true;
        break;
      case Message::kDestroy:
        Close();
        ++stops_;
        ending_ = true;
        FUZZ_CHECK(rules_.Ended() == Decision::kNothing);
        break;
    }
  }

  void OpenDialog() {
    const Decision decision = rules_.DialogOpening();
    // Never a second dialog over the first, nor one while the player ends.
    FUZZ_CHECK(decision == (dialog_ || ending_ ? Decision::kNothing : Decision::kShowDialog));
    if (decision != Decision::kShowDialog) return;
    dialog_ = true;
    if (device_ == Device::kPlaying) device_ = Device::kPaused;
  }

  void CloseDialog() {
    if (!dialog_) return;
    dialog_ = false;
    if (device_ == Device::kPaused) device_ = Device::kPlaying;
    const Decision decision = rules_.DialogClosed();
    // A held replay starts once the dialog is gone, unless the device was
    // closed (Stop, the end) in between.
    FUZZ_CHECK((decision == Decision::kPlayNow) == (held_ && !heldDropped_ && !ending_));
    held_ = false;
    Carry(decision);
  }

  void CloseMenu() {
    const Decision decision = rules_.MenuClosed(device_ != Device::kClosed);
    // After Stop, with nothing started since, the next menu ends the player;
    // nothing else does: an open device, or one closed for a replay on its
    // way, is no Stop.
    FUZZ_CHECK((decision == Decision::kEnd) == (stoppedQuiet_ && !ending_));
    Carry(decision);
  }

  void Carry(Decision decision) {
    switch (decision) {
      case Decision::kNothing: break;
      case Decision::kReplayLater:
        FUZZ_CHECK(!ending_);
        Close();
        Post(Message::kPlay);
        stoppedQuiet_ = false;
        break;
      case Decision::kPlayNow:
        FUZZ_CHECK(!ending_);
        FUZZ_CHECK(!dialog_);                    // no replay plays under a dialog
        FUZZ_CHECK(device_ == Device::kClosed);  // one device at a time
        stoppedQuiet_ = false;
        if (playWillFail_) {
          Carry(rules_.PlayFailed());
        } else {
          device_ = Device::kPlaying;
        }
        break;
      case Decision::kHoldReplay:
        FUZZ_CHECK(dialog_);
        held_ = true;
        heldDropped_ = false;
        break;
      case Decision::kShowDialog: FUZZ_CHECK(false); break;  // only DialogOpening shows one
      case Decision::kEnd:
        Post(Message::kDestroy);
        ending_ = true;
        break;
      case Decision::kCloseAndEnd:
        Close();
        Post(Message::kDestroy);
        ending_ = true;
        break;
    }
  }

  playback::ReplayRules rules_;
  std::deque<Message> queue_;
  // The first Play has been handled: the player starts out playing.
  Device device_ = Device::kPlaying;
  std::uint32_t repeat_;
  bool dialog_ = false;
  bool playWillFail_ = false;
  bool ending_ = false;
  bool held_ = false;
  bool heldDropped_ = false;
  bool stoppedQuiet_ = false;
  unsigned stops_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  World world(data[0] & 1);
  for (std::size_t i = 1; i < size; ++i) world.Step(data[i]);
  world.Finish();
  return 0;
}
