// Drives wayfold.exe from outside, as a person would: finds its windows by class and title,
// sends real messages and keys, and reads back route files, the registry and exit codes.
//   gui_driver SCENARIO WAYFOLD_EXE CONVERTER_EXE SAMPLES_DIR
// Exits 77 (skipped) without an X display, and for "open" without the sample tracks.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>

#include <string>
#include <utility>

#include "resources/resource_ids.h"

namespace {

const DWORD WaitMs = 20000;
int Failures = 0;
std::wstring Program, Converter, Samples;

bool Check(bool ok, const char *what, ...)
{
    va_list args;
    va_start(args, what);
    if (!ok) {
        ++Failures;
        printf("FAILED: ");
        vprintf(what, args);
        printf("\n");
        fflush(stdout);
    }
    va_end(args);
    return ok;
}

// Polls probe every 10 ms until it gives something non-zero or ms pass.
template <typename Probe> auto Poll(Probe probe, DWORD ms = WaitMs) -> decltype(probe())
{
    for (DWORD start = GetTickCount();; Sleep(10)) {
        auto result = probe();
        if (result || GetTickCount() - start > ms) return result;
    }
}

// Wine's name for a Unix path: Z:\...
std::wstring DosPath(const wchar_t *unixPath)
{
    typedef WCHAR *(CDECL * ToDos)(const char *);
    ToDos toDos = (ToDos)(void *)GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name");
    char narrow[1024];
    WideCharToMultiByte(CP_UTF8, 0, unixPath, -1, narrow, sizeof narrow, 0, 0);
    WCHAR *dos = toDos ? toDos(narrow) : 0;
    std::wstring result = dos ? dos : unixPath;
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

// Runs a program in a job that ends it with the driver; cwd 0 keeps the driver's.
PROCESS_INFORMATION Launch(std::wstring commandLine, const wchar_t *cwd = 0)
{
    static HANDLE job = CreateJobObjectW(0, 0);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Check(CreateProcessW(0, &commandLine[0], 0, 0, FALSE, CREATE_SUSPENDED, 0, cwd, &startup, &process),
          "a program starts");
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    return process;
}

// The exit code, or -1 while the process still runs after ms.
int ExitCode(const PROCESS_INFORMATION &process, DWORD ms = WaitMs)
{
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    return (int)code;
}

HWND FindMain() { return FindWindowW(L"WAYFOLD", L"Wayfold"); }

// True once the window's thread has come back to its message loop.
bool Idle(HWND window)
{
    DWORD_PTR result;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, WaitMs, &result) != 0;
}

struct Running {
    PROCESS_INFORMATION Process;
    HWND Main;
};

Running Start()
{
    Running running = {Launch(L"\"" + Program + L"\""), 0};
    running.Main = Poll(FindMain);
    Check(running.Main && Idle(running.Main), "the main window appears");
    return running;
}

// Presses Ctrl and key in the main window, as the keyboard would.
void PressCtrl(HWND main, WORD key)
{
    SetForegroundWindow(main);
    Idle(main);
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_CONTROL, key, key, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}

// Ends the program by Exit from the Tools menu, or by Ctrl and a key; checks it is gone.
void Exit(const Running &running, WORD ctrlKey = 0)
{
    if (ctrlKey == 0)
        PostMessageW(running.Main, WM_COMMAND, IDM_EXIT, 0);
    else
        PressCtrl(running.Main, ctrlKey);
    int code = ExitCode(running.Process);
    Check(code == 0 && !IsWindow(running.Main), "the program ends with 0 (got %d)", code);
}

// The visible dialog the main window owns, once it shows. A command that runs a modal
// dialog is posted, or the driver would wait in it.
HWND OwnedDialog(const Running &running, int command = 0)
{
    if (command) PostMessageW(running.Main, WM_COMMAND, command, 0);
    HWND dialog = Poll([&] {
        std::pair<HWND, HWND> search(running.Main, 0);
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto *search = (std::pair<HWND, HWND> *)data;
                wchar_t name[8] = L"";
                GetClassNameW(window, name, 8);
                if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != search->first ||
                    wcscmp(name, L"#32770") != 0)
                    return TRUE;
                search->second = window;
                return FALSE;
            },
            (LPARAM)&search);
        return search.second;
    });
    Check(dialog != 0, "a dialog opens (command %d)", command);
    return dialog;
}

bool Gone(HWND window)
{
    return Poll([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

std::string FileBytes(const std::wstring &path)
{
    std::string bytes;
    if (FILE *file = _wfopen(path.c_str(), L"rb")) {
        for (int c; (c = fgetc(file)) != EOF;) bytes += (char)c;
        fclose(file);
    }
    return bytes;
}

// A second start brings the first to the front and ends; windows with only the class or
// only the title are no instance.
void SingleInstance()
{
    const wchar_t *const decoys[2][2] = {{L"NOTWAYFOLD", L"Wayfold"}, {L"WAYFOLD", L"Wayfold 2"}};
    HWND front = 0;
    for (auto &decoy : decoys) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = decoy[0];
        RegisterClassW(&windowClass);
        front = CreateWindowExW(0, decoy[0], decoy[1], WS_VISIBLE, 0, 0, 100, 100, 0, 0, 0, 0);
    }
    Running first = Start();
    SetForegroundWindow(front);
    Check(ExitCode(Launch(L"\"" + Program + L"\"")) == 0, "a second start ends with 0");
    Check(FindWindowExW(0, first.Main, L"WAYFOLD", L"Wayfold") == 0 && FindMain() == first.Main,
          "one main window remains");
    Idle(first.Main);
    Check(Poll([&] { return GetForegroundWindow() == first.Main; }), "the first instance comes to the front");
    Exit(first);
}

// "Open file" under each filter: the dialog opens on the filter confirmed before, and the
// route files match the converter's on a copy of the same track. Cancel keeps the filter.
void OpenEachFilter()
{
    const int FilterList = 0x470; // "Files of type"
    const wchar_t *const tracks[] = {L"garmin-edge-800-output.gpx", L"mps-track.mps", L"20070813_short.plt",
                                     L"receiver-log.nmea"};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring mine = std::wstring(temp) + L"Мои треки\\", host = std::wstring(temp) + L"wayfold-host\\";
    CreateDirectoryW(mine.c_str(), 0);
    CreateDirectoryW(host.c_str(), 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    Running running = Start();
    for (int filter = 1; filter <= 4; ++filter) {
        const wchar_t *name = tracks[filter - 1];
        std::wstring stem = std::wstring(name).substr(0, wcsrchr(name, L'.') - name);
        for (const std::wstring &dir : {mine, host}) {
            DeleteFileW((dir + stem + L"F.rt2").c_str());
            CopyFileW((Samples + L"\\" + name).c_str(), (dir + name).c_str(), FALSE);
        }
        HWND dialog = OwnedDialog(running, IDM_OPEN_FILE);
        HWND filters = GetDlgItem(dialog, FilterList), nameBox = GetDlgItem(dialog, 0x47c);
        int shown = (int)SendMessageW(filters, CB_GETCURSEL, 0, 0) + 1;
        Check(shown == (filter == 1 ? 1 : filter - 1), "filter %d: the dialog opens on %d", filter, shown);
        // Wine takes the filter from CBN_SELENDOK. The old-style dialog's name box is 0x480.
        SendMessageW(filters, CB_SETCURSEL, filter - 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FilterList, CBN_SELENDOK), (LPARAM)filters);
        SetWindowTextW(nameBox ? nameBox : GetDlgItem(dialog, 0x480), (mine + name).c_str());
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        Check(ExitCode(Launch(L"\"" + Converter + L"\" -q " + name, host.c_str())) == 0, "the converter runs");
        for (const wchar_t *end : {L"F.rt2", L"B.rt2"}) {
            std::string expected = FileBytes(host + stem + end);
            Check(!expected.empty() && Poll([&] { return FileBytes(mine + stem + end) == expected; }, 10000),
                  "filter %d: %ls%ls matches the converter's", filter, stem.c_str(), end);
        }
    }
    for (int round = 0; round < 2; ++round) {
        HWND dialog = OwnedDialog(running, IDM_OPEN_FILE);
        int shown = (int)SendMessageW(GetDlgItem(dialog, FilterList), CB_GETCURSEL, 0, 0) + 1;
        Check(shown == 4, "after Cancel the dialog still opens on nmea (%d)", shown);
        SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        Check(Gone(dialog), "Cancel closes the dialog");
    }
    Exit(running);
}

// Settings: the stored values shown, Default and Cancel store nothing, "ОК" stores the
// fields (empty as 0, 4294967295 as -1), WM_CLOSE stores nothing, a new start shows them.
void Settings()
{
    const wchar_t *const names[4] = {L"MinMeters", L"MaxMeters", L"MaxDegrees", L"MaxOrtError"};
    const int fields[4] = {IDC_MIN_METERS, IDC_MAX_METERS, IDC_MAX_DEGREES, IDC_MAX_ORT_ERROR};
    auto stored = [&](DWORD a, DWORD b, DWORD c, DWORD d) {
        const DWORD expected[4] = {a, b, c, d};
        for (int i = 0; i < 4; ++i) {
            DWORD value = 0xDEADBEEF, size = 4;
            RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillon\\Wayfold", names[i], RRF_RT_REG_DWORD, 0, &value,
                         &size);
            Check(value == expected[i], "%ls is stored as %lu, expected %lu", names[i], value, expected[i]);
        }
    };
    auto shown = [&](HWND dialog, DWORD a, DWORD b, DWORD c, DWORD d) {
        const DWORD expected[4] = {a, b, c, d};
        for (int i = 0; i < 4; ++i) {
            DWORD value = GetDlgItemInt(dialog, fields[i], 0, FALSE);
            Check(value == expected[i], "field %d shows %lu, expected %lu", fields[i], value, expected[i]);
        }
    };
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quillon\\Wayfold", 0, 0, 0, KEY_SET_VALUE, 0, &key, 0);
    const DWORD planted[4] = {7, 2000, 9, 0xFFFFFFFF};
    for (int i = 0; i < 4; ++i) RegSetValueExW(key, names[i], 0, REG_DWORD, (const BYTE *)&planted[i], 4);
    RegCloseKey(key);

    Running running = Start();
    HWND dialog = OwnedDialog(running, IDM_SETTINGS);
    Check(Text(dialog) == L"Point filters settings", "the settings dialog has its title");
    shown(dialog, 7, 2000, 9, 0xFFFFFFFF);
    SendMessageW(GetDlgItem(dialog, IDC_DEFAULTS), BM_CLICK, 0, 0);
    shown(dialog, 5, 1000, 5, 50);
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    Check(Gone(dialog), "Cancel closes the dialog");
    stored(7, 2000, 9, 0xFFFFFFFF);

    dialog = OwnedDialog(running, IDM_SETTINGS);
    shown(dialog, 7, 2000, 9, 0xFFFFFFFF);
    SetDlgItemInt(dialog, IDC_MIN_METERS, 12, FALSE);
    SetDlgItemTextW(dialog, IDC_MAX_METERS, L"");
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    Check(Gone(dialog), "OK closes the dialog");
    stored(12, 0, 9, 0xFFFFFFFF);

    dialog = OwnedDialog(running, IDM_SETTINGS);
    SetDlgItemInt(dialog, IDC_MIN_METERS, 99, FALSE);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    Check(Gone(dialog), "WM_CLOSE closes the dialog");
    stored(12, 0, 9, 0xFFFFFFFF);
    Exit(running);

    running = Start();
    dialog = OwnedDialog(running, IDM_SETTINGS);
    shown(dialog, 12, 0, 9, 0xFFFFFFFF);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    Gone(dialog);
    Exit(running);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
}

// About, from Tools or by Ctrl+A: only OK closes it. Ctrl+Q ends the program.
void About(bool byKeys)
{
    Running running = Start();
    if (byKeys) PressCtrl(running.Main, 'A');
    HWND dialog = OwnedDialog(running, byKeys ? 0 : IDM_ABOUT);
    Check(Text(dialog) == L"About Wayfold", "the About box has its title");
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    Check(IsWindowVisible(dialog), "the About box ignores Cancel");
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    Check(Gone(dialog), "OK closes the About box");
    Exit(running, byKeys ? 'Q' : 0);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const struct {
        const wchar_t *Name;
        void (*Run)();
    } scenarios[] = {
        {L"single-instance", SingleInstance},
        {L"open", OpenEachFilter},
        {L"settings", Settings},
        {L"about", [] { About(false); }},
        {L"keys", [] { About(true); }},
    };
    if (argc < 5) return 2;
    if (!_wgetenv(L"DISPLAY")) return 77;
    Program = DosPath(argv[2]);
    Converter = DosPath(argv[3]);
    Samples = DosPath(argv[4]);
    if (wcscmp(argv[1], L"open") == 0 &&
        GetFileAttributesW((Samples + L"\\mps-track.mps").c_str()) == INVALID_FILE_ATTRIBUTES)
        return 77;
    for (const auto &scenario : scenarios)
        if (wcscmp(argv[1], scenario.Name) == 0) {
            scenario.Run();
            printf("%ls: %d failure(s)\n", scenario.Name, Failures);
            return Failures == 0 ? 0 : 1;
        }
    return 2;
}
