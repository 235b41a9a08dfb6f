#include "btree.h"

#include <cstring>
#include <stdexcept>

namespace hlpgen {

void PutU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, static_cast<uint16_t>(value & 0xFFFF));
  PutU16(out, static_cast<uint16_t>(value >> 16));
}

namespace {

constexpr size_t kLeafHeader = 8;   // Unused, NEntries, PreviousPage, NextPage
constexpr size_t kIndexHeader = 6;  // Unused, NEntries, PreviousPage

struct Page {
  std::string body;  // entries
  int entries = 0;
  std::string firstKey;
  uint16_t previous = 0xFFFF;  // leaf: previous leaf; index: leftmost child
};

}  // namespace

std::string BuildBTree(const std::vector<BTreeEntry>& entries, const BTreeLayout& layout) {
  const size_t pageSize = layout.pageSize;
  std::vector<std::string> pages;  // finished pages, numbered in order

  // Leaf level.
  std::vector<Page> level;
  for (const BTreeEntry& entry : entries) {
    if (kLeafHeader + entry.leaf.size() > pageSize ||
        kIndexHeader + entry.key.size() + 2 > pageSize)
      throw std::length_error("B+ tree entry larger than a page");
    if (level.empty() || kLeafHeader + level.back().body.size() + entry.leaf.size() > pageSize) {
      level.push_back(Page{});
      level.back().firstKey = entry.key;
    }
    level.back().body += entry.leaf;
    ++level.back().entries;
  }
  if (level.empty()) level.push_back(Page{});
  std::vector<uint16_t> levelNumbers;
  for (size_t i = 0; i < level.size(); ++i) {
    std::string page;
    PutU16(page, static_cast<uint16_t>(pageSize - kLeafHeader - level[i].body.size()));
    PutU16(page, static_cast<uint16_t>(level[i].entries));
    PutU16(page, i == 0 ? 0xFFFF : static_cast<uint16_t>(pages.size() - 1));
    PutU16(page, i + 1 == level.size() ? 0xFFFF : static_cast<uint16_t>(pages.size() + 1));
    page += level[i].body;
    page.resize(pageSize, '\0');
    levelNumbers.push_back(static_cast<uint16_t>(pages.size()));
    pages.push_back(page);
  }
  int levels = 1;

  // Index levels: each index page sends keys below its first entry to its
  // leftmost child (PreviousPage) and every other key to the last child
  // whose first key is not above it.
  while (level.size() > 1) {
    std::vector<Page> upper;
    for (size_t i = 0; i < level.size(); ++i) {
      std::string entry = level[i].firstKey;
      PutU16(entry, levelNumbers[i]);
      if (upper.empty() || kIndexHeader + upper.back().body.size() + entry.size() > pageSize) {
        upper.push_back(Page{});
        upper.back().firstKey = level[i].firstKey;
        upper.back().previous = levelNumbers[i];
        continue;
      }
      upper.back().body += entry;
      ++upper.back().entries;
    }
    std::vector<uint16_t> upperNumbers;
    for (const Page& index : upper) {
      std::string page;
      PutU16(page, static_cast<uint16_t>(pageSize - kIndexHeader - index.body.size()));
      PutU16(page, static_cast<uint16_t>(index.entries));
      PutU16(page, index.previous);
      page += index.body;
      page.resize(pageSize, '\0');
      upperNumbers.push_back(static_cast<uint16_t>(pages.size()));
      pages.push_back(page);
    }
    level = upper;
    levelNumbers = upperNumbers;
    ++levels;
  }
  if (pages.size() > 0xFFFE) throw std::length_error("B+ tree has too many pages");

  std::string tree;
  PutU16(tree, 0x293B);
  PutU16(tree, layout.flags);
  PutU16(tree, layout.pageSize);
  char structure[16] = {};
  std::strncpy(structure, layout.structure, sizeof structure - 1);
  tree.append(structure, sizeof structure);
  PutU16(tree, 0);                                        // MustBeZero
  PutU16(tree, static_cast<uint16_t>(pages.size() - 1));  // PageSplits
  PutU16(tree, levelNumbers.front());                     // RootPage
  PutU16(tree, 0xFFFF);                                   // MustBeNegOne
  PutU16(tree, static_cast<uint16_t>(pages.size()));      // TotalPages
  PutU16(tree, static_cast<uint16_t>(levels));            // NLevels
  PutU32(tree, static_cast<uint32_t>(entries.size()));    // TotalBtreeEntries
  for (const std::string& page : pages) tree += page;
  return tree;
}

}  // namespace hlpgen
