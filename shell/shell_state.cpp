#include "shell/shell_state.h"

HINSTANCE Instance = 0;
HWND MainWindow = 0;
HWND MenuBar = 0;
SHACTIVATEINFO ActivateInfo;
