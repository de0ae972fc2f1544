// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDS_APP_TITLE 1
#define IDS_WNDCLASS 2
#define IDC_RUVEXA 2
#define IDI_RUVEXA 101
#define IDR_MENU 102
#define IDD_ABOUTBOX 103
#define IDB_BACKGROUND 129
#define IDM_EXIT 40001
#define IDM_ABOUT 40002
#define IDC_STATIC -1
