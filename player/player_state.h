// The player's process-wide state.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include "player/main_window.h"
#include "player/replay_rules.h"
#include "settings/player_settings.h"

class SettingsKey;

constexpr UINT_PTR kBlinkTimerId = 1;
constexpr UINT kBlinkIntervalMs = 300;

using MciSendCommandCall = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);

struct PlayerState {
  HWND mainWindow;
  PlayerSettings settings;
  int settingsMode;
  int blinkPhase;
  HINSTANCE instance;
  wchar_t filePath[MAX_PATH];
  HICON iconA;
  HICON iconB;
  MCIDEVICEID device;
  // mciSendCommandW of the multimedia DLL from the system folder; none
  // when that could not be loaded.
  MciSendCommandCall mciSendCommand;
  // The replay of a run on Repeat and the dialogs opened from the tray.
  playback::ReplayRules replay;
  // The shell's "TaskbarCreated" broadcast: after a restart of the shell's
  // notification area every icon is gone and has to be added again.
  UINT taskbarCreated;
};

extern PlayerState g_player;
extern SettingsKey g_settingsKey;
