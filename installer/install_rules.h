// What the installation copies and whether every path it builds fits its
// buffer. Platform-free, so the bounds are tested natively.
#pragma once
#include <cstddef>

#include "common/text_scan.h"

namespace install {

// The shipped files, in copy order; the last one decides whether the
// installation went on. The build packs exactly these into the shipped
// folder and the archive: cmake/windows.cmake reads them from here.
inline constexpr const char* kInstallFiles[] = {"soBeep.exe", "soBeep.hlp", "install.exe",
                                                "soBeep.cnt", "soBeep.hed"};
extern const char kWriteTestFile[];

enum class PathProblem { kNone, kDestination, kModuleDirectory };

// Checks every join the installation will make (the write-test target and
// the source and target of each file) before anything touches the disk, so
// that a path too long for its buffer is refused whole rather than cut short.
PathProblem CheckInstallPaths(const char* moduleDir, const char* destDir, text::CharStep next);

// True when `name` joined to `dir` fits a path buffer.
bool JoinFits(const char* dir, const char* name, text::CharStep next);

}  // namespace install
