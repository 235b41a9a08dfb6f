// Launch storms: a burst of double-clicks on wave files starts many players
// at once. Whatever the timing, the newest one alone plays on, every older
// one ends normally, and none is left behind.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/harness.h"

using namespace harness;

namespace {

std::string Running(const std::vector<std::unique_ptr<Process>>& players) {
  std::string running;
  for (std::size_t i = 0; i < players.size(); ++i)
    if (players[i]->Running())
      running += std::to_string(i) +
                 (FindProcessWindow(players[i]->pid(), kClass, kTitle, false) ? "w " : " ");
  return running;
}

// Which of the players owns the window that a newer one would find.
int WindowOwner(const std::vector<std::unique_ptr<Process>>& players) {
  DWORD pid = 0;
  GetWindowThreadProcessId(FindWindowA(kClass, kTitle), &pid);
  for (std::size_t i = 0; i < players.size(); ++i)
    if (players[i]->pid() == pid) return static_cast<int>(i);
  return -1;
}

class LaunchStormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::Replace(8, 0);
    dir_ = FreshDir();
  }

  // One file per player, each with its own tone, so the captured runs tell
  // whose they are.
  std::vector<std::string> WriteFiles(int count) {
    std::vector<std::string> data;
    for (int i = 0; i < count; ++i)
      data.push_back(WriteWave(FilePath(i), 0.2, 100 + static_cast<unsigned>(i)));
    return data;
  }
  std::string FilePath(int i) const { return dir_ + "/storm" + std::to_string(i) + ".wav"; }
  std::string Arguments(int i) const { return Quoted(WinPath(FilePath(i))); }

  // After the storm: every older player ends with code 0, the one window
  // left is the newest player's, and from then on only its file plays.
  void ExpectOnlyTheNewestPlaysOn(std::vector<std::unique_ptr<Process>>& players,
                                  const std::string& newestData, const Capture& capture) {
    Process& newest = *players.back();
    for (std::size_t i = 0; i + 1 < players.size(); ++i) {
      ASSERT_TRUE(players[i]->WaitExit(30000))
          << "player " << i << " still runs beside the newest; running: " << Running(players)
          << "; the window is player " << WindowOwner(players);
      EXPECT_EQ(players[i]->ExitCode(), 0u) << "player " << i;
    }
    ASSERT_TRUE(newest.Running()) << "the newest player ended with code " << newest.ExitCode();
    HWND window = FindWindowA(kClass, kTitle);
    ASSERT_TRUE(window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    EXPECT_EQ(pid, newest.pid());

    const std::size_t settled = capture.Opens();
    ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= settled + 3; }, 20000))
        << "the newest player stopped replaying after " << settled << " opens";
    for (std::size_t run = settled; run < settled + 2; ++run)
      EXPECT_TRUE(SameAudio(capture.Run(run), newestData))
          << "run " << run << " is not the newest file";

    PostMessageA(window, WM_COMMAND, kExit, 0);
    ASSERT_TRUE(newest.WaitExit(10000));
    EXPECT_EQ(newest.ExitCode(), 0u);
    EXPECT_FALSE(FindWindowA(kClass, kTitle)) << "a player window outlived every player";
  }

  std::string dir_;
};

struct Start {
  HANDLE go;
  std::string args;
  std::unique_ptr<Process> process;
};

DWORD WINAPI StartWhenReleased(LPVOID parameter) {
  Start& start = *static_cast<Start*>(parameter);
  WaitForSingleObject(start.go, INFINITE);
  start.process = std::make_unique<Process>(PlayerExe(), start.args);
  return 0;
}

TEST_F(LaunchStormTest, ThirtyStartsInARowLeaveOnlyTheNewestPlaying) {
  constexpr int kPlayers = 30;
  const std::vector<std::string> data = WriteFiles(kPlayers);
  Capture capture;
  std::vector<std::unique_ptr<Process>> players;
  for (int i = 0; i < kPlayers; ++i) {
    players.push_back(std::make_unique<Process>(PlayerExe(), Arguments(i)));
    ASSERT_TRUE(players.back()->started()) << i;
  }
  ExpectOnlyTheNewestPlaysOn(players, data.back(), capture);
}

// Ten starts released at the same moment from ten threads: which one is
// newest is up to the system, so the survivor is whichever still runs.
TEST_F(LaunchStormTest, TenSimultaneousStartsLeaveOnePlayerAndNoneAfterIt) {
  constexpr int kPlayers = 10;
  const std::vector<std::string> data = WriteFiles(kPlayers);
  Capture capture;
  const HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<Start> starts(kPlayers);
  std::vector<HANDLE> threads;
  for (int i = 0; i < kPlayers; ++i) {
    starts[i].go = go;
    starts[i].args = Arguments(i);
    threads.push_back(CreateThread(nullptr, 0, StartWhenReleased, &starts[i], 0, nullptr));
  }
  SetEvent(go);
  WaitForMultipleObjects(kPlayers, threads.data(), TRUE, 30000);
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(go);

  for (Start& start : starts) ASSERT_TRUE(start.process && start.process->started());
  ASSERT_TRUE(WaitUntil(
      [&] {
        int running = 0;
        for (Start& start : starts) running += start.process->Running() ? 1 : 0;
        return running <= 1;
      },
      30000))
      << "more than one player kept running";
  std::vector<std::unique_ptr<Process>> players;
  std::string survivorData;
  for (int i = 0; i < kPlayers; ++i) {
    if (starts[i].process->Running()) survivorData = data[i];
    players.push_back(std::move(starts[i].process));
  }
  ASSERT_FALSE(survivorData.empty()) << "no player survived the storm";
  // The survivor goes last, as the newest.
  for (std::size_t i = 0; i + 1 < players.size(); ++i) {
    if (players[i]->Running()) {
      std::swap(players[i], players.back());
      break;
    }
  }
  ExpectOnlyTheNewestPlaysOn(players, survivorData, capture);
}

}  // namespace
