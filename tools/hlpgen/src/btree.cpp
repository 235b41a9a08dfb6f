#include "btree.h"

#include <cstring>
#include <stdexcept>

namespace hlpgen {

void putU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void putU32(std::string& out, uint32_t value) {
  putU16(out, static_cast<uint16_t>(value & 0xFFFF));
  putU16(out, static_cast<uint16_t>(value >> 16));
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

std::string buildBTree(const std::vector<BTreeEntry>& entries, const BTreeLayout& layout) {
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
    putU16(page, static_cast<uint16_t>(pageSize - kLeafHeader - level[i].body.size()));
    putU16(page, static_cast<uint16_t>(level[i].entries));
    putU16(page, i == 0 ? 0xFFFF : static_cast<uint16_t>(pages.size() - 1));
    putU16(page, i + 1 == level.size() ? 0xFFFF : static_cast<uint16_t>(pages.size() + 1));
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
      putU16(entry, levelNumbers[i]);
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
      putU16(page, static_cast<uint16_t>(pageSize - kIndexHeader - index.body.size()));
      putU16(page, static_cast<uint16_t>(index.entries));
      putU16(page, index.previous);
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
  putU16(tree, 0x293B);
  putU16(tree, layout.flags);
  putU16(tree, layout.pageSize);
  char structure[16] = {};
  std::strncpy(structure, layout.structure, sizeof structure - 1);
  tree.append(structure, sizeof structure);
  putU16(tree, 0);                                        // MustBeZero
  putU16(tree, static_cast<uint16_t>(pages.size() - 1));  // PageSplits
  putU16(tree, levelNumbers.front());                     // RootPage
  putU16(tree, 0xFFFF);                                   // MustBeNegOne
  putU16(tree, static_cast<uint16_t>(pages.size()));      // TotalPages
  putU16(tree, static_cast<uint16_t>(levels));            // NLevels
  putU32(tree, static_cast<uint32_t>(entries.size()));    // TotalBtreeEntries
  for (const std::string& page : pages) tree += page;
  return tree;
}

}  // namespace hlpgen
