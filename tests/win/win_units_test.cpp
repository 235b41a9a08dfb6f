// The settings key against the real registry, the host's code page 932
// stepper against the platform's CharNextA, the programs' own GetThreadId,
// and the audio comparison that every playback test relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/text_scan.h"
#include "runtime/thread_id.h"
#include "settings/player_settings.h"
#include "settings/settings_key.h"
#include "tests/win/harness.h"

namespace {

constexpr char kMaker[] = "norvan-test";
constexpr char kProduct[] = "SoBeepKeyTest";
constexpr char kPath[] = "Software\\norvan-test\\SoBeepKeyTest";

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
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\norvan-test"); }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\norvan-test"); }
  static void Store(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kPath, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
};

TEST_F(SettingsKeyTest, ConstructionCreatesTheKeyAndValuesRoundTrip) {
  SettingsKey key(kMaker, kProduct);
  SettingsKey opened(HKEY_CURRENT_USER, kPath);  // throws if the key is missing
  const DWORD value = 0x12345678;
  EXPECT_EQ(key.WriteValue("V", REG_DWORD, &value, sizeof value), 1);
  DWORD type = 0, read = 0;
  EXPECT_EQ(key.ReadValue("V", &type, &read, sizeof read), 4u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(read, value);
  EXPECT_EQ(opened.ReadValue("V", &type, &read, sizeof read), 4u);
}

TEST_F(SettingsKeyTest, FailuresCarryTheirCodes) {
  EXPECT_EQ(ThrownCode([] { SettingsKey missing(HKEY_CURRENT_USER, kPath); }), kErrorOpen);
  SettingsKey key(kMaker, kProduct);
  DWORD type = 0, value = 1;
  EXPECT_EQ(ThrownCode([&] { key.ReadValue("absent", &type, &value, sizeof value); }), kErrorRead);
  EXPECT_EQ(ThrownCode([&] { key.DeleteValue("absent"); }), kErrorDelete);
  SettingsKey readOnly(HKEY_CURRENT_USER, kPath);
  EXPECT_EQ(ThrownCode([&] { readOnly.WriteValue("V", REG_DWORD, &value, sizeof value); }),
            kErrorWrite);
}

TEST_F(SettingsKeyTest, ALargerStoredValueIsRefusedAndNothingIsCopied) {
  SettingsKey key(kMaker, kProduct);
  const char text[] = "a string far longer than four bytes";
  Store("Repeat", REG_SZ, text, sizeof text);
  unsigned char guard[12];
  std::memset(guard, 0xAB, sizeof guard);
  DWORD type = 0;
  EXPECT_EQ(ThrownCode([&] { key.ReadValue("Repeat", &type, guard + 4, 4); }), kErrorRead);
  for (unsigned char byte : guard) EXPECT_EQ(byte, 0xAB);
}

TEST_F(SettingsKeyTest, AShorterStoredValueFillsOnlyTheFirstBytes) {
  SettingsKey key(kMaker, kProduct);
  const unsigned char one = 8;
  Store("Repeat", REG_BINARY, &one, 1);
  DWORD type = 0, value = 0xAAAAAA00;
  EXPECT_EQ(key.ReadValue("Repeat", &type, &value, sizeof value), 1u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(value, 0xAAAAAA08u);
}

TEST_F(SettingsKeyTest, APartialLoadKeepsNeitherSetting) {
  SettingsKey key(kMaker, kProduct);
  const DWORD on = 8;
  Store("Repeat", REG_DWORD, &on, 4);
  PlayerSettings settings = {};
  EXPECT_EQ(LoadSettings(key, settings), 1);
  EXPECT_EQ(settings.Repeat, 0u) << "a missing Delay resets Repeat too";
  Store("Delay", REG_DWORD, &on, 4);
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
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kPath, 0, KEY_READ, &probe), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\norvan-test", 0, KEY_READ, &probe),
            ERROR_SUCCESS);
  RegCloseKey(probe);
}

const char* PlatformNext(const char* p) { return CharNextA(p); }

TEST(CharNextTest, HostStepperMatchesCharNextForEveryBytePair) {
  ASSERT_EQ(GetACP(), 932u) << "the session must run in code page 932";
  int mismatches = 0;
  for (int lead = 1; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      const char text[4] = {static_cast<char>(lead), static_cast<char>(trail), 'a', '\0'};
      if (CharNextA(text) != text::Cp932Next(text) && ++mismatches < 10)
        ADD_FAILURE() << std::hex << "lead " << lead << " trail " << trail;
    }
  }
  EXPECT_EQ(mismatches, 0);
  const char empty[1] = {'\0'};
  EXPECT_EQ(CharNextA(empty), text::Cp932Next(empty));
}

TEST(CharNextTest, ScansAndJoinsAgreeOnPathsWithBackslashTrailBytes) {
  // 0x95 0x5C and 0x83 0x5C are double-byte characters whose second byte is
  // the backslash's code.
  const char* paths[] = {
      "C:\\\x95\x5C\\x.exe", "C:\\dir\\\x83\x5C", "\x83\x5C", "a/b\\c", "C:\\", ""};
  for (const char* path : paths) {
    EXPECT_EQ(text::LastSeparator(path, PlatformNext, true),
              text::LastSeparator(path, text::Cp932Next, true));
    char withPlatform[MAX_PATH], withHost[MAX_PATH];
    lstrcpynA(withPlatform, path, MAX_PATH);
    lstrcpynA(withHost, path, MAX_PATH);
    ASSERT_TRUE(text::JoinPath(withPlatform, MAX_PATH, "soBeep.exe", PlatformNext));
    ASSERT_TRUE(text::JoinPath(withHost, MAX_PATH, "soBeep.exe", text::Cp932Next));
    EXPECT_STREQ(withPlatform, withHost);
  }
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
