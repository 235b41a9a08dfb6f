// The installer end to end: the real install.exe copying the shipped files
// with the shell's file operations and writing the real registry, observed
// through its windows, message boxes, files, registry and exit code.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "installer/resources/resource.h"
#include "tests/win/harness.h"
#include "tests/win/ui_probe.h"

using namespace harness;

namespace {

constexpr char kDialogClass[] = "#32770";
constexpr char kDialogTitle[] = "soBeep のインストール";
constexpr char kFinishedCaption[] = "インストールの終了";
constexpr char kFinishedText[] =
    "インストールを終了しました\n\n設定は、SoBeep.exeを引数無しで実行して行ってください。";
constexpr char kErrorCaption[] = "error";
constexpr char kCopyFailed[] = "コピーできません";
constexpr char kAssocErrorCaption[] = "Installation of SoBeep";
constexpr char kProposed[] = "c:\\Program Files\\SoBeep";
constexpr int kDestField = IDC_DEST_DIR;
constexpr int kBrowse = IDC_BROWSE;
constexpr int kRemoveAssociation = IDC_REMOVE_ASSOC;
constexpr DWORD kWait = 20000;

std::string DistDir() { return SOBEEP_DIST; }
std::string CommandFor(const std::string& winDest) {
  return Quoted(winDest + "\\SoBeep.exe") + " " + Quoted("%1");
}

// --- the association under HKEY_CLASSES_ROOT -------------------------------

constexpr char kOtherType[] = "OtherSound";

void DeleteClass(const std::string& name) {
  RegDeleteTreeW(HKEY_CURRENT_USER, Wide("Software\\Classes\\" + name).c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide("Software\\Classes\\" + name).c_str());
}

void DeleteAssociations(const std::vector<std::string>& extraTypes = {}) {
  DeleteClass(".wav");
  DeleteClass("SoBeep");
  DeleteClass(kOtherType);
  for (const std::string& type : extraTypes) DeleteClass(type);
}

bool ClassExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

// A string value under HKEY_CLASSES_ROOT (nullptr: the default value).
bool ReadClassText(const std::string& key, const char* value, std::string* text) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  wchar_t data[1024] = L"";
  DWORD size = sizeof data - sizeof(wchar_t), type = 0;
  const LONG result = RegQueryValueExW(handle, value ? Wide(value).c_str() : nullptr, nullptr,
                                       &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return false;
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << key;
  const std::size_t units = size / sizeof(wchar_t);
  EXPECT_TRUE(units > 0 && data[units - 1] == L'\0') << key << ": the NUL is part of the value";
  *text = Utf8(data);
  return true;
}

std::string ClassText(const std::string& key, const char* value = nullptr) {
  std::string text;
  return ReadClassText(key, value, &text) ? text : "<missing>";
}

void WriteClassText(const std::string& key, const char* value, const std::string& text) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, Wide(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &handle, nullptr),
            ERROR_SUCCESS);
  const std::wstring data = Wide(text);
  RegSetValueExW(handle, value ? Wide(value).c_str() : nullptr, 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

// Every key and value under one class key, as text, to compare the
// registry before and after; a text value in UTF-8 with its stored NUL.
void DumpKey(HKEY key, const std::string& prefix, std::string* out) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    wchar_t data[2048];
    DWORD nameSize = 512, dataSize = sizeof data, type = 0;
    if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                      &dataSize) != ERROR_SUCCESS)
      break;
    *out += prefix + "[" + Utf8(name) +
            "]=" + Utf8(std::wstring(data, dataSize / sizeof(wchar_t))) + "\n";
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD nameSize = 512;
    if (RegEnumKeyExW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    DumpKey(sub, prefix + Utf8(name) + "\\", out);
    RegCloseKey(sub);
  }
}

std::string DumpClasses(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      out += name + " absent\n";
      continue;
    }
    DumpKey(key, name + "\\", &out);
    RegCloseKey(key);
  }
  return out;
}

// --- the installer's dialog ------------------------------------------------

std::string FieldText(HWND dialog) {
  wchar_t text[1024] = L"";
  DWORD_PTR result = 0;
  SendMessageTimeoutW(GetDlgItem(dialog, kDestField), WM_GETTEXT, 1024,
                      reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &result);
  return Utf8(text);
}

// Types `text` into the destination field, whatever its characters.
void SetField(HWND dialog, const std::string& text) {
  DWORD_PTR result = 0;
  const std::wstring wide = Wide(text);
  SendMessageTimeoutW(GetDlgItem(dialog, kDestField), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
  ASSERT_EQ(FieldText(dialog), text);
}

// A folder laid out as a user unpacks the shipped folder: the five files,
// the installer among them.
void Unpack(const std::string& hostDir) { harness::Unpack(DistDir(), hostDir); }

class Installer {
 public:
  explicit Installer(const std::string& sourceDir, const std::string& args = "")
      : process_(WinPath(sourceDir + "/install.exe"), args) {
    dialog_ = WaitForProcessWindow(process_.pid(), kDialogClass, kDialogTitle, kWait, true);
  }
  HWND dialog() const { return dialog_; }
  Process& process() { return process_; }
  DWORD pid() const { return process_.pid(); }
  HWND Box(const char* caption, DWORD timeoutMs = kWait) {
    return WaitForMessageBox(process_.pid(), caption, timeoutMs);
  }
  // Answers the box with this caption and returns its text.
  std::string Answer(const char* caption, int button) {
    HWND box = Box(caption);
    if (!box) return "<no box captioned " + std::string(caption) + ">";
    const std::string text = MessageBoxText(box);
    PressButton(box, button);
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return text;
  }
  // Types the destination and presses OK.
  void Submit(const std::string& winDest) {
    SetField(dialog_, winDest);
    PressButton(dialog_, IDOK);
  }
  // Submits the destination and accepts the completion message.
  void Install(const std::string& winDest) {
    Submit(winDest);
    EXPECT_EQ(Answer(kFinishedCaption, IDOK), kFinishedText);
    EXPECT_TRUE(process_.WaitExit(kWait));
    EXPECT_EQ(process_.ExitCode(), 0u);
  }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)); }

 private:
  Process process_;
  HWND dialog_ = nullptr;
};

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteAssociations();
    dir_ = FreshDir();
    source_ = dir_ + "/dist";
    Unpack(source_);
  }
  void TearDown() override { DeleteAssociations(); }
  // The installed files equal the shipped ones, byte for byte.
  void ExpectInstalled(const std::string& hostDest) {
    for (const std::string& name : ShippedFiles()) {
      const std::string installed = ReadFile(hostDest + "/" + name);
      if (installed.empty()) {
        ADD_FAILURE() << name << " missing in " << hostDest;
        continue;
      }
      EXPECT_TRUE(installed == ReadFile(DistDir() + "/" + name)) << name << " differs";
      EXPECT_EQ(Attributes(hostDest + "/" + name) & FILE_ATTRIBUTE_READONLY, 0u) << name;
    }
    EXPECT_FALSE(Exists(hostDest + "/chimbell.tst")) << "the write test leaves no file";
  }
  std::string dir_;
  std::string source_;
};

// --- start-up ----------------------------------------------------------------

using InstallerStartTest = InstallerTest;

TEST_F(InstallerStartTest, CreatesTheSettingsKeyAndShowsItsDialogWhateverTheArguments) {
  settings::Remove();
  ASSERT_FALSE(settings::KeyExists());
  Installer installer(source_, "/uninstall \"C:\\elsewhere\" -q");
  ASSERT_TRUE(installer.dialog()) << "the dialog titled soBeep のインストール";
  EXPECT_TRUE(settings::KeyExists());
  EXPECT_EQ(FieldText(installer.dialog()), kProposed) << "arguments change nothing";
  EXPECT_TRUE(installer.Enabled(IDOK));
  EXPECT_TRUE(installer.Enabled(IDCANCEL));
  PressButton(installer.dialog(), IDCANCEL);
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  EXPECT_EQ(installer.process().ExitCode(), 0u);
  EXPECT_FALSE(ClassExists(".wav")) << "Cancel writes no association";
}

TEST_F(InstallerStartTest, ASecondInstallerEndsAtOnceWhileTheDialogIsOpen) {
  Installer first(source_);
  ASSERT_TRUE(first.dialog());
  Process second(WinPath(source_ + "/install.exe"), "");
  bool shown = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        shown = shown || FindProcessWindow(second.pid(), nullptr, nullptr, true);
        return !second.Running();
      },
      kWait));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_FALSE(shown) << "the second installer shows nothing";
  EXPECT_TRUE(first.process().Running());
  PressButton(first.dialog(), IDCANCEL);
  ASSERT_TRUE(first.process().WaitExit(kWait));
  // Once the dialog is gone, the next installer runs again.
  Installer third(source_);
  EXPECT_TRUE(third.dialog());
  PressButton(third.dialog(), IDCANCEL);
  EXPECT_TRUE(third.process().WaitExit(kWait));
}

// --- the copy ----------------------------------------------------------------

using InstallCopyTest = InstallerTest;

TEST_F(InstallCopyTest, InstallsIntoANewFolderAndReplacesReadOnlyFiles) {
  // The destination is one level below an existing folder that already
  // holds an old, read-only player; a read-only shipped file must not stay
  // read-only once installed.
  const std::string parent = dir_ + "/apps";
  MakeDirectory(parent);
  const std::string dest = parent + "/SoBeep";
  MakeDirectory(dest);
  WriteFile(dest + "/soBeep.exe", "an older player");
  SetAttributes(dest + "/soBeep.exe", FILE_ATTRIBUTE_READONLY);
  RemoveDirectoryW(Wide(WinPath(dest)).c_str());  // fails while the old file is there
  ASSERT_TRUE(Exists(dest + "/soBeep.exe"));
  SetAttributes(source_ + "/soBeep.hlp", FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(Attributes(source_ + "/soBeep.hlp") & FILE_ATTRIBUTE_READONLY, 0u);

  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest));
  ExpectInstalled(dest);
}

TEST_F(InstallCopyTest, CreatesAMissingFolderOneLevelBelowAnExistingOneOnEnter) {
  const std::string dest = dir_ + "/new";
  ASSERT_FALSE(Exists(dest));
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  SetField(installer.dialog(), WinPath(dest));
  // Enter in the destination field acts as the default button, OK.
  HWND field = GetDlgItem(installer.dialog(), kDestField);
  PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageW(field, WM_KEYUP, VK_RETURN, 0xC01C0001);
  EXPECT_EQ(installer.Answer(kFinishedCaption, IDOK), kFinishedText);
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  EXPECT_EQ(installer.process().ExitCode(), 0u);
  ExpectInstalled(dest);
}

TEST_F(InstallCopyTest, ATrailingSeparatorIsNotDoubledInTheCopyButKeptInTheCommand) {
  const std::string dest = dir_ + "/slash";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest) + "\\");
  ExpectInstalled(dest);
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest) + "\\"));
}

TEST_F(InstallCopyTest, DoubleBytePathsWhoseTrailByteIsABackslashAreJoinedWhole) {
  // "表" is 0x95 0x5C in code page 932: both the installer's own folder
  // and the destination end in it.
  const std::string source = dir_ + "/配布表";
  Unpack(source);
  const std::string dest = dir_ + "/インストール先表";
  Installer installer(source);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest));
  ExpectInstalled(dest);
  EXPECT_FALSE(Exists(dir_ + "/インストール先表soBeep.exe"));
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
}

// Folders of any script, also outside the Basic Multilingual Plane ("𠮷"),
// for the shipped files and for the destination typed into the field.
TEST_F(InstallCopyTest, FoldersNamedInAnyScriptGetEveryFileAndTheCommand) {
  const std::string source = dir_ + "/配布 𠮷";
  Unpack(source);
  const std::string dest = dir_ + "/Müsik 𠮷";
  Installer installer(source);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest));
  ExpectInstalled(dest);
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
}

// The shell's copy said nothing failed, yet made no file: a destination
// with a character no file name may hold. The installer looks for itself.
TEST_F(InstallCopyTest, ACopyTheShellCalledDoneThatMadeNoFileIsReported) {
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dir_) + "\\c?d");
  EXPECT_EQ(installer.Answer(kErrorCaption, IDCANCEL), kCopyFailed);
  EXPECT_TRUE(
      HoldsFor([&] { return !WaitForMessageBox(installer.pid(), kFinishedCaption, 0); }, 1500))
      << "an installation that copied nothing is no installation";
  EXPECT_TRUE(IsWindowVisible(installer.dialog()));
  EXPECT_FALSE(ClassExists(".wav"));
  PressButton(installer.dialog(), IDCANCEL);
}

TEST_F(InstallCopyTest, AFailedWriteTestKeepsTheDialogOpenWithNothingCopied) {
  // A plain file where the destination's parent folder should be: the
  // shell can create neither the folder nor the test file.
  WriteFile(dir_ + "/blocked", "a file, not a folder");
  const std::string dest = dir_ + "/blocked/SoBeep";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dest));
  ASSERT_TRUE(WaitUntil([&] { return !installer.Enabled(IDOK); }, kWait));
  EXPECT_TRUE(HoldsFor(
      [&] {
        return !WaitForMessageBox(installer.pid(), kErrorCaption, 0) &&
               !WaitForMessageBox(installer.pid(), kFinishedCaption, 0);
      },
      1500))
      << "the installer adds no report of its own";
  EXPECT_TRUE(IsWindowVisible(installer.dialog()));
  EXPECT_FALSE(installer.Enabled(IDCANCEL)) << "OK and Cancel stay disabled";
  EXPECT_TRUE(installer.Enabled(kBrowse));
  EXPECT_TRUE(installer.Enabled(kRemoveAssociation));
  EXPECT_EQ(ReadFile(dir_ + "/blocked"), "a file, not a folder");
  EXPECT_FALSE(ClassExists(".wav"));
}

TEST_F(InstallCopyTest, AMissingMiddleFileIsReportedAndTheInstallationGoesOn) {
  DeleteHostFile(source_ + "/soBeep.hlp");
  const std::string dest = dir_ + "/target";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dest));
  EXPECT_EQ(installer.Answer(kErrorCaption, IDRETRY), kCopyFailed);
  EXPECT_EQ(installer.Answer(kFinishedCaption, IDOK), kFinishedText);
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  EXPECT_FALSE(Exists(dest + "/soBeep.hlp"));
  for (const char* name : {"soBeep.exe", "install.exe", "soBeep.cnt", "soBeep.hed"})
    EXPECT_TRUE(Exists(dest + "/" + name)) << name;
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
}

TEST_F(InstallCopyTest, AMissingLastFileEndsTheDialogWithoutAssociation) {
  DeleteHostFile(source_ + "/soBeep.hed");
  const std::string dest = dir_ + "/target";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dest));
  EXPECT_EQ(installer.Answer(kErrorCaption, IDCANCEL), kCopyFailed);
  ASSERT_TRUE(installer.process().WaitExit(kWait)) << "the dialog ends after the last failure";
  EXPECT_EQ(installer.process().ExitCode(), 0u);
  EXPECT_FALSE(Exists(dest + "/soBeep.hed"));
  EXPECT_TRUE(Exists(dest + "/soBeep.cnt"));
  EXPECT_FALSE(ClassExists(".wav"));
  EXPECT_FALSE(ClassExists("SoBeep"));
}

TEST_F(InstallCopyTest, TheInstallersOwnFolderAsDestinationRefusesEveryCopy) {
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(source_));
  for (const std::string& name : ShippedFiles()) {
    EXPECT_EQ(installer.Answer(kErrorCaption, IDRETRY), kCopyFailed) << name;
  }
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  for (const std::string& name : ShippedFiles())
    EXPECT_TRUE(ReadFile(source_ + "/" + name) == ReadFile(DistDir() + "/" + name))
        << name << " must survive a copy onto itself";
  EXPECT_FALSE(ClassExists(".wav"));
}

TEST_F(InstallCopyTest, OkAndCancelDoNothingWhileAnInstallationRuns) {
  DeleteHostFile(source_ + "/soBeep.exe");
  const std::string dest = dir_ + "/target";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dest));
  HWND box = installer.Box(kErrorCaption);
  ASSERT_TRUE(box) << "the first file fails and its report holds the installation";
  EXPECT_FALSE(installer.Enabled(IDOK));
  EXPECT_FALSE(installer.Enabled(IDCANCEL));
  // Commands that still arrive, as from another program, are ignored.
  PressButton(installer.dialog(), IDCANCEL);
  PressButton(installer.dialog(), IDOK);
  EXPECT_TRUE(HoldsFor(
      [&] {
        return IsWindowVisible(installer.dialog()) &&
               !WaitForMessageBox(installer.pid(), kFinishedCaption, 0);
      },
      1000))
      << "Cancel ended the running installation, or OK started another";
  PressButton(box, IDCANCEL);
  EXPECT_EQ(installer.Answer(kFinishedCaption, IDOK), kFinishedText) << "only one installation ran";
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
}

// A Windows path of exactly `length` bytes below `hostDir`, made of folders
// of at most 100 bytes; the folders are created when asked.
std::string LongPath(const std::string& hostDir, std::size_t length, bool create) {
  std::string path = WinPath(hostDir);
  if (create) CreateDirectoryW(Wide(path).c_str(), nullptr);
  while (path.size() < length) {
    const std::size_t room = length - path.size() - 1;
    std::size_t part = room > 100 ? 100 : room;
    if (room > 100 && room - 100 < 2) part = room - 2;
    path += "\\" + std::string(part, 'p');
    if (create) CreateDirectoryW(Wide(path).c_str(), nullptr);
  }
  return path;
}

TEST_F(InstallCopyTest, ADestinationTooLongForItsJoinsIsRefusedBeforeAnythingIsWritten) {
  const std::string tooLong = LongPath(dir_ + "/long", 246, false);
  ASSERT_EQ(tooLong.size(), 246u);
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(tooLong);
  EXPECT_EQ(installer.Answer(kErrorCaption, IDOK),
            "インストール先のディレクトリが長すぎます。\n短いディレクトリを指定してください。");
  EXPECT_FALSE(Exists(dir_ + "/long")) << "nothing is created for a refused destination";
  EXPECT_FALSE(ClassExists(".wav"));
  // Nothing was started, so the user can correct the path and install.
  ASSERT_TRUE(WaitUntil([&] { return installer.Enabled(IDOK); }, 5000));
  EXPECT_TRUE(installer.Enabled(IDCANCEL));
  const std::string longest = LongPath(dir_ + "/long", 245, false);
  installer.Install(longest);
  ExpectInstalled(HostPath(longest));
}

TEST_F(InstallCopyTest, AnInstallerFolderTooLongForItsSourcesIsRefused) {
  // 247 bytes: "soBeep.exe" still joins within 260, "install.exe" no longer.
  const std::string longSource = LongPath(dir_ + "/deep", 247, true);
  ASSERT_EQ(longSource.size(), 247u);
  const std::string hostSource = HostPath(longSource);
  Unpack(hostSource);
  const std::string dest = dir_ + "/target";
  Installer installer(hostSource);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dest));
  EXPECT_EQ(installer.Answer(kErrorCaption, IDOK),
            "インストーラのあるディレクトリが長すぎます。\n短いディレクトリから実行してください。");
  EXPECT_FALSE(Exists(dest)) << "not even the write test ran";
  PressButton(installer.dialog(), IDCANCEL);
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  EXPECT_FALSE(ClassExists(".wav"));
}

// --- the folder browser and the apology --------------------------------------

using InstallDialogTest = InstallerTest;

HWND WaitForBrowser(DWORD pid) {
  return WaitForProcessWindow(pid, kDialogClass, "フォルダーの参照", kWait, true);
}

TEST_F(InstallDialogTest, TheBrowsedFolderGetsSoBeepJoined) {
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  PressButton(installer.dialog(), kBrowse);
  HWND browser = WaitForBrowser(installer.pid());
  ASSERT_TRUE(browser);
  EXPECT_EQ(WindowText(GetDlgItem(browser, 14146)),
            "SoBeepをインストールするフォルダを選択してください。");
  EXPECT_TRUE(FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr));
  // The browser opens on the desktop, whose folder is a file-system path.
  wchar_t desktop[MAX_PATH] = L"";
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
  PressButton(browser, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return FieldText(installer.dialog()) != kProposed; }, kWait));
  EXPECT_EQ(FieldText(installer.dialog()), Utf8(desktop) + "\\SoBeep");

  // Cancelled, the browser leaves the field's text, which still gets the
  // folder name joined.
  SetField(installer.dialog(), "D:\\Tools");
  PressButton(installer.dialog(), kBrowse);
  browser = WaitForBrowser(installer.pid());
  ASSERT_TRUE(browser);
  PressButton(browser, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return FieldText(installer.dialog()) != "D:\\Tools"; }, kWait));
  EXPECT_EQ(FieldText(installer.dialog()), "D:\\Tools\\SoBeep");
  PressButton(installer.dialog(), IDCANCEL);
  EXPECT_TRUE(installer.process().WaitExit(kWait));
}

TEST_F(InstallDialogTest, ABrowsedPathTooLongForTheFolderNameIsRefused) {
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  const std::string full = "C:\\" + std::string(250, 'f');
  SetField(installer.dialog(), full);
  PressButton(installer.dialog(), kBrowse);
  HWND browser = WaitForBrowser(installer.pid());
  ASSERT_TRUE(browser);
  PressButton(browser, IDCANCEL);
  EXPECT_EQ(installer.Answer(kErrorCaption, IDOK),
            "選択したフォルダが長すぎます。\n短いフォルダを選択してください。");
  EXPECT_EQ(FieldText(installer.dialog()), full) << "the field keeps its text";
  PressButton(installer.dialog(), IDCANCEL);
  EXPECT_TRUE(installer.process().WaitExit(kWait));
}

TEST_F(InstallDialogTest, RemoveAssociationOnlyApologisesWhateverTheAnswer) {
  const std::string command = CommandFor("C:\\Earlier");
  WriteClassText(".wav", nullptr, "SoBeep");
  WriteClassText("SoBeep\\shell", nullptr, "sobeep");
  WriteClassText("SoBeep\\shell\\sobeep\\command", nullptr, command);
  const std::string before = DumpClasses({".wav", "SoBeep"});
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());

  PressButton(installer.dialog(), kRemoveAssociation);
  EXPECT_EQ(installer.Answer("SoBeep Installation", IDYES),
            "ごめんなさい、まだできてません\n許してください。");
  EXPECT_EQ(installer.Answer("謝辞", IDOK), "許してくれてありがとう");

  PressButton(installer.dialog(), kRemoveAssociation);
  EXPECT_EQ(installer.Answer("SoBeep Installation", IDNO),
            "ごめんなさい、まだできてません\n許してください。");
  EXPECT_EQ(installer.Answer("最低だ……", IDOK),
            "うう、許してくれなくて当然ですよね。\nやっぱり僕は要らない人間なんだ……\nくるくる～");

  EXPECT_TRUE(IsWindowVisible(installer.dialog())) << "the dialog stays open";
  EXPECT_EQ(DumpClasses({".wav", "SoBeep"}), before);
  PressButton(installer.dialog(), IDCANCEL);
  EXPECT_TRUE(installer.process().WaitExit(kWait));
}

// --- the association ---------------------------------------------------------

using AssociationTest = InstallerTest;

TEST_F(AssociationTest, WithoutAWavKeyTheSoBeepTypeIsCreated) {
  ASSERT_FALSE(ClassExists(".wav"));
  const std::string dest = dir_ + "/SoBeep";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest));
  EXPECT_EQ(ClassText(".wav"), "SoBeep");
  EXPECT_EQ(ClassText("SoBeep\\shell"), "sobeep");
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
  std::string backup;
  EXPECT_FALSE(ReadClassText("SoBeep\\shell\\sobeep\\command", "SoBeep.bak", &backup))
      << "no backup without an earlier command";
  EXPECT_EQ(DumpClasses({"SoBeep\\shell\\sobeep"}),
            "SoBeep\\shell\\sobeep\\command\\[]=" + CommandFor(WinPath(dest)) +
                std::string(1, '\0') + "\n")
      << "the verb carries nothing but its command";
}

TEST_F(AssociationTest, ATypeOwnedByAnotherProgramGetsTheVerbAsItsDefault) {
  WriteClassText(".wav", nullptr, kOtherType);
  WriteClassText(".wav", "Content Type", "audio/wav");
  WriteClassText(std::string(kOtherType) + "\\shell\\play\\command", nullptr, "player.exe \"%1\"");
  WriteClassText(std::string(kOtherType) + "\\shell", nullptr, "play");
  const std::string wavBefore = DumpClasses({".wav"});
  const std::string dest = dir_ + "/SoBeep";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest));
  EXPECT_EQ(DumpClasses({".wav"}), wavBefore) << ".wav is left untouched";
  EXPECT_FALSE(ClassExists("SoBeep"));
  const std::string type = kOtherType;
  EXPECT_EQ(ClassText(type + "\\shell"), "sobeep");
  EXPECT_EQ(ClassText(type + "\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
  EXPECT_EQ(ClassText(type + "\\shell\\play\\command"), "player.exe \"%1\"")
      << "the other verbs stay";
}

TEST_F(AssociationTest, AnEmptyTypeIsFilledWithSoBeep) {
  WriteClassText(".wav", nullptr, "");
  const std::string dest = dir_ + "/SoBeep";
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dest));
  EXPECT_EQ(ClassText(".wav"), "SoBeep");
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(dest)));
}

TEST_F(AssociationTest, ASecondInstallationKeepsTheFirstCommandAsBackup) {
  const std::string first = dir_ + "/first";
  const std::string second = dir_ + "/second";
  {
    Installer installer(source_);
    ASSERT_TRUE(installer.dialog());
    installer.Install(WinPath(first));
  }
  {
    Installer installer(source_);
    ASSERT_TRUE(installer.dialog());
    installer.Install(WinPath(second));
  }
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command"), CommandFor(WinPath(second)));
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command", "SoBeep.bak"), CommandFor(WinPath(first)));
  ExpectInstalled(second);
}

TEST_F(AssociationTest, TextsTooLongForTheWorkTextAreRefusedWithTheRegistryAsFound) {
  const std::string longType(300, 't');
  const std::vector<std::string> classes = {".wav", "SoBeep", longType};
  // A type name of 300 bytes has no room for its NUL in 300 bytes.
  WriteClassText(".wav", nullptr, longType);
  std::string before = DumpClasses(classes);
  {
    Installer installer(source_);
    ASSERT_TRUE(installer.dialog());
    installer.Submit(WinPath(dir_ + "/a"));
    EXPECT_EQ(installer.Answer(kAssocErrorCaption, IDOK), "Error");
    EXPECT_TRUE(IsWindowVisible(installer.dialog())) << "the dialog stays open";
    EXPECT_EQ(DumpClasses(classes), before);
  }
  // An earlier command of 300 bytes cannot be read whole for its backup.
  WriteClassText(".wav", nullptr, "SoBeep");
  WriteClassText("SoBeep\\shell", nullptr, "open");
  WriteClassText("SoBeep\\shell\\sobeep\\command", nullptr, std::string(300, 'c'));
  before = DumpClasses(classes);
  {
    Installer installer(source_);
    ASSERT_TRUE(installer.dialog());
    installer.Submit(WinPath(dir_ + "/b"));
    EXPECT_EQ(installer.Answer(kAssocErrorCaption, IDOK), "Error");
    EXPECT_EQ(DumpClasses(classes), before);
    EXPECT_FALSE(installer.Enabled(IDOK)) << "OK stays disabled after a refused association";
    EXPECT_FALSE(installer.Enabled(IDCANCEL));
  }
  // One byte less fits: the command moves to the backup.
  WriteClassText("SoBeep\\shell\\sobeep\\command", nullptr, std::string(299, 'c'));
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Install(WinPath(dir_ + "/c"));
  EXPECT_EQ(ClassText("SoBeep\\shell\\sobeep\\command", "SoBeep.bak"), std::string(299, 'c'));
  EXPECT_EQ(ClassText("SoBeep\\shell"), "sobeep");
}

TEST_F(AssociationTest, AShellKeyThatCannotBeCreatedEndsTheInstallerWithCodeOne) {
  // A registry key name holds at most 255 characters, so the type's shell
  // key cannot be made, though the name fits the work text.
  const std::string type(260, 'k');
  WriteClassText(".wav", nullptr, type);
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dir_ + "/SoBeep"));
  EXPECT_EQ(installer.Answer(kAssocErrorCaption, IDOK), "Error");
  ASSERT_TRUE(installer.process().WaitExit(kWait));
  EXPECT_EQ(installer.process().ExitCode(), 1u);
  EXPECT_EQ(ClassText(".wav"), type);
  EXPECT_TRUE(settings::KeyExists());
  ExpectInstalled(dir_ + "/SoBeep");
}

// Installs into `hostDest`, then opens `wave` as a double-click does: the
// installed player plays exactly that file and ends.
void ExpectShellOpenPlays(const std::string& source, const std::string& hostDest,
                          const std::string& wave) {
  {
    Installer installer(source);
    ASSERT_TRUE(installer.dialog());
    installer.Install(WinPath(hostDest));
  }
  const std::string data = WriteWave(wave, 0.4, 5);
  Capture capture;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = nullptr;  // the type's default verb, as a double-click uses
  const std::wstring file = Wide(WinPath(wave));
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExW(&info)) << GetLastError();
  ASSERT_TRUE(info.hProcess) << "the shell started a program";
  wchar_t started[MAX_PATH] = L"";
  DWORD size = MAX_PATH;
  EXPECT_TRUE(QueryFullProcessImageNameW(info.hProcess, 0, started, &size));
  EXPECT_EQ(lstrcmpiW(started, Wide(WinPath(hostDest + "/soBeep.exe")).c_str()), 0)
      << Utf8(started);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(capture.Opens(), 1u);
  EXPECT_TRUE(SameAudio(capture.Bytes(), data));
}

TEST_F(AssociationTest, OpeningAWaveFileInTheShellPlaysItWithTheInstalledPlayer) {
  settings::Remove();
  // The bench's own player is not on this road: only the installed copy.
  MakeDirectory(dir_ + "/apps");
  ExpectShellOpenPlays(source_, dir_ + "/apps/SoBeep", dir_ + "/chime.wav");
}

TEST_F(AssociationTest, AFileOfAnyNameInAFolderOfAnyNamePlaysWithThePlayerOfAnyFolder) {
  settings::Remove();
  MakeDirectory(dir_ + "/Müsik 𠮷");
  MakeDirectory(dir_ + "/café");
  ExpectShellOpenPlays(source_, dir_ + "/Müsik 𠮷/SoBeep", dir_ + "/café/𠮷野 チャイム.wav");
}

// --- repeated installations and faults --------------------------------------

using RepeatedInstallTest = InstallerTest;

constexpr char kCommandKey[] = "SoBeep\\shell\\sobeep\\command";

void MakeReadOnly(const std::string& hostDest) {
  for (const std::string& name : ShippedFiles())
    ASSERT_TRUE(SetAttributes(hostDest + "/" + name, FILE_ATTRIBUTE_READONLY)) << name;
}

TEST_F(RepeatedInstallTest, TwentyInstallationsIntoOneFolderEachKeepThePreviousCommand) {
  const std::string dest = dir_ + "/SoBeep";
  const std::string command = CommandFor(WinPath(dest));
  std::string previous;
  for (int run = 1; run <= 20; ++run) {
    SCOPED_TRACE("installation " + std::to_string(run));
    if (run > 1) MakeReadOnly(dest);
    // Every other run finds a command that another installation wrote.
    if (run % 2 == 0) {
      previous = "\"C:\\old" + std::to_string(run) + "\\soBeep.exe\" \"%1\"";
      WriteClassText(kCommandKey, nullptr, previous);
    }
    Installer installer(source_);
    ASSERT_TRUE(installer.dialog());
    installer.Install(WinPath(dest));
    ExpectInstalled(dest);
    EXPECT_EQ(ClassText(".wav"), "SoBeep");
    EXPECT_EQ(ClassText(kCommandKey), command);
    std::string backup;
    if (run == 1) {
      EXPECT_FALSE(ReadClassText(kCommandKey, "SoBeep.bak", &backup)) << backup;
    } else {
      EXPECT_EQ(ClassText(kCommandKey, "SoBeep.bak"), previous);
    }
    previous = command;
    if (HasFailure()) break;
  }
}

// Another program holds a file open without sharing, so the file system
// refuses to replace it, as a destination that turned read-only would.
class HeldFile {
 public:
  explicit HeldFile(const std::string& hostPath)
      : handle_(CreateFileW(Wide(WinPath(hostPath)).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

using InstallFaultTest = InstallerTest;

TEST_F(InstallFaultTest, ADestinationThatRefusesWritesMidInstallLosesNothing) {
  // An earlier installation: its files and its command.
  const std::string dest = dir_ + "/SoBeep";
  MakeDirectory(dest);
  for (const std::string& name : ShippedFiles())
    WriteFile(dest + "/" + name, std::string("old ") + name);
  const std::string oldCommand = "\"C:\\old\\soBeep.exe\" \"%1\"";
  WriteClassText(".wav", nullptr, "SoBeep");
  WriteClassText(kCommandKey, nullptr, oldCommand);
  const std::string registryBefore = DumpClasses({".wav", "SoBeep"});

  // The help file is missing, so the installer stops at its report after
  // the player has been copied; the rest of the destination turns
  // unwritable while the report is open.
  DeleteHostFile(source_ + "/soBeep.hlp");
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog());
  installer.Submit(WinPath(dest));
  HWND box = installer.Box(kErrorCaption);
  ASSERT_TRUE(box);
  EXPECT_EQ(ReadFile(dest + "/soBeep.exe"), ReadFile(DistDir() + "/soBeep.exe"));
  std::vector<std::unique_ptr<HeldFile>> held;
  for (const char* name : {"install.exe", "soBeep.cnt", "soBeep.hed"}) {
    held.emplace_back(new HeldFile(dest + "/" + name));
    ASSERT_TRUE(held.back()->held()) << name;
  }
  for (int report = 0; report < 4; ++report)
    EXPECT_EQ(installer.Answer(kErrorCaption, report % 2 ? IDCANCEL : IDRETRY), kCopyFailed)
        << "report " << report;
  ASSERT_TRUE(installer.process().WaitExit(kWait)) << "the dialog ends after the last failure";
  EXPECT_EQ(installer.process().ExitCode(), 0u);
  EXPECT_FALSE(installer.Box(kFinishedCaption, 500)) << "a failed copy is no success";
  held.clear();

  EXPECT_EQ(ReadFile(dest + "/soBeep.exe"), ReadFile(DistDir() + "/soBeep.exe"));
  for (const char* name : {"soBeep.hlp", "install.exe", "soBeep.cnt", "soBeep.hed"})
    EXPECT_EQ(ReadFile(dest + "/" + name), std::string("old ") + name)
        << name << ": the earlier installation's file must stay whole";
  EXPECT_EQ(DumpClasses({".wav", "SoBeep"}), registryBefore) << "the association stays as it was";
}

// --- on a Western system ----------------------------------------------------

// Under code page 1252 (the entries of WesternInstallerTest) every caption
// and text reads as on a Japanese system: the dialog's title (which the
// look-up goes by), the folder browser's prompt and the reports. Texts in
// code page 932 handed to the ANSI calls would be mojibake there.
class WesternInstallerTest : public InstallerTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_EQ(probe::ChildAnsiCodePage(), 1252u);
    InstallerTest::SetUp();
  }
};

TEST_F(WesternInstallerTest, TextsReadAsOnAJapaneseSystem) {
  Installer installer(source_);
  ASSERT_TRUE(installer.dialog()) << "the dialog titled soBeep のインストール";
  PressButton(installer.dialog(), kBrowse);
  // The folder browser, whatever its caption in the system's language.
  HWND browser = WaitForOtherDialog(installer.pid(), installer.dialog(), kWait);
  ASSERT_TRUE(browser) << "no folder browser";
  EXPECT_EQ(WindowText(GetDlgItem(browser, 14146)),
            "SoBeepをインストールするフォルダを選択してください。");
  PressButton(browser, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, kWait));
  const std::string dest = dir_ + "/café";
  installer.Install(WinPath(dest));
  ExpectInstalled(dest);
}

// --- the resources -------------------------------------------------------------

// Reads the installer's resources as the loader sees them.
class Resources {
 public:
  Resources() {
    module_ = LoadLibraryExW(Wide(WinPath(DistDir() + "/install.exe")).c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE);
  }
  ~Resources() {
    if (module_) FreeLibrary(module_);
  }
  const BYTE* Find(const wchar_t* type, int id, DWORD* size) const {
    HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id),
                                  MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (!found) return nullptr;
    *size = SizeofResource(module_, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
  }
  HMODULE module() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

// Walks a DLGTEMPLATEEX.
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* p) : p_(p) {}
  WORD Word() {
    WORD w;
    std::memcpy(&w, p_, 2);
    p_ += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d;
    std::memcpy(&d, p_, 4);
    p_ += 4;
    return d;
  }
  BYTE Byte() { return *p_++; }
  std::wstring Text() {
    std::wstring s;
    for (WORD c; (c = Word()) != 0;) s.push_back(static_cast<wchar_t>(c));
    return s;
  }
  // A name or an ordinal, the ordinal written as "#n".
  std::wstring NameOrOrdinal() {
    WORD first;
    std::memcpy(&first, p_, 2);
    if (first == 0xFFFF) {
      Word();
      return L"#" + std::to_wstring(Word());
    }
    return Text();
  }
  void AlignDword(const BYTE* base) {
    while ((p_ - base) % 4) ++p_;
  }
  void Skip(std::size_t n) { p_ += n; }

 private:
  const BYTE* p_;
};

struct Control {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  int id;
  std::wstring className;
  std::wstring text;
};

std::wstring ClassOf(const std::wstring& name) {
  if (name == L"#128") return L"button";
  if (name == L"#129") return L"edit";
  if (name == L"#130") return L"static";
  std::wstring lower = name;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  return lower;
}

TEST(InstallerResourceTest, DialogTemplateHasItsControlsStylesAndFont) {
  Resources resources;
  ASSERT_TRUE(resources.module());
  DWORD size = 0;
  const BYTE* base = resources.Find(RT_DIALOG, IDD_INSTALLER, &size);
  ASSERT_TRUE(base) << "the installation dialog in Japanese";
  TemplateReader reader(base);
  EXPECT_EQ(reader.Word(), 1) << "an extended template";
  EXPECT_EQ(reader.Word(), 0xFFFF);
  reader.Dword();  // help id
  EXPECT_EQ(reader.Dword(), static_cast<DWORD>(WS_EX_CONTEXTHELP));
  EXPECT_EQ(reader.Dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                               DS_CENTER | DS_SETFOREGROUND | DS_SETFONT));
  const WORD count = reader.Word();
  EXPECT_EQ(count, 8);
  const short frame[4] = {static_cast<short>(reader.Word()), static_cast<short>(reader.Word()),
                          static_cast<short>(reader.Word()), static_cast<short>(reader.Word())};
  EXPECT_EQ(frame[0], 0);
  EXPECT_EQ(frame[1], 0);
  EXPECT_EQ(frame[2], 175);
  EXPECT_EQ(frame[3], 147);
  EXPECT_EQ(reader.NameOrOrdinal(), L"") << "no menu";
  EXPECT_EQ(reader.NameOrOrdinal(), L"") << "the standard dialog class";
  EXPECT_EQ(reader.Text(), L"") << "the procedure sets the caption";
  EXPECT_EQ(reader.Word(), 9);
  EXPECT_EQ(reader.Word(), 0) << "weight";
  EXPECT_EQ(reader.Byte(), 0) << "italic";
  EXPECT_EQ(reader.Byte(), 1) << "DEFAULT_CHARSET";
  EXPECT_EQ(reader.Text(), L"ＭＳ Ｐゴシック");

  const DWORD child = WS_CHILD | WS_VISIBLE;
  const Control expected[] = {
      {child | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 26, 121, 50, 14, IDOK, L"button", L"OK"},
      {child | BS_PUSHBUTTON | WS_TABSTOP, 0, 82, 121, 50, 14, IDCANCEL, L"button", L"ｷｬﾝｾﾙ"},
      {child | SS_LEFT | WS_GROUP, 0, 7, 85, 91, 11, -1, L"static",
       L"インストール先のディレクトリ(&E)"},
      {child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 10, 95, 116, 13, IDC_DEST_DIR, L"edit",
       L""},
      {child | BS_PUSHBUTTON | WS_TABSTOP, 0, 130, 95, 34, 13, IDC_BROWSE, L"button", L"参照(&R)"},
      {child | SS_CENTER | WS_GROUP, 0, 7, 37, 161, 26, -1, L"static",
       L"SoBeep へようこそ！\n指定のディレクトリにコピーし、関連付けします。"},
      {child | SS_BITMAP, 0, 49, 7, 77, 23, -1, L"static", L"#125"},
      {child | BS_PUSHBUTTON | WS_TABSTOP, 0, 94, 66, 74, 14, IDC_REMOVE_ASSOC, L"button",
       L"関連付けの消去(&C)"},
  };
  for (std::size_t i = 0; i < count && i < 8; ++i) {
    reader.AlignDword(base);
    reader.Dword();  // help id
    Control c;
    c.exStyle = reader.Dword();
    c.style = reader.Dword();
    c.x = static_cast<short>(reader.Word());
    c.y = static_cast<short>(reader.Word());
    c.cx = static_cast<short>(reader.Word());
    c.cy = static_cast<short>(reader.Word());
    c.id = static_cast<int>(reader.Dword());
    c.className = ClassOf(reader.NameOrOrdinal());
    c.text = reader.NameOrOrdinal();
    reader.Skip(reader.Word());
    const Control& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i + 1));
    EXPECT_EQ(c.style, e.style);
    EXPECT_EQ(c.exStyle, e.exStyle);
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.cx, e.cx);
    EXPECT_EQ(c.cy, e.cy);
    EXPECT_EQ(c.id, e.id);
    EXPECT_TRUE(c.className == e.className);
    EXPECT_TRUE(c.text == e.text);
  }
}

TEST(InstallerResourceTest, LogoIsA4BitBitmapAndTheIconHasOne16ColourImage) {
  Resources resources;
  ASSERT_TRUE(resources.module());
  DWORD size = 0;
  const BYTE* bitmap = resources.Find(RT_BITMAP, IDB_INSTALLER_LOGO, &size);
  ASSERT_TRUE(bitmap);
  BITMAPINFOHEADER header;
  std::memcpy(&header, bitmap, sizeof header);
  EXPECT_EQ(header.biWidth, 135);
  EXPECT_EQ(header.biHeight, 35);
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_GE(size, sizeof header + 16 * 4 + ((135 * 4 + 31) / 32) * 4 * 35);

  const BYTE* group = resources.Find(RT_GROUP_ICON, IDI_INSTALLER, &size);
  ASSERT_TRUE(group);
  WORD count;
  std::memcpy(&count, group + 4, 2);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(group[6], 32) << "width";
  EXPECT_EQ(group[7], 32) << "height";
  EXPECT_EQ(group[8], 16) << "colours";
  WORD iconId;
  std::memcpy(&iconId, group + 6 + 12, 2);
  const BYTE* image = resources.Find(RT_ICON, iconId, &size);
  ASSERT_TRUE(image);
  std::memcpy(&header, image, sizeof header);
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biWidth, 32);
  EXPECT_EQ(header.biHeight, 64) << "image and mask";
}

}  // namespace
