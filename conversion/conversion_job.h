// One conversion: the selected track file into a thinned forward route file and the
// same route reversed, in the OziExplorer CE Route2 text format.
#ifndef WAYFOLD_CONVERSION_JOB_H
#define WAYFOLD_CONVERSION_JOB_H

#include <wchar.h>

#include "common/wayfold_limits.h"
#include "readers/track_source.h"

// Results of RunConversionJob.
enum {
    JobDone = 0,
    JobInputFailed = 2,       // input open or header check failed, or forward file create or header write
    JobBackwardOpenFailed = 3, // reopening the forward file, or creating or heading the backward file
    JobBackwardCopyFailed = 4, // the backward copy, or closing the backward file
    JobThinningFailed = 10     // too few points, or a forward write (or its close) failed
};

// Program-wide job state. The host fills InputPath (at most InputPathMax characters)
// and InputFormat before it runs the job.
extern wchar_t InputPath[InputPathCapacity];
extern wchar_t ForwardPath[OutputPathCapacity];
extern wchar_t BackwardPath[OutputPathCapacity];
// The folder the route files go to (at most OutputFolderMax characters); empty, as the
// handheld program leaves it, puts them beside the track.
extern wchar_t OutputFolder[OutputFolderCapacity];

// Converts InputPath into ForwardPath and BackwardPath, named by MakeOutputPaths,
// reporting into the status text.
int RunConversionJob();

// RunConversionJob into ForwardPath and BackwardPath as the host named them (at most
// OutputPathCapacity - 1 characters each), such as temporary files that replace the
// routes only when the whole job succeeded.
int RunConversionJobToPaths();

// Fills ForwardPath and BackwardPath from InputPath and InputFormat: the last 4 (5 for
// NMEA) characters give way to "F.rt2" and "B.rt2". With an OutputFolder, the track's
// name so changed goes into that folder; when that does not fit, both paths are empty.
void MakeOutputPaths();

#endif
