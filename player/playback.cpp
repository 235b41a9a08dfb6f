#include "player/playback.h"

#include <mmsystem.h>

#include <cstddef>

#include "common/system_dll.h"
#include "player/ansi_name.h"
#include "player/player_state.h"
#include "player/playback_rules.h"
#include "player/resources/resource.h"

// The platform-free rules spell out the MCI values they take and give.
static_assert(playback::kNotifySuccessful == MCI_NOTIFY_SUCCESSFUL &&
                  playback::kNotifySuperseded == MCI_NOTIFY_SUPERSEDED &&
                  playback::kNotifyAborted == MCI_NOTIFY_ABORTED &&
                  playback::kNotifyFailure == MCI_NOTIFY_FAILURE,
              "MCI notification flags");
static_assert(playback::kModeStop == MCI_MODE_STOP && playback::kModePlay == MCI_MODE_PLAY &&
                  playback::kModePause == MCI_MODE_PAUSE,
              "MCI modes");
static_assert(playback::kCommandPlay == MCI_PLAY && playback::kCommandStop == MCI_STOP &&
                  playback::kCommandPause == MCI_PAUSE,
              "MCI commands");

namespace {

// Without the multimedia DLL every command fails as MCI fails it, and the
// player ends as it does for any play that fails.
MCIERROR SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, void* record) {
  if (!g_player.mciSendCommand) return MCIERR_DRIVER;
  return g_player.mciSendCommand(device, command, flags, reinterpret_cast<DWORD_PTR>(record));
}

}  // namespace

void LoadWaveAudio() {
  g_player.mciSendCommand =
      sysdll::Find<MciSendCommandCall>(sysdll::Load(L"winmm.dll"), "mciSendCommandW");
  // Closing the last waveaudio device unloads its driver. Under Wine the
  // driver's play thread sends the end-of-play notification before it has
  // returned through the driver's code, so the close that answers the
  // notification (Repeat, Exit) could unmap code that thread still runs:
  // a crash, or a hang when the reopen maps the driver again. One reference
  // of our own keeps it loaded for the life of the process. The driver
  // imports the multimedia DLL, which is loaded first, from the system
  // folder, so that the driver binds to that one.
  sysdll::Load(L"mciwave.dll");
}

namespace {

void CloseDevice() { SendCommand(g_player.device, MCI_CLOSE, 0, nullptr); }

void OpenAndPlay(HWND notifyWindow) {
  wchar_t element[MAX_PATH];
  if (!NameSurvivingAnsi(g_player.filePath, element, static_cast<std::size_t>(-1))) {
    // No name of this file opens it whole; any other would play another
    // file, or nothing.
    CarryOut(notifyWindow, g_player.replay.PlayFailed());
    return;
  }
  MCI_OPEN_PARMSW open = {};
  open.dwCallback = reinterpret_cast<DWORD_PTR>(g_player.mainWindow);
  open.lpstrDeviceType = L"waveaudio";
  open.lpstrElementName = element;
  SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &open);
  g_player.device = open.wDeviceID;

  MCI_PLAY_PARMS play = {};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(notifyWindow);
  if (SendCommand(g_player.device, MCI_PLAY, MCI_NOTIFY, &play) != 0)
    CarryOut(notifyWindow, g_player.replay.PlayFailed());
}

}  // namespace

void PausePlayback() { SendCommand(g_player.device, MCI_PAUSE, 0, nullptr); }

void ResumePlayback() { SendCommand(g_player.device, MCI_RESUME, 0, nullptr); }

std::uint32_t QueryPlaybackState() {
  MCI_STATUS_PARMS status = {};
  status.dwItem = MCI_STATUS_MODE;
  const MCIERROR error =
      SendCommand(g_player.device, MCI_STATUS, MCI_STATUS_ITEM | MCI_FROM, &status);
  return playback::ModeToCommand(error == 0, static_cast<std::uint32_t>(status.dwReturn));
}

void CarryOut(HWND window, playback::Decision decision) {
  switch (decision) {
    case playback::Decision::kNothing:
    case playback::Decision::kHoldReplay:
    case playback::Decision::kShowDialog: break;  // the dialog frame shows it itself
    case playback::Decision::kReplayLater:
      CloseDevice();
      PostMessageW(window, WM_COMMAND, IDM_PLAY, 0);
      break;
    case playback::Decision::kPlayNow: OpenAndPlay(window); break;
    case playback::Decision::kEnd: PostMessageW(window, WM_DESTROY, 0, 0); break;
    case playback::Decision::kCloseAndEnd:
      CloseDevice();
      PostMessageW(window, WM_DESTROY, 0, 0);
      break;
  }
}

void OnPlay(HWND window) { CarryOut(window, g_player.replay.PlayRequested()); }

void OnStop() {
  CloseDevice();
  g_player.replay.Stopped();
}

void OnEnd() {
  CloseDevice();
  g_player.replay.Ended();
}

void OnPlaybackNotify(HWND window, WPARAM flag) {
  CarryOut(window,
           g_player.replay.RunEnded(static_cast<std::uint32_t>(flag), g_player.settings.Repeat));
}
