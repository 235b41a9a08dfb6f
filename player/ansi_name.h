// Names for the parts of the system that still take file names in the
// ANSI code page. Under Wine the wave device opens its file through
// mmioOpenW and the help viewer through WinHelpW, and both turn the name
// into the ANSI code page first, best fit included: "café.wav" became
// "cafe.wav" (another file), and "𠮷野.wav" nothing at all. A file's short
// (8.3) name is ASCII wherever the system makes one, so it passes whole.
#pragma once
#include <windows.h>

#include <cstddef>

// Writes into `out` a name of the file `path` that survives the conversion
// to the ANSI code page: `path` itself where it converts without loss and
// in fewer than `byteLimit` bytes, else its short form where that does.
// False when neither does (the file has no short form: it is missing, or
// its volume keeps no short names); then no name would open this file.
bool NameSurvivingAnsi(const wchar_t* path, wchar_t (&out)[MAX_PATH], std::size_t byteLimit);
