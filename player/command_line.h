// The player's command line: the first argument is the wave file.
#pragma once
#include <cstddef>

#include "common/utf16.h"

namespace cmdline {

// What follows the program's own name, as the C runtime hands WinMain its
// command line: a quoted name ends at its closing quote, an unquoted one at
// the first character of code 0x20 or below; then every following character
// of code 0x20 or below is skipped.
const text::Unit* SkipProgramName(const text::Unit* commandLine);

// Copies the first argument into `out`: a leading double quote is dropped
// and a double quote ends the argument; otherwise a space ends it (a tab
// does not). The rest of the line is ignored. An argument that does not fit
// `capacity` units with its terminator is refused: `out` becomes empty, so
// no cut-off path is ever played. Returns false when refused.
bool TakeFirstArgument(const text::Unit* args, text::Unit* out, std::size_t capacity);

}  // namespace cmdline
