#include "player/module_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using text::Cp932Next;

constexpr std::size_t kCapacity = 260;

// "表" is 0x95 0x5C in code page 932: its second byte is the backslash's code.
const std::string kHyo = "\x95\x5C";

struct Result {
  bool built;
  std::string path;
};

// Runs the rule on a module name as the module file name query leaves it:
// the text, its reported length, and a guard after the buffer to catch writes.
Result Beside(const std::string& module, std::size_t reported, const char* name, bool slash) {
  char buffer[kCapacity + 8];
  std::memset(buffer, '#', sizeof buffer);
  std::memcpy(buffer, module.c_str(), std::min(module.size() + 1, kCapacity));
  const bool built = paths::BesideModule(buffer, kCapacity, reported, name, Cp932Next, slash);
  EXPECT_EQ(std::string(buffer + kCapacity, 8), std::string(8, '#')) << "wrote past the buffer";
  return {built, std::string(buffer, strnlen(buffer, kCapacity))};
}

Result Beside(const std::string& module, const char* name, bool slash) {
  return Beside(module, module.size(), name, slash);
}

TEST(BesideModule, ReplacesTheProgramNameAfterTheLastSeparator) {
  EXPECT_EQ(Beside("C:\\Program Files\\SoBeep\\soBeep.exe", "Install.exe", true).path,
            "C:\\Program Files\\SoBeep\\Install.exe");
  EXPECT_EQ(Beside("C:\\a\\soBeep.exe", "soBeep.hlp", false).path, "C:\\a\\soBeep.hlp");
  // The installer's scan also takes a slash; help's does not.
  EXPECT_EQ(Beside("C:\\a/b\\c/soBeep.exe", "Install.exe", true).path, "C:\\a/b\\c/Install.exe");
  EXPECT_EQ(Beside("C:\\a/b\\c/soBeep.exe", "soBeep.hlp", false).path, "C:\\a/b\\soBeep.hlp");
}

TEST(BesideModule, ATrailByteOfTheBackslashCodeIsNoSeparator) {
  const std::string dir = "C:\\" + kHyo + "\\";
  EXPECT_EQ(Beside(dir + "x" + kHyo + ".exe", "soBeep.hlp", false).path, dir + "soBeep.hlp");
  EXPECT_EQ(Beside(dir + kHyo + ".exe", "Install.exe", true).path, dir + "Install.exe");
}

TEST(BesideModule, RefusesWhatWouldNotFitAndLeavesThePathAlone) {
  // 249 bytes of directory and its backslash: "soBeep.exe" fits with its
  // terminator (260 bytes), "Install.exe" would need 261.
  const std::string dir = "C:\\" + std::string(245, 'd') + "\\";
  ASSERT_EQ(dir.size(), 249u);
  const std::string module = dir + "soBeep.exe";
  EXPECT_TRUE(Beside(dir + "soBeep.exe", "soBeep.hlp", false).built);
  const Result install = Beside(dir + "soBeep.exe", "Install.exe", true);
  EXPECT_FALSE(install.built);
  EXPECT_EQ(install.path, module);
  // One byte shorter and it fits exactly.
  const std::string shorter = "C:\\" + std::string(244, 'd') + "\\soBeep.exe";
  const Result fits = Beside(shorter, "Install.exe", true);
  EXPECT_TRUE(fits.built);
  EXPECT_EQ(fits.path.size(), kCapacity - 1);
}

TEST(BesideModule, RefusesANameThatFilledTheWholeBufferOrAFailedQuery) {
  // A query that filled the buffer may have cut the name anywhere, also
  // inside the directory, so even a short result is not built from it.
  const std::string cut = "C:\\" + std::string(250, 'd') + "\\soBeep";
  ASSERT_EQ(cut.size(), 260u);
  EXPECT_FALSE(Beside(cut, kCapacity, "x", true).built);
  EXPECT_FALSE(Beside(cut.substr(0, 259), kCapacity, "x", true).built);
  EXPECT_FALSE(Beside("", 0, "soBeep.hlp", false).built);
  EXPECT_TRUE(Beside(cut.substr(0, 259), 259, "x", true).built);
}

}  // namespace
