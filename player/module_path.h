// Paths of files that stand beside the player's own program file.
#pragma once
#include <cstddef>

#include "common/text_scan.h"

namespace paths {

// Turns the module file name in `path` (`moduleLength` units, as the module
// file name query reported it) into the path of `name` in the same
// directory. A length of 0 or one that fills the whole buffer means the
// query failed or cut the name, so nothing is built from it; a result that
// would not fit `capacity` is refused too. Returns false when refused.
bool BesideModule(text::Unit* path, std::size_t capacity, std::size_t moduleLength,
                  const text::Unit* name, bool slashIsSeparator);

// The help viewer that Wine brings refuses a help file whose full path is
// 128 characters or more (measured with ASCII paths: 127 open). It takes the
// path in the ANSI code page, so the bound is counted in its bytes there; a
// longer path goes to it in its short (8.3) form, which names the same file.
constexpr std::size_t kHelpViewerPathLimit = 128;

}  // namespace paths
