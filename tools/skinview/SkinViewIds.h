#pragma once
// Resource ids of skinview.
#define IDD_GALLERY 100
#define IDI_SKINVIEW 101

#define IDC_PUSH 1001
#define IDC_DEFAULT_PUSH 1002
#define IDC_CHECK 1003
#define IDC_CHECKED 1004
#define IDC_RADIO_ONE 1005
#define IDC_RADIO_TWO 1006
#define IDC_BUTTON_GROUP 1007
#define IDC_STATIC_TEXT 1008
#define IDC_EDIT 1009
#define IDC_SPIN_BUDDY 1010
#define IDC_SPIN 1011
#define IDC_IP_ADDRESS 1012
#define IDC_COMBO_LIST 1013
#define IDC_COMBO_EDIT 1014
#define IDC_LIST 1015
#define IDC_PROGRESS 1016
#define IDC_TRACKBAR 1017
#define IDC_SCROLLBAR 1018
#define IDC_ANIMATION 1019
#define IDC_HEADER 1020
#define IDC_TREE 1021
#define IDC_TAB 1022
#define IDC_LIST_VIEW 1023
#define IDC_MESSAGE_BOX 1024
#define IDC_OPEN_SKIN 1025
#define IDC_TOOLBAR 1026
#define IDC_STATUS 1027

// The command of the Slate skin's help caption button (a custom-command button).
#define IDC_SKIN_HELP 5001
