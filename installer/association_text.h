// The texts of the .wav association and their bounds in the 300-unit work
// text. Platform-free, so the bounds are tested natively.
#pragma once
#include <cstddef>

#include "common/utf16.h"

namespace assoc {

constexpr std::size_t kRegTextSize = 300;

constexpr text::Unit kWaveExtension[] = UTF16(".wav");
constexpr text::Unit kDefaultType[] = UTF16("SoBeep");
constexpr text::Unit kVerb[] = UTF16("sobeep");
constexpr text::Unit kCommandKey[] = UTF16("sobeep\\command");
constexpr text::Unit kBackupValue[] = UTF16("SoBeep.bak");

// Turns the type name T into T\shell in place; false, leaving it unchanged,
// when that would not fit `capacity` units.
bool AppendShellKey(text::Unit* type, std::size_t capacity);

// The shell command that starts the installed player on a file:
// "<destDir>\SoBeep.exe" "%1", with destDir exactly as typed. False, writing
// nothing, when it would not fit `capacity` units.
bool BuildCommand(text::Unit* out, std::size_t capacity, const text::Unit* destDir);

// Makes a registry value of `storedUnits` units just read into `text` a
// NUL-terminated text, also when the stored data lacks its NUL. False, with
// `text` emptied, when the text and its NUL do not fit `capacity` units.
bool TerminateStoredText(text::Unit* text, std::size_t capacity, std::size_t storedUnits);

}  // namespace assoc
