// The converter's run report: a few readable lines, or one JSON object on one line, after
// each conversion, from the figures MeasureRoute gathers.
#ifndef WAYFOLD_REPORT_OUTPUT_H
#define WAYFOLD_REPORT_OUTPUT_H

#include <cstdio>
#include <string>

// Before a job: a fresh temporary file for the kept numbers, and the route writer's
// listener set to fill it. False when no temporary file could be made.
bool BeginRouteMeasuring();

// After a job with result: measures the route when one was written (results 0, 3, 4)
// and closes the temporary file. True when the figures in Report are this job's.
bool FinishRouteMeasuring(int result);

// Prints the report of track (UTF-8, as given). points: what the job's reader delivered;
// method: the thinning method's name; toleranceMeters: the tolerance --fit chose, or -1.
void PrintRunReport(std::FILE *out, bool json, const std::string &track, int result, int points, bool measured,
                    const char *method, int toleranceMeters);

#endif
