// Playback of the wave file on the MCI waveaudio device.
#pragma once
#include <windows.h>

#include <cstdint>

// Keeps the waveaudio driver loaded between the runs of a repeated file.
void PinWaveDriver();
void OpenAndPlay(HWND notifyWindow);
void CloseDevice();
void PausePlayback();
void ResumePlayback();
std::uint32_t QueryPlaybackState();
void OnPlaybackNotify(HWND window, WPARAM flag);
