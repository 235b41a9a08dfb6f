#include "common/text_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using text::Cp932Next;

// "表" is 0x95 0x5C and "ソ" is 0x83 0x5C in code page 932: their second
// byte is the backslash's code.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(Cp932Next, StepsOverDoubleByteCharactersWhole) {
  const std::string s = "a" + kHyo + "\\";
  EXPECT_EQ(Cp932Next(s.c_str()), s.c_str() + 1);
  EXPECT_EQ(Cp932Next(s.c_str() + 1), s.c_str() + 3);
  const char lone[] = "\x95";
  EXPECT_EQ(Cp932Next(lone), lone + 1) << "a lead byte before the end is one character";
  const char end[] = "";
  EXPECT_EQ(Cp932Next(end), end);
  const char kana[] = "\xB1\\";  // half-width katakana is single-byte
  EXPECT_EQ(Cp932Next(kana), kana + 1);
}

std::string Cut(const std::string& path) {
  char buffer[260];
  std::strcpy(buffer, path.c_str());
  text::CutAtLastSeparator(buffer, Cp932Next);
  return buffer;
}

TEST(CutAtLastSeparator, CutsTheNameAndItsSeparator) {
  EXPECT_EQ(Cut("C:\\Program Files\\SoBeep\\install.exe"), "C:\\Program Files\\SoBeep");
  EXPECT_EQ(Cut("X:\\install.exe"), "X:");
  EXPECT_EQ(Cut("dir/sub/install.exe"), "dir/sub");
  EXPECT_EQ(Cut("install.exe"), "");
  EXPECT_EQ(Cut(""), "");
  EXPECT_EQ(Cut("C:\\" + kHyo + "\\install.exe"), "C:\\" + kHyo);
  EXPECT_EQ(Cut("C:\\dir\\" + kSo + ".exe"), "C:\\dir") << "a trail 0x5C is no separator";
}

std::string Replace(const std::string& path, const char* name, bool slash,
                    std::size_t capacity = 260, bool* ok = nullptr) {
  char buffer[300];
  std::strcpy(buffer, path.c_str());
  const bool result = text::ReplaceFileName(buffer, capacity, name, Cp932Next, slash);
  if (ok) *ok = result;
  return buffer;
}

TEST(ReplaceFileName, KeepsTheDirectoryAndItsSeparator) {
  EXPECT_EQ(Replace("C:\\SoBeep\\soBeep.exe", "Install.exe", true), "C:\\SoBeep\\Install.exe");
  EXPECT_EQ(Replace("C:/a\\b/soBeep.exe", "Install.exe", true), "C:/a\\b/Install.exe");
  EXPECT_EQ(Replace("C:\\a/soBeep.exe", "soBeep.hlp", false), "C:\\soBeep.hlp")
      << "where only backslashes count, a slash stays part of the name";
  EXPECT_EQ(Replace("C:\\" + kSo + "soBeep.exe", "x", true), "C:\\x");
  EXPECT_EQ(Replace("C:\\" + kSo, "x", true), "C:\\x");
  EXPECT_EQ(Replace("noseparator", "Install.exe", true), "Install.exe");
}

TEST(ReplaceFileName, RefusesAResultThatDoesNotFit) {
  const std::string dir = "C:\\" + std::string(240, 'd') + "\\";
  bool ok = false;
  const std::string fits = Replace(dir + "soBeep.exe", "Install.exe", true, 260, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(fits, dir + "Install.exe");
  const std::string longDir = "C:\\" + std::string(250, 'd') + "\\";
  EXPECT_EQ(Replace(longDir + "a.exe", "Install.exe", true, 260, &ok), longDir + "a.exe");
  EXPECT_FALSE(ok) << "the path is left as it was";
  // Exactly full: 259 characters and the terminator.
  const std::string edge = std::string(259 - 11 - 1, 'e') + "\\";
  Replace(edge + "z", "Install.exe", true, 260, &ok);
  EXPECT_TRUE(ok);
  Replace(edge + "z", "Install.exe", true, 259, &ok);
  EXPECT_FALSE(ok);
}

struct Joined {
  bool ok;
  std::string text;
  bool doubleNul;
};

Joined Join(const std::string& path, const char* name, std::size_t capacity = 260) {
  char buffer[300];
  std::memset(buffer, 'G', sizeof buffer);
  std::strcpy(buffer, path.c_str());
  Joined result;
  result.ok = text::JoinPath(buffer, capacity, name, Cp932Next);
  result.text = buffer;
  result.doubleNul = buffer[result.text.size() + 1] == '\0';
  return result;
}

TEST(JoinPath, InsertsOneSeparatorAndClosesWithTwoNuls) {
  Joined j = Join("c:\\Program Files\\SoBeep", "soBeep.exe");
  EXPECT_TRUE(j.ok);
  EXPECT_EQ(j.text, "c:\\Program Files\\SoBeep\\soBeep.exe");
  EXPECT_TRUE(j.doubleNul);
  EXPECT_EQ(Join("c:\\dest\\", "a").text, "c:\\dest\\a");
  EXPECT_EQ(Join("c:\\dest/", "a").text, "c:\\dest/a");
  EXPECT_EQ(Join("", "soBeep.exe").text, "soBeep.exe");
  EXPECT_EQ(Join("X:", "soBeep.exe").text, "X:\\soBeep.exe");
  EXPECT_EQ(Join("C:\\" + kSo, "a").text, "C:\\" + kSo + "\\a")
      << "a trail 0x5C at the end still gets a separator";
  EXPECT_EQ(Join("C:\\" + kHyo + "\\", "a").text, "C:\\" + kHyo + "\\a");
}

TEST(JoinPath, RefusesAJoinThatWouldNotFitAndLeavesThePath) {
  // path + separator + name + two NULs must fit.
  const std::string dir(260 - 1 - 3 - 2, 'p');
  Joined fits = Join(dir, "abc");
  EXPECT_TRUE(fits.ok);
  EXPECT_EQ(fits.text.size(), 259u - 1);
  EXPECT_TRUE(fits.doubleNul);
  Joined refused = Join(dir + "q", "abc");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.text, dir + "q");
  EXPECT_FALSE(Join(std::string(259, 'x'), "SoBeep").ok);
}

}  // namespace
