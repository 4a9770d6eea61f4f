// Resource and control ids of the program; shared by quilpad.rc and the code.
#pragma once

#define IDD_ABOUT 100
#define IDD_BUTTON_BAR 102
#define IDS_ABOUT_MARKER 101
#define IDM_WINDOW_POPUP 156
#define IDM_TRAY 137
#define IDI_BLANK 150
#define IDI_APP 128

// Slot buttons 0..3 and the spare fifth.
#define IDC_SLOT0 1000
#define IDC_SLOT1 1023
#define IDC_SLOT2 1024
#define IDC_SLOT3 1025
#define IDC_SLOT4_SPARE 1026
// Clear and browse buttons of each slot, and the spares of the fifth slot.
#define IDC_CLEAR0 1001
#define IDC_CLEAR1 1029
#define IDC_CLEAR2 1030
#define IDC_CLEAR3 1031
#define IDC_CLEAR4_SPARE 1032
#define IDC_BROWSE0 1004
#define IDC_BROWSE1 1033
#define IDC_BROWSE2 1034
#define IDC_BROWSE3 1035
#define IDC_BROWSE4_SPARE 1036
#define IDC_MAIL_SETTINGS 1017
#define IDC_CLEAR_ALL 1040
#define IDC_STATUS_STRIP 1003

// Commands of the window; only the tray menu and the floating bar's menu send some of them.
#define ID_OPEN 32773
#define ID_TRAY_EXIT 32774
#define ID_RESTAMP_AND_CHECK 32776
#define ID_SOUND_TOGGLE 32777
#define ID_MESSAGE_TOGGLE 32781
#define ID_NOTHING 32782
#define ID_STYLE_SWITCH 32784
#define ID_MAIL_SETTINGS 32788
#define ID_FLOAT_EXIT 32791
#define ID_CHOOSE_SOUND 32794
#define ID_DEFAULT_SOUND 32796
#define ID_FLOAT_ON 32802
#define ID_FLOAT_OFF 32804

// Items of the floating bar's menu.
#define ID_FLOAT_MINIMIZE 32790
#define ID_FLOAT_DELETE_ALL 32789
#define ID_FLOAT_ABOUT 32800

// The About item that start-up adds to the system menu.
#define IDM_SYS_ABOUT 16
