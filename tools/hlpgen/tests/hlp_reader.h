// A reader of WinHelp 3.1 files for the tests, written from the format
// notes alone: it shares no code with the writer.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace hlpread {

struct FormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

uint16_t U16(const std::string& s, size_t at);
uint32_t U32(const std::string& s, size_t at);

struct BTree {
  uint16_t flags = 0;
  uint16_t pageSize = 0;
  std::string structure;
  uint16_t rootPage = 0;
  uint16_t totalPages = 0;
  uint16_t levels = 0;
  uint32_t totalEntries = 0;
  std::vector<std::string> leafEntries;  // in leaf-chain order
};

// Size of the leaf or index entry starting at `at` of a page.
using EntrySize = std::function<size_t(const std::string& page, size_t at)>;

// Reads a B+ tree: follows PreviousPage down from the root to the first
// leaf, then the chain of NextPage links.
BTree ReadBTree(const std::string& data, const EntrySize& leafSize);

// Looks a key up through the index pages as a viewer does; `compare` orders
// an entry (at `at` of a page) against the key: <0, 0, >0.
// Returns the leaf entry, or an empty string if absent.
std::string SearchBTree(const std::string& data, const EntrySize& leafSize,
                        const EntrySize& indexSize,
                        const std::function<int(const std::string& page, size_t at)>& compare);

struct Hotspot {
  uint32_t hash;
  std::string text;  // CP932
};

struct Paragraph {
  std::string text;  // CP932, the strings of LinkData2 joined
  std::vector<uint16_t> fonts;
  std::vector<Hotspot> hotspots;
  uint16_t bits = 0;
};

struct Topic {
  uint32_t offset = 0;  // TOPICOFFSET of its header
  uint32_t topicPos = 0;
  std::string title;  // CP932
  std::vector<Paragraph> paragraphs;
};

struct Font {
  std::string face;  // CP932
  uint8_t attributes, halfPoints, family;
};

struct HelpFile {
  uint32_t directoryStart = 0;
  uint32_t fileSize = 0;
  BTree directory;
  std::map<std::string, uint32_t> fileOffsets;
  std::map<std::string, std::string> files;  // name -> content (UsedSpace bytes)

  uint16_t systemMinor = 0, systemFlags = 0;
  std::map<uint16_t, std::string> systemRecords;

  std::vector<Font> fonts;
  std::vector<Topic> topics;  // in |TOPIC order; the closing header left out
  bool sawClosingHeader = false;
};

HelpFile ReadHelpFile(const std::string& bytes);

// WinHelp's context hash, per the format notes' table.
int32_t HashContext(const std::string& id);

}  // namespace hlpread
