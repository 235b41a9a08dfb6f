#include "common/system_dll.h"

#include "common/text_scan.h"

static_assert(text::kPathSize == MAX_PATH, "the platform-free path buffers are MAX_PATH units");

namespace sysdll {

namespace {

// SetDefaultDllDirectories came with Windows 8, and with update KB2533623
// to Vista and 7; where it is missing (XP) nothing takes the program's
// folder out of the search, and only the loads below are safe.
void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
  const auto restrict = Find<SetDefaultDllDirectoriesCall>(GetModuleHandleW(L"kernel32.dll"),
                                                           "SetDefaultDllDirectories");
  if (restrict) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Before every other static constructor: the settings key's already calls
// into the system, and any call may load a DLL by name.
__attribute__((constructor(101))) void RestrictBeforeAnythingLoads() {
  RestrictDllSearchToSystemFolder();
}

}  // namespace

HMODULE Load(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !text::JoinPath(path, MAX_PATH, name)) return nullptr;
  // The DLL's own imports are then looked for in its folder first, the
  // system folder, also where the search is not restricted.
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace sysdll
