#include "player/replay_rules.h"

#include <gtest/gtest.h>

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
    case Event::kMenuClosedDeviceUsable: return rules.MenuClosed(true);
    case Event::kMenuClosedDeviceGone: return rules.MenuClosed(false);
    case Event::kRepeatToggled: return rules.RepeatToggled();
  }
  return Decision::kNothing;
}

// The states the rules can be in, each reached the way the player gets there.
enum class State { kIdle, kReplayPosted, kDialog, kDialogReplayPosted, kDialogReplayHeld };

ReplayRules Reach(State state) {
  ReplayRules rules;
  switch (state) {
    case State::kIdle: break;
    case State::kReplayPosted: Apply(rules, Event::kRunEndedOnRepeat); break;
    case State::kDialog: Apply(rules, Event::kDialogOpening); break;
    case State::kDialogReplayPosted:
      Apply(rules, Event::kRunEndedOnRepeat);
      Apply(rules, Event::kDialogOpening);
      break;
    case State::kDialogReplayHeld:
      Apply(rules, Event::kRunEndedOnRepeat);
      Apply(rules, Event::kDialogOpening);
      Apply(rules, Event::kPlay);
      break;
  }
  return rules;
}

bool In(const ReplayRules& rules, State state) {
  const bool dialog = rules.IconAway();
  switch (state) {
    case State::kIdle: return !dialog && rules.replay() == Replay::kNone;
    case State::kReplayPosted: return !dialog && rules.replay() == Replay::kPosted;
    case State::kDialog: return dialog && rules.replay() == Replay::kNone;
    case State::kDialogReplayPosted: return dialog && rules.replay() == Replay::kPosted;
    case State::kDialogReplayHeld: return dialog && rules.replay() == Replay::kHeld;
  }
  return false;
}

struct Row {
  Event event;
  Decision decision;
  State after;
};

// Every event in `state`: the decision and the state it leaves.
void ExpectRows(State state, const std::vector<Row>& rows) {
  ASSERT_EQ(rows.size(), 14u) << "one row for each event";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    ASSERT_EQ(row.event, static_cast<Event>(i)) << "rows in event order";
    ReplayRules rules = Reach(state);
    ASSERT_TRUE(In(rules, state));
    EXPECT_EQ(Apply(rules, row.event), row.decision) << Name(row.event);
    EXPECT_TRUE(In(rules, row.after)) << Name(row.event);
  }
}

using D = Decision;
using S = State;
using E = Event;

TEST(ReplayRules, EveryEventWhilePlayingOrStopped) {
  ExpectRows(S::kIdle, {
                           {E::kRunEndedOnRepeat, D::kReplayLater, S::kReplayPosted},
                           {E::kRunEndedRepeatOff, D::kEnd, S::kIdle},
                           {E::kRunEndedRepeatNine, D::kEnd, S::kIdle},
                           {E::kRunFailed, D::kCloseAndEnd, S::kIdle},
                           {E::kRunAborted, D::kNothing, S::kIdle},
                           {E::kRunSuperseded, D::kNothing, S::kIdle},
                           {E::kPlay, D::kPlayNow, S::kIdle},
                           {E::kPlayFailed, D::kCloseAndEnd, S::kIdle},
                           {E::kDialogOpening, D::kShowDialog, S::kDialog},
                           {E::kDialogClosed, D::kNothing, S::kIdle},
                           {E::kStop, D::kNothing, S::kIdle},
                           {E::kMenuClosedDeviceUsable, D::kNothing, S::kIdle},
                           {E::kMenuClosedDeviceGone, D::kEnd, S::kIdle},
                           {E::kRepeatToggled, D::kNothing, S::kIdle},
                       });
}

// Between a run's end on Repeat and its replay the device is closed: a menu
// that closes then must not take that for a Stop.
TEST(ReplayRules, EveryEventWhileAReplayIsPosted) {
  ExpectRows(S::kReplayPosted, {
                                   {E::kRunEndedOnRepeat, D::kReplayLater, S::kReplayPosted},
                                   {E::kRunEndedRepeatOff, D::kEnd, S::kReplayPosted},
                                   {E::kRunEndedRepeatNine, D::kEnd, S::kReplayPosted},
                                   {E::kRunFailed, D::kCloseAndEnd, S::kIdle},
                                   {E::kRunAborted, D::kNothing, S::kReplayPosted},
                                   {E::kRunSuperseded, D::kNothing, S::kReplayPosted},
                                   {E::kPlay, D::kPlayNow, S::kIdle},
                                   {E::kPlayFailed, D::kCloseAndEnd, S::kIdle},
                                   {E::kDialogOpening, D::kShowDialog, S::kDialogReplayPosted},
                                   {E::kDialogClosed, D::kNothing, S::kReplayPosted},
                                   {E::kStop, D::kNothing, S::kIdle},
                                   {E::kMenuClosedDeviceUsable, D::kNothing, S::kReplayPosted},
                                   {E::kMenuClosedDeviceGone, D::kNothing, S::kReplayPosted},
                                   {E::kRepeatToggled, D::kNothing, S::kReplayPosted},
                               });
}

TEST(ReplayRules, EveryEventWhileADialogIsOpen) {
  ExpectRows(S::kDialog, {
                             {E::kRunEndedOnRepeat, D::kReplayLater, S::kDialogReplayPosted},
                             {E::kRunEndedRepeatOff, D::kEnd, S::kDialog},
                             {E::kRunEndedRepeatNine, D::kEnd, S::kDialog},
                             {E::kRunFailed, D::kCloseAndEnd, S::kDialog},
                             {E::kRunAborted, D::kNothing, S::kDialog},
                             {E::kRunSuperseded, D::kNothing, S::kDialog},
                             {E::kPlay, D::kPlayNow, S::kDialog},
                             {E::kPlayFailed, D::kCloseAndEnd, S::kDialog},
                             {E::kDialogOpening, D::kNothing, S::kDialog},
                             {E::kDialogClosed, D::kNothing, S::kIdle},
                             {E::kStop, D::kNothing, S::kDialog},
                             {E::kMenuClosedDeviceUsable, D::kNothing, S::kDialog},
                             {E::kMenuClosedDeviceGone, D::kEnd, S::kDialog},
                             {E::kRepeatToggled, D::kNothing, S::kDialog},
                         });
}

TEST(ReplayRules, EveryEventWhileADialogIsOpenAndAReplayIsPosted) {
  ExpectRows(S::kDialogReplayPosted,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, S::kDialogReplayPosted},
                 {E::kRunEndedRepeatOff, D::kEnd, S::kDialogReplayPosted},
                 {E::kRunEndedRepeatNine, D::kEnd, S::kDialogReplayPosted},
                 {E::kRunFailed, D::kCloseAndEnd, S::kDialog},
                 {E::kRunAborted, D::kNothing, S::kDialogReplayPosted},
                 {E::kRunSuperseded, D::kNothing, S::kDialogReplayPosted},
                 {E::kPlay, D::kHoldReplay, S::kDialogReplayHeld},
                 {E::kPlayFailed, D::kCloseAndEnd, S::kDialog},
                 {E::kDialogOpening, D::kNothing, S::kDialogReplayPosted},
                 {E::kDialogClosed, D::kNothing, S::kReplayPosted},
                 {E::kStop, D::kNothing, S::kDialog},
                 {E::kMenuClosedDeviceUsable, D::kNothing, S::kDialogReplayPosted},
                 {E::kMenuClosedDeviceGone, D::kNothing, S::kDialogReplayPosted},
                 {E::kRepeatToggled, D::kNothing, S::kDialogReplayPosted},
             });
}

// The replay came while the dialog was open: it starts when the dialog closes.
TEST(ReplayRules, EveryEventWhileAReplayIsHeld) {
  ExpectRows(S::kDialogReplayHeld,
             {
                 {E::kRunEndedOnRepeat, D::kReplayLater, S::kDialogReplayPosted},
                 {E::kRunEndedRepeatOff, D::kEnd, S::kDialogReplayHeld},
                 {E::kRunEndedRepeatNine, D::kEnd, S::kDialogReplayHeld},
                 {E::kRunFailed, D::kCloseAndEnd, S::kDialog},
                 {E::kRunAborted, D::kNothing, S::kDialogReplayHeld},
                 {E::kRunSuperseded, D::kNothing, S::kDialogReplayHeld},
                 {E::kPlay, D::kHoldReplay, S::kDialogReplayHeld},
                 {E::kPlayFailed, D::kCloseAndEnd, S::kDialog},
                 {E::kDialogOpening, D::kNothing, S::kDialogReplayHeld},
                 {E::kDialogClosed, D::kPlayNow, S::kIdle},
                 {E::kStop, D::kNothing, S::kDialog},
                 {E::kMenuClosedDeviceUsable, D::kNothing, S::kDialogReplayHeld},
                 {E::kMenuClosedDeviceGone, D::kNothing, S::kDialogReplayHeld},
                 {E::kRepeatToggled, D::kNothing, S::kDialogReplayHeld},
             });
}

}  // namespace
