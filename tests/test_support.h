// What the tests share: temporary folders, whole files as byte strings, one conversion or
// one read of a track from bytes, and the real-world samples folder.
#ifndef WAYFOLD_TEST_SUPPORT_H
#define WAYFOLD_TEST_SUPPORT_H

#include <filesystem>
#include <string>
#include <vector>

#include "conversion/route_writer.h"
#include "readers/line_reader.h"
#include "readers/plt_reader.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    fs::path path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    fs::path operator/(const std::string &name) const { return path / fs::u8path(name); }
};

void WriteBytes(const fs::path &file, const std::string &bytes);
std::string ReadBytes(const fs::path &file);
std::wstring WidePath(const fs::path &file);
std::string Utf8(const std::wstring &text);

// The status text as UTF-8, with its own CR LF line ends.
std::string StatusUtf8();

// Restores the four thresholds' defaults.
void ResetSettings();
void SetSettings(int minMeters, int maxMeters, int maxDegrees, int maxOrtError);

// Runs one conversion job on a file of the given bytes, named fileName in a fresh folder.
struct JobOutcome {
    int result = -1;
    std::string status;   // UTF-8, CR LF kept
    bool forwardExists = false;
    bool backwardExists = false;
    std::string forward;  // the files' bytes, when they exist
    std::string backward;
};
JobOutcome ConvertBytes(const std::string &content, int inputFormat, const std::string &fileName);
// Runs one conversion job on an existing file.
JobOutcome ConvertFile(const fs::path &input, int inputFormat);

// InputFile open on a file of the given bytes for as long as the object lives.
struct OpenInput {
    TempDir dir;
    explicit OpenInput(const std::string &bytes);
    ~OpenInput();
    OpenInput(const OpenInput &) = delete;
    OpenInput &operator=(const OpenInput &) = delete;
};

// Reads every point of a track given as bytes: the header check, then NextTrackPoint
// until it stops. headerResult and lastResult say how it ended.
struct ReadOutcome {
    int headerResult = -1;
    int lastResult = 0;
    std::vector<TrackPoint> points;
    std::string status;   // what the readers appended, UTF-8
};
ReadOutcome ReadAllPoints(const std::string &content, int inputFormat);

// The real-world samples folder, or an empty path when it is absent.
fs::path SamplesDir();

// Route file records (after the three header lines) as lat/lon pairs, parsed back.
struct RoutePoint { int number; double lat; double lon; };
std::vector<RoutePoint> RoutePoints(const std::string &routeFile);

#endif
