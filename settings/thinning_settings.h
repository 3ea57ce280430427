// The four thinning thresholds, the system's only configuration.
#ifndef WAYFOLD_THINNING_SETTINGS_H
#define WAYFOLD_THINNING_SETTINGS_H

#include <stdint.h>

// Held together in this order. Signed, with no range check anywhere: a stored
// 0xFFFFFFFF is -1, and the thinning works with whatever it finds.
struct ThinningSettingsRecord {
    int32_t MinMeters;   // metres: closer than this to both neighbours drops a point
    int32_t MaxMeters;   // metres: farther than this from the last waypoint keeps it
    int32_t MaxDegrees;  // degrees: a next leg turning more than this keeps it
    int32_t MaxOrtError; // metres: an orthogonal error above this keeps it
};

const int32_t DefaultMinMeters = 5;
const int32_t DefaultMaxMeters = 1000;
const int32_t DefaultMaxDegrees = 5;
const int32_t DefaultMaxOrtError = 50;

// Program-wide, holding the defaults from the start.
extern ThinningSettingsRecord ThinningSettings;

#endif
