// Playback of the wave file on the MCI waveaudio device.
#pragma once
#include <windows.h>

#include <cstdint>

#include "player/replay_rules.h"

// Loads the multimedia DLL from the system folder, and keeps the waveaudio
// driver loaded between the runs of a repeated file.
void LoadWaveAudio();
void PausePlayback();
void ResumePlayback();
std::uint32_t QueryPlaybackState();

// Carries out what the replay rules decided.
void CarryOut(HWND window, playback::Decision decision);

// The Play command (40007).
void OnPlay(HWND window);
// The Stop command (40009).
void OnStop();
// WM_DESTROY: the device closes for good.
void OnEnd();
void OnPlaybackNotify(HWND window, WPARAM flag);
