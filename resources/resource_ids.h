// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_NIMBARA 1
#define IDB_TITLE 101
#define IDB_TITLE_ICON 102
#define IDB_CLOSE 103
#define IDB_TOOLBAR 104
#define IDB_BANNER 105
// The same pictures drawn at twice their designed size, for screens of more than 96 dpi.
#define IDB_TITLE_ICON_2X 112
#define IDB_CLOSE_2X 113
#define IDB_TOOLBAR_2X 114
