// What the end-to-end tests need to drive the real programs under Wine and
// to observe them as a user or the shell could: processes and exit codes,
// windows, message boxes, registry values and the captured audio.
//
// Texts and paths are UTF-8 here, and every call that takes or gives one is
// a wide call: the ANSI ones lose whatever the code page cannot hold, as
// the programs under test once did.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "player/main_window.h"
#include "player/resources/resource.h"

namespace harness {

// UTF-8 and UTF-16, both ways.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);

// An ASCII text of the programs as the tests' UTF-8 one.
template <std::size_t N>
struct AsciiText {
  char text[N] = {};
  constexpr explicit AsciiText(const wchar_t (&wide)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = static_cast<char>(wide[i]);
  }
};

// The player's main window, as the shell and a newer player look it up, and
// the commands that a test posts to it as its menu would.
inline constexpr AsciiText kClassText(kMainWindowClass);
inline constexpr AsciiText kTitleText(kWindowTitle);
constexpr const char* kClass = kClassText.text;
constexpr const char* kTitle = kTitleText.text;
constexpr WPARAM kExit = IDM_EXIT, kStop = IDM_STOP, kShowProperties = IDM_PROPERTIES;

// `s` in double quotes, as the shell passes a path for "%1".
std::string Quoted(const std::string& s);

// The Windows path of a host path, and back. The tests' own folders are on
// drive T:, which the session maps to the tests' temporary folder, so that
// their Windows paths are as short as on a user's machine however deep the
// checkout lies; any other host path is reached through Z:, the host's root.
std::string WinPath(const std::string& hostPath);
std::string HostPath(const std::string& winPath);
// The programs under test, as Windows paths.
std::string PlayerExe();
// The files a user gets, in the installer's order.
std::vector<std::string> ShippedFiles();
// Copies them from the unpacked zip `distDir` into `hostDir`, as a user
// unzips them there.
void Unpack(const std::string& distDir, const std::string& hostDir);
// A fresh, empty host directory for the running test.
std::string FreshDir();

// Writes a 16-bit mono PCM wave file of `seconds` at `rate` and returns the
// bytes of its data chunk. `seed` varies the tone so files differ.
std::string WriteWave(const std::string& hostPath, double seconds, unsigned seed = 1,
                      unsigned rate = 22050);
std::string ReadFile(const std::string& hostPath);
// Files and folders by host path, through the wide calls (with the
// long-path prefix, so paths near or over MAX_PATH work too).
bool Exists(const std::string& hostPath);
bool MakeDirectory(const std::string& hostPath);
DWORD Attributes(const std::string& hostPath);
bool SetAttributes(const std::string& hostPath, DWORD attributes);
bool DeleteHostFile(const std::string& hostPath);
// Copies the file at the Windows path `winSource` to `hostTarget`.
bool CopyTo(const std::string& winSource, const std::string& hostTarget);

// True when `captured` is the wave data `data`, apart from silence before
// and after it: Wine's ALSA output writes a period of silence whenever it
// finds its buffer empty while the stream runs, which happens now and then
// just before the first data arrives or just after the last has gone
// (tests/win/output_padding_limit.txt). Silence inside the data is a fault:
// nothing fills a gap there.
constexpr std::size_t kOutputPaddingLimit = SOBEEP_OUTPUT_PADDING_LIMIT;
::testing::AssertionResult SameAudio(const std::string& captured, const std::string& data);
// The same for a run cut short (by Exit or a newer player): the beginning
// of the data, any length of it, with the same silences allowed around it;
// a whole run is one too.
::testing::AssertionResult StartOfAudio(const std::string& captured, const std::string& data);
void WriteFile(const std::string& hostPath, const std::string& bytes);

// The audio that players wrote since this object was made: one file per
// open of the playback device, in the session's capture folder.
class Capture {
 public:
  Capture();                               // empties the capture folder
  std::vector<std::string> Files() const;  // PATH, PATH.0001, ... in order
  std::size_t Opens() const { return Files().size(); }
  std::string Bytes() const;                 // all files, concatenated
  std::uint64_t Size() const;                // their sizes, added up
  std::string Run(std::size_t index) const;  // the bytes of one open
  // Waits until the audio has not grown for `quietMs` (the sound stopped
  // or paused); false when it kept growing until the timeout.
  bool WaitQuiet(DWORD quietMs, DWORD timeoutMs) const;
  // Waits until the audio grows (the sound goes on).
  bool WaitGrowing(DWORD timeoutMs) const;
  // While alive, the capture device cannot be opened: the capture folder is
  // replaced by a plain file of the same name.
  class Broken {
   public:
    Broken();
    ~Broken();
  };

 private:
  std::string base_;
};

class Process {
 public:
  // Starts `exe` with the raw argument text `args`, as the shell passes it,
  // quotes and all.
  Process(const std::string& exe, const std::string& args);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  DWORD pid() const { return info_.dwProcessId; }
  bool started() const { return info_.hProcess != nullptr; }
  // Waits for the process to end; false on timeout.
  bool WaitExit(DWORD timeoutMs);
  bool Running() const;
  DWORD ExitCode() const;

 private:
  PROCESS_INFORMATION info_ = {};
};

// Every timeout and observation window of the tests is given for an
// unloaded machine of this project's kind; SOBEEP_TIMEOUT_SCALE (a factor,
// default 1) stretches them all on a slower one.
DWORD Scaled(DWORD ms);
// Waits until `condition` holds; false when it did not within the
// (scaled) timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 20);
// The check that something does not happen: true when `condition` held at
// every look for the whole (scaled) window, false at the first look where
// it did not.
bool HoldsFor(const std::function<bool()>& condition, DWORD windowMs, DWORD stepMs = 20);

// The top-level windows of `pid`, in the system's order.
std::vector<HWND> TopLevelWindows(DWORD pid);
// A top-level window of `pid` with this class and title (nullptr: any).
HWND FindProcessWindow(DWORD pid, const char* windowClass, const char* title, bool visibleOnly);
HWND WaitForProcessWindow(DWORD pid, const char* windowClass, const char* title, DWORD timeoutMs,
                          bool visibleOnly = false);
// The main window of a player the test started, once it is there.
HWND WaitForPlayerWindow(const Process& player, DWORD timeoutMs = 10000);
std::string WindowText(HWND window);
// The top-level windows of `pid`, one line each, for failure messages.
std::string DescribeWindows(DWORD pid);
std::string ClassName(HWND window);

// A visible dialog of `pid` other than `dialog` (a message box, the folder
// browser, whatever its caption), or nullptr.
HWND WaitForOtherDialog(DWORD pid, HWND dialog, DWORD timeoutMs);
// A visible message box of `pid` with this caption, or nullptr.
HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
// Presses one of a dialog's buttons, as a click would.
void PressButton(HWND dialog, int id);

// The player's per-user settings key.
namespace settings {
constexpr char kKey[] = "Software\\norvan\\SoBeep";
void Remove();
// A fresh key holding only these two values.
void Replace(DWORD repeat, DWORD delay);
void SetDword(const char* name, DWORD value);
void SetRaw(const char* name, DWORD type, const void* data, DWORD size);
// True when the value exists; its type and up to 4 bytes of data.
bool Read(const char* name, DWORD* type, DWORD* value, DWORD* size = nullptr);
bool KeyExists();
}  // namespace settings

}  // namespace harness
