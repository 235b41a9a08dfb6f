// Resource and control identifiers of the installer.
#pragma once

#define IDI_INSTALLER 102
#define IDD_INSTALLER 122
#define IDB_INSTALLER_LOGO 125

#define IDC_DEST_DIR 1003
#define IDC_BROWSE 1004
#define IDC_REMOVE_ASSOC 1006
