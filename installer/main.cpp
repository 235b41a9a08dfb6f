// The installer as a process: single instance, its own directory, and the
// installation dialog.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "common/text_scan.h"
#include "common/win_char_next.h"
#include "installer/install_dialog.h"
#include "installer/installer_state.h"
#include "installer/resources/resource.h"

InstallerState g_installer;

namespace {

// The dialog titles itself "soBeep のインストール"; FindWindowA compares
// titles without regard to case, so this finds it.
constexpr char kRunningInstallerTitle[] = "SoBeep のインストール";

void FindModuleDirectory() {
  const DWORD length = GetModuleFileNameA(g_installer.hInstance, g_installer.moduleDir, MAX_PATH);
  if (length >= MAX_PATH) {
    g_installer.moduleDir[0] = '\0';
    g_installer.moduleDirTooLong = true;
    return;
  }
  text::CutAtLastSeparator(g_installer.moduleDir, text::WinCharNext);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_installer.hInstance = instance;
  if (FindWindowA("#32770", kRunningInstallerTitle)) std::exit(0);
  InitCommonControls();
  FindModuleDirectory();
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INSTALLER), nullptr, InstallDialogProc, 0);
  std::exit(0);
}
