// The notification-area icon: every change goes through NotifyTray.
#pragma once
#include <windows.h>

BOOL NotifyTray(DWORD action, HICON icon, const wchar_t* tip);

void OnBlinkTimer();

// A mouse button on the icon: the tray menu at the cursor.
void OnTrayNotify(HWND window, LPARAM mouseMessage);

// The shell's notification area was restarted and has lost the icon.
void OnTaskbarCreated();
