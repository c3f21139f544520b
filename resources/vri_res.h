// Resource names and the commands of the main window's menu "MENU1". Shared
// by vri.rc and the C++ sources, so it holds plain #defines only.
#pragma once

#define IDR_MAIN_MENU "MENU1"
#define IDI_MAIN_ICON "ICON02"
#define IDB_BANNER_LOGO "BMP01"
#define IDB_BANNER_PICTURE "BMP02"

// Menu commands: the command identifier is the job mode.
#define IDM_MAIN_ECF 565
#define IDM_MAIN_PALM 566
#define IDM_MAIN_EXIT 999

#define IDD_BOXECF "BOXECF"
#define IDD_BOX566 "BOX566"
