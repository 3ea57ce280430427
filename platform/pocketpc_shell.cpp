#include "platform/pocketpc_shell.h"

#include "common/wayfold_limits.h"
#include "resources/resource_ids.h"

#if defined(_WIN32_WCE)

HWND InstanceFrontHandle(HWND found)
{
    return (HWND)((ULONG_PTR)found | 1);
}

#else

HWND InstanceFrontHandle(HWND found)
{
    return found;
}

// The soft-key bar's height in pixels, as on a 96 dpi Pocket PC screen.
static const int SoftKeyBarHeight = 26;

// The caption OK stand-in, in dialog units, and its gap to the dialog's top-right corner
// in pixels.
static const int CaptionOkWidth = 24;
static const int CaptionOkHeight = 12;
static const int CaptionOkGap = 2;

static const wchar_t SoftKeyBarClass[] = L"WayfoldSoftKeyBar";

// One soft key as the menu-bar resource gives it.
struct SoftKey {
    WORD Command;
    WORD State;
    WORD Style;
    WORD Caption;
    WORD Popup;
};

// The bar's program-wide state: the program has one main window and so one bar.
static SoftKey SoftKeys[SoftKeyCapacity];
static int SoftKeyCount = 0;
static HMENU SoftKeyMenu = 0;
static HWND SoftKeyOwner = 0;

// The index-th 16-bit word of a resource, little-endian.
static WORD ResourceWord(const unsigned char *data, int index)
{
    return (WORD)(data[2 * index] | (data[2 * index + 1] << 8));
}

// Reads the menu-bar resource: menu id, button count, seven words per button. Returns
// the menu id, or 0 when the resource is missing or malformed.
static WORD ParseSoftKeys(HINSTANCE instance, UINT resourceId)
{
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    if (found == 0) {
        return 0;
    }
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const unsigned char *data = (const unsigned char *)LockResource(loaded);
    if (data == 0 || size < 4) {
        return 0;
    }
    WORD menuId = ResourceWord(data, 0);
    int count = ResourceWord(data, 1);
    // Checked before multiplying: count is at most SoftKeyCapacity.
    if (count < 1 || count > SoftKeyCapacity ||
        size < (DWORD)(2 + count * MENUBAR_WORDS_PER_BUTTON) * 2) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        int base = 2 + i * MENUBAR_WORDS_PER_BUTTON;
        SoftKeys[i].Command = ResourceWord(data, base + 1);
        SoftKeys[i].State = ResourceWord(data, base + 2);
        SoftKeys[i].Style = ResourceWord(data, base + 3);
        SoftKeys[i].Caption = ResourceWord(data, base + 4);
        SoftKeys[i].Popup = ResourceWord(data, base + 6);
    }
    SoftKeyCount = count;
    return menuId;
}

// A key with a popup opens it above itself; any other key sends its command.
static void PressSoftKey(HWND bar, int index)
{
    const SoftKey *key = &SoftKeys[index];
    HMENU popup = 0;
    if (key->Popup != MENUBAR_NO_POPUP && SoftKeyMenu != 0) {
        popup = GetSubMenu(SoftKeyMenu, key->Popup);
    }
    if (popup == 0) {
        PostMessageW(SoftKeyOwner, WM_COMMAND, MAKEWPARAM(key->Command, 0), 0);
        return;
    }
    RECT button;
    GetWindowRect(GetDlgItem(bar, key->Command), &button);
    bool rightHalf = 2 * index >= SoftKeyCount;
    UINT align = rightHalf ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    TrackPopupMenuEx(popup, align | TPM_BOTTOMALIGN, rightHalf ? button.right : button.left,
                     button.top, SoftKeyOwner, 0);
}

static LRESULT CALLBACK SoftKeyBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        for (int i = 0; i < SoftKeyCount; ++i) {
            if (SoftKeys[i].Command == LOWORD(wParam)) {
                PressSoftKey(bar, i);
                return 0;
            }
        }
        return 0;
    case WM_DESTROY:
        if (SoftKeyMenu != 0) {
            DestroyMenu(SoftKeyMenu);
            SoftKeyMenu = 0;
        }
        SoftKeyCount = 0;
        return 0;
    default:
        return DefWindowProcW(bar, message, wParam, lParam);
    }
}

BOOL SHInitExtraControls()
{
    // The desktop's standard controls are all the program uses.
    return TRUE;
}

BOOL SHCreateMenuBar(SHMENUBARINFO *info)
{
    if (info == 0 || info->cbSize != MenuBarInfoSize || info->hwndParent == 0 || SoftKeyCount != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WORD menuId = ParseSoftKeys(info->hInstRes, info->nToolBarId);
    if (menuId == 0) {
        return FALSE;
    }
    SoftKeyMenu = LoadMenuW(info->hInstRes, MAKEINTRESOURCEW(menuId));
    SoftKeyOwner = info->hwndParent;

    WNDCLASSW barClass;
    ZeroMemory(&barClass, sizeof barClass);
    barClass.lpfnWndProc = SoftKeyBarProc;
    barClass.hInstance = info->hInstRes;
    barClass.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    barClass.lpszClassName = SoftKeyBarClass;
    RegisterClassW(&barClass); // fails harmlessly when already registered

    // The bar takes the bottom of the owner's area; the owner shrinks itself above it.
    RECT owner;
    GetWindowRect(info->hwndParent, &owner);
    int width = owner.right - owner.left;
    HWND bar = CreateWindowExW(0, SoftKeyBarClass, L"", WS_POPUP | WS_VISIBLE, owner.left,
                               owner.bottom - SoftKeyBarHeight, width, SoftKeyBarHeight,
                               info->hwndParent, 0, info->hInstRes, 0);
    if (bar == 0) {
        if (SoftKeyMenu != 0) {
            DestroyMenu(SoftKeyMenu);
            SoftKeyMenu = 0;
        }
        SoftKeyCount = 0;
        return FALSE;
    }

    // One push button per key, side by side, captioned from the string table.
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (int i = 0; i < SoftKeyCount; ++i) {
        wchar_t caption[ShellTextCapacity];
        caption[0] = 0;
        LoadStringW(info->hInstRes, SoftKeys[i].Caption, caption, ShellTextCapacity);
        int left = width * i / SoftKeyCount;
        int right = width * (i + 1) / SoftKeyCount;
        HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                      left, 0, right - left, SoftKeyBarHeight, bar,
                                      (HMENU)(UINT_PTR)SoftKeys[i].Command, info->hInstRes, 0);
        SendMessageW(button, WM_SETFONT, (WPARAM)font, FALSE);
        EnableWindow(button, (SoftKeys[i].State & MENUBAR_STATE_ENABLED) != 0);
    }
    info->hwndMB = bar;
    return TRUE;
}

BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info,
                        DWORD flags)
{
    // No input panel on the desktop. The window procedure does not pass WM_ACTIVATE on, so
    // the keyboard focus that the default handling would give is given here.
    (void)lParam;
    (void)info;
    (void)flags;
    if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) {
        SetFocus(window);
    }
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info)
{
    // No input panel on the desktop: the window keeps its size.
    (void)window;
    (void)wParam;
    (void)lParam;
    (void)info;
    return TRUE;
}

BOOL SHInitDialog(SHINITDLGINFO *info)
{
    if (info == 0 || info->hDlg == 0) {
        return FALSE;
    }
    if ((info->dwMask & SHIDIM_FLAGS) == 0) {
        return TRUE;
    }
    HWND dialog = info->hDlg;

    // Full screen on the handheld: here the main window's area, which the dialog covers.
    HWND owner = GetWindow(dialog, GW_OWNER);
    if ((info->dwFlags & SHIDIF_SIZEDLGFULLSCREEN) != 0 && owner != 0) {
        RECT area;
        GetWindowRect(owner, &area);
        MoveWindow(dialog, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   FALSE);
    }

    // The caption's OK button: a button at the top-right corner that sends IDOK.
    if ((info->dwFlags & SHIDIF_DONEBUTTON) != 0) {
        RECT size = { 0, 0, CaptionOkWidth, CaptionOkHeight };
        MapDialogRect(dialog, &size);
        RECT client;
        GetClientRect(dialog, &client);
        HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                      client.right - size.right - CaptionOkGap, CaptionOkGap,
                                      size.right, size.bottom, dialog,
                                      (HMENU)(UINT_PTR)CaptionOkButtonId,
                                      (HINSTANCE)GetWindowLongPtrW(dialog, GWLP_HINSTANCE), 0);
        SendMessageW(button, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    }
    // SIPDOWN and EMPTYMENU: no input panel and no dialog menu bar on the desktop.
    return TRUE;
}

#endif

void InitHandheldDialog(HWND dialog, DWORD flags)
{
    SHINITDLGINFO setup;
    ZeroMemory(&setup, sizeof setup);
    setup.dwMask = SHIDIM_FLAGS;
    setup.hDlg = dialog;
    setup.dwFlags = flags;
    SHInitDialog(&setup);
}
