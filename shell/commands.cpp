#include "shell/commands.h"

#include <string.h>

#include "conversion/conversion_job.h"
#include "conversion/status_log.h"
#include "platform/pocketpc_shell.h"
#include "readers/track_source.h"
#include "resources/resource_ids.h"
#include "settings/settings_dialog.h"
#include "shell/shell_state.h"

// The open-file dialog's filters, one pair a handheld format in the formats' order, so the 1-based
// number of a pair is the InputFormat: "gpx", NUL, "*.gpx", NUL, ..., and a closing NUL.
// Each pair takes twice the name and four more characters; the names have at most four.
static const int OpenFiltersCapacity = HandheldFormatCount * 12 + 1;
static wchar_t OpenFilters[OpenFiltersCapacity];

static int AppendFilterText(int at, const char *text)
{
    while (*text) OpenFilters[at++] = (wchar_t)*text++;
    return at;
}

static void MakeOpenFilters()
{
    int at = 0;
    for (int i = 0; i < HandheldFormatCount; i++) {
        at = AppendFilterText(at, TrackFormats[i].Name);
        OpenFilters[at++] = 0;
        at = AppendFilterText(AppendFilterText(at, "*."), TrackFormats[i].Name);
        OpenFilters[at++] = 0;
    }
    OpenFilters[at] = 0;
}

// OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST.
static const DWORD OpenFlags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

void OpenAndConvert()
{
    OPENFILENAMEW dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = OpenFileNameSize;
    dialog.hwndOwner = MainWindow;
    MakeOpenFilters();
    dialog.lpstrFilter = OpenFilters;
    dialog.nFilterIndex = (DWORD)InputFormat;
    InputPath[0] = 0;
    dialog.lpstrFile = InputPath;
    dialog.nMaxFile = InputPathMax;
    dialog.lpstrFileTitle = 0;
    dialog.nMaxFileTitle = 0;
    dialog.lpstrInitialDir = 0;
    dialog.Flags = OpenFlags;

    if (GetOpenFileNameW(&dialog) == TRUE) {
        // The filter shown when the user confirmed decides the reader.
        InputFormat = (int)dialog.nFilterIndex;
        InvalidateRect(MainWindow, 0, TRUE);
        RunConversionJob();
    } else {
        // Shown when the loop next paints.
        StatusSetText(L"File not selected");
        InvalidateRect(MainWindow, 0, TRUE);
    }
}

void RunDialog(int templateId, DLGPROC procedure)
{
    HRSRC found = FindResourceW(Instance, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    HGLOBAL loaded = found != 0 ? LoadResource(Instance, found) : 0;
    // The templates are part of the program; a missing one opens nothing.
    if (loaded != 0) {
        DialogBoxIndirectParamW(Instance, (LPCDLGTEMPLATEW)loaded, MainWindow, procedure, 0);
    }
}

LRESULT HandleCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case IDM_OPEN_FILE:
        OpenAndConvert();
        return 0;
    case IDM_SETTINGS:
        RunDialog(IDD_SETTINGS, SettingsDialogProc);
        return 0;
    case IDM_ABOUT:
        RunDialog(IDD_ABOUT, AboutDialogProc);
        return 0;
    case IDM_EXIT:
    case IDM_QUIT:
        SendMessageW(MainWindow, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: {
        InitHandheldDialog(dialog, HandheldDialogFlags);
        return TRUE;
    }
    case WM_COMMAND:
        // Only the caption's OK closes the box; Cancel and every other id are ignored.
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}
