// Path scans and joins over UTF-16 text.
//
// They look at single code units: no unit of a surrogate pair, nor of any
// other character, has the code of the backslash or the slash. So a name
// such as "表" or "ソ", whose code page 932 form ends in the backslash's
// byte, is never taken for a separator, and no character stepping is needed.
#pragma once
#include <cstddef>

#include "common/utf16.h"

namespace text {

// Paths are held in buffers of this many units, the terminator included:
// MAX_PATH.
constexpr std::size_t kPathSize = 260;

// The last backslash (or also slash, when asked), or nullptr when there is
// none.
const Unit* LastSeparator(const Unit* s, bool slashIsSeparator);

// Cuts `path` at its last backslash or slash: the separator and the name
// behind it go; without a separator the whole text goes.
void CutAtLastSeparator(Unit* path);

// Replaces what follows the last separator with `name`; without a separator
// `name` replaces the whole text. Returns false, leaving `path` unchanged,
// when the result would not fit `capacity` units with its terminator.
bool ReplaceFileName(Unit* path, std::size_t capacity, const Unit* name, bool slashIsSeparator);

// Appends `name` to the directory text `path`, inserting a backslash unless
// the text is empty or already ends in a backslash or slash, and closes the
// result with two NULs (a one-entry list for SHFileOperation). Returns false,
// leaving `path` unchanged, when that would not fit `capacity` units.
bool JoinPath(Unit* path, std::size_t capacity, const Unit* name);

}  // namespace text
