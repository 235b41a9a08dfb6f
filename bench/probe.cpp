// Starts one program inside the Wine session and reports what it cost, as
// one line of key=value pairs for bench.sh:
//   probe time PROGRAM [ARGS]   ms from CreateProcess to the process's end,
//                               and both moments on the host's real-time
//                               clock (start=, end=: Unix seconds), which
//                               the sink and tray watchers stamp with too
//   probe mem PROGRAM [ARGS]    the same, sampling the child's memory every
//                               millisecond: peak private bytes and peak
//                               working set
//   probe exit-player           asks a running player to exit, as its menu's
//                               Exit does
//   probe tray-hold             keeps an icon of its own in the tray until it
//                               is killed, as a desktop's other programs do
// Timing and sampling are separate runs: each sample is a round trip to the
// wineserver that would otherwise be counted against the program.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "player/main_window.h"
#include "player/resources/resource.h"

namespace {

std::string ChildCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 2; i < argc; ++i) {
    if (!line.empty()) line += ' ';
    const bool quote = std::strchr(argv[i], ' ') != nullptr;
    if (quote) line += '"';
    line += argv[i];
    if (quote) line += '"';
  }
  return line;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Wine reads the host's real-time clock for the system time, at 100 ns.
double UnixSeconds() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

struct MemoryPeaks {
  SIZE_T privateBytes = 0;
  SIZE_T workingSet = 0;
};

// The private bytes are the pagefile-backed ones: Wine leaves PrivateUsage
// at 0 for another process, and gives its peak as the current figure (its
// anonymous resident memory), so the peak is the largest sample.
void Sample(HANDLE process, MemoryPeaks& peaks) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return;
  if (counters.PagefileUsage > peaks.privateBytes) peaks.privateBytes = counters.PagefileUsage;
  if (counters.PeakWorkingSetSize > peaks.workingSet)
    peaks.workingSet = counters.PeakWorkingSetSize;
}

int Launch(bool sampleMemory, int argc, char** argv) {
  std::string line = ChildCommandLine(argc, argv);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  MemoryPeaks peaks;
  LARGE_INTEGER started, ended;
  const double startedAt = UnixSeconds();
  QueryPerformanceCounter(&started);
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &child)) {
    std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", line.c_str(), GetLastError());
    return 2;
  }
  if (sampleMemory) {
    do Sample(child.hProcess, peaks);
    while (WaitForSingleObject(child.hProcess, 1) == WAIT_TIMEOUT);
  } else {
    WaitForSingleObject(child.hProcess, INFINITE);
  }
  QueryPerformanceCounter(&ended);
  const double endedAt = UnixSeconds();
  DWORD exitCode = 0;
  GetExitCodeProcess(child.hProcess, &exitCode);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  std::printf("ms=%.2f exit=0x%lx start=%.6f end=%.6f", Milliseconds(started, ended), exitCode,
              startedAt, endedAt);
  if (sampleMemory)
    std::printf(" private=%zu ws=%zu", static_cast<size_t>(peaks.privateBytes),
                static_cast<size_t>(peaks.workingSet));
  std::printf("\n");
  return 0;
}

int ExitPlayer() {
  const HWND player = FindWindowW(kMainWindowClass, kWindowTitle);
  if (!player) {
    std::fprintf(stderr, "probe: no player window\n");
    return 1;
  }
  PostMessageA(player, WM_COMMAND, IDM_EXIT, 0);
  return 0;
}

// Wine's explorer shows its own tray window while it has icons and hides it
// when the last one goes; without a window manager that hide waits two
// seconds, in the Shell_NotifyIcon call of whoever removed the icon.
int HoldTrayIcon() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"SoBeepBenchTrayHolder";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_ICON;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  if (!window || !Shell_NotifyIconW(NIM_ADD, &icon)) {
    std::fprintf(stderr, "probe: cannot add a tray icon\n");
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "exit-player") == 0) return ExitPlayer();
  if (std::strcmp(mode, "tray-hold") == 0) return HoldTrayIcon();
  const bool time = std::strcmp(mode, "time") == 0;
  const bool mem = std::strcmp(mode, "mem") == 0;
  if ((!time && !mem) || argc < 3) {
    std::fprintf(stderr,
                 "usage: probe time|mem PROGRAM [ARGS] | probe exit-player | probe tray-hold\n");
    return 2;
  }
  return Launch(mem, argc, argv);
}
