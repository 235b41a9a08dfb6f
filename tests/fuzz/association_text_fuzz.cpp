// The installer's association texts in their 300-unit work text, against
// any type name, destination and stored value: nothing is written past the
// buffer, refusals leave it as it was, and the command the shell will run
// gives the player back the destination's program and the shell's file.
#include <algorithm>
#include <cstdint>
#include <string>

#include "installer/association_text.h"
#include "player/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using Text = std::u16string;

constexpr std::size_t kRegText = assoc::kRegTextSize;

void CheckAppendShellKey(const Text& type, std::size_t capacity) {
  fuzz::GuardedText text(capacity);
  text.Load(type);
  const Text original = text.String();
  const Text before = text.Contents();
  const bool appended = assoc::AppendShellKey(text.data(), capacity);
  FUZZ_CHECK(text.GuardsIntact());
  FUZZ_CHECK(appended == (original.size() + 7 <= capacity));
  FUZZ_CHECK(appended ? original + u"\\shell" == text.String() : text.Contents() == before);
}

// What the shell does with the command: puts the file's path for %1.
Text Substituted(const Text& command, const Text& file) {
  const std::size_t at = command.rfind(u"%1");
  return command.substr(0, at) + file + command.substr(at + 2);
}

void CheckBuildCommand(const Text& destDir, const Text& file, std::size_t capacity) {
  fuzz::GuardedText out(capacity);
  out.Load(u"previous command");
  const Text before = out.Contents();
  const bool built = assoc::BuildCommand(out.data(), capacity, destDir.c_str());
  FUZZ_CHECK(out.GuardsIntact());
  const Text expected = u"\"" + destDir + u"\\SoBeep.exe\" \"%1\"";
  FUZZ_CHECK(built == (expected.size() + 1 <= capacity));
  if (!built) {
    FUZZ_CHECK(out.Contents() == before);
    return;
  }
  FUZZ_CHECK(expected == out.String());
  // Without quotes of its own in the destination, the player started by
  // this command takes exactly the shell's file as its wave file.
  if (destDir.find(u'"') != Text::npos) return;
  const Text line = Substituted(out.String(), file);
  fuzz::GuardedText program(1024);
  FUZZ_CHECK(cmdline::TakeFirstArgument(line.c_str(), program.data(), program.capacity()));
  FUZZ_CHECK(destDir + u"\\SoBeep.exe" == program.String());
  fuzz::GuardedText path(260);
  const bool taken = cmdline::TakeFirstArgument(cmdline::SkipProgramName(line.c_str()), path.data(),
                                                path.capacity());
  FUZZ_CHECK(taken == (file.size() < path.capacity()));
  if (taken) FUZZ_CHECK(file == path.String());
}

void CheckTerminateStoredText(const Text& stored, std::size_t storedUnits, std::size_t capacity) {
  fuzz::GuardedText text(capacity);
  std::fill(text.data(), text.data() + capacity, u'\x5A');
  std::copy(stored.begin(), stored.begin() + std::min(stored.size(), capacity), text.data());
  const Text before = text.Contents();
  const bool terminated = assoc::TerminateStoredText(text.data(), capacity, storedUnits);
  FUZZ_CHECK(text.GuardsIntact());
  FUZZ_CHECK(text.Terminated());
  const Text value = before.substr(0, std::min(storedUnits, capacity));
  // A value shorter than the buffer always has room for its NUL; one that
  // fills it or more may be refused, and a refusal leaves no text.
  if (storedUnits < capacity) FUZZ_CHECK(terminated);
  if (storedUnits > capacity) FUZZ_CHECK(!terminated);
  FUZZ_CHECK(text.String() == (terminated ? value.substr(0, value.find(u'\0')) : Text()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::size_t small = 1 + choice % 40u;
  const Text type = input.Units();
  const Text destDir = input.Units();
  const Text file = fuzz::Without(input.Units(), u'"');
  CheckAppendShellKey(type, kRegText);
  CheckAppendShellKey(type, small);
  CheckBuildCommand(destDir, file, kRegText);
  CheckBuildCommand(destDir, file, small);

  // A stored value as the registry hands it over: the rest of the input,
  // NUL units and all, with a stored size that may claim more or less.
  const std::string rest = input.Rest();
  Text stored;
  for (std::size_t i = 0; i + 1 < rest.size() && stored.size() < kRegText; i += 2)
    stored += static_cast<char16_t>(static_cast<unsigned char>(rest[i]) |
                                    static_cast<unsigned char>(rest[i + 1]) << 8);
  const std::size_t claimed = (choice & 0x80) ? stored.size() + (choice & 3) : stored.size();
  CheckTerminateStoredText(stored, std::min(claimed, kRegText + 3), kRegText);
  CheckTerminateStoredText(stored, std::min(claimed, small + 2), small);
  return 0;
}
