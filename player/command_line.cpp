#include "player/command_line.h"

namespace cmdline {

namespace {
bool IsBlankOrControl(text::Unit c) { return c <= UTF16(' '); }
}  // namespace

const text::Unit* SkipProgramName(const text::Unit* commandLine) {
  const text::Unit* p = commandLine;
  if (*p == UTF16('"')) {
    ++p;
    while (*p != 0 && *p != UTF16('"')) ++p;
    if (*p == UTF16('"')) ++p;
  } else {
    while (*p != 0 && !IsBlankOrControl(*p)) ++p;
  }
  while (*p != 0 && IsBlankOrControl(*p)) ++p;
  return p;
}

bool TakeFirstArgument(const text::Unit* args, text::Unit* out, std::size_t capacity) {
  if (capacity == 0) return false;
  text::Unit terminator = UTF16(' ');
  const text::Unit* p = args;
  if (*p == UTF16('"')) {
    terminator = UTF16('"');
    ++p;
  }
  std::size_t n = 0;
  for (; *p != 0 && *p != terminator; ++p) {
    if (n + 1 >= capacity) {
      out[0] = 0;
      return false;
    }
    out[n++] = *p;
  }
  out[n] = 0;
  return true;
}

}  // namespace cmdline
