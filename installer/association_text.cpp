#include "installer/association_text.h"

namespace assoc {

namespace {

constexpr text::Unit kShellSuffix[] = UTF16("\\shell");
constexpr text::Unit kCommandHead[] = UTF16("\"");
constexpr text::Unit kCommandTail[] = UTF16("\\SoBeep.exe\" \"%1\"");

constexpr std::size_t Units(std::size_t bytes) { return bytes / sizeof(text::Unit); }

}  // namespace

bool AppendShellKey(text::Unit* type, std::size_t capacity) {
  const std::size_t length = text::Length(type);
  if (length + Units(sizeof kShellSuffix) > capacity) return false;
  text::CopyUnits(type + length, kShellSuffix, Units(sizeof kShellSuffix));
  return true;
}

bool BuildCommand(text::Unit* out, std::size_t capacity, const text::Unit* destDir) {
  const std::size_t headLength = Units(sizeof kCommandHead) - 1;
  const std::size_t dirLength = text::Length(destDir);
  if (headLength + dirLength + Units(sizeof kCommandTail) > capacity) return false;
  text::CopyUnits(out, kCommandHead, headLength);
  text::CopyUnits(out + headLength, destDir, dirLength);
  text::CopyUnits(out + headLength + dirLength, kCommandTail, Units(sizeof kCommandTail));
  return true;
}

bool TerminateStoredText(text::Unit* text, std::size_t capacity, std::size_t storedUnits) {
  if (capacity == 0) return false;
  if (storedUnits > capacity) {
    text[0] = 0;
    return false;
  }
  if (storedUnits > 0 && text[storedUnits - 1] == 0) return true;
  if (storedUnits == capacity) {
    text[0] = 0;
    return false;
  }
  text[storedUnits] = 0;
  return true;
}

}  // namespace assoc
