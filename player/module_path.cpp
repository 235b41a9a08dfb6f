#include "player/module_path.h"

namespace paths {

bool BesideModule(text::Unit* path, std::size_t capacity, std::size_t moduleLength,
                  const text::Unit* name, bool slashIsSeparator) {
  if (moduleLength == 0 || moduleLength >= capacity) return false;
  return text::ReplaceFileName(path, capacity, name, slashIsSeparator);
}

}  // namespace paths
