// The player's process-wide state and the names other processes find it by.
#pragma once
#include <windows.h>
#include <mmsystem.h>

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
};

extern PlayerState g_player;
extern SettingsKey g_settingsKey;
