// The least a program can do to play a wave file: one synchronous PlaySound.
#include <windows.h>
#include <mmsystem.h>

#include "bench/ref_args.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  return PlaySoundA(bench::Unquoted(commandLine), nullptr, SND_FILENAME | SND_SYNC) ? 0 : 1;
}
