#include "settings/settings_dialog.h"

#include <stdint.h>

#include "platform/pocketpc_shell.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/thinning_settings.h"

static void ShowValue(HWND dialog, int id, int32_t value)
{
    SetDlgItemInt(dialog, id, (UINT)value, FALSE);
}

static int32_t FieldValue(HWND dialog, int id)
{
    // An empty field or one that is no unsigned 32-bit number gives 0.
    return SignedFromBits((uint32_t)GetDlgItemInt(dialog, id, 0, FALSE));
}

static void FillFields(HWND dialog)
{
    for (int i = 0; i < ThresholdCount; i++)
        ShowValue(dialog, Thresholds[i].DialogControl, ThinningSettings.*Thresholds[i].Field);
}

static void ResetFields(HWND dialog)
{
    for (int i = 0; i < ThresholdCount; i++) ShowValue(dialog, Thresholds[i].DialogControl, Thresholds[i].Default);
}

// The fields into the settings, unchecked, then all four into the store.
static void Confirm(HWND dialog)
{
    for (int i = 0; i < ThresholdCount; i++)
        ThinningSettings.*Thresholds[i].Field = FieldValue(dialog, Thresholds[i].DialogControl);
    SaveSettings();
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: {
        InitHandheldDialog(dialog, HandheldDialogFlags);
        FillFields(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Confirm(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_DEFAULTS:
            ResetFields(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}
