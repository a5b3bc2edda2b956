#pragma once
// Resource identifiers of Glintbox.scr (used by the .rc file and the code).

// Strings
#define IDS_CAPTION_INFORMATION 13
#define IDS_DISPLAY_NAME 128
#define IDS_NO_DATA_FILE 130
#define IDS_FOREIGN_DATA_FILE 131
#define IDS_BAD_DATA_FILE 132

// Settings dialog
#define IDD_SETTINGS 130
#define IDC_MUTE 1002
#define IDC_SITE_BUTTON 1003
#define IDC_PICTURE_FRAME 1004
#define IDC_EXIT_MOUSE 1007
#define IDC_EXIT_KEY 1008
#define IDC_QUIT_GROUP 1010
#define IDC_OPTION_GROUP 1011
#define IDC_MAKER_BUTTON 1012

// The uninstaller program carried inside
#define IDR_UNINSTALLER 140
#define RT_UNINSTALL_NAME "UNINSTALL"
