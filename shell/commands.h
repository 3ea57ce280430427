// The commands of the soft keys, the Tools menu and the accelerators, and the About box.
#ifndef WAYFOLD_COMMANDS_H
#define WAYFOLD_COMMANDS_H

#include <windows.h>

// Runs the command of a WM_COMMAND; commands it does not know go to DefWindowProcW,
// whose result it returns. Handled commands give 0.
LRESULT HandleCommand(HWND window, WPARAM wParam, LPARAM lParam);

// "Open file": the open-file dialog, then the conversion of the chosen track.
void OpenAndConvert();

// Runs dialog template templateId, modal, owned by the main window.
void RunDialog(int templateId, DLGPROC procedure);

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
