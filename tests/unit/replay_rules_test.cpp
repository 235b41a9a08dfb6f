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

// A state the tests start from, and the events that lead there, the way
// the player gets there.
struct Start {
  std::vector<Event> events;
  Look look;
};

using D = Decision;
using E = Event;

const Start kPlayingOrStopped{{}, kIdle};
const Start kAfterRunOnRepeat{{E::kRunEndedOnRepeat}, kReplayPosted};
const Start kStopBeforeReplay{{E::kRunEndedOnRepeat, E::kStop}, kReplayDropped};
const Start kInDialog{{E::kDialogOpening}, kDialog};
const Start kInDialogAfterRun{{E::kRunEndedOnRepeat, E::kDialogOpening}, kDialogReplayPosted};
const Start kReplayUnderDialog{{E::kRunEndedOnRepeat, E::kDialogOpening, E::kPlay},
                               kDialogReplayHeld};
const Start kAfterDestroy{{E::kEnded}, kEnding};
const Start* const kStarts[] = {&kPlayingOrStopped, &kAfterRunOnRepeat, &kStopBeforeReplay,
                                &kInDialog,         &kInDialogAfterRun, &kReplayUnderDialog,
                                &kAfterDestroy};

ReplayRules Reach(const Start& start) {
  ReplayRules rules;
  for (Event event : start.events) Apply(rules, event);
  EXPECT_EQ(LookOf(rules), start.look);
  return rules;
}

// The events that end the player, the same in every state.
bool Ends(Event event) {
  return event == E::kRunEndedRepeatOff || event == E::kRunEndedRepeatNine ||
         event == E::kRunFailed || event == E::kPlayFailed || event == E::kEnded;
}

struct Row {
  Event event;
  Decision decision;
  Look after;
};

// Every event but those that end the player, in `start`: the ones in `rows`
// decide and leave the state as given there; every other one does nothing
// and leaves the state as it was.
void ExpectRows(const Start& start, const std::vector<Row>& rows) {
  for (int i = 0; i <= static_cast<int>(E::kRepeatToggled); ++i) {
    const Event event = static_cast<Event>(i);
    if (Ends(event)) continue;
    Row expected{event, D::kNothing, start.look};
    for (const Row& row : rows)
      if (row.event == event) expected = row;
    ReplayRules rules = Reach(start);
    EXPECT_EQ(Apply(rules, event), expected.decision) << Name(event);
    EXPECT_EQ(LookOf(rules), expected.after) << Name(event);
  }
}

TEST(ReplayRules, EveryEventWhilePlayingOrStopped) {
  ExpectRows(kPlayingOrStopped, {{E::kRunEndedOnRepeat, D::kReplayLater, kReplayPosted},
                                 {E::kPlay, D::kPlayNow, kIdle},
                                 {E::kDialogOpening, D::kShowDialog, kDialog},
                                 {E::kMenuClosedDeviceGone, D::kEnd, kEnding}});
}

// Between a run's end on Repeat and its replay the device is closed: a menu
// that closes then must not take that for a Stop.
TEST(ReplayRules, EveryEventWhileAReplayIsPosted) {
  ExpectRows(kAfterRunOnRepeat, {{E::kRunEndedOnRepeat, D::kReplayLater, kReplayPostedAgain},
                                 {E::kPlay, D::kPlayNow, kIdle},
                                 {E::kDialogOpening, D::kShowDialog, kDialogReplayPosted},
                                 {E::kStop, D::kNothing, kReplayDropped}});
}

// Stop came while the replay was on its way: its Play comes to nothing, and
// the next menu ends the player.
TEST(ReplayRules, EveryEventWhileTheReplayOfAStoppedRunIsOnItsWay) {
  ExpectRows(kStopBeforeReplay, {{E::kRunEndedOnRepeat, D::kReplayLater, kReplayPostedAgain},
                                 {E::kPlay, D::kNothing, kIdle},
                                 {E::kDialogOpening, D::kShowDialog, kDialogReplayDropped},
                                 {E::kMenuClosedDeviceGone, D::kEnd, kEndingReplayDropped}});
}

// One dialog at a time; a Play from outside still plays under it.
TEST(ReplayRules, EveryEventWhileADialogIsOpen) {
  ExpectRows(kInDialog, {{E::kRunEndedOnRepeat, D::kReplayLater, kDialogReplayPosted},
                         {E::kPlay, D::kPlayNow, kDialog},
                         {E::kDialogClosed, D::kNothing, kIdle},
                         {E::kMenuClosedDeviceGone, D::kEnd, kDialogEnding}});
}

TEST(ReplayRules, EveryEventWhileADialogIsOpenAndAReplayIsPosted) {
  ExpectRows(kInDialogAfterRun, {{E::kRunEndedOnRepeat, D::kReplayLater, kDialogReplayPostedAgain},
                                 {E::kPlay, D::kHoldReplay, kDialogReplayHeld},
                                 {E::kDialogClosed, D::kNothing, kReplayPosted},
                                 {E::kStop, D::kNothing, kDialogReplayDropped}});
}

// The replay came while the dialog was open: it starts when the dialog
// closes, unless the device was closed in between.
TEST(ReplayRules, EveryEventWhileAReplayIsHeld) {
  ExpectRows(kReplayUnderDialog, {{E::kRunEndedOnRepeat, D::kReplayLater, kDialogReplayPosted},
                                  {E::kPlay, D::kHoldReplay, kDialogReplayHeld},
                                  {E::kDialogClosed, D::kPlayNow, kIdle},
                                  {E::kStop, D::kNothing, kDialog}});
}

// Once the end is under way nothing starts again.
TEST(ReplayRules, EveryEventWhileThePlayerEnds) { ExpectRows(kAfterDestroy, {}); }

// A run's end with Repeat off, a failed run or play, and WM_DESTROY end the
// player in every state: a replay on its way is dropped, an open dialog
// stays open until it is closed, and a failure ends also what is ending.
TEST(ReplayRules, EveryStateEndsTheSameWay) {
  for (const Start* start : kStarts) {
    for (Event event : {E::kRunEndedRepeatOff, E::kRunEndedRepeatNine, E::kRunFailed,
                        E::kPlayFailed, E::kEnded}) {
      ReplayRules rules = Reach(*start);
      const bool failed = event == E::kRunFailed || event == E::kPlayFailed;
      const Decision decision = failed                                     ? D::kCloseAndEnd
                                : event == E::kEnded || start->look.ending ? D::kNothing
                                                                           : D::kEnd;
      EXPECT_EQ(Apply(rules, event), decision) << Name(event) << " in " << start->look;
      const Look ended{kNone, start->look.dialog,
                       start->look.dropped + (start->look.replay == kPosted ? 1 : 0), true};
      EXPECT_EQ(LookOf(rules), ended) << Name(event) << " in " << start->look;
    }
  }
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
