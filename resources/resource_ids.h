// Resource and command ids of the handheld program, shared by wayfold.rc and the code.
// Plain macros only: the resource compiler reads this file too.
#ifndef WAYFOLD_RESOURCE_IDS_H
#define WAYFOLD_RESOURCE_IDS_H

// Every resource carries Russian, LANG_RUSSIAN with SUBLANG_DEFAULT (1049).
#define WAYFOLD_LANGUAGE 0x19
#define WAYFOLD_SUBLANGUAGE 0x01

// Strings.
#define IDS_APP_TITLE 1        // "Wayfold": window title, single-instance search
#define IDS_WINDOW_CLASS 2     // "WAYFOLD": window class name
#define IDS_TOOLS 104          // right soft key caption
#define IDS_OPEN_FILE 32772    // left soft key caption

// Icon group: 32x32 and 16x16, 16 colours.
#define IDI_WAYFOLD 101

// The soft-key bar (RCDATA) and the menu holding its popup share one id.
#define IDR_MENUBAR 102

// Accelerator table: Ctrl+A, Ctrl+Q.
#define IDR_ACCELERATORS 2

// Dialog templates.
#define IDD_ABOUT 105
#define IDD_SETTINGS 129

// Commands.
#define IDM_QUIT 40000         // Ctrl+Q
#define IDM_TOOLS 40001        // right soft key; opens its popup, no action of its own
#define IDM_ABOUT 40002        // Tools, "About"; Ctrl+A
#define IDM_OPEN_FILE 40003    // left soft key
#define IDM_SETTINGS 32773     // Tools, "Settings"
#define IDM_EXIT 32774         // Tools, "Exit"

// Soft-key bar words (Pocket PC menu-bar resource format).
#define MENUBAR_BUTTON_COUNT 2
#define MENUBAR_WORDS_PER_BUTTON 7
#define MENUBAR_NO_IMAGE 0xFFFE         // I_IMAGENONE
#define MENUBAR_NO_POPUP 0xFFFF         // NOMENU
#define MENUBAR_STATE_ENABLED 4         // TBSTATE_ENABLED
#define MENUBAR_STYLE_AUTOSIZE 16       // TBSTYLE_AUTOSIZE
#define MENUBAR_STYLE_DROPDOWN 8        // TBSTYLE_DROPDOWN
#define MENUBAR_TOOLS_POPUP 0           // first popup of menu IDR_MENUBAR

// Settings dialog controls (IDOK and IDCANCEL are the platform's 1 and 2).
#define IDC_DEFAULTS 3
#define IDC_MIN_METERS 1000
#define IDC_MAX_METERS 1001
#define IDC_MAX_DEGREES 1002
#define IDC_MAX_ORT_ERROR 1003
#define IDC_MAX_METERS_LABEL 1004

// About box controls.
#define IDC_ABOUT_LINE1 203
#define IDC_ABOUT_LINE2 204

// The handheld's caption-OK extended style.
#define WAYFOLD_EX_CAPTIONOKBTN 0x80000000L

#endif
