"""What the end-to-end tests know of Nimbara and of Win32 as numbers and texts, in one place:
command and control ids, colours, the designed layout, the registry keys, the program's
messages, and the Win32 messages, styles and clipboard formats the tests send or read.
"""

WM_NULL = 0x0000
WM_ACTIVATE = 0x0006
WM_CLOSE = 0x0010
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
WM_COMMAND = 0x0111
WM_HOTKEY = 0x0312
BM_GETCHECK = 0x00F0
HKM_GETHOTKEY = 0x0402
BST_CHECKED = 1
IDOK = 1

WS_CAPTION = 0x00C00000
WS_POPUP = 0x80000000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_EX_DLGMODALFRAME = 0x00000001
WS_EX_TOPMOST = 0x00000008
WS_EX_TOOLWINDOW = 0x00000080

# The program's command and control ids, by the names the product gives them (app/main_window.h,
# settings/settings_dialog.h, about/about_dialog.h).
class Command:  # of the toolbar buttons and the tray menu, as the main window receives them
    kToolToggle = 1001  # "隐藏"
    kToolClearAll = 1002
    kToolAbout = 1005
    kToolExit = 1008  # "退出程序"
    kToolSettings = 1009
    kMenuToggle = 2001  # "打开/隐藏(&O)"
    kMenuExit = 2002
    kMenuClearAll = 2004
    kMenuSettings = 2005
    kMenuHelp = 2007
    kMenuAbout = 2008


class MainControl:
    kTitleStrip, kTitleIcon, kCaption, kCloseButton = 10, 11, 12, 13
    kToolBarPanel, kToolBar, kTilePanel = 20, 21, 30


class SettingsControl:
    kGeneralGroup, kStartWithWindows, kHotKeyGroup, kUseDefaultHotKey = 101, 102, 103, 104
    kUseCustomHotKey, kHotKeyEdit, kOk, kCancel = 105, 106, 107, 108


class AboutControl:
    kOk = 1  # IDOK
    kBannerFrame, kBanner, kWebAddress, kProductLine, kMakerLine, kEmail = range(101, 107)


# The registry as the 32-bit program sees it (Wine's reg with /reg:32): the machine's keys,
# where Wine lets it write, and the user's own, which it reads first.
NIMBARA_KEY = r"HKLM\SOFTWARE\Nimbara"
RUN_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
USER_NIMBARA_KEY = r"HKCU\SOFTWARE\Nimbara"
USER_RUN_KEY = r"HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"

SONG_TI = "宋体"
DESIGNED_TEXT_HEIGHT = 12
LEFT, TOP = 278, 169
CLIENT_WIDTH, CLIENT_HEIGHT = 429, 367

# Tile band colours as they show on the screen (IdleColor is the button face, read from Wine).
NEWEST = (255, 128, 64)
HOVER = (0, 128, 255)
PASTED = (255, 0, 255)
COLOR_BTNFACE = 15
COLOR_HIGHLIGHT = 13  # the frame of the tile the keyboard has selected

# A spot on the desktop clear of the history window, the dialogs and the taskbar.
POINTER_REST = (1000, 10)

# Hotkey modifiers as stored (HotKeyShift) and the keys the tests use.
ALT, CTRL, SHIFT = 1, 2, 4
V, Q = 0x56, 0x51

# The program's own texts.
EMPTY_TILE = "(空)"  # a tile's frame caption while its slot is empty
READ_FAILURE = "打开粘贴板错误！"

WM_QUIT = 0x0012
WM_CHANGECBCHAIN = 0x030D
WM_DRAWCLIPBOARD = 0x0308
GUI_INMOVESIZE = 0x2
WA_ACTIVE, WA_CLICKACTIVE = 1, 2
MINIMISED = 0x10000  # the high word of WM_ACTIVATE's wParam
WM_SYSCOMMAND, SC_MINIMIZE, SC_RESTORE = 0x0112, 0xF020, 0xF120
WS_MINIMIZE, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x20000000, 0x20000, 0x10000
BS_TYPEMASK, BS_PUSHBUTTON = 0xF, 0
GB2312_CHARSET = 134
# What the program shows when a paste has no window to go to.
ON_CLIPBOARD = "内容已放入剪贴板，请在目标窗口中粘贴。"
CF_TEXT, CF_BITMAP, CF_DIB, CF_UNICODETEXT, CF_DIBV5, CF_DSPBITMAP = 1, 2, 8, 13, 17, 0x82
# The private message ranges any program can post to, and the message of a shell restart.
WM_USER, WM_APP = 0x0400, 0x8000
TASKBAR_CREATED = "TaskbarCreated"
# What the program shows once when no clipboard reader process can be started.
NO_READER = "无法启动剪贴板读取进程，Nimbara 将在自身进程中读取剪贴板。"
