// The handheld program's own program-wide state: the instance and its windows.
#ifndef WAYFOLD_SHELL_STATE_H
#define WAYFOLD_SHELL_STATE_H

#include <windows.h>

#include "platform/pocketpc_shell.h"

extern HINSTANCE Instance;
extern HWND MainWindow;
extern HWND MenuBar;
extern SHACTIVATEINFO ActivateInfo;

#endif
