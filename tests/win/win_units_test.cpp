// The settings key against the real registry, the names the player hands
// to the parts of the system that convert them to the ANSI code page, the
// programs' own GetThreadId, and the audio comparison that every playback
// test relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "player/ansi_name.h"
#include "runtime/thread_id.h"
#include "settings/player_settings.h"
#include "settings/settings_key.h"
#include "tests/win/harness.h"

namespace {

constexpr wchar_t kMaker[] = L"norvan-test";
constexpr wchar_t kProduct[] = L"SoBeepKeyTest";
constexpr wchar_t kPath[] = L"Software\\norvan-test\\SoBeepKeyTest";

template <class Action>
int ThrownCode(Action action) {
  try {
    action();
  } catch (const LError& error) {
    return error.code;
  }
  return 0;
}

class SettingsKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\norvan-test"); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\norvan-test"); }
  static void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kPath, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
};

TEST_F(SettingsKeyTest, ConstructionCreatesTheKeyAndValuesRoundTrip) {
  SettingsKey key(kMaker, kProduct);
  SettingsKey opened(HKEY_CURRENT_USER, kPath);  // throws if the key is missing
  const DWORD value = 0x12345678;
  EXPECT_EQ(key.WriteValue(L"V", REG_DWORD, &value, sizeof value), 1);
  DWORD type = 0, read = 0;
  EXPECT_EQ(key.ReadValue(L"V", &type, &read, sizeof read), 4u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(read, value);
  EXPECT_EQ(opened.ReadValue(L"V", &type, &read, sizeof read), 4u);
}

TEST_F(SettingsKeyTest, FailuresCarryTheirCodes) {
  EXPECT_EQ(ThrownCode([] { SettingsKey missing(HKEY_CURRENT_USER, kPath); }), kErrorOpen);
  SettingsKey key(kMaker, kProduct);
  DWORD type = 0, value = 1;
  EXPECT_EQ(ThrownCode([&] { key.ReadValue(L"absent", &type, &value, sizeof value); }), kErrorRead);
  EXPECT_EQ(ThrownCode([&] { key.DeleteValue(L"absent"); }), kErrorDelete);
  SettingsKey readOnly(HKEY_CURRENT_USER, kPath);
  EXPECT_EQ(ThrownCode([&] { readOnly.WriteValue(L"V", REG_DWORD, &value, sizeof value); }),
            kErrorWrite);
}

TEST_F(SettingsKeyTest, ALargerStoredValueIsRefusedAndNothingIsCopied) {
  SettingsKey key(kMaker, kProduct);
  const char text[] = "a string far longer than four bytes";
  Store(L"Repeat", REG_SZ, text, sizeof text);
  unsigned char guard[12];
  std::memset(guard, 0xAB, sizeof guard);
  DWORD type = 0;
  EXPECT_EQ(ThrownCode([&] { key.ReadValue(L"Repeat", &type, guard + 4, 4); }), kErrorRead);
  for (unsigned char byte : guard) EXPECT_EQ(byte, 0xAB);
}

TEST_F(SettingsKeyTest, AShorterStoredValueFillsOnlyTheFirstBytes) {
  SettingsKey key(kMaker, kProduct);
  const unsigned char one = 8;
  Store(L"Repeat", REG_BINARY, &one, 1);
  DWORD type = 0, value = 0xAAAAAA00;
  EXPECT_EQ(key.ReadValue(L"Repeat", &type, &value, sizeof value), 1u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(value, 0xAAAAAA08u);
}

TEST_F(SettingsKeyTest, APartialLoadKeepsNeitherSetting) {
  SettingsKey key(kMaker, kProduct);
  const DWORD on = 8;
  Store(L"Repeat", REG_DWORD, &on, 4);
  PlayerSettings settings = {};
  EXPECT_EQ(LoadSettings(key, settings), 1);
  EXPECT_EQ(settings.Repeat, 0u) << "a missing Delay resets Repeat too";
  Store(L"Delay", REG_DWORD, &on, 4);
  LoadSettings(key, settings);
  EXPECT_EQ(settings.Repeat, 8u);
  EXPECT_EQ(settings.Delay, 8u);
  settings = {0, 8};
  EXPECT_EQ(SaveSettings(key, settings), 1);
  PlayerSettings reread = {};
  LoadSettings(key, reread);
  EXPECT_EQ(reread.Repeat, 0u);
  EXPECT_EQ(reread.Delay, 8u);
}

TEST_F(SettingsKeyTest, DeleteProductKeyRemovesOnlyTheProduct) {
  SettingsKey key(kMaker, kProduct);
  EXPECT_EQ(key.DeleteProductKey(), 1);
  HKEY probe = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kPath, 0, KEY_READ, &probe), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\norvan-test", 0, KEY_READ, &probe),
            ERROR_SUCCESS);
  RegCloseKey(probe);
}

// The names the player gives the wave device and the help viewer, for real
// files in a session of code page 932.
class AnsiNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "the session runs in code page 932";
    dir_ = harness::FreshDir();
  }
  // A file named `name` in the test's folder; its Windows path.
  std::wstring Make(const std::string& name) {
    harness::WriteFile(dir_ + "/" + name, "RIFF");
    return harness::Wide(harness::WinPath(dir_ + "/" + name));
  }
  static bool SameFile(const std::wstring& a, const std::wstring& b) {
    wchar_t longA[MAX_PATH], longB[MAX_PATH];
    return GetLongPathNameW(a.c_str(), longA, MAX_PATH) &&
           GetLongPathNameW(b.c_str(), longB, MAX_PATH) && lstrcmpiW(longA, longB) == 0;
  }
  static bool Ascii(const std::wstring& s) {
    for (wchar_t c : s)
      if (c >= 0x80) return false;
    return true;
  }
  std::string dir_;
};

TEST_F(AnsiNameTest, NamesTheCodePageHoldsGoAsTheyAre) {
  const std::size_t kAny = static_cast<std::size_t>(-1);
  for (const char* name : {"chime.wav", "表ソ.wav", "ﾁｬｲﾑ 表.wav"}) {
    const std::wstring path = Make(name);
    wchar_t out[MAX_PATH] = L"";
    ASSERT_TRUE(NameSurvivingAnsi(path.c_str(), out, kAny)) << name;
    EXPECT_EQ(std::wstring(out), path) << name;
  }
}

TEST_F(AnsiNameTest, OtherNamesGoByTheirShortNameOrNotAtAll) {
  const std::size_t kAny = static_cast<std::size_t>(-1);
  // "é" would become "e" (best fit): another file of that name must not be
  // what the name leads to. "𠮷" has no form in code page 932 at all.
  Make("cafe.wav");
  for (const char* name : {"café.wav", "𠮷野 チャイム.wav", "Müsik.wav"}) {
    const std::wstring path = Make(name);
    wchar_t out[MAX_PATH] = L"";
    ASSERT_TRUE(NameSurvivingAnsi(path.c_str(), out, kAny)) << name;
    EXPECT_NE(std::wstring(out), path) << name;
    EXPECT_TRUE(Ascii(out)) << name;
    EXPECT_TRUE(SameFile(out, path)) << name;
  }
  wchar_t out[MAX_PATH] = L"";
  const std::wstring missing = harness::Wide(harness::WinPath(dir_ + "/𠮷.wav"));
  EXPECT_FALSE(NameSurvivingAnsi(missing.c_str(), out, kAny))
      << "a missing file has no short name, and no other name will do";
}

TEST_F(AnsiNameTest, APathOverTheByteLimitGoesByItsShortName) {
  // 200 characters of ASCII path to a file, against the help viewer's 128
  // bytes; "表" takes two bytes in the code page, one unit here.
  std::string where = dir_;
  while (harness::WinPath(where).size() < 170) {
    where += "/a folder of many letters";
    ASSERT_TRUE(CreateDirectoryW(harness::Wide(harness::WinPath(where)).c_str(), nullptr));
  }
  const std::wstring path = Make(where.substr(dir_.size() + 1) + "/表表表表表表表表表表.wav");
  wchar_t out[MAX_PATH] = L"";
  ASSERT_TRUE(NameSurvivingAnsi(path.c_str(), out, 128));
  EXPECT_NE(std::wstring(out), path);
  EXPECT_TRUE(SameFile(out, path));
  EXPECT_LT(WideCharToMultiByte(CP_ACP, 0, out, -1, nullptr, 0, nullptr, nullptr), 128 + 1);
  ASSERT_TRUE(NameSurvivingAnsi(path.c_str(), out, static_cast<std::size_t>(-1)));
  EXPECT_EQ(std::wstring(out), path) << "without a limit the long name goes as it is";
}

}  // namespace

TEST(SameAudioTest, SilenceIsAllowedOnlyAroundTheData) {
  const std::string head("\x01\x02\x00\x00", 4), tail("\x03\x04", 2);
  const std::string data = head + tail;
  const std::string period(440, '\0');
  EXPECT_TRUE(harness::SameAudio(data, data));
  EXPECT_TRUE(harness::SameAudio(period + data, data));
  EXPECT_TRUE(harness::SameAudio(data + period, data));
  EXPECT_TRUE(harness::SameAudio(period + data + period, data));

  EXPECT_FALSE(harness::SameAudio(data.substr(0, 5), data));
  EXPECT_FALSE(harness::SameAudio(head + period + tail, data));
  EXPECT_FALSE(harness::SameAudio(data + "\x05" + period, data));
  EXPECT_FALSE(harness::SameAudio(data + data, data));
  EXPECT_FALSE(
      harness::SameAudio(std::string(harness::kOutputPaddingLimit + 1, '\0') + data, data));
  EXPECT_FALSE(harness::SameAudio(std::string(data.size() + 440, '\0'), data));
}

TEST(SameAudioTest, ARunCutShortIsTheDataStartWithSilenceOnlyAroundIt) {
  const std::string data("\x01\x02\x00\x00\x03\x04", 6);
  const std::string period(440, '\0');
  for (const std::string& start : {std::string(), data.substr(0, 1), data.substr(0, 4), data}) {
    EXPECT_TRUE(harness::StartOfAudio(start, data)) << start.size();
    EXPECT_TRUE(harness::StartOfAudio(period + start, data)) << start.size();
    EXPECT_TRUE(harness::StartOfAudio(start + period, data)) << start.size();
    EXPECT_TRUE(harness::StartOfAudio(period + start + period, data)) << start.size();
  }
  EXPECT_FALSE(harness::StartOfAudio(data.substr(1), data));
  EXPECT_FALSE(harness::StartOfAudio(data.substr(0, 2) + period + data.substr(4), data));
  EXPECT_FALSE(harness::StartOfAudio(data + "\x05", data));
  EXPECT_FALSE(harness::StartOfAudio(data + period + "\x05", data));
  EXPECT_FALSE(harness::StartOfAudio(data + data, data));
  EXPECT_FALSE(
      harness::StartOfAudio(data + std::string(harness::kOutputPaddingLimit + 1, '\0'), data));
}

namespace {

DWORD WINAPI WaitForEvent(LPVOID event) { return WaitForSingleObject(event, INFINITE); }

}  // namespace

TEST(ThreadIdTest, AnswersAsGetThreadIdForThisAndAnotherThread) {
  EXPECT_EQ(ThreadIdOf(GetCurrentThread()), GetCurrentThreadId());

  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE other = CreateThread(nullptr, 0, WaitForEvent, release, 0, &id);
  ASSERT_TRUE(other);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(ThreadIdOf(other), id);
  SetEvent(release);
  WaitForSingleObject(other, INFINITE);
  EXPECT_EQ(ThreadIdOf(other), id) << "an ended thread keeps its id while a handle is open";
  CloseHandle(other);
  CloseHandle(release);

  SetLastError(0);
  EXPECT_EQ(ThreadIdOf(nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
