// The player: start-up, the hidden main window and shutdown.
#include <windows.h>

#include "player/command_line.h"
#include "player/dialogs.h"
#include "player/player_state.h"
#include "player/playback.h"
#include "player/resources/resource.h"
#include "player/tray.h"
#include "settings/player_settings.h"
#include "settings/setting_rules.h"
#include "settings/settings_key.h"

PlayerState g_player;
SettingsKey g_settingsKey(L"norvan", L"SoBeep");

namespace {

void OnCreate(HWND window) {
  SetTimer(window, kBlinkTimerId, kBlinkIntervalMs, nullptr);
  PostMessageW(window, WM_COMMAND, IDM_PLAY, 0);
}

void OnDestroy(HWND window) {
  KillTimer(window, kBlinkTimerId);
  OnEnd();
  PostQuitMessage(0);
}

void OnExit(HWND window) {
  PostMessageW(window, WM_COMMAND, IDM_STOP, 0);
  PostMessageW(window, WM_DESTROY, 0, 0);
}

void OnRepeat(HWND window) {
  g_player.settings.Repeat = settings::Toggled(g_player.settings.Repeat);
  SaveSettings(g_settingsKey, g_player.settings);
  CarryOut(window, g_player.replay.RepeatToggled());
}

void OnDelay() { g_player.settings.Delay = settings::Toggled(g_player.settings.Delay); }

void OnStartScreenSaver(HWND window) {
  SetForegroundWindow(window);
  SendMessageW(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

// Returns false for identifiers that are not the main window's commands.
bool OnCommand(HWND window, WORD id) {
  switch (id) {
    case IDM_EXIT: OnExit(window); return true;
    case IDM_PLAY: OnPlay(window); return true;
    case IDM_REPEAT: OnRepeat(window); return true;
    case IDM_STOP: OnStop(); return true;
    case IDM_DELAY: OnDelay(); return true;
    case IDM_PROPERTIES: OnProperties(window); return true;
    case IDM_HELP: OnHelp(window); return true;
    case IDM_ABOUT: OnAbout(window); return true;
    case IDM_START_MENU: OnStartScreenSaver(window); return true;
    default: return false;
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A registered message has no fixed number to switch on.
  if (message == g_player.taskbarCreated && message != 0) {
    OnTaskbarCreated();
    return 0;
  }
  switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_TIMER: OnBlinkTimer(); return 0;
    case MM_MCINOTIFY: OnPlaybackNotify(window, wParam); return 0;
    case WM_TRAY_NOTIFY: OnTrayNotify(window, lParam); return 0;
    case WM_COMMAND:
      if (OnCommand(window, LOWORD(wParam))) return 0;
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Start-ups take turns, from before the look-up of an older player until
// the new main window exists: otherwise a player that has not created its
// window yet is missed by the next one's look-up and plays on beside it.
// Nothing in a turn waits for the user, and a holder that dies gives it up;
// still, a turn not given up within a minute is not waited for. (A burst
// of 30 starts takes about 25 s of turns under Wine on a loaded machine.)
constexpr DWORD kStartupTurnMs = 60000;

HANDLE TakeStartupTurn() {
  const HANDLE turn = CreateMutexW(nullptr, FALSE, L"SoBeepStartup");
  if (turn) WaitForSingleObject(turn, kStartupTurnMs);
  return turn;
}

void EndStartupTurn(HANDLE turn) {
  if (!turn) return;
  ReleaseMutex(turn);
  CloseHandle(turn);
}

ULONGLONG StartTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// In a burst of starts the players can reach their turns out of order; the
// one started last is still the newest.
bool StartedAfter(HWND window, ULONGLONG start) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) return false;
  const ULONGLONG theirs = StartTime(process);
  CloseHandle(process);
  return theirs > start;
}

// A newer player always wins: the one in the tray stops and ends. Each one
// that was told so keeps its window until its process ends, so every window
// found is told, not only the first: the first may be one already ending.
// Returns false when a player started after this one is already there.
bool StopOlderInstance() {
  const ULONGLONG start = StartTime(GetCurrentProcess());
  bool newest = true;
  for (HWND older = FindWindowW(kMainWindowClass, kWindowTitle); older;
       older = FindWindowExW(nullptr, older, kMainWindowClass, kWindowTitle)) {
    if (StartedAfter(older, start)) {
      newest = false;
      continue;
    }
    PostMessageW(older, WM_COMMAND, IDM_STOP, 0);
    PostMessageW(older, WM_DESTROY, 0, 0);
  }
  return newest;
}

bool RegisterMainClass() {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = g_player.instance;
  windowClass.hIcon = LoadIconW(g_player.instance, MAKEINTRESOURCEW(IDI_SOBEEP));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kMainWindowClass;
  windowClass.hIconSm = LoadIconW(g_player.instance, MAKEINTRESOURCEW(IDI_TRAY_A));
  return RegisterClassExW(&windowClass) != 0;
}

HWND CreateMainWindow() {
  return CreateWindowExW(
      WS_EX_APPWINDOW, kMainWindowClass, kWindowTitle,
      WS_MINIMIZE | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, CW_USEDEFAULT,
      CW_USEDEFAULT, 300, 50, nullptr, nullptr, g_player.instance, nullptr);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_player.instance = instance;
  const HANDLE startupTurn = TakeStartupTurn();
  const bool newest = StopOlderInstance();

  // The full line in UTF-16: the ANSI one has every character outside the
  // code page replaced, best fit or "?", so it could name another file.
  const wchar_t* args = cmdline::SkipProgramName(GetCommandLineW());
  if (*args == 0) {
    EndStartupTurn(startupTurn);
    return RunSettingsMode();
  }
  // A newer player would have stopped this one had it come first.
  if (!newest) {
    EndStartupTurn(startupTurn);
    return 0;
  }

  LoadSettings(g_settingsKey, g_player.settings);
  cmdline::TakeFirstArgument(args, g_player.filePath, MAX_PATH);

  g_player.taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  if (!RegisterMainClass()) {
    EndStartupTurn(startupTurn);
    return 0;
  }
  LoadWaveAudio();
  g_player.mainWindow = CreateMainWindow();
  EndStartupTurn(startupTurn);
  if (!g_player.mainWindow) {
    MessageBoxW(nullptr, L"Windowが登録されませんでした。", L"ERROR", MB_ICONERROR);
    return 0;
  }
  SaveSettings(g_settingsKey, g_player.settings);

  const HINSTANCE windowInstance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(g_player.mainWindow, GWLP_HINSTANCE));
  g_player.iconA = LoadIconW(windowInstance, MAKEINTRESOURCEW(IDI_TRAY_A));
  g_player.iconB = LoadIconW(windowInstance, MAKEINTRESOURCEW(IDI_TRAY_B));
  NotifyTray(NIM_ADD, g_player.iconA, kWindowTitle);
  ShowWindow(g_player.mainWindow, SW_HIDE);
  UpdateWindow(g_player.mainWindow);

  const int exitCode = RunMessageLoop();
  NotifyTray(NIM_DELETE, nullptr, nullptr);
  SaveSettings(g_settingsKey, g_player.settings);
  return exitCode;
}
