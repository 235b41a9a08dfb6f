#pragma once
#include <windows.h>

// The installation dialog (resource 122): ends with 1 when installed, 0 on
// Cancel and -1 when the last file could not be copied.
INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
