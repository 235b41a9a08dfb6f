#include "installer/install_rules.h"

#include <cstring>

namespace install {

const text::Unit kWriteTestFile[] = UTF16("chimbell.tst");

bool JoinFits(const text::Unit* dir, const text::Unit* name) {
  const std::size_t length = text::Length(dir);
  if (length >= text::kPathSize) return false;
  text::Unit path[text::kPathSize];
  std::memcpy(path, dir, (length + 1) * sizeof(text::Unit));
  return text::JoinPath(path, text::kPathSize, name);
}

PathProblem CheckInstallPaths(const text::Unit* moduleDir, const text::Unit* destDir) {
  if (!JoinFits(destDir, kWriteTestFile)) return PathProblem::kDestination;
  for (const text::Unit* name : kInstallFiles) {
    if (!JoinFits(destDir, name)) return PathProblem::kDestination;
    if (!JoinFits(moduleDir, name)) return PathProblem::kModuleDirectory;
  }
  return PathProblem::kNone;
}

}  // namespace install
