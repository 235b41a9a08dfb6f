// The player's two persisted settings and the routines that load and save
// them through the per-user key.
#pragma once
#include <cstdint>

class SettingsKey;

struct PlayerSettings {
  std::uint32_t Repeat;  // 8 = replay the file when it ends
  std::uint32_t Delay;   // 8 = on; kept and toggled, no effect on playback
};

// Loads both values; if either cannot be read, both become 0. Returns 1.
int LoadSettings(SettingsKey& key, PlayerSettings& settings);

// Saves both values as REG_DWORD; returns 1, or shows the caution box and
// returns 0 when the registry refuses (a failed Repeat skips Delay).
int SaveSettings(SettingsKey& key, const PlayerSettings& settings);
