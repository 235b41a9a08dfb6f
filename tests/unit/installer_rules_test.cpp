// The installer's bounds: every path join and registry text is measured
// before use, with the code page 932 stepper that CharNextA matches.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "common/text_scan.h"
#include "installer/association_text.h"
#include "installer/install_rules.h"

namespace {

using install::PathProblem;
using text::Cp932Next;

const std::string kHyo = "\x95\x5C";  // "表": its trail byte is the backslash's code

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

TEST(InstallPaths, TheLongestJoinDecidesWhetherADestinationFits) {
  // The write-test name "chimbell.tst" (12 bytes) is the longest joined to
  // the destination: length + separator + 12 + two NULs must fit 260.
  const std::string fits = "C:\\" + Repeat('d', 245 - 3);
  const std::string tooLong = fits + "d";
  EXPECT_EQ(install::CheckInstallPaths("C:\\dist", fits.c_str(), Cp932Next), PathProblem::kNone);
  EXPECT_EQ(install::CheckInstallPaths("C:\\dist", tooLong.c_str(), Cp932Next),
            PathProblem::kDestination);
  // A separator already at the end is not doubled, so one more byte fits.
  const std::string withSeparator = fits + "\\";
  EXPECT_EQ(install::CheckInstallPaths("C:\\dist", withSeparator.c_str(), Cp932Next),
            PathProblem::kNone);
  // A trailing "表" is no separator: it needs the inserted one.
  const std::string endsInHyo = "C:\\" + Repeat('d', 245 - 5) + kHyo;
  EXPECT_EQ(install::CheckInstallPaths("C:\\dist", endsInHyo.c_str(), Cp932Next),
            PathProblem::kNone);
  const std::string endsInHyoTooLong = "C:\\" + Repeat('d', 245 - 4) + kHyo;
  EXPECT_EQ(install::CheckInstallPaths("C:\\dist", endsInHyoTooLong.c_str(), Cp932Next),
            PathProblem::kDestination);
}

TEST(InstallPaths, TheModuleDirectoryMustHoldInstallExe) {
  // "install.exe" (11 bytes) is the longest source name.
  const std::string fits = "Z:\\" + Repeat('m', 246 - 3);
  const std::string tooLong = fits + "m";
  EXPECT_EQ(install::CheckInstallPaths(fits.c_str(), "C:\\SoBeep", Cp932Next), PathProblem::kNone);
  EXPECT_EQ(install::CheckInstallPaths(tooLong.c_str(), "C:\\SoBeep", Cp932Next),
            PathProblem::kModuleDirectory);
  EXPECT_EQ(install::CheckInstallPaths("", "", Cp932Next), PathProblem::kNone)
      << "empty texts join to bare names";
  const std::string full = Repeat('x', 300);
  EXPECT_EQ(install::CheckInstallPaths(full.c_str(), "C:\\SoBeep", Cp932Next),
            PathProblem::kModuleDirectory)
      << "a text longer than any buffer is refused, not read past";
}

TEST(InstallPaths, TheFileListIsTheShippedFilesInOrder) {
  const char* expected[] = {"soBeep.exe", "soBeep.hlp", "install.exe", "soBeep.cnt", "soBeep.hed"};
  ASSERT_EQ(std::size(install::kInstallFiles), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i)
    EXPECT_STREQ(install::kInstallFiles[i], expected[i]);
  EXPECT_STREQ(install::kWriteTestFile, "chimbell.tst");
}

TEST(InstallPaths, JoinFitsMatchesWhatJoinPathDoes) {
  const std::string folder = "C:\\" + Repeat('f', 248);  // a folder picked in the browser
  EXPECT_TRUE(install::JoinFits(folder.c_str(), "SoBeep", Cp932Next));
  EXPECT_FALSE(install::JoinFits((folder + "f").c_str(), "SoBeep", Cp932Next));
  char path[260];
  std::strcpy(path, (folder + "f").c_str());
  EXPECT_FALSE(text::JoinPath(path, sizeof path, "SoBeep", Cp932Next));
  EXPECT_EQ(std::string(path), folder + "f") << "a refused join leaves the path as it was";
}

std::string Command(const std::string& dest, std::size_t capacity = assoc::kRegTextSize,
                    bool* ok = nullptr) {
  char out[400];
  std::memset(out, '#', sizeof out);
  out[sizeof out - 1] = '\0';
  const bool result = assoc::BuildCommand(out, capacity, dest.c_str());
  if (ok) *ok = result;
  return result ? std::string(out) : std::string();
}

TEST(AssociationText, TheCommandQuotesThePlayerAndThePlaceholder) {
  EXPECT_EQ(Command("c:\\Program Files\\SoBeep"),
            "\"c:\\Program Files\\SoBeep\\SoBeep.exe\" \"%1\"");
  EXPECT_EQ(Command("D:\\Tools\\"), "\"D:\\Tools\\\\SoBeep.exe\" \"%1\"")
      << "the field's text is used unchanged";
  EXPECT_EQ(Command("C:\\" + kHyo), "\"C:\\" + kHyo + "\\SoBeep.exe\" \"%1\"");
}

TEST(AssociationText, TheCommandIsRefusedWhenItWouldNotFit) {
  // Quote, destination, "\SoBeep.exe" quote blank quote %1 quote: 18 bytes
  // besides the destination, and the NUL.
  bool ok = false;
  const std::string dest = Repeat('d', 300 - 19);
  EXPECT_EQ(Command(dest, 300, &ok).size(), 299u);
  EXPECT_TRUE(ok);
  char out[300];
  std::strcpy(out, "untouched");
  EXPECT_FALSE(assoc::BuildCommand(out, sizeof out, (dest + "d").c_str()));
  EXPECT_STREQ(out, "untouched");
}

TEST(AssociationText, TheShellKeyFollowsTheTypeNameWhenItFits) {
  char type[300];
  std::strcpy(type, "SoBeep");
  ASSERT_TRUE(assoc::AppendShellKey(type, sizeof type));
  EXPECT_STREQ(type, "SoBeep\\shell");
  const std::string fits = Repeat('t', 300 - 7);
  std::strcpy(type, fits.c_str());
  EXPECT_TRUE(assoc::AppendShellKey(type, sizeof type));
  EXPECT_EQ(std::string(type), fits + "\\shell");
  const std::string tooLong = Repeat('t', 300 - 6);
  std::strcpy(type, tooLong.c_str());
  EXPECT_FALSE(assoc::AppendShellKey(type, sizeof type));
  EXPECT_EQ(std::string(type), tooLong);
}

TEST(AssociationText, StoredTextsAreTerminatedOrRefused) {
  char text[8];
  std::memcpy(text, "abc\0zzzz", 8);
  EXPECT_TRUE(assoc::TerminateStoredText(text, sizeof text, 4));
  EXPECT_STREQ(text, "abc");
  std::memcpy(text, "abcdefgh", 8);
  EXPECT_TRUE(assoc::TerminateStoredText(text, sizeof text, 3)) << "a value stored without NUL";
  EXPECT_STREQ(text, "abc");
  std::memcpy(text, "abcdefgh", 8);
  EXPECT_FALSE(assoc::TerminateStoredText(text, sizeof text, 8)) << "no room for the NUL";
  EXPECT_STREQ(text, "");
  std::memcpy(text, "abcdefg", 8);
  EXPECT_TRUE(assoc::TerminateStoredText(text, sizeof text, 8)) << "exactly full, NUL included";
  EXPECT_STREQ(text, "abcdefg");
  std::memcpy(text, "abcdefgh", 8);
  EXPECT_TRUE(assoc::TerminateStoredText(text, sizeof text, 0));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(assoc::TerminateStoredText(text, sizeof text, 9));
}

}  // namespace
