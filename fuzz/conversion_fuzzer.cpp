// The whole conversion job. The first byte picks the format (its remainder by 11; 0 and 10
// have no reader) and, by the bits of the quotient, the NMEA talkers (bit 0), whether the
// converter's report and picture run after the job (bit 1), the thinning method (bit 2) and
// whether GPX route points are read (bit 3) and whether the second track alone is converted
// (bit 4); the next 16 bytes are the four thresholds
// (little-endian), the rest is the track file.
// Checks the job's result, that it closes its files, and after a success that the backward
// file holds the forward file's records, last first, that the report measured every point
// and waypoint again, and that a whole picture was written. After a success of the bounded
// method with a tolerance of 0 or more, it checks the promise with a measure of its own:
// every point passed over within MaxOrtError of the route read back from the forward file,
// every waypoint as written within the six decimals' rounding of its point. With the second
// track alone, the points the job read are those a reading of the whole file numbers 2.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "conversion/conversion_job.h"
#include "conversion/route_report.h"
#include "conversion/route_writer.h"
#include "conversion/thinning.h"
#include "converter/report_output.h"
#include "converter/route_picture.h"
#include "fuzz/fuzz_input.h"
#include "platform/file_io.h"
#include "readers/gpx_route_reader.h"
#include "readers/nmea_reader.h"
#include "readers/track_survey.h"
#include "settings/thinning_settings.h"
#include "tests/sphere_measure.h"

namespace fs = std::filesystem;

// This process's own folder, removed when the fuzzer exits.
static const fs::path WorkDir = fs::temp_directory_path() / ("wayfold-fuzz-" + std::to_string(getpid()));

static std::string ReadAll(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The numbers of the points written as waypoints; the report's listener, when it measures, is
// told too.
static std::vector<int> Kept;
static WaypointListener Measuring;

static void CheckBoundedPromise(const uint8_t *track, size_t size, int format, const std::string &forward)
{
    std::vector<measure::Vec> points;
    {
        MemoryInput input(track, size, format);
        TrackPoint p = {};
        if (CheckTrackHeader() == HeaderAccepted)
            while (NextTrackPoint(&p) == PointDelivered) points.push_back(measure::Unit(p.Lat, p.Lon));
    }
    std::vector<measure::Vec> route;
    for (size_t at = 74; at + 37 <= forward.size(); at += 37) {
        double lat, lon;
        FUZZ_CHECK(std::sscanf(forward.c_str() + at, "W,RW%*d,%lf,%lf", &lat, &lon) == 2);
        route.push_back(measure::Unit(lat, lon));
    }
    FUZZ_CHECK(route.size() == Kept.size() && Kept.front() == 1 && Kept.back() == (int)points.size());
    const double tolerance = ThinningSettings.MaxOrtError;
    for (size_t k = 0; k < Kept.size(); k++) {
        FUZZ_CHECK(measure::Metres(route[k], points[Kept[k] - 1]) < measure::WrittenShiftMetres);
        if (k + 1 == Kept.size()) break;
        FUZZ_CHECK(Kept[k] < Kept[k + 1]);
        for (int i = Kept[k]; i < Kept[k + 1] - 1; i++)
            FUZZ_CHECK(measure::FromLeg(route[k], route[k + 1], points[i]) <= tolerance + measure::PromiseMargin(tolerance));
    }
}

// The positions NextTrackPoint delivers from track with TrackWanted at wanted, or, with
// TrackWanted 0, those of the whole file's track number.
static std::vector<std::pair<double, double>> TrackPositions(const uint8_t *track, size_t size, int format, int wanted,
                                                             int number)
{
    std::vector<std::pair<double, double>> positions;
    MemoryInput input(track, size, format);
    TrackWanted = wanted;
    TrackPoint p = {};
    if (CheckTrackHeader() == HeaderAccepted)
        while (NextTrackPoint(&p) == PointDelivered)
            if (wanted != 0 || TracksBegun == number) positions.push_back({p.Lat, p.Lon});
    return positions;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 17) return 0;
    if (fs::create_directory(WorkDir)) std::atexit([] { std::error_code error; fs::remove_all(WorkDir, error); });
    static const char *const Names[] = {"track.bin", "track.gpx", "track.mps",     "track.plt", "track.nmea", "track.fit",
                                        "track.tcx", "track.kml", "track.geojson", "track.igc", "track.xyz"};
    const int format = data[0] % 11, modes = data[0] / 11;
    NmeaTalkers = modes & 1 ? NmeaTalkersAny : NmeaTalkersGp;
    const bool measuring = modes & 2;
    ThinningMethod = modes & 4 ? ThinningBounded : ThinningClassic;
    GpxPoints = modes & 8 ? GpxPointsRoute : GpxPointsTrack;
    TrackWanted = modes & 16 ? 2 : 0;
    for (int t = 0; t < ThresholdCount; t++) {
        const uint8_t *b = data + 1 + 4 * t;
        ThinningSettings.*Thresholds[t].Field = SignedFromBits(b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24);
    }
    const fs::path input = WorkDir / Names[format], forward = WorkDir / "trackF.rt2", backward = WorkDir / "trackB.rt2",
                   picture = WorkDir / "track.svg";
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data + 17), size - 17);
    std::mbstowcs(InputPath, input.string().c_str(), InputPathCapacity - 1);
    InputPath[InputPathCapacity - 1] = 0;
    InputFormat = format;

    if (measuring) FUZZ_CHECK(BeginRouteMeasuring() && BeginRoutePicture());
    Kept.clear();
    Measuring = OnWaypointWritten;
    OnWaypointWritten = [](const TrackPoint *point) {
        Kept.push_back(point->Number);
        if (Measuring) Measuring(point);
    };
    int result = RunConversionJob();
    OnWaypointWritten = Measuring;
    const int points = PointsDelivered;
    FUZZ_CHECK(result == JobDone || result == JobInputFailed || result == JobBackwardOpenFailed ||
               result == JobBackwardCopyFailed || result == JobThinningFailed);
    FUZZ_CHECK(InputFile == nullptr && OutputFile == nullptr);
    // A failed conversion's second look at the file, for the reason the converter gives.
    if (result != JobDone && (InputFile = OpenFileByPath(InputPath, "rb")) != nullptr) {
        TrackSurvey survey;
        FUZZ_CHECK(SurveyTrackFile(&survey) == SurveyDone);
        FUZZ_CHECK(survey.Encoding >= SurveyText && survey.Encoding <= SurveyNotText && survey.RoutePoints >= 0);
        FUZZ_CHECK(survey.LooksLike == 0 || FindTrackFormat(survey.LooksLike) != nullptr);
        std::fclose(InputFile);
        InputFile = nullptr;
    }
    std::string forwardBytes;
    if (result == JobDone) {
        forwardBytes = ReadAll(forward);
        std::string backwardBytes = ReadAll(backward);
        FUZZ_CHECK(backwardBytes.size() == forwardBytes.size() + 1);  // "Backward" is one letter longer
        const size_t records = (forwardBytes.size() - 74) / 37;
        FUZZ_CHECK(records == (size_t)WaypointsWritten && records >= 2);
        for (size_t k = 0; k < records; ++k)
            FUZZ_CHECK(backwardBytes.compare(75 + 37 * k, 37, forwardBytes, 74 + 37 * (records - 1 - k), 37) == 0);
    }
    if (measuring) {
        bool measured = FinishRouteMeasuring(result);
        FUZZ_CHECK(InputFile == nullptr);
        if (result == JobDone) {
            FUZZ_CHECK(measured && Report.Points == points && Report.Waypoints == WaypointsWritten);
            FUZZ_CHECK(Report.MaxDeviation >= 0 && Report.MaxDeviation < 2.1e7 && Report.MaxPoint >= 1);
        }
        static std::FILE *const Quiet = std::fopen("/dev/null", "w");
        FUZZ_CHECK(FinishRoutePicture(Quiet, input.string(), picture.wstring().c_str(), measured, PictureCaption()) == measured);
        if (measured) {
            std::string svg = ReadAll(picture);
            FUZZ_CHECK(svg.size() > 7 && svg.compare(svg.size() - 7, 7, "</svg>\n") == 0);
        }
    }
    if (result == JobDone && ThinningMethod == ThinningBounded && ThinningSettings.MaxOrtError >= 0)
        CheckBoundedPromise(data + 17, size - 17, format, forwardBytes);
    if (TrackWanted != 0 && (result == JobDone || result == JobThinningFailed)) {
        const int wanted = TrackWanted;
        const auto alone = TrackPositions(data + 17, size - 17, format, wanted, 0);
        FUZZ_CHECK((int)alone.size() == points && alone == TrackPositions(data + 17, size - 17, format, 0, wanted));
    }
    TrackWanted = 0;
    std::error_code error;
    for (const fs::path &file : {forward, backward, input, picture}) fs::remove(file, error);
    return 0;
}
