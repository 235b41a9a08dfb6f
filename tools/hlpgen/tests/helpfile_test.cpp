// Reads the generated help files back with the tests' own reader and checks
// them against the help source.
#include "cp932.h"
#include "helpfile.h"
#include "hlp_reader.h"
#include "source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Decode(const std::string& cp932) { return hlpgen::Cp932ToUtf8(cp932); }

// What the reader should find for a paragraph of the source.
std::string ExpectedText(const hlpgen::Paragraph& paragraph) {
  return (paragraph.kind == hlpgen::ParagraphKind::kBullet ? "・" : "") + paragraph.PlainText();
}

int32_t SignedHash(uint32_t value) { return static_cast<int32_t>(value); }

// Everything a viewer relies on, checked for any source.
void CheckAgainstSource(const hlpread::HelpFile& help, const hlpgen::HelpSource& source) {
  EXPECT_EQ(help.directory.flags, 0x0402);
  EXPECT_EQ(help.directory.pageSize, 1024);
  EXPECT_EQ(help.directory.structure, "z4");
  std::vector<std::string> names;
  for (const auto& entry : help.fileOffsets) {
    names.push_back(entry.first);
    EXPECT_GE(entry.second, 16u);
    EXPECT_LT(entry.second, help.directoryStart);
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"|CONTEXT", "|FONT", "|SYSTEM", "|TOPIC", "|TTLBTREE"}));

  EXPECT_EQ(help.systemMinor, 21);
  EXPECT_EQ(Decode(help.systemRecords.at(1)), source.title + std::string(1, '\0'));
  // The main window's caption is the help title.
  const std::string& window = help.systemRecords.at(6);
  ASSERT_EQ(window.size(), 90u);
  EXPECT_EQ(hlpread::U16(window, 0) & 0x0006, 0x0006);
  EXPECT_EQ(std::string(window.c_str() + 12), "main");
  EXPECT_EQ(Decode(window.c_str() + 21), source.title);
  ASSERT_EQ(help.systemRecords.at(11).size(), 2u);
  EXPECT_EQ(hlpread::U16(help.systemRecords.at(11), 0), 128) << "SHIFTJIS_CHARSET";

  ASSERT_EQ(help.topics.size(), source.topics.size());
  EXPECT_TRUE(help.sawClosingHeader);
  EXPECT_EQ(hlpread::U32(help.systemRecords.at(3), 0), help.topics[0].offset) << "contents topic";
  for (size_t t = 0; t < source.topics.size(); ++t) {
    const hlpgen::Topic& expected = source.topics[t];
    const hlpread::Topic& topic = help.topics[t];
    SCOPED_TRACE(expected.id);
    EXPECT_EQ(Decode(topic.title), expected.title);
    ASSERT_EQ(topic.paragraphs.size(), expected.paragraphs.size() + 1);
    EXPECT_EQ(Decode(topic.paragraphs[0].text), expected.title);
    if (t > 0) EXPECT_GT(topic.offset, help.topics[t - 1].offset);
    for (size_t p = 0; p < expected.paragraphs.size(); ++p) {
      const hlpread::Paragraph& paragraph = topic.paragraphs[p + 1];
      EXPECT_EQ(Decode(paragraph.text), ExpectedText(expected.paragraphs[p]));
      std::vector<std::pair<int32_t, std::string>> links, wanted;
      for (const hlpread::Hotspot& hotspot : paragraph.hotspots)
        links.push_back({SignedHash(hotspot.hash), Decode(hotspot.text)});
      for (const hlpgen::Span& span : expected.paragraphs[p].spans)
        if (span.kind == hlpgen::SpanKind::kLink)
          wanted.push_back({hlpread::HashContext(span.target), span.text});
      EXPECT_EQ(links, wanted);
    }
  }

  // |CONTEXT: every context id leads, through the index pages, to its topic.
  const std::string& context = help.files.at("|CONTEXT");
  EXPECT_EQ(hlpread::ReadBTree(context, [](const std::string&, size_t) { return size_t{8}; })
                .totalEntries,
            source.topics.size());
  for (size_t t = 0; t < source.topics.size(); ++t) {
    int32_t hash = hlpread::HashContext(source.topics[t].id);
    std::string entry = hlpread::SearchBTree(
        context, [](const std::string&, size_t) { return size_t{8}; },
        [](const std::string&, size_t) { return size_t{6}; },
        [hash](const std::string& page, size_t at) {
          int32_t key = SignedHash(hlpread::U32(page, at));
          return key < hash ? -1 : key > hash ? 1 : 0;
        });
    ASSERT_EQ(entry.size(), 8u) << source.topics[t].id;
    EXPECT_EQ(hlpread::U32(entry, 4), help.topics[t].offset) << source.topics[t].id;
  }

  // |TTLBTREE: the titles by topic offset.
  hlpread::BTree titles = hlpread::ReadBTree(
      help.files.at("|TTLBTREE"),
      [](const std::string& p, size_t at) { return 4 + std::strlen(p.c_str() + at + 4) + 1; });
  EXPECT_EQ(titles.structure, "Lz");
  ASSERT_EQ(titles.leafEntries.size(), source.topics.size());
  for (size_t t = 0; t < source.topics.size(); ++t) {
    EXPECT_EQ(hlpread::U32(titles.leafEntries[t], 0), help.topics[t].offset);
    EXPECT_EQ(Decode(titles.leafEntries[t].substr(4, titles.leafEntries[t].size() - 5)),
              source.topics[t].title);
  }
}

const hlpread::Topic& TopicTitled(const hlpread::HelpFile& help, const std::string& title) {
  for (const hlpread::Topic& topic : help.topics)
    if (Decode(topic.title) == title) return topic;
  throw std::runtime_error("no topic " + title);
}

bool TopicSays(const hlpread::Topic& topic, const std::string& text) {
  for (const hlpread::Paragraph& paragraph : topic.paragraphs)
    if (Decode(paragraph.text).find(text) != std::string::npos) return true;
  return false;
}

}  // namespace

TEST(ShippedHelpFile, MatchesItsSource) {
  const std::string bytes = ReadFile(GENERATED_HELP_DIR "/soBeep.hlp");
  const hlpgen::HelpSource source = hlpgen::ParseHelpSource(ReadFile(HELP_SOURCE));
  ASSERT_EQ(bytes.substr(0, 4), std::string("\x3F\x5F\x03\x00", 4));
  const hlpread::HelpFile help = hlpread::ReadHelpFile(bytes);
  CheckAgainstSource(help, source);
  EXPECT_EQ(help.systemFlags, 4);
}

TEST(ShippedHelpFile, SaysWhatThePlayerDoes) {
  const hlpread::HelpFile help = hlpread::ReadHelpFile(ReadFile(GENERATED_HELP_DIR "/soBeep.hlp"));
  EXPECT_EQ(Decode(help.systemRecords.at(1)), std::string("SoBeep ヘルプ") + '\0');
  ASSERT_GE(help.topics.size(), 7u);
  EXPECT_EQ(Decode(help.topics[0].title), "SoBeep ヘルプの目次");
  EXPECT_EQ(help.topics[0].offset, 0u);

  // The contents topic jumps to every other topic.
  std::vector<uint32_t> jumps;
  for (const hlpread::Paragraph& paragraph : help.topics[0].paragraphs)
    for (const hlpread::Hotspot& hotspot : paragraph.hotspots) jumps.push_back(hotspot.hash);
  for (const char* id : {"about", "playing", "tray_menu", "properties", "installing",
                         "undo_association", "settings"})
    EXPECT_NE(
        std::find(jumps.begin(), jumps.end(), static_cast<uint32_t>(hlpread::HashContext(id))),
        jumps.end())
        << id;

  EXPECT_TRUE(TopicSays(TopicTitled(help, "設定の保存場所"),
                        "HKEY_CURRENT_USER\\Software\\norvan\\SoBeep"));
  EXPECT_TRUE(
      TopicSays(TopicTitled(help, "トレイアイコンのメニュー"), "https://sobeep.example.org/"));
  EXPECT_TRUE(TopicSays(TopicTitled(help, "トレイアイコンのメニュー"), "・リピート: "));
  EXPECT_TRUE(TopicSays(TopicTitled(help, "インストール"), "c:\\Program Files\\SoBeep"));
  EXPECT_TRUE(
      TopicSays(TopicTitled(help, "インストール"), "\"<インストール先>\\SoBeep.exe\" \"%1\""));
  EXPECT_TRUE(TopicSays(TopicTitled(help, "関連付けを元に戻すには"), "関連付けの消去(C)"));
  EXPECT_TRUE(TopicSays(TopicTitled(help, "プロパティと設定モード"), "Install -WARNING-"));

  ASSERT_EQ(help.fonts.size(), 3u);
  EXPECT_EQ(Decode(help.fonts[0].face), hlpgen::kTextFace);
  EXPECT_EQ(Decode(help.fonts[2].face), hlpgen::kCodeFace);
  EXPECT_EQ(help.fonts[1].attributes & 1, 1) << "topic titles are bold";
}

TEST(GeneratedHelpFile, LongSourcesSpanManyTopicBlocks) {
  // Topics long enough to cross several 4 KB blocks and to need index
  // pages in |CONTEXT and |TTLBTREE.
  std::string text = "@title 長いヘルプ\n";
  for (int t = 0; t < 120; ++t) {
    text += "= トピック " + std::to_string(t) + " {topic_" + std::to_string(t) + "}\n";
    for (int p = 0; p < 3; ++p) {
      text += "段落 " + std::to_string(p) + " の本文です。";
      for (int r = 0; r < 4 + t % 5; ++r) text += "とても長い説明の文章がここに続きます。";
      text += " [[次へ|topic_" + std::to_string((t + 1) % 120) + "]] と `code " +
              std::to_string(t) + "`\n\n";
    }
    text += "- 箇条書き [[先頭|topic_0]]\n\n";
  }
  const hlpgen::HelpSource source = hlpgen::ParseHelpSource(text);
  const std::string bytes = hlpgen::BuildHelpFile(source);
  const hlpread::HelpFile help = hlpread::ReadHelpFile(bytes);
  EXPECT_GT(help.files.at("|TOPIC").size(), 20u * 4096u);
  EXPECT_EQ(help.files.at("|TOPIC").size() % 4096, 0u);
  CheckAgainstSource(help, source);
  EXPECT_GT(help.topics.back().offset >> 15, 20u) << "topic offsets count blocks";
}
