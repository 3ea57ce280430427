#include "readers/track_survey.h"

#include <limits.h>
#include <string.h>

#include "readers/fit_reader.h"
#include "readers/geojson_reader.h"
#include "readers/gpx_reader.h"
#include "readers/gpx_route_reader.h"
#include "readers/igc_reader.h"
#include "readers/kml_reader.h"
#include "readers/nmea_reader.h"
#include "readers/plt_reader.h"
#include "readers/tcx_reader.h"
#include "readers/track_source.h"

static const PassedOverReason PassedOverReasons[] = {
    {0, 0, "damaged_record", "damaged track record, where the track ends", false},
    {InputFormatGpx, GpxSkipNoName, "trkpt_without_lat_lon", "track points <trkpt> without lat or lon passed over", false},
    {InputFormatGpx, GpxSkipNoNumber, "trkpt_without_number", "track points <trkpt> without a number for lat or lon passed over", false},
    {InputFormatGpx, GpxSkipOutOfRange, "trkpt_out_of_range", "track points <trkpt> out of range passed over", false},
    {InputFormatGpx, GpxRouteSkipNoName, "rtept_without_lat_lon", "route points <rtept> without lat or lon passed over", false},
    {InputFormatGpx, GpxRouteSkipNoNumber, "rtept_without_number", "route points <rtept> without a number for lat or lon passed over", false},
    {InputFormatGpx, GpxRouteSkipOutOfRange, "rtept_out_of_range", "route points <rtept> out of range passed over", false},
    {InputFormatPlt, PltSkipNoComma, "line_without_comma", "lines without a comma between latitude and longitude passed over", false},
    {InputFormatPlt, PltSkipOutOfRange, "line_out_of_range", "lines with a coordinate out of range passed over", false},
    {InputFormatNmea, NmeaSkipNotRmc, "not_rmc", "lines that are not RMC sentences passed over", false},
    {InputFormatNmea, NmeaSkipOtherTalker, "other_talker", "RMC sentences of other talkers passed over; --nmea-talkers any reads them", false},
    {InputFormatNmea, NmeaSkipChecksum, "bad_checksum", "RMC sentences with a wrong or missing checksum passed over", false},
    {InputFormatNmea, NmeaSkipLatitude, "bad_latitude", "RMC sentences with an unreadable time or latitude, or out of range, passed over", false},
    {InputFormatNmea, NmeaSkipLongitude, "bad_longitude", "RMC sentences with an unreadable longitude passed over", false},
    {InputFormatNmea, NmeaSkipNoFix, "no_fix", "RMC sentences without a fix (status not A) passed over", false},
    {InputFormatNmea, NmeaSkipModeNoFix, "mode_no_fix", "RMC sentences with the mode letter N (no fix) passed over", false},
    {InputFormatNmea, NmeaSkipRepeatedTime, "repeated_time", "RMC sentences repeating the time of the fix before passed over", false},
    {InputFormatFit, FitSkipNoPosition, "record_without_position", "record messages without a valid position passed over", false},
    {InputFormatFit, FitSkipOutOfRange, "record_out_of_range", "record messages with a latitude out of range passed over", false},
    {InputFormatFit, FitFileCrcDiffers, "file_crc_differs", "FIT files whose CRC does not match their bytes (their positions are used)", true},
    {InputFormatFit, FitSkipCutRecord, "cut_record", "records cut short by the end of the file or of its data, where reading ended", true},
    {InputFormatFit, FitSkipUndefined, "undefined_message", "messages of an undefined local type or an unknown byte order, where reading ended", true},
    {InputFormatFit, FitSkipNotFit, "not_fit_after_file", "bytes after a FIT file that begin no other (or its header is damaged), where reading ended", true},
    {InputFormatTcx, TcxSkipNoPosition, "trackpoint_without_position", "track points <Trackpoint> without a position passed over", false},
    {InputFormatTcx, TcxSkipOutOfRange, "trackpoint_out_of_range", "track points <Trackpoint> out of range passed over", false},
    {InputFormatTcx, TcxSkipUnclosed, "trackpoint_unclosed", "track points <Trackpoint> not closed passed over", false},
    {InputFormatKml, KmlSkipBadTuple, "bad_coordinates", "coordinates without a longitude and latitude passed over", false},
    {InputFormatKml, KmlSkipOutOfRange, "coordinates_out_of_range", "coordinates out of range passed over", false},
    {InputFormatKml, KmlSkipEmptyCoord, "empty_coord", "empty <gx:coord> (a time without a position) passed over", false},
    {InputFormatKml, KmlSkipPoint, "point", "<Point> places passed over", false},
    {InputFormatKml, KmlSkipPolygon, "polygon", "<Polygon> areas passed over", false},
    {InputFormatGeoJson, GeoJsonSkipBadPosition, "bad_position", "positions without two numbers passed over", false},
    {InputFormatGeoJson, GeoJsonSkipOutOfRange, "position_out_of_range", "positions out of range passed over", false},
    {InputFormatGeoJson, GeoJsonSkipOtherGeometry, "other_geometry", "Point, MultiPoint, Polygon and MultiPolygon geometries passed over", false},
    {InputFormatGeoJson, GeoJsonSkipDamaged, "damaged_json", "places where the JSON is damaged or cut, where reading ended", true},
    {InputFormatGeoJson, GeoJsonSkipTooDeep, "too_deep", "values nested too deep passed over", false},
    {InputFormatIgc, IgcSkipOtherRecord, "other_record", "records other than B (fixes) passed over", false},
    {InputFormatIgc, IgcSkipBadFix, "bad_b_record", "B records with an unreadable or impossible position passed over", false},
};

const PassedOverReason *FindPassedOverReason(int format, int kind)
{
    for (int i = 0; i < (int)(sizeof PassedOverReasons / sizeof PassedOverReasons[0]); i++) {
        const PassedOverReason *reason = &PassedOverReasons[i];
        if (reason->Kind == kind && (reason->Format == 0 || reason->Format == format)) return reason;
    }
    return 0;
}

// The first bytes are enough to tell the kind of text and the format.
static const int SurveyHeadSize = 512;
static char SurveyBlock[SurveyHeadSize + 1];

static bool StartsWith(const char *text, int length, const char *head)
{
    int headLength = (int)strlen(head);
    return length >= headLength && memcmp(text, head, headLength) == 0;
}

static int EncodingOf(const char *head, int length)
{
    if (StartsWith(head, length, "\xFF\xFE") || StartsWith(head, length, "\xFE\xFF")) return SurveyUtf16;
    // UTF-16 without a mark: ASCII text puts a NUL in every other byte.
    int nulsEven = 0, nulsOdd = 0, controls = 0;
    for (int i = 0; i < length; i++) {
        unsigned char c = (unsigned char)head[i];
        if (c == 0) ++(i % 2 ? nulsOdd : nulsEven);
        else if (c < 32 && c != '\t' && c != '\r' && c != '\n') ++controls;
    }
    int pairs = length / 2;
    if (pairs > 0 && (nulsOdd * 10 >= pairs * 9 || nulsEven * 10 >= pairs * 9)) return SurveyUtf16;
    // More than one byte in sixteen a NUL or a control byte: no text.
    return (nulsEven + nulsOdd + controls) * 16 > length ? SurveyNotText : SurveyText;
}

static int FormatOf(const char *head, int length)
{
    if (StartsWith(head, length, "MsRcd")) return InputFormatMps;
    // A FIT header: its size byte, and ".FIT" at byte 8.
    if (length >= 12 && (unsigned char)head[0] >= 12 && memcmp(head + 8, ".FIT", 4) == 0) return InputFormatFit;
    int i = 0;
    while (i < length && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) i++;
    // A UTF-8 byte order mark before the text.
    if (StartsWith(head + i, length - i, "\xEF\xBB\xBF")) i += 3;
    if (StartsWith(head + i, length - i, "OziExplorer Track Point File")) return InputFormatPlt;
    if (StartsWith(head + i, length - i, "$")) return InputFormatNmea;
    // The head is terminated: a GPX file names its root element within it.
    if (StartsWith(head + i, length - i, "<")) {
        if (strstr(head + i, "<gpx")) return InputFormatGpx;
        if (strstr(head + i, "<TrainingCenterDatabase")) return InputFormatTcx;
        return strstr(head + i, "<kml") ? InputFormatKml : 0;
    }
    if (StartsWith(head + i, length - i, "{")) return InputFormatGeoJson;
    return 0;
}

// Counts "<rtept" in the rest of the file, a block at a time; a tag across two blocks is
// found by keeping the last few bytes of one before the next.
static int CountRoutePoints()
{
    static const char Tag[] = "<rtept";
    static const int Keep = sizeof Tag - 2;
    int count = 0;
    int kept = 0;
    for (;;) {
        int read = (int)fread(SurveyBlock + kept, 1, SurveyHeadSize - kept, InputFile);
        if (read <= 0) return count;
        int length = kept + read;
        for (int i = 0; i + Keep < length; i++)
            if (SurveyBlock[i] == '<' && memcmp(SurveyBlock + i, Tag, Keep + 1) == 0 && count < INT_MAX) count++;
        kept = length < Keep ? length : Keep;
        memmove(SurveyBlock, SurveyBlock + length - kept, kept);
    }
}

int SurveyTrackFile(TrackSurvey *survey)
{
    survey->Encoding = SurveyText;
    survey->LooksLike = 0;
    survey->RoutePoints = 0;
    if (fseek(InputFile, 0, SEEK_SET) != 0) return SurveyReadError;
    int length = (int)fread(SurveyBlock, 1, SurveyHeadSize, InputFile);
    if (ferror(InputFile)) return SurveyReadError;
    SurveyBlock[length] = 0;
    survey->Encoding = EncodingOf(SurveyBlock, length);
    survey->LooksLike = FormatOf(SurveyBlock, length);
    if (survey->LooksLike == InputFormatGpx && fseek(InputFile, 0, SEEK_SET) == 0) survey->RoutePoints = CountRoutePoints();
    return SurveyDone;
}
