// CharNextA as the platform-free scans of common/text_scan take it: steps
// the double-byte characters of the system's ANSI code page whole.
#pragma once
#include <windows.h>

#include "common/text_scan.h"

namespace text {

static_assert(kPathSize == MAX_PATH, "the platform-free path buffers are MAX_PATH bytes");

inline const char* WinCharNext(const char* p) { return CharNextA(p); }

}  // namespace text
