#include "settings/settings_dialog.h"

#include <stdint.h>

#include "platform/pocketpc_shell.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/thinning_settings.h"

// A field's unsigned number as the signed setting with the same 32 bits.
static int32_t SettingBits(UINT value)
{
    if (value > 0x7FFFFFFFu) {
        return -(int32_t)(~value) - 1;
    }
    return (int32_t)value;
}

static void ShowValue(HWND dialog, int id, int32_t value)
{
    SetDlgItemInt(dialog, id, (UINT)value, FALSE);
}

static int32_t FieldValue(HWND dialog, int id)
{
    // An empty field or one that is no unsigned 32-bit number gives 0.
    return SettingBits(GetDlgItemInt(dialog, id, 0, FALSE));
}

static void FillFields(HWND dialog)
{
    ShowValue(dialog, IDC_MIN_METERS, ThinningSettings.MinMeters);
    ShowValue(dialog, IDC_MAX_METERS, ThinningSettings.MaxMeters);
    ShowValue(dialog, IDC_MAX_DEGREES, ThinningSettings.MaxDegrees);
    ShowValue(dialog, IDC_MAX_ORT_ERROR, ThinningSettings.MaxOrtError);
}

static void ResetFields(HWND dialog)
{
    ShowValue(dialog, IDC_MIN_METERS, DefaultMinMeters);
    ShowValue(dialog, IDC_MAX_METERS, DefaultMaxMeters);
    ShowValue(dialog, IDC_MAX_DEGREES, DefaultMaxDegrees);
    ShowValue(dialog, IDC_MAX_ORT_ERROR, DefaultMaxOrtError);
}

// The fields into the settings, unchecked, then all four into the store.
static void Confirm(HWND dialog)
{
    ThinningSettings.MinMeters = FieldValue(dialog, IDC_MIN_METERS);
    ThinningSettings.MaxMeters = FieldValue(dialog, IDC_MAX_METERS);
    ThinningSettings.MaxDegrees = FieldValue(dialog, IDC_MAX_DEGREES);
    ThinningSettings.MaxOrtError = FieldValue(dialog, IDC_MAX_ORT_ERROR);
    SaveSettings();
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: {
        InitHandheldDialog(dialog, DIALOG_SETUP_FLAGS);
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
