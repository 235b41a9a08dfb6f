#include "settings/player_settings.h"

#include "settings/settings_key.h"

int LoadSettings(SettingsKey& key, PlayerSettings& settings) {
  DWORD type = 0;
  try {
    key.ReadValue(L"Repeat", &type, &settings.Repeat, sizeof settings.Repeat);
    key.ReadValue(L"Delay", &type, &settings.Delay, sizeof settings.Delay);
  } catch (...) {
    settings.Repeat = 0;
    settings.Delay = 0;
  }
  return 1;
}

int SaveSettings(SettingsKey& key, const PlayerSettings& settings) {
  try {
    key.WriteValue(L"Repeat", REG_DWORD, &settings.Repeat, sizeof settings.Repeat);
    key.WriteValue(L"Delay", REG_DWORD, &settings.Delay, sizeof settings.Delay);
  } catch (...) {
    MessageBoxW(nullptr, L"レジストリに記録出来ませんでした。", L"soBeep -CAUTION-", MB_ICONERROR);
    return 0;
  }
  return 1;
}
