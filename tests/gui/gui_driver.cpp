// Drives wayfold.exe from outside, as a person would: finds its windows by class and title, sends
// real messages and keys, reads back route files, the registry and exit codes. Exits 77 (skipped)
// without an X display, and for "open" without the sample tracks.
//   gui_driver SCENARIO WAYFOLD_EXE CONVERTER_EXE SAMPLES_DIR
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>

#include <fstream>
#include <iterator>
#include <string>

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

// True once the window's thread has come back to its message loop.
bool Idle(HWND window)
{
    DWORD_PTR result;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, WaitMs, &result) != 0;
}

// The program under test and its main window.
PROCESS_INFORMATION Process;
HWND Main;

void Start()
{
    Process = Launch(L"\"" + Program + L"\"");
    Main = Poll([] { return FindWindowW(L"WAYFOLD", L"Wayfold"); });
    Check(Main && Idle(Main), "the main window appears");
}

// Presses Ctrl and key in the main window, as the keyboard would.
void PressCtrl(HWND main, WORD key)
{
    SetForegroundWindow(main);
    Idle(main);
    INPUT keys[4] = {};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = i == 0 || i == 3 ? VK_CONTROL : key;
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}

// Ends the program by Exit from the Tools menu, or by Ctrl and a key; checks it is gone.
void Exit(WORD ctrlKey = 0)
{
    if (ctrlKey == 0)
        PostMessageW(Main, WM_COMMAND, IDM_EXIT, 0);
    else
        PressCtrl(Main, ctrlKey);
    int code = ExitCode(Process);
    Check(code == 0 && !IsWindow(Main), "the program ends with 0 (got %d)", code);
}

// The visible dialog the main window owns, once it shows. A command that runs a modal
// dialog is posted, or the driver would wait in it.
HWND OwnedDialog(int command = 0)
{
    if (command) PostMessageW(Main, WM_COMMAND, command, 0);
    HWND dialog = Poll([&] {
        HWND window = 0;
        do window = FindWindowExW(0, window, L"#32770", 0);
        while (window && !(IsWindowVisible(window) && GetWindow(window, GW_OWNER) == Main));
        return window;
    });
    Check(dialog != 0, "a dialog opens (command %d)", command);
    return dialog;
}

bool Gone(HWND window)
{
    return Poll([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::string FileBytes(const std::wstring &path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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
    Start();
    SetForegroundWindow(front);
    Check(ExitCode(Launch(L"\"" + Program + L"\"")) == 0, "a second start ends with 0");
    Check(FindWindowExW(0, Main, L"WAYFOLD", L"Wayfold") == 0 && FindWindowW(L"WAYFOLD", L"Wayfold") == Main,
          "one main window remains");
    Check(Poll([] { return GetForegroundWindow() == Main; }), "the first instance comes to the front");
    Exit();
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
    for (const std::wstring &dir : {mine, host}) CreateDirectoryW(dir.c_str(), 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    Start();
    for (int filter = 1; filter <= 4; ++filter) {
        const wchar_t *name = tracks[filter - 1];
        std::wstring stem = std::wstring(name).substr(0, wcsrchr(name, L'.') - name);
        for (const std::wstring &dir : {mine, host}) {
            DeleteFileW((dir + stem + L"F.rt2").c_str());
            DeleteFileW((dir + stem + L"B.rt2").c_str());
            CopyFileW((Samples + L"\\" + name).c_str(), (dir + name).c_str(), FALSE);
        }
        HWND dialog = OwnedDialog(IDM_OPEN_FILE);
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
        HWND dialog = OwnedDialog(IDM_OPEN_FILE);
        int shown = (int)SendMessageW(GetDlgItem(dialog, FilterList), CB_GETCURSEL, 0, 0) + 1;
        Check(shown == 4, "after Cancel the dialog still opens on nmea (%d)", shown);
        SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        Check(Gone(dialog), "Cancel closes the dialog");
    }
    Exit();
}

// Settings: the stored values shown (-1 as 4294967295), Default and Cancel store nothing,
// OK stores the fields (empty as 0), WM_CLOSE stores nothing, the next start shows them.
void Settings()
{
    const wchar_t *const names[4] = {L"MinMeters", L"MaxMeters", L"MaxDegrees", L"MaxOrtError"};
    const int fields[4] = {IDC_MIN_METERS, IDC_MAX_METERS, IDC_MAX_DEGREES, IDC_MAX_ORT_ERROR};
    const wchar_t *const Key = L"Software\\Quillon\\Wayfold";
    // What the dialog's fields show, or with no dialog what the registry holds.
    auto expect = [&](HWND dialog, DWORD a, DWORD b, DWORD c, DWORD d) {
        const DWORD expected[4] = {a, b, c, d};
        for (int i = 0; i < 4; ++i) {
            DWORD value = 0xDEADBEEF, size = 4;
            if (dialog)
                value = GetDlgItemInt(dialog, fields[i], 0, FALSE);
            else
                RegGetValueW(HKEY_CURRENT_USER, Key, names[i], RRF_RT_REG_DWORD, 0, &value, &size);
            Check(value == expected[i], "%ls: %s %lu, expected %lu", names[i], dialog ? "shown" : "stored", value,
                  expected[i]);
        }
    };
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
    const DWORD planted[4] = {7, 2000, 9, 0xFFFFFFFF};
    for (int i = 0; i < 4; ++i) RegSetKeyValueW(HKEY_CURRENT_USER, Key, names[i], REG_DWORD, &planted[i], 4);

    Start();
    HWND dialog = OwnedDialog(IDM_SETTINGS);
    Check(FindWindowW(L"#32770", L"Point filters settings") == dialog, "the settings dialog has its title");
    expect(dialog, 7, 2000, 9, 0xFFFFFFFF);
    SendMessageW(GetDlgItem(dialog, IDC_DEFAULTS), BM_CLICK, 0, 0);
    expect(dialog, 5, 1000, 5, 50);
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    Check(Gone(dialog), "Cancel closes the dialog");
    expect(0, 7, 2000, 9, 0xFFFFFFFF);

    dialog = OwnedDialog(IDM_SETTINGS);
    expect(dialog, 7, 2000, 9, 0xFFFFFFFF);
    SetDlgItemInt(dialog, IDC_MIN_METERS, 12, FALSE);
    SetDlgItemTextW(dialog, IDC_MAX_METERS, L"");
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    Check(Gone(dialog), "OK closes the dialog");
    expect(0, 12, 0, 9, 0xFFFFFFFF);

    dialog = OwnedDialog(IDM_SETTINGS);
    SetDlgItemInt(dialog, IDC_MIN_METERS, 99, FALSE);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    Check(Gone(dialog), "WM_CLOSE closes the dialog");
    expect(0, 12, 0, 9, 0xFFFFFFFF);
    Exit();

    Start();
    dialog = OwnedDialog(IDM_SETTINGS);
    expect(dialog, 12, 0, 9, 0xFFFFFFFF);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    Gone(dialog);
    Exit();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon");
}

// About, from Tools or by Ctrl+A: only OK closes it. Ctrl+Q ends the program.
void About(bool byKeys)
{
    Start();
    if (byKeys) PressCtrl(Main, 'A');
    HWND dialog = OwnedDialog(byKeys ? 0 : IDM_ABOUT);
    Check(FindWindowW(L"#32770", L"About Wayfold") == dialog, "the About box has its title");
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    Check(IsWindowVisible(dialog), "the About box ignores Cancel");
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    Check(Gone(dialog), "OK closes the About box");
    Exit(byKeys ? 'Q' : 0);
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
    // Unix paths as given: Wine takes them on the current drive, which maps the root.
    Program = argv[2], Converter = argv[3], Samples = argv[4];
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
