#include "player/ansi_name.h"

namespace {

// Whether `name` converts to the ANSI code page without a default or
// best-fit character, and in fewer than `byteLimit` bytes there.
bool SurvivesAnsi(const wchar_t* name, std::size_t byteLimit) {
  const UINT codePage = GetACP();
  // A UTF-8 code page holds every name, and refuses the flags that ask.
  const bool utf8 = codePage == CP_UTF8;
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(codePage, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, name, -1,
                                        nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
  return bytes > 0 && !usedDefault && static_cast<std::size_t>(bytes - 1) < byteLimit;
}

}  // namespace

bool NameSurvivingAnsi(const wchar_t* path, wchar_t (&out)[MAX_PATH], std::size_t byteLimit) {
  if (lstrlenW(path) >= MAX_PATH) return false;
  if (SurvivesAnsi(path, byteLimit)) {
    lstrcpynW(out, path, MAX_PATH);
    return true;
  }
  const DWORD length = GetShortPathNameW(path, out, MAX_PATH);
  return length > 0 && length < MAX_PATH && SurvivesAnsi(out, byteLimit);
}
