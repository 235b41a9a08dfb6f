// The player's command-line parser against any UTF-16 text the shell or a
// user could hand it: it stays inside its 260-unit path, leaves a
// terminated result or an empty refusal, and gives a quoted path back whole.
#include <cstdint>
#include <string>

#include "common/text_scan.h"
#include "player/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using Text = std::u16string;

bool IsBlank(char16_t c) { return c <= 0x20; }

// Where the program name ends: after its closing quote, or at the first
// blank or control character.
std::size_t NameEnd(const Text& line) {
  if (!line.empty() && line[0] == u'"') {
    const std::size_t close = line.find(u'"', 1);
    return close == Text::npos ? line.size() : close + 1;
  }
  std::size_t i = 0;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  return i;
}

void CheckSkipProgramName(const Text& line) {
  const char16_t* args = cmdline::SkipProgramName(line.c_str());
  FUZZ_CHECK(args >= line.c_str() && args <= line.c_str() + line.size());
  const std::size_t at = static_cast<std::size_t>(args - line.c_str());
  FUZZ_CHECK(at >= NameEnd(line));
  for (std::size_t i = NameEnd(line); i < at; ++i) FUZZ_CHECK(IsBlank(line[i]));
  FUZZ_CHECK(*args == 0 || !IsBlank(*args));
}

// The argument as the design reads it, without any bound.
Text Expected(const Text& args) {
  if (!args.empty() && args[0] == u'"') return args.substr(1, args.find(u'"', 1) - 1);
  return args.substr(0, args.find(u' '));
}

void CheckTakeFirstArgument(const Text& args, std::size_t capacity) {
  fuzz::GuardedText out(capacity);
  out.Load(u"stale");
  const Text before = args;
  const bool taken = cmdline::TakeFirstArgument(args.c_str(), out.data(), capacity);
  FUZZ_CHECK(out.GuardsIntact());
  FUZZ_CHECK(args == before);
  FUZZ_CHECK(out.Terminated());
  const Text expected = Expected(args);
  FUZZ_CHECK(taken == (expected.size() + 1 <= capacity));
  FUZZ_CHECK(out.String() == (taken ? expected : Text()));
}

// The shell's form: "program" "path" with blanks between; the path comes
// back whole whenever it fits.
void CheckShellLine(const Text& program, const Text& path, const Text& gap) {
  const Text line = u'"' + program + u'"' + gap + u'"' + path + u'"';
  const char16_t* args = cmdline::SkipProgramName(line.c_str());
  fuzz::GuardedText out(text::kPathSize);
  const bool taken = cmdline::TakeFirstArgument(args, out.data(), text::kPathSize);
  FUZZ_CHECK(out.GuardsIntact());
  FUZZ_CHECK(taken == (path.size() < text::kPathSize));
  FUZZ_CHECK(out.String() == (taken ? path : Text()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::size_t smallCapacity = 1 + input.Byte() % 16;
  const Text line = input.Units();
  CheckSkipProgramName(line);
  const Text args = cmdline::SkipProgramName(line.c_str());
  CheckTakeFirstArgument(args, text::kPathSize);
  CheckTakeFirstArgument(args, smallCapacity);
  CheckTakeFirstArgument(line, text::kPathSize);

  Text gap;
  for (char16_t c : input.Units()) gap += static_cast<char16_t>(1 + c % 0x20);
  CheckShellLine(fuzz::Without(line, u'"'), fuzz::Without(input.Units(), u'"'), gap);
  return 0;
}
