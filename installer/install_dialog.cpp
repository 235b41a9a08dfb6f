// The installation dialog: destination, folder browser, write test, the copy
// of the shipped files, and the association.
#include "installer/install_dialog.h"

#include <shellapi.h>
#include <shlobj.h>

#include "common/text_scan.h"
#include "common/win_char_next.h"
#include "installer/association.h"
#include "installer/install_rules.h"
#include "installer/installer_state.h"
#include "installer/resources/resource.h"

namespace {

constexpr char kProposedDestination[] = "c:\\Program Files\\SoBeep";
constexpr char kWindowsIniName[] = "win.ini";
constexpr char kBrowseTitle[] = "SoBeepをインストールするフォルダを選択してください。";
constexpr char kBrowsedSubfolder[] = "SoBeep";
constexpr FILEOP_FLAGS kQuietOperation = FOF_SILENT | FOF_NOCONFIRMATION;

constexpr char kErrorCaption[] = "error";
constexpr char kCopyFailed[] = "コピーできません";
constexpr char kDestinationTooLong[] =
    "インストール先のディレクトリが長すぎます。\n短いディレクトリを指定してください。";
constexpr char kModuleDirTooLong[] =
    "インストーラのあるディレクトリが長すぎます。\n短いディレクトリから実行してください。";
constexpr char kWindowsDirTooLong[] = "Windows ディレクトリが長すぎます。";
constexpr char kBrowsedTooLong[] =
    "選択したフォルダが長すぎます。\n短いフォルダを選択してください。";
constexpr char kFinishedText[] =
    "インストールを終了しました\n\n設定は、SoBeep.exeを引数無しで実行して行ってください。";
constexpr char kFinishedCaption[] = "インストールの終了";

int FileOperation(HWND dialog, UINT function, const char* from, const char* to,
                  FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTA operation = {};
  operation.hwnd = dialog;
  operation.wFunc = function;
  operation.pFrom = from;
  operation.pTo = to;
  operation.fFlags = flags;
  return SHFileOperationA(&operation);
}

// `dir` joined with `name` into a path buffer; the caller has measured that
// it fits (install::CheckInstallPaths).
void JoinInto(char (&path)[MAX_PATH], const char* dir, const char* name) {
  lstrcpynA(path, dir, MAX_PATH);
  text::JoinPath(path, MAX_PATH, name, text::WinCharNext);
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
          : install::CheckInstallPaths(g_installer.moduleDir, g_installer.destDir,
                                       text::WinCharNext);
  if (problem == install::PathProblem::kNone) return true;
  MessageBoxA(
      dialog,
      problem == install::PathProblem::kDestination ? kDestinationTooLong : kModuleDirTooLong,
      kErrorCaption, MB_OK);
  return false;
}

// Copies win.ini into the destination and deletes the copy again; the copy
// also creates a missing destination. The shell reports its own failures.
bool WriteTestPasses(HWND dialog) {
  char source[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(source, MAX_PATH);
  if (length == 0 || length >= MAX_PATH ||
      !text::JoinPath(source, MAX_PATH, kWindowsIniName, text::WinCharNext)) {
    MessageBoxA(dialog, kWindowsDirTooLong, kErrorCaption, MB_OK);
    return false;
  }
  char target[MAX_PATH];
  JoinInto(target, g_installer.destDir, install::kWriteTestFile);
  if (FileOperation(dialog, FO_COPY, source, target, kQuietOperation) != 0) return false;
  FileOperation(dialog, FO_DELETE, target, nullptr, kQuietOperation);
  return true;
}

bool CopyOneFile(HWND dialog, const char* name) {
  char source[MAX_PATH];
  char target[MAX_PATH];
  JoinInto(source, g_installer.moduleDir, name);
  JoinInto(target, g_installer.destDir, name);
  if (FileOperation(dialog, FO_COPY, source, target, FOF_NOCONFIRMATION) != 0) return false;
  SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
  return true;
}

// Every failure is reported and the copy goes on with the next file, Retry
// or Cancel alike; only the last file's outcome is returned.
bool CopyInstallFiles(HWND dialog) {
  bool copied = false;
  for (const char* name : install::kInstallFiles) {
    copied = CopyOneFile(dialog, name);
    if (!copied) MessageBoxA(dialog, kCopyFailed, kErrorCaption, MB_RETRYCANCEL);
  }
  return copied;
}

void SetWaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

INT_PTR OnInitDialog(HWND dialog) {
  g_installer.busyCount = 0;
  SetWindowTextA(dialog, kInstallerTitle);
  SendDlgItemMessageA(dialog, IDC_DEST_DIR, EM_LIMITTEXT, MAX_PATH, 0);
  SetDlgItemTextA(dialog, IDC_DEST_DIR, kProposedDestination);
  SendDlgItemMessageA(dialog, IDC_DEST_DIR, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(dialog, IDC_DEST_DIR));
  return FALSE;
}

void OnInstall(HWND dialog) {
  if (g_installer.busyCount > 0) return;
  ++g_installer.busyCount;
  SetButtonsEnabled(dialog, FALSE);
  SetWaitCursor();
  GetDlgItemTextA(dialog, IDC_DEST_DIR, g_installer.destDir, MAX_PATH);

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
  MessageBoxA(dialog, kFinishedText, kFinishedCaption, MB_OK);
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
  char path[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_DEST_DIR, path, MAX_PATH);
  char displayName[MAX_PATH] = "";
  BROWSEINFOA info = {};
  info.hwndOwner = dialog;
  info.pszDisplayName = displayName;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST items = SHBrowseForFolderA(&info);
  if (items) {
    SHGetPathFromIDListA(items, path);
    FreeItemList(items);
  }
  if (!text::JoinPath(path, MAX_PATH, kBrowsedSubfolder, text::WinCharNext)) {
    MessageBoxA(dialog, kBrowsedTooLong, kErrorCaption, MB_OK);
    return;
  }
  SetDlgItemTextA(dialog, IDC_DEST_DIR, path);
}

void OnRemoveAssociation(HWND dialog) {
  if (MessageBoxA(dialog, "ごめんなさい、まだできてません\n許してください。", "SoBeep Installation",
                  MB_YESNO) == IDYES) {
    MessageBoxA(dialog, "許してくれてありがとう", "謝辞", MB_OK);
  } else {
    MessageBoxA(
        dialog,
        "うう、許してくれなくて当然ですよね。\nやっぱり僕は要らない人間なんだ……\nくるくる～",
        "最低だ……", MB_OK);
  }
}

INT_PTR OnSetCursor(HWND dialog) {
  if (g_installer.busyCount == 0) return FALSE;
  SetWaitCursor();
  // Also the answer to the controls that ask their parent first, so that
  // the wait shape holds over them too.
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
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
