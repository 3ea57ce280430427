// What the tests share: temporary folders, files as byte strings, one conversion or one
// read of a track from bytes, and tracks laid out on the thinning's sphere.
#ifndef WAYFOLD_TEST_SUPPORT_H
#define WAYFOLD_TEST_SUPPORT_H

#include <filesystem>
#include <string>
#include <vector>

#include "conversion/conversion_job.h"
#include "conversion/route_writer.h"
#include "readers/decimal_parser.h"
#include "readers/line_reader.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    fs::path path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;  // one owner removes it
    fs::path operator/(const std::string &name) const { return path / fs::u8path(name); }
};

void WriteBytes(const fs::path &file, const std::string &bytes);
std::string ReadBytes(const fs::path &file);
std::wstring WidePath(const fs::path &file);
std::string StatusUtf8();  // the status text in UTF-8, CR LF kept

void ResetSettings();
void SetSettings(int minMeters, int maxMeters, int maxDegrees, int maxOrtError);

// One conversion job on a file, or on the bytes given saved as fileName in a fresh folder.
struct JobOutcome {
    int result = -1;
    std::string status, forward, backward;  // the route files' bytes, when they are regular files
    bool forwardExists = false, backwardExists = false;
};
JobOutcome ConvertFile(const fs::path &input, int inputFormat);
JobOutcome ConvertBytes(const std::string &content, int inputFormat, const std::string &fileName);

// The header check and then every point of a track given as bytes.
struct ReadOutcome { int headerResult = -1; std::vector<TrackPoint> points; std::string status; };
ReadOutcome ReadAllPoints(const std::string &content, int inputFormat);

// A route file's waypoint records, parsed back.
struct RoutePoint { int number; double lat; double lon; };
std::vector<RoutePoint> RoutePoints(const std::string &routeFile);

// Tracks: from a start along legs of (bearing, metres), as PLT text with ten decimals.
struct LatLon { double lat, lon; };
struct Leg { double bearing, meters; };
std::vector<LatLon> BuildTrack(LatLon start, const std::vector<Leg> &legs);
inline std::vector<Leg> Repeat(int count, Leg leg) { return std::vector<Leg>(count, leg); }
inline const std::string PltHeader = "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n"
                                     "Reserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n";
std::string PltTrack(const std::vector<LatLon> &points);

#endif
