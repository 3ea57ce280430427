#include "converter/report_output.h"

#include "conversion/conversion_job.h"
#include "conversion/route_report.h"
#include "conversion/route_writer.h"
#include "platform/file_io.h"
#include "readers/track_survey.h"
#include "settings/thinning_settings.h"

namespace {

const char *FormatName(int format)
{
    const TrackFormatEntry *entry = FindTrackFormat(format);
    return entry ? entry->Name : "";
}

// A JSON string: quotes, backslashes and control characters escaped; UTF-8 passes.
void PrintJsonString(std::FILE *out, const std::string &text)
{
    std::fputc('"', out);
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') std::fprintf(out, "\\%c", c);
        else if (c < 0x20) std::fprintf(out, "\\u%04x", c);
        else std::fputc(c, out);
    }
    std::fputc('"', out);
}

void PrintJson(std::FILE *out, const RunFacts &run)
{
    std::fputs("{\"track\":", out);
    PrintJsonString(out, run.track);
    if (run.trackNumber) std::fprintf(out, ",\"track_number\":%d", run.trackNumber);
    std::fprintf(out, ",\"format\":\"%s\",\"method\":\"%s\"", FormatName(run.format), run.method);
    if (run.toleranceMeters >= 0) std::fprintf(out, ",\"tolerance_m\":%d", run.toleranceMeters);
    std::fprintf(out, ",\"result\":%d,\"points\":%d,\"passed_over\":{", run.result, run.points);
    const char *comma = "";
    for (int kind = 0; kind < PassedOverKinds; kind++) {
        const PassedOverReason *reason = FindPassedOverReason(run.format, kind);
        if (!reason || run.passedOver[kind] == 0) continue;
        std::fprintf(out, "%s\"%s\":%d", comma, reason->Name, run.passedOver[kind]);
        comma = ",";
    }
    std::fprintf(out, "},\"tracks\":%d,\"longest_leg_m\":", run.tracks);
    if (run.longestLeg >= 0) std::fprintf(out, "%.3f", run.longestLeg);
    else std::fputs("null", out);
    if (run.measured) {
        std::fprintf(out,
                     ",\"waypoints\":%d,\"track_m\":%.3f,\"route_m\":%.3f,\"max_deviation_m\":%.3f,"
                     "\"max_deviation_point\":%d,\"max_deviation_lat\":%.9f,\"max_deviation_lon\":%.9f,"
                     "\"mean_deviation_m\":%.3f,\"over_tolerance\":%d",
                     Report.Waypoints, Report.TrackMeters, Report.RouteMeters, Report.MaxDeviation, Report.MaxPoint,
                     Report.MaxLat, Report.MaxLon, Report.DeviationSum / Report.Points, Report.OverTolerance);
    } else {
        std::fputs(",\"waypoints\":null,\"track_m\":null,\"route_m\":null,\"max_deviation_m\":null,"
                   "\"max_deviation_point\":null,\"max_deviation_lat\":null,\"max_deviation_lon\":null,"
                   "\"mean_deviation_m\":null,\"over_tolerance\":null",
                   out);
    }
    std::fprintf(out, ",\"thresholds\":{\"min_meters\":%d,\"max_meters\":%d,\"max_degrees\":%d,\"max_ort_error\":%d}}\n",
                 static_cast<int>(ThinningSettings.MinMeters), static_cast<int>(ThinningSettings.MaxMeters),
                 static_cast<int>(ThinningSettings.MaxDegrees), static_cast<int>(ThinningSettings.MaxOrtError));
}

void PrintText(std::FILE *out, const RunFacts &run)
{
    std::fprintf(out, "%s", run.track.c_str());
    if (run.trackNumber) std::fprintf(out, " track %d", run.trackNumber);
    std::fprintf(out, " (%s, %s", FormatName(run.format), run.method);
    if (run.toleranceMeters >= 0) std::fprintf(out, ", tolerance %d m", run.toleranceMeters);
    std::fprintf(out, "): result %d, %d points in %d track%s", run.result, run.points, run.tracks, run.tracks == 1 ? "" : "s");
    if (!run.measured) {
        std::fputs(", no route to measure\n", out);
        return;
    }
    double change = Report.TrackMeters > 0 ? 100.0 * (Report.RouteMeters - Report.TrackMeters) / Report.TrackMeters : 0.0;
    std::fprintf(out, ", %d waypoints\n", Report.Waypoints);
    std::fprintf(out, "  length: track %.1f m, route %.1f m (%+.2f%%), longest leg %.1f m\n", Report.TrackMeters,
                 Report.RouteMeters, change, run.longestLeg);
    std::fprintf(out, "  deviation: largest %.2f m at point %d (%.6f, %.6f), mean %.2f m\n", Report.MaxDeviation,
                 Report.MaxPoint, Report.MaxLat, Report.MaxLon, Report.DeviationSum / Report.Points);
    std::fprintf(out, "  %d points farther than %d m (max-ort-error) from the route\n", Report.OverTolerance,
                 static_cast<int>(ThinningSettings.MaxOrtError));
}

}  // namespace

bool BeginRouteMeasuring()
{
    KeptNumbersFile = OpenScratchFile();
    OnWaypointWritten = KeptNumbersFile ? RecordKeptNumber : nullptr;
    return KeptNumbersFile != nullptr;
}

bool FinishRouteMeasuring(int result)
{
    OnWaypointWritten = nullptr;
    bool measured = false;
    if (KeptNumbersFile && (result == JobDone || result == JobBackwardOpenFailed || result == JobBackwardCopyFailed))
        measured = MeasureRoute() == RouteMeasured && Report.Points > 0;
    if (KeptNumbersFile) std::fclose(KeptNumbersFile);
    KeptNumbersFile = nullptr;
    return measured;
}

void PrintRunReport(std::FILE *out, bool json, const RunFacts &run)
{
    if (json) PrintJson(out, run);
    else PrintText(out, run);
    std::fflush(out);
}
