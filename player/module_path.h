// Paths of files that stand beside the player's own program file.
#pragma once
#include <cstddef>

#include "common/text_scan.h"

namespace paths {

// Turns the module file name in `path` (`moduleLength` bytes, as the module
// file name query reported it) into the path of `name` in the same
// directory. A length of 0 or one that fills the whole buffer means the
// query failed or cut the name, so nothing is built from it; a result that
// would not fit `capacity` is refused too. Returns false when refused.
bool BesideModule(char* path, std::size_t capacity, std::size_t moduleLength, const char* name,
                  text::CharStep next, bool slashIsSeparator);

// The help viewer that Wine brings refuses a help file whose full path is
// 128 characters or more (measured: 127 open). Counted in bytes, a path
// with double-byte characters errs on the safe side.
constexpr std::size_t kHelpViewerPathLimit = 128;
// Whether the help file's path goes to the viewer as it is; a longer one
// goes in its short (8.3) form, which names the same file.
bool FitsHelpViewer(std::size_t pathLength);

}  // namespace paths
