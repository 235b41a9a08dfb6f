// The per-user registry key HKEY_CURRENT_USER\Software\<maker>\<product>,
// shared by the player and the installer. Failures are thrown as LError.
#pragma once
#include <windows.h>

#include <cstdint>

struct LError {
  std::int32_t code;
};

enum LErrorCode : std::int32_t {
  kErrorOpen = 1,  // the opening constructor could not open its key
  kErrorRead = 2,  // a value is missing, unreadable or too large
  kErrorWrite = 3,
  kErrorDelete = 4,
  kErrorProductKey = 5,  // HKEY_CURRENT_USER\Software could not be opened
};

class SettingsKey {
 public:
  // Opens, creating where needed, HKCU\Software\<maker>\<product>. Never
  // throws: on failure the object holds no key and every access throws.
  SettingsKey(const wchar_t* maker, const wchar_t* product);
  // Opens an existing key for reading; throws LError 1 when it cannot.
  SettingsKey(HKEY root, const wchar_t* subKey);
  ~SettingsKey();
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  // Reads a value into `destination` and returns its stored size. A value
  // larger than `capacity` (or than settings::kLargestStoredValue) is refused
  // as failure 2, never copied in part; a shorter one fills only the first
  // bytes. The stored type is not checked.
  DWORD ReadValue(const wchar_t* name, DWORD* type, void* destination, DWORD capacity);
  int WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size);
  int DeleteValue(const wchar_t* name);
  int DeleteProductKey();

 private:
  wchar_t* maker_ = nullptr;
  wchar_t* product_ = nullptr;
  HKEY key_ = nullptr;
};
