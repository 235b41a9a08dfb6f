// GCC 14's static C++ runtime (win32 thread model) compares threads with
// GetThreadId, which came with Windows Vista and Server 2003: Windows XP's
// loader refuses a program that merely imports it. The programs start no
// threads and never compare any, but the unwinder's locking brings in the
// runtime's thread object whole, comparison and all. The import slot defined
// here takes the place of kernel32's, so nothing is imported, and answers
// as GetThreadId does through the native call that every Windows NT has.
#include <windows.h>

#include "runtime/thread_id.h"

namespace {

// The native layout of ThreadBasicInformation (class 0).
struct ThreadBasicInformation {
  LONG exitStatus;
  PVOID tebBaseAddress;
  struct {
    HANDLE process;
    HANDLE thread;
  } clientId;
  ULONG_PTR affinityMask;
  LONG priority;
  LONG basePriority;
};

using QueryInformationThread = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

}  // namespace

DWORD WINAPI ThreadIdOf(HANDLE thread) {
  const auto query = reinterpret_cast<QueryInformationThread>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  ThreadBasicInformation information = {};
  if (!query || query(thread, 0, &information, sizeof information, nullptr) < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(information.clientId.thread));
}

#if defined(__i386__)
// The 32-bit name of the import slot (stdcall, 4 bytes of arguments); the
// x86_64 programs need none, as every 64-bit Windows has GetThreadId.
extern "C" DWORD(WINAPI* const kGetThreadIdSlot)(HANDLE) __asm__("__imp__GetThreadId@4") =
    ThreadIdOf;
#endif
