#include "tests/test_support.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

#include "conversion/status_log.h"
#include "platform/file_io.h"
#include "readers/line_reader.h"

TempDir::TempDir()
{
    std::random_device device;
    std::mt19937_64 random(device());
    std::error_code error;
    do path = fs::temp_directory_path() / ("wayfold-test-" + std::to_string(random() % 1000000000ULL));
    while (!fs::create_directory(path, error));
}

TempDir::~TempDir() { std::error_code error; fs::remove_all(path, error); }

void WriteBytes(const fs::path &file, const std::string &bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

std::string ReadBytes(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring WidePath(const fs::path &file) { return file.wstring(); }

std::string StatusUtf8()
{
    std::vector<char> out(StatusLength() * 4 + 1);
    int length = EncodeUtf8(StatusText(), StatusLength(), out.data(), static_cast<int>(out.size()));
    return std::string(out.data(), length < 0 ? 0 : length);
}

void ResetSettings() { ResetThinningSettings(); }
void SetSettings(int minMeters, int maxMeters, int maxDegrees, int maxOrtError)
{
    ThinningSettings = {minMeters, maxMeters, maxDegrees, maxOrtError};
}

JobOutcome ConvertFile(const fs::path &input, int inputFormat)
{
    std::wstring wide = WidePath(input);
    wcsncpy(InputPath, wide.c_str(), InputPathCapacity - 1);
    InputPath[InputPathCapacity - 1] = 0;
    InputFormat = inputFormat;
    JobOutcome outcome;
    outcome.result = RunConversionJob();
    outcome.status = StatusUtf8();
    const fs::path forward = std::wstring(ForwardPath), backward = std::wstring(BackwardPath);
    outcome.forwardExists = fs::exists(forward);
    outcome.backwardExists = fs::exists(backward);
    // Only regular files are read back (a test may send an output to a device).
    outcome.forward = fs::is_regular_file(forward) ? ReadBytes(forward) : "";
    outcome.backward = fs::is_regular_file(backward) ? ReadBytes(backward) : "";
    return outcome;
}

JobOutcome ConvertBytes(const std::string &content, int inputFormat, const std::string &fileName)
{
    TempDir dir;
    WriteBytes(dir / fileName, content);
    return ConvertFile(dir / fileName, inputFormat);
}

ReadOutcome ReadAllPoints(const std::string &content, int inputFormat)
{
    TempDir dir;
    WriteBytes(dir / "input.bin", content);
    ReadOutcome outcome;
    StatusSetText(L"");
    InputFormat = inputFormat;
    InputFile = OpenFileByPath(WidePath(dir / "input.bin").c_str(), "rb");
    if (!InputFile) return outcome;
    outcome.headerResult = CheckTrackHeader();
    TrackPoint point = {};
    // Damage is told as the job tells it.
    OnTrackDamaged = [] { StatusAppend(L"Track read error!\r\n"); };
    while (outcome.headerResult == HeaderAccepted && NextTrackPoint(&point) == PointDelivered)
        outcome.points.push_back(point);
    OnTrackDamaged = nullptr;
    std::fclose(InputFile);
    InputFile = nullptr;
    outcome.status = StatusUtf8();
    return outcome;
}

std::vector<RoutePoint> RoutePoints(const std::string &routeFile)
{
    std::vector<RoutePoint> points;
    RoutePoint p;
    for (size_t at = routeFile.find("\nW,"); at != std::string::npos; at = routeFile.find("\nW,", at + 1))
        if (std::sscanf(routeFile.c_str() + at + 1, "W,RW%d,%lf,%lf", &p.number, &p.lat, &p.lon) == 3) points.push_back(p);
    return points;
}

std::vector<LatLon> BuildTrack(LatLon start, const std::vector<Leg> &legs)
{
    const double rad = M_PI / 180.0;
    std::vector<LatLon> points{start};
    for (const Leg &leg : legs) {
        double lat1 = points.back().lat * rad, theta = leg.bearing * rad, delta = leg.meters / 6371032.0;
        double lat2 = std::asin(std::sin(lat1) * std::cos(delta) + std::cos(lat1) * std::sin(delta) * std::cos(theta));
        double dLon = std::atan2(std::sin(theta) * std::sin(delta) * std::cos(lat1), std::cos(delta) - std::sin(lat1) * std::sin(lat2));
        points.push_back({lat2 / rad, (points.back().lon * rad + dLon) / rad});
    }
    return points;
}

std::string PltTrack(const std::vector<LatLon> &points)
{
    std::string text = PltHeader;
    char line[128];
    for (const LatLon &p : points) {
        std::snprintf(line, sizeof line, "%.10f,%.10f,0,-777,40000.0,01-Jan-24,00:00:00\r\n", p.lat, p.lon);
        text += line;
    }
    return text;
}
