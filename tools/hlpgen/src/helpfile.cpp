#include "helpfile.h"

#include "btree.h"
#include "cp932.h"

#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace hlpgen {

const char* const kTextFace = "ＭＳ Ｐゴシック";
const char* const kCodeFace = "ＭＳ ゴシック";

namespace {

// |TOPIC is cut into 4 KB blocks, each a 12-byte header and LZ77 data.
// The data is stored as literals only, nine bytes for every eight, so that
// a full block holds exactly kBlockData bytes of topic data. Uncompressed
// blocks would be simpler, but readers disagree on how topic positions
// address them; for LZ77 blocks they all count 16 KB per block.
constexpr uint32_t kBlockSize = 4096;
constexpr uint32_t kBlockHeader = 12;
constexpr uint32_t kBlockData = 3630;  // 453 groups of 8 literals, then 6 more
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kLinkHeader = 21;  // BlockSize .. RecordType of a TOPICLINK
constexpr size_t kFaceLength = 20;  // face name slots of WinHelp 3.1 |FONT

constexpr uint8_t kTopicHeaderRecord = 0x02;
constexpr uint8_t kTextRecord = 0x20;

enum Font : uint8_t { kFontText = 0, kFontTitle = 1, kFontCode = 2 };

// Position of a byte of the block data stream (headers left out).
uint32_t TopicPos(size_t streamOffset) {
  return static_cast<uint32_t>((streamOffset / kBlockData) * 0x4000 + streamOffset % kBlockData +
                               kBlockHeader);
}

void PutCompressedUShort(std::string& out, unsigned value) {
  if (value < 0x80) {
    out += static_cast<char>(value * 2);
  } else {
    if (value > 0x7FFF) throw std::length_error("paragraph too long");
    PutU16(out, static_cast<uint16_t>(value * 2 + 1));
  }
}

// Spacings stay within one byte: the signed two-byte form is read back
// off by one for negative values by some viewers.
void PutCompressedShort(std::string& out, int value) {
  if (value < -64 || value > 63) throw std::out_of_range("paragraph spacing out of range");
  out += static_cast<char>((value + 64) * 2);
}

void PutCompressedLong(std::string& out, long value) {
  if (value >= -0x4000 && value < 0x4000)
    PutU16(out, static_cast<uint16_t>((value + 0x4000) * 2));
  else
    PutU32(out, static_cast<uint32_t>((value + 0x40000000L) * 2 + 1));
}

struct ParagraphStyle {
  int spaceAbove;
  int spaceBelow;
  int leftIndent;
};

// LinkData1 holds the paragraph layout and one formatting command after each
// NUL-terminated string of LinkData2.
class TextRecordBuilder {
 public:
  void text(const std::string& cp932) { pending_ += cp932; }
  void command(std::initializer_list<uint8_t> bytes) {
    strings_ += pending_;
    strings_ += '\0';
    pending_.clear();
    for (uint8_t b : bytes) commands_ += static_cast<char>(b);
  }
  void font(Font f) { command({0x80, f, 0x00}); }
  void jump(int32_t hash) {
    uint32_t h = static_cast<uint32_t>(hash);
    command({0xE3, static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8),
             static_cast<uint8_t>(h >> 16), static_cast<uint8_t>(h >> 24)});
  }
  void EndHotspot() { command({0x89}); }

  // Ends the paragraph and returns {LinkData1, LinkData2}.
  std::pair<std::string, std::string> finish(const ParagraphStyle& style) {
    command({0x82});
    command({0xFF});
    std::string layout;
    PutCompressedLong(layout, static_cast<long>(strings_.size()));        // TopicSize
    PutCompressedUShort(layout, static_cast<unsigned>(strings_.size()));  // TopicLength
    layout += '\0';
    layout += static_cast<char>(0x80);
    PutU16(layout, 0);
    uint16_t bits = 0;
    if (style.spaceAbove) bits |= 0x0002;
    if (style.spaceBelow) bits |= 0x0004;
    if (style.leftIndent) bits |= 0x0010;
    PutU16(layout, bits);
    if (style.spaceAbove) PutCompressedShort(layout, style.spaceAbove);
    if (style.spaceBelow) PutCompressedShort(layout, style.spaceBelow);
    if (style.leftIndent) PutCompressedShort(layout, style.leftIndent);
    return {layout + commands_, strings_};
  }

 private:
  std::string commands_;
  std::string strings_;
  std::string pending_;
};

std::string LiteralLz77(const std::string& data) {
  std::string packed;
  for (size_t i = 0; i < data.size(); i += 8) {
    packed += '\0';  // eight flag bits, all "copy one byte"
    packed.append(data, i, 8);
  }
  return packed;
}

struct Record {
  uint8_t type;
  std::string data1;
  std::string data2;
  size_t topic;
  size_t stream = 0;  // offset in the block data stream

  size_t size() const { return kLinkHeader + data1.size() + data2.size(); }
};

std::pair<std::string, std::string> TitleParagraph(const std::string& title) {
  TextRecordBuilder builder;
  builder.font(kFontTitle);
  builder.text(Utf8ToCp932(title));
  return builder.finish({0, 12, 0});
}

std::pair<std::string, std::string> BodyParagraph(const Paragraph& paragraph) {
  TextRecordBuilder builder;
  builder.font(kFontText);
  if (paragraph.kind == ParagraphKind::kBullet) builder.text(Utf8ToCp932("・"));
  for (const Span& span : paragraph.spans) {
    switch (span.kind) {
      case SpanKind::kText: builder.text(Utf8ToCp932(span.text)); break;
      case SpanKind::kCode:
        builder.font(kFontCode);
        builder.text(Utf8ToCp932(span.text));
        builder.font(kFontText);
        break;
      case SpanKind::kLink:
        builder.jump(ContextHash(span.target));
        builder.text(Utf8ToCp932(span.text));
        builder.EndHotspot();
        break;
    }
  }
  if (paragraph.kind == ParagraphKind::kBullet) return builder.finish({0, 4, 16});
  return builder.finish({0, 8, 0});
}

struct TopicFile {
  std::string blocks;                  // the |TOPIC content
  std::vector<uint32_t> topicOffsets;  // TOPICOFFSET of each topic
};

TopicFile BuildTopicFile(const HelpSource& source) {
  const size_t topics = source.topics.size();
  std::vector<Record> records;
  std::vector<size_t> headers;  // record index of each topic header, and of the closing one
  for (size_t t = 0; t <= topics; ++t) {
    headers.push_back(records.size());
    Record header{kTopicHeaderRecord, std::string(28, '\0'), "", t};
    // The last TOPICLINK carries no topic: viewers stop before it.
    if (t < topics) header.data2 = Utf8ToCp932(source.topics[t].title) + '\0';
    records.push_back(header);
    if (t == topics) break;
    auto title = TitleParagraph(source.topics[t].title);
    records.push_back({kTextRecord, title.first, title.second, t});
    for (const Paragraph& paragraph : source.topics[t].paragraphs) {
      auto body = BodyParagraph(paragraph);
      records.push_back({kTextRecord, body.first, body.second, t});
    }
  }

  size_t stream = 0;
  for (Record& record : records) {
    record.stream = stream;
    stream += record.size();
  }

  // TOPICOFFSET: block number, and the characters of the text records that
  // start in that block before the position.
  TopicFile file;
  size_t block = SIZE_MAX;
  uint32_t characters = 0;
  for (const Record& record : records) {
    if (record.stream / kBlockData != block) {
      block = record.stream / kBlockData;
      characters = 0;
    }
    if (record.type == kTopicHeaderRecord) {
      file.topicOffsets.push_back(static_cast<uint32_t>(block * 0x8000 + characters));
    } else {
      characters += static_cast<uint32_t>(record.data2.size());
      if (characters > 0x7FFF) throw std::length_error("too much text in one topic block");
    }
  }

  for (size_t t = 0; t <= topics; ++t) {
    Record& header = records[headers[t]];
    std::string data;
    size_t end = t < topics ? headers[t + 1] : records.size();
    size_t topicSize = 0;
    for (size_t r = headers[t]; r < end; ++r) topicSize += records[r].size();
    PutU32(data, static_cast<uint32_t>(topicSize));
    PutU32(data, t > 0 && t < topics ? file.topicOffsets[t - 1] : kNone);         // BrowseBck
    PutU32(data, t + 1 < topics ? file.topicOffsets[t + 1] : kNone);              // BrowseFor
    PutU32(data, static_cast<uint32_t>(t));                                       // TopicNum
    PutU32(data, kNone);                                                          // NonScroll
    PutU32(data, t < topics ? TopicPos(records[headers[t] + 1].stream) : kNone);  // Scroll
    PutU32(data, t < topics ? TopicPos(records[headers[t + 1]].stream) : kNone);  // NextTopic
    header.data1 = data;
  }

  std::string data;
  for (size_t r = 0; r < records.size(); ++r) {
    const Record& record = records[r];
    PutU32(data, static_cast<uint32_t>(record.size()));
    PutU32(data, static_cast<uint32_t>(record.data2.size()));
    PutU32(data, r > 0 ? TopicPos(records[r - 1].stream) : kNone);
    PutU32(data, r + 1 < records.size() ? TopicPos(records[r + 1].stream) : kNone);
    PutU32(data, static_cast<uint32_t>(kLinkHeader + record.data1.size()));
    data += static_cast<char>(record.type);
    data += record.data1;
    data += record.data2;
  }

  size_t blocks = (data.size() + kBlockData - 1) / kBlockData;
  for (size_t b = 0; b < blocks; ++b) {
    size_t start = b * kBlockData;
    uint32_t lastLink = kNone, firstLink = kNone, lastHeader = kNone;
    for (const Record& record : records) {
      if (record.stream < start) {
        lastLink = TopicPos(record.stream);
        if (record.type == kTopicHeaderRecord) lastHeader = TopicPos(record.stream);
      } else if (record.stream < start + kBlockData && firstLink == kNone) {
        firstLink = TopicPos(record.stream);
      }
    }
    PutU32(file.blocks, lastLink);
    PutU32(file.blocks, firstLink);
    PutU32(file.blocks, lastHeader);
    // The last block is padded to full size as well: viewers read whole
    // blocks, and the zeros only unpack to bytes past the last TOPICLINK.
    std::string packed = LiteralLz77(data.substr(start, kBlockData));
    packed.resize(kBlockSize - kBlockHeader, '\0');
    file.blocks += packed;
  }
  file.topicOffsets.pop_back();
  return file;
}

std::string BuildSystemFile(const HelpSource& source, uint32_t contentsOffset) {
  std::string system;
  PutU16(system, 0x036C);  // Magic
  PutU16(system, 21);      // Minor: Windows 3.1
  PutU16(system, 1);       // Major
  PutU32(system, 0);       // GenDate: left out, so builds are reproducible
  PutU16(system, 4);       // Flags: LZ77 topic blocks of 4 KB
  auto record = [&system](uint16_t type, const std::string& data) {
    PutU16(system, type);
    PutU16(system, static_cast<uint16_t>(data.size()));
    system += data;
  };
  record(1, Utf8ToCp932(source.title) + '\0');
  std::string contents;
  PutU32(contents, contentsOffset);
  record(3, contents);
  // The main window, only to give it the help title as its caption:
  // without it viewers show their own name there.
  std::string caption = Utf8ToCp932(source.title);
  if (caption.size() > 50) throw std::length_error("help title too long for the window caption");
  std::string window;
  PutU16(window, 0x0006);           // Name and Caption are valid
  window += std::string(10, '\0');  // Type
  window += std::string("main").append(9 - 4, '\0');
  window += caption.append(51 - caption.size(), '\0');
  window += std::string(5 * 2, '\0');  // X, Y, Width, Height, Maximize: unset
  PutU32(window, 0x00FFFFFF);          // scrolling region colour: unset, white
  PutU32(window, 0x00FFFFFF);          // non-scrolling region colour: unset, white
  record(6, window);
  std::string charset;
  PutU16(charset, 128);  // SHIFTJIS_CHARSET: fonts are made for code page 932
  record(11, charset);
  return system;
}

std::string BuildFontFile() {
  const std::vector<std::string> faces = {Utf8ToCp932(kTextFace), Utf8ToCp932(kCodeFace)};
  std::string font;
  PutU16(font, static_cast<uint16_t>(faces.size()));
  PutU16(font, 3);
  PutU16(font, 8);
  PutU16(font, static_cast<uint16_t>(8 + faces.size() * kFaceLength));
  for (std::string face : faces) {
    face.resize(kFaceLength, '\0');
    font += face;
  }
  // Attributes, half points, family (1 modern, 3 swiss), face, colour, background.
  struct Descriptor {
    uint8_t attributes, halfPoints, family;
    uint16_t face;
    uint8_t red, green, blue;
  };
  const Descriptor descriptors[] = {
      {0x00, 20, 3, 0, 0x00, 0x00, 0x00},  // kFontText
      {0x01, 28, 3, 0, 0x00, 0x00, 0x80},  // kFontTitle: bold, navy
      {0x00, 20, 1, 1, 0x00, 0x00, 0x00},  // kFontCode
  };
  for (const Descriptor& d : descriptors) {
    font += static_cast<char>(d.attributes);
    font += static_cast<char>(d.halfPoints);
    font += static_cast<char>(d.family);
    PutU16(font, d.face);
    font += static_cast<char>(d.red);
    font += static_cast<char>(d.green);
    font += static_cast<char>(d.blue);
    font += std::string(3, static_cast<char>(0xFF));
  }
  return font;
}

std::string BuildContextFile(const HelpSource& source, const std::vector<uint32_t>& offsets) {
  std::map<int32_t, uint32_t> byHash;  // signed order, as the viewer compares
  for (size_t t = 0; t < source.topics.size(); ++t)
    byHash[ContextHash(source.topics[t].id)] = offsets[t];
  std::vector<BTreeEntry> entries;
  for (const auto& [hash, offset] : byHash) {
    BTreeEntry entry;
    PutU32(entry.key, static_cast<uint32_t>(hash));
    entry.leaf = entry.key;
    PutU32(entry.leaf, offset);
    entries.push_back(entry);
  }
  return BuildBTree(entries, {0x0002, 2048, "L4"});
}

std::string BuildTitleFile(const HelpSource& source, const std::vector<uint32_t>& offsets) {
  std::vector<BTreeEntry> entries;
  for (size_t t = 0; t < source.topics.size(); ++t) {
    BTreeEntry entry;
    PutU32(entry.key, offsets[t]);
    entry.leaf = entry.key + Utf8ToCp932(source.topics[t].title) + '\0';
    entries.push_back(entry);
  }
  return BuildBTree(entries, {0x0002, 2048, "Lz"});
}

void PutInternalFile(std::string& out, const std::string& content) {
  PutU32(out, static_cast<uint32_t>(content.size() + 9));  // ReservedSpace
  PutU32(out, static_cast<uint32_t>(content.size()));      // UsedSpace
  out += static_cast<char>(4);                             // FileFlags
  out += content;
}

}  // namespace

std::string BuildHelpFile(const HelpSource& source) {
  TopicFile topic = BuildTopicFile(source);
  std::map<std::string, std::string> files = {
      {"|SYSTEM", BuildSystemFile(source, topic.topicOffsets.front())},
      {"|FONT", BuildFontFile()},
      {"|TOPIC", topic.blocks},
      {"|CONTEXT", BuildContextFile(source, topic.topicOffsets)},
      {"|TTLBTREE", BuildTitleFile(source, topic.topicOffsets)},
  };

  std::string out(16, '\0');
  std::vector<BTreeEntry> directory;
  for (const auto& [name, content] : files) {
    BTreeEntry entry;
    entry.key = name + '\0';
    entry.leaf = entry.key;
    PutU32(entry.leaf, static_cast<uint32_t>(out.size()));
    directory.push_back(entry);
    PutInternalFile(out, content);
  }
  uint32_t directoryStart = static_cast<uint32_t>(out.size());
  PutInternalFile(out, BuildBTree(directory, {0x0402, 1024, "z4"}));

  std::string header;
  PutU32(header, 0x00035F3F);
  PutU32(header, directoryStart);
  PutU32(header, kNone);  // no free list
  PutU32(header, static_cast<uint32_t>(out.size()));
  out.replace(0, 16, header);
  return out;
}

std::string BuildContentsFile(const HelpSource& source, const std::string& helpFileName) {
  std::string text = ":Base " + helpFileName + "\r\n";
  text += ":Title " + source.title + "\r\n";
  text += "1 " + source.title + "\r\n";
  for (const Topic& topic : source.topics) text += "2 " + topic.title + "=" + topic.id + "\r\n";
  return Utf8ToCp932(text);
}

std::string BuildSourceCopy(const std::string& utf8Source) {
  std::string text;
  for (char c : utf8Source) {
    if (c == '\r') continue;
    if (c == '\n') text += '\r';
    text += c;
  }
  return Utf8ToCp932(text);
}

}  // namespace hlpgen
