#include "settings/thinning_settings.h"

#include "resources/resource_ids.h"

// The defaults, each written once: the table and the program's start both read them.
enum {
    DefaultMinMeters = 5,
    DefaultMaxMeters = 1000,
    DefaultMaxDegrees = 5,
    DefaultMaxOrtError = 50
};

ThinningSettingsRecord ThinningSettings = {
    DefaultMinMeters, DefaultMaxMeters, DefaultMaxDegrees, DefaultMaxOrtError
};

const ThresholdEntry Thresholds[ThresholdCount] = {
    {L"MinMeters", DefaultMinMeters, IDC_MIN_METERS, "--min-meters",
     "a point closer than N m to both neighbours is dropped", &ThinningSettingsRecord::MinMeters},
    {L"MaxMeters", DefaultMaxMeters, IDC_MAX_METERS, "--max-meters",
     "a point farther than N m from the last waypoint is kept", &ThinningSettingsRecord::MaxMeters},
    {L"MaxDegrees", DefaultMaxDegrees, IDC_MAX_DEGREES, "--max-degrees",
     "a point whose next leg turns more than N degrees is kept", &ThinningSettingsRecord::MaxDegrees},
    {L"MaxOrtError", DefaultMaxOrtError, IDC_MAX_ORT_ERROR, "--max-ort-error",
     "a point more than N m off the route's line is kept", &ThinningSettingsRecord::MaxOrtError},
};

void ResetThinningSettings()
{
    for (int i = 0; i < ThresholdCount; i++) ThinningSettings.*Thresholds[i].Field = Thresholds[i].Default;
}
