// The tray icon and its menu end to end: the real player under Wine,
// observed as the shell sees it (the tray window, the icon requests that
// reach the shell) and as a user does (the popup menu, its keys).
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/ui_probe.h"

using namespace harness;
using probe::MenuItem;

namespace {

class TrayTest : public probe::TrayPlayerTest {
 protected:
  void Store(DWORD repeat, DWORD delay = 0) {
    settings::SetDword("Repeat", repeat);
    settings::SetDword("Delay", delay);
  }
};

DWORD StoredRepeat() {
  DWORD type = 0, value = 0xFFFFFFFF;
  return settings::Read("Repeat", &type, &value) ? value : 0xFFFFFFFF;
}

// The images of the icon's requests after the add: they must alternate.
void ExpectAlternation(const std::vector<probe::TrayRequest>& modifies, const std::string& a,
                       const std::string& b) {
  for (std::size_t i = 0; i < modifies.size(); ++i)
    EXPECT_EQ(modifies[i].image, i % 2 == 0 ? b : a) << "request " << i;
}

std::vector<probe::TrayRequest> Only(const std::vector<probe::TrayRequest>& requests, DWORD action,
                                     DWORD after = 0) {
  std::vector<probe::TrayRequest> chosen;
  for (const probe::TrayRequest& r : requests)
    if (r.action == action && r.tick >= after) chosen.push_back(r);
  return chosen;
}

TEST_F(TrayTest, IconAlternatesEvery300msAlsoAfterStop) {
  Store(8);
  probe::TraceLog log;
  HWND window = StartOnTone(0.3);
  ASSERT_TRUE(window);
  std::vector<probe::TrayRequest> requests;
  ASSERT_TRUE(WaitUntil(
      [&] {
        requests = probe::TrayRequests(log, window);
        return Only(requests, NIM_MODIFY).size() >= 8;
      },
      10000))
      << "too few blinks: " << requests.size() << " requests";
  ASSERT_EQ(requests[0].action, static_cast<DWORD>(NIM_ADD)) << "the icon starts as an add";
  const std::string a = requests[0].image;
  std::vector<probe::TrayRequest> modifies = Only(requests, NIM_MODIFY);
  const std::string b = modifies[0].image;
  EXPECT_NE(a, b) << "the first tick must show the second image";
  ExpectAlternation(modifies, a, b);
  std::vector<DWORD> gaps;
  for (std::size_t i = 1; i < modifies.size(); ++i)
    gaps.push_back(modifies[i].tick - modifies[i - 1].tick);
  std::sort(gaps.begin(), gaps.end());
  // A busy machine can only lengthen the gaps: timer messages wait for an
  // empty queue and never pile up.
  EXPECT_GE(gaps[gaps.size() / 2], 250u);
  EXPECT_LE(gaps[gaps.size() / 2], Scaled(400));

  // Stopped, the player stays in the tray and keeps blinking. Timer
  // messages come only when the queue is empty, so every blink after the
  // first one that follows the posted Stop came after it was handled.
  const DWORD stopped = GetTickCount();
  PostMessageA(window, WM_COMMAND, kStop, 0);
  std::vector<probe::TrayRequest> after;
  ASSERT_TRUE(WaitUntil(
      [&] {
        after = Only(probe::TrayRequests(log, window), NIM_MODIFY, stopped);
        return after.size() >= 4;
      },
      5000))
      << "no blinking after Stop: " << after.size() << " requests";
  for (std::size_t i = 1; i < after.size(); ++i) EXPECT_NE(after[i].image, after[i - 1].image);
  for (const probe::TrayRequest& r : after) EXPECT_TRUE(r.image == a || r.image == b);
  EXPECT_TRUE(player_->Running());
  EXPECT_TRUE(probe::TrayIconShown());
  ExitPlayer(window);
  EXPECT_FALSE(probe::TrayIconShown());
  EXPECT_EQ(Only(probe::TrayRequests(log, window), NIM_DELETE).size(), 1u);
}

const std::vector<MenuItem> kPopup = {
    {IDM_REPEAT, false, false, "リピート"},
    {0, false, true, ""},
    {IDM_HELP, false, false, "ヘルプ(&H)"},
    {IDM_ABOUT, false, false, "バージョン情報(&V)"},
    {0, false, true, ""},
    {IDM_PROPERTIES, false, false, "プロパティ(&P)"},
    {0, false, true, ""},
    {IDM_EXIT, false, false, "終了(&X)"},
};

void ExpectPopup(const std::vector<MenuItem>& items, bool repeatChecked) {
  ASSERT_EQ(items.size(), kPopup.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].separator, kPopup[i].separator) << i;
    if (kPopup[i].separator) continue;
    EXPECT_EQ(items[i].id, kPopup[i].id) << i;
    EXPECT_EQ(items[i].text, kPopup[i].text) << i;
    EXPECT_EQ(items[i].checked, i == 0 && repeatChecked) << i;
  }
}

class TrayMenuCheckTest : public TrayTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(TrayMenuCheckTest, RepeatIsCheckedExactlyWhenTheStoredValueHasTheCheckBit) {
  const DWORD stored = GetParam();
  Store(stored);
  HWND window = StartOnTone(30);
  ASSERT_TRUE(window);
  probe::TraceLog log;
  probe::Hook menuHook(GetWindowThreadProcessId(window, nullptr), "MenuTraceHook");
  ASSERT_TRUE(menuHook.installed());
  HWND menu = OpenMenu(window, WM_RBUTTONDOWN);
  ASSERT_TRUE(menu) << "a right button must open the menu";
  probe::MenuKey(menu, VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));
  const auto menus = probe::MenusOpened(log);
  ASSERT_EQ(menus.size(), 1u);
  ExpectPopup(menus[0], stored == 8 || stored == 9);
  EXPECT_TRUE(player_->Running()) << "closing the menu while playing keeps the player";
  EXPECT_EQ(StoredRepeat(), stored) << "only choosing Repeat stores it";
  ExitPlayer(window);
}

INSTANTIATE_TEST_SUITE_P(Stored, TrayMenuCheckTest, ::testing::Values(0u, 8u, 9u));

TEST_F(TrayTest, ChoosingRepeatStoresItAtOnceAndExitEndsThePlayer) {
  Store(0);
  Capture capture;
  HWND window = StartOnTone(6);
  ASSERT_TRUE(window);
  HWND menu = OpenMenu(window, WM_LBUTTONDOWN);
  ASSERT_TRUE(menu) << "a left button must open the menu";
  probe::MenuKey(menu, VK_DOWN);
  probe::MenuKey(menu, VK_RETURN);
  ASSERT_TRUE(WaitUntil([] { return StoredRepeat() == 8; }, 2000)) << "Repeat was not stored";
  EXPECT_EQ(capture.Opens(), 1u) << "the first run had not ended yet";
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 2; }, 15000))
      << "the file must replay after Repeat was turned on";

  menu = OpenMenu(window, WM_RBUTTONDOWN);
  ASSERT_TRUE(menu);
  probe::MenuChar(menu, 'x');
  ASSERT_TRUE(player_->WaitExit(10000)) << "Exit must end the player";
  EXPECT_EQ(player_->ExitCode(), 0u);
  EXPECT_FALSE(probe::TrayIconShown());
  EXPECT_EQ(StoredRepeat(), 8u);
}

TEST_F(TrayTest, OtherMouseMessagesOpenNoMenu) {
  Store(8);
  HWND window = StartOnTone(30);
  ASSERT_TRUE(window);
  probe::TraceLog log;
  probe::Hook menuHook(GetWindowThreadProcessId(window, nullptr), "MenuTraceHook");
  for (LPARAM other : {0x200, 0x202, 0x203, 0x205, 0x206, 0x207, 0x208, 0x209, 0x0, 0x10201})
    PostMessageA(window, WM_TRAY_NOTIFY, kTrayIconId, other);
  EXPECT_FALSE(probe::WaitForMenu(player_->pid(), 1500));
  EXPECT_TRUE(probe::MenusOpened(log).empty());
  HWND menu = OpenMenu(window, WM_LBUTTONDOWN);
  ASSERT_TRUE(menu);
  probe::MenuKey(menu, VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));
  EXPECT_EQ(probe::MenusOpened(log).size(), 1u);
  ExitPlayer(window);
}

TEST_F(TrayTest, AfterStopTheNextClickEndsThePlayer) {
  Store(8);
  Capture capture;
  HWND window = StartOnTone(30);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return !capture.Bytes().empty(); }, 5000));
  PostMessageA(window, WM_COMMAND, kStop, 0);
  // Played on, the 30 s tone would fill the capture for several seconds more.
  EXPECT_TRUE(capture.WaitQuiet(700, 3000)) << "Stop must end the sound";
  EXPECT_TRUE(player_->Running()) << "after Stop the player waits in the tray";
  HWND menu = OpenMenu(window, WM_RBUTTONDOWN);
  ASSERT_TRUE(menu);
  probe::MenuKey(menu, VK_ESCAPE);
  ASSERT_TRUE(player_->WaitExit(10000)) << "the click after Stop must end the player";
  EXPECT_EQ(player_->ExitCode(), 0u);
  EXPECT_FALSE(probe::TrayIconShown());
}

// On Repeat, each run's end closes the device and posts the replay; a menu
// that closes in that gap finds no open device, which is no Stop.
TEST_F(TrayTest, AMenuClosedBetweenTwoReplaysLeavesThePlayerPlaying) {
  Store(8);
  WriteWave(dir_ + "/tick.wav", 0.02, 4);
  HWND window = probe::StartInTray(PlayerExe(), dir_ + "/tick.wav", &player_);
  ASSERT_TRUE(window);
  for (int cycle = 1; cycle <= 60; ++cycle) {
    HWND menu = OpenMenu(window);
    ASSERT_TRUE(player_->Running()) << "the player ended at menu " << cycle;
    ASSERT_TRUE(menu) << "menu " << cycle << " did not open";
    // The runs go on while the menu is open, so it closes at any point of one.
    Sleep(cycle % 7 * 3);
    probe::MenuKey(menu, VK_ESCAPE);
    // Destroyed with the menu once the handler is done with it: a click
    // that came while the old menu was still tracked would open no menu.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu); }, 5000));
  }
  EXPECT_TRUE(HoldsFor([&] { return player_->Running(); }, 300));
  ExitPlayer(window);
}

// The shell's notification area restarted: its icons are gone, and it
// announces the new taskbar to every top-level window.
// Returns the time just before the announcement.
DWORD LoseIconAndAnnounceNewTaskbar(HWND window) {
  NOTIFYICONDATAA record = {};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = window;
  record.uID = kTrayIconId;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
  EXPECT_TRUE(WaitUntil([] { return !probe::TrayIconShown(); }, 3000));
  const DWORD announced = GetTickCount();
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  return announced;
}

std::string Describe(const std::vector<probe::TrayRequest>& requests, DWORD since) {
  std::string text = "requests since " + std::to_string(since) + ":";
  for (const probe::TrayRequest& r : requests)
    text += " " + std::to_string(r.tick) + "/" + std::to_string(r.action);
  return text;
}

TEST_F(TrayTest, IconReturnsWhenTheShellAnnouncesANewTaskbar) {
  Store(8);
  probe::TraceLog log;
  HWND window = StartOnTone(30);
  ASSERT_TRUE(window);
  const std::string a = probe::TrayRequests(log, window).at(0).image;
  const DWORD announced = LoseIconAndAnnounceNewTaskbar(window);
  ASSERT_TRUE(WaitUntil(probe::TrayIconShown, 3000)) << "the icon must be added again";
  const auto adds = Only(probe::TrayRequests(log, window), NIM_ADD, announced);
  ASSERT_EQ(adds.size(), 1u) << Describe(probe::TrayRequests(log, window), announced);
  EXPECT_EQ(adds[0].image, a) << "the icon returns as its first image";
  EXPECT_TRUE(WaitUntil(
      [&] { return Only(probe::TrayRequests(log, window), NIM_MODIFY, announced).size() >= 2; },
      3000))
      << "and blinks again";
  // The menu still works through the new icon.
  HWND menu = OpenMenu(window, WM_RBUTTONDOWN);
  ASSERT_TRUE(menu);
  probe::MenuChar(menu, 'x');
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u);
  EXPECT_FALSE(probe::TrayIconShown());
}

TEST_F(TrayTest, NoIconReturnsWhileADialogHasItRemoved) {
  Store(8);
  HWND window = StartOnTone(30);
  ASSERT_TRUE(window);
  PostMessageA(window, WM_COMMAND, IDM_ABOUT, 0);
  HWND about = WaitForProcessWindow(player_->pid(), "#32770", "soBeepについて", 5000, true);
  ASSERT_TRUE(about);
  ASSERT_TRUE(WaitUntil([] { return !probe::TrayIconShown(); }, 3000));
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(HoldsFor([] { return !probe::TrayIconShown(); }, 1000))
      << "the dialog keeps the icon away";
  PressButton(about, IDOK);
  EXPECT_TRUE(WaitUntil(probe::TrayIconShown, 3000)) << "closing the dialog brings it back";
  ExitPlayer(window);
}

// Commands from other processes, in any order and repeated, with the
// dialogs they open closed as they appear: the player never faults and
// Exit still ends it.
TEST_F(TrayTest, PostedCommandsInAnyOrderNeverCrashThePlayer) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    Store(8);
    HWND window = StartOnTone(0.4);
    ASSERT_TRUE(window);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> command(IDM_PLAY, IDM_START_MENU);
    std::string posted;
    for (int i = 0; i < 30 && player_->Running(); ++i) {
      const int id = command(random);
      posted += std::to_string(id) + " ";
      PostMessageA(window, WM_COMMAND, id, 0);
      if (HWND dialog = WaitForProcessWindow(player_->pid(), "#32770", nullptr, 300, true))
        PressButton(dialog, IDCANCEL);
      // The viewer reports the missing help file in a box of its own, and
      // the player waits for it: the user would close it.
      if (id == IDM_HELP) {
        EXPECT_TRUE(WaitUntil(
            [&] { return FindWindowA("MS_WINHELP", nullptr) || !player_->Running(); }, 10000));
        probe::EndHelpViewers();
      }
    }
    if (player_->Running()) {
      PostMessageA(window, WM_COMMAND, kExit, 0);
      ASSERT_TRUE(player_->WaitExit(15000))
          << "Exit must still end the player after " << posted << DescribeWindows(player_->pid());
    }
    ASSERT_TRUE(player_->WaitExit(0));
    EXPECT_EQ(player_->ExitCode(), 0u) << "the player faulted after " << posted;
    player_.reset();
  }
}

// The player handles its messages in order: once a toggle of Repeat posted
// after them is in the registry, everything posted before it was handled.
void Drain(HWND window) {
  const DWORD before = StoredRepeat();
  PostMessageA(window, WM_COMMAND, IDM_REPEAT, 0);
  ASSERT_TRUE(WaitUntil([&] { return StoredRepeat() != before; }, 5000));
}

// A run's end and a Stop can pass each other: the end's replay is already
// posted when the Stop comes. That replay never plays, in the tray or under
// a dialog, and the next menu ends the player as after any Stop.
TEST_F(TrayTest, AReplayOnItsWayWhenStopComesNeverPlays) {
  for (bool underDialog : {false, true}) {
    SCOPED_TRACE(underDialog ? "under a dialog" : "in the tray");
    Store(8);
    Capture capture;
    HWND window = StartOnTone(30);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return capture.Opens() == 1; }, 5000));
    HWND dialog = nullptr;
    if (underDialog) {
      PostMessageA(window, WM_COMMAND, kShowProperties, 0);
      dialog = WaitForProcessWindow(player_->pid(), "#32770", probe::kPropertiesTitle, 5000, true);
      ASSERT_TRUE(dialog);
    }
    // The end of the run as MCI reports it, and Stop before its replay.
    PostMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);
    PostMessageA(window, WM_COMMAND, kStop, 0);
    // The replay is posted while the first toggle waits in the queue.
    ASSERT_NO_FATAL_FAILURE(Drain(window));
    ASSERT_NO_FATAL_FAILURE(Drain(window));
    EXPECT_TRUE(HoldsFor([&] { return capture.Opens() == 1; }, 1000)) << "the replay played";
    if (dialog) {
      PressButton(dialog, IDCANCEL);
      ASSERT_TRUE(WaitUntil(probe::TrayIconShown, 3000));
      EXPECT_TRUE(HoldsFor([&] { return capture.Opens() == 1; }, 1000))
          << "the replay played once the dialog closed";
    }
    EXPECT_TRUE(player_->Running()) << "after Stop the player waits in the tray";
    HWND menu = OpenMenu(window);
    ASSERT_TRUE(menu);
    probe::MenuKey(menu, VK_ESCAPE);
    ASSERT_TRUE(player_->WaitExit(10000)) << "the click after Stop must end the player";
    EXPECT_EQ(player_->ExitCode(), 0u);
  }
}

}  // namespace
