// The player's command line: the first argument is the wave file.
#pragma once
#include <cstddef>

namespace cmdline {

// What follows the program's own name, as the C runtime hands WinMain its
// command line: a quoted name ends at its closing quote, an unquoted one at
// the first character of code 0x20 or below; then every following character
// of code 0x20 or below is skipped. Bytes of 0x80 and above are text, also
// in an unquoted name.
const char* SkipProgramName(const char* commandLine);

// Copies the first argument into `out`: a leading double quote is dropped
// and a double quote ends the argument; otherwise a space ends it (a tab
// does not). The rest of the line is ignored. An argument that does not fit
// `capacity` bytes with its terminator is refused: `out` becomes empty, so
// no cut-off path is ever played. Returns false when refused.
bool TakeFirstArgument(const char* args, char* out, std::size_t capacity);

}  // namespace cmdline
