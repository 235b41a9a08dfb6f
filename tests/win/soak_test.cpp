// Long runs and bad files. A player left on Repeat replays the same short
// sound for hours: its handles, GDI and USER objects and private memory must
// not grow with the number of replays. A file that goes away or turns bad
// under it, or never was a wave file, must end the player normally.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/usage_meter.h"

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
  HWND window = WaitForPlayerWindow(player);
  ASSERT_TRUE(window);
  usage::Meter meter(player.pid());
  ASSERT_TRUE(meter.opened());
  const usage::Usage start = meter.Sample();
  usage::Print("start", 0, "replays", start);
  usage::ExpectReadable(start);

  std::vector<usage::Usage> samples;
  for (DWORD target = kSampleEvery; target <= replays; target += kSampleEvery) {
    ASSERT_TRUE(
        WaitUntil([&] { return capture.Opens() >= target || !player.Running(); }, kStallMs, 50) &&
        player.Running())
        << "playback stalled or ended after " << capture.Opens() << " of " << replays
        << " replays (exit code " << player.ExitCode() << ")";
    samples.push_back(meter.Sample());
    usage::Print("sample", target, "replays", samples.back());
  }
  usage::ExpectFlat(samples, kSampleEvery, kSampleEvery, "replays");
  usage::Print("end", replays, "replays", samples.back());
  // Every run played the whole file.
  const std::vector<std::string> runs = capture.Files();
  std::size_t wrong = 0;
  for (std::size_t run = 0; run + 1 < runs.size(); ++run) {
    const ::testing::AssertionResult same = SameAudio(ReadFile(runs[run]), data);
    if (!same && ++wrong <= 3) ADD_FAILURE() << "run " << run << ": " << same.message();
  }
  EXPECT_EQ(wrong, 0u) << "runs that did not play the whole file, of " << runs.size();

  PostMessageA(window, WM_COMMAND, kExit, 0);
  ASSERT_TRUE(player.WaitExit(10000)) << "Exit after " << replays << " replays";
  EXPECT_EQ(player.ExitCode(), 0u);
}

// Cuts a file short in place, as another program writing it would; false
// while the file cannot be opened for that.
bool Truncate(const std::string& hostPath, LONG size) {
  HANDLE file = CreateFileW(Wide(WinPath(hostPath)).c_str(), GENERIC_WRITE,
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
  const std::string hostPath = dir_ + "/gone.wav";
  Capture capture;
  Process player(PlayerExe(), Quoted(WinPath(hostPath)));
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 3; }, 10000));
  // The device holds the file while it plays; the delete goes through in
  // a gap between two runs, as a shell retrying would.
  ASSERT_TRUE(WaitUntil([&] { return DeleteHostFile(hostPath); }, 10000, 1));
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
    ASSERT_TRUE(WaitForPlayerWindow(player));
    ASSERT_TRUE(WaitUntil([&] { return Truncate(file, 44 + 1000); }, 10000, 1));
    ExpectEndsQuietly(player, "data cut while playing");
  }
}

}  // namespace
