// The installer's association texts in their 300-byte work text, against
// any type name, destination and stored value: nothing is written past the
// buffer, refusals leave it as it was, and the command the shell will run
// gives the player back the destination's program and the shell's file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "installer/association_text.h"
#include "player/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr std::size_t kRegText = assoc::kRegTextSize;

void CheckAppendShellKey(const std::string& type, std::size_t capacity) {
  fuzz::GuardedBuffer text(capacity);
  text.Load(type);
  const std::string original = text.data();
  const std::string before = text.Bytes();
  const bool appended = assoc::AppendShellKey(text.data(), capacity);
  FUZZ_CHECK(text.GuardsIntact());
  FUZZ_CHECK(appended == (original.size() + 7 <= capacity));
  if (appended) {
    FUZZ_CHECK(original + "\\shell" == text.data());
  } else {
    FUZZ_CHECK(text.Bytes() == before);
  }
}

// What the shell does with the command: puts the file's path for %1.
std::string Substituted(const std::string& command, const std::string& file) {
  const std::size_t at = command.rfind("%1");
  return command.substr(0, at) + file + command.substr(at + 2);
}

void CheckBuildCommand(const std::string& destDir, const std::string& file, std::size_t capacity) {
  fuzz::GuardedBuffer out(capacity);
  out.Load("previous command");
  const std::string before = out.Bytes();
  const bool built = assoc::BuildCommand(out.data(), capacity, destDir.c_str());
  FUZZ_CHECK(out.GuardsIntact());
  const std::string expected = "\"" + destDir + "\\SoBeep.exe\" \"%1\"";
  FUZZ_CHECK(built == (expected.size() + 1 <= capacity));
  if (!built) {
    FUZZ_CHECK(out.Bytes() == before);
    return;
  }
  FUZZ_CHECK(expected == out.data());
  // Without quotes of its own in the destination, the player started by
  // this command takes exactly the shell's file as its wave file.
  if (destDir.find('"') != std::string::npos) return;
  const std::string line = Substituted(out.data(), file);
  char program[1024];
  FUZZ_CHECK(cmdline::TakeFirstArgument(line.c_str(), program, sizeof program));
  FUZZ_CHECK(destDir + "\\SoBeep.exe" == program);
  char path[260];
  const bool taken =
      cmdline::TakeFirstArgument(cmdline::SkipProgramName(line.c_str()), path, sizeof path);
  FUZZ_CHECK(taken == (file.size() < sizeof path));
  if (taken) FUZZ_CHECK(file == path);
}

void CheckTerminateStoredText(const std::string& stored, std::size_t storedSize,
                              std::size_t capacity) {
  fuzz::GuardedBuffer text(capacity);
  std::memset(text.data(), 0x5A, capacity);
  std::memcpy(text.data(), stored.data(), std::min(stored.size(), capacity));
  const std::string before = text.Bytes();
  const bool terminated = assoc::TerminateStoredText(text.data(), capacity, storedSize);
  FUZZ_CHECK(text.GuardsIntact());
  FUZZ_CHECK(text.Terminated());
  const std::string value = before.substr(0, std::min(storedSize, capacity));
  // A value shorter than the buffer always has room for its NUL; one that
  // fills it or more may be refused, and a refusal leaves no text.
  if (storedSize < capacity) FUZZ_CHECK(terminated);
  if (storedSize > capacity) FUZZ_CHECK(!terminated);
  FUZZ_CHECK(terminated ? value.substr(0, value.find('\0')) == text.data()
                        : text.data()[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::size_t small = 1 + choice % 40u;
  const std::string type = input.Text();
  const std::string destDir = input.Text();
  const std::string file = fuzz::Without(input.Text(), '"');
  CheckAppendShellKey(type, kRegText);
  CheckAppendShellKey(type, small);
  CheckBuildCommand(destDir, file, kRegText);
  CheckBuildCommand(destDir, file, small);

  // A stored value as the registry hands it over: the rest of the input,
  // NUL bytes and all, with a stored size that may claim more or less.
  std::string stored(reinterpret_cast<const char*>(data), size);
  stored.erase(0, std::min<std::size_t>(size, 1 + type.size() + destDir.size()));
  if (stored.size() > kRegText) stored.resize(kRegText);
  const std::size_t claimed = (choice & 0x80) ? stored.size() + (choice & 3) : stored.size();
  CheckTerminateStoredText(stored, std::min(claimed, kRegText + 3), kRegText);
  CheckTerminateStoredText(stored, std::min(claimed, small + 2), small);
  return 0;
}
