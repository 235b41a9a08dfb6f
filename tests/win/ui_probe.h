// What the tray and dialog tests observe beyond the harness: the shell's
// tray (through its window and the trace hook DLL), popup menus, child
// processes, screen pixels and file copies of the programs.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/harness.h"

namespace probe {

constexpr char kPropertiesTitle[] = "SoBeepのプロパティ";

// Explorer shows its stand-alone tray window while at least one icon exists.
bool TrayIconShown();

// Starts the player `exe` on `hostWave` into `player` and waits for its
// main window and tray icon; the window, or nullptr.
HWND StartInTray(const std::string& exe, const std::string& hostWave,
                 std::unique_ptr<harness::Process>* player);

// The lines the trace hook DLL has written since this object was made.
class TraceLog {
 public:
  TraceLog();  // empties the log
  std::vector<std::string> Lines(const std::string& kind) const;
};

// The trace hook DLL's `procedure` installed as a WH_CALLWNDPROC hook into
// `thread` of another process, for the object's life.
class Hook {
 public:
  Hook(DWORD thread, const char* procedure);
  ~Hook();
  Hook(const Hook&) = delete;
  Hook& operator=(const Hook&) = delete;
  bool installed() const { return hook_ != nullptr; }

 private:
  HHOOK hook_ = nullptr;
};

// Starts tracing the shell's tray requests (the log keeps growing after).
bool TraceTray();

struct TrayRequest {
  DWORD tick;
  DWORD action;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
  unsigned long long owner;
  std::string image;  // digest of the request's data
};
std::vector<TrayRequest> TrayRequests(const TraceLog& log, HWND owner);

struct MenuItem {
  unsigned id;
  bool checked;
  bool separator;
  std::string text;
};
// Every popup menu that opened, in order, as the menu hook saw it.
std::vector<std::vector<MenuItem>> MenusOpened(const TraceLog& log);

// The visible popup menu window of `pid`, or nullptr.
HWND WaitForMenu(DWORD pid, DWORD timeoutMs);
// Keys through the menu's own loop, as typed.
void MenuKey(HWND menu, WPARAM virtualKey);
void MenuChar(HWND menu, char c);

// Processes started by `parent` whose program file is named `exe`.
std::vector<DWORD> ChildProcesses(DWORD parent, const char* exe);
void EndProcess(DWORD pid);
// Ends every running help viewer (they share one window class).
void EndHelpViewers();

// A colour on the screen as the user sees it.
COLORREF ScreenPixel(int x, int y);

std::string StandInExe();
std::string HelpFile();

// The ANSI code page of a program this one starts, which under Wine follows
// the locale of the test's entry (tests/win/CMakeLists.txt).
DWORD ChildAnsiCodePage();

// A test of the player in the tray: no stored settings, a fresh folder,
// the shell's tray traced, and the player the test started.
class TrayPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Starts `exe` on a tone of `seconds` in the folder and waits for its
  // main window and tray icon; the window, or nullptr.
  HWND StartOnTone(double seconds, const std::string& exe = harness::PlayerExe());
  // A button on the icon, as the shell reports it; the open menu.
  HWND OpenMenu(HWND window, LPARAM button = WM_RBUTTONDOWN);
  // Exit, as the menu sends it: the player ends with code 0.
  void ExitPlayer(HWND window);

  std::string dir_;
  std::unique_ptr<harness::Process> player_;
};

}  // namespace probe
