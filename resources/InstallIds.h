#pragma once
// Resource identifiers of install.exe.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_INSTALL 102
#define IDI_INSTALL 128

#define IDB_BACKGROUND 131
#define IDB_FRAME1 132 // animation frames 132-139
#define IDB_SPARE 149

#define IDC_FRAME1 1000 // frame controls 1000-1007
#define IDC_FRAME_COUNT 8
#define IDC_SPARE 1024

// System-menu command of the about box.
#define IDM_ABOUTBOX 0x0010
