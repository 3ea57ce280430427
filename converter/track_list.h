// The tracks a command line names: files as given, and the tracks directly inside folders.
#ifndef WAYFOLD_TRACK_LIST_H
#define WAYFOLD_TRACK_LIST_H

#include <string>
#include <vector>

// One conversion to run: a track and its format, or a folder that gave none (problem then
// holds the line for standard error, and it counts as result 2).
struct TrackJob {
    std::wstring path;
    int format = 0;
    std::string problem;
};

// True when path names an existing folder (a link to one included).
bool IsFolder(const std::wstring &path);

// The regular files directly inside folder whose names formatOf gives a format (from the
// extension), in byte order of the names (UTF-8 on Windows), each with that format. A
// folder without one, or that cannot be read, gives a single job with a problem.
std::vector<TrackJob> FolderTracks(const std::wstring &folder, int (*formatOf)(const std::wstring &name));

#endif
