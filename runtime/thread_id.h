// GetThreadId for every Windows the programs run on, Windows XP included.
#pragma once
#include <windows.h>

DWORD WINAPI ThreadIdOf(HANDLE thread);
