// The .wav association under HKEY_CLASSES_ROOT: the file type, its default
// verb "sobeep" and that verb's command, with a backup of an earlier command.
#include "installer/association.h"

#include <shlobj.h>

#include <cstdlib>

#include "installer/association_text.h"
#include "installer/installer_state.h"

namespace {

void ShowError(HWND dialog) { MessageBoxW(dialog, L"Error", L"Installation of SoBeep", MB_OK); }

HKEY OpenOrCreate(HKEY parent, const wchar_t* subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, subKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) return key;
  if (RegCreateKeyExW(parent, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
      ERROR_SUCCESS)
    return key;
  return nullptr;
}

LONG WriteText(HKEY key, const wchar_t* name, const wchar_t* text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
}

// Reads a key's default value as a NUL-terminated text of at most
// `capacity` units; ERROR_MORE_DATA when it does not fit. On any failure
// the text is empty, so a missing value reads as empty.
LONG ReadDefaultText(HKEY key, wchar_t* text, DWORD capacity) {
  DWORD size = capacity * sizeof(wchar_t);
  LONG result =
      RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  if (result == ERROR_SUCCESS &&
      !assoc::TerminateStoredText(text, capacity, size / sizeof(wchar_t)))
    result = ERROR_MORE_DATA;
  if (result != ERROR_SUCCESS) text[0] = 0;
  return result;
}

// Reads the default value of an existing key without creating anything.
LONG PeekDefaultText(HKEY parent, const wchar_t* subKey, wchar_t* text, DWORD capacity) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(parent, subKey, 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) {
    text[0] = 0;
    return result;
  }
  result = ReadDefaultText(key, text, capacity);
  RegCloseKey(key);
  return result;
}

// Measures every text of the association before the first write: a type
// name or an existing command too long for the work text is refused with
// the registry left as found.
bool TextsFitWorkText() {
  wchar_t type[assoc::kRegTextSize];
  if (PeekDefaultText(HKEY_CLASSES_ROOT, assoc::kWaveExtension, type, assoc::kRegTextSize) ==
      ERROR_MORE_DATA)
    return false;
  if (type[0] == 0) lstrcpynW(type, assoc::kDefaultType, assoc::kRegTextSize);
  if (!assoc::AppendShellKey(type, assoc::kRegTextSize)) return false;

  wchar_t command[assoc::kRegTextSize];
  if (!assoc::BuildCommand(command, assoc::kRegTextSize, g_installer.destDir)) return false;

  HKEY shell = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, type, 0, KEY_QUERY_VALUE, &shell) != ERROR_SUCCESS)
    return true;
  const LONG existing = PeekDefaultText(shell, assoc::kCommandKey, command, assoc::kRegTextSize);
  RegCloseKey(shell);
  return existing != ERROR_MORE_DATA;
}

// The file type of .wav, left in regText; "SoBeep" where .wav names none.
// False when the dialog is to stay open; ends the process when an empty
// type cannot be filled in.
bool TakeWaveType(HWND dialog) {
  wchar_t* const regText = g_installer.regText;
  HKEY wav = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, assoc::kWaveExtension, 0, KEY_ALL_ACCESS, &wav) !=
      ERROR_SUCCESS) {
    lstrcpynW(regText, assoc::kDefaultType, assoc::kRegTextSize);
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, assoc::kWaveExtension, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &wav, nullptr) != ERROR_SUCCESS ||
        WriteText(wav, nullptr, regText) != ERROR_SUCCESS) {
      if (wav) RegCloseKey(wav);
      ShowError(dialog);
      return false;
    }
  }
  ReadDefaultText(wav, regText, assoc::kRegTextSize);
  if (regText[0] == 0) {
    lstrcpynW(regText, assoc::kDefaultType, assoc::kRegTextSize);
    if (WriteText(wav, nullptr, regText) != ERROR_SUCCESS) {
      ShowError(dialog);
      std::exit(0);
    }
  }
  RegCloseKey(wav);
  return true;
}

HKEY OpenOrCreateOrExit(HWND dialog, HKEY parent, const wchar_t* subKey) {
  HKEY key = OpenOrCreate(parent, subKey);
  if (key) return key;
  ShowError(dialog);
  std::exit(1);
}

}  // namespace

AssociationResult RegisterAssociation(HWND dialog) {
  wchar_t* const regText = g_installer.regText;
  if (!TextsFitWorkText()) {
    ShowError(dialog);
    return AssociationResult::kKeepDialogOpen;
  }
  if (!TakeWaveType(dialog)) return AssociationResult::kKeepDialogOpen;

  assoc::AppendShellKey(regText, assoc::kRegTextSize);
  HKEY shell = OpenOrCreateOrExit(dialog, HKEY_CLASSES_ROOT, regText);
  lstrcpynW(regText, assoc::kVerb, assoc::kRegTextSize);
  WriteText(shell, nullptr, regText);

  wchar_t commandKeyPath[assoc::kRegTextSize];
  lstrcpynW(commandKeyPath, assoc::kCommandKey, assoc::kRegTextSize);
  HKEY command = OpenOrCreateOrExit(dialog, shell, commandKeyPath);
  if (ReadDefaultText(command, regText, assoc::kRegTextSize) != ERROR_FILE_NOT_FOUND)
    WriteText(command, assoc::kBackupValue, regText);
  assoc::BuildCommand(regText, assoc::kRegTextSize, g_installer.destDir);
  WriteText(command, nullptr, regText);
  RegCloseKey(command);
  RegCloseKey(shell);

  // Without this the shell keeps using its cached default verb until logoff.
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return AssociationResult::kRegistered;
}
