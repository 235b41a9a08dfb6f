#include "tests/win/harness.h"

#include "installer/install_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <utility>

namespace harness {

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string HostDirOfTests() { return SOBEEP_TEST_TMP; }

std::string CaptureBase() {
  wchar_t base[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"CAPTURE_FILE", base, MAX_PATH);
  return Utf8(base);
}

std::string CaptureFolder() {
  const std::string base = CaptureBase();
  return base.substr(0, base.rfind('/'));
}

void DeleteTree(const std::string& winPath) {
  const std::wstring list = Wide(winPath) + std::wstring(2, L'\0');
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationW(&op);
}

bool MakeWinDirectory(const std::string& winPath) {
  return CreateDirectoryW(Wide(winPath).c_str(), nullptr) != 0;
}

bool PathExists(const std::string& winPath) {
  return GetFileAttributesW(Wide(winPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  return wide;
}

std::string Utf8(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), &utf8[0], length,
                      nullptr, nullptr);
  return utf8;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string WinPath(const std::string& hostPath) {
  const std::string tests = HostDirOfTests();
  const bool onT = hostPath.compare(0, tests.size(), tests) == 0 &&
                   (hostPath.size() == tests.size() || hostPath[tests.size()] == '/');
  std::string path = onT ? "T:" + hostPath.substr(tests.size()) : "Z:" + hostPath;
  if (path.size() == 2) path += '\\';
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string HostPath(const std::string& winPath) {
  std::string path = winPath.substr(2);
  for (char& c : path)
    if (c == '\\') c = '/';
  if (winPath[0] == 'T' || winPath[0] == 't') path = HostDirOfTests() + path;
  if (!path.empty() && path.back() == '/' && path.size() > 1) path.pop_back();
  return path;
}

std::string PlayerExe() { return WinPath(SOBEEP_PLAYER_EXE); }

std::vector<std::string> ShippedFiles() {
  std::vector<std::string> names;
  for (const wchar_t* name : install::kInstallFiles) names.push_back(Utf8(name));
  return names;
}

void Unpack(const std::string& distDir, const std::string& hostDir) {
  MakeDirectory(hostDir);
  for (const std::string& name : ShippedFiles())
    ASSERT_TRUE(CopyTo(WinPath(distDir + "/" + name), hostDir + "/" + name)) << name;
}

std::string FreshDir() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  const std::string dir = HostDirOfTests() + "/" + name;
  const std::string win = WinPath(dir);
  DeleteTree(win);
  MakeWinDirectory(WinPath(HostDirOfTests()));
  MakeWinDirectory(win);
  return dir;
}

std::string WriteWave(const std::string& hostPath, double seconds, unsigned seed, unsigned rate) {
  const std::uint32_t samples = static_cast<std::uint32_t>(seconds * rate);
  std::string data;
  data.reserve(samples * 2);
  const double frequency = 330.0 + 110.0 * (seed % 7);
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    const int value = static_cast<int>(12000.0 * std::sin(2 * 3.14159265358979 * frequency * t)) +
                      static_cast<int>((i * 2654435761u + seed) % 64) - 32;
    PutLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
  }
  std::string file = "RIFF";
  PutLe(file, 36 + static_cast<std::uint32_t>(data.size()), 4);
  file += "WAVEfmt ";
  PutLe(file, 16, 4);
  PutLe(file, 1, 2);  // PCM
  PutLe(file, 1, 2);  // mono
  PutLe(file, rate, 4);
  PutLe(file, rate * 2, 4);  // bytes per second
  PutLe(file, 2, 2);         // block align
  PutLe(file, 16, 2);        // bits per sample
  file += "data";
  PutLe(file, static_cast<std::uint32_t>(data.size()), 4);
  file += data;
  WriteFile(hostPath, file);
  return data;
}

::testing::AssertionResult SameAudio(const std::string& captured, const std::string& data) {
  auto differ = [&](const char* why) {
    std::size_t at = 0;
    while (at < captured.size() && at < data.size() && captured[at] == data[at]) ++at;
    ::testing::AssertionResult result = ::testing::AssertionFailure()
                                        << why << ": captured " << captured.size() << " bytes of "
                                        << data.size() << ", first difference at byte " << at
                                        << "; silences captured (offset+length):";
    for (std::size_t i = 0, shown = 0; i < captured.size() && shown < 6;) {
      std::size_t end = i;
      while (end < captured.size() && captured[end] == '\0') ++end;
      if (end - i >= 64) {
        result << " " << i << "+" << end - i;
        ++shown;
      }
      i = end + 1;
    }
    return result;
  };
  if (captured.size() < data.size()) return differ("short");
  const std::size_t extra = captured.size() - data.size();
  if (extra > kOutputPaddingLimit) return differ("too long");
  std::size_t leading = 0, trailing = 0;
  while (leading < extra && captured[leading] == '\0') ++leading;
  while (trailing < extra && captured[captured.size() - 1 - trailing] == '\0') ++trailing;
  if (leading + trailing < extra) return differ("sound outside the data");
  for (std::size_t start = extra - trailing; start <= leading; ++start)
    if (captured.compare(start, data.size(), data) == 0) return ::testing::AssertionSuccess();
  return differ("different bytes");
}

::testing::AssertionResult StartOfAudio(const std::string& captured, const std::string& data) {
  std::size_t leading = 0;
  while (leading < captured.size() && leading <= kOutputPaddingLimit && captured[leading] == '\0')
    ++leading;
  for (std::size_t start = 0; start <= leading; ++start) {
    // The longest start of the data there; after it only silence may follow.
    std::size_t matched = 0;
    while (start + matched < captured.size() && matched < data.size() &&
           captured[start + matched] == data[matched])
      ++matched;
    const std::size_t rest = captured.size() - start - matched;
    if (start + rest > kOutputPaddingLimit) continue;
    if (captured.find_first_not_of('\0', start + matched) == std::string::npos)
      return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "captured " << captured.size() << " bytes that are not the start of the " << data.size()
         << " bytes of data with at most " << kOutputPaddingLimit << " bytes of silence around it";
}

namespace {
std::wstring LongWinPath(const std::string& hostPath) {
  return L"\\\\?\\" + Wide(WinPath(hostPath));
}
}  // namespace

bool Exists(const std::string& hostPath) {
  return GetFileAttributesW(LongWinPath(hostPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(const std::string& hostPath) {
  return CreateDirectoryW(LongWinPath(hostPath).c_str(), nullptr) != 0;
}

DWORD Attributes(const std::string& hostPath) {
  return GetFileAttributesW(LongWinPath(hostPath).c_str());
}

bool SetAttributes(const std::string& hostPath, DWORD attributes) {
  return SetFileAttributesW(LongWinPath(hostPath).c_str(), attributes) != 0;
}

bool DeleteHostFile(const std::string& hostPath) {
  return DeleteFileW(LongWinPath(hostPath).c_str()) != 0;
}

bool CopyTo(const std::string& winSource, const std::string& hostTarget) {
  return CopyFileW(Wide(winSource).c_str(), LongWinPath(hostTarget).c_str(), FALSE) != 0;
}

std::string ReadFile(const std::string& hostPath) {
  HANDLE file = CreateFileW(Wide(WinPath(hostPath)).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteFile(const std::string& hostPath, const std::string& bytes) {
  HANDLE file = CreateFileW(Wide(WinPath(hostPath)).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << hostPath;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

Capture::Capture() : base_(CaptureBase()) {
  EXPECT_FALSE(base_.empty()) << "CAPTURE_FILE is not set: run inside the wine session";
  const std::string folder = WinPath(CaptureFolder());
  DeleteTree(folder);
  MakeWinDirectory(folder);
}

Capture::Broken::Broken() {
  const std::string folder = WinPath(CaptureFolder());
  DeleteTree(folder);
  WriteFile(CaptureFolder(), "not a folder");
}

Capture::Broken::~Broken() {
  const std::string folder = WinPath(CaptureFolder());
  DeleteFileW(Wide(folder).c_str());
  MakeWinDirectory(folder);
}

std::vector<std::string> Capture::Files() const {
  std::vector<std::string> files;
  if (!PathExists(WinPath(base_))) return files;
  files.push_back(base_);
  for (int i = 1;; ++i) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%04d", i);
    const std::string next = base_ + suffix;
    if (!PathExists(WinPath(next))) break;
    files.push_back(next);
  }
  return files;
}

std::string Capture::Bytes() const {
  std::string all;
  for (const std::string& file : Files()) all += ReadFile(file);
  return all;
}

std::string Capture::Run(std::size_t index) const {
  const std::vector<std::string> files = Files();
  return index < files.size() ? ReadFile(files[index]) : std::string();
}

std::uint64_t Capture::Size() const {
  std::uint64_t size = 0;
  for (const std::string& file : Files()) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(Wide(WinPath(file)).c_str(), GetFileExInfoStandard, &data))
      size += (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return size;
}

bool Capture::WaitQuiet(DWORD quietMs, DWORD timeoutMs) const {
  std::uint64_t size = Size();
  DWORD since = GetTickCount();
  return WaitUntil(
      [&] {
        const std::uint64_t now = Size();
        if (now != size) {
          size = now;
          since = GetTickCount();
        }
        return GetTickCount() - since >= Scaled(quietMs);
      },
      timeoutMs);
}

bool Capture::WaitGrowing(DWORD timeoutMs) const {
  const std::uint64_t size = Size();
  return WaitUntil([&] { return Size() > size; }, timeoutMs);
}

Process::Process(const std::string& exe, const std::string& args) {
  std::wstring commandLine = Wide(Quoted(exe));
  if (!args.empty()) commandLine += L" " + Wide(args);
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info_))
    info_ = {};
}

Process::~Process() {
  if (!info_.hProcess) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 0xDEAD);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool Process::WaitExit(DWORD timeoutMs) {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, Scaled(timeoutMs)) == WAIT_OBJECT_0;
}

bool Process::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Process::ExitCode() const {
  DWORD code = 0xFFFFFFFF;
  if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

DWORD Scaled(DWORD ms) {
  static const double kScale = [] {
    wchar_t text[32] = L"";
    if (!GetEnvironmentVariableW(L"SOBEEP_TIMEOUT_SCALE", text, 32)) return 1.0;
    const double factor = std::wcstod(text, nullptr);
    return factor > 0 ? factor : 1.0;
  }();
  return static_cast<DWORD>(ms * kScale);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
  const DWORD start = GetTickCount();
  const DWORD timeout = Scaled(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout) return false;
    Sleep(stepMs);
  }
}

bool HoldsFor(const std::function<bool()>& condition, DWORD windowMs, DWORD stepMs) {
  const DWORD start = GetTickCount();
  const DWORD window = Scaled(windowMs);
  for (;;) {
    if (!condition()) return false;
    if (GetTickCount() - start >= window) return true;
    Sleep(stepMs);
  }
}

namespace {
BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == query.first) query.second.push_back(window);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
  std::pair<DWORD, std::vector<HWND>> query(pid, {});
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
  return query.second;
}

HWND FindProcessWindow(DWORD pid, const char* windowClass, const char* title, bool visibleOnly) {
  for (HWND window : TopLevelWindows(pid)) {
    if (visibleOnly && !IsWindowVisible(window)) continue;
    if (windowClass && ClassName(window) != windowClass) continue;
    if (title && WindowText(window) != title) continue;
    return window;
  }
  return nullptr;
}

HWND WaitForProcessWindow(DWORD pid, const char* windowClass, const char* title, DWORD timeoutMs,
                          bool visibleOnly) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProcessWindow(pid, windowClass, title, visibleOnly)); },
            timeoutMs);
  return found;
}

HWND WaitForPlayerWindow(const Process& player, DWORD timeoutMs) {
  return WaitForProcessWindow(player.pid(), kClass, kTitle, timeoutMs);
}

std::string DescribeWindows(DWORD pid) {
  std::string text;
  for (HWND window : TopLevelWindows(pid))
    text += ClassName(window) + " \"" + WindowText(window) + "\"" +
            (IsWindowVisible(window) ? " visible\n" : " hidden\n");
  return text;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = L"";
  GetWindowTextW(window, text, 1024);
  return Utf8(text);
}

std::string ClassName(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, 256);
  return Utf8(name);
}

HWND WaitForOtherDialog(DWORD pid, HWND dialog, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(pid))
          if (window != dialog && IsWindowVisible(window) && ClassName(window) == "#32770")
            found = window;
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD timeoutMs) {
  return WaitForProcessWindow(pid, "#32770", caption, timeoutMs, true);
}

std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? WindowText(text) : std::string();
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace settings {

void Remove() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kKey).c_str()); }

void Replace(DWORD repeat, DWORD delay) {
  Remove();
  SetDword("Repeat", repeat);
  SetDword("Delay", delay);
}

void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Wide(kKey).c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, Wide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void SetDword(const char* name, DWORD value) { SetRaw(name, REG_DWORD, &value, sizeof value); }

bool Read(const char* name, DWORD* type, DWORD* value, DWORD* size) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  BYTE data[512] = {};
  DWORD length = sizeof data;
  const LONG result = RegQueryValueExW(key, Wide(name).c_str(), nullptr, type, data, &length);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  *value = 0;
  std::memcpy(value, data, length < 4 ? length : 4);
  if (size) *size = length;
  return true;
}

bool KeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

}  // namespace settings

}  // namespace harness
