#include "common/text_scan.h"

#include <cstring>

namespace text {

bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

const char* Cp932Next(const char* p) {
  if (*p == '\0') return p;
  if (IsCp932LeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0') return p + 2;
  return p + 1;
}

namespace {

bool IsSeparator(const char* c, const char* next, bool slashIsSeparator) {
  return next == c + 1 && (*c == '\\' || (slashIsSeparator && *c == '/'));
}

// Start of the last character, or nullptr for an empty text.
const char* LastCharacter(const char* s, CharStep next) {
  const char* last = nullptr;
  for (const char* p = s; *p != '\0'; p = next(p)) last = p;
  return last;
}

}  // namespace

const char* LastSeparator(const char* s, CharStep next, bool slashIsSeparator) {
  const char* found = nullptr;
  for (const char* p = s; *p != '\0';) {
    const char* n = next(p);
    if (IsSeparator(p, n, slashIsSeparator)) found = p;
    p = n;
  }
  return found;
}

void CutAtLastSeparator(char* path, CharStep next) {
  const char* sep = LastSeparator(path, next, true);
  path[sep ? sep - path : 0] = '\0';
}

bool ReplaceFileName(char* path, std::size_t capacity, const char* name, CharStep next,
                     bool slashIsSeparator) {
  const char* sep = LastSeparator(path, next, slashIsSeparator);
  const std::size_t keep = sep ? static_cast<std::size_t>(sep - path) + 1 : 0;
  const std::size_t nameLength = std::strlen(name);
  if (keep + nameLength + 1 > capacity) return false;
  std::memcpy(path + keep, name, nameLength + 1);
  return true;
}

bool JoinPath(char* path, std::size_t capacity, const char* name, CharStep next) {
  std::size_t n = std::strlen(path);
  bool addSeparator = false;
  if (n > 0) {
    const char* last = LastCharacter(path, next);
    addSeparator = !IsSeparator(last, next(last), true);
  }
  const std::size_t nameLength = std::strlen(name);
  if (n + (addSeparator ? 1 : 0) + nameLength + 2 > capacity) return false;
  if (addSeparator) path[n++] = '\\';
  std::memcpy(path + n, name, nameLength + 1);
  path[n + nameLength + 1] = '\0';
  return true;
}

}  // namespace text
