#include "player/replay_rules.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "player/playback_rules.h"

namespace {

using playback::Decision;
using playback::ReplayRules;
using Replay = ReplayRules::Replay;

enum class Event {
  kRunEndedOnRepeat,
  kRunEndedRepeatOff,
  kRunEndedRepeatNine,
  kRunFailed,
  kRunAborted,
  kRunSuperseded,
  kPlay,
  kPlayFailed,
  kDialogOpening,
  kDialogClosed,
  kStop,
  kEnded,
  kMenuClosedDeviceUsable,
  kMenuClosedDeviceGone,
  kRepeatToggled,
};

const char* Name(Event event) {
  switch (event) {
    case Event::kRunEndedOnRepeat: return "run ended on Repeat";
    case Event::kRunEndedRepeatOff: return "run ended, Repeat off";
    case Event::kRunEndedRepeatNine: return "run ended, Repeat 9";
    case Event::kRunFailed: return "run failed";
    case Event::kRunAborted: return "run aborted";
    case Event::kRunSuperseded: return "run superseded";
    case Event::kPlay: return "Play";
    case Event::kPlayFailed: return "play failed";
    case Event::kDialogOpening: return "dialog opening";
    case Event::kDialogClosed: return "dialog closed";
    case Event::kStop: return "Stop";
    case Event::kEnded: return "WM_DESTROY";
    case Event::kMenuClosedDeviceUsable: return "menu closed, device usable";
    case Event::kMenuClosedDeviceGone: return "menu closed, device gone";
    case Event::kRepeatToggled: return "Repeat toggled";
  }
  return "?";
}

Decision Apply(ReplayRules& rules, Event event) {
  switch (event) {
    case Event::kRunEndedOnRepeat: return rules.RunEnded(playback::kNotifySuccessful, 8);
    case Event::kRunEndedRepeatOff: return rules.RunEnded(playback::kNotifySuccessful, 0);
    case Event::kRunEndedRepeatNine: return rules.RunEnded(playback::kNotifySuccessful, 9);
    case Event::kRunFailed: return rules.RunEnded(playback::kNotifyFailure, 8);
    case Event::kRunAborted: return rules.RunEnded(playback::kNotifyAborted, 8);
    case Event::kRunSuperseded: return rules.RunEnded(playback::kNotifySuperseded, 8);
    case Event::kPlay: return rules.PlayRequested();
    case Event::kPlayFailed: return rules.PlayFailed();
    case Event::kDialogOpening: return rules.DialogOpening();
    case Event::kDialogClosed: return rules.DialogClosed();
    case Event::kStop: return rules.Stopped();
    case Event::kEnded: return rules.Ended();
    case Event::kMenuClosedDeviceUsable: return rules.MenuClosed(true);
    case Event::kMenuClosedDeviceGone: return rules.MenuClosed(false);
    case Event::kRepeatToggled: return rules.RepeatToggled();
  }
  return Decision::kNothing;
}

// What the rules hold: the replay, the dialog, the Play commands of dropped
// replays still on their way, and whether the player is ending.
struct Look {
  Replay replay;
  bool dialog;
  unsigned dropped;
  bool ending;
};

bool operator==(const Look& a, const Look& b) {
  return a.replay == b.replay && a.dialog == b.dialog && a.dropped == b.dropped &&
         a.ending == b.ending;
}

std::ostream& operator<<(std::ostream& out, const Look& look) {
  const char* replays[] = {"none", "posted", "held"};
  return out << "{replay " << replays[static_cast<int>(look.replay)]
             << (look.dialog ? ", dialog" : "") << ", " << look.dropped << " dropped"
             << (look.ending ? ", ending}" : "}");
}

Look LookOf(const ReplayRules& rules) {
  return {rules.PendingReplay(), rules.IconAway(), rules.DroppedPlays(), rules.Ending()};
}

constexpr Replay kNone = Replay::kNone, kPosted = Replay::kPosted, kHeld = Replay::kHeld;
const Look kIdle{kNone, false, 0, false};
const Look kReplayPosted{kPosted, false, 0, false};
const Look kReplayPostedAgain{kPosted, false, 1, false};
const Look kReplayDropped{kNone, false, 1, false};
const Look kDialog{kNone, true, 0, false};
const Look kDialogReplayPosted{kPosted, true, 0, false};
const Look kDialogReplayPostedAgain{kPosted, true, 1, false};
const Look kDialogReplayHeld{kHeld, true, 0, false};
const Look kDialogReplayDropped{kNone, true, 1, false};
const Look kEnding{kNone, false, 0, true};
const Look kEndingReplayDropped{kNone, false, 1, true};
const Look kDialogEnding{kNone, true, 0, true};
const Look kDialogEndingReplayDropped{kNone, true, 1, true};

// Each state the tests start from, reached the way the player gets there.
ReplayRules Reach(const std::vector<Event>& events, const Look& expected) {
  ReplayRules rules;
  for (Event event : events) Apply(rules, event);
  EXPECT_EQ(LookOf(rules), expected);
  return rules;
}

struct Row {
  Event event;
  Decision decision;
  Look after;
};

// Every event in the state `events` lead to: the decision and the state it
// leaves.
void ExpectRows(const std::vector<Event>& events, const Look& state, const std::vector<Row>& rows) {
  ASSERT_EQ(rows.size(), 15u) << "one row for each event";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    ASSERT_EQ(row.event, static_cast<Event>(i)) << "rows in event order";
    ReplayRules rules = Reach(events, state);
    EXPECT_EQ(Apply(rules, row.event), row.decision) << Name(row.event);
    EXPECT_EQ(LookOf(rules), row.after) << Name(row.event);
  }
}

using D = Decision;
using E = Event;

TEST(ReplayRules, EveryEventWhilePlayingOrStopped) {
  ExpectRows({}, kIdle,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, kReplayPosted},
                 {E::kRunEndedRepeatOff, D::kEnd, kEnding},
                 {E::kRunEndedRepeatNine, D::kEnd, kEnding},
                 {E::kRunFailed, D::kCloseAndEnd, kEnding},
                 {E::kRunAborted, D::kNothing, kIdle},
                 {E::kRunSuperseded, D::kNothing, kIdle},
                 {E::kPlay, D::kPlayNow, kIdle},
                 {E::kPlayFailed, D::kCloseAndEnd, kEnding},
                 {E::kDialogOpening, D::kShowDialog, kDialog},
                 {E::kDialogClosed, D::kNothing, kIdle},
                 {E::kStop, D::kNothing, kIdle},
                 {E::kEnded, D::kNothing, kEnding},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kIdle},
                 {E::kMenuClosedDeviceGone, D::kEnd, kEnding},
                 {E::kRepeatToggled, D::kNothing, kIdle},
             });
}

// Between a run's end on Repeat and its replay the device is closed: a menu
// that closes then must not take that for a Stop.
TEST(ReplayRules, EveryEventWhileAReplayIsPosted) {
  ExpectRows({E::kRunEndedOnRepeat}, kReplayPosted,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, kReplayPostedAgain},
                 {E::kRunEndedRepeatOff, D::kEnd, kEndingReplayDropped},
                 {E::kRunEndedRepeatNine, D::kEnd, kEndingReplayDropped},
                 {E::kRunFailed, D::kCloseAndEnd, kEndingReplayDropped},
                 {E::kRunAborted, D::kNothing, kReplayPosted},
                 {E::kRunSuperseded, D::kNothing, kReplayPosted},
                 {E::kPlay, D::kPlayNow, kIdle},
                 {E::kPlayFailed, D::kCloseAndEnd, kEndingReplayDropped},
                 {E::kDialogOpening, D::kShowDialog, kDialogReplayPosted},
                 {E::kDialogClosed, D::kNothing, kReplayPosted},
                 {E::kStop, D::kNothing, kReplayDropped},
                 {E::kEnded, D::kNothing, kEndingReplayDropped},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kReplayPosted},
                 {E::kMenuClosedDeviceGone, D::kNothing, kReplayPosted},
                 {E::kRepeatToggled, D::kNothing, kReplayPosted},
             });
}

// Stop came while the replay was on its way: its Play comes to nothing, and
// the next menu ends the player.
TEST(ReplayRules, EveryEventWhileTheReplayOfAStoppedRunIsOnItsWay) {
  ExpectRows({E::kRunEndedOnRepeat, E::kStop}, kReplayDropped,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, kReplayPostedAgain},
                 {E::kRunEndedRepeatOff, D::kEnd, kEndingReplayDropped},
                 {E::kRunEndedRepeatNine, D::kEnd, kEndingReplayDropped},
                 {E::kRunFailed, D::kCloseAndEnd, kEndingReplayDropped},
                 {E::kRunAborted, D::kNothing, kReplayDropped},
                 {E::kRunSuperseded, D::kNothing, kReplayDropped},
                 {E::kPlay, D::kNothing, kIdle},
                 {E::kPlayFailed, D::kCloseAndEnd, kEndingReplayDropped},
                 {E::kDialogOpening, D::kShowDialog, kDialogReplayDropped},
                 {E::kDialogClosed, D::kNothing, kReplayDropped},
                 {E::kStop, D::kNothing, kReplayDropped},
                 {E::kEnded, D::kNothing, kEndingReplayDropped},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kReplayDropped},
                 {E::kMenuClosedDeviceGone, D::kEnd, kEndingReplayDropped},
                 {E::kRepeatToggled, D::kNothing, kReplayDropped},
             });
}

// One dialog at a time; a Play from outside still plays under it.
TEST(ReplayRules, EveryEventWhileADialogIsOpen) {
  ExpectRows({E::kDialogOpening}, kDialog,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, kDialogReplayPosted},
                 {E::kRunEndedRepeatOff, D::kEnd, kDialogEnding},
                 {E::kRunEndedRepeatNine, D::kEnd, kDialogEnding},
                 {E::kRunFailed, D::kCloseAndEnd, kDialogEnding},
                 {E::kRunAborted, D::kNothing, kDialog},
                 {E::kRunSuperseded, D::kNothing, kDialog},
                 {E::kPlay, D::kPlayNow, kDialog},
                 {E::kPlayFailed, D::kCloseAndEnd, kDialogEnding},
                 {E::kDialogOpening, D::kNothing, kDialog},
                 {E::kDialogClosed, D::kNothing, kIdle},
                 {E::kStop, D::kNothing, kDialog},
                 {E::kEnded, D::kNothing, kDialogEnding},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kDialog},
                 {E::kMenuClosedDeviceGone, D::kEnd, kDialogEnding},
                 {E::kRepeatToggled, D::kNothing, kDialog},
             });
}

TEST(ReplayRules, EveryEventWhileADialogIsOpenAndAReplayIsPosted) {
  ExpectRows({E::kRunEndedOnRepeat, E::kDialogOpening}, kDialogReplayPosted,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, kDialogReplayPostedAgain},
                 {E::kRunEndedRepeatOff, D::kEnd, kDialogEndingReplayDropped},
                 {E::kRunEndedRepeatNine, D::kEnd, kDialogEndingReplayDropped},
                 {E::kRunFailed, D::kCloseAndEnd, kDialogEndingReplayDropped},
                 {E::kRunAborted, D::kNothing, kDialogReplayPosted},
                 {E::kRunSuperseded, D::kNothing, kDialogReplayPosted},
                 {E::kPlay, D::kHoldReplay, kDialogReplayHeld},
                 {E::kPlayFailed, D::kCloseAndEnd, kDialogEndingReplayDropped},
                 {E::kDialogOpening, D::kNothing, kDialogReplayPosted},
                 {E::kDialogClosed, D::kNothing, kReplayPosted},
                 {E::kStop, D::kNothing, kDialogReplayDropped},
                 {E::kEnded, D::kNothing, kDialogEndingReplayDropped},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kDialogReplayPosted},
                 {E::kMenuClosedDeviceGone, D::kNothing, kDialogReplayPosted},
                 {E::kRepeatToggled, D::kNothing, kDialogReplayPosted},
             });
}

// The replay came while the dialog was open: it starts when the dialog
// closes, unless the device was closed in between.
TEST(ReplayRules, EveryEventWhileAReplayIsHeld) {
  ExpectRows({E::kRunEndedOnRepeat, E::kDialogOpening, E::kPlay}, kDialogReplayHeld,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, kDialogReplayPosted},
                 {E::kRunEndedRepeatOff, D::kEnd, kDialogEnding},
                 {E::kRunEndedRepeatNine, D::kEnd, kDialogEnding},
                 {E::kRunFailed, D::kCloseAndEnd, kDialogEnding},
                 {E::kRunAborted, D::kNothing, kDialogReplayHeld},
                 {E::kRunSuperseded, D::kNothing, kDialogReplayHeld},
                 {E::kPlay, D::kHoldReplay, kDialogReplayHeld},
                 {E::kPlayFailed, D::kCloseAndEnd, kDialogEnding},
                 {E::kDialogOpening, D::kNothing, kDialogReplayHeld},
                 {E::kDialogClosed, D::kPlayNow, kIdle},
                 {E::kStop, D::kNothing, kDialog},
                 {E::kEnded, D::kNothing, kDialogEnding},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kDialogReplayHeld},
                 {E::kMenuClosedDeviceGone, D::kNothing, kDialogReplayHeld},
                 {E::kRepeatToggled, D::kNothing, kDialogReplayHeld},
             });
}

// Once the end is under way nothing starts again; a failure still ends.
TEST(ReplayRules, EveryEventWhileThePlayerEnds) {
  ExpectRows({E::kEnded}, kEnding,
             {
                 {E::kRunEndedOnRepeat, D::kNothing, kEnding},
                 {E::kRunEndedRepeatOff, D::kNothing, kEnding},
                 {E::kRunEndedRepeatNine, D::kNothing, kEnding},
                 {E::kRunFailed, D::kCloseAndEnd, kEnding},
                 {E::kRunAborted, D::kNothing, kEnding},
                 {E::kRunSuperseded, D::kNothing, kEnding},
                 {E::kPlay, D::kNothing, kEnding},
                 {E::kPlayFailed, D::kCloseAndEnd, kEnding},
                 {E::kDialogOpening, D::kNothing, kEnding},
                 {E::kDialogClosed, D::kNothing, kEnding},
                 {E::kStop, D::kNothing, kEnding},
                 {E::kEnded, D::kNothing, kEnding},
                 {E::kMenuClosedDeviceUsable, D::kNothing, kEnding},
                 {E::kMenuClosedDeviceGone, D::kNothing, kEnding},
                 {E::kRepeatToggled, D::kNothing, kEnding},
             });
}

// Exit, or a newer player, posts Stop and WM_DESTROY; a run that ended just
// before comes first with its replay, which then must not play.
TEST(ReplayRules, AReplayPostedBeforeExitNeverPlays) {
  for (Event end : {E::kStop, E::kEnded}) {
    ReplayRules rules;
    EXPECT_EQ(rules.RunEnded(playback::kNotifySuccessful, 8), D::kReplayLater);
    Apply(rules, end);
    EXPECT_EQ(rules.RunEnded(playback::kNotifySuccessful, 8),
              end == E::kStop ? D::kReplayLater : D::kNothing);
    Apply(rules, E::kEnded);
    EXPECT_EQ(rules.PlayRequested(), D::kNothing);
    EXPECT_EQ(rules.PlayRequested(), D::kNothing);
    EXPECT_EQ(rules.DroppedPlays(), 0u);
  }
}

}  // namespace
