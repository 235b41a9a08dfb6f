// The installer's process-wide state: one record, alive from static
// construction to process exit.
#pragma once
#include <windows.h>

#include "installer/association_text.h"
#include "settings/settings_key.h"

struct InstallerState {
  HINSTANCE hInstance = nullptr;
  wchar_t moduleDir[MAX_PATH] = {};
  // Set when the module's own path did not fit moduleDir: copying from a
  // cut-off directory would take the wrong files, so installing is refused.
  bool moduleDirTooLong = false;
  wchar_t destDir[MAX_PATH] = {};
  int busyCount = 0;
  wchar_t regText[assoc::kRegTextSize] = {};
  SettingsKey settingsKey{L"norvan", L"SoBeep"};
};

extern InstallerState g_installer;

constexpr wchar_t kInstallerTitle[] = L"soBeep のインストール";
