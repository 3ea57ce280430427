// What the GUI tests share: finding the program's windows, driving its dialogs, starting
// it, and reporting failures. Every wait polls against a deadline.
#ifndef WAYFOLD_GUI_SUPPORT_H
#define WAYFOLD_GUI_SUPPORT_H

#include <windows.h>

#include <string>

// The program's window class and title, as its string table gives them.
extern const wchar_t *const MainClass;
extern const wchar_t *const MainTitle;

// Default deadline of the waits, in milliseconds.
const DWORD WaitMs = 20000;

// Failures so far; Check prints each one.
extern int Failures;
bool Check(bool ok, const char *what, ...);
void Note(const char *what, ...);

// Waits for a window of this class and title (any process).
HWND WaitWindow(const wchar_t *className, const wchar_t *title, DWORD ms = WaitMs);

// Waits for a visible dialog (class #32770) owned by owner.
HWND WaitOwnedDialog(HWND owner, DWORD ms = WaitMs);

// Waits for a visible top-level window of this class owned by owner (0: any owner).
HWND WaitOwnedWindow(HWND owner, const wchar_t *className, DWORD ms = WaitMs);

// Waits until window is destroyed or hidden.
bool WaitGone(HWND window, DWORD ms = WaitMs);

// Returns once the thread that owns window is back in its message loop (or ms passed).
bool WaitIdle(HWND window, DWORD ms = WaitMs);

// A child of parent with this id and text, or 0.
HWND FindChild(HWND parent, int id, const wchar_t *text);

// The window's text.
std::wstring WindowText(HWND window);

// A Unix path as the DOS path Wine shows programs (Z:\...).
std::wstring DosPath(const std::wstring &unixPath);

// UTF-8 of a wide string, for messages.
std::string Utf8(const std::wstring &text);

// Starts program (with no arguments) in a job that ends it when the test ends.
bool Launch(const std::wstring &program, PROCESS_INFORMATION *process);

// Waits for the process to end; returns its exit code, or -1 on timeout.
int WaitExit(const PROCESS_INFORMATION &process, DWORD ms = WaitMs);

// Drives an open-file dialog that is showing: reports the filter it shows (1-based) and
// the name box's text, then confirms path under filter (1-based), or cancels when path is
// empty.
struct OpenDialogView {
    int Filter;
    std::wstring Name;
};
bool DriveOpenDialog(HWND dialog, OpenDialogView *shown, int filter, const std::wstring &path);

// Presses Ctrl plus key in the foreground window's thread.
void PressCtrl(WORD key);

#endif
