// Stands in for a program that the player starts (the installer, the
// browser behind the home-page link, a program planted where an unquoted
// path would start it): records its command line, in UTF-8, in
// "<its own path>.ran" and ends. Wide calls with the long-path prefix let it
// record also from paths near or beyond MAX_PATH.
//
// Started as "stand_in.exe acp", it ends at once with its ANSI code page as
// its exit code: what a program started with the same environment gets.
// Started as "stand_in.exe load NAME", it loads the DLL NAME by name, as the
// system searches for it, and ends with 0 when that loaded.
#include <windows.h>

#include <cstring>
#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  if (std::strcmp(arguments, "acp") == 0) return static_cast<int>(GetACP());
  if (std::strncmp(arguments, "load ", 5) == 0) return LoadLibraryA(arguments + 5) ? 0 : 1;
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
  char line[8192];
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line, sizeof line, nullptr, nullptr);
  DWORD written = 0;
  const BOOL wrote =
      bytes > 0 && WriteFile(file, line, static_cast<DWORD>(bytes - 1), &written, nullptr);
  CloseHandle(file);
  return wrote && MoveFileExW(part, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
