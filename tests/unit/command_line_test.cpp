#include "player/command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using cmdline::SkipProgramName;
using cmdline::TakeFirstArgument;

TEST(SkipProgramName, QuotedAndUnquotedNamesAndTheBlanksAfterThem) {
  EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\SoBeep\\SoBeep.exe\" \"a.wav\""), "\"a.wav\"");
  EXPECT_STREQ(SkipProgramName("soBeep.exe  \t\x01 x.wav"), "x.wav");
  EXPECT_STREQ(SkipProgramName("soBeep.exe"), "");
  EXPECT_STREQ(SkipProgramName("\"soBeep.exe\""), "");
  EXPECT_STREQ(SkipProgramName("\"unterminated name"), "");
  EXPECT_STREQ(SkipProgramName("\"a\"b c"), "b c") << "the name ends at its closing quote";
  EXPECT_STREQ(SkipProgramName(""), "");
}

TEST(SkipProgramName, DoubleByteNamesAreNotBlanks) {
  // "\x83\x5C" and "\x95\x5C" are code page 932 characters.
  EXPECT_STREQ(SkipProgramName("C:\\\x83\x5C\x95\x5C\\soBeep.exe a.wav"), "a.wav");
}

std::string First(const char* args, std::size_t capacity = 260) {
  char out[300];
  std::memset(out, '#', sizeof out);
  TakeFirstArgument(args, out, capacity);
  return out;
}

TEST(TakeFirstArgument, QuotedArgumentKeepsSpacesAndDropsTheRest) {
  EXPECT_EQ(First("\"C:\\My Music\\a b.wav\" extra \"more\""), "C:\\My Music\\a b.wav");
  EXPECT_EQ(First("\"C:\\x.wav\"tail"), "C:\\x.wav");
  EXPECT_EQ(First("\"unterminated path"), "unterminated path");
  EXPECT_EQ(First("\"\""), "");
  EXPECT_EQ(First("\""), "");
}

TEST(TakeFirstArgument, UnquotedArgumentEndsAtASpaceButNotATab) {
  EXPECT_EQ(First("C:\\My Music\\a.wav"), "C:\\My");
  EXPECT_EQ(First("a\tb c"), "a\tb");
  EXPECT_EQ(First("plain.wav"), "plain.wav");
  EXPECT_EQ(First("mid\"quote x"), "mid\"quote");
}

TEST(TakeFirstArgument, AnArgumentThatDoesNotFitIsRefusedWhole) {
  const std::string exact(259, 'a');
  char out[260];
  EXPECT_TRUE(TakeFirstArgument(exact.c_str(), out, sizeof out));
  EXPECT_EQ(std::string(out), exact);

  const std::string tooLong(260, 'b');
  char guarded[262];
  std::memset(guarded, 'G', sizeof guarded);
  EXPECT_FALSE(TakeFirstArgument(tooLong.c_str(), guarded, 260));
  EXPECT_STREQ(guarded, "") << "a refused argument leaves an empty path";
  EXPECT_EQ(guarded[260], 'G');
  EXPECT_EQ(guarded[261], 'G');

  const std::string quoted = "\"" + std::string(300, 'c') + "\"";
  EXPECT_FALSE(TakeFirstArgument(quoted.c_str(), out, sizeof out));
  EXPECT_STREQ(out, "");
}

}  // namespace
