// Resource numbers of the dialog program, shared by tolmaric.rc and the code.
// The controls of the main dialog are numbered in app/dialog_data.h.
#pragma once

#define IDD_ABOUT 100
#define IDS_ABOUT 101
#define IDD_MAIN 102
#define IDI_TOLMARIC 128
#define IDB_FOLDER 131
#define IDM_ABOUT 0x0010
#define DLGINIT_TYPE 240
