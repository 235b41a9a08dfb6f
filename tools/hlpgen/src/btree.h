// The B+ trees WinHelp keeps its internal directory and its look-up tables in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hlpgen {

void PutU16(std::string& out, uint16_t value);
void PutU32(std::string& out, uint32_t value);

struct BTreeEntry {
  std::string key;   // bytes as they appear in index pages
  std::string leaf;  // the whole leaf entry: key and value
};

struct BTreeLayout {
  uint16_t flags;  // 0x0002, plus 0x0400 for the internal directory
  uint16_t pageSize;
  const char* structure;  // "z4", "L4", "Lz": what an entry holds
};

// Builds the tree (header and pages) from entries already in the order the
// viewer compares them in. Leaves are filled in order; index levels are added
// until one root page remains.
std::string BuildBTree(const std::vector<BTreeEntry>& entries, const BTreeLayout& layout);

}  // namespace hlpgen
