// What the installation copies and whether every path it builds fits its
// buffer. Platform-free, so the bounds are tested natively.
#pragma once
#include <cstddef>

#include "common/text_scan.h"

namespace install {

// The shipped files, in copy order; the last one decides whether the
// installation went on. The build packs exactly these into the shipped
// folder and the archive: cmake/windows.cmake reads them from here.
inline constexpr const text::Unit* kInstallFiles[] = {UTF16("soBeep.exe"), UTF16("soBeep.hlp"),
                                                      UTF16("install.exe"), UTF16("soBeep.cnt"),
                                                      UTF16("soBeep.hed")};
extern const text::Unit kWriteTestFile[];

enum class PathProblem { kNone, kDestination, kModuleDirectory };

// Checks every join the installation will make (the write-test target and
// the source and target of each file) before anything touches the disk, so
// that a path too long for its buffer is refused whole rather than cut short.
PathProblem CheckInstallPaths(const text::Unit* moduleDir, const text::Unit* destDir);

// True when `name` joined to `dir` fits a path buffer.
bool JoinFits(const text::Unit* dir, const text::Unit* name);

}  // namespace install
