// Puts the real player into one of the poses that scripts/screenshots.sh
// photographs, prints the pose's screen rectangle ("x y width height") and
// holds it until the file named by the last argument exists.
//   ui_pose.exe PLAYER.exe WAVE.wav menu|properties|about DONE
//   ui_pose.exe PLAYER.exe - settings DONE
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "player/main_window.h"
#include "player/resources/resource.h"

namespace {

struct Query {
  DWORD pid;
  const char* windowClass;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
  Query& query = *reinterpret_cast<Query*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (pid != query.pid || !IsWindowVisible(window) || std::strcmp(name, query.windowClass) != 0)
    return TRUE;
  query.found = window;
  return FALSE;
}

HWND WaitForWindow(DWORD pid, const char* windowClass) {
  for (int i = 0; i < 200; ++i) {
    Query query = {pid, windowClass, nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&query));
    if (query.found) return query.found;
    Sleep(50);
  }
  return nullptr;
}

HWND WaitForMainWindow() {
  for (int i = 0; i < 200; ++i) {
    if (HWND window = FindWindowW(kMainWindowClass, kWindowTitle)) return window;
    Sleep(50);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const char* pose = argv[3];
  const bool settings = std::strcmp(pose, "settings") == 0;
  char commandLine[1024];
  std::snprintf(commandLine, sizeof commandLine, settings ? "\"%s\"" : "\"%s\" \"%s\"", argv[1],
                argv[2]);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION player = {};
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &player))
    return 1;

  HWND main = settings ? nullptr : WaitForMainWindow();
  if (!settings && !main) return 1;
  const char* shown = "#32770";
  if (std::strcmp(pose, "menu") == 0) {
    SetCursorPos(560, 420);
    Sleep(700);
    PostMessageA(main, WM_TRAY_NOTIFY, kTrayIconId, WM_RBUTTONDOWN);
    shown = "#32768";
  } else if (std::strcmp(pose, "properties") == 0) {
    PostMessageA(main, WM_COMMAND, IDM_PROPERTIES, 0);
  } else if (std::strcmp(pose, "about") == 0) {
    PostMessageA(main, WM_COMMAND, IDM_ABOUT, 0);
  }
  HWND window = WaitForWindow(player.dwProcessId, shown);
  if (!window) return 1;
  Sleep(800);  // let it paint
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);
  std::fflush(stdout);

  while (GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES) Sleep(100);
  if (std::strcmp(pose, "menu") == 0)
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  else
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  Sleep(300);
  if (main) PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
  WaitForSingleObject(player.hProcess, 10000);
  return 0;
}
