// The notification-area icon: every change goes through NotifyTray.
#pragma once
#include <windows.h>

BOOL NotifyTray(DWORD action, HICON icon, const char* tip);

void OnBlinkTimer();
