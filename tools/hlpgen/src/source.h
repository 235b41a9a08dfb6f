// The readable help source: a title line, then topics, each a header line
// "= Title {context_id}" followed by paragraphs.
//
//   # comment (only at the start of a line)
//   @title Help file title
//   = Topic title {context_id}
//   Paragraph text; consecutive lines join into one paragraph, a blank line
//   ends it. [[link text|context_id]] jumps to a topic, `text` is set in
//   the fixed-pitch font.
//   - a bulleted paragraph (continues on the following lines)
//
// The first topic is the contents topic.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hlpgen {

class SourceError : public std::runtime_error {
 public:
  SourceError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

enum class SpanKind { kText, kCode, kLink };

struct Span {
  SpanKind kind;
  std::string text;    // UTF-8
  std::string target;  // context id of a Link
};

enum class ParagraphKind { kBody, kBullet };

struct Paragraph {
  ParagraphKind kind;
  std::vector<Span> spans;
  int line;

  std::string PlainText() const;  // UTF-8, spans concatenated
};

struct Topic {
  std::string title;  // UTF-8
  std::string id;
  std::vector<Paragraph> paragraphs;
  int line;
};

struct HelpSource {
  std::string title;  // UTF-8
  std::vector<Topic> topics;
};

// WinHelp 3.1 context-id hash: letters case-folded, digits, '.' and '_'.
int32_t ContextHash(const std::string& id);

// Parses UTF-8 source text. Throws SourceError naming the offending line.
HelpSource ParseHelpSource(const std::string& text);

}  // namespace hlpgen
