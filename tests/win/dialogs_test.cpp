// Settings mode, the Properties and About dialogs, help and the player's
// resources, end to end: the real player under Wine, driven and observed as
// a user (its windows, keys, pixels) or the shell (the programs it starts,
// the tray window) sees it.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/harness.h"
#include "tests/win/ui_probe.h"

using namespace harness;

namespace {

constexpr char kAbout[] = "soBeepについて";
constexpr char kHomePage[] = "https://sobeep.example.org/";
constexpr char kInstallWarning[] =
    "インストーラの起動に失敗しました。\nsoBeep と同じディレクトリに Install.exe を置いてください";
// A program name whose characters end in the backslash's byte in code page
// 932: scans that stepped through that code page had to step over them.
constexpr char kKanjiPlayer[] = "ソ表.exe";

DWORD Stored(const char* name) {
  DWORD type = 0, value = 0xFFFFFFFF;
  return settings::Read(name, &type, &value) ? value : 0xFFFFFFFF;
}

bool Checked(HWND dialog, int id) {
  return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Clicks a button of another process's dialog as the mouse would.
void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class DialogTest : public probe::TrayPlayerTest {
 protected:
  HWND StartBare(const std::string& exe) {
    player_.reset(new Process(exe, ""));
    return WaitForProcessWindow(player_->pid(), "#32770", probe::kPropertiesTitle, 10000, true);
  }
  // Chooses a tray menu item by its mnemonic.
  void Choose(HWND window, char mnemonic) {
    HWND menu = OpenMenu(window);
    ASSERT_TRUE(menu);
    probe::MenuChar(menu, mnemonic);
  }
  // Settings mode of a player with no installer beside it: Install warns,
  // and nothing is saved.
  void ExpectWarningWithoutInstaller() {
    const std::string player = dir_ + "/soBeep.exe";
    ASSERT_TRUE(CopyTo(PlayerExe(), player));
    HWND dialog = StartBare(WinPath(player));
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_INSTALL);
    HWND box = WaitForMessageBox(player_->pid(), "Install -WARNING-", 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), kInstallWarning);
    PressButton(box, IDOK);
    ASSERT_TRUE(player_->WaitExit(10000));
    EXPECT_EQ(player_->ExitCode(), 0u);
    EXPECT_EQ(Stored("Repeat"), 0xFFFFFFFFu) << "nothing may be saved";
    EXPECT_EQ(Stored("Delay"), 0xFFFFFFFFu);
  }
};

using SettingsModeTest = DialogTest;

TEST_F(SettingsModeTest, ShowsPropertiesWithInstallButtonAndCheckingRepeatStoresEight) {
  HWND dialog = StartBare(PlayerExe());
  ASSERT_TRUE(dialog) << DescribeWindows(player_->pid());
  HWND install = GetDlgItem(dialog, IDC_INSTALL);
  ASSERT_TRUE(install) << "settings mode creates the Install button";
  EXPECT_EQ(ClassName(install), "Button");
  EXPECT_EQ(WindowText(install), "Install(&I)");
  RECT button, client;
  GetWindowRect(install, &button);
  POINT origin = {0, 0};
  ClientToScreen(dialog, &origin);
  EXPECT_EQ(button.left - origin.x, 40);
  EXPECT_EQ(button.top - origin.y, 55);
  EXPECT_EQ(button.right - button.left, 80);
  EXPECT_EQ(button.bottom - button.top, 40);
  RECT frame;
  GetWindowRect(dialog, &frame);
  EXPECT_EQ(frame.left, 50);
  EXPECT_EQ(frame.top, 50);
  GetClientRect(dialog, &client);
  EXPECT_FALSE(FindProcessWindow(player_->pid(), kClass, nullptr, false)) << "no main window";
  EXPECT_FALSE(probe::TrayIconShown()) << "no tray icon in settings mode";
  EXPECT_FALSE(Checked(dialog, IDC_REPEAT));

  Click(dialog, IDC_REPEAT);
  ASSERT_TRUE(WaitUntil([&] { return Checked(dialog, IDC_REPEAT); }, 3000));
  Click(dialog, IDOK);
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u);
  EXPECT_EQ(Stored("Repeat"), 8u);
  EXPECT_EQ(Stored("Delay"), 0u) << "the dialog has no Delay box, so OK stores 0";
}

TEST_F(SettingsModeTest, CancelChangesNothing) {
  settings::SetDword("Repeat", 8);
  settings::SetDword("Delay", 8);
  HWND dialog = StartBare(PlayerExe());
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(Checked(dialog, IDC_REPEAT)) << "a stored 8 shows as checked";
  Click(dialog, IDC_REPEAT);
  ASSERT_TRUE(WaitUntil([&] { return !Checked(dialog, IDC_REPEAT); }, 3000));
  Click(dialog, IDCANCEL);
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u);
  EXPECT_EQ(Stored("Repeat"), 8u);
  EXPECT_EQ(Stored("Delay"), 8u);
}

TEST_F(SettingsModeTest, InstallStartsTheInstallerBesideThePlayer) {
  const std::string player = dir_ + "/" + kKanjiPlayer;
  ASSERT_TRUE(CopyTo(PlayerExe(), player));
  ASSERT_TRUE(CopyTo(probe::StandInExe(), dir_ + "/Install.exe"));
  HWND dialog = StartBare(WinPath(player));
  ASSERT_TRUE(dialog);
  Click(dialog, IDC_INSTALL);
  EXPECT_TRUE(WaitUntil([&] { return Exists(dir_ + "/Install.exe.ran"); }, 10000))
      << "the installer did not start";
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u);
  // Its own path is its program name, quoted: no blank in it could name
  // another program.
  const std::string line = ReadFile(dir_ + "/Install.exe.ran");
  const std::string program = Quoted(WinPath(dir_ + "/Install.exe"));
  EXPECT_EQ(line.substr(0, program.size()), program);
  EXPECT_EQ(line.find_first_not_of(' ', program.size()), std::string::npos) << line;
  EXPECT_EQ(Stored("Repeat"), 0u) << "the unchanged settings are saved";
  EXPECT_EQ(Stored("Delay"), 0u);
}

TEST_F(SettingsModeTest, InstallWithoutInstallerWarnsAndSavesNothing) {
  ExpectWarningWithoutInstaller();
}

// Under code page 1252 (the entry of WesternSettingsModeTest) the warning
// reads as on a Japanese system, where a text in code page 932 handed to an
// ANSI call would be mojibake.
using WesternSettingsModeTest = DialogTest;

TEST_F(WesternSettingsModeTest, TheWarningReadsAsOnAJapaneseSystem) {
  ASSERT_EQ(GetACP(), 1252u);
  ASSERT_EQ(probe::ChildAnsiCodePage(), 1252u);
  ExpectWarningWithoutInstaller();
}

// A directory under `dir` whose Windows path, with a backslash and `name`,
// is `length` bytes long.
std::string DirForModuleLength(const std::string& dir, std::size_t length, const char* name) {
  const std::size_t base = WinPath(dir).size() + 1;
  std::size_t rest = length - base - std::strlen(name);
  std::string host = dir;
  while (rest > 0) {
    const std::size_t part = rest > 200 ? 150 : rest;
    host += "/" + std::string(part - 1, 'd');
    rest -= part;
    MakeDirectory(host);
  }
  EXPECT_EQ(WinPath(host).size() + 1 + std::strlen(name), length);
  return host;
}

using InstallPathTest = DialogTest;

// 259 bytes: the player's own name fits, "Install.exe" would need 261.
// (Wine starts no program from a longer path, so a module name that fills
// the whole buffer is left to the unit tests of the rule.)
TEST_F(InstallPathTest, RefusedWhenTheInstallerPathWouldNotFit) {
  const std::string where = DirForModuleLength(dir_, 259, "soBeep.exe");
  ASSERT_TRUE(CopyTo(PlayerExe(), where + "/soBeep.exe"));
  // What a cut path would start instead.
  ASSERT_TRUE(CopyTo(probe::StandInExe(), where + "/Install.exe"));
  ASSERT_TRUE(CopyTo(probe::StandInExe(), where + "/Install.ex"));
  HWND dialog = StartBare(WinPath(where + "/soBeep.exe"));
  ASSERT_TRUE(dialog) << "the player did not start from its long path";
  Click(dialog, IDC_INSTALL);
  HWND box = WaitForMessageBox(player_->pid(), "Install -WARNING-", 10000);
  ASSERT_TRUE(box) << "the refused path must be reported as a failed start";
  PressButton(box, IDOK);
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u) << "no overrun";
  // A program it had started would still be starting.
  EXPECT_TRUE(HoldsFor(
      [&] { return !Exists(where + "/Install.exe.ran") && !Exists(where + "/Install.ex.ran"); },
      1000))
      << "a truncated path was started";
  EXPECT_EQ(Stored("Repeat"), 0xFFFFFFFFu);
}

using TrayDialogTest = DialogTest;

// Played on, the 20 s tones of these tests would fill the capture for
// several seconds without a pause.
bool Paused(const Capture& capture) { return capture.WaitQuiet(800, 3000); }

TEST_F(TrayDialogTest, PropertiesPausesAndHidesTheIconUntilClosed) {
  settings::SetDword("Repeat", 8);
  settings::SetDword("Delay", 8);
  Capture capture;
  probe::TraceLog log;
  HWND window = StartOnTone(20);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return !capture.Bytes().empty(); }, 5000));
  const std::string iconA = probe::TrayRequests(log, window).at(0).image;

  Choose(window, 'p');
  HWND dialog = WaitForProcessWindow(player_->pid(), "#32770", probe::kPropertiesTitle, 5000, true);
  ASSERT_TRUE(dialog);
  EXPECT_FALSE(GetDlgItem(dialog, IDC_INSTALL)) << "the Install button is for settings mode only";
  RECT frame;
  GetWindowRect(dialog, &frame);
  EXPECT_EQ(frame.left, 50);
  EXPECT_EQ(frame.top, 50);
  EXPECT_TRUE(Checked(dialog, IDC_REPEAT));
  EXPECT_FALSE(probe::TrayIconShown()) << "the icon is removed while the dialog is open";
  EXPECT_TRUE(Paused(capture)) << "playback must pause";

  const DWORD closed = GetTickCount();
  Click(dialog, IDCANCEL);
  ASSERT_TRUE(WaitUntil(probe::TrayIconShown, 3000)) << "the icon must come back";
  const auto adds = probe::TrayRequests(log, window);
  bool readded = false;
  for (const probe::TrayRequest& r : adds)
    if (r.action == NIM_ADD && r.tick >= closed) readded = r.image == iconA;
  EXPECT_TRUE(readded) << "the icon comes back as its first image";
  EXPECT_TRUE(capture.WaitGrowing(3000)) << "playback must resume";
  EXPECT_EQ(Stored("Repeat"), 8u);
  EXPECT_EQ(Stored("Delay"), 8u) << "Cancel changes nothing";

  // OK stores what the dialog shows, and always Delay 0.
  Choose(window, 'p');
  dialog = WaitForProcessWindow(player_->pid(), "#32770", probe::kPropertiesTitle, 5000, true);
  ASSERT_TRUE(dialog);
  Click(dialog, IDOK);
  ASSERT_TRUE(WaitUntil([] { return Stored("Delay") == 0; }, 3000));
  EXPECT_EQ(Stored("Repeat"), 8u);
  ASSERT_TRUE(WaitUntil(probe::TrayIconShown, 3000));
  ExitPlayer(window);
}

// On Repeat a dialog can open after a run has ended and before its replay
// has started, and a file this short ends within a pause: the replay then
// falls due while the dialog is open, and waits for it to close.
TEST_F(TrayDialogTest, ADialogOpenedBetweenTwoReplaysStillPauses) {
  settings::Replace(8, 0);
  WriteWave(dir_ + "/tick.wav", 0.02, 6);
  Capture capture;
  HWND window = probe::StartInTray(PlayerExe(), dir_ + "/tick.wav", &player_);
  ASSERT_TRUE(window);
  for (int cycle = 1; cycle <= 4; ++cycle) {
    PostMessageA(window, WM_COMMAND, kShowProperties, 0);
    HWND dialog =
        WaitForProcessWindow(player_->pid(), "#32770", probe::kPropertiesTitle, 5000, true);
    ASSERT_TRUE(dialog) << "dialog " << cycle;
    // A run that was playing when the dialog came is paused, not ended.
    ASSERT_TRUE(capture.WaitQuiet(200, 3000)) << "dialog " << cycle << ": no pause";
    const std::size_t opens = capture.Opens();
    EXPECT_TRUE(HoldsFor([&] { return capture.Opens() == opens; }, 500))
        << "dialog " << cycle << ": the file replays under it";
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
  }
  const std::size_t opens = capture.Opens();
  EXPECT_TRUE(WaitUntil([&] { return capture.Opens() >= opens + 2; }, 5000))
      << "the held replay must start once the dialog is gone";
  ExitPlayer(window);
}

// The shell's "open" verb of https runs the stand-in, which records the
// address; the original command comes back afterwards.
class LinkHandler {
 public:
  explicit LinkHandler(const std::string& exe) {
    RegCreateKeyExA(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", 0, nullptr, 0,
                    KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    DWORD size = sizeof saved_;
    hadValue_ = RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_),
                                 &size) == ERROR_SUCCESS;
    const std::string command = Quoted(exe) + " \"%1\"";
    RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
  }
  ~LinkHandler() {
    if (hadValue_)
      RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_),
                     static_cast<DWORD>(std::strlen(saved_) + 1));
    else
      RegDeleteValueA(key_, nullptr);
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  char saved_[1024] = "";
  bool hadValue_ = false;
};

HWND FocusOf(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
  return info.hwndFocus;
}

TEST_F(TrayDialogTest, AboutSitsNextToTheTrayAndItsInvisibleLinkOpensTheHomePage) {
  ASSERT_TRUE(CopyTo(probe::StandInExe(), dir_ + "/browser.exe"));
  LinkHandler handler(WinPath(dir_ + "/browser.exe"));
  settings::SetDword("Repeat", 8);
  settings::SetDword("Delay", 0);
  Capture capture;
  HWND window = StartOnTone(20);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return !capture.Bytes().empty(); }, 5000));

  Choose(window, 'v');
  HWND about = WaitForProcessWindow(player_->pid(), "#32770", kAbout, 5000, true);
  ASSERT_TRUE(about);
  RECT frame;
  GetWindowRect(about, &frame);
  EXPECT_EQ(frame.right, GetSystemMetrics(SM_CXSCREEN)) << "at the right edge";
  EXPECT_EQ(frame.bottom, GetSystemMetrics(SM_CYSCREEN) - 50) << "50 pixels above the bottom";
  EXPECT_FALSE(probe::TrayIconShown());
  EXPECT_TRUE(Paused(capture));

  // The link button is never drawn: where it lies over the bitmap, the
  // screen shows only the bitmap's grey and blue, and its last row is the
  // solid blue underline.
  HWND link = GetDlgItem(about, IDC_URL);
  ASSERT_TRUE(link);
  HWND picture = nullptr;
  for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP &&
        ClassName(child) == "Static")
      picture = child;
  ASSERT_TRUE(picture);
  RECT linkRect, pictureRect, both;
  GetWindowRect(link, &linkRect);
  GetWindowRect(picture, &pictureRect);
  ASSERT_TRUE(IntersectRect(&both, &linkRect, &pictureRect));
  int blue = 0, other = 0;
  const auto countColours = [&] {
    blue = other = 0;
    for (int y = both.top; y < both.bottom; ++y)
      for (int x = both.left; x < both.right; ++x) {
        const COLORREF c = probe::ScreenPixel(x, y);
        if (c == RGB(0, 0, 255))
          ++blue;
        else if (c != RGB(192, 192, 192))
          ++other;
      }
    return other == 0 && blue > 100;
  };
  // The box may be on the screen a moment before it is painted.
  WaitUntil(countColours, 3000, 100);
  EXPECT_EQ(other, 0) << "something is drawn over the bitmap";
  EXPECT_GT(blue, 100) << "the address does not show";
  if (pictureRect.bottom <= linkRect.bottom) {
    for (int x = both.left; x < both.right; ++x)
      EXPECT_EQ(probe::ScreenPixel(x, pictureRect.bottom - 1), RGB(0, 0, 255)) << x;
  }

  // Reachable by keyboard: Tab from OK reaches the link, the space bar
  // follows it, and the box stays open.
  ASSERT_EQ(FocusOf(about), GetDlgItem(about, IDOK));
  PostMessageA(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_TAB, 0);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(about) == link; }, 3000));
  PostMessageA(link, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageA(link, WM_KEYUP, VK_SPACE, 0xC0000000);
  ASSERT_TRUE(WaitUntil([&] { return Exists(dir_ + "/browser.exe.ran"); }, 10000))
      << "the home page was not opened";
  EXPECT_NE(ReadFile(dir_ + "/browser.exe.ran").find(kHomePage), std::string::npos);
  EXPECT_TRUE(IsWindowVisible(about));

  Click(about, IDOK);
  ASSERT_TRUE(WaitUntil(probe::TrayIconShown, 3000));
  EXPECT_FALSE(Paused(capture));
  ExitPlayer(window);
}

// A viewer left from an earlier test would be reused instead of started.
class HelpTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    probe::EndHelpViewers();
  }
  void TearDown() override { probe::EndHelpViewers(); }

  // Help chosen from the tray of a player installed in `hostDir` opens the
  // help file beside it.
  void ExpectHelpOpensFrom(const std::string& hostDir) {
    const std::string player = hostDir + "/" + kKanjiPlayer;
    ASSERT_TRUE(CopyTo(PlayerExe(), player));
    ASSERT_TRUE(CopyTo(probe::HelpFile(), hostDir + "/soBeep.hlp"));
    settings::SetDword("Repeat", 8);
    settings::SetDword("Delay", 0);
    HWND window = StartOnTone(20, WinPath(player));
    ASSERT_TRUE(window);
    Choose(window, 'h');
    std::vector<DWORD> viewers;
    ASSERT_TRUE(WaitUntil(
        [&] { return !(viewers = probe::ChildProcesses(player_->pid(), "winhlp32.exe")).empty(); },
        10000))
        << "no help viewer started";
    HWND shown = WaitForProcessWindow(viewers[0], nullptr, "SoBeep ヘルプ", 10000, true);
    EXPECT_TRUE(shown) << "the viewer did not open soBeep.hlp: " << DescribeWindows(viewers[0]);
    for (DWORD viewer : viewers) probe::EndProcess(viewer);
    EXPECT_TRUE(player_->Running());
    ExitPlayer(window);
  }
};

TEST_F(HelpTest, OpensTheViewerOnTheHelpFileBesideThePlayer) {
  ASSERT_LT(WinPath(dir_).size() + 1 + std::strlen("soBeep.hlp"), 128u);
  ExpectHelpOpensFrom(dir_);
}

// The viewer refuses a help file whose full path is 128 characters or more
// ("error while loading the help file"); from a folder that deep the player
// hands it the same file under its short name.
TEST_F(HelpTest, OpensTheHelpOfAnInstallationFolderOfAnyDepth) {
  std::string where = dir_;
  const std::string folder = "Sound programs of the family";
  const std::size_t length = 200 - std::strlen("\\soBeep.hlp");
  while (WinPath(where).size() < length) {
    const std::size_t room = length - WinPath(where).size() - 1;
    std::string name = folder.substr(0, room < folder.size() + 3 ? room : folder.size());
    if (name.back() == ' ') name.back() = '_';  // Windows drops a trailing blank
    where += "/" + name;
    ASSERT_TRUE(MakeDirectory(where)) << WinPath(where);
  }
  ASSERT_EQ(WinPath(where + "/soBeep.hlp").size(), 200u);
  ExpectHelpOpensFrom(where);
}

TEST_F(HelpTest, RefusedWhenTheHelpPathWouldNotFit) {
  // 255 bytes with the short name "s.exe": "soBeep.hlp" would need 261,
  // and a cut path would name "soBeep.hl".
  const std::string where = DirForModuleLength(dir_, 255, "s.exe");
  ASSERT_TRUE(CopyTo(PlayerExe(), where + "/s.exe"));
  ASSERT_TRUE(CopyTo(probe::HelpFile(), where + "/soBeep.hl"));
  settings::SetDword("Repeat", 8);
  settings::SetDword("Delay", 0);
  HWND window = StartOnTone(20, WinPath(where + "/s.exe"));
  ASSERT_TRUE(window);
  Choose(window, 'h');
  std::vector<DWORD> viewers;
  EXPECT_TRUE(HoldsFor(
      [&] { return (viewers = probe::ChildProcesses(player_->pid(), "winhlp32.exe")).empty(); },
      3000))
      << "a help viewer was started on a cut path";
  for (DWORD viewer : viewers) probe::EndProcess(viewer);
  EXPECT_TRUE(player_->Running()) << "no overrun";
  ExitPlayer(window);
}

}  // namespace
