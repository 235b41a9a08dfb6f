#include "player/dialogs.h"

#include <shellapi.h>

#include "common/win_char_next.h"
#include "player/module_path.h"
#include "player/player_state.h"
#include "player/playback.h"
#include "player/resources/resource.h"
#include "player/tray.h"
#include "settings/player_settings.h"
#include "settings/setting_rules.h"

namespace {

constexpr char kHomePage[] = "https://sobeep.example.org/";
constexpr char kInstaller[] = "Install.exe";
constexpr char kHelpFile[] = "soBeep.hlp";
constexpr char kInstallFailed[] =
    "インストーラの起動に失敗しました。\nsoBeep と同じディレクトリに Install.exe を置いてください";

// The path of `name` in the player's own directory, or false when it cannot
// be built whole: a cut path would start some other program or file.
bool BesideModule(char (&path)[MAX_PATH], const char* name, bool slashIsSeparator) {
  const DWORD length = GetModuleFileNameA(g_player.instance, path, MAX_PATH);
  return paths::BesideModule(path, MAX_PATH, length, name, text::WinCharNext, slashIsSeparator);
}

void CreateInstallButton(HWND dialog) {
  // Pixels, and no font: the button keeps the system font.
  CreateWindowExA(0, "BUTTON", "Install(&I)", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 40, 55, 80, 40,
                  dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_INSTALL)),
                  g_player.instance, nullptr);
}

void OnPropertiesInit(HWND dialog) {
  if (g_player.settingsMode) CreateInstallButton(dialog);
  CheckDlgButton(dialog, IDC_REPEAT, settings::IsOn(g_player.settings.Repeat) ? 1 : 0);
  CheckDlgButton(dialog, IDC_DELAY, settings::IsOn(g_player.settings.Delay) ? 1 : 0);
  SetWindowPos(dialog, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  SetFocus(GetDlgItem(dialog, IDOK));
}

void OnPropertiesOk(HWND dialog) {
  g_player.settings.Repeat = settings::FromCheckState(IsDlgButtonChecked(dialog, IDC_REPEAT));
  g_player.settings.Delay = settings::FromCheckState(IsDlgButtonChecked(dialog, IDC_DELAY));
  SaveSettings(g_settingsKey, g_player.settings);
  EndDialog(dialog, 1);
}

void OnInstall(HWND dialog) {
  char path[MAX_PATH];
  if (BesideModule(path, kInstaller, true) && WinExec(path, SW_SHOWDEFAULT) > 31) {
    EndDialog(dialog, 1);
    return;
  }
  MessageBoxA(dialog, kInstallFailed, "Install -WARNING-", MB_OK);
  EndDialog(dialog, 0);
}

INT_PTR OnPropertiesCommand(HWND dialog, WORD id) {
  switch (id) {
    case IDOK: OnPropertiesOk(dialog); return 1;
    case IDCANCEL: EndDialog(dialog, 0); return 1;
    case IDC_INSTALL: OnInstall(dialog); return 1;
    default: return 0;
  }
}

INT_PTR CALLBACK PropertiesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: OnPropertiesInit(dialog); return 0;
    case WM_COMMAND: return OnPropertiesCommand(dialog, LOWORD(wParam));
    default: return 0;
  }
}

// Next to the notification area: the right edge, 50 pixels above the bottom.
void OnAboutInit(HWND dialog, LPARAM screen) {
  RECT rect;
  GetWindowRect(dialog, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  SetWindowPos(dialog, nullptr, HIWORD(screen) - width, LOWORD(screen) - height - 50, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  SetFocus(GetDlgItem(dialog, IDOK));
}

INT_PTR OnAboutCommand(HWND dialog, WORD id) {
  switch (id) {
    case IDOK: EndDialog(dialog, 1); return 1;
    case IDCANCEL: EndDialog(dialog, 0); return 1;
    case IDC_URL:
      ShellExecuteA(nullptr, "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
      return 1;
    default: return 0;
  }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: OnAboutInit(dialog, lParam); return 0;
    case WM_COMMAND: return OnAboutCommand(dialog, LOWORD(wParam));
    default: return 0;
  }
}

LPARAM ScreenSize() {
  const DWORD width = static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN)) & 0xFFFF;
  const DWORD height = static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN)) & 0xFFFF;
  return static_cast<LPARAM>(width << 16 | height);
}

// Commands posted while a dialog is open run inside its modal loop, so a
// second one can come while the first is open.
void ShowDialogFromTray(HWND window, int templateId, DLGPROC procedure) {
  if (g_player.replay.DialogOpening() != playback::Decision::kShowDialog) return;
  PausePlayback();
  NotifyTray(NIM_DELETE, nullptr, nullptr);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), nullptr, procedure, ScreenSize());
  ResumePlayback();
  const playback::Decision afterwards = g_player.replay.DialogClosed();
  NotifyTray(NIM_ADD, g_player.iconA, kWindowTitle);
  CarryOut(window, afterwards);
}

}  // namespace

int RunSettingsMode() {
  g_player.settingsMode = 1;
  LoadSettings(g_settingsKey, g_player.settings);
  if (DialogBoxParamA(g_player.instance, MAKEINTRESOURCEA(IDD_PROPERTIES), nullptr,
                      PropertiesDialogProc, 0) == 1)
    SaveSettings(g_settingsKey, g_player.settings);
  g_player.settingsMode = 0;
  return 0;
}

void OnProperties(HWND window) { ShowDialogFromTray(window, IDD_PROPERTIES, PropertiesDialogProc); }

void OnAbout(HWND window) { ShowDialogFromTray(window, IDD_ABOUT, AboutDialogProc); }

// A help file the viewer cannot find is reported by the viewer itself; so
// is one whose short form cannot be had (a missing file has none).
void OnHelp(HWND window) {
  char path[MAX_PATH];
  if (!BesideModule(path, kHelpFile, false)) return;
  char shortPath[MAX_PATH];
  const char* viewed = path;
  if (!paths::FitsHelpViewer(lstrlenA(path))) {
    const DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (length > 0 && length < sizeof shortPath) viewed = shortPath;
  }
  WinHelpA(window, viewed, HELP_FINDER, 0);
}
