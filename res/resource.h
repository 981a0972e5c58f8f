// Resource and control ids shared by the resource script and the program.
#pragma once

#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SPRUCE_DIALOG 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDR_MAINFRAME 128
#define IDB_BLOCK_AD 134
#define IDD_BLOCK_AD 138
#define IDB_MOVE_FOLDERS 141
#define IDB_HOME_PAGE 142
#define IDD_MOVE_DIRECTORY 143
#define IDB_CHAT_FILES 145
#define IDD_CHAT_FILES 146
// The tool-button pictures drawn at 150 and 200 %.
#define IDB_BLOCK_AD_150 234
#define IDB_MOVE_FOLDERS_150 241
#define IDB_HOME_PAGE_150 242
#define IDB_CHAT_FILES_150 245
#define IDB_BLOCK_AD_200 334
#define IDB_MOVE_FOLDERS_200 341
#define IDB_HOME_PAGE_200 342
#define IDB_CHAT_FILES_200 345

#define IDC_CATEGORY_LIST 1000
#define IDC_CLEAN 1001
#define IDC_BLOCK_AD 1003
#define IDC_HOME_PAGE 1004
#define IDC_MOVE_FOLDERS 1005
#define IDC_CHAT_FILES 1006

// The folder-moving tool's dialog.
#define IDC_BROWSE 1004
#define IDC_DESTINATION 1005
#define IDC_MOVE_TEXT 1006

// The chat-files tool's dialog.
#define IDC_CHAT_AGE 1010
#define IDC_CHAT_LIST 1011
#define IDC_CHAT_STATUS 1012
#define IDC_CHAT_RECYCLE 1013
