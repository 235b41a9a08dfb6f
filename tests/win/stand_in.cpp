// Stands in for a program that the player starts (the installer, the
// browser behind the home-page link): records its command line in
// "<its own path>.ran" and ends. Wide calls with the long-path prefix let it
// record also from paths near or beyond MAX_PATH.
#include <windows.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t path[2048] = L"\\\\?\\";
  const DWORD length = GetModuleFileNameW(nullptr, path + 4, 2000);
  if (length == 0 || length >= 2000) return 1;
  std::wcscat(path, L".ran");
  // Written whole under another name first: a test that sees the record
  // appear reads it at once.
  wchar_t part[2048];
  std::wcscpy(part, path);
  std::wcscat(part, L".part");
  HANDLE file =
      CreateFileW(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* line = GetCommandLineA();
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
  return wrote && MoveFileExW(part, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
