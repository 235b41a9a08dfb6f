#include "settings/setting_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

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

TEST(SettingRules, TakingAStoredValueCopiesItWholeOrNotAtAll) {
  const unsigned char stored[6] = {8, 1, 2, 3, 4, 5};
  unsigned char destination[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_FALSE(settings::TakeStoredValue(stored, 5, destination, 4));
  for (unsigned char c : destination) EXPECT_EQ(c, 0xEE);
  ASSERT_TRUE(settings::TakeStoredValue(stored, 1, destination, 4));
  EXPECT_EQ(destination[0], 8);
  EXPECT_EQ(destination[1], 0xEE);
  ASSERT_TRUE(settings::TakeStoredValue(stored, 4, destination, 4));
  EXPECT_EQ(destination[3], 3);
  EXPECT_EQ(destination[4], 0xEE);
  EXPECT_TRUE(settings::TakeStoredValue(nullptr, 0, destination, 0));
}

}  // namespace
