// IGC flight logs: one record a line, its first letter its kind; the positions are the
// B records, "B" HHMMSS DDMMmmm N|S DDDMMmmm E|W and more fields that are not used.
#ifndef WAYFOLD_IGC_READER_H
#define WAYFOLD_IGC_READER_H

#include "readers/track_input.h"

// Lines ReadIgcPoint passes over.
enum {
    IgcSkipOtherRecord = 1, // not a B record: the header, tasks, events, ...
    IgcSkipBadFix = 2       // a B record too short, with a non-digit, minutes past 59,
                            // degrees past 90 or 180, or no hemisphere
};

// Returns PointDelivered, an IgcSkip reason, or PointEndOfInput.
int ReadIgcPoint(TrackPoint *point);

#endif
