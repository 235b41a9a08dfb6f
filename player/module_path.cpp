#include "player/module_path.h"

namespace paths {

bool BesideModule(char* path, std::size_t capacity, std::size_t moduleLength, const char* name,
                  text::CharStep next, bool slashIsSeparator) {
  if (moduleLength == 0 || moduleLength >= capacity) return false;
  return text::ReplaceFileName(path, capacity, name, next, slashIsSeparator);
}

bool FitsHelpViewer(std::size_t pathLength) { return pathLength < kHelpViewerPathLimit; }

}  // namespace paths
