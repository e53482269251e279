// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_NIMBARA 1
#define IDB_TITLE 101
#define IDB_TITLE_ICON 102
#define IDB_CLOSE 103
#define IDB_TOOLBAR 104
#define IDB_BANNER 105
