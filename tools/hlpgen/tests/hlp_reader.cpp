#include "hlp_reader.h"

#include <cstring>
#include <set>

namespace hlpread {

uint16_t U16(const std::string& s, size_t at) {
  if (at + 2 > s.size()) throw FormatError("read past the end at " + std::to_string(at));
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) |
                               static_cast<unsigned char>(s[at + 1]) << 8);
}

uint32_t U32(const std::string& s, size_t at) {
  return U16(s, at) | static_cast<uint32_t>(U16(s, at + 2)) << 16;
}

namespace {

constexpr size_t kBTreeHeader = 38;

std::string Page(const std::string& data, const BTree& tree, uint16_t number) {
  if (number >= tree.totalPages)
    throw FormatError("B+ tree page " + std::to_string(number) + " out of range");
  return data.substr(kBTreeHeader + static_cast<size_t>(number) * tree.pageSize, tree.pageSize);
}

BTree ReadHeader(const std::string& data) {
  BTree tree;
  if (U16(data, 0) != 0x293B) throw FormatError("bad B+ tree magic");
  tree.flags = U16(data, 2);
  tree.pageSize = U16(data, 4);
  tree.structure = std::string(data.c_str() + 6, strnlen(data.c_str() + 6, 16));
  if (U16(data, 22) != 0 || U16(data, 28) != 0xFFFF)
    throw FormatError("bad B+ tree header constants");
  tree.rootPage = U16(data, 26);
  tree.totalPages = U16(data, 30);
  tree.levels = U16(data, 32);
  tree.totalEntries = U32(data, 34);
  if (tree.levels == 0 ||
      data.size() < kBTreeHeader + static_cast<size_t>(tree.totalPages) * tree.pageSize)
    throw FormatError("B+ tree pages missing");
  return tree;
}

// Compressed values of LinkData1, per the format notes.
unsigned CUShort(const std::string& s, size_t& at) {
  unsigned char b = static_cast<unsigned char>(s.at(at));
  if (b & 1) {
    unsigned v = U16(s, at) >> 1;
    at += 2;
    return v;
  }
  ++at;
  return b >> 1;
}

int CShort(const std::string& s, size_t& at) {
  unsigned char b = static_cast<unsigned char>(s.at(at));
  if (b & 1) {
    int v = (U16(s, at) >> 1) - 16384;
    at += 2;
    return v;
  }
  ++at;
  return (b >> 1) - 64;
}

long CLong(const std::string& s, size_t& at) {
  if (s.at(at) & 1) {
    long v = static_cast<long>(U32(s, at) >> 1) - 67108864L * 16;
    at += 4;
    return v;
  }
  long v = static_cast<long>(U16(s, at) >> 1) - 16384;
  at += 2;
  return v;
}

std::string UnpackLz77(const std::string& in) {
  std::string out;
  size_t at = 0;
  while (at < in.size()) {
    unsigned char flags = static_cast<unsigned char>(in[at++]);
    for (int bit = 0; bit < 8 && at < in.size(); ++bit, flags >>= 1) {
      if (flags & 1) {
        uint16_t code = U16(in, at);
        at += 2;
        size_t length = (code >> 12) + 3, distance = (code & 0x0FFF) + 1;
        if (distance > out.size()) throw FormatError("LZ77 reference before the start");
        for (size_t i = 0; i < length; ++i) out += out[out.size() - distance];
      } else {
        out += in[at++];
      }
    }
  }
  return out;
}

Paragraph ReadParagraph(const std::string& data1, const std::string& data2, unsigned& length) {
  Paragraph paragraph;
  size_t at = 0;
  CLong(data1, at);  // TopicSize
  length = CUShort(data1, at);
  at += 4;  // unknown bytes and id
  paragraph.bits = U16(data1, at);
  at += 2;
  if (paragraph.bits & 0x0001) CLong(data1, at);
  for (uint16_t bit : {0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040})
    if (paragraph.bits & bit) CShort(data1, at);
  if (paragraph.bits & 0x0100) at += 3;
  if (paragraph.bits & 0x0200) {
    int tabs = CShort(data1, at);
    for (int i = 0; i < tabs; ++i)
      if (CUShort(data1, at) & 0x4000) CUShort(data1, at);
  }
  size_t text = 0;
  Hotspot* open = nullptr;
  while (true) {
    size_t end = data2.find('\0', text);
    if (end == std::string::npos) throw FormatError("LinkData2 string without NUL");
    std::string piece = data2.substr(text, end - text);
    text = end + 1;
    paragraph.text += piece;
    if (open) open->text += piece;
    unsigned char command = static_cast<unsigned char>(data1.at(at++));
    if (command == 0xFF) break;
    switch (command) {
      case 0x80:
        paragraph.fonts.push_back(U16(data1, at));
        at += 2;
        break;
      case 0x81:
      case 0x82:
      case 0x83: break;
      case 0x89:
        if (!open) throw FormatError("end of hotspot without a hotspot");
        open = nullptr;
        break;
      case 0xE2:
      case 0xE3:
      case 0xE6:
      case 0xE7:
        if (open) throw FormatError("nested hotspot");
        paragraph.hotspots.push_back({U32(data1, at), ""});
        open = &paragraph.hotspots.back();
        at += 4;
        break;
      default: throw FormatError("unexpected formatting command " + std::to_string(command));
    }
  }
  if (open) throw FormatError("hotspot not closed");
  if (at != data1.size() || text != data2.size()) throw FormatError("paragraph data left over");
  return paragraph;
}

void ReadTopics(HelpFile& help) {
  const std::string& topic = help.files.at("|TOPIC");
  const bool compressed = help.systemMinor > 16 && (help.systemFlags == 4 || help.systemFlags == 8);
  const size_t blockSize = help.systemMinor <= 16 || help.systemFlags == 8 ? 2048 : 4096;
  const size_t decompressSize = compressed ? 0x4000 : blockSize - 12;

  // Block data, one after the other: a TOPICLINK may run into the next block.
  std::string stream;
  std::vector<size_t> starts;
  std::vector<uint32_t> firstLinks;
  for (size_t block = 0; block * blockSize < topic.size(); ++block) {
    std::string raw = topic.substr(block * blockSize, blockSize);
    firstLinks.push_back(U32(raw, 4));
    std::string data = compressed ? UnpackLz77(raw.substr(12)) : raw.substr(12);
    if (data.size() > decompressSize) throw FormatError("topic block unpacks too large");
    starts.push_back(stream.size());
    stream += data;
  }
  auto locate = [&](uint32_t pos) {
    if (pos < 12) throw FormatError("TOPICPOS below 12");
    size_t block = (pos - 12) / decompressSize, offset = (pos - 12) % decompressSize;
    if (block >= starts.size()) throw FormatError("TOPICPOS beyond the last block");
    return starts[block] + offset;
  };

  std::set<uint32_t> visited;
  uint32_t pos = 12, previous = 0xFFFFFFFF;
  size_t currentBlock = SIZE_MAX;
  uint32_t characters = 0;
  while (true) {
    if (!visited.insert(pos).second) throw FormatError("TOPICLINK chain loops");
    size_t at = locate(pos);
    size_t block = (pos - 12) / decompressSize;
    if (block != currentBlock) {
      currentBlock = block;
      characters = 0;
    }
    uint32_t size = U32(stream, at), length2 = U32(stream, at + 4);
    uint32_t prev = U32(stream, at + 8), next = U32(stream, at + 12),
             length1 = U32(stream, at + 16);
    unsigned char type = static_cast<unsigned char>(stream.at(at + 20));
    if (prev != previous) throw FormatError("PrevBlock does not point back");
    if (length1 < 21 || length1 > size || at + size > stream.size())
      throw FormatError("TOPICLINK sizes out of range");
    if (size - length1 != length2) throw FormatError("LinkData2 is not stored plainly");
    std::string data1 = stream.substr(at + 21, length1 - 21),
                data2 = stream.substr(at + length1, length2);
    if (type == 0x02) {
      if (next == 0xFFFFFFFF) {
        help.sawClosingHeader = true;
        break;
      }
      if (data1.size() != 28) throw FormatError("topic header of the wrong size");
      Topic t;
      t.offset = static_cast<uint32_t>(block * 0x8000 + characters);
      t.topicPos = pos;
      t.title = std::string(data2.c_str());
      help.topics.push_back(t);
    } else if (type == 0x20) {
      if (help.topics.empty()) throw FormatError("text before the first topic header");
      unsigned length = 0;
      help.topics.back().paragraphs.push_back(ReadParagraph(data1, data2, length));
      characters += length;
    } else {
      throw FormatError("unexpected TOPICLINK type " + std::to_string(type));
    }
    if (next == 0xFFFFFFFF) break;
    if (next <= pos) throw FormatError("TOPICLINK chain goes backwards");
    previous = pos;
    pos = next;
  }
  for (uint32_t first : firstLinks)
    if (first != 0xFFFFFFFF && !visited.count(first))
      throw FormatError("FirstTopicLink of a block is not a TOPICLINK");
}

}  // namespace

BTree ReadBTree(const std::string& data, const EntrySize& leafSize) {
  BTree tree = ReadHeader(data);
  uint16_t number = tree.rootPage;
  for (int level = 1; level < tree.levels; ++level) number = U16(Page(data, tree, number), 4);
  uint16_t previous = 0xFFFF;
  while (number != 0xFFFF) {
    std::string p = Page(data, tree, number);
    if (U16(p, 4) != previous) throw FormatError("leaf PreviousPage does not point back");
    size_t at = 8;
    for (int i = 0, n = static_cast<int16_t>(U16(p, 2)); i < n; ++i) {
      size_t size = leafSize(p, at);
      if (at + size > p.size()) throw FormatError("leaf entry runs past its page");
      tree.leafEntries.push_back(p.substr(at, size));
      at += size;
    }
    if (U16(p, 0) != p.size() - at) throw FormatError("leaf page's free byte count is wrong");
    previous = number;
    number = U16(p, 6);
    if (tree.leafEntries.size() > tree.totalEntries)
      throw FormatError("more leaf entries than counted");
  }
  if (tree.leafEntries.size() != tree.totalEntries)
    throw FormatError("fewer leaf entries than counted");
  return tree;
}

std::string SearchBTree(const std::string& data, const EntrySize& leafSize,
                        const EntrySize& indexSize,
                        const std::function<int(const std::string& page, size_t at)>& compare) {
  BTree tree = ReadHeader(data);
  uint16_t number = tree.rootPage;
  for (int level = 1; level < tree.levels; ++level) {
    std::string p = Page(data, tree, number);
    uint16_t child = U16(p, 4);
    size_t at = 6;
    for (int i = 0, n = static_cast<int16_t>(U16(p, 2)); i < n; ++i) {
      if (compare(p, at) > 0) break;
      size_t size = indexSize(p, at);
      child = U16(p, at + size - 2);
      at += size;
    }
    number = child;
  }
  std::string p = Page(data, tree, number);
  size_t at = 8;
  for (int i = 0, n = static_cast<int16_t>(U16(p, 2)); i < n; ++i) {
    int order = compare(p, at);
    if (order == 0) return p.substr(at, leafSize(p, at));
    if (order > 0) break;
    at += leafSize(p, at);
  }
  return "";
}

HelpFile ReadHelpFile(const std::string& bytes) {
  HelpFile help;
  if (U32(bytes, 0) != 0x00035F3F) throw FormatError("not a help file");
  help.directoryStart = U32(bytes, 4);
  help.fileSize = U32(bytes, 12);
  if (help.fileSize != bytes.size()) throw FormatError("EntireFileSize is not the file's size");

  auto internalFile = [&bytes](uint32_t offset) {
    uint32_t reserved = U32(bytes, offset), used = U32(bytes, offset + 4);
    if (reserved < used + 9 || offset + static_cast<uint64_t>(reserved) > bytes.size())
      throw FormatError("internal file does not fit");
    return bytes.substr(offset + 9, used);
  };
  const std::string directory = internalFile(help.directoryStart);
  auto nameSize = [](const std::string& p, size_t at) {
    return strnlen(p.c_str() + at, p.size() - at) + 1;
  };
  help.directory =
      ReadBTree(directory, [&](const std::string& p, size_t at) { return nameSize(p, at) + 4; });
  for (const std::string& entry : help.directory.leafEntries) {
    std::string name(entry.c_str());
    uint32_t offset = U32(entry, name.size() + 1);
    help.fileOffsets[name] = offset;
    help.files[name] = internalFile(offset);
  }

  const std::string& system = help.files.at("|SYSTEM");
  if (U16(system, 0) != 0x036C || U16(system, 4) != 1) throw FormatError("bad |SYSTEM header");
  help.systemMinor = U16(system, 2);
  help.systemFlags = U16(system, 10);
  for (size_t at = 12; at < system.size();) {
    uint16_t type = U16(system, at), size = U16(system, at + 2);
    if (at + 4 + size > system.size()) throw FormatError("|SYSTEM record runs past the end");
    help.systemRecords[type] = system.substr(at + 4, size);
    at += 4 + size;
  }

  const std::string& font = help.files.at("|FONT");
  uint16_t faces = U16(font, 0), descriptors = U16(font, 2), faceAt = U16(font, 4),
           descriptorAt = U16(font, 6);
  if (faces == 0 || descriptorAt < faceAt) throw FormatError("bad |FONT header");
  size_t faceLength = (descriptorAt - faceAt) / faces;
  for (uint16_t i = 0; i < descriptors; ++i) {
    size_t at = descriptorAt + i * 11u;
    uint16_t face = U16(font, at + 3);
    if (face >= faces || at + 11 > font.size()) throw FormatError("font descriptor out of range");
    std::string name = font.substr(faceAt + face * faceLength, faceLength);
    help.fonts.push_back({std::string(name.c_str()), static_cast<uint8_t>(font[at]),
                          static_cast<uint8_t>(font[at + 1]), static_cast<uint8_t>(font[at + 2])});
  }

  ReadTopics(help);
  return help;
}

int32_t HashContext(const std::string& id) {
  uint32_t hash = 0;
  for (unsigned char c : id) {
    unsigned value;
    if (c == '0')
      value = 0x0A;
    else if (c >= '1' && c <= '9')
      value = c - '1' + 0x01;
    else if (c >= 'A' && c <= 'Z')
      value = c - 'A' + 0x11;
    else if (c >= 'a' && c <= 'z')
      value = c - 'a' + 0x11;
    else if (c == '.')
      value = 0x0C;
    else if (c == '_')
      value = 0x0D;
    else
      throw FormatError("character not allowed in a context id");
    hash = hash * 43 + value;
  }
  return static_cast<int32_t>(hash);
}

}  // namespace hlpread
