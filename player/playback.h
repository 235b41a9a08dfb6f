// Playback of the wave file on the MCI waveaudio device.
#pragma once
#include <windows.h>

#include <cstdint>

// Keeps the waveaudio driver loaded between the runs of a repeated file.
void PinWaveDriver();
void OpenAndPlay(HWND notifyWindow);
// The Play command (40007): a replay held back while a dialog is open.
void OnPlay(HWND window);
void CloseDevice();
void PausePlayback();
void ResumePlayback();
std::uint32_t QueryPlaybackState();
void OnPlaybackNotify(HWND window, WPARAM flag);
