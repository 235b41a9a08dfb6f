// How other programs find the player and talk to it: its main window's
// class and title, and the tray icon's identifier and callback message.
// A newer player, the shell's tray and the tests all go by these.
#pragma once
#include <windows.h>

constexpr wchar_t kMainWindowClass[] = L"SoBeepWClass";
constexpr wchar_t kWindowTitle[] = L"SoBeep";
constexpr UINT kTrayIconId = 1000;
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 100;
