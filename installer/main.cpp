// The installer as a process: single instance, its own directory, and the
// installation dialog.
#include <windows.h>

#include <cstdlib>

#include "common/system_dll.h"
#include "common/text_scan.h"
#include "installer/install_dialog.h"
#include "installer/installer_state.h"
#include "installer/resources/resource.h"

InstallerState g_installer;

namespace {

// The dialog titles itself "soBeep のインストール"; FindWindowW compares
// titles without regard to case, so this finds it.
constexpr wchar_t kRunningInstallerTitle[] = L"SoBeep のインストール";

// The common controls come from the system folder (system_dll.h).
void InitCommonControls() {
  using InitCommonControlsCall = void(WINAPI*)();
  const auto init =
      sysdll::Find<InitCommonControlsCall>(sysdll::Load(L"comctl32.dll"), "InitCommonControls");
  if (init) init();
}

void FindModuleDirectory() {
  const DWORD length = GetModuleFileNameW(g_installer.hInstance, g_installer.moduleDir, MAX_PATH);
  if (length >= MAX_PATH) {
    g_installer.moduleDir[0] = '\0';
    g_installer.moduleDirTooLong = true;
    return;
  }
  text::CutAtLastSeparator(g_installer.moduleDir);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_installer.hInstance = instance;
  if (FindWindowW(L"#32770", kRunningInstallerTitle)) std::exit(0);
  InitCommonControls();
  FindModuleDirectory();
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_INSTALLER), nullptr, InstallDialogProc, 0);
  std::exit(0);
}
