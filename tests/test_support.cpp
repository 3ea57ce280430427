#include "tests/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "conversion/conversion_job.h"
#include "conversion/status_log.h"
#include "platform/file_io.h"
#include "readers/line_reader.h"

TempDir::TempDir()
{
    std::random_device device;
    std::mt19937_64 random(device());
    for (;;) {
        fs::path candidate = fs::temp_directory_path() /
                             ("wayfold-test-" + std::to_string(random() % 1000000000ULL));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path = candidate;
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code error;
    fs::remove_all(path, error);
}

void WriteBytes(const fs::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::wstring WidePath(const fs::path &file)
{
#if defined(_WIN32)
    return file.wstring();
#else
    std::string bytes = file.string();
    std::vector<wchar_t> wide(bytes.size() + 1);
    int length = DecodeUtf8(bytes.c_str(), wide.data(), static_cast<int>(wide.size()));
    return std::wstring(wide.data(), length < 0 ? 0 : length);
#endif
}

std::string Utf8(const std::wstring &text)
{
    std::vector<char> out(text.size() * 4 + 1);
    int length = EncodeUtf8(text.c_str(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()));
    return std::string(out.data(), length < 0 ? 0 : length);
}

std::string StatusUtf8()
{
    return Utf8(std::wstring(StatusText(), StatusLength()));
}

void ResetSettings()
{
    ResetThinningSettings();
}

void SetSettings(int minMeters, int maxMeters, int maxDegrees, int maxOrtError)
{
    ThinningSettings.MinMeters = minMeters;
    ThinningSettings.MaxMeters = maxMeters;
    ThinningSettings.MaxDegrees = maxDegrees;
    ThinningSettings.MaxOrtError = maxOrtError;
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
#if defined(_WIN32)
    fs::path forward = fs::path(std::wstring(ForwardPath));
    fs::path backward = fs::path(std::wstring(BackwardPath));
#else
    fs::path forward = fs::path(Utf8(ForwardPath));
    fs::path backward = fs::path(Utf8(BackwardPath));
#endif
    outcome.forwardExists = fs::exists(forward);
    outcome.backwardExists = fs::exists(backward);
    // Only regular files are read back (a test may send an output to a device).
    if (fs::is_regular_file(forward)) outcome.forward = ReadBytes(forward);
    if (fs::is_regular_file(backward)) outcome.backward = ReadBytes(backward);
    return outcome;
}

JobOutcome ConvertBytes(const std::string &content, int inputFormat, const std::string &fileName)
{
    TempDir dir;
    fs::path input = dir / fileName;
    WriteBytes(input, content);
    return ConvertFile(input, inputFormat);
}

OpenInput::OpenInput(const std::string &bytes)
{
    fs::path file = dir / "input.bin";
    WriteBytes(file, bytes);
    InputFile = OpenFileByPath(WidePath(file).c_str(), "rb");
    // A new FILE may reuse a closed one's address: nothing read ahead of it counts.
    ResetLineReader();
}

OpenInput::~OpenInput()
{
    if (InputFile) std::fclose(InputFile);
    InputFile = 0;
}

ReadOutcome ReadAllPoints(const std::string &content, int inputFormat)
{
    ReadOutcome outcome;
    StatusSetText(L"");
    InputFormat = inputFormat;
    OpenInput input(content);
    if (!InputFile) return outcome;
    outcome.headerResult = CheckTrackHeader();
    if (outcome.headerResult == 0) {
        TrackPoint point = {};
        while ((outcome.lastResult = NextTrackPoint(&point)) == 0) outcome.points.push_back(point);
    }
    outcome.status = StatusUtf8();
    return outcome;
}

fs::path SamplesDir()
{
    const char *configured = std::getenv("WAYFOLD_SAMPLES");
    fs::path dir = configured ? fs::path(configured) : fs::path("../shared/samples");
    std::error_code error;
    return fs::is_directory(dir, error) ? dir : fs::path();
}

std::vector<RoutePoint> RoutePoints(const std::string &routeFile)
{
    std::vector<RoutePoint> points;
    std::istringstream lines(routeFile);
    std::string line;
    while (std::getline(lines, line)) {
        RoutePoint point;
        if (std::sscanf(line.c_str(), "W,RW%d,%lf,%lf", &point.number, &point.lat, &point.lon) == 3)
            points.push_back(point);
    }
    return points;
}
