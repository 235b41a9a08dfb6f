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

}  // namespace paths
