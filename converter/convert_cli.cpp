#include "converter/convert_cli.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/wayfold_version.h"
#include "conversion/conversion_job.h"
#include "conversion/deviation.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "converter/files.h"
#include "converter/report_output.h"
#include "converter/route_picture.h"
#include "platform/file_io.h"
#include "platform/status_display.h"
#include "readers/decimal_parser.h"
#include "readers/gpx_route_reader.h"
#include "readers/nmea_reader.h"
#include "readers/track_survey.h"
#include "settings/thinning_settings.h"
#if defined(_WIN32)
#include "settings/settings_store.h"
#endif

namespace {

// ---- The options: one table, which the parser reads and the help is made from ----

enum OptionId {
    OptFormat, OptOutputDir, OptTalkers, OptGpxPoints, OptThresholds, OptMethod, OptFit,
    OptSplit, OptStatusText, OptReport, OptSvg, OptQuiet, OptHelp, OptVersion
};

struct OptionEntry {
    OptionId id;
    const char *shortName;  // or null
    const char *longName;   // null for the thresholds' place, whose lines come from their table
    const char *value;      // the value's name in the help; null: none; "[=json]": only given with '='
    const char *needs;      // what a missing or wrong value should have been
    const char *help;       // lines of help, '\n' between them
};

const OptionEntry Options[] = {
    {OptFormat, "-f", "--format", "FORMAT", "a format",
     "{names} for every\n"
     "TRACK file named here (default: from its name; a folder's files\n"
     "always go by their names)"},
    {OptOutputDir, "-o", "--output-dir", "DIR", "a folder", "write the route files into the existing folder DIR"},
    {OptTalkers, nullptr, "--nmea-talkers", "WHICH", "gp or any",
     "gp: only $GPRMC sentences (default); any: every talker's RMC,\n"
     "no fix when the mode letter is N, one fix under two talkers once"},
    {OptGpxPoints, nullptr, "--gpx-points", "WHICH", "track or route",
     "track: a GPX file's track points <trkpt> (default); route: its route\n"
     "points <rtept> instead"},
    {OptThresholds, nullptr, nullptr, "N", "a whole number from -2147483648 to 2147483647", nullptr},
    {OptMethod, nullptr, "--method", "METHOD", "classic or bounded",
     "classic (default): the keep rule above; bounded: every point within\n"
     "--max-ort-error m of the route, no leg over --max-meters m unless two\n"
     "points are farther apart (--min-meters, --max-degrees do not apply)"},
    {OptFit, nullptr, "--fit", "N", "a whole number from 2 to 999999",
     "at most N waypoints (2 to 999999): bounded, with a whole-metre\n"
     "--max-ort-error that fits where one metre less does not, found by\n"
     "halving and named in a progress line; the leg limit does not bind\n"
     "unless --max-meters is given, and when it forces more, writes the\n"
     "route with the fewest and exits 11"},
    {OptSplit, nullptr, "--split", nullptr, nullptr,
     "one route pair a track of a file (name-NF.rt2 for track N, from 1):\n"
     "name-1F.rt2, name-1B.rt2, name-2F.rt2...; without it the tracks of a\n"
     "file are joined into one route, and a note says so"},
    {OptStatusText, nullptr, "--status-text", nullptr, nullptr,
     "print the status text after each conversion, as the window holds it"},
    {OptReport, nullptr, "--report", "[=json]", "only =json",
     "after each conversion, report the route's lengths and deviation from\n"
     "the track: a few lines, or one JSON object a line (then standard\n"
     "output holds nothing else: progress goes to standard error)"},
    {OptSvg, nullptr, "--svg", nullptr, nullptr, "draw track and route into name.svg beside the route files"},
    {OptQuiet, "-q", "--quiet", nullptr, nullptr, "print nothing but a report asked for and what failed"},
    {OptHelp, "-h", "--help", nullptr, nullptr, "print this help"},
    {OptVersion, nullptr, "--version", nullptr, nullptr, "print the version"},
};
const int OptionCount = sizeof Options / sizeof Options[0];

const char UsageHead[] =
    "usage: wayfold-convert [OPTIONS] TRACK...\n"
    "Converts each GPS track into a thinned forward route (nameF.rt2) and the same route\n"
    "reversed (nameB.rt2), beside the track or in the -o folder, for OziExplorer CE. The name\n"
    "is the track's without its ending (or its last one), which names its format:\n"
    "  {endings}\n"
    "A TRACK that is a folder stands for the files directly inside it with those endings (in\n"
    "any case), in name order. A route is replaced only when its whole conversion succeeded,\n"
    "and a run that would write one file twice, or over a track it reads, is refused before\n"
    "it starts.\n"
    "\n";
const char UsageTail[] =
    "\n"
    "A track that fails gets one line on standard error, saying why, also with -q; a run of\n"
    "several tracks ends with a line that counts them (not with -q).\n"
    "\n"
    "Exit status: the conversion's result (0 done, 2 input or forward file failed, 3 backward\n"
    "file could not be made, 4 backward copy failed, 10 too few points or a forward write\n"
    "failed, 11 --fit found no tolerance that fits; with several tracks the first that is not\n"
    "0; a folder with no track counts as 2), or 64 for a usage error.\n";
// Where the help's text starts: two spaces, the option's column, two spaces.
const int HelpColumn = 20;

const char Version[] = "wayfold-convert " WAYFOLD_VERSION "\n";

enum class Output { Progress, StatusText, Quiet };

struct Settings {
    int format = 0;  // 0: from each track's name
    bool given[OptionCount] = {};
    bool thresholdGiven[ThresholdCount] = {};
    int32_t thresholds[ThresholdCount] = {};
    bool statusText = false;
    bool quiet = false;
    std::wstring outputDir;
    int nmeaTalkers = NmeaTalkersGp;
    int gpxPoints = GpxPointsTrack;
    int report = 0;  // 0 none, 1 lines, 2 JSON
    bool svg = false;
    bool split = false;
    int method = ThinningClassic;
    int fit = 0;     // 0: no --fit
    std::vector<std::wstring> tracks;
};

// One track of the run, its route files named before anything is converted.
struct TrackRun {
    std::wstring track;
    std::string shown;       // the track's path for messages (UTF-8)
    int format = 0;
    int trackNumber = 0;     // with --split, the one track of the file it converts (from 1)
    int tracks = 0;          // with --split, how many tracks the file holds
    std::wstring forward, backward, picture;
    std::string problem;     // refused before converting: what its line says
};

std::FILE *ProgressOut = nullptr;

// Prints what changed in the status text since the last repaint, CR LF as LF.
void PrintStatusChange(const wchar_t *text, int length, int changedFrom)
{
    if (!ProgressOut || changedFrom >= length) return;
    std::string bytes = Utf8(std::wstring(text + changedFrom, static_cast<size_t>(length - changedFrom)));
    std::string lines;
    lines.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i++)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) lines += bytes[i];
    std::fwrite(lines.data(), 1, lines.size(), ProgressOut);
    std::fflush(ProgressOut);
}

wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

// Whether text ends in ending (ASCII letters in any case).
bool EndsWithIgnoringCase(const std::wstring &text, const std::string &ending)
{
    if (text.size() < ending.size()) return false;
    for (size_t i = 0; i < ending.size(); i++)
        if (LowerAscii(text[text.size() - ending.size() + i]) != static_cast<wchar_t>(ending[i])) return false;
    return true;
}

int FormatByName(const std::wstring &name)
{
    for (const TrackFormatEntry &entry : TrackFormats)
        if (name.size() == std::strlen(entry.Name) && EndsWithIgnoringCase(name, entry.Name)) return entry.Id;
    return 0;
}

// The format a track's name ends in (".gpx" ...), or 0.
int FormatByExtension(const std::wstring &track)
{
    size_t dot = track.rfind(L'.');
    return dot == std::wstring::npos ? 0 : FormatByName(track.substr(dot + 1));
}

// A decimal integer with an optional leading minus, within the signed 32-bit range.
bool ParseWhole(const std::wstring &text, int32_t *value)
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

int ThresholdOf(int32_t ThinningSettingsRecord::*field)
{
    for (int t = 0; t < ThresholdCount; t++)
        if (Thresholds[t].Field == field) return t;
    return -1;
}

// The formats' names as a list ("gpx, mps ... or igc"), or their endings (".gpx, .mps ...
// .igc"), from the one table of formats.
std::string FormatList(bool endings)
{
    std::string list;
    for (int i = 0; i < TrackFormatCount; i++) {
        if (i > 0) list += i + 1 < TrackFormatCount || endings ? ", " : " or ";
        list += std::string(endings ? "." : "") + TrackFormats[i].Name;
    }
    return list;
}

// text with "{names}" and "{endings}" replaced by FormatList's lists.
std::string WithFormats(std::string text)
{
    for (bool endings : {false, true}) {
        const std::string mark = endings ? "{endings}" : "{names}";
        for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), FormatList(endings));
    }
    return text;
}

void PrintHelpLines(std::FILE *out, const std::string &left, const char *help)
{
    std::fprintf(out, "  %-*s  ", HelpColumn, left.c_str());
    for (const char *c = help; *c; c++) {
        std::fputc(*c, out);
        if (*c == '\n') std::fprintf(out, "%*s", HelpColumn + 4, "");
    }
    std::fputc('\n', out);
}

void PrintUsage(std::FILE *out)
{
    std::fputs(WithFormats(UsageHead).c_str(), out);
    for (const OptionEntry &option : Options) {
        if (option.id == OptThresholds) {
            for (const ThresholdEntry &entry : Thresholds)
                PrintHelpLines(out, std::string(entry.Option) + " N",
                               (std::string(entry.Help) + " (" + std::to_string(entry.Default) + ")").c_str());
            continue;
        }
        std::string left = option.shortName ? std::string(option.shortName) + ", " : "";
        left += option.longName;
        if (option.value) left += option.value[0] == '[' ? option.value : std::string(" ") + option.value;
        PrintHelpLines(out, left, WithFormats(option.help).c_str());
    }
    std::fputs(UsageTail, out);
}

int UsageError(std::FILE *err, const std::string &message)
{
    std::fprintf(err, "wayfold-convert: %s (see --help)\n", message.c_str());
    return UsageExit;
}

// The option named (a short or long name), or null; a threshold's option gives the
// thresholds' entry and its index in threshold.
const OptionEntry *FindOption(const std::wstring &name, int *threshold)
{
    *threshold = -1;
    for (const OptionEntry &option : Options) {
        if (option.id == OptThresholds) {
            for (int t = 0; t < ThresholdCount; t++)
                if (name == std::wstring(Thresholds[t].Option, Thresholds[t].Option + std::strlen(Thresholds[t].Option))) {
                    *threshold = t;
                    return &option;
                }
            continue;
        }
        for (const char *known : {option.shortName, option.longName})
            if (known && name == std::wstring(known, known + std::strlen(known))) return &option;
    }
    return nullptr;
}

// Takes one option's value into settings; false when the value is not one it takes.
bool TakeValue(Settings &settings, OptionId id, int threshold, const std::wstring &value, bool hasValue)
{
    switch (id) {
    case OptFormat: settings.format = FormatByName(value); return settings.format != 0;
    case OptOutputDir: settings.outputDir = value; return true;
    case OptTalkers:
        settings.nmeaTalkers = value == L"any" ? NmeaTalkersAny : NmeaTalkersGp;
        return value == L"gp" || value == L"any";
    case OptGpxPoints:
        settings.gpxPoints = value == L"route" ? GpxPointsRoute : GpxPointsTrack;
        return value == L"track" || value == L"route";
    case OptThresholds:
        settings.thresholdGiven[threshold] = true;
        return ParseWhole(value, &settings.thresholds[threshold]);
    case OptMethod:
        settings.method = value == L"bounded" ? ThinningBounded : ThinningClassic;
        return value == L"bounded" || value == L"classic";
    case OptFit: return ParseWhole(value, &settings.fit) && settings.fit >= 2 && settings.fit <= FitMax;
    case OptStatusText: settings.statusText = true; return true;
    case OptReport: settings.report = hasValue ? 2 : 1; return !hasValue || value == L"json";
    case OptSvg: settings.svg = true; return true;
    case OptSplit: settings.split = true; return true;
    case OptQuiet: settings.quiet = true; return true;
    default: return true;
    }
}

// Reads the arguments into settings. Returns -1 to go on, else the exit status (help,
// version, or a usage error with its line on err).
int ParseArguments(int argc, const wchar_t *const *argv, Settings &settings, std::FILE *out, std::FILE *err)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; i++) {
        std::wstring argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != L'-') {
            settings.tracks.push_back(argument);
            continue;
        }
        if (argument == L"--") { optionsEnded = true; continue; }
        // "--name=value" carries its value; otherwise an option with a value takes the next argument.
        size_t equals = argument.find(L'=');
        bool inlineValue = argument.compare(0, 2, L"--") == 0 && equals != std::wstring::npos;
        std::wstring name = inlineValue ? argument.substr(0, equals) : argument;
        std::wstring value = inlineValue ? argument.substr(equals + 1) : L"";
        std::string shown = Utf8(name);
        int threshold;
        const OptionEntry *option = FindOption(name, &threshold);
        if (!option) return UsageError(err, "unknown option " + Utf8(argument));
        if (option->id != OptThresholds ? settings.given[option->id] : settings.thresholdGiven[threshold])
            return UsageError(err, "option " + shown + " given twice");
        settings.given[option->id] = true;
        bool takesValue = option->value && option->value[0] != '[';
        if (!option->value && inlineValue) return UsageError(err, "option " + shown + " takes no value");
        if (takesValue && !inlineValue) {
            if (i + 1 >= argc) return UsageError(err, "option " + shown + " needs " + option->needs);
            value = argv[++i];
        }
        if (!TakeValue(settings, option->id, threshold, value, inlineValue)) {
            if (option->id == OptFormat) return UsageError(err, "unknown format '" + Utf8(value) + "' (" + FormatList(false) + ")");
            return UsageError(err, "option " + shown + " needs " + option->needs);
        }
        if (option->id == OptHelp) { PrintUsage(out); return 0; }
        if (option->id == OptVersion) { std::fputs(Version, out); return 0; }
        if (option->id == OptOutputDir) {
            if (value.size() > static_cast<size_t>(OutputFolderMax))
                return UsageError(err, "output folder longer than " + std::to_string(OutputFolderMax) + " characters");
            if (KindOfPath(value) != PathKind::Folder) return UsageError(err, "'" + Utf8(value) + "' is not an existing folder");
        }
    }
    if (settings.tracks.empty()) return UsageError(err, "no TRACK given");
    if (settings.fit && settings.given[OptMethod] && settings.method == ThinningClassic)
        return UsageError(err, "--fit uses the bounded method, not classic");
    if (settings.fit && settings.thresholdGiven[ThresholdOf(&ThinningSettingsRecord::MaxOrtError)])
        return UsageError(err, "--fit chooses --max-ort-error itself");
    if (settings.fit) settings.method = ThinningBounded;
    return -1;
}

// ---- The tracks: named, their route files named, and every clash found first ----

// The route files' path less "F.rt2": where a track's name ends in its format's ending the
// handheld program's cut (so that the routes are named as it names them), else the name
// less its last ending (a dot that starts the name begins none), else the whole name;
// beside the track, or in outputDir.
std::wstring RouteBase(const std::wstring &track, int format, const std::wstring &outputDir)
{
    size_t nameStart = FolderOf(track).size();
    const TrackFormatEntry *entry = FindTrackFormat(format);
    std::string ending = std::string(".") + entry->Name;
    size_t base;
    if (track.size() - nameStart >= ending.size() && EndsWithIgnoringCase(track, ending)) {
        base = track.size() - entry->PathCut;
    } else {
        size_t dot = track.rfind(L'.');
        base = dot != std::wstring::npos && dot > nameStart ? dot : track.size();
    }
    if (outputDir.empty()) return track.substr(0, base);
    return outputDir + (IsSeparator(outputDir.back()) ? L"" : L"/") + track.substr(nameStart, base - nameStart);
}

// The tracks of a file, read once through without thinning (0 when it cannot be read).
int CountTracks(const std::wstring &track, int format)
{
    InputFile = OpenFileByPath(track.c_str(), "rb");
    if (!InputFile) return 0;
    InputFormat = format;
    TrackWanted = 0;
    int tracks = 0;
    if (CheckTrackHeader() == HeaderAccepted) {
        TrackPoint point;
        while (NextTrackPoint(&point) == PointDelivered) {}
        tracks = TracksBegun;
    }
    std::fclose(InputFile);
    InputFile = nullptr;
    return tracks;
}

// Expands folders, names every track's route files, and refuses what cannot run: returns
// -1 to go on, or the usage error's status after its lines on err.
int PlanTracks(const Settings &settings, std::vector<TrackRun> &runs, int *passedOverInFolders, bool *anyFolder,
               std::FILE *err)
{
    for (const std::wstring &argument : settings.tracks) {
        PathKind kind = KindOfPath(argument);
        std::vector<std::pair<std::wstring, int>> tracks;
        if (kind == PathKind::Folder) {
            *anyFolder = true;
            FolderListing listing = ListFolder(argument, FormatByExtension);
            *passedOverInFolders += listing.passedOver;
            tracks = listing.tracks;
            if (listing.unreadable || tracks.empty()) {
                TrackRun run;
                run.track = argument;
                run.shown = Utf8(argument);
                run.problem = listing.unreadable ? "cannot read the folder" : "no track in the folder";
                runs.push_back(run);
            }
        } else {
            int format = settings.format ? settings.format : FormatByExtension(argument);
            if (format == 0)
                return UsageError(err, "cannot tell the format of '" + Utf8(argument) +
                                           "' (name it " + FormatList(true) + ", or give --format)");
            tracks.push_back({argument, format});
        }
        for (const auto &track : tracks) {
            TrackRun run;
            run.track = track.first;
            run.shown = Utf8(track.first);
            run.format = track.second;
            if (run.track.size() > static_cast<size_t>(InputPathMax))
                return UsageError(err, "TRACK longer than " + std::to_string(InputPathMax) + " characters: " +
                                           run.shown.substr(0, 40) + "...");
            PathKind trackKind = KindOfPath(run.track);
            if (trackKind == PathKind::Other) run.problem = "not a regular file or folder";
            // --split: one run a track, counted now so that every name is known before
            // anything is written; a file without a track (or unreadable) is one run, which fails.
            int parts = 1;
            if (settings.split) {
                run.tracks = trackKind == PathKind::RegularFile ? CountTracks(run.track, run.format) : 0;
                parts = std::max(run.tracks, 1);
            }
            std::wstring whole = RouteBase(run.track, run.format, settings.outputDir);
            for (int part = 1; part <= parts; part++) {
                std::wstring base = whole;
                if (settings.split) {
                    run.trackNumber = part;
                    base += L"-" + std::to_wstring(part);
                }
                run.forward = base + L"F.rt2";
                run.backward = base + L"B.rt2";
                if (settings.svg) run.picture = base + L".svg";
                // A route file's name taken by a folder or a device: it could never be replaced.
                for (const std::wstring *file : {&run.forward, &run.backward, &run.picture}) {
                    PathKind taken = file->empty() ? PathKind::Missing : KindOfPath(*file);
                    if (run.problem.empty() && taken != PathKind::Missing && taken != PathKind::RegularFile)
                        run.problem = "cannot write '" + Utf8(*file) + "', which is not a regular file";
                }
                runs.push_back(run);
            }
        }
    }
    // Every file the run writes, once, and none of them a track it reads.
    std::map<std::string, const TrackRun *> inputs;
    for (const TrackRun &run : runs)
        if (run.problem.empty() && KindOfPath(run.track) == PathKind::RegularFile) inputs.emplace(FileKey(run.track), &run);
    std::map<std::string, const TrackRun *> written;
    int clashes = 0;
    for (const TrackRun &run : runs) {
        if (!run.problem.empty()) continue;
        for (const std::wstring *file : {&run.forward, &run.backward, &run.picture}) {
            if (file->empty()) continue;
            std::string key = FileKey(*file);
            auto input = inputs.find(key);
            auto other = written.emplace(key, &run);
            if (input != inputs.end()) {
                std::fprintf(err, "wayfold-convert: '%s' would write '%s', which is the track '%s'\n", run.shown.c_str(),
                             Utf8(*file).c_str(), input->second->shown.c_str());
                clashes++;
            } else if (!other.second) {
                std::fprintf(err, "wayfold-convert: '%s' and '%s' would both write '%s'\n", other.first->second->shown.c_str(),
                             run.shown.c_str(), Utf8(*file).c_str());
                clashes++;
            }
        }
    }
    if (clashes) return UsageError(err, "nothing converted: " + std::to_string(clashes) + " file" + (clashes > 1 ? "s" : "") +
                                            " would be written twice or over a track");
    return -1;
}

// ---- One conversion: into files beside the routes, which replace them on success ----

// The longest leg of the route file at path (metres, on the report's sphere, between the
// waypoints as written), or -1 when it cannot be read. Read only when a report or a note
// asks for it, so that a plain conversion pays nothing.
double LongestLegOf(const std::wstring &path)
{
    std::FILE *file = OpenFileByPath(path.c_str(), "rb");
    if (!file) return -1.0;
    char line[RecordTextSize];
    SpherePoint last, here;
    bool haveLast = false;
    double longest = 0.0;
    while (std::fgets(line, sizeof line, file)) {
        // "W,name,latitude,longitude,...": the name holds no comma.
        const char *name = line[0] == 'W' && line[1] == ',' ? std::strchr(line + 2, ',') : nullptr;
        const char *end = nullptr;
        if (!name) continue;
        const double lat = ParseDecimalEnd(name + 1, &end);
        if (end == name + 1 || *end != ',') continue;
        const char *lonText = end + 1;
        const double lon = ParseDecimalEnd(lonText, &end);
        if (end == lonText || *end != ',') continue;
        SpherePointFromDegrees(lat, lon, &here);
        if (haveLast) longest = std::max(longest, SphereDistanceMeters(&last, &here));
        last = here;
        haveLast = true;
    }
    std::fclose(file);
    return longest;
}

// One try of --fit at a tolerance, printing nothing; sets the waypoints written.
int TryTolerance(int32_t tolerance)
{
    ThinningSettings.MaxOrtError = tolerance;
    SetStatusRepaintHandler(nullptr);
    return RunConversionJobToPaths();
}

// Results of SearchFitTolerance.
enum FitSearch { FitFound, FitForced, FitUntried };

// Sets MaxOrtError (and FitToleranceMeters) to a whole-metre tolerance that gives at most fit
// waypoints where one metre less gives more, by halving 0 to FitToleranceLimit; the tries print
// nothing. The count falls as the tolerance grows, but not strictly: here and there it rises by
// a waypoint, so a smaller tolerance may fit too (on the samples, for 4 of 9261 budgets). When
// even the largest tolerance gives more, sets that one.
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

// The last failure message of the status text ("Too short input file!"), or "".
std::string LastFailureMessage()
{
    std::wstring text(StatusText(), static_cast<size_t>(StatusLength()));
    size_t end = text.rfind(L"!\r\n");
    if (end == std::wstring::npos) return "";
    size_t start = text.rfind(L"\r\n", end);
    start = start == std::wstring::npos ? 0 : start + 2;
    return Utf8(text.substr(start, end + 1 - start));
}

std::string Plural(int count, const char *what)
{
    return std::to_string(count) + " " + what;
}

// Why a track gave too few points, or its header did not pass: the file looked at again.
std::string WhyNoTrack(const TrackRun &run, const int *passedOver, int points, bool header)
{
    const char *name = FindTrackFormat(run.format)->Name;
    TrackSurvey survey = {SurveyText, 0, 0};
    InputFile = OpenFileByPath(run.track.c_str(), "rb");
    if (InputFile) {
        SurveyTrackFile(&survey);
        std::fclose(InputFile);
        InputFile = nullptr;
    }
    bool binary = run.format == InputFormatMps || run.format == InputFormatFit;
    if (survey.Encoding == SurveyUtf16 && !binary) return "the file is UTF-16 text";
    if (survey.LooksLike != 0 && survey.LooksLike != run.format) {
        const char *looks = FindTrackFormat(survey.LooksLike)->Name;
        return std::string("the file looks like ") + looks + ", not " + name + "; -f " + looks + " reads it";
    }
    if (!binary && survey.Encoding == SurveyNotText) return "the file is not text";
    if (header) {
        if (run.format == InputFormatPlt) return "no \"OziExplorer Track Point File\" line and five more to begin it";
        if (run.format == InputFormatFit) return "it does not begin with a FIT file header (\".FIT\" at byte 8, its CRC matching)";
        return "it does not begin with the MsRcd signature";
    }
    std::string found = points ? Plural(points, "track points, at least 3 needed") : "0 track points";
    if (run.format == InputFormatGpx && GpxPoints == GpxPointsTrack && survey.RoutePoints > 0 && points == 0)
        return found + "; " + Plural(survey.RoutePoints, "route points <rtept> passed over");
    int most = -1;
    for (int kind = 0; kind < PassedOverKinds; kind++)
        if (passedOver[kind] > 0 && FindPassedOverReason(run.format, kind) && (most < 0 || passedOver[kind] > passedOver[most]))
            most = kind;
    if (most >= 0) return found + "; " + Plural(passedOver[most], FindPassedOverReason(run.format, most)->Text);
    if (points) return found;
    switch (run.format) {
    case InputFormatGpx: return GpxPoints == GpxPointsRoute ? "no <rtept> tag in the file" : "no <trkpt> tag in the file";
    case InputFormatPlt: return "no line after the header";
    case InputFormatNmea: return "no line in the file";
    case InputFormatFit: return "no record message in the file";
    case InputFormatTcx: return "no <Trackpoint> in the file";
    case InputFormatKml: return "no <LineString> or <gx:Track> in the file";
    case InputFormatGeoJson: return "no LineString or MultiLineString in the file";
    case InputFormatIgc: return "no B record in the file";
    default: return "no track record with points";
    }
}

// The reason a job failed with message, for its line on standard error.
std::string WhyFailed(const TrackRun &run, const std::string &message, int error, const int *passedOver, int points)
{
    std::string system = error ? std::strerror(error) : "";
    if (message == "Too short input file!") return WhyNoTrack(run, passedOver, points, false);
    if (message == "Incorrect file format!" || (message == "Input file read error!" && !error))
        return WhyNoTrack(run, passedOver, points, true);
    if (message == "Input file open error!")
        return KindOfPath(run.track) == PathKind::Missing ? "no such file" : system.empty() ? "cannot open it" : system;
    if (message == "Output file open error!" && ForwardPath[0] == 0) return "the route file's name is too long";
    if (message == "Output file open error!")
        return "cannot create a file in '" + Utf8(FolderOf(run.forward).empty() ? L"." : FolderOf(run.forward)) + "'" +
               (system.empty() ? "" : ": " + system);
    return system.empty() ? "a file could not be read or written" : system;
}

struct Tally {
    int converted = 0;
    int failed = 0;
    std::string firstFailed;
};

void TellFailure(std::FILE *err, Tally &tally, const TrackRun &run, const std::string &what)
{
    if (run.trackNumber) std::fprintf(err, "wayfold-convert: %s: track %d: %s\n", run.shown.c_str(), run.trackNumber, what.c_str());
    else std::fprintf(err, "wayfold-convert: %s: %s\n", run.shown.c_str(), what.c_str());
    if (tally.failed++ == 0) tally.firstFailed = run.shown;
}

// Converts one track into files beside its routes and moves them over the routes when the
// whole job succeeded; otherwise removes them, so the folder stays as it was.
int ConvertTrack(const Settings &settings, const TrackRun &run, Output output, std::FILE *out, std::FILE *err, Tally &tally)
{
    std::wmemset(InputPath, 0, InputPathCapacity);
    std::wmemcpy(InputPath, run.track.c_str(), run.track.size());
    InputFormat = run.format;
    TrackWanted = run.trackNumber;
    FitToleranceMeters = -1;
    ThinningMethod = settings.method;
    std::wstring forward = ScratchBeside(run.forward, OutputPathCapacity);
    std::wstring backward = ScratchBeside(run.backward, OutputPathCapacity);
    std::wstring picture = settings.svg ? ScratchBeside(run.picture, OutputPathCapacity) : L"";
    // A name too long for the job's paths leaves them empty, which the job reports.
    bool named = !forward.empty() && !backward.empty() && (!settings.svg || !picture.empty());
    std::wmemset(ForwardPath, 0, OutputPathCapacity);
    std::wmemset(BackwardPath, 0, OutputPathCapacity);
    if (named) {
        std::wmemcpy(ForwardPath, forward.c_str(), forward.size());
        std::wmemcpy(BackwardPath, backward.c_str(), backward.size());
    }

    // --fit tries tolerances silently first; the run below is the one that counts.
    FitSearch fitted = settings.fit ? SearchFitTolerance(settings.fit) : FitFound;
    // The report and the picture measure the route after the job; they never change it.
    bool measuring = (settings.report || settings.svg) && BeginRouteMeasuring();
    if (measuring && settings.svg) BeginRoutePicture();
    errno = 0;
    int jobResult = RunConversionJobToPaths();
    int error = errno;
    RunFacts facts;
    facts.track = run.shown;
    facts.trackNumber = run.trackNumber;
    facts.tracks = run.trackNumber ? run.tracks : TracksBegun;
    facts.format = run.format;
    facts.points = PointsDelivered;
    if (jobResult == JobDone && (settings.report || facts.tracks > 1)) facts.longestLeg = LongestLegOf(forward);
    std::memcpy(facts.passedOver, PassedOver, sizeof facts.passedOver);
    std::string message = LastFailureMessage();
    facts.measured = measuring && FinishRouteMeasuring(jobResult);
    if (measuring && !facts.measured && jobResult == JobDone)
        std::fprintf(err, "wayfold-convert: %s: the route could not be measured against the track read again\n", run.shown.c_str());
    else if ((settings.report || settings.svg) && !measuring)
        std::fprintf(err, "wayfold-convert: %s: no temporary file for measuring the route\n", run.shown.c_str());
    PictureCaption caption;
    caption.bounded = settings.method == ThinningBounded;
    caption.fitBudget = settings.fit;
    bool pictured = settings.svg && FinishRoutePicture(jobResult == JobDone ? err : nullptr, run.shown, picture.c_str(),
                                                       facts.measured && jobResult == JobDone, caption);

    int result = jobResult;
    std::string failure;
    if (jobResult != JobDone) {
        failure = message + " (" + WhyFailed(run, message, error, facts.passedOver, facts.points) + ")";
    } else {
        // The routes replace the old ones only now, and the picture with them.
        for (auto move : {std::make_pair(&forward, &run.forward), std::make_pair(&backward, &run.backward),
                          std::make_pair(pictured ? &picture : nullptr, &run.picture)}) {
            if (!move.first || !failure.empty()) continue;
            std::string why = MoveOver(*move.first, *move.second);
            if (!why.empty()) failure = "cannot replace '" + Utf8(*move.second) + "' (" + why + ")";
        }
        if (!failure.empty()) result = JobInputFailed;
    }
    for (const std::wstring *scratch : {&forward, &backward, &picture})
        if (!scratch->empty()) RemoveIfThere(*scratch);

    const int tolerance = static_cast<int>(FitToleranceMeters);
    if (settings.fit && output == Output::Progress && fitted == FitFound && tolerance > 0)
        std::fprintf(ProgressOut, "Tolerance %d m for at most %d waypoints; %d m gives more\n", tolerance, settings.fit,
                     tolerance - 1);
    else if (settings.fit && output == Output::Progress && fitted != FitUntried)
        std::fprintf(ProgressOut, fitted == FitFound ? "Tolerance %d m for at most %d waypoints\n"
                                                     : "Tolerance %d m: the fewest waypoints, more than %d\n",
                     tolerance, settings.fit);
    if (result == JobDone && fitted == FitForced) {
        result = FitImpossible;
        failure = "no tolerance gives at most " + std::to_string(settings.fit) + " waypoints (--max-meters " +
                  std::to_string(ThinningSettings.MaxMeters) + " forces " + std::to_string(WaypointsWritten) +
                  "; a larger --max-meters, or none, lets --fit choose)";
    }
    facts.result = result;
    if (result != JobDone && result != FitImpossible) facts.longestLeg = -1.0;
    facts.method = ThinningMethod == ThinningBounded ? "bounded" : "classic";
    facts.toleranceMeters = FitToleranceMeters;
    if (settings.report) PrintRunReport(out, settings.report == 2, facts);
    if (output == Output::StatusText) {
        std::string text = Utf8(std::wstring(StatusText(), static_cast<size_t>(StatusLength())));
        std::FILE *textOut = settings.report == 2 ? err : out;
        std::fwrite(text.data(), 1, text.size(), textOut);
        std::fflush(textOut);
    }
    // Damage the reader stopped at or got past, told even when the route was made of what came before.
    for (int kind = 0; kind < PassedOverKinds && output != Output::Quiet; kind++) {
        const PassedOverReason *reason = FindPassedOverReason(run.format, kind);
        if (reason && reason->Damage && facts.passedOver[kind] > 0)
            std::fprintf(err, "wayfold-convert: %s: %s\n", run.shown.c_str(), Plural(facts.passedOver[kind], reason->Text).c_str());
    }
    // Tracks joined into one route are never joined silently.
    if (!run.trackNumber && facts.tracks > 1 && facts.longestLeg >= 0 && output != Output::Quiet)
        std::fprintf(err, "wayfold-convert: %s: %d tracks joined into one route (longest leg %.1f km); --split writes one route per track\n",
                     run.shown.c_str(), facts.tracks, facts.longestLeg / 1000.0);
    if (result != JobDone) TellFailure(err, tally, run, failure);
    else tally.converted++;
    return result;
}

}  // namespace

int FitToleranceMeters = -1;

const char *ThinningMethodName()
{
    return ThinningMethod == ThinningBounded ? "bounded" : "classic";
}

int RunConvertCli(int argc, const wchar_t *const *argv, std::FILE *out, std::FILE *err)
{
    Settings settings;
    int parsed = ParseArguments(argc, argv, settings, out, err);
    if (parsed >= 0) return parsed;
    // The readers' choices, which --split's count of the tracks heeds already.
    NmeaTalkers = settings.nmeaTalkers;
    GpxPoints = settings.gpxPoints;
    std::vector<TrackRun> runs;
    int passedOverInFolders = 0;
    bool anyFolder = false;
    int planned = PlanTracks(settings, runs, &passedOverInFolders, &anyFolder, err);
    if (planned >= 0) {
        NmeaTalkers = NmeaTalkersGp;
        GpxPoints = GpxPointsTrack;
        return planned;
    }

    // The thresholds: the defaults, what the store holds, then the options. --fit leaves
    // the leg limit out unless it is asked for.
    ResetThinningSettings();
#if defined(_WIN32)
    LoadSettings();
#endif
    for (int t = 0; t < ThresholdCount; t++)
        if (settings.thresholdGiven[t]) ThinningSettings.*Thresholds[t].Field = settings.thresholds[t];
    if (settings.fit && !settings.thresholdGiven[ThresholdOf(&ThinningSettingsRecord::MaxMeters)])
        ThinningSettings.MaxMeters = INT32_MAX;

    // With JSON lines on standard output, everything else goes to standard error.
    std::FILE *progress = settings.report == 2 ? err : out;
    Output output = settings.quiet ? Output::Quiet : settings.statusText ? Output::StatusText : Output::Progress;
    ProgressOut = output == Output::Progress ? progress : nullptr;
    SetStatusRepaintHandler(output == Output::Progress ? PrintStatusChange : nullptr);
    NmeaTalkers = settings.nmeaTalkers;
    GpxPoints = settings.gpxPoints;

    int status = 0;
    Tally tally;
    for (const TrackRun &run : runs) {
        int result = JobInputFailed;
        if (run.problem.empty()) result = ConvertTrack(settings, run, output, out, err, tally);
        else TellFailure(err, tally, run, run.problem);
        if (status == 0) status = result;
    }
    if (!settings.quiet && (anyFolder || runs.size() > 1)) {
        std::fprintf(err, "wayfold-convert: %d track%s: %d converted, %d failed", static_cast<int>(runs.size()),
                     runs.size() == 1 ? "" : "s", tally.converted, tally.failed);
        if (tally.failed) std::fprintf(err, " (the first: %s)", tally.firstFailed.c_str());
        if (anyFolder) std::fprintf(err, "; %d other files in folders passed over", passedOverInFolders);
        std::fputc('\n', err);
    }
    SetStatusRepaintHandler(nullptr);
    ProgressOut = nullptr;
    NmeaTalkers = NmeaTalkersGp;
    GpxPoints = GpxPointsTrack;
    ThinningMethod = ThinningClassic;
    TrackWanted = 0;
    return status;
}
