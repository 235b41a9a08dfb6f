#include "common/text_scan.h"

namespace text {

namespace {

bool IsSeparator(Unit c, bool slashIsSeparator) {
  return c == UTF16('\\') || (slashIsSeparator && c == UTF16('/'));
}

}  // namespace

const Unit* LastSeparator(const Unit* s, bool slashIsSeparator) {
  const Unit* found = nullptr;
  for (const Unit* p = s; *p != 0; ++p)
    if (IsSeparator(*p, slashIsSeparator)) found = p;
  return found;
}

void CutAtLastSeparator(Unit* path) {
  const Unit* sep = LastSeparator(path, true);
  path[sep ? sep - path : 0] = 0;
}

bool ReplaceFileName(Unit* path, std::size_t capacity, const Unit* name, bool slashIsSeparator) {
  const Unit* sep = LastSeparator(path, slashIsSeparator);
  const std::size_t keep = sep ? static_cast<std::size_t>(sep - path) + 1 : 0;
  const std::size_t nameLength = Length(name);
  if (keep + nameLength + 1 > capacity) return false;
  CopyUnits(path + keep, name, nameLength + 1);
  return true;
}

bool JoinPath(Unit* path, std::size_t capacity, const Unit* name) {
  std::size_t n = Length(path);
  const bool addSeparator = n > 0 && !IsSeparator(path[n - 1], true);
  const std::size_t nameLength = Length(name);
  if (n + (addSeparator ? 1 : 0) + nameLength + 2 > capacity) return false;
  if (addSeparator) path[n++] = UTF16('\\');
  CopyUnits(path + n, name, nameLength + 1);
  path[n + nameLength + 1] = 0;
  return true;
}

}  // namespace text
