#include "settings/settings_key.h"

#include <cstring>

#include "settings/setting_rules.h"

namespace {

wchar_t* CopyName(const wchar_t* name) {
  const std::size_t size = static_cast<std::size_t>(lstrlenW(name)) + 1;
  wchar_t* copy = new wchar_t[size];
  std::memcpy(copy, name, size * sizeof(wchar_t));
  return copy;
}

}  // namespace

SettingsKey::SettingsKey(const wchar_t* maker, const wchar_t* product)
    : maker_(CopyName(maker)), product_(CopyName(product)) {
  HKEY software = nullptr;
  HKEY makerKey = nullptr;
  DWORD disposition = 0;
  const REGSAM access = KEY_READ | KEY_WRITE;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, access, &software) == ERROR_SUCCESS &&
      RegCreateKeyExW(software, maker_, 0, nullptr, 0, access, nullptr, &makerKey, &disposition) ==
          ERROR_SUCCESS &&
      RegCreateKeyExW(makerKey, product_, 0, nullptr, 0, access, nullptr, &key_, &disposition) !=
          ERROR_SUCCESS) {
    key_ = nullptr;
  }
  if (makerKey) RegCloseKey(makerKey);
  if (software) RegCloseKey(software);
}

SettingsKey::SettingsKey(HKEY root, const wchar_t* subKey) {
  if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key_) != ERROR_SUCCESS) {
    key_ = nullptr;
    throw LError{kErrorOpen};
  }
}

SettingsKey::~SettingsKey() {
  if (key_) RegCloseKey(key_);
  delete[] product_;
  delete[] maker_;
}

DWORD SettingsKey::ReadValue(const wchar_t* name, DWORD* type, void* destination, DWORD capacity) {
  DWORD size = 0;
  if (!key_ || RegQueryValueExW(key_, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
    throw LError{kErrorRead};
  if (!settings::StoredValueFits(size, capacity)) throw LError{kErrorRead};
  BYTE stored[settings::kLargestStoredValue];
  size = sizeof stored;
  if (RegQueryValueExW(key_, name, nullptr, type, stored, &size) != ERROR_SUCCESS ||
      !settings::TakeStoredValue(stored, size, destination, capacity))
    throw LError{kErrorRead};
  return size;
}

int SettingsKey::WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  if (!key_ ||
      RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    throw LError{kErrorWrite};
  return 1;
}

int SettingsKey::DeleteValue(const wchar_t* name) {
  if (!key_ || RegDeleteValueW(key_, name) != ERROR_SUCCESS) throw LError{kErrorDelete};
  return 1;
}

int SettingsKey::DeleteProductKey() {
  HKEY software = nullptr;
  const REGSAM access = KEY_READ | KEY_WRITE;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, access, &software) != ERROR_SUCCESS)
    throw LError{kErrorProductKey};
  HKEY makerKey = nullptr;
  RegOpenKeyExW(software, maker_, 0, access, &makerKey);
  RegDeleteKeyW(makerKey, product_);
  if (makerKey) RegCloseKey(makerKey);
  RegCloseKey(software);
  return 1;
}
