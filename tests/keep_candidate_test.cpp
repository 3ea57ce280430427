#include <doctest/doctest.h>

#include "conversion/thinning.h"
#include "tests/test_support.h"

TEST_CASE("KeepCandidate: the rules in order, strict comparisons, folds")
{
    struct Case {
        const char *name;
        int minMeters, maxMeters, maxDegrees, maxOrtError;
        double candidateMeters, candidateBearing, nextMeters, nextBearing, reference;
        int keep;
    };
    const Case cases[] = {
        // closeness first: dropped although every later test would keep it
        {"close to both beats far", 2000, 1000, 5, 50, 1500, 90, 1500, 90, 0, 0},
        {"close to the waypoint only", 5, 1000, 5, 50, 4, 0, 6, 0, 0, 0},
        {"close to the next only", 5, 1000, 5, 50, 6, 0, 4, 0, 0, 0},
        {"closeness is strict", 5, 1000, 180, 50, 5, 0, 4.9, 90, 0, 0},
        {"closeness drops a sharp turn", 5, 1000, 5, 50, 4.9, 0, 4.9, 120, 0, 0},
        // distance
        {"farther than MaxMeters", 5, 1000, 5, 50, 1000.0001, 0, 100, 0, 0, 1},
        {"distance is strict", 5, 1000, 5, 50, 1000, 0, 100, 0, 0, 0},
        {"MaxMeters -1 keeps everything past closeness", 5, -1, 5, 50, 10, 0, 10, 0, 0, 1},
        // turn of the next leg
        {"turn above MaxDegrees", 5, 1000, 5, 50, 100, 0, 100, 5.0001, 0, 1},
        {"turn is strict", 5, 1000, 5, 50, 100, 0, 100, 5, 0, 0},
        {"fold: 170 to -170 is 20 degrees", 5, 1000, 5, 50, 100, 170, 100, -170, 170, 1},
        {"fold: 20 degrees within 25", 5, 1000, 25, 50, 100, 170, 100, -170, 170, 0},
        {"exactly 180 stays 180 and keeps", 5, 1000, 179, 50, 100, 0, 100, 180, 0, 1},
        {"MaxDegrees 180 never keeps by turn", 5, 1000, 180, 1000000, 100, 0, 100, 180, 0, 0},
        {"negative turn difference", 5, 1000, 5, 50, 100, 0, 100, -30, 0, 1},
        // orthogonal error: tan(deviation) * candidateMeters
        {"orthogonal error above", 5, 100000, 5, 50, 899.8, 3.56, 200, 4, 0, 1},
        {"orthogonal error below", 5, 100000, 5, 50, 699.8, 3.4, 200, 4, 0, 0},
        {"deviation above 90 never keeps by error", 5, 100000, 180, 0, 500, 120, 200, 120, 0, 0},
        {"MaxOrtError -1 keeps a zero deviation", 5, 1000, 5, -1, 100, 0, 100, 0, 0, 1},
        {"MaxOrtError 0 does not keep zero error", 5, 1000, 5, 0, 100, 0, 100, 0, 0, 0},
        {"MinMeters 0 never drops by closeness", 0, 1000, 5, 50, 0, 0, 0, 90, 0, 1},
        {"extreme settings", -2147483647 - 1, 2147483647, 2147483647, 2147483647, 1e9, 0, 1e9, -90, 0, 0},
    };
    for (const Case &c : cases) {
        CAPTURE(c.name);
        SetSettings(c.minMeters, c.maxMeters, c.maxDegrees, c.maxOrtError);
        CHECK(KeepCandidate(c.candidateMeters, c.candidateBearing, c.nextMeters, c.nextBearing, c.reference) == c.keep);
    }
    ResetSettings();
}
