#include "converter/route_picture.h"

#include <cmath>
#include <cstring>
#include <cwchar>

#include "conversion/conversion_job.h"
#include "conversion/deviation.h"
#include "conversion/route_report.h"
#include "platform/file_io.h"
#include "settings/thinning_settings.h"

namespace {

// ---- Layout and style: every size and colour of the picture ----

// The plot above; below it a band with the caption and legend on the left and, on the
// right, the inset that magnifies the neighbourhood of the largest deviation.
constexpr double Width = 800, PlotHeight = 600, Margin = 30, BandHeight = 250;
constexpr double InsetSize = 220;                 // pixels, square
constexpr double InsetLeft = Width - Margin - InsetSize, InsetTop = PlotHeight + 15;
// The inset shows a square this many times the largest deviation across, but at least
// InsetMinMeters (a route on its track still shows its neighbourhood).
constexpr double InsetSpan = 4, InsetMinMeters = 10;
// Below this cosine of the middle latitude (about 89.94 degrees, or a latitude past the
// pole) x is not shrunk further.
constexpr double MinCosine = 0.001;
// The finest scale drawn, degrees of latitude per pixel (about 1 cm): a track at one
// place is drawn at it.
constexpr double FinestScale = 1e-7;
// Track vertices nearer than this to the last one drawn are dropped, pixels.
constexpr double DropBelow = 0.5;
// A scale bar is at most this long, pixels.
constexpr double ScaleBarMax = 150;

// One stroke: colour and width in pixels. Lines keep their width when the picture is
// zoomed (non-scaling-stroke), so a zoomed route still shows the track inside it.
struct Stroke {
    const char *colour;
    double width;
};
// The route is drawn wide and light, the track thin and dark above it, so that where the
// track leaves the route's band it shows.
const Stroke RouteStroke = {"#f5a3a3", 7};
const Stroke TrackStroke = {"#1b1b1b", 1.2};
const Stroke StartStroke = {"#2ca02c", 3};
const Stroke EndStroke = {"#1f77b4", 3};
const Stroke DeviationStroke = {"#ff7f0e", 2};
const Stroke FrameStroke = {"#555555", 1};
const char WaypointFill[] = "#d62728";
const char DeviationText[] = "#c25400";
const char BandFill[] = "#f2f2f2";
// Ring radii at the route's start and end, and around the largest deviation, pixels.
constexpr double StartRing = 9, EndRing = 12, DeviationRing = 6;

// Offsets from the first point, degrees: latitude and unwrapped longitude.
struct Offset {
    float lat;
    float lon;
};

// A temporary file of offsets, written and read a block at a time.
struct OffsetFile {
    static constexpr int Block = 512;
    std::FILE *file = nullptr;
    Offset block[Block];
    int count = 0, at = 0;
    bool Flush()
    {
        bool done = std::fwrite(block, sizeof block[0], count, file) == static_cast<size_t>(count);
        count = 0;
        return done;
    }
    // After the last write: read from the start (again).
    bool Rewind() { return Flush() && Reread(); }
    bool Reread()
    {
        count = at = 0;
        return std::fseek(file, 0, SEEK_SET) == 0;
    }
    const Offset *Next()
    {
        if (at == count) {
            count = static_cast<int>(std::fread(block, sizeof block[0], Block, file));
            at = 0;
            if (count == 0) return nullptr;
        }
        return &block[at++];
    }
};

// What MeasureRoute's walk gathers for the picture.
struct Gathered {
    OffsetFile track;              // one Offset per delivered point
    OffsetFile route;              // one Offset per waypoint, as written
    bool first = true;
    double lat0 = 0, lon0 = 0;     // the first point; lon0 within -180..180
    double lastLon = 0, lastUnwrapped = 0;
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;  // unwrapped
    double maxDeviationLon = 0;    // unwrapped longitude of Report's current largest
    bool failed = false;
} Picture;

// lon - reference brought within -180..180.
double Wrap(double difference)
{
    if (difference >= -180 && difference <= 180) return difference;
    difference = std::fmod(difference, 360.0);
    if (difference > 180) difference -= 360;
    else if (difference < -180) difference += 360;
    return difference;
}

void Put(OffsetFile &file, double lat, double lon)
{
    if (file.count == OffsetFile::Block && !file.Flush()) Picture.failed = true;
    file.block[file.count++] = Offset{static_cast<float>(lat - Picture.lat0), static_cast<float>(lon - Picture.lon0)};
}

void Gather(const MeasuredPoint *measured)
{
    Gathered &g = Picture;
    const TrackPoint &point = measured->Point;
    double unwrapped;
    if (g.first) {
        unwrapped = Wrap(point.Lon);
        g.lat0 = point.Lat;
        g.lon0 = unwrapped;
        g.minLat = g.maxLat = point.Lat;
        g.minLon = g.maxLon = unwrapped;
        g.first = false;
    } else {
        unwrapped = g.lastUnwrapped + Wrap(point.Lon - g.lastLon);
    }
    g.lastLon = point.Lon;
    g.lastUnwrapped = unwrapped;
    g.minLat = std::fmin(g.minLat, point.Lat);
    g.maxLat = std::fmax(g.maxLat, point.Lat);
    g.minLon = std::fmin(g.minLon, unwrapped);
    g.maxLon = std::fmax(g.maxLon, unwrapped);
    Put(g.track, point.Lat, unwrapped);
    if (measured->Kept) Put(g.route, measured->WrittenLat, unwrapped + Wrap(measured->WrittenLon - point.Lon));
    if (point.Number == Report.MaxPoint) g.maxDeviationLon = unwrapped;
}

void CloseGathered()
{
    Gathered &g = Picture;
    if (g.track.file) std::fclose(g.track.file);
    if (g.route.file) std::fclose(g.route.file);
    g.track.file = g.route.file = nullptr;
    g.track.count = g.route.count = 0;
    g.first = true;
    g.failed = false;
    OnPointMeasured = nullptr;
}

bool ReadOffset(OffsetFile &file, double *lat, double *lon)
{
    const Offset *offset = file.Next();
    if (!offset) return false;
    *lat = Picture.lat0 + offset->lat;
    *lon = Picture.lon0 + offset->lon;
    return true;
}

// ---- Drawing ----

// Pixels from latitude and unwrapped longitude: a local equirectangular projection, north
// up, mid at the centre of a box.
struct Projection {
    double cosine, degreesPerPixel, midLat, midLon, centreX, centreY;
    double X(double lon) const { return centreX + (lon - midLon) * cosine / degreesPerPixel; }
    double Y(double lat) const { return centreY - (lat - midLat) / degreesPerPixel; }
    double MetersPerPixel() const { return degreesPerPixel * RadiansPerDegree * EarthRadiusMeters; }
};

// The whole track in the plot area.
Projection PlotProjection()
{
    const Gathered &g = Picture;
    Projection p;
    p.midLat = (g.minLat + g.maxLat) / 2;
    p.midLon = (g.minLon + g.maxLon) / 2;
    p.cosine = std::fmax(std::cos(p.midLat * RadiansPerDegree), MinCosine);
    double across = (g.maxLon - g.minLon) * p.cosine / (Width - 2 * Margin);
    double down = (g.maxLat - g.minLat) / (PlotHeight - 2 * Margin);
    p.degreesPerPixel = std::fmax(std::fmax(across, down), FinestScale);
    p.centreX = Width / 2;
    p.centreY = PlotHeight / 2;
    return p;
}

// The neighbourhood of the largest deviation in the inset.
Projection InsetProjection(const Projection &plot)
{
    Projection p = plot;
    p.midLat = Report.MaxLat;
    p.midLon = Picture.maxDeviationLon;
    double meters = std::fmax(InsetSpan * Report.MaxDeviation, InsetMinMeters);
    p.degreesPerPixel = std::fmax(meters / InsetSize / (RadiansPerDegree * EarthRadiusMeters), FinestScale);
    p.centreX = InsetLeft + InsetSize / 2;
    p.centreY = InsetTop + InsetSize / 2;
    return p;
}

// Text with the five XML characters escaped.
std::string Escaped(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// The attributes of a stroke that keeps its width when zoomed.
std::string StrokeAttributes(const Stroke &stroke)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "fill=\"none\" stroke=\"%s\" stroke-width=\"%g\" vector-effect=\"non-scaling-stroke\"", stroke.colour,
                  stroke.width);
    return text;
}

// A path of relative moves in tenths of a pixel, from the rounded last position, so
// rounding never adds up; Break starts a new subpath.
struct PathWriter {
    std::FILE *out;
    long x = 0, y = 0;
    bool started = false;
    // A minus sign separates numbers by itself; otherwise a space does, where needed.
    void Number(long tenths, bool separate)
    {
        char text[32];
        int at = sizeof text;
        unsigned long magnitude = tenths < 0 ? 0UL - static_cast<unsigned long>(tenths) : static_cast<unsigned long>(tenths);
        if (magnitude % 10) {
            text[--at] = static_cast<char>('0' + magnitude % 10);
            text[--at] = '.';
        }
        magnitude /= 10;
        do {
            text[--at] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (tenths < 0) text[--at] = '-';
        else if (separate) text[--at] = ' ';
        std::fwrite(text + at, 1, sizeof text - at, out);
    }
    void To(double px, double py)
    {
        long nx = std::lround(px * 10), ny = std::lround(py * 10);
        std::fputc(started ? 'l' : 'M', out);
        Number(started ? nx - x : nx, false);
        Number(started ? ny - y : ny, true);
        started = true;
        x = nx;
        y = ny;
    }
    void Break() { started = false; }
};

// A box of pixels; what crosses it is drawn.
struct Box {
    double left, top, right, bottom;
    // Whether the segment from (ax, ay) to (bx, by) may cross the box: their boxes meet.
    bool Meets(double ax, double ay, double bx, double by) const
    {
        return std::fmax(ax, bx) >= left && std::fmin(ax, bx) <= right && std::fmax(ay, by) >= top &&
               std::fmin(ay, by) <= bottom;
    }
};

// The offsets of file as one path, vertices nearer than dropBelow pixels to the last drawn
// left out (the last vertex never is). Only the segments that may cross box are drawn,
// whole: a clip cuts them at its edge.
void WritePath(std::FILE *svg, OffsetFile &file, const Projection &p, const Box &box, double dropBelow,
               const std::string &attributes)
{
    std::fprintf(svg, "<path %s stroke-linejoin=\"round\" stroke-linecap=\"round\" d=\"", attributes.c_str());
    PathWriter path{svg};
    double lat, lon, lastX = 0, lastY = 0, x = 0, y = 0;
    bool drawnLast = false;
    for (int n = 0; ReadOffset(file, &lat, &lon); n++) {
        double beforeX = x, beforeY = y;
        x = p.X(lon);
        y = p.Y(lat);
        if (!box.Meets(n ? beforeX : x, n ? beforeY : y, x, y)) {
            // Away from the box: the path resumes at the vertex before the next segment that crosses it.
            if (path.started && !drawnLast) path.To(beforeX, beforeY);
            path.Break();
            drawnLast = true;
            continue;
        }
        if (!path.started && n > 0) path.To(beforeX, beforeY);
        drawnLast = !path.started || (x - lastX) * (x - lastX) + (y - lastY) * (y - lastY) >= dropBelow * dropBelow;
        if (drawnLast) {
            path.To(x, y);
            lastX = x;
            lastY = y;
        }
    }
    if (!drawnLast) path.To(x, y);
    std::fputs("\"/>\n", svg);
}

// A label beside the point (x, y), on its left near the right edge, with a white halo
// that keeps it readable over the route.
void Label(std::FILE *svg, double x, double y, double dx, double dy, const char *colour, bool bold, const char *text)
{
    bool left = x + dx > Width - 80;
    std::fprintf(svg,
                 "<text x=\"%.1f\" y=\"%.1f\" fill=\"%s\"%s%s paint-order=\"stroke\" stroke=\"#ffffff\" "
                 "stroke-width=\"3\">%s</text>\n",
                 left ? x - dx : x + dx, y + dy, colour, bold ? " font-weight=\"bold\"" : "",
                 left ? " text-anchor=\"end\"" : "", text);
}

void Ring(std::FILE *svg, double x, double y, double radius, const Stroke &stroke)
{
    std::fprintf(svg, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%g\" %s/>\n", x, y, radius, StrokeAttributes(stroke).c_str());
}

// A round length for a scale bar: 1, 2 or 5 times a power of ten, at most limit.
double RoundLength(double limit)
{
    double power = std::pow(10.0, std::floor(std::log10(limit)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= limit) return step * power;
    return power;
}

// A scale bar for p whose right end is at (right, y), at most maxPixels long.
void ScaleBar(std::FILE *svg, const Projection &p, double right, double y, double maxPixels)
{
    double meters = RoundLength(maxPixels * p.MetersPerPixel());
    double bar = meters / p.MetersPerPixel();
    char label[40];
    if (meters >= 1000) std::snprintf(label, sizeof label, "%g km", meters / 1000);
    else std::snprintf(label, sizeof label, "%g m", meters);
    std::fprintf(svg,
                 "<path d=\"M%.1f %.1fv6h%.1fv-6\" fill=\"none\" stroke=\"#000000\" stroke-width=\"2\"/>\n"
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n",
                 right - bar, y, bar, right - bar / 2, y - 6, label);
}

// The largest deviation in p: the point, a line to the nearest point of its leg, a ring,
// and with label its size beside it.
void DeviationMark(std::FILE *svg, const Projection &p, bool label)
{
    double px = p.X(Picture.maxDeviationLon), py = p.Y(Report.MaxLat);
    double ax = p.X(Picture.maxDeviationLon + Wrap(Report.MaxLegLon[0] - Report.MaxLon)), ay = p.Y(Report.MaxLegLat[0]);
    double bx = p.X(Picture.maxDeviationLon + Wrap(Report.MaxLegLon[1] - Report.MaxLon)), by = p.Y(Report.MaxLegLat[1]);
    double dx = bx - ax, dy = by - ay, along = dx * dx + dy * dy;
    double t = along > 0 ? std::fmin(1.0, std::fmax(0.0, ((px - ax) * dx + (py - ay) * dy) / along)) : 0.0;
    std::fprintf(svg, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" %s/>\n", px, py, ax + t * dx, ay + t * dy,
                 StrokeAttributes(DeviationStroke).c_str());
    Ring(svg, px, py, DeviationRing, DeviationStroke);
    if (!label) return;
    char value[40];
    std::snprintf(value, sizeof value, "%.1f m", Report.MaxDeviation);
    Label(svg, px, py, 9, 4, DeviationText, true, value);
}

// The route wide, with a dot at each waypoint, and the track thin above it.
void TrackAndRoute(std::FILE *svg, const Projection &p, const Box &box)
{
    Gathered &g = Picture;
    g.route.Reread();
    WritePath(svg, g.route, p, box, 0,
              StrokeAttributes(RouteStroke) + " marker-start=\"url(#w)\" marker-mid=\"url(#w)\" marker-end=\"url(#w)\"");
    g.track.Reread();
    WritePath(svg, g.track, p, box, DropBelow, StrokeAttributes(TrackStroke));
}

// The inset: the neighbourhood of the largest deviation, magnified, framed, with its own
// scale bar.
void Inset(std::FILE *svg, const Projection &plot)
{
    const Projection p = InsetProjection(plot);
    const Box box = {InsetLeft, InsetTop, InsetLeft + InsetSize, InsetTop + InsetSize};
    std::fprintf(svg,
                 "<g id=\"inset\"><clipPath id=\"inset-clip\"><rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\"/></clipPath>\n"
                 "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"#ffffff\"/>\n<g clip-path=\"url(#inset-clip)\">\n",
                 box.left, box.top, InsetSize, InsetSize, box.left, box.top, InsetSize, InsetSize);
    TrackAndRoute(svg, p, box);
    DeviationMark(svg, p, false);
    std::fputs("</g>\n", svg);
    // The frame's one-pixel lines on pixel centres, so that they are drawn sharp.
    std::fprintf(svg, "<rect id=\"inset-frame\" x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" %s/>\n", box.left + 0.5,
                 box.top + 0.5, InsetSize - 1, InsetSize - 1, StrokeAttributes(FrameStroke).c_str());
    ScaleBar(svg, p, box.right - 8, box.bottom - 12, InsetSize / 2);
    std::fprintf(svg, "<text x=\"%g\" y=\"%g\" font-size=\"11\">largest deviation, magnified</text>\n</g>\n", box.left + 6,
                 box.top + 14);
}

// A legend entry: a short sample of a stroke, then its words.
void LegendLine(std::FILE *svg, double y, const Stroke &stroke, const char *words)
{
    std::fprintf(svg, "<path d=\"M%g %gh28\" %s/>\n<text x=\"%g\" y=\"%g\">%s</text>\n", Margin, y - 4,
                 StrokeAttributes(stroke).c_str(), Margin + 36, y, words);
}

// The caption: the track's name, the counts, the method and only the thresholds it heeds,
// the deviation; and the legend.
void Caption(std::FILE *svg, const std::string &name, int waypoints, const PictureCaption &caption)
{
    double y = PlotHeight + 22;
    std::fprintf(svg, "<text x=\"%g\" y=\"%g\" font-weight=\"bold\">%s</text>\n", Margin, y, Escaped(name).c_str());
    char settings[200];
    if (caption.fitBudget > 0)
        std::snprintf(settings, sizeof settings, "bounded for at most %d waypoints: tolerance %d m chosen, max %d m",
                      caption.fitBudget, static_cast<int>(ThinningSettings.MaxOrtError),
                      static_cast<int>(ThinningSettings.MaxMeters));
    else if (caption.bounded)
        std::snprintf(settings, sizeof settings, "bounded: tolerance %d m, max %d m",
                      static_cast<int>(ThinningSettings.MaxOrtError), static_cast<int>(ThinningSettings.MaxMeters));
    else
        std::snprintf(settings, sizeof settings, "classic: min %d m, max %d m, turn %d\u00b0, max-ort-error %d m",
                      static_cast<int>(ThinningSettings.MinMeters), static_cast<int>(ThinningSettings.MaxMeters),
                      static_cast<int>(ThinningSettings.MaxDegrees), static_cast<int>(ThinningSettings.MaxOrtError));
    std::fprintf(svg,
                 "<text x=\"%g\" y=\"%g\">%d points, %d waypoints</text>\n<text x=\"%g\" y=\"%g\">%s</text>\n"
                 "<text x=\"%g\" y=\"%g\">largest deviation %.1f m at point %d, mean %.2f m</text>\n",
                 Margin, y + 22, Report.Points, waypoints, Margin, y + 44, settings, Margin, y + 66, Report.MaxDeviation,
                 Report.MaxPoint, Report.DeviationSum / Report.Points);
    y += 104;
    LegendLine(svg, y, TrackStroke, "track");
    LegendLine(svg, y + 22, RouteStroke, "route, a dot at each waypoint");
    LegendLine(svg, y + 44, DeviationStroke, "largest deviation from the route");
}

void WritePicture(std::FILE *svg, const std::string &name, const PictureCaption &caption)
{
    const Projection p = PlotProjection();
    const double height = PlotHeight + BandHeight;
    std::fprintf(svg,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\" "
                 "font-family=\"sans-serif\" font-size=\"13\">\n"
                 "<defs><marker id=\"w\" markerUnits=\"userSpaceOnUse\" markerWidth=\"10\" markerHeight=\"10\" "
                 "refX=\"5\" refY=\"5\"><circle cx=\"5\" cy=\"5\" r=\"2.5\" fill=\"%s\"/></marker></defs>\n"
                 "<rect width=\"%g\" height=\"%g\" fill=\"#ffffff\"/>\n"
                 "<rect y=\"%g\" width=\"%g\" height=\"%g\" fill=\"%s\"/>\n",
                 Width, height, Width, height, WaypointFill, Width, height, PlotHeight, Width, BandHeight, BandFill);
    const Box everywhere = {-1e30, -1e30, 1e30, 1e30};
    TrackAndRoute(svg, p, everywhere);

    // Start and end: rings around the route's first and last waypoint.
    Gathered &g = Picture;
    double lat, lon, startX = 0, startY = 0, endX = 0, endY = 0;
    int waypoints = 0;
    for (g.route.Reread(); ReadOffset(g.route, &lat, &lon); waypoints++) {
        endX = p.X(lon);
        endY = p.Y(lat);
        if (waypoints == 0) { startX = endX; startY = endY; }
    }
    Ring(svg, startX, startY, StartRing, StartStroke);
    Label(svg, startX, startY, 12, -10, StartStroke.colour, false, "start");
    Ring(svg, endX, endY, EndRing, EndStroke);
    Label(svg, endX, endY, 14, 18, EndStroke.colour, false, "end");

    DeviationMark(svg, p, true);
    ScaleBar(svg, p, Width - Margin, PlotHeight - 14, ScaleBarMax);
    Caption(svg, name, waypoints, caption);
    Inset(svg, p);
    std::fputs("</svg>\n", svg);
}

}  // namespace

bool BeginRoutePicture()
{
    CloseGathered();
    Picture.track.file = OpenScratchFile();
    Picture.route.file = OpenScratchFile();
    if (!Picture.track.file || !Picture.route.file) {
        CloseGathered();
        return false;
    }
    OnPointMeasured = Gather;
    return true;
}

bool FinishRoutePicture(std::FILE *err, const std::string &track, const wchar_t *path, bool measured,
                        const PictureCaption &caption)
{
    bool written = false;
    const char *why = "no route was measured";
    if (measured && Picture.track.file && Picture.track.Rewind() && Picture.route.Rewind() && !Picture.failed) {
        why = "cannot write the picture";
        if (std::FILE *svg = OpenFileByPath(path, "wb")) {
            size_t slash = track.find_last_of("/\\");
            WritePicture(svg, slash == std::string::npos ? track : track.substr(slash + 1), caption);
            written = !std::ferror(svg);
            if (std::fclose(svg) != 0) written = false;
        }
    }
    if (!written && err) std::fprintf(err, "wayfold-convert: %s: no picture (%s)\n", track.c_str(), why);
    CloseGathered();
    return written;
}
