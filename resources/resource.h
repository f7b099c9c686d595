/* Resource identifiers of TalunR5Update.exe, kept by hand. Included by the
 * resource script and by the program; plain C preprocessor definitions so that
 * the resource compiler reads them too. Every identifier is used once. */
#ifndef TALUN_RESOURCES_RESOURCE_H
#define TALUN_RESOURCES_RESOURCE_H

/* System menu: the About entry (the system keeps the low four bits for itself). */
#define IDM_ABOUTBOX 0x0010

/* Dialogs and strings. */
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TALUNR5UPDATE_DIALOG 102

/* The program icon (48, 32, 24, 16 pixels) and the main window's picture. */
#define IDR_MAINFRAME 128
#define IDB_TALUN_LOGO 138

/* The Help command of the application object; there is no help content. */
#define ID_HELP_COMMAND 57670

/* Main window: the two visible buttons. */
#define IDC_EXIT 1012
#define IDC_UPDATE_FIRMWARE 1033

/* Main window: the hidden production test panel. */
#define IDC_ABCD_1_TIMES 1006
#define IDC_AB_2_TIMES 1008
#define IDC_QUERY_MAIN_SETTING 1009
#define IDC_A_DELAY_B 1010
#define IDC_SEND_PROFILE_ID 1011
#define IDC_A_TO_Y_1_TIMES 1013
#define IDC_QUERY_MACRO 1014
#define IDC_CTRL_C 1015
#define IDC_CTRL_V 1016
#define IDC_RETEST 1039
#define IDC_PROFILE_ID 1040
#define IDC_BUTTON_NUMBER 1041

/* Hidden entry boxes that no operation reads or writes. */
#define IDC_BUTTON3_BOX 1042
#define IDC_BUTTON4_BOX 1043
#define IDC_BUTTON5_BOX 1044
#define IDC_BUTTON6_BOX 1045
#define IDC_BUTTON7_BOX 1046
#define IDC_BUTTON8_BOX 1047
#define IDC_BUTTON9_BOX 1048
#define IDC_BUTTON10_BOX 1049
#define IDC_SCROLL_UP_BOX 1050
#define IDC_SCROLL_DOWN_BOX 1051
#define IDC_BUTTON6_SECOND_BOX 1052
#define IDC_BUTTON7_SECOND_BOX 1053
#define IDC_RESET_BOX 1054
#define IDC_CYAN_BOX 1055
#define IDC_PINK_BOX 1056
#define IDC_ORANGE_BOX 1057
#define IDC_RED_BOX 1058
#define IDC_GREEN_BOX 1059
#define IDC_BLUE_BOX 1060
#define IDC_SPARE_BOX 1061

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
