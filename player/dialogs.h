// Settings mode, the Properties and About dialogs, and help.
#pragma once
#include <windows.h>

// The player started without a file: only the Properties dialog, with the
// Install button. Returns the process's exit code.
int RunSettingsMode();

// Tray commands: the dialogs pause playback and take the icon away while
// they are open.
void OnProperties(HWND window);
void OnAbout(HWND window);
void OnHelp(HWND window);
