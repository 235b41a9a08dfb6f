// The least a program can do to play a wave file through the MCI waveaudio
// device, as the player does: open, play to the end, close.
#include <windows.h>
#include <mmsystem.h>

#include "bench/ref_args.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = "waveaudio";
  open.lpstrElementName = bench::Unquoted(commandLine);
  if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                      reinterpret_cast<DWORD_PTR>(&open)) != 0)
    return 1;
  MCI_PLAY_PARMS play = {};
  const MCIERROR played =
      mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&play));
  mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
  return played == 0 ? 0 : 1;
}
