// The main window: start-up, the window procedure and the painting of the status text.
#ifndef WAYFOLD_MAIN_WINDOW_H
#define WAYFOLD_MAIN_WINDOW_H

#include <windows.h>

#include "platform/pocketpc_shell.h"

// Start-up up to the visible window. FALSE when another instance runs (it is brought to
// the front) or when the window cannot be made.
BOOL StartInstance(HINSTANCE instance, int show);

// Registers the main window class; returns its atom, 0 on failure.
ATOM RegisterMainWindowClass(HINSTANCE instance, const wchar_t *className);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
