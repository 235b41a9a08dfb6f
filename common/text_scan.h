// Path scans and joins over 8-bit text in the ANSI code page.
//
// The Windows code steps through characters with CharNextA; the host build
// uses Cp932Next, which steps the same way for code page 932, so these rules
// are tested and fuzzed without Windows. A trail byte of 0x5C (the backslash's
// code) inside a double-byte character is never taken for a separator.
#pragma once
#include <cstddef>

namespace text {

// Paths are held in buffers of this many bytes, the terminator included:
// MAX_PATH (common/win_char_next.h holds the two together).
constexpr std::size_t kPathSize = 260;

using CharStep = const char* (*)(const char*);

// True for the lead bytes of double-byte characters in code page 932.
bool IsCp932LeadByte(unsigned char c);

// Next character in code page 932, as CharNextA steps it: a lead byte
// followed by a non-NUL byte is one character; the terminator is not passed.
const char* Cp932Next(const char* p);

// The last character that is a backslash (or also a slash, when asked),
// or nullptr when there is none.
const char* LastSeparator(const char* s, CharStep next, bool slashIsSeparator);

// Cuts `path` at its last backslash or slash: the separator and the name
// behind it go; without a separator the whole text goes.
void CutAtLastSeparator(char* path, CharStep next);

// Replaces what follows the last separator with `name`; without a separator
// `name` replaces the whole text. Returns false, leaving `path` unchanged,
// when the result would not fit `capacity` bytes with its terminator.
bool ReplaceFileName(char* path, std::size_t capacity, const char* name, CharStep next,
                     bool slashIsSeparator);

// Appends `name` to the directory text `path`, inserting a backslash unless
// the text is empty or already ends in a backslash or slash, and closes the
// result with two NULs (a one-entry list for SHFileOperation). Returns false,
// leaving `path` unchanged, when that would not fit `capacity` bytes.
bool JoinPath(char* path, std::size_t capacity, const char* name, CharStep next);

}  // namespace text
