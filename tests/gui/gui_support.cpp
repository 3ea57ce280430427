#include "gui_support.h"

#include <stdarg.h>
#include <stdio.h>

const wchar_t *const MainClass = L"WAYFOLD";
const wchar_t *const MainTitle = L"Wayfold";

int Failures = 0;

bool Check(bool ok, const char *what, ...)
{
    if (!ok) {
        ++Failures;
        va_list args;
        va_start(args, what);
        printf("FAILED: ");
        vprintf(what, args);
        printf("\n");
        va_end(args);
        fflush(stdout);
    }
    return ok;
}

void Note(const char *what, ...)
{
    va_list args;
    va_start(args, what);
    vprintf(what, args);
    printf("\n");
    va_end(args);
    fflush(stdout);
}

// Polls until found returns non-zero or ms pass; the pause between polls is short.
template <typename Probe> static auto Poll(Probe probe, DWORD ms) -> decltype(probe())
{
    DWORD start = GetTickCount();
    for (;;) {
        auto result = probe();
        if (result || GetTickCount() - start > ms) {
            return result;
        }
        Sleep(10);
    }
}

HWND WaitWindow(const wchar_t *className, const wchar_t *title, DWORD ms)
{
    return Poll([&] { return FindWindowW(className, title); }, ms);
}

struct OwnedSearch {
    HWND Owner;
    const wchar_t *ClassName;
    HWND Found;
};

static BOOL CALLBACK MatchOwned(HWND window, LPARAM data)
{
    OwnedSearch *search = (OwnedSearch *)data;
    wchar_t name[64];
    if (!IsWindowVisible(window) || GetClassNameW(window, name, 64) == 0) {
        return TRUE;
    }
    if (wcscmp(name, search->ClassName) != 0) {
        return TRUE;
    }
    if (search->Owner != 0 && GetWindow(window, GW_OWNER) != search->Owner) {
        return TRUE;
    }
    search->Found = window;
    return FALSE;
}

HWND WaitOwnedWindow(HWND owner, const wchar_t *className, DWORD ms)
{
    return Poll(
        [&] {
            OwnedSearch search = {owner, className, 0};
            EnumWindows(MatchOwned, (LPARAM)&search);
            return search.Found;
        },
        ms);
}

HWND WaitOwnedDialog(HWND owner, DWORD ms)
{
    return WaitOwnedWindow(owner, L"#32770", ms);
}

bool WaitGone(HWND window, DWORD ms)
{
    return Poll([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

bool WaitIdle(HWND window, DWORD ms)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

struct ChildSearch {
    int Id;
    const wchar_t *Text;
    HWND Found;
};

static BOOL CALLBACK MatchChild(HWND window, LPARAM data)
{
    ChildSearch *search = (ChildSearch *)data;
    if (GetDlgCtrlID(window) == search->Id && WindowText(window) == search->Text) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindChild(HWND parent, int id, const wchar_t *text)
{
    ChildSearch search = {id, text, 0};
    EnumChildWindows(parent, MatchChild, (LPARAM)&search);
    return search.Found;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[512];
    text[0] = 0;
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring DosPath(const std::wstring &unixPath)
{
    typedef WCHAR *(CDECL * ToDos)(const char *);
    ToDos convert = (ToDos)(void *)GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name");
    if (convert == 0) {
        return unixPath;
    }
    std::string narrow = Utf8(unixPath);
    WCHAR *dos = convert(narrow.c_str());
    if (dos == 0) {
        return unixPath;
    }
    std::wstring result = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

std::string Utf8(const std::wstring &text)
{
    char buffer[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), buffer, sizeof buffer, 0, 0);
    return std::string(buffer, n > 0 ? n : 0);
}

bool Launch(const std::wstring &program, PROCESS_INFORMATION *process)
{
    static HANDLE job = 0;
    if (job == 0) {
        job = CreateJobObjectW(0, 0);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        ZeroMemory(&limits, sizeof limits);
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessW(program.c_str(), &commandLine[0], 0, 0, FALSE, CREATE_SUSPENDED, 0, 0,
                        &startup, process)) {
        return false;
    }
    AssignProcessToJobObject(job, process->hProcess);
    ResumeThread(process->hThread);
    return true;
}

int WaitExit(const PROCESS_INFORMATION &process, DWORD ms)
{
    if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return (int)code;
}

// Control ids of the open-file dialog: the filter list, the name box (new and old style).
static const int FilterListId = 0x470;
static const int NameComboId = 0x47c;
static const int NameEditId = 0x480;

bool DriveOpenDialog(HWND dialog, OpenDialogView *shown, int filter, const std::wstring &path)
{
    HWND filters = GetDlgItem(dialog, FilterListId);
    HWND name = GetDlgItem(dialog, NameComboId);
    if (name == 0) {
        name = GetDlgItem(dialog, NameEditId);
    }
    if (!Check(filters != 0 && name != 0, "the open-file dialog has a filter list and a name box")) {
        return false;
    }
    shown->Filter = (int)SendMessageW(filters, CB_GETCURSEL, 0, 0) + 1;
    shown->Name = WindowText(name);
    if (path.empty()) {
        SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    } else {
        // Wine takes the filter from CBN_SELENDOK.
        SendMessageW(filters, CB_SETCURSEL, filter - 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FilterListId, CBN_SELCHANGE), (LPARAM)filters);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FilterListId, CBN_SELENDOK), (LPARAM)filters);
        SetWindowTextW(name, path.c_str());
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    }
    return Check(WaitGone(dialog), "the open-file dialog closes");
}

void PressCtrl(WORD key)
{
    INPUT keys[4];
    ZeroMemory(keys, sizeof keys);
    WORD codes[4] = {VK_CONTROL, key, key, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}
