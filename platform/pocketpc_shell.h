// The Pocket PC shell functions the program uses. Built with the Pocket PC SDK, they are
// the platform's own (aygshell); on desktop Windows, where they do not exist, small
// stand-ins of the same names take their place: a soft-key bar window made from the
// menu-bar resource, dialogs sized to the main window with an OK button standing in for
// the caption's, and activation handlers that have nothing to do.
#ifndef WAYFOLD_POCKETPC_SHELL_H
#define WAYFOLD_POCKETPC_SHELL_H

#include <windows.h>
#include <commdlg.h>

#if defined(_WIN32_WCE)

#include <aygshell.h>

// The handheld's 32-bit record sizes.
const DWORD OpenFileNameSize = 76;
const DWORD MenuBarInfoSize = 36;
const DWORD ActivateInfoSize = 12;

#else

// SHMENUBARINFO: what SHCreateMenuBar is given, and the bar window it returns.
struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
};

// SHACTIVATEINFO: the shell's own state for the activation handlers.
struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};

// SHINITDLGINFO: what SHInitDialog is given.
struct SHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
};

const DWORD SHIDIM_FLAGS = 0x0001;
const DWORD SHIDIF_DONEBUTTON = 0x0001;
const DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
const DWORD SHIDIF_SIPDOWN = 0x0008;
const DWORD SHIDIF_EMPTYMENU = 0x0020;

// The desktop records are wider than the handheld's; each is given its own size.
const DWORD OpenFileNameSize = sizeof(OPENFILENAMEW);
const DWORD MenuBarInfoSize = sizeof(SHMENUBARINFO);
const DWORD ActivateInfoSize = sizeof(SHACTIVATEINFO);

// The id of the button that stands in for the caption's OK; it sends IDOK like the
// caption's does.
const int CaptionOkButtonId = IDOK;

BOOL SHInitExtraControls();
BOOL SHCreateMenuBar(SHMENUBARINFO *info);
BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info,
                        DWORD flags);
BOOL SHHandleWMSettingChange(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info);
BOOL SHInitDialog(SHINITDLGINFO *info);

#endif

// How the program's dialogs are set up: OK in the caption, full-screen size, the input
// panel down, an empty menu bar.
const DWORD HandheldDialogFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU;

// Sets a dialog up as the handheld shows it: SHInitDialog with these SHIDIF_ flags.
void InitHandheldDialog(HWND dialog, DWORD flags);

// The window handle to bring to the front when a second start finds the running
// instance: on the handheld with its lowest bit set, so the instance's owned windows (an
// open dialog) come along.
HWND InstanceFrontHandle(HWND found);

#endif
