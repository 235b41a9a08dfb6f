#include "player/tray.h"

#include <shellapi.h>

#include "player/player_state.h"

// The shell's first record layout: every shell version accepts it.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88,
              "the tray record must keep its 88-byte form");

BOOL NotifyTray(DWORD action, HICON icon, const char* tip) {
  NOTIFYICONDATAA record = {};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = g_player.mainWindow;
  record.uID = kTrayIconId;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = WM_TRAY_NOTIFY;
  record.hIcon = icon;
  if (tip) lstrcpynA(record.szTip, tip, 64);
  return Shell_NotifyIconA(action, &record);
}

void OnBlinkTimer() {
  g_player.blinkPhase = g_player.blinkPhase == 0 ? 1 : 0;
  NotifyTray(NIM_MODIFY, g_player.blinkPhase == 1 ? g_player.iconB : g_player.iconA, kWindowTitle);
}
