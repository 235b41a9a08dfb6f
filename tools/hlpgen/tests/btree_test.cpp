#include "btree.h"
#include "hlp_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using hlpgen::BTreeEntry;
using hlpgen::BuildBTree;

namespace {

std::vector<BTreeEntry> NumberedEntries(int count) {
  std::vector<BTreeEntry> entries;
  for (int i = 0; i < count; ++i) {
    BTreeEntry entry;
    hlpgen::PutU32(entry.key, static_cast<uint32_t>(i * 7));
    entry.leaf = entry.key;
    hlpgen::PutU32(entry.leaf, static_cast<uint32_t>(1000 + i));
    entries.push_back(entry);
  }
  return entries;
}

size_t Fixed8(const std::string&, size_t) { return 8; }
size_t Fixed6(const std::string&, size_t) { return 6; }

std::string FindNumber(const std::string& tree, uint32_t key) {
  return hlpread::SearchBTree(tree, Fixed8, Fixed6, [key](const std::string& page, size_t at) {
    uint32_t entry = hlpread::U32(page, at);
    return entry < key ? -1 : entry > key ? 1 : 0;
  });
}

}  // namespace

TEST(BTree, SmallTreeIsOneLeaf) {
  const std::string tree = BuildBTree(NumberedEntries(5), {0x0002, 2048, "L4"});
  hlpread::BTree read = hlpread::ReadBTree(tree, Fixed8);
  EXPECT_EQ(read.flags, 0x0002);
  EXPECT_EQ(read.pageSize, 2048);
  EXPECT_EQ(read.structure, "L4");
  EXPECT_EQ(read.levels, 1);
  EXPECT_EQ(read.totalPages, 1);
  EXPECT_EQ(tree.size(), 38u + 2048u);
  ASSERT_EQ(read.leafEntries.size(), 5u);
  EXPECT_EQ(hlpread::U32(read.leafEntries[3], 4), 1003u);
}

TEST(BTree, EmptyTreeHasOneEmptyLeaf) {
  const std::string tree = BuildBTree({}, {0x0002, 2048, "L4"});
  hlpread::BTree read = hlpread::ReadBTree(tree, Fixed8);
  EXPECT_EQ(read.totalEntries, 0u);
  EXPECT_EQ(read.totalPages, 1);
  EXPECT_EQ(FindNumber(tree, 0), "");
}

TEST(BTree, LargeTreesGetIndexLevelsThatFindEveryEntry) {
  // 64-byte pages hold 7 leaf entries and 9 index entries: 3 levels.
  const int count = 200;
  const std::string tree = BuildBTree(NumberedEntries(count), {0x0002, 64, "L4"});
  hlpread::BTree read = hlpread::ReadBTree(tree, Fixed8);
  EXPECT_EQ(read.levels, 3);
  ASSERT_EQ(read.leafEntries.size(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(hlpread::U32(read.leafEntries[i], 0), static_cast<uint32_t>(i * 7));
    std::string found = FindNumber(tree, static_cast<uint32_t>(i * 7));
    ASSERT_EQ(found.size(), 8u) << "key " << i * 7;
    EXPECT_EQ(hlpread::U32(found, 4), static_cast<uint32_t>(1000 + i));
    EXPECT_EQ(FindNumber(tree, static_cast<uint32_t>(i * 7 + 3)), "");
  }
}

TEST(BTree, StringKeyedTreesSplitOnVaryingSizes) {
  std::vector<BTreeEntry> entries;
  for (int i = 0; i < 60; ++i) {
    BTreeEntry entry;
    char name[32];
    std::snprintf(name, sizeof name, "|file%03d%.*s", i, i % 9, "xxxxxxxxx");
    entry.key = std::string(name) + '\0';
    entry.leaf = entry.key;
    hlpgen::PutU32(entry.leaf, static_cast<uint32_t>(i));
    entries.push_back(entry);
  }
  const std::string tree = BuildBTree(entries, {0x0402, 128, "z4"});
  auto leafSize = [](const std::string& p, size_t at) { return std::strlen(p.c_str() + at) + 5; };
  auto indexSize = [](const std::string& p, size_t at) { return std::strlen(p.c_str() + at) + 3; };
  hlpread::BTree read = hlpread::ReadBTree(tree, leafSize);
  EXPECT_GT(read.levels, 1);
  ASSERT_EQ(read.leafEntries.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(read.leafEntries[i], entries[i].leaf);
    const std::string key = entries[i].key.c_str();
    std::string found = hlpread::SearchBTree(
        tree, leafSize, indexSize,
        [&](const std::string& p, size_t at) { return std::strcmp(p.c_str() + at, key.c_str()); });
    EXPECT_EQ(found, entries[i].leaf) << key;
  }
}

TEST(BTree, RefusesEntriesLargerThanAPage) {
  BTreeEntry entry{std::string(100, 'k'), std::string(100, 'k')};
  EXPECT_THROW(BuildBTree({entry}, {0x0002, 64, "z4"}), std::length_error);
}
