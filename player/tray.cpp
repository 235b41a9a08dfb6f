#include "player/tray.h"

#include <shellapi.h>

#include "player/player_state.h"
#include "player/playback.h"
#include "player/resources/resource.h"
#include "settings/setting_rules.h"

// The shell's first record layout: every shell version accepts it.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAW_V1_SIZE == 152,
              "the tray record must keep its first form");

BOOL NotifyTray(DWORD action, HICON icon, const wchar_t* tip) {
  NOTIFYICONDATAW record = {};
  record.cbSize = NOTIFYICONDATAW_V1_SIZE;
  record.hWnd = g_player.mainWindow;
  record.uID = kTrayIconId;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = WM_TRAY_NOTIFY;
  record.hIcon = icon;
  if (tip) lstrcpynW(record.szTip, tip, 64);
  return Shell_NotifyIconW(action, &record);
}

void OnBlinkTimer() {
  g_player.blinkPhase = g_player.blinkPhase == 0 ? 1 : 0;
  // While a dialog has removed the icon the change could only fail, and a
  // failing change can keep the shell's caller waiting (two seconds each
  // under Wine), which would freeze the open dialog.
  if (g_player.replay.IconAway()) return;
  NotifyTray(NIM_MODIFY, g_player.blinkPhase == 1 ? g_player.iconB : g_player.iconA, kWindowTitle);
}

// Under Wine a freshly loaded menu is now and then a handle that no menu
// call accepts (seen about once in 6,000 loads while replays and tray
// requests follow each other quickly), so the click would open nothing.
// A second load gives a working menu.
static HMENU LoadTrayMenu(HMENU* popup) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    HMENU menu = LoadMenuW(g_player.instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
    *popup = GetSubMenu(menu, 1);
    if (*popup) return menu;
    if (menu) DestroyMenu(menu);
  }
  return nullptr;
}

void OnTrayNotify(HWND window, LPARAM mouseMessage) {
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  POINT cursor = {};
  GetCursorPos(&cursor);
  HMENU popup = nullptr;
  HMENU menu = LoadTrayMenu(&popup);
  SetForegroundWindow(window);
  if (menu) {
    // The stored value is the check flag itself.
    static_assert(settings::kOn == MF_CHECKED && settings::kOff == MF_UNCHECKED,
                  "a stored setting doubles as the menu item's check flag");
    CheckMenuItem(popup, IDM_REPEAT, g_player.settings.Repeat);
    TrackPopupMenuEx(popup, TPM_VERTICAL, cursor.x, cursor.y, window, nullptr);
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
  }
  CarryOut(window, g_player.replay.MenuClosed(QueryPlaybackState() != 0));
}

void OnTaskbarCreated() {
  if (!g_player.replay.IconAway()) NotifyTray(NIM_ADD, g_player.iconA, kWindowTitle);
}
