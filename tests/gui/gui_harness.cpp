// Runs the Wayfold program in this process and drives it from a second thread, which can
// read what the window paints: the status text. The program's own entry runs unchanged.
//   gui_harness open|cancel WORKDIR
// WORKDIR holds ride.gpx, track.mps, walk.plt and log.nmea (open only).
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "conversion/status_log.h"
#include "gui_support.h"
#include "resources/resource_ids.h"

#define wWinMain ProgramMain
#include "shell/wayfold_main.cpp"
#undef wWinMain

static std::wstring Scenario;
static std::wstring WorkDir;

// The status text at every WM_PAINT the main window gets. While a conversion runs the
// message loop does not, so a paint seen then was sent by the status display itself.
// The program's thread records, the driving thread reads: under a lock.
static WNDPROC ProgramProc = 0;
static CRITICAL_SECTION PaintedLock;
static std::vector<std::wstring> Painted;

// "Open file" commands the program has finished handling (dialog and conversion).
static volatile LONG OpensDone = 0;

static LRESULT CALLBACK WatchPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        EnterCriticalSection(&PaintedLock);
        Painted.push_back(std::wstring(StatusText(), StatusLength()));
        LeaveCriticalSection(&PaintedLock);
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDM_OPEN_FILE) {
        LRESULT result = CallWindowProcW(ProgramProc, window, message, wParam, lParam);
        InterlockedIncrement(&OpensDone);
        return result;
    }
    return CallWindowProcW(ProgramProc, window, message, wParam, lParam);
}

static void ClearPainted()
{
    EnterCriticalSection(&PaintedLock);
    Painted.clear();
    LeaveCriticalSection(&PaintedLock);
}

static bool WasPainted(const std::wstring &text)
{
    EnterCriticalSection(&PaintedLock);
    bool found = false;
    for (const std::wstring &painted : Painted) {
        found = found || painted == text;
    }
    LeaveCriticalSection(&PaintedLock);
    return found;
}

static LONG OpensDoneNow()
{
    return InterlockedCompareExchange(&OpensDone, 0, 0);
}

// The status text once the program has finished the "Open file" command that followed
// opensBefore finished ones. A hidden dialog is no such sign: the program may still be in
// the dialog's loop, answering messages, with the text of the command before.
static std::wstring SettledStatus(HWND main, LONG opensBefore)
{
    DWORD start = GetTickCount();
    while (OpensDoneNow() == opensBefore && GetTickCount() - start < 30000) {
        Sleep(10);
    }
    Check(OpensDoneNow() != opensBefore, "the program finishes \"Open file\"");
    WaitIdle(main);
    return std::wstring(StatusText(), StatusLength());
}

static std::vector<std::wstring> Lines(const std::wstring &text)
{
    std::vector<std::wstring> lines;
    size_t from = 0;
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", from)) {
        lines.push_back(text.substr(from, at - from));
        from = at + 2;
    }
    if (from < text.size()) {
        lines.push_back(text.substr(from));
    }
    return lines;
}

// The waypoint records ("W,...") of a route file, in file order.
static std::vector<std::string> Records(const std::wstring &path, bool *found)
{
    std::vector<std::string> records;
    FILE *file = _wfopen(path.c_str(), L"rb");
    *found = file != 0;
    if (file == 0) {
        return records;
    }
    char line[256];
    while (fgets(line, sizeof line, file)) {
        if (line[0] == 'W' && line[1] == ',') {
            records.push_back(line);
        }
    }
    fclose(file);
    return records;
}

// Opens "Open file", checks what the dialog shows, confirms path under filter (or cancels
// when path is empty) and returns the status text when the program is idle again.
static std::wstring OpenFile(HWND main, int shownFilter, int filter, const std::wstring &path)
{
    LONG opensBefore = OpensDoneNow();
    PostMessageW(main, WM_COMMAND, IDM_OPEN_FILE, 0);
    HWND dialog = WaitOwnedDialog(main);
    if (!Check(dialog != 0, "\"Open file\" opens the open-file dialog")) {
        return L"";
    }
    OpenDialogView shown;
    if (!DriveOpenDialog(dialog, &shown, filter, path)) {
        return L"";
    }
    Check(shown.Filter == shownFilter, "the dialog opens on filter %d (shows %d)", shownFilter, shown.Filter);
    Check(shown.Name.empty(), "the dialog opens with an empty name");
    return SettledStatus(main, opensBefore);
}

// Each filter with a real track of its format: both route files and the three status
// lines; each next dialog opens on the filter confirmed before.
static void OpenEachFilter(HWND main)
{
    struct Case {
        int Filter;
        const wchar_t *Name;
        int Cut;
    };
    const Case cases[] = {{1, L"ride.gpx", 4}, {2, L"track.mps", 4}, {3, L"walk.plt", 4}, {4, L"log.nmea", 5}};
    int previous = 1;
    for (const Case &c : cases) {
        std::wstring path = DosPath(WorkDir + L"/" + c.Name);
        Note("filter %d: %s", c.Filter, Utf8(path).c_str());
        ClearPainted();
        std::wstring text = OpenFile(main, previous, c.Filter, path);
        previous = c.Filter;
        std::vector<std::wstring> lines = Lines(text);
        if (!Check(lines.size() >= 4, "the status shows the path and three lines: %s", Utf8(text).c_str())) {
            continue;
        }
        std::wstring joined;
        for (size_t i = 0; i + 3 < lines.size(); ++i) {
            joined += lines[i];
        }
        Check(joined == path, "the status begins with the path: %s", Utf8(joined).c_str());
        size_t n = lines.size();
        Check(lines[n - 3] == L"Forward route file - OK", "line: %s", Utf8(lines[n - 3]).c_str());
        int saved = _wtoi(lines[n - 2].c_str());
        Check(lines[n - 2] == std::to_wstring(saved) + L" points are saved.", "line: %s",
              Utf8(lines[n - 2]).c_str());
        Check(lines[n - 1] == L"Backward route file - OK", "line: %s", Utf8(lines[n - 1]).c_str());
        Check(text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0, "the text ends its last line");
        // The path and each of the three lines were on the screen as soon as they came.
        size_t end = 0;
        for (size_t i = 0; i < n; ++i) {
            end = text.find(L"\r\n", end) + 2;
            if (i + 4 >= n) {
                Check(WasPainted(text.substr(0, end)), "painted at once: %s", Utf8(lines[i]).c_str());
            }
        }

        std::wstring base = path.substr(0, path.size() - c.Cut);
        bool forwardFound = false, backwardFound = false;
        std::vector<std::string> forward = Records(base + L"F.rt2", &forwardFound);
        std::vector<std::string> backward = Records(base + L"B.rt2", &backwardFound);
        Check(forwardFound && backwardFound, "both route files exist");
        Check((int)forward.size() == saved && saved >= 2, "the forward file holds the %d saved points (%d)", saved,
              (int)forward.size());
        Check(std::vector<std::string>(forward.rbegin(), forward.rend()) == backward,
              "the backward file holds the forward records in reverse");
    }
    // Cancelling keeps the filter: the next dialog still opens on "nmea".
    Check(OpenFile(main, 4, 0, L"") == L"File not selected", "cancel shows \"File not selected\"");
    OpenFile(main, 4, 0, L"");
}

// Cancelling the first dialog: exactly "File not selected", and the filter stays "gpx".
static void CancelFirst(HWND main)
{
    std::wstring text = OpenFile(main, 1, 0, L"");
    Check(text == L"File not selected", "cancel shows \"File not selected\" (got %s)", Utf8(text).c_str());
    text = OpenFile(main, 1, 0, L"");
    Check(text == L"File not selected", "a second cancel shows the same");
}

static DWORD WINAPI Drive(void *)
{
    HWND main = WaitWindow(MainClass, MainTitle);
    if (Check(main != 0, "the main window appears")) {
        WaitIdle(main);
        // Known before the swap: the program's thread may call WatchPaint at once.
        ProgramProc = (WNDPROC)GetWindowLongPtrW(main, GWLP_WNDPROC);
        SetWindowLongPtrW(main, GWLP_WNDPROC, (LONG_PTR)WatchPaint);
        Check(std::wstring(StatusText(), StatusLength()) == L"Select file to open...", "the first status text");
        if (Scenario == L"open") {
            OpenEachFilter(main);
        } else {
            CancelFirst(main);
        }
        PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
    }
    return 0;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        printf("usage: gui_harness open|cancel [WORKDIR]\n");
        return 2;
    }
    Scenario = argv[1];
    InitializeCriticalSection(&PaintedLock);
    WorkDir = argc > 2 ? argv[2] : L"";
    HANDLE driver = CreateThread(0, 0, Drive, 0, 0, 0);
    int code = ProgramMain(GetModuleHandleW(0), 0, GetCommandLineW(), SW_SHOWDEFAULT);
    // A driver stuck in a wait ends with its deadline; the program has ended already.
    WaitForSingleObject(driver, 60000);
    Check(code == 0, "the program returns 0 (got %d)", code);
    Note("%s: %d failure(s)", Utf8(Scenario).c_str(), Failures);
    return Failures == 0 ? 0 : 1;
}
