// The settings dialog: shows, resets and confirms the four thinning thresholds.
#ifndef WAYFOLD_SETTINGS_DIALOG_H
#define WAYFOLD_SETTINGS_DIALOG_H

#include <windows.h>

// Procedure of dialog template 129. Confirming stores the four fields into
// ThinningSettings and saves them; "Default" only refills the fields; cancelling or
// closing changes nothing.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
