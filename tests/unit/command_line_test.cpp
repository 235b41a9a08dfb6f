#include "player/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using cmdline::SkipProgramName;
using cmdline::TakeFirstArgument;
using Text = std::u16string;

Text Args(const Text& line) { return SkipProgramName(line.c_str()); }

TEST(SkipProgramName, QuotedAndUnquotedNamesAndTheBlanksAfterThem) {
  EXPECT_EQ(Args(u"\"C:\\Program Files\\SoBeep\\SoBeep.exe\" \"a.wav\""), u"\"a.wav\"");
  EXPECT_EQ(Args(u"soBeep.exe  \t\x01 x.wav"), u"x.wav");
  EXPECT_EQ(Args(u"soBeep.exe"), u"");
  EXPECT_EQ(Args(u"\"soBeep.exe\""), u"");
  EXPECT_EQ(Args(u"\"unterminated name"), u"");
  EXPECT_EQ(Args(u"\"a\"b c"), u"b c") << "the name ends at its closing quote";
  EXPECT_EQ(Args(u""), u"");
}

TEST(SkipProgramName, CharactersBeyondAsciiAreNotBlanks) {
  EXPECT_EQ(Args(u"C:\\ソ表\\soBeep.exe a.wav"), u"a.wav");
  EXPECT_EQ(Args(u"C:\\𠮷\u3000\u00A0x\\soBeep.exe a.wav"), u"a.wav")
      << "only codes up to 0x20 end an unquoted name";
}

Text First(const Text& args, std::size_t capacity = 260) {
  char16_t out[300];
  std::fill(out, out + 300, u'#');
  TakeFirstArgument(args.c_str(), out, capacity);
  return out;
}

TEST(TakeFirstArgument, QuotedArgumentKeepsSpacesAndDropsTheRest) {
  EXPECT_EQ(First(u"\"C:\\My Music\\a b.wav\" extra \"more\""), u"C:\\My Music\\a b.wav");
  EXPECT_EQ(First(u"\"C:\\x.wav\"tail"), u"C:\\x.wav");
  EXPECT_EQ(First(u"\"unterminated path"), u"unterminated path");
  EXPECT_EQ(First(u"\"\""), u"");
  EXPECT_EQ(First(u"\""), u"");
  EXPECT_EQ(First(u"\"T:\\café\\𠮷野 チャイム.wav\""), u"T:\\café\\𠮷野 チャイム.wav")
      << "every character comes through, surrogate pairs whole";
}

TEST(TakeFirstArgument, UnquotedArgumentEndsAtASpaceButNotATab) {
  EXPECT_EQ(First(u"C:\\My Music\\a.wav"), u"C:\\My");
  EXPECT_EQ(First(u"a\tb c"), u"a\tb");
  EXPECT_EQ(First(u"plain.wav"), u"plain.wav");
  EXPECT_EQ(First(u"mid\"quote x"), u"mid\"quote");
  EXPECT_EQ(First(u"café\u3000x.wav"), u"café\u3000x.wav") << "an ideographic space is no blank";
}

TEST(TakeFirstArgument, AnArgumentThatDoesNotFitIsRefusedWhole) {
  const Text exact(259, u'a');
  char16_t out[260];
  EXPECT_TRUE(TakeFirstArgument(exact.c_str(), out, 260));
  EXPECT_EQ(Text(out), exact);

  const Text tooLong(260, u'b');
  char16_t guarded[262];
  std::fill(guarded, guarded + 262, u'G');
  EXPECT_FALSE(TakeFirstArgument(tooLong.c_str(), guarded, 260));
  EXPECT_EQ(Text(guarded), u"") << "a refused argument leaves an empty path";
  EXPECT_EQ(guarded[260], u'G');
  EXPECT_EQ(guarded[261], u'G');

  const Text quoted = u"\"" + Text(300, u'c') + u"\"";
  EXPECT_FALSE(TakeFirstArgument(quoted.c_str(), out, 260));
  EXPECT_EQ(Text(out), u"");
}

}  // namespace
