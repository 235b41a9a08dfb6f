#include "source.h"

#include <gtest/gtest.h>

#include <string>

using namespace hlpgen;

TEST(SourceParser, ReadsTopicsParagraphsAndMarkup) {
  const HelpSource source = ParseHelpSource(
      "# comment\n"
      "@title テスト ヘルプ\n"
      "\n"
      "= 目次 {contents}\n"
      "最初の行と\r\n"
      "次の行は 1 つの段落。\n"
      "\n"
      "Latin words\n"
      "join with a space.\n"
      "\n"
      "- [[二つ目|second]] へ\n"
      "  続きの行\n"
      "- `C:\\a b` を見る\n"
      "= 二つ目 {second}\n"
      "本文\n");
  EXPECT_EQ(source.title, "テスト ヘルプ");
  ASSERT_EQ(source.topics.size(), 2u);
  const Topic& contents = source.topics[0];
  EXPECT_EQ(contents.title, "目次");
  EXPECT_EQ(contents.id, "contents");
  ASSERT_EQ(contents.paragraphs.size(), 4u);
  EXPECT_EQ(contents.paragraphs[0].PlainText(), "最初の行と次の行は 1 つの段落。");
  EXPECT_EQ(contents.paragraphs[1].PlainText(), "Latin words join with a space.");
  EXPECT_EQ(contents.paragraphs[2].kind, ParagraphKind::kBullet);
  ASSERT_EQ(contents.paragraphs[2].spans.size(), 2u);
  EXPECT_EQ(contents.paragraphs[2].spans[0].kind, SpanKind::kLink);
  EXPECT_EQ(contents.paragraphs[2].spans[0].text, "二つ目");
  EXPECT_EQ(contents.paragraphs[2].spans[0].target, "second");
  EXPECT_EQ(contents.paragraphs[2].spans[1].text, " へ続きの行");
  EXPECT_EQ(contents.paragraphs[2].line, 11);
  EXPECT_EQ(contents.paragraphs[3].spans[0].kind, SpanKind::kCode);
  EXPECT_EQ(contents.paragraphs[3].spans[0].text, "C:\\a b");
  EXPECT_EQ(source.topics[1].paragraphs[0].PlainText(), "本文");
}

TEST(SourceParser, HashesContextIdsAsWinHelpDoes) {
  EXPECT_EQ(ContextHash("a"), 17);
  EXPECT_EQ(ContextHash("A"), 17);
  EXPECT_EQ(ContextHash("a0"), 17 * 43 + 10);
  EXPECT_EQ(ContextHash("_.9"), (13 * 43 + 12) * 43 + 9);
  EXPECT_EQ(ContextHash("contents"), ContextHash("CONTENTS"));
}

struct Refusal {
  const char* source;
  int line;
  const char* message;
};

TEST(SourceParser, RefusesMalformedSources) {
  const Refusal cases[] = {
      {"= T {a}\nx\n", 2, "no @title"},
      {"@title X\n", 1, "no topics"},
      {"@title X\n@title Y\n= T {a}\n", 2, "second @title"},
      {"@title X\n= T {a}\n@title Y\n", 3, "before the first topic"},
      {"@title\n= T {a}\n", 1, "needs a title"},
      {"@titel X\n= T {a}\n", 1, "unknown directive"},
      {"@title X\ntext\n= T {a}\n", 2, "text before the first topic"},
      {"@title X\n= T\n", 2, "= Title {context_id}"},
      {"@title X\n= T {a b}\n", 2, "not a context id"},
      {"@title X\n= {a}\n", 2, "has no title"},
      {"@title X\n= A=B {a}\n", 2, "'='"},
      {"@title X\n= [[T|a]] {a}\n", 2, "markup"},
      {"@title X\n= T {Same}\n= U {same}\n", 3, "clashes"},
      {"@title X\n= T {a}\nsee [[there|b]]\n", 3, "unknown topic \"b\""},
      {"@title X\n= T {a}\nsee [[there|a]\n", 3, "without a closing"},
      {"@title X\n= T {a}\nsee there]]\n", 3, "without an opening"},
      {"@title X\n= T {a}\nsee [[there]]\n", 3, "[[text|context_id]]"},
      {"@title X\n= T {a}\nsee [[ |a]]\n", 3, "has no text"},
      {"@title X\n= T {a}\nsee [[x|a-b]]\n", 3, "not a context id"},
      {"@title X\n= T {a}\nsee `code\n", 3, "closing \"`\""},
      {"@title X\n= T {a}\n-\n", 3, "empty list item"},
      {"@title X\n= T {a}\ntab\there\n", 3, "control character"},
      {"@title X\n= T {a}\n¥100\n", 3, "CP932"},
      {"@title X\n= T {a}\n\xFF\n", 3, "CP932"},
  };
  for (const Refusal& refusal : cases) {
    SCOPED_TRACE(refusal.source);
    try {
      ParseHelpSource(refusal.source);
      ADD_FAILURE() << "accepted";
    } catch (const SourceError& e) {
      EXPECT_EQ(e.line(), refusal.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(refusal.message), std::string::npos) << e.what();
    }
  }
}
