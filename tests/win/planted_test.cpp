// Nothing planted beside the programs runs in their place. They are often
// started from a downloads folder, where anything can stand beside them: a
// program that an unquoted path with a blank would start instead of the
// installer, or DLLs named as system DLLs, which Windows looks for in the
// program's folder first unless they are known DLLs. Wine looks there
// first, too, for the DLLs that WINEDLLOVERRIDES makes native first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "installer/resources/resource.h"
#include "tests/win/harness.h"
#include "tests/win/ui_probe.h"

using namespace harness;

namespace {

constexpr DWORD kWait = 20000;
constexpr char kInstallerTitle[] = "soBeep のインストール";
const char* const kPlantedDlls[] = {"winmm.dll", "uxtheme.dll", "comctl32.dll"};

class PlantedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::Remove();
    dir_ = FreshDir();
  }
  static void Unpack(const std::string& hostDir) { harness::Unpack(SOBEEP_DIST, hostDir); }
  std::string dir_;
};

std::string ProgramOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  wchar_t path[MAX_PATH] = L"";
  DWORD size = MAX_PATH;
  if (process) {
    QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
  }
  return Utf8(path);
}

using PlantedProgramTest = PlantedTest;

// "…\My Tools\SoBeep\Install.exe", unquoted, is read up to the first blank
// that names a program: "…\My.exe".
TEST_F(PlantedProgramTest, InstallStartsTheInstallerBesideThePlayerAndNothingElse) {
  const std::string folder = dir_ + "/My Tools/SoBeep";
  MakeDirectory(dir_ + "/My Tools");
  Unpack(folder);
  ASSERT_TRUE(CopyTo(probe::StandInExe(), dir_ + "/My.exe"));
  Process player(WinPath(folder + "/soBeep.exe"), "");
  HWND properties =
      WaitForProcessWindow(player.pid(), "#32770", probe::kPropertiesTitle, kWait, true);
  ASSERT_TRUE(properties);
  PostMessageW(GetDlgItem(properties, IDC_INSTALL), BM_CLICK, 0, 0);
  HWND installer = nullptr;
  EXPECT_TRUE(WaitUntil(
      [&] { return (installer = FindWindowW(L"#32770", Wide(kInstallerTitle).c_str())); }, kWait))
      << "no installer; the planted program ran: " << Exists(dir_ + "/My.exe.ran");
  EXPECT_FALSE(Exists(dir_ + "/My.exe.ran")) << "the planted program ran";
  ASSERT_TRUE(player.WaitExit(kWait));
  EXPECT_EQ(player.ExitCode(), 0u);
  if (!installer) return;
  EXPECT_EQ(ProgramOf(installer), WinPath(folder + "/install.exe"));
  PressButton(installer, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(installer); }, kWait));
}

using PlantedDllTest = PlantedTest;

TEST_F(PlantedDllTest, NoDllBesideThePlayerOrTheInstallerRunsInThem) {
  const std::string downloads = dir_ + "/Downloads";
  Unpack(downloads);
  for (const char* dll : kPlantedDlls)
    ASSERT_TRUE(CopyTo(WinPath(SOBEEP_PLANTED_DLL), downloads + "/" + dll));

  // This session searches as Windows does (the entry makes the planted
  // names native first): a program there that loads the multimedia DLL by
  // name gets the planted one.
  ASSERT_TRUE(CopyTo(probe::StandInExe(), downloads + "/control.exe"));
  Process control(WinPath(downloads + "/control.exe"), "load winmm.dll");
  ASSERT_TRUE(control.WaitExit(kWait));
  ASSERT_TRUE(Exists(downloads + "/winmm.dll.loaded")) << "the planted DLL is never loaded here";
  ASSERT_TRUE(DeleteHostFile(downloads + "/winmm.dll.loaded"));

  // The player plays a file, with its window and its tray icon.
  const std::string data = WriteWave(downloads + "/chime.wav", 0.3, 4);
  Capture capture;
  Process player(WinPath(downloads + "/soBeep.exe"), Quoted(WinPath(downloads + "/chime.wav")));
  ASSERT_TRUE(player.WaitExit(kWait));
  EXPECT_EQ(player.ExitCode(), 0u);
  EXPECT_TRUE(SameAudio(capture.Bytes(), data)) << "the system's multimedia DLL played it";

  // The installer shows its dialog and the folder browser.
  Process installer(WinPath(downloads + "/install.exe"), "");
  HWND dialog = WaitForProcessWindow(installer.pid(), "#32770", kInstallerTitle, kWait, true);
  ASSERT_TRUE(dialog) << DescribeWindows(installer.pid());
  PressButton(dialog, IDC_BROWSE);
  HWND browser = WaitForOtherDialog(installer.pid(), dialog, kWait);
  EXPECT_TRUE(browser) << "no folder browser";
  if (browser) PressButton(browser, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !browser || !IsWindow(browser); }, kWait));
  PressButton(dialog, IDCANCEL);
  ASSERT_TRUE(installer.WaitExit(kWait));
  EXPECT_EQ(installer.ExitCode(), 0u);

  for (const char* dll : kPlantedDlls)
    EXPECT_FALSE(Exists(downloads + "/" + dll + ".loaded")) << dll << " ran in a program";
}

}  // namespace
