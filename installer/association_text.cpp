#include "installer/association_text.h"

#include <cstring>

namespace assoc {

namespace {

constexpr char kShellSuffix[] = "\\shell";
constexpr char kCommandHead[] = "\"";
constexpr char kCommandTail[] = "\\SoBeep.exe\" \"%1\"";

}  // namespace

bool AppendShellKey(char* type, std::size_t capacity) {
  const std::size_t length = std::strlen(type);
  if (length + sizeof kShellSuffix > capacity) return false;
  std::memcpy(type + length, kShellSuffix, sizeof kShellSuffix);
  return true;
}

bool BuildCommand(char* out, std::size_t capacity, const char* destDir) {
  const std::size_t headLength = sizeof kCommandHead - 1;
  const std::size_t dirLength = std::strlen(destDir);
  if (headLength + dirLength + sizeof kCommandTail > capacity) return false;
  std::memcpy(out, kCommandHead, headLength);
  std::memcpy(out + headLength, destDir, dirLength);
  std::memcpy(out + headLength + dirLength, kCommandTail, sizeof kCommandTail);
  return true;
}

bool TerminateStoredText(char* text, std::size_t capacity, std::size_t storedSize) {
  if (capacity == 0) return false;
  if (storedSize > capacity) {
    text[0] = '\0';
    return false;
  }
  if (storedSize > 0 && text[storedSize - 1] == '\0') return true;
  if (storedSize == capacity) {
    text[0] = '\0';
    return false;
  }
  text[storedSize] = '\0';
  return true;
}

}  // namespace assoc
