#include "settings/settings_key.h"

#include <cstring>

#include "settings/setting_rules.h"

namespace {

char* CopyName(const char* name) {
  const std::size_t size = std::strlen(name) + 1;
  char* copy = new char[size];
  std::memcpy(copy, name, size);
  return copy;
}

}  // namespace

SettingsKey::SettingsKey(const char* maker, const char* product)
    : maker_(CopyName(maker)), product_(CopyName(product)) {
  HKEY software = nullptr;
  HKEY makerKey = nullptr;
  DWORD disposition = 0;
  const REGSAM access = KEY_READ | KEY_WRITE;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, access, &software) == ERROR_SUCCESS &&
      RegCreateKeyExA(software, maker_, 0, nullptr, 0, access, nullptr, &makerKey, &disposition) ==
          ERROR_SUCCESS &&
      RegCreateKeyExA(makerKey, product_, 0, nullptr, 0, access, nullptr, &key_, &disposition) !=
          ERROR_SUCCESS) {
    key_ = nullptr;
  }
  if (makerKey) RegCloseKey(makerKey);
  if (software) RegCloseKey(software);
}

SettingsKey::SettingsKey(HKEY root, const char* subKey) {
  if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key_) != ERROR_SUCCESS) {
    key_ = nullptr;
    throw LError{kErrorOpen};
  }
}

SettingsKey::~SettingsKey() {
  if (key_) RegCloseKey(key_);
  delete[] product_;
  delete[] maker_;
}

DWORD SettingsKey::ReadValue(const char* name, DWORD* type, void* destination, DWORD capacity) {
  DWORD size = 0;
  if (!key_ || RegQueryValueExA(key_, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
    throw LError{kErrorRead};
  if (!settings::StoredValueFits(size, capacity)) throw LError{kErrorRead};
  BYTE stored[settings::kLargestStoredValue];
  size = sizeof stored;
  if (RegQueryValueExA(key_, name, nullptr, type, stored, &size) != ERROR_SUCCESS ||
      !settings::TakeStoredValue(stored, size, destination, capacity))
    throw LError{kErrorRead};
  return size;
}

int SettingsKey::WriteValue(const char* name, DWORD type, const void* data, DWORD size) {
  if (!key_ ||
      RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    throw LError{kErrorWrite};
  return 1;
}

int SettingsKey::DeleteValue(const char* name) {
  if (!key_ || RegDeleteValueA(key_, name) != ERROR_SUCCESS) throw LError{kErrorDelete};
  return 1;
}

int SettingsKey::DeleteProductKey() {
  HKEY software = nullptr;
  const REGSAM access = KEY_READ | KEY_WRITE;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, access, &software) != ERROR_SUCCESS)
    throw LError{kErrorProductKey};
  HKEY makerKey = nullptr;
  RegOpenKeyExA(software, maker_, 0, access, &makerKey);
  RegDeleteKeyA(makerKey, product_);
  if (makerKey) RegCloseKey(makerKey);
  RegCloseKey(software);
  return 1;
}
