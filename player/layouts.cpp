// The records the player hands to the system, as 32-bit Windows lays them
// out. The shipped build is i686: a header or compiler that packed, widened
// or reordered one of them would pass every test of the x86_64 build and
// still hand the system a record it misreads.
#include <windows.h>

#include <cstddef>
#include <mmsystem.h>
#include <shellapi.h>

#if defined(__i386__)

// The tray record in the shell's first form: six 4-byte fields, then the
// tip of 64 characters.
static_assert(NOTIFYICONDATAW_V1_SIZE == 152, "tray record: 152 bytes");
static_assert(offsetof(NOTIFYICONDATAW, hIcon) == 20, "tray record: icon at 20");
static_assert(offsetof(NOTIFYICONDATAW, szTip) == 24, "tray record: tip at 24");
static_assert(NOTIFYICONDATAW_V1_SIZE - offsetof(NOTIFYICONDATAW, szTip) == 64 * sizeof(wchar_t),
              "tray record: the tip fills its last 64 characters");

// The window class record RegisterClassExW takes, its size field 48.
static_assert(sizeof(WNDCLASSEXW) == 48, "window class record: 48 bytes");
static_assert(offsetof(WNDCLASSEXW, lpfnWndProc) == 8, "window class record: procedure at 8");
static_assert(offsetof(WNDCLASSEXW, lpszClassName) == 40, "window class record: name at 40");
static_assert(offsetof(WNDCLASSEXW, hIconSm) == 44, "window class record: small icon at 44");

// MCI's parameter records: a callback window, then the command's fields.
static_assert(sizeof(MCI_OPEN_PARMSW) == 20, "open record: 20 bytes");
static_assert(offsetof(MCI_OPEN_PARMSW, wDeviceID) == 4, "open record: device at 4");
static_assert(offsetof(MCI_OPEN_PARMSW, lpstrDeviceType) == 8, "open record: type at 8");
static_assert(offsetof(MCI_OPEN_PARMSW, lpstrElementName) == 12, "open record: element at 12");
static_assert(offsetof(MCI_OPEN_PARMSW, lpstrAlias) == 16, "open record: alias at 16");

static_assert(sizeof(MCI_PLAY_PARMS) == 12, "play record: 12 bytes");
static_assert(offsetof(MCI_PLAY_PARMS, dwFrom) == 4, "play record: from at 4");
static_assert(offsetof(MCI_PLAY_PARMS, dwTo) == 8, "play record: to at 8");

static_assert(sizeof(MCI_STATUS_PARMS) == 16, "status record: 16 bytes");
static_assert(offsetof(MCI_STATUS_PARMS, dwReturn) == 4, "status record: result at 4");
static_assert(offsetof(MCI_STATUS_PARMS, dwItem) == 8, "status record: item at 8");
static_assert(offsetof(MCI_STATUS_PARMS, dwTrack) == 12, "status record: track at 12");

#endif
