#pragma once
// Resource identifiers of uninst_saver.exe.
#define IDD_UNINSTALLER 102
#define IDI_UNINSTALLER 128
#define IDC_CANCEL_REMOVAL 1003
#define IDC_UNINSTALL 1004
#define IDS_REMOVAL_DONE 11
#define IDS_REMOVAL_FAILED 12
#define IDS_CAPTION_INFORMATION 13
#define IDS_CAPTION_ERROR 14
