// The installation dialog: destination, folder browser, write test, the copy
// of the shipped files, and the association.
#include "installer/install_dialog.h"

#include <shellapi.h>
#include <shlobj.h>

#include "common/text_scan.h"
#include "installer/association.h"
#include "installer/install_rules.h"
#include "installer/installer_state.h"
#include "installer/resources/resource.h"

namespace {

constexpr wchar_t kProposedDestination[] = L"c:\\Program Files\\SoBeep";
constexpr wchar_t kWindowsIniName[] = L"win.ini";
constexpr wchar_t kBrowseTitle[] = L"SoBeepをインストールするフォルダを選択してください。";
constexpr wchar_t kBrowsedSubfolder[] = L"SoBeep";
constexpr FILEOP_FLAGS kQuietOperation = FOF_SILENT | FOF_NOCONFIRMATION;

constexpr wchar_t kErrorCaption[] = L"error";
constexpr wchar_t kCopyFailed[] = L"コピーできません";
constexpr wchar_t kDestinationTooLong[] =
    L"インストール先のディレクトリが長すぎます。\n短いディレクトリを指定してください。";
constexpr wchar_t kModuleDirTooLong[] =
    L"インストーラのあるディレクトリが長すぎます。\n短いディレクトリから実行してください。";
constexpr wchar_t kWindowsDirTooLong[] = L"Windows ディレクトリが長すぎます。";
constexpr wchar_t kBrowsedTooLong[] =
    L"選択したフォルダが長すぎます。\n短いフォルダを選択してください。";
constexpr wchar_t kFinishedText[] =
    L"インストールを終了しました\n\n設定は、SoBeep.exeを引数無しで実行して行ってください。";
constexpr wchar_t kFinishedCaption[] = L"インストールの終了";

int FileOperation(HWND dialog, UINT function, const wchar_t* from, const wchar_t* to,
                  FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = dialog;
  operation.wFunc = function;
  operation.pFrom = from;
  operation.pTo = to;
  operation.fFlags = flags;
  return SHFileOperationW(&operation);
}

// A copy is done when its target stands there as a file of the source's
// size. The shell's word is not enough: under Wine it reported success for
// a destination typed as "c?d", where no file could be made.
bool CopyLanded(const wchar_t* source, const wchar_t* target) {
  WIN32_FILE_ATTRIBUTE_DATA from;
  WIN32_FILE_ATTRIBUTE_DATA to;
  return GetFileAttributesExW(source, GetFileExInfoStandard, &from) &&
         GetFileAttributesExW(target, GetFileExInfoStandard, &to) &&
         !(to.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         to.nFileSizeHigh == from.nFileSizeHigh && to.nFileSizeLow == from.nFileSizeLow;
}

void ReportCopyFailure(HWND dialog) {
  MessageBoxW(dialog, kCopyFailed, kErrorCaption, MB_RETRYCANCEL);
}

// `dir` joined with `name` into a path buffer; the caller has measured that
// it fits (install::CheckInstallPaths).
void JoinInto(wchar_t (&path)[MAX_PATH], const wchar_t* dir, const wchar_t* name) {
  lstrcpynW(path, dir, MAX_PATH);
  text::JoinPath(path, MAX_PATH, name);
}

void SetButtonsEnabled(HWND dialog, BOOL enabled) {
  EnableWindow(GetDlgItem(dialog, IDOK), enabled);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), enabled);
}

// Refuses, before anything is written, paths that would not fit a buffer.
bool PathsFit(HWND dialog) {
  install::PathProblem problem =
      g_installer.moduleDirTooLong
          ? install::PathProblem::kModuleDirectory
          : install::CheckInstallPaths(g_installer.moduleDir, g_installer.destDir);
  if (problem == install::PathProblem::kNone) return true;
  MessageBoxW(
      dialog,
      problem == install::PathProblem::kDestination ? kDestinationTooLong : kModuleDirTooLong,
      kErrorCaption, MB_OK);
  return false;
}

// Copies win.ini into the destination and deletes the copy again; the copy
// also creates a missing destination. The shell reports its own failures;
// a copy it took for done that made no file is reported as a failed copy.
bool WriteTestPasses(HWND dialog) {
  wchar_t source[MAX_PATH] = L"";
  const UINT length = GetWindowsDirectoryW(source, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !text::JoinPath(source, MAX_PATH, kWindowsIniName)) {
    MessageBoxW(dialog, kWindowsDirTooLong, kErrorCaption, MB_OK);
    return false;
  }
  wchar_t target[MAX_PATH];
  JoinInto(target, g_installer.destDir, install::kWriteTestFile);
  if (FileOperation(dialog, FO_COPY, source, target, kQuietOperation) != 0) return false;
  if (!CopyLanded(source, target)) {
    ReportCopyFailure(dialog);
    return false;
  }
  FileOperation(dialog, FO_DELETE, target, nullptr, kQuietOperation);
  return true;
}

bool CopyOneFile(HWND dialog, const wchar_t* name) {
  wchar_t source[MAX_PATH];
  wchar_t target[MAX_PATH];
  JoinInto(source, g_installer.moduleDir, name);
  JoinInto(target, g_installer.destDir, name);
  if (FileOperation(dialog, FO_COPY, source, target, FOF_NOCONFIRMATION) != 0 ||
      !CopyLanded(source, target))
    return false;
  SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
  return true;
}

// Every failure is reported and the copy goes on with the next file, Retry
// or Cancel alike; only the last file's outcome is returned.
bool CopyInstallFiles(HWND dialog) {
  bool copied = false;
  for (const wchar_t* name : install::kInstallFiles) {
    copied = CopyOneFile(dialog, name);
    if (!copied) ReportCopyFailure(dialog);
  }
  return copied;
}

void SetWaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

INT_PTR OnInitDialog(HWND dialog) {
  g_installer.busyCount = 0;
  SetWindowTextW(dialog, kInstallerTitle);
  SendDlgItemMessageW(dialog, IDC_DEST_DIR, EM_LIMITTEXT, MAX_PATH, 0);
  SetDlgItemTextW(dialog, IDC_DEST_DIR, kProposedDestination);
  SendDlgItemMessageW(dialog, IDC_DEST_DIR, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(dialog, IDC_DEST_DIR));
  return FALSE;
}

void OnInstall(HWND dialog) {
  if (g_installer.busyCount > 0) return;
  ++g_installer.busyCount;
  SetButtonsEnabled(dialog, FALSE);
  SetWaitCursor();
  GetDlgItemTextW(dialog, IDC_DEST_DIR, g_installer.destDir, MAX_PATH);

  if (!PathsFit(dialog)) {
    // Nothing has been touched yet: the user can correct the path and retry.
    --g_installer.busyCount;
    SetButtonsEnabled(dialog, TRUE);
    return;
  }
  if (!WriteTestPasses(dialog)) {
    --g_installer.busyCount;
    return;
  }
  const bool lastFileCopied = CopyInstallFiles(dialog);
  --g_installer.busyCount;
  if (!lastFileCopied) {
    EndDialog(dialog, -1);
    return;
  }
  if (RegisterAssociation(dialog) == AssociationResult::kKeepDialogOpen) return;
  MessageBoxW(dialog, kFinishedText, kFinishedCaption, MB_OK);
  EndDialog(dialog, 1);
}

void OnCancel(HWND dialog) {
  if (g_installer.busyCount != 0) return;
  EndDialog(dialog, 0);
}

void FreeItemList(LPITEMIDLIST items) {
  IMalloc* allocator = nullptr;
  if (SHGetMalloc(&allocator) != S_OK || !allocator) return;
  allocator->Free(items);
  allocator->Release();
}

void OnBrowse(HWND dialog) {
  wchar_t path[MAX_PATH] = L"";
  GetDlgItemTextW(dialog, IDC_DEST_DIR, path, MAX_PATH);
  wchar_t displayName[MAX_PATH] = L"";
  BROWSEINFOW info = {};
  info.hwndOwner = dialog;
  info.pszDisplayName = displayName;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST items = SHBrowseForFolderW(&info);
  if (items) {
    SHGetPathFromIDListW(items, path);
    FreeItemList(items);
  }
  if (!text::JoinPath(path, MAX_PATH, kBrowsedSubfolder)) {
    MessageBoxW(dialog, kBrowsedTooLong, kErrorCaption, MB_OK);
    return;
  }
  SetDlgItemTextW(dialog, IDC_DEST_DIR, path);
}

void OnRemoveAssociation(HWND dialog) {
  if (MessageBoxW(dialog, L"ごめんなさい、まだできてません\n許してください。",
                  L"SoBeep Installation", MB_YESNO) == IDYES) {
    MessageBoxW(dialog, L"許してくれてありがとう", L"謝辞", MB_OK);
  } else {
    MessageBoxW(
        dialog,
        L"うう、許してくれなくて当然ですよね。\nやっぱり僕は要らない人間なんだ……\nくるくる～",
        L"最低だ……", MB_OK);
  }
}

INT_PTR OnSetCursor(HWND dialog) {
  if (g_installer.busyCount == 0) return FALSE;
  SetWaitCursor();
  // Also the answer to the controls that ask their parent first, so that
  // the wait shape holds over them too.
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
  return TRUE;
}

INT_PTR OnCommand(HWND dialog, WORD id) {
  switch (id) {
    case IDOK: OnInstall(dialog); return TRUE;
    case IDCANCEL: OnCancel(dialog); return TRUE;
    case IDC_BROWSE: OnBrowse(dialog); return TRUE;
    case IDC_REMOVE_ASSOC: OnRemoveAssociation(dialog); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_SETCURSOR: return OnSetCursor(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    default: return FALSE;
  }
}
