#include "player/playback_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using playback::NotifyAction;
using playback::OnNotify;

TEST(PlaybackRules, SuccessfulEndReplaysOnlyWithRepeatExactlyOn) {
  EXPECT_EQ(OnNotify(playback::kNotifySuccessful, 8), NotifyAction::kReplay);
  EXPECT_EQ(OnNotify(playback::kNotifySuccessful, 0), NotifyAction::kEnd);
  EXPECT_EQ(OnNotify(playback::kNotifySuccessful, 9), NotifyAction::kEnd);
  EXPECT_EQ(OnNotify(playback::kNotifySuccessful, 1), NotifyAction::kEnd);
}

TEST(PlaybackRules, AbortedAndSupersededAreIgnoredButFailureEndsWhateverRepeatSays) {
  for (std::uint32_t repeat : {0u, 8u}) {
    EXPECT_EQ(OnNotify(playback::kNotifyAborted, repeat), NotifyAction::kIgnore);
    EXPECT_EQ(OnNotify(playback::kNotifySuperseded, repeat), NotifyAction::kIgnore);
    EXPECT_EQ(OnNotify(playback::kNotifyFailure, repeat), NotifyAction::kCloseAndEnd);
    EXPECT_EQ(OnNotify(0, repeat), NotifyAction::kIgnore);
  }
}

TEST(PlaybackRules, ModesMapToCommandsAndEverythingElseToZero) {
  EXPECT_EQ(playback::ModeToCommand(true, 525), 0x808u);
  EXPECT_EQ(playback::ModeToCommand(true, 526), 0x806u);
  EXPECT_EQ(playback::ModeToCommand(true, 529), 0x809u);
  for (std::uint32_t mode : {0u, 524u, 527u, 528u, 530u})
    EXPECT_EQ(playback::ModeToCommand(true, mode), 0u) << mode;
  EXPECT_EQ(playback::ModeToCommand(false, 526), 0u) << "a failed query means no device";
}

}  // namespace
