#include "player/dialogs.h"

#include <objbase.h>
#include <shellapi.h>

#include "player/ansi_name.h"
#include "player/module_path.h"
#include "player/player_state.h"
#include "player/playback.h"
#include "player/resources/resource.h"
#include "player/tray.h"
#include "settings/player_settings.h"
#include "settings/setting_rules.h"

namespace {

constexpr wchar_t kHomePage[] = L"https://sobeep.example.org/";
constexpr wchar_t kInstaller[] = L"Install.exe";
constexpr wchar_t kHelpFile[] = L"soBeep.hlp";
constexpr wchar_t kInstallFailed[] =
    L"インストーラの起動に失敗しました。\nsoBeep と同じディレクトリに Install.exe を置いてください";

// The path of `name` in the player's own directory, or false when it cannot
// be built whole: a cut path would start some other program or file.
bool BesideModule(wchar_t (&path)[MAX_PATH], const wchar_t* name, bool slashIsSeparator) {
  const DWORD length = GetModuleFileNameW(g_player.instance, path, MAX_PATH);
  return paths::BesideModule(path, MAX_PATH, length, name, slashIsSeparator);
}

// The shell may hand a request on to extensions of its own, which need COM
// on the calling thread.
class ComApartment {
 public:
  ComApartment()
      : initialized_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

void CreateInstallButton(HWND dialog) {
  // Pixels, and no font: the button keeps the system font.
  CreateWindowExW(0, L"BUTTON", L"Install(&I)", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 40, 55, 80, 40,
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

enum class Launch { kStarted, kDeclined, kFailed };

// The installer asks for administrator rights. CreateProcess, and WinExec
// with it, refuses to start such a program; the shell starts it, and has
// Windows ask the user where it must. The path goes as the file to open,
// not as a command line, so no blank in it can make another program of it.
Launch StartInstaller(HWND dialog, const wchar_t* path) {
  const ComApartment com;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  // No error box of the shell's own: the warning below says what to do.
  // And the start is complete on return: settings mode then ends.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = dialog;
  info.lpVerb = L"open";
  info.lpFile = path;
  info.nShow = SW_SHOWDEFAULT;
  if (ShellExecuteExW(&info)) return Launch::kStarted;
  return GetLastError() == ERROR_CANCELLED ? Launch::kDeclined : Launch::kFailed;
}

void OnInstall(HWND dialog) {
  wchar_t path[MAX_PATH];
  const Launch launch =
      BesideModule(path, kInstaller, true) ? StartInstaller(dialog, path) : Launch::kFailed;
  switch (launch) {
    case Launch::kStarted: EndDialog(dialog, 1); return;
    // The user said no to the elevation: the installer is there, and the
    // dialog stays, to try again or to close.
    case Launch::kDeclined: return;
    case Launch::kFailed:
      MessageBoxW(dialog, kInstallFailed, L"Install -WARNING-", MB_OK);
      EndDialog(dialog, 0);
      return;
  }
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

void OpenHomePage() {
  const ComApartment com;
  ShellExecuteW(nullptr, L"open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR OnAboutCommand(HWND dialog, WORD id) {
  switch (id) {
    case IDOK: EndDialog(dialog, 1); return 1;
    case IDCANCEL: EndDialog(dialog, 0); return 1;
    case IDC_URL: OpenHomePage(); return 1;
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
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), nullptr, procedure, ScreenSize());
  ResumePlayback();
  const playback::Decision afterwards = g_player.replay.DialogClosed();
  NotifyTray(NIM_ADD, g_player.iconA, kWindowTitle);
  CarryOut(window, afterwards);
}

}  // namespace

int RunSettingsMode() {
  g_player.settingsMode = 1;
  LoadSettings(g_settingsKey, g_player.settings);
  if (DialogBoxParamW(g_player.instance, MAKEINTRESOURCEW(IDD_PROPERTIES), nullptr,
                      PropertiesDialogProc, 0) == 1)
    SaveSettings(g_settingsKey, g_player.settings);
  g_player.settingsMode = 0;
  return 0;
}

void OnProperties(HWND window) { ShowDialogFromTray(window, IDD_PROPERTIES, PropertiesDialogProc); }

void OnAbout(HWND window) { ShowDialogFromTray(window, IDD_ABOUT, AboutDialogProc); }

// A help file the viewer cannot find is reported by the viewer itself; so
// is one whose path neither converts nor has a short form (a missing file
// has none), which then goes to the viewer as it is.
void OnHelp(HWND window) {
  wchar_t path[MAX_PATH];
  if (!BesideModule(path, kHelpFile, false)) return;
  wchar_t viewed[MAX_PATH];
  const bool survives = NameSurvivingAnsi(path, viewed, paths::kHelpViewerPathLimit);
  WinHelpW(window, survives ? viewed : path, HELP_FINDER, 0);
}
