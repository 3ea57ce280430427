// The converter's run report: a few readable lines, or one JSON object on one line, after
// each conversion, from the figures MeasureRoute gathers.
#ifndef WAYFOLD_REPORT_OUTPUT_H
#define WAYFOLD_REPORT_OUTPUT_H

#include <cstdio>
#include <string>

#include "common/wayfold_limits.h"

// Before a job: a fresh temporary file for the kept numbers, and the route writer's
// listener set to fill it. False when no temporary file could be made.
bool BeginRouteMeasuring();

// After a job with result: measures the route when one was written (results 0, 3, 4)
// and closes the temporary file. True when the figures in Report are this job's.
bool FinishRouteMeasuring(int result);

// What a report tells of one conversion besides the measured figures in Report.
struct RunFacts {
    std::string track;           // the track's path as given (UTF-8)
    int trackNumber = 0;         // with --split, the track of the file converted, else 0
    int tracks = 0;              // the tracks the file holds
    double longestLeg = -1.0;    // the written route's longest leg (metres), or -1: no route
    int format = 0;              // its InputFormat
    int result = 0;              // the converter's result for it
    int points = 0;              // what the job's reader delivered
    bool measured = false;       // Report holds this route's figures
    const char *method = "";     // the thinning method's name
    int toleranceMeters = -1;    // the tolerance --fit chose, or -1
    int passedOver[PassedOverKinds] = {};  // the job's reading's PassedOver counts
};

void PrintRunReport(std::FILE *out, bool json, const RunFacts &run);

#endif
