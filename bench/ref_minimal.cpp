// The smallest program the toolchain makes that has what the player needs
// from the C++ runtime: a GUI entry point and one exception thrown by value
// and caught. Its stripped size is the floor the programs are held against.
#include <windows.h>

namespace {

struct Failure {
  int code;
};

__attribute__((noinline)) void Check(const char* text) {
  if (*text == '-') throw Failure{2};
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  try {
    Check(commandLine);
  } catch (const Failure& failure) {
    return failure.code;
  }
  return 0;
}
