// The texts of the .wav association and their bounds in the 300-byte work
// text. Platform-free, so the bounds are tested natively.
#pragma once
#include <cstddef>

namespace assoc {

constexpr std::size_t kRegTextSize = 300;

constexpr char kWaveExtension[] = ".wav";
constexpr char kDefaultType[] = "SoBeep";
constexpr char kVerb[] = "sobeep";
constexpr char kCommandKey[] = "sobeep\\command";
constexpr char kBackupValue[] = "SoBeep.bak";

// Turns the type name T into T\shell in place; false, leaving it unchanged,
// when that would not fit `capacity` bytes.
bool AppendShellKey(char* type, std::size_t capacity);

// The shell command that starts the installed player on a file:
// "<destDir>\SoBeep.exe" "%1", with destDir exactly as typed. False, writing
// nothing, when it would not fit `capacity` bytes.
bool BuildCommand(char* out, std::size_t capacity, const char* destDir);

// Makes a registry value of `storedSize` bytes just read into `text` a
// NUL-terminated text, also when the stored data lacks its NUL. False, with
// `text` emptied, when the text and its NUL do not fit `capacity` bytes.
bool TerminateStoredText(char* text, std::size_t capacity, std::size_t storedSize);

}  // namespace assoc
