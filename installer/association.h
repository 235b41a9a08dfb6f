#pragma once
#include <windows.h>

enum class AssociationResult { kRegistered, kKeepDialogOpen };

// Makes "sobeep" the default shell verb of the .wav file type, running the
// player installed in g_installer.destDir. Some failures end the process
// (exit code 0 or 1) from here.
AssociationResult RegisterAssociation(HWND dialog);
