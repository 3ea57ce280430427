// The four thinning thresholds, the system's only configuration, and the one table that
// says everything else about them: registry value, default, dialog field, converter option.
#ifndef WAYFOLD_THINNING_SETTINGS_H
#define WAYFOLD_THINNING_SETTINGS_H

#include <stdint.h>
#include <wchar.h>

#include "common/byte_order.h"

// Held together in this order. Signed, with no range check anywhere: a stored
// 0xFFFFFFFF is -1, and the thinning works with whatever it finds.
struct ThinningSettingsRecord {
    int32_t MinMeters;   // metres: closer than this to both neighbours drops a point
    int32_t MaxMeters;   // metres: farther than this from the last waypoint keeps it
    int32_t MaxDegrees;  // degrees: a next leg turning more than this keeps it
    int32_t MaxOrtError; // metres: an orthogonal error above this keeps it
};

// Program-wide, holding the defaults from the start.
extern ThinningSettingsRecord ThinningSettings;

struct ThresholdEntry {
    const wchar_t *RegistryName;            // REG_DWORD value under the settings key
    int32_t Default;
    int DialogControl;                      // its edit field in the settings dialog
    const char *Option;                     // the host converter's option
    const char *Help;                       // and its line of help, without the default
    int32_t ThinningSettingsRecord::*Field; // where the thinning reads it
};

const int ThresholdCount = 4;

// In the order of ThinningSettingsRecord, the dialog's fields and the stored values.
extern const ThresholdEntry Thresholds[ThresholdCount];

// Every threshold back to its default.
void ResetThinningSettings();

#endif
