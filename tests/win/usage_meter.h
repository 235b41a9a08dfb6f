// A program's resource counts read from outside, as a task manager would,
// and the budget that long runs of the player are held to.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace usage {

// Wine 8 answers GetProcessHandleCount with 0 and does not implement
// GetGuiResources, and fills PagefileUsage (which is the private commit on
// Windows) but not PrivateUsage. So handles are also counted in the system
// handle table, windows stand in for USER objects there, and GDI objects
// are checked only where the system reports them.
struct Usage {
  DWORD handles = 0;
  DWORD windows = 0;
  bool guiCounted = false;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
  SIZE_T privateBytes = 0;
};

class Meter {
 public:
  explicit Meter(DWORD pid);
  ~Meter();
  Meter(const Meter&) = delete;
  Meter& operator=(const Meter&) = delete;
  bool opened() const { return process_ != nullptr; }
  // The lowest of a few readings over a fraction of a second: a replay
  // holds its device, file and buffers only while it plays, and what must
  // not grow is what stays when it has ended.
  Usage Sample() const;

 private:
  Usage Read() const;
  DWORD pid_;
  HANDLE process_;
};

// One line of counts, "<when> after <count> <unit>: handles ...".
void Print(const char* when, DWORD count, const char* unit, const Usage& u);
// Fails when a count cannot be read at all.
void ExpectReadable(const Usage& u);

// Samples taken after `first` units of load (past a warm-up) and then after
// every `step` more. The budget, from the first sample to any later one: at most 8
// more handles and 4 more windows, GDI or USER objects (what a driver or
// the window manager may open once on its own schedule), and private bytes
// at most 4 MiB above the lowest of the first three samples. Wine's heaps
// grow and shrink in steps of about 1 MiB with what is held when a sample
// is taken: over 2500 replays the player's samples stayed between 6.9 and
// 8.9 MiB, and the lowest came back again and again; with a device open at
// every sample, as in the tray churn, they spread over 7.0 to 10.0 MiB. A
// leak of 1 KiB per replay passes the bound within the long soak of
// scripts/soak.sh.
void ExpectFlat(const std::vector<Usage>& samples, DWORD first, DWORD step, const char* unit);

}  // namespace usage
