// Tray churn: a user who keeps opening the tray menu and the Properties
// dialog of a player that plays on Repeat. Every menu and dialog is made
// and destroyed again, and the icon is removed and added back for each
// dialog: none of it may leave handles, windows, objects or memory behind.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/ui_probe.h"
#include "tests/win/usage_meter.h"

using namespace harness;

namespace {

constexpr int kMenuCycles = 200;
constexpr int kPropertiesCycles = 100;
constexpr int kSampleEvery = 25;
// Cycles of each kind before the budget's first sample: the first menu and
// the first dialog create what the window manager and the dialog's
// controls keep for the process's life.
constexpr int kWarmUp = 5;

// Another program's icon, as a desktop always has some. Wine's stand-alone
// tray otherwise hides itself whenever the player's icon goes away with a
// dialog, which keeps the player's removal waiting for two seconds.
class OtherIcon {
 public:
  OtherIcon()
      : window_(CreateWindowExA(0, "STATIC", "other", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                nullptr)) {
    Shell_NotifyIconA(NIM_ADD, Record(NIF_ICON));
  }
  ~OtherIcon() {
    Shell_NotifyIconA(NIM_DELETE, Record(0));
    DestroyWindow(window_);
  }
  OtherIcon(const OtherIcon&) = delete;
  OtherIcon& operator=(const OtherIcon&) = delete;

 private:
  NOTIFYICONDATAA* Record(UINT flags) {
    record_ = {};
    record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record_.hWnd = window_;
    record_.uID = 1;
    record_.uFlags = flags;
    record_.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    return &record_;
  }
  HWND window_;
  NOTIFYICONDATAA record_ = {};
};

class TrayChurnTest : public probe::TrayPlayerTest {
 protected:
  void SetUp() override {
    TrayPlayerTest::SetUp();
    settings::Replace(8, 0);
    WriteWave(dir_ + "/tone.wav", 1.0, 9);
  }
  // A button on the icon opens the menu; Escape closes it unchosen.
  void MenuCycle(int cycle) {
    HWND menu = OpenMenu(window_, cycle % 2 ? WM_RBUTTONDOWN : WM_LBUTTONDOWN);
    ASSERT_TRUE(menu) << "menu " << cycle << " did not open";
    probe::MenuKey(menu, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu); }, 5000)) << "menu " << cycle << " stays";
  }
  // The menu's Properties command opens the dialog; Cancel closes it.
  void PropertiesCycle(int cycle) {
    PostMessageA(window_, WM_COMMAND, kShowProperties, 0);
    HWND dialog =
        WaitForProcessWindow(player_->pid(), "#32770", probe::kPropertiesTitle, 5000, true);
    ASSERT_TRUE(dialog) << "dialog " << cycle << " did not open";
    PressButton(dialog, IDCANCEL);
    // Under a display without a window manager, Wine waits up to two
    // seconds for a closed top-level window to be unmapped before it is
    // destroyed; only then does the player go on.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000))
        << "dialog " << cycle << " stays";
  }
  void Sample(int cycles) {
    samples_.push_back(meter_->Sample());
    usage::Print("sample", static_cast<DWORD>(cycles), "cycles", samples_.back());
  }

  HWND window_ = nullptr;
  std::unique_ptr<usage::Meter> meter_;
  std::vector<usage::Usage> samples_;
};

TEST_F(TrayChurnTest, MenusAndPropertiesOpenedAndClosedLeaveNothingBehind) {
  OtherIcon other;
  Capture capture;
  window_ = probe::StartInTray(PlayerExe(), dir_ + "/tone.wav", &player_);
  ASSERT_TRUE(window_);
  meter_.reset(new usage::Meter(player_->pid()));
  ASSERT_TRUE(meter_->opened());
  const usage::Usage start = meter_->Sample();
  usage::Print("start", 0, "cycles", start);
  usage::ExpectReadable(start);
  for (int i = 1; i <= kWarmUp; ++i) {
    ASSERT_NO_FATAL_FAILURE(MenuCycle(i));
    ASSERT_NO_FATAL_FAILURE(PropertiesCycle(i));
  }

  // Counted on from the menus into the dialogs.
  Sample(0);
  int cycles = 0;
  for (int i = 1; i <= kMenuCycles; ++i) {
    ASSERT_NO_FATAL_FAILURE(MenuCycle(i));
    if (++cycles % kSampleEvery == 0) Sample(cycles);
  }
  for (int i = 1; i <= kPropertiesCycles; ++i) {
    ASSERT_NO_FATAL_FAILURE(PropertiesCycle(i));
    if (++cycles % kSampleEvery == 0) Sample(cycles);
  }
  usage::ExpectFlat(samples_, 0, kSampleEvery, "cycles");
  usage::Print("end", static_cast<DWORD>(cycles), "cycles", samples_.back());

  // Through it all the player kept its icon and its sound, and a Cancel
  // never touched the settings.
  probe::TraceLog log;
  std::vector<probe::TrayRequest> requests;
  ASSERT_TRUE(
      WaitUntil([&] { return (requests = probe::TrayRequests(log, window_)).size() >= 2; }, 3000))
      << "the icon no longer blinks";
  EXPECT_EQ(requests.back().action, static_cast<DWORD>(NIM_MODIFY)) << "the icon is not back";
  const std::size_t opens = capture.Opens();
  EXPECT_TRUE(WaitUntil([&] { return capture.Opens() >= opens + 2; }, 10000))
      << "no more replays after " << opens;
  DWORD type = 0, repeat = 0;
  EXPECT_TRUE(settings::Read("Repeat", &type, &repeat));
  EXPECT_EQ(repeat, 8u);
  ExitPlayer(window_);
}

}  // namespace
