#include "common/text_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using Text = std::u16string;

// Names whose code page 932 form ends in the backslash's byte ("表" is
// 0x95 0x5C, "ソ" is 0x83 0x5C), and one outside the Basic Multilingual
// Plane, a surrogate pair ("𠮷").
const Text kHyo = u"表";
const Text kSo = u"ソ";
const Text kYoshi = u"𠮷";

Text Cut(const Text& path) {
  char16_t buffer[260];
  std::copy(path.c_str(), path.c_str() + path.size() + 1, buffer);
  text::CutAtLastSeparator(buffer);
  return buffer;
}

TEST(CutAtLastSeparator, CutsTheNameAndItsSeparator) {
  EXPECT_EQ(Cut(u"C:\\Program Files\\SoBeep\\install.exe"), u"C:\\Program Files\\SoBeep");
  EXPECT_EQ(Cut(u"X:\\install.exe"), u"X:");
  EXPECT_EQ(Cut(u"dir/sub/install.exe"), u"dir/sub");
  EXPECT_EQ(Cut(u"install.exe"), u"");
  EXPECT_EQ(Cut(u""), u"");
  EXPECT_EQ(Cut(u"C:\\" + kHyo + u"\\install.exe"), u"C:\\" + kHyo);
  EXPECT_EQ(Cut(u"C:\\dir\\" + kSo + u".exe"), u"C:\\dir");
  EXPECT_EQ(Cut(u"C:\\" + kYoshi + u"野\\install.exe"), u"C:\\" + kYoshi + u"野");
}

Text Replace(const Text& path, const Text& name, bool slash, std::size_t capacity = 260,
             bool* ok = nullptr) {
  char16_t buffer[300];
  std::copy(path.c_str(), path.c_str() + path.size() + 1, buffer);
  const bool result = text::ReplaceFileName(buffer, capacity, name.c_str(), slash);
  if (ok) *ok = result;
  return buffer;
}

TEST(ReplaceFileName, KeepsTheDirectoryAndItsSeparator) {
  EXPECT_EQ(Replace(u"C:\\SoBeep\\soBeep.exe", u"Install.exe", true), u"C:\\SoBeep\\Install.exe");
  EXPECT_EQ(Replace(u"C:/a\\b/soBeep.exe", u"Install.exe", true), u"C:/a\\b/Install.exe");
  EXPECT_EQ(Replace(u"C:\\a/soBeep.exe", u"soBeep.hlp", false), u"C:\\soBeep.hlp")
      << "where only backslashes count, a slash stays part of the name";
  EXPECT_EQ(Replace(u"C:\\" + kSo + u"soBeep.exe", u"x", true), u"C:\\x");
  EXPECT_EQ(Replace(u"C:\\" + kSo, u"x", true), u"C:\\x");
  EXPECT_EQ(Replace(u"C:\\Müsik " + kYoshi + u"\\soBeep.exe", u"Install.exe", true),
            u"C:\\Müsik " + kYoshi + u"\\Install.exe");
  EXPECT_EQ(Replace(u"noseparator", u"Install.exe", true), u"Install.exe");
}

TEST(ReplaceFileName, RefusesAResultThatDoesNotFit) {
  const Text dir = u"C:\\" + Text(240, u'd') + u"\\";
  bool ok = false;
  const Text fits = Replace(dir + u"soBeep.exe", u"Install.exe", true, 260, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(fits, dir + u"Install.exe");
  const Text longDir = u"C:\\" + Text(250, u'd') + u"\\";
  EXPECT_EQ(Replace(longDir + u"a.exe", u"Install.exe", true, 260, &ok), longDir + u"a.exe");
  EXPECT_FALSE(ok) << "the path is left as it was";
  // Exactly full: 259 units and the terminator. A surrogate pair counts as
  // the two units it is.
  const Text edge = Text(259 - 11 - 1 - 2, u'e') + kYoshi + u"\\";
  Replace(edge + u"z", u"Install.exe", true, 260, &ok);
  EXPECT_TRUE(ok);
  Replace(edge + u"z", u"Install.exe", true, 259, &ok);
  EXPECT_FALSE(ok);
}

struct Joined {
  bool ok;
  Text text;
  bool doubleNul;
};

Joined Join(const Text& path, const Text& name, std::size_t capacity = 260) {
  char16_t buffer[300];
  std::fill(buffer, buffer + 300, u'G');
  std::copy(path.c_str(), path.c_str() + path.size() + 1, buffer);
  Joined result;
  result.ok = text::JoinPath(buffer, capacity, name.c_str());
  result.text = buffer;
  result.doubleNul = buffer[result.text.size() + 1] == 0;
  return result;
}

TEST(JoinPath, InsertsOneSeparatorAndClosesWithTwoNuls) {
  Joined j = Join(u"c:\\Program Files\\SoBeep", u"soBeep.exe");
  EXPECT_TRUE(j.ok);
  EXPECT_EQ(j.text, u"c:\\Program Files\\SoBeep\\soBeep.exe");
  EXPECT_TRUE(j.doubleNul);
  EXPECT_EQ(Join(u"c:\\dest\\", u"a").text, u"c:\\dest\\a");
  EXPECT_EQ(Join(u"c:\\dest/", u"a").text, u"c:\\dest/a");
  EXPECT_EQ(Join(u"", u"soBeep.exe").text, u"soBeep.exe");
  EXPECT_EQ(Join(u"X:", u"soBeep.exe").text, u"X:\\soBeep.exe");
  EXPECT_EQ(Join(u"C:\\" + kSo, u"a").text, u"C:\\" + kSo + u"\\a")
      << "a name ending in ソ still gets a separator";
  EXPECT_EQ(Join(u"C:\\" + kHyo + u"\\", u"a").text, u"C:\\" + kHyo + u"\\a");
  EXPECT_EQ(Join(u"C:\\" + kYoshi, u"a").text, u"C:\\" + kYoshi + u"\\a");
}

TEST(JoinPath, RefusesAJoinThatWouldNotFitAndLeavesThePath) {
  // path + separator + name + two NULs must fit.
  const Text dir(260 - 1 - 3 - 2, u'p');
  Joined fits = Join(dir, u"abc");
  EXPECT_TRUE(fits.ok);
  EXPECT_EQ(fits.text.size(), 259u - 1);
  EXPECT_TRUE(fits.doubleNul);
  Joined refused = Join(dir + u"q", u"abc");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.text, dir + u"q");
  EXPECT_FALSE(Join(Text(259, u'x'), u"SoBeep").ok);
}

}  // namespace
