// The installer's bounds: every path join and registry text is measured
// before use, in UTF-16 code units.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "common/text_scan.h"
#include "installer/association_text.h"
#include "installer/install_rules.h"

namespace {

using install::PathProblem;
using Text = std::u16string;

// "表" ends in the backslash's byte in code page 932; "𠮷" is two units.
const Text kHyo = u"表";
const Text kYoshi = u"𠮷";

Text Repeat(char16_t c, std::size_t n) { return Text(n, c); }

PathProblem Check(const Text& moduleDir, const Text& destDir) {
  return install::CheckInstallPaths(moduleDir.c_str(), destDir.c_str());
}

TEST(InstallPaths, TheLongestJoinDecidesWhetherADestinationFits) {
  // The write-test name "chimbell.tst" (12 units) is the longest joined to
  // the destination: length + separator + 12 + two NULs must fit 260.
  const Text fits = u"C:\\" + Repeat(u'd', 245 - 3);
  EXPECT_EQ(Check(u"C:\\dist", fits), PathProblem::kNone);
  EXPECT_EQ(Check(u"C:\\dist", fits + u"d"), PathProblem::kDestination);
  // A separator already at the end is not doubled, so one more unit fits.
  EXPECT_EQ(Check(u"C:\\dist", fits + u"\\"), PathProblem::kNone);
  // A trailing "表" is no separator: it needs the inserted one.
  EXPECT_EQ(Check(u"C:\\dist", u"C:\\" + Repeat(u'd', 245 - 4) + kHyo), PathProblem::kNone);
  EXPECT_EQ(Check(u"C:\\dist", u"C:\\" + Repeat(u'd', 245 - 3) + kHyo), PathProblem::kDestination);
  // A surrogate pair takes two of the 260 units.
  EXPECT_EQ(Check(u"C:\\dist", u"C:\\" + Repeat(u'd', 245 - 5) + kYoshi), PathProblem::kNone);
  EXPECT_EQ(Check(u"C:\\dist", u"C:\\" + Repeat(u'd', 245 - 4) + kYoshi),
            PathProblem::kDestination);
}

TEST(InstallPaths, TheModuleDirectoryMustHoldInstallExe) {
  // "install.exe" (11 units) is the longest source name.
  const Text fits = u"Z:\\" + Repeat(u'm', 246 - 3);
  EXPECT_EQ(Check(fits, u"C:\\SoBeep"), PathProblem::kNone);
  EXPECT_EQ(Check(fits + u"m", u"C:\\SoBeep"), PathProblem::kModuleDirectory);
  EXPECT_EQ(Check(u"", u""), PathProblem::kNone) << "empty texts join to bare names";
  EXPECT_EQ(Check(Repeat(u'x', 300), u"C:\\SoBeep"), PathProblem::kModuleDirectory)
      << "a text longer than any buffer is refused, not read past";
}

TEST(InstallPaths, TheFileListIsTheShippedFilesInOrder) {
  const Text expected[] = {u"soBeep.exe", u"soBeep.hlp", u"install.exe", u"soBeep.cnt",
                           u"soBeep.hed"};
  ASSERT_EQ(std::size(install::kInstallFiles), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i)
    EXPECT_EQ(Text(install::kInstallFiles[i]), expected[i]);
  EXPECT_EQ(Text(install::kWriteTestFile), u"chimbell.tst");
}

TEST(InstallPaths, JoinFitsMatchesWhatJoinPathDoes) {
  const Text folder = u"C:\\" + Repeat(u'f', 248);  // a folder picked in the browser
  EXPECT_TRUE(install::JoinFits(folder.c_str(), u"SoBeep"));
  EXPECT_FALSE(install::JoinFits((folder + u"f").c_str(), u"SoBeep"));
  char16_t path[260];
  const Text longer = folder + u"f";
  std::copy(longer.c_str(), longer.c_str() + longer.size() + 1, path);
  EXPECT_FALSE(text::JoinPath(path, 260, u"SoBeep"));
  EXPECT_EQ(Text(path), longer) << "a refused join leaves the path as it was";
}

Text Command(const Text& dest, std::size_t capacity = assoc::kRegTextSize, bool* ok = nullptr) {
  char16_t out[400];
  std::fill(out, out + 400, u'#');
  out[399] = 0;
  const bool result = assoc::BuildCommand(out, capacity, dest.c_str());
  if (ok) *ok = result;
  return result ? Text(out) : Text();
}

TEST(AssociationText, TheCommandQuotesThePlayerAndThePlaceholder) {
  EXPECT_EQ(Command(u"c:\\Program Files\\SoBeep"),
            u"\"c:\\Program Files\\SoBeep\\SoBeep.exe\" \"%1\"");
  EXPECT_EQ(Command(u"D:\\Tools\\"), u"\"D:\\Tools\\\\SoBeep.exe\" \"%1\"")
      << "the field's text is used unchanged";
  EXPECT_EQ(Command(u"C:\\" + kHyo), u"\"C:\\" + kHyo + u"\\SoBeep.exe\" \"%1\"");
  EXPECT_EQ(Command(u"T:\\Müsik " + kYoshi), u"\"T:\\Müsik " + kYoshi + u"\\SoBeep.exe\" \"%1\"");
}

TEST(AssociationText, TheCommandIsRefusedWhenItWouldNotFit) {
  // Quote, destination, "\SoBeep.exe" quote blank quote %1 quote: 18 units
  // besides the destination, and the NUL.
  bool ok = false;
  const Text dest = Repeat(u'd', 300 - 19);
  EXPECT_EQ(Command(dest, 300, &ok).size(), 299u);
  EXPECT_TRUE(ok);
  char16_t out[300] = u"untouched";
  EXPECT_FALSE(assoc::BuildCommand(out, 300, (dest + u"d").c_str()));
  EXPECT_EQ(Text(out), u"untouched");
}

TEST(AssociationText, TheShellKeyFollowsTheTypeNameWhenItFits) {
  char16_t type[300] = u"SoBeep";
  ASSERT_TRUE(assoc::AppendShellKey(type, 300));
  EXPECT_EQ(Text(type), u"SoBeep\\shell");
  const Text fits = Repeat(u't', 300 - 7);
  std::copy(fits.c_str(), fits.c_str() + fits.size() + 1, type);
  EXPECT_TRUE(assoc::AppendShellKey(type, 300));
  EXPECT_EQ(Text(type), fits + u"\\shell");
  const Text tooLong = Repeat(u't', 300 - 6);
  std::copy(tooLong.c_str(), tooLong.c_str() + tooLong.size() + 1, type);
  EXPECT_FALSE(assoc::AppendShellKey(type, 300));
  EXPECT_EQ(Text(type), tooLong);
}

TEST(AssociationText, StoredTextsAreTerminatedOrRefused) {
  auto load = [](char16_t(&text)[8], const char16_t(&units)[9]) {
    std::copy(units, units + 8, text);
  };
  char16_t text[8];
  load(text, u"abc\0zzzz");
  EXPECT_TRUE(assoc::TerminateStoredText(text, 8, 4));
  EXPECT_EQ(Text(text), u"abc");
  load(text, u"abcdefgh");
  EXPECT_TRUE(assoc::TerminateStoredText(text, 8, 3)) << "a value stored without NUL";
  EXPECT_EQ(Text(text), u"abc");
  load(text, u"abcdefgh");
  EXPECT_FALSE(assoc::TerminateStoredText(text, 8, 8)) << "no room for the NUL";
  EXPECT_EQ(Text(text), u"");
  load(text, u"abcdefg\0");
  EXPECT_TRUE(assoc::TerminateStoredText(text, 8, 8)) << "exactly full, NUL included";
  EXPECT_EQ(Text(text), u"abcdefg");
  load(text, u"abcdefgh");
  EXPECT_TRUE(assoc::TerminateStoredText(text, 8, 0));
  EXPECT_EQ(Text(text), u"");
  EXPECT_FALSE(assoc::TerminateStoredText(text, 8, 9));
}

}  // namespace
