#include "installer/install_rules.h"

#include <cstring>

namespace install {

const char kWriteTestFile[] = "chimbell.tst";

bool JoinFits(const char* dir, const char* name, text::CharStep next) {
  const std::size_t length = std::strlen(dir);
  if (length >= text::kPathSize) return false;
  char path[text::kPathSize];
  std::memcpy(path, dir, length + 1);
  return text::JoinPath(path, sizeof path, name, next);
}

PathProblem CheckInstallPaths(const char* moduleDir, const char* destDir, text::CharStep next) {
  if (!JoinFits(destDir, kWriteTestFile, next)) return PathProblem::kDestination;
  for (const char* name : kInstallFiles) {
    if (!JoinFits(destDir, name, next)) return PathProblem::kDestination;
    if (!JoinFits(moduleDir, name, next)) return PathProblem::kModuleDirectory;
  }
  return PathProblem::kNone;
}

}  // namespace install
