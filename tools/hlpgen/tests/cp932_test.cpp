#include "cp932.h"

#include <gtest/gtest.h>

#include <string>

using hlpgen::Cp932ToUtf8;
using hlpgen::EncodingError;
using hlpgen::Utf8ToCp932;

TEST(Cp932, ConvertsTheJapaneseTextOfTheHelp) {
  EXPECT_EQ(Utf8ToCp932("ヘルプ"), "\x83\x77\x83\x8B\x83\x76");
  EXPECT_EQ(Utf8ToCp932("ＭＳ Ｐゴシック"),
            "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(Utf8ToCp932("目次"), "\x96\xDA\x8E\x9F");
  EXPECT_EQ(Utf8ToCp932("・「」、。"), "\x81\x45\x81\x75\x81\x76\x81\x41\x81\x42");
  // Trail bytes that look like ASCII '\' must stay part of their character.
  EXPECT_EQ(Utf8ToCp932("ソ表"), "\x83\x5C\x95\x5C");
}

TEST(Cp932, KeepsAsciiAndBackslashes) {
  const std::string path =
      "HKEY_CURRENT_USER\\Software\\norvan\\SoBeep \"%1\" https://sobeep.example.org/";
  EXPECT_EQ(Utf8ToCp932(path), path);
  EXPECT_EQ(Utf8ToCp932(""), "");
}

TEST(Cp932, RoundTrips) {
  const std::string text = "SoBeep のプロパティ: リピート (REG_DWORD) 8 = オン";
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(text)), text);
}

TEST(Cp932, RefusesWhatCp932CannotShowFaithfully) {
  EXPECT_THROW(Utf8ToCp932("音楽\U0001F3B5"), EncodingError);  // not in CP932 (a musical note)
  EXPECT_THROW(Utf8ToCp932("Ω\xFF"), EncodingError);           // not UTF-8
  EXPECT_THROW(Utf8ToCp932("\xE3\x81"), EncodingError);        // cut-off sequence
  EXPECT_THROW(Utf8ToCp932("¥100"), EncodingError);            // would come back as '\'
  EXPECT_THROW(Utf8ToCp932("1〜2"), EncodingError);  // WAVE DASH comes back as FULLWIDTH TILDE
  try {
    Utf8ToCp932("ab🎵");
    FAIL() << "no error";
  } catch (const EncodingError& e) {
    EXPECT_NE(std::string(e.what()).find("🎵"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Cp932ToUtf8("\x83"), EncodingError);  // lead byte without its trail byte
}
