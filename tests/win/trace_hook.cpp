// A hook DLL that the tests install into other processes' threads to see
// what a user or the shell sees there but no other process can read:
//   TrayTraceHook  in the shell's tray thread: every icon request the tray
//                  window receives (add, modify, delete) with a digest of
//                  its data, so the icon's image changes are visible. Wine
//                  hands a hook in another process the sender's unmapped
//                  pointer for WM_COPYDATA, so the hook's first call
//                  subclasses the tray window in its own process instead and
//                  reads the requests there; the DLL then stays loaded;
//   MenuTraceHook  in the player's thread: the items of each popup menu
//                  as it opens, with their check marks, read with the wide
//                  calls, whatever the player's code page.
// Each event is one line of UTF-8 appended to "<this DLL's path>.log".
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

HINSTANCE g_module;
WNDPROC g_trayProcedure;

void Append(const char* line) {
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatW(path, L".log");
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
}

unsigned Digest(const void* data, DWORD size) {
  unsigned hash = 2166136261u;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (DWORD i = 0; i < size; ++i) hash = (hash ^ p[i]) * 16777619u;
  return hash;
}

bool IsTrayWindow(HWND window) {
  wchar_t name[32] = L"";
  GetClassNameW(window, name, 32);
  return lstrcmpW(name, L"Shell_TrayWnd") == 0;
}

// "tray TICK ACTION OWNER DIGEST" per request, OWNER the icon's window.
LRESULT CALLBACK TracingTrayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const COPYDATASTRUCT* request = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    char line[128];
    std::snprintf(line, sizeof line, "tray %lu %lu %llx %08x\n", GetTickCount(),
                  static_cast<unsigned long>(request->dwData),
                  static_cast<unsigned long long>(wParam),
                  Digest(request->lpData, request->cbData));
    Append(line);
  }
  return CallWindowProcW(g_trayProcedure, window, message, wParam, lParam);
}

void SubclassTrayWindow(HWND window) {
  if (g_trayProcedure || !IsTrayWindow(window)) return;
  HMODULE pinned;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&TracingTrayProcedure), &pinned);
  g_trayProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TracingTrayProcedure)));
}

// "menu TICK|ID:FLAGS:TEXT|..." with FLAGS c (checked), s (separator).
void TraceMenu(HMENU menu) {
  char line[2048];
  int used = std::snprintf(line, sizeof line, "menu %lu", GetTickCount());
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count && used < 1800; ++i) {
    wchar_t text[128] = L"";
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 128;
    GetMenuItemInfoW(menu, i, TRUE, &item);
    char utf8[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    char flags[3] = "";
    if (item.fState & MFS_CHECKED) lstrcatA(flags, "c");
    if (item.fType & MFT_SEPARATOR) lstrcatA(flags, "s");
    used += std::snprintf(line + used, sizeof line - used, "|%u:%s:%s", item.wID, flags, utf8);
  }
  lstrcatA(line, "\n");
  Append(line);
}

}  // namespace

extern "C" {

__declspec(dllexport) LRESULT CALLBACK TrayTraceHook(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION) SubclassTrayWindow(call->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

__declspec(dllexport) LRESULT CALLBACK MenuTraceHook(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITMENUPOPUP)
    TraceMenu(reinterpret_cast<HMENU>(call->wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}
