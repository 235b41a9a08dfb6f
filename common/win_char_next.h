// CharNextA as the platform-free scans of common/text_scan take it: steps
// the double-byte characters of the system's ANSI code page whole.
#pragma once
#include <windows.h>

namespace text {

inline const char* WinCharNext(const char* p) { return CharNextA(p); }

}  // namespace text
