#include "tests/win/usage_meter.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "tests/win/harness.h"

namespace usage {
namespace {

constexpr int kReadings = 6;
constexpr DWORD kHandleSlack = 8;
constexpr DWORD kObjectSlack = 4;
constexpr SIZE_T kMemorySlack = 4 * 1024 * 1024;

struct HandleEntry {
  ULONG pid;
  BYTE type;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};

struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};

DWORD HandlesInSystemTable(DWORD pid) {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ULONG length = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16), buffer.data(),
                                 static_cast<ULONG>(buffer.size()), &length);
    if (status == static_cast<NTSTATUS>(0xC0000004L)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return 0;
    const ULONG count = reinterpret_cast<const HandleTable*>(buffer.data())->count;
    const HandleEntry* entries =
        reinterpret_cast<const HandleEntry*>(buffer.data() + offsetof(HandleTable, entries));
    DWORD mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == pid ? 1 : 0;
    return mine;
  }
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<DWORD*>(count);
  return TRUE;
}

}  // namespace

Meter::Meter(DWORD pid)
    : pid_(pid), process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)) {}

Meter::~Meter() {
  if (process_) CloseHandle(process_);
}

Usage Meter::Sample() const {
  Usage lowest = Read();
  for (int i = 1; i < kReadings; ++i) {
    Sleep(20);
    const Usage now = Read();
    lowest.handles = std::min(lowest.handles, now.handles);
    lowest.windows = std::min(lowest.windows, now.windows);
    lowest.gdiObjects = std::min(lowest.gdiObjects, now.gdiObjects);
    lowest.userObjects = std::min(lowest.userObjects, now.userObjects);
    lowest.privateBytes = std::min(lowest.privateBytes, now.privateBytes);
  }
  return lowest;
}

Usage Meter::Read() const {
  Usage usage;
  if (!GetProcessHandleCount(process_, &usage.handles) || usage.handles == 0)
    usage.handles = HandlesInSystemTable(pid_);
  for (HWND window : harness::TopLevelWindows(pid_)) {
    ++usage.windows;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&usage.windows));
  }
  SetLastError(0);
  usage.gdiObjects = GetGuiResources(process_, GR_GDIOBJECTS);
  usage.guiCounted = GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
  usage.userObjects = GetGuiResources(process_, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory))
    usage.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  return usage;
}

void Print(const char* when, DWORD count, const char* unit, const Usage& u) {
  const std::string gdi = u.guiCounted ? std::to_string(u.gdiObjects) : "n/a";
  const std::string user = u.guiCounted ? std::to_string(u.userObjects) : "n/a";
  std::printf("%s after %lu %s: handles %lu, windows %lu, GDI %s, USER %s, private %lu KiB\n", when,
              static_cast<unsigned long>(count), unit, static_cast<unsigned long>(u.handles),
              static_cast<unsigned long>(u.windows), gdi.c_str(), user.c_str(),
              static_cast<unsigned long>(u.privateBytes / 1024));
}

void ExpectReadable(const Usage& u) {
  EXPECT_GT(u.handles, 0u) << "the handles cannot be counted";
  EXPECT_GT(u.windows, 0u) << "the windows cannot be counted";
  EXPECT_GT(u.privateBytes, 0u) << "the private bytes cannot be read";
}

void ExpectFlat(const std::vector<Usage>& samples, DWORD first, DWORD step, const char* unit) {
  ASSERT_GE(samples.size(), 3u) << "too few samples to tell growth";
  const Usage& base = samples.front();
  SIZE_T floor = base.privateBytes;
  for (std::size_t i = 0; i < 3; ++i) floor = std::min(floor, samples[i].privateBytes);
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const Usage& now = samples[i];
    const std::string after = std::to_string(first + i * step) + " " + unit;
    EXPECT_LE(now.handles, base.handles + kHandleSlack) << "handles after " << after;
    EXPECT_LE(now.windows, base.windows + kObjectSlack) << "windows after " << after;
    if (base.guiCounted) {
      EXPECT_LE(now.gdiObjects, base.gdiObjects + kObjectSlack) << "GDI objects after " << after;
      EXPECT_LE(now.userObjects, base.userObjects + kObjectSlack) << "USER objects after " << after;
    }
    EXPECT_LE(now.privateBytes, floor + kMemorySlack) << "private bytes after " << after;
  }
}

}  // namespace usage
