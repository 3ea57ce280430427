// Drives the Wayfold program from outside, as a person would: finds its windows by class
// and title, sends real messages and keys, and reads back the registry and exit codes.
//   gui_driver SCENARIO PROGRAM [ARGS...]
#include <windows.h>

#include <stdio.h>

#include <string>

#include "gui_support.h"
#include "resources/resource_ids.h"

static const wchar_t *const SettingsKey = L"Software\\Quillon\\Wayfold";
static const wchar_t *const SettingNames[4] = {L"MinMeters", L"MaxMeters", L"MaxDegrees", L"MaxOrtError"};
static const int SettingFields[4] = {IDC_MIN_METERS, IDC_MAX_METERS, IDC_MAX_DEGREES, IDC_MAX_ORT_ERROR};

// Unset registry values read as this.
static const DWORD Missing = 0xDEADBEEF;

struct Values {
    DWORD V[4];
};

static Values ReadRegistry()
{
    Values values;
    for (int i = 0; i < 4; ++i) {
        DWORD data = 0;
        DWORD size = sizeof data;
        LONG result = RegGetValueW(HKEY_CURRENT_USER, SettingsKey, SettingNames[i], RRF_RT_REG_DWORD, 0,
                                   &data, &size);
        values.V[i] = result == ERROR_SUCCESS ? data : Missing;
    }
    return values;
}

static void WriteRegistry(const Values &values)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, 0, 0, KEY_ALL_ACCESS, 0, &key, 0) != ERROR_SUCCESS) {
        Check(false, "the test can create the registry key");
        return;
    }
    for (int i = 0; i < 4; ++i) {
        RegSetValueExW(key, SettingNames[i], 0, REG_DWORD, (const BYTE *)&values.V[i], 4);
    }
    RegCloseKey(key);
}

static bool KeyExists()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

static bool SameValues(const Values &a, const Values &b)
{
    return a.V[0] == b.V[0] && a.V[1] == b.V[1] && a.V[2] == b.V[2] && a.V[3] == b.V[3];
}

static void ExpectRegistry(const Values &expected, const char *when)
{
    Values found = ReadRegistry();
    Check(SameValues(found, expected), "%s: registry holds %lu %lu %lu %lu, expected %lu %lu %lu %lu", when,
          found.V[0], found.V[1], found.V[2], found.V[3], expected.V[0], expected.V[1], expected.V[2],
          expected.V[3]);
}

static void ExpectFields(HWND dialog, const Values &expected, const char *when)
{
    Values shown;
    for (int i = 0; i < 4; ++i) {
        BOOL ok = FALSE;
        shown.V[i] = GetDlgItemInt(dialog, SettingFields[i], &ok, FALSE);
        if (!ok) {
            shown.V[i] = Missing;
        }
    }
    Check(SameValues(shown, expected), "%s: the fields show %lu %lu %lu %lu, expected %lu %lu %lu %lu", when,
          shown.V[0], shown.V[1], shown.V[2], shown.V[3], expected.V[0], expected.V[1], expected.V[2],
          expected.V[3]);
}

// The running program under test.
struct Program {
    PROCESS_INFORMATION Process;
    HWND Main;
};

static bool Start(const std::wstring &path, Program *program)
{
    if (!Check(Launch(path, &program->Process), "the program starts")) {
        return false;
    }
    program->Main = WaitWindow(MainClass, MainTitle);
    // Start-up has ended (the window shrunk and shown) once the message loop runs.
    return Check(program->Main != 0 && WaitIdle(program->Main), "the main window appears");
}

// Posts a command (posted, because it may run a modal dialog) and waits for the dialog.
static HWND OpenDialog(const Program &program, int command)
{
    PostMessageW(program.Main, WM_COMMAND, command, 0);
    HWND dialog = WaitOwnedDialog(program.Main);
    Check(dialog != 0, "command %d opens a dialog owned by the main window", command);
    return dialog;
}

static void Click(HWND button)
{
    SendMessageW(button, BM_CLICK, 0, 0);
}

static void ExpectExit(const Program &program, const char *how)
{
    int code = WaitExit(program.Process);
    Check(code == 0, "%s ends the program with exit code 0 (got %d)", how, code);
}

// Exit through Tools, "Exit" as a command.
static void Exit(const Program &program)
{
    PostMessageW(program.Main, WM_COMMAND, IDM_EXIT, 0);
    ExpectExit(program, "Exit");
}

static LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

static HWND MakeWindow(const wchar_t *className, const wchar_t *title)
{
    WNDCLASSW windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleW(0);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, 0, 0, windowClass.hInstance, 0);
}

// Class and title of a window, for messages.
static std::string Describe(HWND window)
{
    wchar_t className[64];
    className[0] = 0;
    GetClassNameW(window, className, 64);
    return "\"" + Utf8(className) + "\" \"" + Utf8(WindowText(window)) + "\"";
}

// Waits for window to be the foreground window; returns the foreground window.
static HWND WaitForeground(HWND window, DWORD ms = WaitMs)
{
    DWORD start = GetTickCount();
    HWND front = GetForegroundWindow();
    while (front != window && GetTickCount() - start < ms) {
        Sleep(10);
        front = GetForegroundWindow();
    }
    return front;
}

static int CountMainWindows()
{
    int count = 0;
    for (HWND w = FindWindowExW(0, 0, MainClass, MainTitle); w != 0; w = FindWindowExW(0, w, MainClass, MainTitle)) {
        ++count;
    }
    return count;
}

// A second start brings the first to the front and ends with 0; windows that match only
// the class or only the title are not taken for a running instance. The window takes the
// platform's default place, less the soft-key bar's height.
static void SingleInstance(const std::wstring &path)
{
    HWND otherClass = MakeWindow(L"NOTWAYFOLD", MainTitle);
    HWND otherTitle = MakeWindow(MainClass, L"Wayfold 2");
    Check(otherClass != 0 && otherTitle != 0, "the decoy windows exist");

    Program first;
    if (!Start(path, &first)) {
        return;
    }
    Check(WaitExit(first.Process, 300) == -1, "the first start keeps running beside the decoys");

    // The platform's default place, from a window made the same way.
    HWND reference = MakeWindow(L"WAYFOLDREFERENCE", L"reference");
    HWND bar = WaitOwnedWindow(first.Main, L"WayfoldSoftKeyBar");
    RECT main, ref, barRect;
    GetWindowRect(first.Main, &main);
    GetWindowRect(reference, &ref);
    if (Check(bar != 0, "the soft-key bar is a window owned by the main window")) {
        GetWindowRect(bar, &barRect);
        LONG barHeight = barRect.bottom - barRect.top;
        Note("main window %ld,%ld-%ld,%ld, default %ld,%ld-%ld,%ld, bar %ld,%ld-%ld,%ld", main.left, main.top,
             main.right, main.bottom, ref.left, ref.top, ref.right, ref.bottom, barRect.left, barRect.top,
             barRect.right, barRect.bottom);
        Check(barHeight > 0, "the soft-key bar has a height");
        Check(main.left == ref.left && main.top == ref.top && main.right == ref.right,
              "the main window keeps the default position and width");
        Check(main.bottom == ref.bottom - barHeight, "the main window is shorter by the bar's height");
        Check(barRect.top == main.bottom && barRect.left == main.left && barRect.right == main.right,
              "the bar lies below the main window, as wide as it");
    }
    DestroyWindow(reference);

    // Something else in front, then the second start.
    SetForegroundWindow(otherClass);
    HWND front = GetForegroundWindow();
    Check(front == otherClass, "a decoy is in front before the second start (in front: %s)", Describe(front).c_str());
    WaitIdle(first.Main);
    Program second;
    if (Check(Launch(path, &second.Process), "the second start runs")) {
        int code = WaitExit(second.Process);
        Check(code == 0, "the second start ends with 0 (got %d)", code);
    }
    Check(CountMainWindows() == 1, "one main window remains (found %d)", CountMainWindows());
    // Bringing another thread's window to the front only notifies that thread: the first
    // instance becomes the foreground window once it has taken the notice in.
    WaitIdle(first.Main);
    front = WaitForeground(first.Main);
    Check(front == first.Main, "the first instance is in front (in front: %s)", Describe(front).c_str());
    Check(WaitExit(first.Process, 0) == -1, "the first instance still runs");
    Exit(first);
    DestroyWindow(otherClass);
    DestroyWindow(otherTitle);
}

// Shows the window for a screenshot: writes its client area (screen coordinates) to
// rectFile, then waits for doneFile to appear.
static void Startup(const std::wstring &path, const std::wstring &rectFile, const std::wstring &doneFile)
{
    Program program;
    if (!Start(path, &program)) {
        return;
    }
    WaitIdle(program.Main);
    RECT client;
    GetClientRect(program.Main, &client);
    POINT origin = {0, 0};
    ClientToScreen(program.Main, &origin);
    FILE *out = _wfopen(rectFile.c_str(), L"w");
    if (Check(out != 0, "the rectangle file can be written")) {
        fprintf(out, "%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
        fclose(out);
    }
    DWORD start = GetTickCount();
    while (GetFileAttributesW(doneFile.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 30000) {
        Sleep(20);
    }
    Exit(program);
}

// The settings dialog: current values, Default, Cancel, "ОК", the caption's OK, WM_CLOSE.
static void Settings(const std::wstring &path)
{
    const Values stored = {{7, 2000, 9, 0xFFFFFFFF}};
    const Values defaults = {{5, 1000, 5, 50}};
    WriteRegistry(stored);

    Program program;
    if (!Start(path, &program)) {
        return;
    }
    RECT main;
    GetWindowRect(program.Main, &main);

    HWND dialog = OpenDialog(program, IDM_SETTINGS);
    if (!dialog) {
        return;
    }
    Check(WindowText(dialog) == L"Point filters settings", "the settings dialog has its title");
    RECT area;
    GetWindowRect(dialog, &area);
    Check(EqualRect(&area, &main), "the dialog covers the main window: %ld,%ld-%ld,%ld, main %ld,%ld-%ld,%ld",
          area.left, area.top, area.right, area.bottom, main.left, main.top, main.right, main.bottom);
    HWND confirm = FindChild(dialog, IDOK, L"\x041E\x041A");
    HWND captionOk = FindChild(dialog, IDOK, L"OK");
    Check(confirm != 0 && IsWindowVisible(confirm), "the dialog has the \"ОК\" button");
    Check(captionOk != 0 && IsWindowVisible(captionOk), "the dialog has the caption's OK");
    ExpectFields(dialog, stored, "loaded from the registry, -1 shown unsigned");

    Click(GetDlgItem(dialog, IDC_DEFAULTS));
    ExpectFields(dialog, defaults, "after Default");
    Check(IsWindowVisible(dialog), "Default leaves the dialog open");
    ExpectRegistry(stored, "Default saves nothing");
    Click(GetDlgItem(dialog, IDCANCEL));
    Check(WaitGone(dialog), "Cancel closes the dialog");
    ExpectRegistry(stored, "Default then Cancel");

    dialog = OpenDialog(program, IDM_SETTINGS);
    if (!dialog) {
        return;
    }
    ExpectFields(dialog, stored, "after Default then Cancel, memory unchanged");
    Click(GetDlgItem(dialog, IDC_DEFAULTS));
    Click(FindChild(dialog, IDOK, L"\x041E\x041A"));
    Check(WaitGone(dialog), "\"ОК\" closes the dialog");
    ExpectRegistry(defaults, "Default then \"ОК\"");

    dialog = OpenDialog(program, IDM_SETTINGS);
    if (!dialog) {
        return;
    }
    ExpectFields(dialog, defaults, "after Default then \"ОК\"");
    SetDlgItemTextW(dialog, IDC_MAX_METERS, L"");
    SetDlgItemTextW(dialog, IDC_MAX_ORT_ERROR, L"4294967295");
    Click(FindChild(dialog, IDOK, L"\x041E\x041A"));
    Check(WaitGone(dialog), "\"ОК\" closes the dialog");
    const Values edited = {{5, 0, 5, 0xFFFFFFFF}};
    ExpectRegistry(edited, "an emptied field and 4294967295");

    // The caption's OK confirms the same way, and recreates a deleted key.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    Check(!KeyExists(), "the test deleted the registry key");
    dialog = OpenDialog(program, IDM_SETTINGS);
    if (!dialog) {
        return;
    }
    ExpectFields(dialog, edited, "0 and -1 in memory");
    SetDlgItemInt(dialog, IDC_MIN_METERS, 12, FALSE);
    Click(FindChild(dialog, IDOK, L"OK"));
    Check(WaitGone(dialog), "the caption's OK closes the dialog");
    const Values captioned = {{12, 0, 5, 0xFFFFFFFF}};
    Check(KeyExists(), "confirming recreates the registry key");
    ExpectRegistry(captioned, "the caption's OK");

    // WM_CLOSE stores nothing.
    dialog = OpenDialog(program, IDM_SETTINGS);
    if (!dialog) {
        return;
    }
    SetDlgItemInt(dialog, IDC_MIN_METERS, 99, FALSE);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    Check(WaitGone(dialog), "WM_CLOSE closes the dialog");
    ExpectRegistry(captioned, "WM_CLOSE");
    dialog = OpenDialog(program, IDM_SETTINGS);
    if (dialog) {
        ExpectFields(dialog, captioned, "after WM_CLOSE");
        Click(GetDlgItem(dialog, IDCANCEL));
        WaitGone(dialog);
    }
    Exit(program);
}

// The About box: ignores IDCANCEL and other ids, closes on IDOK, its caption's OK and
// WM_CLOSE.
static void About(const std::wstring &path)
{
    Program program;
    if (!Start(path, &program)) {
        return;
    }
    HWND dialog = OpenDialog(program, IDM_ABOUT);
    if (!dialog) {
        return;
    }
    Check(WindowText(dialog) == L"About Wayfold", "the About box has its title");
    Check(GetDlgItem(dialog, IDC_ABOUT_LINE1) != 0 && GetDlgItem(dialog, IDC_ABOUT_LINE2) != 0,
          "the About box shows two lines of authorship");
    int ignored[] = {IDCANCEL, IDC_DEFAULTS, IDM_ABOUT};
    for (int id : ignored) {
        SendMessageW(dialog, WM_COMMAND, id, 0);
        WaitIdle(program.Main);
        Check(IsWindow(dialog) && IsWindowVisible(dialog), "the About box ignores command %d", id);
    }
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    Check(WaitGone(dialog), "IDOK closes the About box");

    dialog = OpenDialog(program, IDM_ABOUT);
    if (!dialog) {
        return;
    }
    HWND captionOk = FindChild(dialog, IDOK, L"OK");
    if (Check(captionOk != 0 && IsWindowVisible(captionOk), "the About box has the caption's OK")) {
        Click(captionOk);
        Check(WaitGone(dialog), "the caption's OK closes the About box");
    }

    dialog = OpenDialog(program, IDM_ABOUT);
    if (!dialog) {
        return;
    }
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    Check(WaitGone(dialog), "WM_CLOSE closes the About box");
    Exit(program);
}

// Ctrl+A opens the About box; Ctrl+Q ends the program.
static void Keys(const std::wstring &path)
{
    Program program;
    if (!Start(path, &program)) {
        return;
    }
    SetForegroundWindow(program.Main);
    WaitIdle(program.Main);
    PressCtrl('A');
    HWND dialog = WaitOwnedDialog(program.Main);
    if (Check(dialog != 0 && WindowText(dialog) == L"About Wayfold", "Ctrl+A opens the About box")) {
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        WaitGone(dialog);
    }
    SetForegroundWindow(program.Main);
    WaitIdle(program.Main);
    PressCtrl('Q');
    ExpectExit(program, "Ctrl+Q");
}

static void PressKey(WORD key)
{
    INPUT keys[2];
    ZeroMemory(keys, sizeof keys);
    for (int i = 0; i < 2; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = key;
        keys[i].ki.dwFlags = i == 1 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, keys, sizeof(INPUT));
}

// The soft keys: the left one runs "Open file", the right one opens the Tools popup,
// whose "Exit" ends the program.
static void SoftKeys(const std::wstring &path)
{
    Program program;
    if (!Start(path, &program)) {
        return;
    }
    HWND bar = WaitOwnedWindow(program.Main, L"WayfoldSoftKeyBar");
    if (!Check(bar != 0, "the soft-key bar shows")) {
        return;
    }
    HWND openKey = FindChild(bar, IDM_OPEN_FILE, L"Open file");
    HWND toolsKey = FindChild(bar, IDM_TOOLS, L"Tools");
    Check(openKey != 0 && toolsKey != 0, "the bar has the keys \"Open file\" and \"Tools\"");
    RECT openRect, toolsRect;
    GetWindowRect(openKey, &openRect);
    GetWindowRect(toolsKey, &toolsRect);
    Check(openRect.right <= toolsRect.left, "\"Open file\" is left of \"Tools\"");

    PostMessageW(openKey, BM_CLICK, 0, 0);
    HWND dialog = WaitOwnedDialog(program.Main);
    if (Check(dialog != 0, "the left soft key opens the open-file dialog")) {
        OpenDialogView shown;
        DriveOpenDialog(dialog, &shown, 0, L"");
    }

    SetForegroundWindow(program.Main);
    WaitIdle(program.Main);
    PostMessageW(toolsKey, BM_CLICK, 0, 0);
    HWND popup = WaitOwnedWindow(0, L"#32768");
    if (Check(popup != 0, "the right soft key opens the Tools popup")) {
        RECT popupRect;
        GetWindowRect(popup, &popupRect);
        Check(popupRect.bottom <= toolsRect.top + 1, "the popup opens above the bar");
        PressKey(VK_UP); // from no selection to the last item, "Exit"
        PressKey(VK_RETURN);
        ExpectExit(program, "Tools, \"Exit\"");
    }
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 3) {
        printf("usage: gui_driver single-instance|startup|settings|about|keys|soft-keys PROGRAM [ARGS]\n");
        return 2;
    }
    std::wstring scenario = argv[1];
    std::wstring program = DosPath(argv[2]);
    if (scenario == L"single-instance") {
        SingleInstance(program);
    } else if (scenario == L"startup" && argc >= 5) {
        Startup(program, DosPath(argv[3]), DosPath(argv[4]));
    } else if (scenario == L"settings") {
        Settings(program);
    } else if (scenario == L"about") {
        About(program);
    } else if (scenario == L"keys") {
        Keys(program);
    } else if (scenario == L"soft-keys") {
        SoftKeys(program);
    } else {
        printf("unknown scenario\n");
        return 2;
    }
    Note("%s: %d failure(s)", Utf8(scenario).c_str(), Failures);
    return Failures == 0 ? 0 : 1;
}
