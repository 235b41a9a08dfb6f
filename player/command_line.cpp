#include "player/command_line.h"

namespace cmdline {

namespace {
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

const char* SkipProgramName(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !IsBlankOrControl(*p)) ++p;
  }
  while (*p != '\0' && IsBlankOrControl(*p)) ++p;
  return p;
}

bool TakeFirstArgument(const char* args, char* out, std::size_t capacity) {
  if (capacity == 0) return false;
  char terminator = ' ';
  const char* p = args;
  if (*p == '"') {
    terminator = '"';
    ++p;
  }
  std::size_t n = 0;
  for (; *p != '\0' && *p != terminator; ++p) {
    if (n + 1 >= capacity) {
      out[0] = '\0';
      return false;
    }
    out[n++] = *p;
  }
  out[n] = '\0';
  return true;
}

}  // namespace cmdline
