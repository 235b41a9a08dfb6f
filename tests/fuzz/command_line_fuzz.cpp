// The player's command-line parser against any text the shell or a user
// could hand it: it stays inside its 260-byte path, leaves a terminated
// result or an empty refusal, and gives a quoted path back whole.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/text_scan.h"
#include "player/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Where the program name ends: after its closing quote, or at the first
// blank or control character.
std::size_t NameEnd(const std::string& line) {
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    return close == std::string::npos ? line.size() : close + 1;
  }
  std::size_t i = 0;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  return i;
}

void CheckSkipProgramName(const std::string& line) {
  const char* args = cmdline::SkipProgramName(line.c_str());
  FUZZ_CHECK(args >= line.c_str() && args <= line.c_str() + line.size());
  const std::size_t at = static_cast<std::size_t>(args - line.c_str());
  FUZZ_CHECK(at >= NameEnd(line));
  for (std::size_t i = NameEnd(line); i < at; ++i) FUZZ_CHECK(IsBlank(line[i]));
  FUZZ_CHECK(*args == '\0' || !IsBlank(*args));
}

// The argument as the design reads it, without any bound.
std::string Expected(const std::string& args) {
  if (!args.empty() && args[0] == '"') return args.substr(1, args.find('"', 1) - 1);
  return args.substr(0, args.find(' '));
}

void CheckTakeFirstArgument(const std::string& args, std::size_t capacity) {
  fuzz::GuardedBuffer out(capacity);
  out.Load("stale");
  const std::string before = args;
  const bool taken = cmdline::TakeFirstArgument(args.c_str(), out.data(), capacity);
  FUZZ_CHECK(out.GuardsIntact());
  FUZZ_CHECK(args == before);
  FUZZ_CHECK(out.Terminated());
  const std::string expected = Expected(args);
  if (taken) {
    FUZZ_CHECK(std::strcmp(out.data(), expected.c_str()) == 0);
  } else {
    FUZZ_CHECK(out.data()[0] == '\0');
    FUZZ_CHECK(expected.size() + 1 > capacity);
  }
  FUZZ_CHECK(taken == (expected.size() + 1 <= capacity));
}

// The shell's form: "program" "path" with blanks between; the path comes
// back whole whenever it fits.
void CheckShellLine(const std::string& program, const std::string& path, const std::string& gap) {
  const std::string line = '"' + program + '"' + gap + '"' + path + '"';
  const char* args = cmdline::SkipProgramName(line.c_str());
  fuzz::GuardedBuffer out(text::kPathSize);
  const bool taken = cmdline::TakeFirstArgument(args, out.data(), text::kPathSize);
  FUZZ_CHECK(out.GuardsIntact());
  FUZZ_CHECK(taken == (path.size() < text::kPathSize));
  FUZZ_CHECK(taken ? path == out.data() : out.data()[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::size_t smallCapacity = 1 + input.Byte() % 16;
  const std::string line = input.Text();
  CheckSkipProgramName(line);
  const std::string args = cmdline::SkipProgramName(line.c_str());
  CheckTakeFirstArgument(args, text::kPathSize);
  CheckTakeFirstArgument(args, smallCapacity);
  CheckTakeFirstArgument(line, text::kPathSize);

  std::string gap;
  for (char c : input.Text()) gap += static_cast<char>(1 + static_cast<unsigned char>(c) % 0x20);
  CheckShellLine(fuzz::Without(line, '"'), fuzz::Without(input.Text(), '"'), gap);
  return 0;
}
