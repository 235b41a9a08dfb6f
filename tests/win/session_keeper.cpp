// Holds the test session's first window for the whole run ("keep"), or
// reports whether this newer process can see it ("check").
#include <windows.h>

#include <cstring>

namespace {
constexpr char kClass[] = "SoBeepTestSessionKeeper";

int Keep(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClass;
  if (!RegisterClassA(&windowClass)) return 1;
  if (!CreateWindowA(kClass, kClass, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, instance,
                     nullptr))
    return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (std::strcmp(commandLine, "keep") == 0) return Keep(instance);
  if (std::strcmp(commandLine, "check") == 0) return FindWindowA(kClass, nullptr) ? 0 : 1;
  return 2;
}
