#include "player/module_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using Text = std::u16string;

constexpr std::size_t kCapacity = 260;

struct Result {
  bool built;
  Text path;
};

// Runs the rule on a module name as the module file name query leaves it:
// the text, its reported length, and a guard after the buffer to catch writes.
Result Beside(const Text& module, std::size_t reported, const Text& name, bool slash) {
  char16_t buffer[kCapacity + 8];
  std::fill(buffer, buffer + kCapacity + 8, u'#');
  std::copy(module.c_str(), module.c_str() + std::min(module.size() + 1, kCapacity), buffer);
  const bool built = paths::BesideModule(buffer, kCapacity, reported, name.c_str(), slash);
  EXPECT_EQ(Text(buffer + kCapacity, 8), Text(8, u'#')) << "wrote past the buffer";
  const Text text(buffer, kCapacity);
  return {built, text.substr(0, text.find(u'\0'))};
}

Result Beside(const Text& module, const Text& name, bool slash) {
  return Beside(module, module.size(), name, slash);
}

TEST(BesideModule, ReplacesTheProgramNameAfterTheLastSeparator) {
  EXPECT_EQ(Beside(u"C:\\Program Files\\SoBeep\\soBeep.exe", u"Install.exe", true).path,
            u"C:\\Program Files\\SoBeep\\Install.exe");
  EXPECT_EQ(Beside(u"C:\\a\\soBeep.exe", u"soBeep.hlp", false).path, u"C:\\a\\soBeep.hlp");
  // The installer's scan also takes a slash; help's does not.
  EXPECT_EQ(Beside(u"C:\\a/b\\c/soBeep.exe", u"Install.exe", true).path, u"C:\\a/b\\c/Install.exe");
  EXPECT_EQ(Beside(u"C:\\a/b\\c/soBeep.exe", u"soBeep.hlp", false).path, u"C:\\a/b\\soBeep.hlp");
}

TEST(BesideModule, NamesOfAnyScriptKeepTheirDirectory) {
  // "表" ends in the backslash's byte in code page 932; "𠮷" is a surrogate
  // pair.
  EXPECT_EQ(Beside(u"C:\\表\\x表.exe", u"soBeep.hlp", false).path, u"C:\\表\\soBeep.hlp");
  EXPECT_EQ(Beside(u"C:\\My Tools 𠮷\\soBeep 𠮷.exe", u"Install.exe", true).path,
            u"C:\\My Tools 𠮷\\Install.exe");
}

TEST(BesideModule, RefusesWhatWouldNotFitAndLeavesThePathAlone) {
  // 249 units of directory and its backslash: "soBeep.exe" fits with its
  // terminator (260 units), "Install.exe" would need 261.
  const Text dir = u"C:\\" + Text(245, u'd') + u"\\";
  ASSERT_EQ(dir.size(), 249u);
  const Text module = dir + u"soBeep.exe";
  EXPECT_TRUE(Beside(dir + u"soBeep.exe", u"soBeep.hlp", false).built);
  const Result install = Beside(dir + u"soBeep.exe", u"Install.exe", true);
  EXPECT_FALSE(install.built);
  EXPECT_EQ(install.path, module);
  // One unit shorter and it fits exactly.
  const Text shorter = u"C:\\" + Text(244, u'd') + u"\\soBeep.exe";
  const Result fits = Beside(shorter, u"Install.exe", true);
  EXPECT_TRUE(fits.built);
  EXPECT_EQ(fits.path.size(), kCapacity - 1);
}

TEST(BesideModule, RefusesANameThatFilledTheWholeBufferOrAFailedQuery) {
  // A query that filled the buffer may have cut the name anywhere, also
  // inside the directory, so even a short result is not built from it.
  const Text cut = u"C:\\" + Text(250, u'd') + u"\\soBeep";
  ASSERT_EQ(cut.size(), 260u);
  EXPECT_FALSE(Beside(cut, kCapacity, u"x", true).built);
  EXPECT_FALSE(Beside(cut.substr(0, 259), kCapacity, u"x", true).built);
  EXPECT_FALSE(Beside(u"", 0, u"soBeep.hlp", false).built);
  EXPECT_TRUE(Beside(cut.substr(0, 259), 259, u"x", true).built);
}

}  // namespace
