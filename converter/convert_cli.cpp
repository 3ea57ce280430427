#include "converter/convert_cli.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "conversion/conversion_job.h"
#include "common/wayfold_version.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "converter/report_output.h"
#include "converter/route_picture.h"
#include "converter/track_list.h"
#include "platform/file_io.h"
#include "platform/status_display.h"
#include "readers/nmea_reader.h"
#include "settings/thinning_settings.h"
#if defined(_WIN32)
#include "settings/settings_store.h"
#endif

namespace {

const char UsageHead[] =
    "usage: wayfold-convert [OPTIONS] TRACK...\n"
    "Converts each GPS track into a thinned forward route (nameF.rt2) and the same route\n"
    "reversed (nameB.rt2), beside the track or in the -o folder, for OziExplorer CE. A TRACK\n"
    "that is a folder stands for the .gpx, .mps, .plt and .nmea files directly inside it,\n"
    "in name order.\n"
    "\n"
    "  -f, --format FORMAT   gpx, mps, plt or nmea for every TRACK file named here (default:\n"
    "                        from its name; a folder's files always go by their names)\n"
    "  -o, --output-dir DIR  write the route files into the existing folder DIR\n"
    "  --nmea-talkers WHICH  gp: only $GPRMC sentences (default); any: every talker's RMC,\n"
    "                        no fix when the mode letter is N, one fix under two talkers once\n";
// Then one line per threshold, from the thresholds' table.
const char UsageTail[] =
    "  --method METHOD       classic (default): the keep rule above; bounded: every point within\n"
    "                        --max-ort-error m of the route, no leg over --max-meters m unless two\n"
    "                        points are farther apart (--min-meters, --max-degrees do not apply)\n"
    "  --fit N               at most N waypoints (2 to 999999): bounded, with the smallest whole-metre\n"
    "                        --max-ort-error that fits, named in a progress line; when --max-meters\n"
    "                        forces more, writes the route with the fewest and exits 11\n"
    "  --status-text         print the status text after each conversion, as the window holds it\n"
    "  --report[=json]       after each conversion, report the route's lengths and deviation from\n"
    "                        the track: a few lines, or one JSON object a line\n"
    "  --svg                 draw track and route into name.svg beside the route files\n"
    "  -q, --quiet           print nothing but a report asked for\n"
    "  -h, --help            print this help\n"
    "  --version             print the version\n"
    "\n"
    "Exit status: the conversion's result (0 done, 2 input or forward file failed, 3 backward\n"
    "file could not be made, 4 backward copy failed, 10 too few points or a forward write\n"
    "failed, 11 --fit found no tolerance that fits; with several tracks the first that is not\n"
    "0; a folder with no track counts as 2), or 64 for a usage error.\n";

const char Version[] = "wayfold-convert " WAYFOLD_VERSION "\n";

struct FormatName {
    const wchar_t *name;
    int format;
};
const FormatName Formats[] = {
    {L"gpx", InputFormatGpx}, {L"mps", InputFormatMps}, {L"plt", InputFormatPlt}, {L"nmea", InputFormatNmea}};

enum class Output { Progress, StatusText, Quiet };

struct Options {
    int format = 0;  // 0: from each track's name
    bool thresholdGiven[ThresholdCount] = {};
    int32_t thresholds[ThresholdCount] = {};
    bool statusText = false;
    bool quiet = false;
    bool formatGiven = false;
    std::wstring outputDir;
    bool outputDirGiven = false;
    int nmeaTalkers = NmeaTalkersGp;
    bool talkersGiven = false;
    int report = 0;  // 0 none, 1 lines, 2 JSON
    bool svg = false;
    int method = -1;  // -1: not given (classic)
    int fit = 0;      // 0: no --fit
    std::vector<std::wstring> tracks;
};

std::FILE *ProgressOut = nullptr;

std::string ToUtf8(const wchar_t *text, int length)
{
    std::vector<char> bytes(static_cast<size_t>(length) * 4 + 1);
    int written = EncodeUtf8(text, length, bytes.data(), static_cast<int>(bytes.size()));
    return std::string(bytes.data(), written < 0 ? 0 : written);
}

// Prints what changed in the status text since the last repaint, CR LF as LF.
void PrintStatusChange(const wchar_t *text, int length, int changedFrom)
{
    if (!ProgressOut || changedFrom >= length) return;
    std::string bytes = ToUtf8(text + changedFrom, length - changedFrom);
    std::string lines;
    lines.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i++)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) lines += bytes[i];
    std::fwrite(lines.data(), 1, lines.size(), ProgressOut);
    std::fflush(ProgressOut);
}

bool EqualsIgnoringCase(const std::wstring &a, const wchar_t *b)
{
    size_t length = std::wcslen(b);
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; i++) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = x - L'A' + L'a';
        if (x != y) return false;
    }
    return true;
}

int FormatByName(const std::wstring &name)
{
    for (const FormatName &entry : Formats)
        if (EqualsIgnoringCase(name, entry.name)) return entry.format;
    return 0;
}

// The format a track's name ends in (".gpx" ...), or 0.
int FormatByExtension(const std::wstring &track)
{
    size_t dot = track.rfind(L'.');
    if (dot == std::wstring::npos) return 0;
    return FormatByName(track.substr(dot + 1));
}

// A decimal integer with an optional leading minus, within the signed 32-bit range.
bool ParseThreshold(const std::wstring &text, int32_t *value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == L'-') { negative = true; i++; }
    if (i == text.size()) return false;
    long long magnitude = 0;
    for (; i < text.size(); i++) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > 2147483648LL) return false;
    }
    if (!negative && magnitude > 2147483647LL) return false;
    *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

void PrintUsage(std::FILE *out)
{
    std::fputs(UsageHead, out);
    for (const ThresholdEntry &entry : Thresholds) {
        std::string option = std::string(entry.Option) + " N";
        std::fprintf(out, "  %-20s  %s (%d)\n", option.c_str(), entry.Help, static_cast<int>(entry.Default));
    }
    std::fputs(UsageTail, out);
}

// The index of the threshold whose option name is, or -1.
int ThresholdByOption(const std::wstring &name)
{
    for (int t = 0; t < ThresholdCount; t++) {
        const char *option = Thresholds[t].Option;
        if (name.size() == std::strlen(option) && std::equal(name.begin(), name.end(), option)) return t;
    }
    return -1;
}

int UsageError(std::FILE *err, const std::string &message)
{
    std::fprintf(err, "wayfold-convert: %s (see --help)\n", message.c_str());
    return UsageExit;
}

// Splits "--name=value" into name and value; value is absent without '='.
bool SplitValue(const std::wstring &argument, std::wstring *name, std::wstring *value)
{
    size_t equals = argument.find(L'=');
    if (argument.compare(0, 2, L"--") != 0 || equals == std::wstring::npos) {
        *name = argument;
        return false;
    }
    *name = argument.substr(0, equals);
    *value = argument.substr(equals + 1);
    return true;
}

// One try of --fit at a tolerance, printing nothing; sets the waypoints written.
int TryTolerance(int32_t tolerance)
{
    ThinningSettings.MaxOrtError = tolerance;
    SetStatusRepaintHandler(nullptr);
    return RunConversionJob();
}

// Results of SearchFitTolerance.
enum FitSearch { FitFound, FitForced, FitUntried };

// Sets MaxOrtError (and FitToleranceMeters) to the smallest whole-metre tolerance that
// gives at most fit waypoints, by a binary search (the count falls as the tolerance grows);
// the tries print nothing. When even the largest tolerance gives more, sets that one.
FitSearch SearchFitTolerance(int fit)
{
    StatusRepaintHandler handler = ProgressOut ? PrintStatusChange : nullptr;
    int32_t fits = FitToleranceLimit;
    int result = TryTolerance(fits);
    bool fitted = result == 0 && WaypointsWritten <= fit;
    if (fitted) {
        int32_t tooSmall = -1;
        while (fits - tooSmall > 1) {
            int32_t middle = tooSmall + (fits - tooSmall) / 2;
            if (TryTolerance(middle) == 0 && WaypointsWritten <= fit) fits = middle;
            else tooSmall = middle;
        }
    }
    FitToleranceMeters = fits;
    ThinningSettings.MaxOrtError = fits;
    SetStatusRepaintHandler(handler);
    return result != 0 ? FitUntried : fitted ? FitFound : FitForced;
}

// After the run at the tolerance found: names it in a progress line, and turns a route
// that still has too many waypoints into FitImpossible with one line on err.
int FinishFit(int fit, int search, int result, bool progress, std::FILE *err)
{
    if (progress && search != FitUntried)
        std::fprintf(ProgressOut, search == FitFound ? "Tolerance %d m: the smallest whole metre for at most %d waypoints\n"
                                                     : "Tolerance %d m: the fewest waypoints, more than %d\n",
                     static_cast<int>(FitToleranceMeters), fit);
    if (result == 0 && search == FitForced) {
        std::fprintf(err, "wayfold-convert: no tolerance gives at most %d waypoints: --max-meters %d forces %d\n", fit,
                     static_cast<int>(ThinningSettings.MaxMeters), WaypointsWritten);
        return FitImpossible;
    }
    return result;
}

// FinishRouteMeasuring with the status text as the job left it: the track read a second
// time must not report its damage (the MPS reader's "Track read error!") a second time.
bool MeasureQuietly(int result)
{
    std::wstring text(StatusText(), static_cast<size_t>(StatusLength()));
    StatusRepaintHandler handler = ProgressOut ? PrintStatusChange : nullptr;
    SetStatusRepaintHandler(nullptr);
    bool measured = FinishRouteMeasuring(result);
    StatusSetText(text.c_str());
    SetStatusRepaintHandler(handler);
    return measured;
}

}  // namespace

int FitToleranceMeters = -1;

const char *ThinningMethodName()
{
    return ThinningMethod == ThinningBounded ? "bounded" : "classic";
}

int RunConvertCli(int argc, const wchar_t *const *argv, std::FILE *out, std::FILE *err)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; i++) {
        std::wstring argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != L'-') {
            options.tracks.push_back(argument);
            continue;
        }
        if (argument == L"--") { optionsEnded = true; continue; }
        std::wstring name, value;
        bool inlineValue = SplitValue(argument, &name, &value);
        std::string shown = ToUtf8(name.c_str(), static_cast<int>(name.size()));
        // Options that take a value take the next argument unless it came with '='.
        auto takeValue = [&](std::wstring *target) {
            if (inlineValue) { *target = value; return true; }
            if (i + 1 >= argc) return false;
            *target = argv[++i];
            return true;
        };
        if (name == L"-h" || name == L"--help") {
            if (inlineValue) return UsageError(err, "option " + shown + " takes no value");
            PrintUsage(out);
            return 0;
        }
        if (name == L"--version") {
            if (inlineValue) return UsageError(err, "option " + shown + " takes no value");
            std::fputs(Version, out);
            return 0;
        }
        if (name == L"-q" || name == L"--quiet" || name == L"--status-text") {
            bool *flag = name == L"--status-text" ? &options.statusText : &options.quiet;
            if (inlineValue) return UsageError(err, "option " + shown + " takes no value");
            if (*flag) return UsageError(err, "option " + shown + " given twice");
            *flag = true;
            continue;
        }
        if (name == L"--report" || name == L"--svg") {
            bool repeated = name == L"--svg" ? options.svg : options.report != 0;
            if (repeated) return UsageError(err, "option " + shown + " given twice");
            if (name == L"--svg" ? inlineValue : inlineValue && value != L"json")
                return UsageError(err, "option " + shown + (name == L"--svg" ? " takes no value" : " takes only =json"));
            if (name == L"--svg") options.svg = true;
            else options.report = inlineValue ? 2 : 1;
            continue;
        }
        if (name == L"-f" || name == L"--format") {
            if (options.formatGiven) return UsageError(err, "option " + shown + " given twice");
            std::wstring format;
            if (!takeValue(&format)) return UsageError(err, "option " + shown + " needs a format");
            options.format = FormatByName(format);
            if (options.format == 0)
                return UsageError(err, "unknown format '" + ToUtf8(format.c_str(), static_cast<int>(format.size())) +
                                           "' (gpx, mps, plt or nmea)");
            options.formatGiven = true;
            continue;
        }
        // Where the route files go, and which NMEA talkers count.
        if (name == L"-o" || name == L"--output-dir") {
            if (options.outputDirGiven) return UsageError(err, "option " + shown + " given twice");
            if (!takeValue(&options.outputDir)) return UsageError(err, "option " + shown + " needs a folder");
            std::string dir = ToUtf8(options.outputDir.c_str(), static_cast<int>(options.outputDir.size()));
            if (options.outputDir.size() > static_cast<size_t>(OutputFolderMax))
                return UsageError(err, "output folder longer than " + std::to_string(OutputFolderMax) + " characters");
            if (!IsFolder(options.outputDir)) return UsageError(err, "'" + dir + "' is not an existing folder");
            options.outputDirGiven = true;
            continue;
        }
        if (name == L"--nmea-talkers") {
            if (options.talkersGiven) return UsageError(err, "option " + shown + " given twice");
            std::wstring which;
            if (!takeValue(&which)) return UsageError(err, "option " + shown + " needs gp or any");
            if (which != L"gp" && which != L"any")
                return UsageError(err, "unknown talkers '" + ToUtf8(which.c_str(), static_cast<int>(which.size())) + "' (gp or any)");
            options.nmeaTalkers = which == L"any" ? NmeaTalkersAny : NmeaTalkersGp;
            options.talkersGiven = true;
            continue;
        }
        if (name == L"--method" || name == L"--fit") {
            bool isFit = name == L"--fit";
            if (isFit ? options.fit != 0 : options.method >= 0) return UsageError(err, "option " + shown + " given twice");
            std::wstring text;
            bool given = takeValue(&text);
            int32_t count = 0;
            if (isFit && !(given && ParseThreshold(text, &count) && count >= 2 && count <= FitMax))
                return UsageError(err, "option --fit needs a whole number from 2 to " + std::to_string(FitMax));
            if (isFit) options.fit = count;
            else if (given && text == L"classic") options.method = ThinningClassic;
            else if (given && text == L"bounded") options.method = ThinningBounded;
            else return UsageError(err, "option --method needs classic or bounded");
            continue;
        }
        int threshold = ThresholdByOption(name);
        if (threshold < 0) return UsageError(err, "unknown option " + ToUtf8(argument.c_str(), static_cast<int>(argument.size())));
        if (options.thresholdGiven[threshold]) return UsageError(err, "option " + shown + " given twice");
        std::wstring number;
        if (!takeValue(&number) || !ParseThreshold(number, &options.thresholds[threshold]))
            return UsageError(err, "option " + shown + " needs a whole number from -2147483648 to 2147483647");
        options.thresholdGiven[threshold] = true;
    }
    if (options.tracks.empty()) return UsageError(err, "no TRACK given");
    if (options.fit && options.method == ThinningClassic) return UsageError(err, "--fit uses the bounded method, not classic");
    if (options.fit && options.thresholdGiven[3]) return UsageError(err, "--fit chooses --max-ort-error itself");
    // Folders stand for the tracks inside them, which always go by their names.
    std::vector<TrackJob> jobs;
    for (const std::wstring &track : options.tracks) {
        std::vector<TrackJob> inside;
        if (IsFolder(track)) inside = FolderTracks(track, FormatByExtension);
        else inside.push_back(TrackJob{track, options.formatGiven ? options.format : FormatByExtension(track), ""});
        jobs.insert(jobs.end(), inside.begin(), inside.end());
    }
    for (const TrackJob &job : jobs) {
        const std::wstring &track = job.path;
        std::string shown = ToUtf8(track.c_str(), static_cast<int>(track.size()));
        if (track.size() > static_cast<size_t>(InputPathMax))
            return UsageError(err, "TRACK longer than " + std::to_string(InputPathMax) + " characters: " + shown.substr(0, 40) + "...");
        if (job.problem.empty() && job.format == 0)
            return UsageError(err, "cannot tell the format of '" + shown + "' (name it .gpx, .mps, .plt or .nmea, or give --format)");
    }

    // The thresholds: the defaults, what the store holds, then the options.
    ResetThinningSettings();
#if defined(_WIN32)
    LoadSettings();
#endif
    for (int t = 0; t < ThresholdCount; t++)
        if (options.thresholdGiven[t]) ThinningSettings.*Thresholds[t].Field = options.thresholds[t];

    Output output = options.quiet ? Output::Quiet : options.statusText ? Output::StatusText : Output::Progress;
    ProgressOut = output == Output::Progress ? out : nullptr;
    SetStatusRepaintHandler(output == Output::Progress ? PrintStatusChange : nullptr);

    std::wmemset(OutputFolder, 0, OutputFolderCapacity);
    std::wmemcpy(OutputFolder, options.outputDir.c_str(), options.outputDir.size());
    NmeaTalkers = options.nmeaTalkers;

    int status = 0;
    for (const TrackJob &job : jobs) {
        if (!job.problem.empty()) {
            std::fprintf(err, "wayfold-convert: %s\n", job.problem.c_str());
            if (status == 0) status = JobInputFailed;
            continue;
        }
        std::wmemset(InputPath, 0, InputPathCapacity);
        std::wmemcpy(InputPath, job.path.c_str(), job.path.size());
        InputFormat = job.format;
        FitToleranceMeters = -1;
        ThinningMethod = options.fit || options.method == ThinningBounded ? ThinningBounded : ThinningClassic;
        // --fit tries tolerances silently first; the run below is the one that counts.
        FitSearch fitted = options.fit ? SearchFitTolerance(options.fit) : FitFound;
        // The report and the picture measure the route after the job; they never change it.
        bool measuring = (options.report || options.svg) && BeginRouteMeasuring();
        if (measuring && options.svg) BeginRoutePicture();
        int result = RunConversionJob();
        if (options.fit) result = FinishFit(options.fit, fitted, result, output == Output::Progress, err);
        int points = PointsDelivered;
        bool measured = measuring && MeasureQuietly(result);
        std::string shown = ToUtf8(job.path.c_str(), static_cast<int>(job.path.size()));
        // A route was written but not measured: say so rather than report nothing.
        bool written = result == JobDone || result == JobBackwardOpenFailed || result == JobBackwardCopyFailed;
        if ((options.report || options.svg) && written && !measured)
            std::fprintf(err, "wayfold-convert: %s: %s\n", shown.c_str(),
                         measuring ? "the route could not be measured against the track read again"
                                   : "no temporary file for measuring the route");
        if (options.report)
            PrintRunReport(out, options.report == 2, shown, result, points, measured, ThinningMethodName(),
                           FitToleranceMeters);
        if (options.svg) FinishRoutePicture(err, shown, measured);
        if (output == Output::StatusText) {
            std::string text = ToUtf8(StatusText(), StatusLength());
            std::fwrite(text.data(), 1, text.size(), out);
            std::fflush(out);
        }
        if (status == 0) status = result;
    }
    SetStatusRepaintHandler(nullptr);
    ProgressOut = nullptr;
    OutputFolder[0] = 0;
    NmeaTalkers = NmeaTalkersGp;
    ThinningMethod = ThinningClassic;
    return status;
}
