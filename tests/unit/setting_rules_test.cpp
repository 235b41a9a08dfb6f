#include "settings/setting_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingRules, OnlyEightIsOnAndToggleAlwaysLandsOnZeroOrEight) {
  EXPECT_TRUE(settings::IsOn(8));
  for (std::uint32_t v : {0u, 1u, 7u, 9u, 0x108u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(settings::IsOn(v)) << v;
    EXPECT_EQ(settings::Toggled(v), 8u) << v;
  }
  EXPECT_EQ(settings::Toggled(8), 0u);
  EXPECT_EQ(settings::Toggled(settings::Toggled(9)), 0u);
}

TEST(SettingRules, AnyCheckedStateIsOn) {
  EXPECT_EQ(settings::FromCheckState(0), 0u);
  EXPECT_EQ(settings::FromCheckState(1), 8u);
  EXPECT_EQ(settings::FromCheckState(2), 8u);  // indeterminate
}

TEST(SettingRules, StoredValuesFitOnlyWhole) {
  EXPECT_TRUE(settings::StoredValueFits(0, 4));
  EXPECT_TRUE(settings::StoredValueFits(1, 4));
  EXPECT_TRUE(settings::StoredValueFits(4, 4));
  EXPECT_FALSE(settings::StoredValueFits(5, 4));
  EXPECT_FALSE(settings::StoredValueFits(0xFFFFFFFFu, 4));
}

}  // namespace
