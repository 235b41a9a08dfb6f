// UTF-16 text as the platform-free rules hold it. Windows builds them with
// wchar_t, the W calls' own 2-byte type, so the rules work on the calls'
// buffers as they are; the host, where wchar_t is 4 bytes, with char16_t.
// A literal of that type is written UTF16("...").
#pragma once
#include <cstddef>
#include <cstring>

#if defined(_WIN32)
#define UTF16(literal) L##literal
#else
#define UTF16(literal) u##literal
#endif

namespace text {

#if defined(_WIN32)
using Unit = wchar_t;
#else
using Unit = char16_t;
#endif
static_assert(sizeof(Unit) == 2, "one UTF-16 code unit");

// The units before the terminating NUL.
inline std::size_t Length(const Unit* s) {
  std::size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

inline void CopyUnits(Unit* to, const Unit* from, std::size_t count) {
  std::memcpy(to, from, count * sizeof(Unit));
}

}  // namespace text
