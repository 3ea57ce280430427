#include "shell/main_window.h"

#include "common/wayfold_limits.h"
#include "conversion/status_log.h"
#include "platform/status_display.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "shell/commands.h"
#include "shell/shell_state.h"


// DT_LEFT | DT_TOP and nothing else: lines break only at the text's own CR LF, long lines
// are cut at the right edge, everything is clipped to the client area.
static const UINT StatusDrawFormat = 0;

// Every status change that asks for it is painted before the conversion goes on: the
// sent WM_PAINT is handled inside the call, on this thread.
static void RepaintStatus(const wchar_t *text, int length, int changedFrom)
{
    (void)text;
    (void)length;
    (void)changedFrom;
    InvalidateRect(MainWindow, 0, TRUE);
    SendMessageW(MainWindow, WM_PAINT, 0, 0);
}

ATOM RegisterMainWindowClass(HINSTANCE instance, const wchar_t *className)
{
    WNDCLASSW windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_WAYFOLD));
    windowClass.hCursor = 0;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszMenuName = 0;
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass);
}

BOOL StartInstance(HINSTANCE instance, int show)
{
    wchar_t title[ShellTextCapacity];
    wchar_t className[ShellTextCapacity];

    Instance = instance;
    SHInitExtraControls();
    title[0] = 0;
    className[0] = 0;
    LoadStringW(instance, IDS_APP_TITLE, title, ShellTextCapacity);
    LoadStringW(instance, IDS_WINDOW_CLASS, className, ShellTextCapacity);

    // A running instance (same class and title) comes to the front instead.
    HWND running = FindWindowW(className, title);
    if (running != 0) {
        SetForegroundWindow(InstanceFrontHandle(running));
        return FALSE;
    }

    if (RegisterMainWindowClass(instance, className) == 0) {
        return FALSE;
    }
    // WM_CREATE makes the soft-key bar and loads the settings.
    HWND window = CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, instance, 0);
    if (window == 0) {
        return FALSE;
    }
    MainWindow = window;
    SetStatusRepaintHandler(RepaintStatus);

    // Shorter by the soft-key bar's height, same top-left corner and width.
    if (MenuBar != 0) {
        RECT windowRect;
        RECT barRect;
        GetWindowRect(window, &windowRect);
        GetWindowRect(MenuBar, &barRect);
        LONG bottom = windowRect.bottom - (barRect.bottom - barRect.top);
        MoveWindow(window, windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                   bottom - windowRect.top, FALSE);
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    return TRUE;
}

// WM_CREATE: the soft-key bar, the activation record, the stored settings.
static void CreateMainWindow(HWND window)
{
    SHMENUBARINFO menuBarInfo;
    ZeroMemory(&menuBarInfo, sizeof menuBarInfo);
    menuBarInfo.cbSize = MenuBarInfoSize;
    menuBarInfo.hwndParent = window;
    menuBarInfo.dwFlags = 0;
    menuBarInfo.nToolBarId = IDR_MENUBAR;
    menuBarInfo.hInstRes = Instance;
    menuBarInfo.nBmpId = 0;
    menuBarInfo.cBmpImages = 0;
    menuBarInfo.clrBk = 0;
    MenuBar = SHCreateMenuBar(&menuBarInfo) ? menuBarInfo.hwndMB : 0;

    ZeroMemory(&ActivateInfo, sizeof ActivateInfo);
    ActivateInfo.cbSize = ActivateInfoSize;

    LoadSettings();
}

// WM_PAINT: the status text from the top-left corner, on the class's white background.
static void PaintStatus(HWND window)
{
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    DrawTextW(context, StatusText(), StatusLength(), &client, StatusDrawFormat);
    EndPaint(window, &paint);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateMainWindow(window);
        return 0;
    case WM_DESTROY:
        DestroyWindow(MenuBar);
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
        SHHandleWMActivate(window, wParam, lParam, &ActivateInfo, 0);
        return 0;
    case WM_PAINT:
        PaintStatus(window);
        return 0;
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(window, wParam, lParam, &ActivateInfo);
        return 0;
    case WM_COMMAND:
        return HandleCommand(window, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
