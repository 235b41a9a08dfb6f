// The player end to end: started as the shell starts it, observed through
// its exit code, its window, the registry and the audio it played.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/win/harness.h"
#include "tests/win/ui_probe.h"

using namespace harness;

namespace {

constexpr DWORD kCommand = WM_COMMAND;

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::Remove();
    dir_ = FreshDir();
  }
  // Repeat stored on and Delay off, then the player started on a tone of
  // `seconds` as the shell starts it; returns the tone's samples.
  std::string StartRepeating(double seconds, unsigned seed = 1) {
    settings::SetDword("Repeat", 8);
    settings::SetDword("Delay", 0);
    const std::string data = WriteWave(dir_ + "/loop.wav", seconds, seed);
    player_.reset(new Process(PlayerExe(), Quoted(WinPath(dir_ + "/loop.wav"))));
    return data;
  }
  std::string dir_;
  std::unique_ptr<Process> player_;
};

void ExpectDword(const char* name, DWORD expected) {
  DWORD type = 0, value = 0xFFFFFFFF, size = 0;
  ASSERT_TRUE(settings::Read(name, &type, &value, &size)) << name;
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
  EXPECT_EQ(size, 4u) << name;
  EXPECT_EQ(value, expected) << name;
}

TEST_F(PlayerTest, PlaysOnceThenExitsAndStoresBothSettings) {
  const std::string data = WriteWave(dir_ + "/chime.wav", 0.3);
  Capture capture;
  Process player(PlayerExe(), Quoted(WinPath(dir_ + "/chime.wav")));
  ASSERT_TRUE(player.started());
  HWND window = WaitForPlayerWindow(player);
  ASSERT_TRUE(player.WaitExit(20000)) << "a player with Repeat off must end by itself";
  EXPECT_EQ(player.ExitCode(), 0u);
  EXPECT_EQ(capture.Opens(), 1u);
  EXPECT_TRUE(SameAudio(capture.Bytes(), data));
  if (window) {
    EXPECT_FALSE(IsWindow(window));
  }
  ExpectDword("Repeat", 0);
  ExpectDword("Delay", 0);
}

TEST_F(PlayerTest, MainWindowIsHiddenAndFoundByClassAndTitle) {
  Capture capture;
  StartRepeating(0.2);
  HWND window = WaitForPlayerWindow(*player_);
  ASSERT_TRUE(window);
  EXPECT_EQ(FindWindowA(kClass, kTitle), window);
  EXPECT_FALSE(IsWindowVisible(window));
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  const LONG wanted = WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  PostMessageA(window, kCommand, kExit, 0);
  ASSERT_TRUE(player_->WaitExit(10000));
  EXPECT_EQ(player_->ExitCode(), 0u);
}

TEST_F(PlayerTest, RepeatReplaysFromTheStartUntilExit) {
  Capture capture;
  const std::string data = StartRepeating(0.2, 3);
  HWND window = WaitForPlayerWindow(*player_);
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 4; }, 20000))
      << "only " << capture.Opens() << " runs";
  PostMessageA(window, kCommand, kExit, 0);
  ASSERT_TRUE(player_->WaitExit(10000)) << "Exit must end a repeating player";
  EXPECT_EQ(player_->ExitCode(), 0u);
  const std::size_t runs = capture.Opens();
  // Every completed run is the whole file from its start; Exit may cut the last.
  for (std::size_t i = 0; i + 1 < runs; ++i)
    EXPECT_TRUE(SameAudio(capture.Run(i), data)) << "run " << i;
  const std::string last = capture.Run(runs - 1);
  EXPECT_TRUE(StartOfAudio(last, data)) << "the last run is not the file's start";
  ExpectDword("Repeat", 8);
}

TEST_F(PlayerTest, NewerInstanceStopsTheOlderAndPlaysItsOwnFile) {
  settings::SetDword("Repeat", 8);
  settings::SetDword("Delay", 0);
  const std::string first = WriteWave(dir_ + "/first.wav", 0.2, 1);
  const std::string second = WriteWave(dir_ + "/second.wav", 0.25, 2);
  Capture capture;
  Process older(PlayerExe(), Quoted(WinPath(dir_ + "/first.wav")));
  ASSERT_TRUE(WaitForPlayerWindow(older));
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 1; }, 10000));

  Process newer(PlayerExe(), Quoted(WinPath(dir_ + "/second.wav")));
  ASSERT_TRUE(older.WaitExit(10000)) << "the older player must stop for the newer one";
  EXPECT_EQ(older.ExitCode(), 0u);
  HWND window = WaitForPlayerWindow(newer);
  ASSERT_TRUE(window);
  const std::size_t before = capture.Opens();
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= before + 3; }, 10000));
  PostMessageA(window, kCommand, kExit, 0);
  ASSERT_TRUE(newer.WaitExit(10000));
  EXPECT_EQ(newer.ExitCode(), 0u);
  // The runs are the older file's, then only the newer file's.
  const std::size_t runs = capture.Opens();
  std::size_t i = 0;
  while (i < runs && !SameAudio(capture.Run(i), second)) ++i;
  ASSERT_LT(i, runs) << "the newer file was never played whole";
  for (std::size_t j = 0; j < i; ++j) {
    const std::string run = capture.Run(j);
    EXPECT_TRUE(StartOfAudio(run, first)) << "run " << j;
  }
  for (std::size_t j = i; j + 1 < runs; ++j) {
    EXPECT_TRUE(SameAudio(capture.Run(j), second)) << "run " << j;
  }
}

TEST_F(PlayerTest, NewerInstanceWithoutArgumentsAlsoStopsTheOlder) {
  Capture capture;
  StartRepeating(0.2);
  Process& older = *player_;
  ASSERT_TRUE(WaitForPlayerWindow(older));
  Process bare(PlayerExe(), "");
  ASSERT_TRUE(older.WaitExit(10000));
  EXPECT_EQ(older.ExitCode(), 0u);
  // The newer one shows settings mode: its Properties dialog, closed by Cancel.
  HWND dialog = WaitForProcessWindow(bare.pid(), "#32770", "SoBeepのプロパティ", 10000, true);
  ASSERT_TRUE(dialog) << "the bare start must show the Properties dialog";
  EXPECT_FALSE(FindProcessWindow(bare.pid(), kClass, nullptr, false));
  PressButton(dialog, IDCANCEL);
  ASSERT_TRUE(bare.WaitExit(10000));
  EXPECT_EQ(bare.ExitCode(), 0u);
}

TEST_F(PlayerTest, QuotedPathKeepsItsSpacesAndUnquotedPathIsCutAtTheFirst) {
  MakeDirectory(dir_ + "/with space");
  const std::string whole = WriteWave(dir_ + "/with space/a b.wav", 0.2, 4);
  const std::string cut = WriteWave(dir_ + "/with space/a", 0.15, 5);
  const std::string path = WinPath(dir_ + "/with space/a b.wav");

  Capture quoted;
  Process first(PlayerExe(), Quoted(path) + " ignored \"words\"");
  ASSERT_TRUE(first.WaitExit(20000));
  EXPECT_EQ(first.ExitCode(), 0u);
  EXPECT_TRUE(SameAudio(quoted.Bytes(), whole));

  // Unquoted, "Z:\...\with" is what remains: a folder, so nothing plays.
  Capture unquoted;
  Process second(PlayerExe(), path);
  ASSERT_TRUE(second.WaitExit(20000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(unquoted.Bytes().empty());
}

TEST_F(PlayerTest, UnquotedPathPlaysWhatPrecedesTheFirstSpace) {
  const std::string played = WriteWave(dir_ + "/tone.wav", 0.15, 6);
  WriteWave(dir_ + "/tone.wav other.wav", 0.2, 7);
  Capture capture;
  Process player(PlayerExe(), WinPath(dir_ + "/tone.wav other.wav") + "\tx");
  ASSERT_TRUE(player.WaitExit(20000));
  EXPECT_EQ(player.ExitCode(), 0u);
  EXPECT_TRUE(SameAudio(capture.Bytes(), played));
}

// The file the shell names is the file that plays, whatever its name, on a
// Japanese system (code page 932) and on a Western one (1252, the entries
// of WesternFileNameTest). Beside it may lie a file whose name the code
// page's best fit would make of it ("café" -> "cafe"), with another sound.
struct NamedFile {
  const char* kind;
  const char* name;
  const char* lookalike;  // nullptr: none
};

class FileNameTest : public ::testing::TestWithParam<NamedFile> {
 protected:
  void SetUp() override {
    settings::Remove();
    dir_ = FreshDir();
  }
  void ExpectPlaysTheNamedFile(UINT codePage) {
    ASSERT_EQ(GetACP(), codePage);
    ASSERT_EQ(probe::ChildAnsiCodePage(), codePage) << "the player runs in the test's code page";
    const NamedFile file = GetParam();
    const std::string data = WriteWave(dir_ + "/" + file.name, 0.3, 2);
    if (file.lookalike) WriteWave(dir_ + "/" + file.lookalike, 0.5, 3);
    Capture capture;
    Process player(PlayerExe(), Quoted(WinPath(dir_ + "/" + file.name)));
    ASSERT_TRUE(player.WaitExit(20000));
    EXPECT_EQ(player.ExitCode(), 0u);
    EXPECT_EQ(capture.Opens(), 1u);
    EXPECT_TRUE(SameAudio(capture.Bytes(), data));
  }
  std::string dir_;
};
using WesternFileNameTest = FileNameTest;

TEST_P(FileNameTest, PlaysTheNamedFileAndNoOther) { ExpectPlaysTheNamedFile(932); }
TEST_P(WesternFileNameTest, PlaysTheNamedFileAndNoOther) { ExpectPlaysTheNamedFile(1252); }

const NamedFile kNamedFiles[] = {
    {"Accented", "café.wav", "cafe.wav"},
    {"BeyondTheBasicPlane", "𠮷野 チャイム.wav", nullptr},
    {"MixedScripts", "ソ表 Müsik.wav", "ソ表 Musik.wav"},
};
std::string KindOf(const ::testing::TestParamInfo<NamedFile>& info) { return info.param.kind; }
INSTANTIATE_TEST_SUITE_P(Names, FileNameTest, ::testing::ValuesIn(kNamedFiles), KindOf);
INSTANTIATE_TEST_SUITE_P(Names, WesternFileNameTest, ::testing::ValuesIn(kNamedFiles), KindOf);

// Each of these ends quickly with code 0: a message box would block the exit,
// and an overrun would end it with an exception code.
TEST_F(PlayerTest, UnplayableArgumentsEndAtOnceWithoutAMessage) {
  const std::string longName = WinPath(dir_ + "/") + std::string(300, 'x') + ".wav";
  const std::string quotedLong = Quoted(WinPath(dir_ + "/") + std::string(400, 'y'));
  const std::string cases[] = {Quoted(WinPath(dir_ + "/missing.wav")), "\"\"", longName, quotedLong,
                               std::string(2000, 'z')};
  for (const std::string& args : cases) {
    Capture capture;
    Process player(PlayerExe(), args);
    ASSERT_TRUE(player.started());
    ASSERT_TRUE(player.WaitExit(15000)) << "still running for: " << args.substr(0, 60);
    EXPECT_EQ(player.ExitCode(), 0u) << args.substr(0, 60);
    EXPECT_TRUE(capture.Bytes().empty());
  }
}

TEST_F(PlayerTest, AFailingOutputDeviceEndsTheRepeatingPlayer) {
  // The device accepts the play and only then fails to open its output.
  Capture::Broken broken;
  StartRepeating(0.2);
  ASSERT_TRUE(WaitForPlayerWindow(*player_));
  ASSERT_TRUE(player_->WaitExit(15000)) << "a failed device must end the player";
  EXPECT_EQ(player_->ExitCode(), 0u);
}

struct StoredCase {
  const char* what;
  DWORD repeatType;
  std::string repeatBytes;
  bool delayPresent;
  bool expectRepeat;
};

class StoredSettingsTest : public PlayerTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettingsTest, OnlyAWholeStoredEightTurnsRepeatOn) {
  const StoredCase& c = GetParam();
  settings::SetRaw("Repeat", c.repeatType, c.repeatBytes.data(),
                   static_cast<DWORD>(c.repeatBytes.size()));
  if (c.delayPresent) settings::SetDword("Delay", 0);
  const std::string data = WriteWave(dir_ + "/tone.wav", 0.15);
  Capture capture;
  Process player(PlayerExe(), Quoted(WinPath(dir_ + "/tone.wav")));
  if (c.expectRepeat) {
    // Only a repeating player needs its window found: one that plays once
    // may be gone before a look-up sees it.
    HWND window = WaitForPlayerWindow(player);
    ASSERT_TRUE(window) << c.what;
    ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 3; }, 15000)) << c.what;
    PostMessageA(window, kCommand, kExit, 0);
  }
  ASSERT_TRUE(player.WaitExit(15000)) << c.what;
  EXPECT_EQ(player.ExitCode(), 0u) << c.what;
  if (!c.expectRepeat) {
    EXPECT_EQ(capture.Opens(), 1u) << c.what;
  }
  EXPECT_TRUE(SameAudio(capture.Run(0), data)) << c.what;
}

std::string Bytes(std::initializer_list<unsigned char> list) {
  return std::string(list.begin(), list.end());
}

INSTANTIATE_TEST_SUITE_P(
    Player, StoredSettingsTest,
    ::testing::Values(
        StoredCase{"long string", REG_SZ, std::string(200, '8') + '\0', true, false},
        StoredCase{"dword 1", REG_DWORD, Bytes({1, 0, 0, 0}), true, false},
        StoredCase{"dword 9", REG_DWORD, Bytes({9, 0, 0, 0}), true, false},
        StoredCase{"one byte binary 8", REG_BINARY, Bytes({8}), true, true},
        StoredCase{"eight-byte binary 8", REG_BINARY, Bytes({8, 0, 0, 0, 0, 0, 0, 0}), true, false},
        StoredCase{"dword 8 without Delay", REG_DWORD, Bytes({8, 0, 0, 0}), false, false},
        StoredCase{"dword 8", REG_DWORD, Bytes({8, 0, 0, 0}), true, true}));

TEST_F(PlayerTest, RefusedWritesShowTheCautionOnEverySave) {
  Capture capture;
  // Long enough that no run ends between the two toggles below.
  StartRepeating(4.0);
  HWND window = WaitForPlayerWindow(*player_);
  ASSERT_TRUE(window);
  // Once the file plays, the start-up save is done. Deleting the key under
  // the running player then makes its later writes fail.
  ASSERT_TRUE(WaitUntil([&] { return capture.Opens() >= 1; }, 10000));
  settings::Remove();

  // Each save shows the caution box once; answers it and returns its text.
  HWND previous = nullptr;
  const auto acknowledge = [&](const char* which) {
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
          box = FindProcessWindow(player_->pid(), "#32770", "soBeep -CAUTION-", true);
          return box && box != previous;
        },
        10000))
        << which << " showed no caution: " << DescribeWindows(player_->pid());
    if (!box) return std::string();
    const std::string text = MessageBoxText(box);
    PressButton(box, IDOK);
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    previous = box;
    return text;
  };
  PostMessageA(window, kCommand, IDM_REPEAT, 0);  // Repeat off: toggled and saved at once
  EXPECT_EQ(acknowledge("the first toggle"), "レジストリに記録出来ませんでした。");
  PostMessageA(window, kCommand, IDM_REPEAT, 0);  // and on again
  EXPECT_EQ(acknowledge("the second toggle"), "レジストリに記録出来ませんでした。");
  PostMessageA(window, kCommand, kExit, 0);  // the last save, at the end
  EXPECT_EQ(acknowledge("the save at the end"), "レジストリに記録出来ませんでした。");
  ASSERT_TRUE(player_->WaitExit(10000)) << DescribeWindows(player_->pid());
  EXPECT_EQ(player_->ExitCode(), 0u);
  EXPECT_FALSE(settings::KeyExists()) << "nothing may have been written";
}

}  // namespace
