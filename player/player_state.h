// The player's process-wide state and the names other processes find it by.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include "player/replay_rules.h"
#include "settings/player_settings.h"

class SettingsKey;

constexpr const char kMainWindowClass[] = "SoBeepWClass";
constexpr const char kWindowTitle[] = "SoBeep";
constexpr UINT kTrayIconId = 1000;
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 100;
constexpr UINT_PTR kBlinkTimerId = 1;
constexpr UINT kBlinkIntervalMs = 300;

struct PlayerState {
  HWND mainWindow;
  PlayerSettings settings;
  int settingsMode;
  int blinkPhase;
  HINSTANCE instance;
  char filePath[MAX_PATH];
  HICON iconA;
  HICON iconB;
  MCIDEVICEID device;
  // The replay of a run on Repeat and the dialogs opened from the tray.
  playback::ReplayRules replay;
  // The shell's "TaskbarCreated" broadcast: after a restart of the shell's
  // notification area every icon is gone and has to be added again.
  UINT taskbarCreated;
};

extern PlayerState g_player;
extern SettingsKey g_settingsKey;
