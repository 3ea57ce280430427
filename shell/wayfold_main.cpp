// Wayfold's entry: one instance, the main window, the message loop with the accelerators.
#include <windows.h>

#include "resources/resource_ids.h"
#include "shell/main_window.h"

#if defined(_WIN32_WCE)
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
#else
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
#endif
{
    (void)previous;
    (void)commandLine;
    if (!StartInstance(instance, show)) {
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));

    // GetMessageW's error result (-1) counts as non-zero: the loop goes on.
    MSG message;
    message.wParam = 0;
    while (GetMessageW(&message, 0, 0, 0)) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return (int)message.wParam;
}
