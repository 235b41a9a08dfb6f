// Resource and command identifiers of the player.
#pragma once

#define IDR_TRAY_MENU 113
#define IDD_ABOUT 115
#define IDD_PROPERTIES 117

#define IDI_SOBEEP 115
#define IDI_TRAY_A 116
#define IDI_TRAY_B 121
#define IDB_HOMEPAGE 135

#define IDM_EXIT 40006
#define IDM_PLAY 40007
#define IDM_REPEAT 40008
#define IDM_STOP 40009
#define IDM_DELAY 40010
#define IDM_PROPERTIES 40011
#define IDM_HELP 40012
#define IDM_ABOUT 40013
#define IDM_START_MENU 40014
#define IDM_DUMMY 65535

#define IDC_REPEAT 1000
#define IDC_DELAY 1001
#define IDC_INSTALL 1002
#define IDC_URL 1009
