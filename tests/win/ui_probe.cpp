#include "tests/win/ui_probe.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/win/harness.h"

namespace probe {

namespace {

std::string HookDll() { return harness::WinPath(SOBEEP_TRACE_HOOK_DLL); }
std::string LogPath() { return std::string(SOBEEP_TRACE_HOOK_DLL) + ".log"; }

HMODULE HookModule() {
  static HMODULE module = LoadLibraryW(harness::Wide(HookDll()).c_str());
  return module;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

// Where no tray of the display takes the icons, Wine shows a window of its
// own that holds them while there is at least one, and hides it when the
// last goes: Wine 8 a stand-alone tray window, Wine 10 the taskbar's tray
// window itself (which Wine 8 keeps hidden).
bool TrayIconShown() {
  for (const char* name : {"__winex11_standalone_tray", "Shell_TrayWnd"}) {
    HWND tray = FindWindowA(name, nullptr);
    if (tray && IsWindowVisible(tray)) return true;
  }
  return false;
}

HWND StartInTray(const std::string& exe, const std::string& hostWave,
                 std::unique_ptr<harness::Process>* player) {
  player->reset(new harness::Process(exe, harness::Quoted(harness::WinPath(hostWave))));
  HWND window =
      harness::WaitForProcessWindow((*player)->pid(), harness::kClass, harness::kTitle, 10000);
  EXPECT_TRUE(window) << "no main window";
  if (!window) return nullptr;
  EXPECT_TRUE(harness::WaitUntil(TrayIconShown, 5000)) << "no tray icon";
  return window;
}

TraceLog::TraceLog() { harness::WriteFile(LogPath(), ""); }

std::vector<std::string> TraceLog::Lines(const std::string& kind) const {
  std::vector<std::string> lines;
  for (const std::string& line : Split(harness::ReadFile(LogPath()), '\n'))
    if (line.compare(0, kind.size() + 1, kind + " ") == 0) lines.push_back(line);
  return lines;
}

Hook::Hook(DWORD thread, const char* procedure) {
  HMODULE module = HookModule();
  if (!module) return;
  HOOKPROC entry =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, procedure)));
  if (entry) hook_ = SetWindowsHookExA(WH_CALLWNDPROC, entry, module, thread);
}

Hook::~Hook() {
  if (hook_) UnhookWindowsHookEx(hook_);
}

bool TraceTray() {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (!tray) return false;
  Hook hook(GetWindowThreadProcessId(tray, nullptr), "TrayTraceHook");
  if (!hook.installed()) return false;
  // The hook's first call in the shell's thread starts the tracing there.
  SendMessageA(tray, WM_NULL, 0, 0);
  return true;
}

std::vector<TrayRequest> TrayRequests(const TraceLog& log, HWND owner) {
  std::vector<TrayRequest> requests;
  for (const std::string& line : log.Lines("tray")) {
    unsigned long tick = 0, action = 0;
    unsigned long long window = 0;
    char image[16] = "";
    if (std::sscanf(line.c_str(), "tray %lu %lu %llx %15s", &tick, &action, &window, image) != 4)
      continue;
    if (window != reinterpret_cast<unsigned long long>(owner)) continue;
    requests.push_back({static_cast<DWORD>(tick), static_cast<DWORD>(action), window, image});
  }
  return requests;
}

std::vector<std::vector<MenuItem>> MenusOpened(const TraceLog& log) {
  std::vector<std::vector<MenuItem>> menus;
  for (const std::string& line : log.Lines("menu")) {
    std::vector<std::string> fields = Split(line, '|');
    std::vector<MenuItem> items;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::vector<std::string> parts = Split(fields[i], ':');
      if (parts.size() < 3) continue;
      MenuItem item;
      item.id = static_cast<unsigned>(std::strtoul(parts[0].c_str(), nullptr, 10));
      item.checked = parts[1].find('c') != std::string::npos;
      item.separator = parts[1].find('s') != std::string::npos;
      item.text = fields[i].substr(parts[0].size() + parts[1].size() + 2);
      items.push_back(item);
    }
    menus.push_back(items);
  }
  return menus;
}

HWND WaitForMenu(DWORD pid, DWORD timeoutMs) {
  return harness::WaitForProcessWindow(pid, "#32768", nullptr, timeoutMs, true);
}

void MenuKey(HWND menu, WPARAM virtualKey) {
  PostMessageA(menu, WM_KEYDOWN, virtualKey, 0);
  PostMessageA(menu, WM_KEYUP, virtualKey, 0xC0000000);
}

void MenuChar(HWND menu, char c) { PostMessageA(menu, WM_CHAR, static_cast<unsigned char>(c), 0); }

std::vector<DWORD> ChildProcesses(DWORD parent, const char* exe) {
  std::vector<DWORD> children;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return children;
  const std::wstring name = harness::Wide(exe);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ParentProcessID == parent && lstrcmpiW(entry.szExeFile, name.c_str()) == 0)
      children.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return children;
}

void EndProcess(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) return;
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
}

void EndHelpViewers() {
  while (HWND viewer = FindWindowA("MS_WINHELP", nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(viewer, &pid);
    EndProcess(pid);
    if (!harness::WaitUntil([&] { return !IsWindow(viewer); }, 5000)) return;
  }
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

std::string StandInExe() { return harness::WinPath(SOBEEP_STAND_IN_EXE); }

DWORD ChildAnsiCodePage() {
  harness::Process standIn(StandInExe(), "acp");
  return standIn.WaitExit(20000) ? standIn.ExitCode() : 0;
}
std::string HelpFile() { return harness::WinPath(SOBEEP_HELP_FILE); }

void TrayPlayerTest::SetUp() {
  harness::settings::Remove();
  dir_ = harness::FreshDir();
  ASSERT_TRUE(TraceTray());
}

HWND TrayPlayerTest::StartOnTone(double seconds, const std::string& exe) {
  harness::WriteWave(dir_ + "/tone.wav", seconds);
  return StartInTray(exe, dir_ + "/tone.wav", &player_);
}

HWND TrayPlayerTest::OpenMenu(HWND window, LPARAM button) {
  PostMessageA(window, WM_TRAY_NOTIFY, kTrayIconId, button);
  return WaitForMenu(player_->pid(), 5000);
}

void TrayPlayerTest::ExitPlayer(HWND window) {
  PostMessageA(window, WM_COMMAND, harness::kExit, 0);
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u);
}

}  // namespace probe
