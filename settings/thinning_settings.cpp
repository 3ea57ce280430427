#include "settings/thinning_settings.h"

ThinningSettingsRecord ThinningSettings = {
    DefaultMinMeters, DefaultMaxMeters, DefaultMaxDegrees, DefaultMaxOrtError
};
