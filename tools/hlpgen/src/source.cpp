#include "source.h"

#include "cp932.h"

#include <map>

namespace hlpgen {

std::string Paragraph::PlainText() const {
  std::string text;
  for (const Span& span : spans) text += span.text;
  return text;
}

int32_t ContextHash(const std::string& id) {
  uint32_t hash = 0;
  for (unsigned char c : id) {
    uint32_t value = 0;
    if (c >= 'A' && c <= 'Z')
      value = c - 'A' + 17;
    else if (c >= 'a' && c <= 'z')
      value = c - 'a' + 17;
    else if (c >= '1' && c <= '9')
      value = c - '0';
    else if (c == '0')
      value = 10;
    else if (c == '.')
      value = 12;
    else if (c == '_')
      value = 13;
    hash = hash * 43 + value;
  }
  return static_cast<int32_t>(hash);
}

namespace {

bool IsContextId(const std::string& id) {
  if (id.empty()) return false;
  for (unsigned char c : id)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
          c == '_'))
      return false;
  return true;
}

std::string Trim(const std::string& s) {
  size_t begin = s.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  size_t end = s.find_last_not_of(' ');
  return s.substr(begin, end - begin + 1);
}

// Joins a continuation line to a paragraph: Japanese runs on without a
// break, but two words of Latin text need the space the line break stood for.
void JoinLine(std::string& paragraph, const std::string& line) {
  if (!paragraph.empty() && !line.empty() && static_cast<unsigned char>(paragraph.back()) < 0x80 &&
      static_cast<unsigned char>(line.front()) < 0x80)
    paragraph += ' ';
  paragraph += line;
}

struct LinkRef {
  std::string target;
  int line;
};

std::vector<Span> ParseInline(const std::string& text, int line, std::vector<LinkRef>& links) {
  std::vector<Span> spans;
  std::string plain;
  auto flush = [&] {
    if (!plain.empty()) spans.push_back({SpanKind::kText, plain, ""});
    plain.clear();
  };
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 2, "[[") == 0) {
      size_t close = text.find("]]", i + 2);
      if (close == std::string::npos) throw SourceError(line, "\"[[\" without a closing \"]]\"");
      std::string inner = text.substr(i + 2, close - i - 2);
      size_t bar = inner.rfind('|');
      if (bar == std::string::npos)
        throw SourceError(line, "link \"[[" + inner + "]]\" needs the form [[text|context_id]]");
      std::string label = Trim(inner.substr(0, bar));
      std::string target = Trim(inner.substr(bar + 1));
      if (label.empty()) throw SourceError(line, "link to \"" + target + "\" has no text");
      if (label.find("[[") != std::string::npos || label.find('`') != std::string::npos)
        throw SourceError(line, "link text \"" + label + "\" may not contain markup");
      if (!IsContextId(target))
        throw SourceError(line,
                          "\"" + target + "\" is not a context id (letters, digits, '.', '_')");
      flush();
      spans.push_back({SpanKind::kLink, label, target});
      links.push_back({target, line});
      i = close + 2;
    } else if (text.compare(i, 2, "]]") == 0) {
      throw SourceError(line, "\"]]\" without an opening \"[[\"");
    } else if (text[i] == '`') {
      size_t close = text.find('`', i + 1);
      if (close == std::string::npos) throw SourceError(line, "\"`\" without a closing \"`\"");
      if (close == i + 1) throw SourceError(line, "empty `` code span");
      flush();
      spans.push_back({SpanKind::kCode, text.substr(i + 1, close - i - 1), ""});
      i = close + 1;
    } else {
      plain += text[i++];
    }
  }
  flush();
  return spans;
}

void CheckCharacters(const std::string& line, int number) {
  for (unsigned char c : line)
    if (c < 0x20 || c == 0x7F) throw SourceError(number, "control character (tab?) in the text");
  try {
    Utf8ToCp932(line);
  } catch (const EncodingError& e) {
    throw SourceError(number, e.what());
  }
}

}  // namespace

HelpSource ParseHelpSource(const std::string& text) {
  HelpSource source;
  bool haveTitle = false;
  std::vector<LinkRef> links;
  std::map<int32_t, std::string> ids;

  // The paragraph being collected: its raw text, kind and first line.
  std::string pending;
  ParagraphKind pendingKind = ParagraphKind::kBody;
  int pendingLine = 0;
  auto endParagraph = [&] {
    if (pending.empty()) return;
    Paragraph paragraph{pendingKind, ParseInline(pending, pendingLine, links), pendingLine};
    source.topics.back().paragraphs.push_back(paragraph);
    pending.clear();
  };

  int number = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    CheckCharacters(line, number);

    if (line.compare(0, 1, "#") == 0) continue;
    std::string content = Trim(line);
    if (content.empty()) {
      endParagraph();
      continue;
    }
    if (line[0] == '@') {
      size_t space = line.find(' ');
      std::string directive = line.substr(0, space);
      std::string value = space == std::string::npos ? "" : Trim(line.substr(space));
      if (directive != "@title")
        throw SourceError(number, "unknown directive \"" + directive + "\"");
      if (!source.topics.empty())
        throw SourceError(number, "@title must come before the first topic");
      if (haveTitle) throw SourceError(number, "second @title");
      if (value.empty()) throw SourceError(number, "@title needs a title");
      source.title = value;
      haveTitle = true;
      continue;
    }
    if (line[0] == '=') {
      endParagraph();
      size_t open = content.rfind('{');
      if (open == std::string::npos || content.back() != '}')
        throw SourceError(number, "topic header needs the form \"= Title {context_id}\"");
      std::string id = content.substr(open + 1, content.size() - open - 2);
      std::string title = Trim(content.substr(1, open - 1));
      if (!IsContextId(id))
        throw SourceError(number, "\"" + id + "\" is not a context id (letters, digits, '.', '_')");
      if (title.empty()) throw SourceError(number, "topic \"" + id + "\" has no title");
      if (title.find("[[") != std::string::npos || title.find('`') != std::string::npos)
        throw SourceError(number, "a topic title may not contain markup");
      // The contents file separates title and context id with '='.
      if (title.find('=') != std::string::npos)
        throw SourceError(number, "a topic title may not contain '='");
      int32_t hash = ContextHash(id);
      auto known = ids.find(hash);
      if (known != ids.end())
        throw SourceError(number, "context id \"" + id + "\" clashes with \"" + known->second +
                                      "\" (context ids ignore case)");
      ids[hash] = id;
      source.topics.push_back({title, id, {}, number});
      continue;
    }
    if (source.topics.empty()) throw SourceError(number, "text before the first topic header");
    if (content.compare(0, 2, "- ") == 0 || content == "-") {
      endParagraph();
      pendingKind = ParagraphKind::kBullet;
      pendingLine = number;
      pending = Trim(content.substr(1));
      if (pending.empty()) throw SourceError(number, "empty list item");
      continue;
    }
    if (pending.empty()) {
      pendingKind = ParagraphKind::kBody;
      pendingLine = number;
    }
    JoinLine(pending, content);
  }
  if (!source.topics.empty()) endParagraph();

  if (!haveTitle) throw SourceError(number, "no @title line");
  if (source.topics.empty()) throw SourceError(number, "no topics");
  for (const LinkRef& link : links) {
    auto known = ids.find(ContextHash(link.target));
    if (known == ids.end() || known->second != link.target)
      throw SourceError(link.line, "link to unknown topic \"" + link.target + "\"");
  }
  return source;
}

}  // namespace hlpgen
