// Long runs and bad files. A player left on Repeat replays the same short
// sound for hours: its handles, GDI and USER objects and private memory must
// not grow with the number of replays. A file that goes away or turns bad
// under it, or never was a wave file, must end the player normally.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/win/harness.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <string>

using namespace harness;

namespace {

// Replays, and how often the counts are sampled. Longer soaks set
// SOBEEP_SOAK_REPLAYS (scripts/soak.sh).
DWORD SoakReplays() {
  char text[16] = "";
  GetEnvironmentVariableA("SOBEEP_SOAK_REPLAYS", text, sizeof text);
  const DWORD replays = strtoul(text, nullptr, 10);
  return replays >= 200 ? replays : 500;
}
constexpr DWORD kSampleEvery = 50;

// What is allowed to grow, from the samples of the first 150 replays to
// any later one: a few handles and windows that a driver or the window
// manager may open once on its own schedule. Private bytes under Wine swing
// by about 1.3 MiB with what a replay holds when the sample is taken, so
// their floor (the lowest of the last three samples) may not rise above the
// early floor by more than a small constant, and no sample may pass it by
// more than the swing's allowance. A leak of 1 KiB per replay would raise
// the floor by 350 KiB over 500 replays.
constexpr DWORD kHandleSlack = 8;
constexpr DWORD kObjectSlack = 4;
constexpr SIZE_T kFloorSlack = 256 * 1024;
constexpr SIZE_T kSwingSlack = 2 * 1024 * 1024;

// The player's resource counts, read from outside as a task manager would.
// Wine 8 answers GetProcessHandleCount with 0 and does not implement
// GetGuiResources, and fills PagefileUsage (which is the private commit on
// Windows) but not PrivateUsage. So handles are also counted in the system
// handle table, windows stand in for USER objects there, and GDI objects
// are checked only where the system reports them.
struct Usage {
  DWORD handles = 0;
  DWORD windows = 0;
  bool guiCounted = false;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
  SIZE_T privateBytes = 0;
};

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
    const NTSTATUS status = NtQuerySystemInformation(
        static_cast<SYSTEM_INFORMATION_CLASS>(16), buffer.data(),
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

struct WindowCount {
  DWORD pid;
  DWORD count;
};

BOOL CALLBACK CountChild(HWND, LPARAM parameter) {
  ++reinterpret_cast<WindowCount*>(parameter)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM parameter) {
  WindowCount& windows = *reinterpret_cast<WindowCount*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != windows.pid) return TRUE;
  ++windows.count;
  EnumChildWindows(window, CountChild, parameter);
  return TRUE;
}

class Probe {
 public:
  explicit Probe(DWORD pid)
      : pid_(pid), process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)) {}
  ~Probe() {
    if (process_) CloseHandle(process_);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;
  bool opened() const { return process_ != nullptr; }
  // The lowest of a few readings over several replays: a replay holds its
  // device, file and buffers only while it plays, and what must not grow is
  // what stays when it has ended.
  Usage Sample() const {
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

 private:
  static constexpr int kReadings = 6;

  Usage Read() const {
    Usage usage;
    if (!GetProcessHandleCount(process_, &usage.handles) || usage.handles == 0)
      usage.handles = HandlesInSystemTable(pid_);
    WindowCount windows = {pid_, 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    usage.windows = windows.count;
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

  DWORD pid_;
  HANDLE process_;
};

void Print(const char* when, DWORD replays, const Usage& u) {
  std::printf("%s after %lu: handles %lu, windows %lu, GDI %s, USER %s, private %lu KiB\n", when,
              static_cast<unsigned long>(replays), static_cast<unsigned long>(u.handles),
              static_cast<unsigned long>(u.windows),
              u.guiCounted ? std::to_string(u.gdiObjects).c_str() : "n/a",
              u.guiCounted ? std::to_string(u.userObjects).c_str() : "n/a",
              static_cast<unsigned long>(u.privateBytes / 1024));
}

void ExpectReadable(const Usage& u) {
  EXPECT_GT(u.handles, 0u) << "the player's handles cannot be counted";
  EXPECT_GT(u.windows, 0u) << "the player's windows cannot be counted";
  EXPECT_GT(u.privateBytes, 0u) << "the player's private bytes cannot be read";
}

void ExpectWithinBudget(const Usage& base, const Usage& now, SIZE_T floor, const char* after) {
  EXPECT_LE(now.handles, base.handles + kHandleSlack) << "handles after " << after;
  EXPECT_LE(now.windows, base.windows + kObjectSlack) << "windows after " << after;
  if (base.guiCounted) {
    EXPECT_LE(now.gdiObjects, base.gdiObjects + kObjectSlack) << "GDI objects after " << after;
    EXPECT_LE(now.userObjects, base.userObjects + kObjectSlack) << "USER objects after " << after;
  }
  EXPECT_LE(now.privateBytes, floor + kSwingSlack) << "private bytes after " << after;
}

class SoakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::Replace(8, 0);
    dir_ = FreshDir();
  }
  std::string dir_;
};

// A replay that makes no progress for this long has stalled: one run of the
// file takes a few tens of milliseconds.
constexpr DWORD kStallMs = 10000;

TEST_F(SoakTest, RepeatedReplaysKeepHandlesObjectsAndMemoryFlat) {
  const std::string data = WriteWave(dir_ + "/tick.wav", 0.05, 7);
  const DWORD replays = SoakReplays();
  Capture capture;
  Process player(PlayerExe(), Quoted(WinPath(dir_ + "/tick.wav")));
  HWND window = WaitForProcessWindow(player.pid(), kClass, kTitle, 10000);
  ASSERT_TRUE(window);
  Probe probe(player.pid());
  ASSERT_TRUE(probe.opened());
  const Usage start = probe.Sample();
  Print("start", 0, start);
  ExpectReadable(start);

  std::vector<Usage> samples;
  for (DWORD target = kSampleEvery; target <= replays; target += kSampleEvery) {
    ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= target || !player.Running(); },
                          kStallMs, 50) &&
                player.Running())
        << "playback stalled or ended after " << capture.Opens() << " of " << replays
        << " replays (exit code " << player.ExitCode() << ")";
    samples.push_back(probe.Sample());
    Print("sample", target, samples.back());
  }
  const Usage& base = samples.front();
  const Usage& last = samples.back();
  auto floorOf = [&](std::size_t from, std::size_t to) {
    SIZE_T floor = samples[from].privateBytes;
    for (std::size_t i = from; i < to; ++i) floor = std::min(floor, samples[i].privateBytes);
    return floor;
  };
  const SIZE_T earlyFloor = floorOf(0, 3);
  const SIZE_T lateFloor = floorOf(samples.size() - 3, samples.size());
  for (std::size_t i = 1; i < samples.size(); ++i)
    ExpectWithinBudget(base, samples[i], earlyFloor,
                       (std::to_string((i + 1) * kSampleEvery) + " replays").c_str());
  EXPECT_LE(lateFloor, earlyFloor + kFloorSlack) << "the private bytes' floor rose";
  std::printf("private bytes' floor: %lu KiB early, %lu KiB late\n",
              static_cast<unsigned long>(earlyFloor / 1024),
              static_cast<unsigned long>(lateFloor / 1024));
  Print("end", replays, last);
  // Every run played the whole file.
  for (std::size_t run = 0; run + 1 < capture.Opens(); run += 97)
    EXPECT_TRUE(SameAudio(capture.Run(run), data))
        << "run " << run << ": " << capture.Run(run).size() << " bytes of " << data.size();

  PostMessageA(window, WM_COMMAND, kExit, 0);
  ASSERT_TRUE(player.WaitExit(10000)) << "Exit after " << replays << " replays";
  EXPECT_EQ(player.ExitCode(), 0u);
}

// Cuts a file short in place, as another program writing it would; false
// while the file cannot be opened for that.
bool Truncate(const std::string& hostPath, LONG size) {
  HANDLE file = CreateFileA(WinPath(hostPath).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool cut = SetFilePointer(file, size, nullptr, FILE_BEGIN) == static_cast<DWORD>(size) &&
                   SetEndOfFile(file);
  CloseHandle(file);
  return cut;
}

// Bad files: each ends the player by itself with code 0 and no message.
class BadFileTest : public SoakTest {
 protected:
  void ExpectEndsQuietly(Process& player, const char* what) {
    ASSERT_TRUE(player.WaitExit(20000)) << what << ": the player did not end";
    EXPECT_EQ(player.ExitCode(), 0u) << what;
  }
};

TEST_F(BadFileTest, TextOrEmptyFilesNamedWavEndAtOnce) {
  WriteFile(dir_ + "/readme.wav", "This is not a sound.\r\nJust text.\r\n");
  WriteFile(dir_ + "/empty.wav", "");
  for (const char* name : {"readme.wav", "empty.wav"}) {
    Capture capture;
    Process player(PlayerExe(), Quoted(WinPath(dir_ + "/" + name)));
    ExpectEndsQuietly(player, name);
    EXPECT_TRUE(capture.Bytes().empty()) << name;
  }
}

TEST_F(BadFileTest, AFileDeletedWhileItRepeatsEndsThePlayer) {
  WriteWave(dir_ + "/gone.wav", 0.2, 3);
  const std::string path = WinPath(dir_ + "/gone.wav");
  Capture capture;
  Process player(PlayerExe(), Quoted(path));
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 3; }, 10000));
  // The device holds the file while it plays; the delete goes through in
  // a gap between two runs, as a shell retrying would.
  ASSERT_TRUE(WaitUntil([&] { return DeleteFileA(path.c_str()) != 0; }, 10000, 1));
  ExpectEndsQuietly(player, "deleted");
}

TEST_F(BadFileTest, AFileTruncatedWhileItPlaysEndsThePlayer) {
  // Cut inside the header while it repeats: the next open fails.
  {
    const std::string file = dir_ + "/cut.wav";
    WriteWave(file, 0.2, 4);
    Capture capture;
    Process player(PlayerExe(), Quoted(WinPath(file)));
    ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 3; }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return Truncate(file, 20); }, 10000, 1));
    ExpectEndsQuietly(player, "header cut while repeating");
  }
  // Cut inside the data while a single play runs: that play ends early.
  {
    settings::SetDword("Repeat", 0);
    const std::string file = dir_ + "/short.wav";
    WriteWave(file, 2.0, 5);
    Process player(PlayerExe(), Quoted(WinPath(file)));
    ASSERT_TRUE(WaitForProcessWindow(player.pid(), kClass, kTitle, 10000));
    ASSERT_TRUE(WaitUntil([&] { return Truncate(file, 44 + 1000); }, 10000, 1));
    ExpectEndsQuietly(player, "data cut while playing");
  }
}

}  // namespace
