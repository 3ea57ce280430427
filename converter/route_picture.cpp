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

// The picture: a plot area with a margin, and a caption band under it.
constexpr double Width = 800, PlotHeight = 600, Margin = 30, CaptionHeight = 80;
// Below this cosine of the middle latitude (about 89.94 degrees, or a latitude past the
// pole) x is not shrunk further.
constexpr double MinCosine = 0.001;
// The finest scale drawn, degrees of latitude per pixel (about 1 cm): a track at one
// place is drawn at it.
constexpr double FinestScale = 1e-7;
// Track vertices nearer than this to the last one drawn are dropped, pixels.
constexpr double DropBelow = 0.5;
// The scale bar is at most this long, pixels.
constexpr double ScaleBarMax = 150;

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
    bool Rewind() { return Flush() && std::fseek(file, 0, SEEK_SET) == 0; }
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

struct Gathered {
    OffsetFile track;              // one Offset per delivered point
    OffsetFile route;              // one Offset per waypoint, as written
    bool first = true;
    double lat0 = 0, lon0 = 0;     // the first point; lon0 within -180..180
    double lastLon = 0, lastUnwrapped = 0;
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;  // unwrapped
    double maxDeviationLon = 0;    // unwrapped longitude of Report's current largest
    bool failed = false;
} G;

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
    if (file.count == OffsetFile::Block && !file.Flush()) G.failed = true;
    file.block[file.count++] = Offset{static_cast<float>(lat - G.lat0), static_cast<float>(lon - G.lon0)};
}

void Gather(const MeasuredPoint *measured)
{
    const TrackPoint &point = measured->Point;
    double unwrapped;
    if (G.first) {
        unwrapped = Wrap(point.Lon);
        G.lat0 = point.Lat;
        G.lon0 = unwrapped;
        G.minLat = G.maxLat = point.Lat;
        G.minLon = G.maxLon = unwrapped;
        G.first = false;
    } else {
        unwrapped = G.lastUnwrapped + Wrap(point.Lon - G.lastLon);
    }
    G.lastLon = point.Lon;
    G.lastUnwrapped = unwrapped;
    G.minLat = std::fmin(G.minLat, point.Lat);
    G.maxLat = std::fmax(G.maxLat, point.Lat);
    G.minLon = std::fmin(G.minLon, unwrapped);
    G.maxLon = std::fmax(G.maxLon, unwrapped);
    Put(G.track, point.Lat, unwrapped);
    if (measured->Kept) Put(G.route, measured->WrittenLat, unwrapped + Wrap(measured->WrittenLon - point.Lon));
    if (point.Number == Report.MaxPoint) G.maxDeviationLon = unwrapped;
}

void CloseGathered()
{
    if (G.track.file) std::fclose(G.track.file);
    if (G.route.file) std::fclose(G.route.file);
    G.track.file = G.route.file = nullptr;
    G.track.count = G.route.count = 0;
    G.first = true;
    G.failed = false;
    OnPointMeasured = nullptr;
}

// The projection: pixels from latitude and unwrapped longitude.
struct Projection {
    double cosine, degreesPerPixel, midLat, midLon;
    double X(double lon) const { return Width / 2 + (lon - midLon) * cosine / degreesPerPixel; }
    double Y(double lat) const { return Margin + (PlotHeight - 2 * Margin) / 2 - (lat - midLat) / degreesPerPixel; }
    double MetersPerPixel() const { return degreesPerPixel * RadiansPerDegree * EarthRadiusMeters; }
};

Projection Project()
{
    Projection p;
    p.midLat = (G.minLat + G.maxLat) / 2;
    p.midLon = (G.minLon + G.maxLon) / 2;
    p.cosine = std::fmax(std::cos(p.midLat * RadiansPerDegree), MinCosine);
    double across = (G.maxLon - G.minLon) * p.cosine / (Width - 2 * Margin);
    double down = (G.maxLat - G.minLat) / (PlotHeight - 2 * Margin);
    p.degreesPerPixel = std::fmax(std::fmax(across, down), FinestScale);
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

// A path of relative moves in tenths of a pixel, from the rounded last position, so
// rounding never adds up.
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
};

// A label beside the point (x, y), on its left near the right edge, with a white halo
// that keeps it readable over the route.
void Label(std::FILE *svg, double x, double y, double dx, double dy, const char *style, const char *text)
{
    bool left = x + dx > Width - 80;
    std::fprintf(svg, "<text x=\"%.1f\" y=\"%.1f\" %s%s paint-order=\"stroke\" stroke=\"#ffffff\" stroke-width=\"3\">%s</text>\n", left ? x - dx : x + dx, y + dy, style,
                 left ? " text-anchor=\"end\"" : "", text);
}

bool ReadOffset(OffsetFile &file, double *lat, double *lon)
{
    const Offset *offset = file.Next();
    if (!offset) return false;
    *lat = G.lat0 + offset->lat;
    *lon = G.lon0 + offset->lon;
    return true;
}

// A round length for the scale bar: 1, 2 or 5 times a power of ten, at most limit.
double RoundLength(double limit)
{
    double power = std::pow(10.0, std::floor(std::log10(limit)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= limit) return step * power;
    return power;
}

void WritePicture(std::FILE *svg, const std::string &name)
{
    const Projection p = Project();
    const double height = PlotHeight + CaptionHeight;
    std::fprintf(svg,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\" "
                 "font-family=\"sans-serif\" font-size=\"13\">\n"
                 "<defs><marker id=\"w\" markerUnits=\"userSpaceOnUse\" markerWidth=\"10\" markerHeight=\"10\" "
                 "refX=\"5\" refY=\"5\"><circle cx=\"5\" cy=\"5\" r=\"3\" fill=\"#d62728\"/></marker></defs>\n"
                 "<rect width=\"%g\" height=\"%g\" fill=\"#ffffff\"/>\n"
                 "<rect y=\"%g\" width=\"%g\" height=\"%g\" fill=\"#f2f2f2\"/>\n",
                 Width, height, Width, height, Width, height, PlotHeight, Width, CaptionHeight);

    // The track, thin and grey, without vertices nearer than half a pixel to the last.
    std::fputs("<path fill=\"none\" stroke=\"#888888\" stroke-width=\"1\" stroke-linejoin=\"round\" d=\"", svg);
    PathWriter track{svg};
    double lat, lon, lastX = 0, lastY = 0, x = 0, y = 0;
    bool drawnLast = false;
    for (int n = 0; ReadOffset(G.track, &lat, &lon); n++) {
        x = p.X(lon);
        y = p.Y(lat);
        drawnLast = n == 0 || (x - lastX) * (x - lastX) + (y - lastY) * (y - lastY) >= DropBelow * DropBelow;
        if (drawnLast) {
            track.To(x, y);
            lastX = x;
            lastY = y;
        }
    }
    if (!drawnLast) track.To(x, y);
    std::fputs("\"/>\n", svg);

    // The route, bold, every waypoint with its dot.
    std::fputs("<path fill=\"none\" stroke=\"#d62728\" stroke-width=\"3\" stroke-linejoin=\"round\" "
               "marker-start=\"url(#w)\" marker-mid=\"url(#w)\" marker-end=\"url(#w)\" d=\"", svg);
    PathWriter route{svg};
    int waypoints = 0;
    double startX = 0, startY = 0, endX = 0, endY = 0;
    for (; ReadOffset(G.route, &lat, &lon); waypoints++) {
        endX = p.X(lon);
        endY = p.Y(lat);
        if (waypoints == 0) { startX = endX; startY = endY; }
        route.To(endX, endY);
    }
    std::fputs("\"/>\n", svg);

    // Start and end: rings around the route's first and last waypoint.
    std::fprintf(svg, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"9\" fill=\"none\" stroke=\"#2ca02c\" stroke-width=\"3\"/>\n",
                 startX, startY);
    Label(svg, startX, startY, 12, -10, "fill=\"#2ca02c\"", "start");
    std::fprintf(svg, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"12\" fill=\"none\" stroke=\"#1f77b4\" stroke-width=\"3\"/>\n",
                 endX, endY);
    Label(svg, endX, endY, 14, 18, "fill=\"#1f77b4\"", "end");

    // The largest deviation: the point, a line to the nearest point of its leg, the value.
    double px = p.X(G.maxDeviationLon), py = p.Y(Report.MaxLat);
    double ax = p.X(G.maxDeviationLon + Wrap(Report.MaxLegLon[0] - Report.MaxLon)), ay = p.Y(Report.MaxLegLat[0]);
    double bx = p.X(G.maxDeviationLon + Wrap(Report.MaxLegLon[1] - Report.MaxLon)), by = p.Y(Report.MaxLegLat[1]);
    double dx = bx - ax, dy = by - ay, along = dx * dx + dy * dy;
    double t = along > 0 ? std::fmin(1.0, std::fmax(0.0, ((px - ax) * dx + (py - ay) * dy) / along)) : 0.0;
    std::fprintf(svg,
                 "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ff7f0e\" stroke-width=\"2\"/>\n"
                 "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"none\" stroke=\"#ff7f0e\" stroke-width=\"2\"/>\n",
                 px, py, ax + t * dx, ay + t * dy, px, py);
    char value[40];
    std::snprintf(value, sizeof value, "%.1f m", Report.MaxDeviation);
    Label(svg, px, py, 9, 4, "fill=\"#c25400\" font-weight=\"bold\"", value);

    // The scale bar, in the caption band on the right.
    double meters = RoundLength(ScaleBarMax * p.MetersPerPixel());
    double bar = meters / p.MetersPerPixel();
    double barY = PlotHeight + 50, barRight = Width - Margin;
    char label[40];
    if (meters >= 1000) std::snprintf(label, sizeof label, "%g km", meters / 1000);
    else std::snprintf(label, sizeof label, "%g m", meters);
    std::fprintf(svg,
                 "<path d=\"M%.1f %.1fv6h%.1fv-6\" fill=\"none\" stroke=\"#000000\" stroke-width=\"2\"/>\n"
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n",
                 barRight - bar, barY, bar, barRight - bar / 2, barY - 6, label);

    // The caption.
    std::fprintf(svg,
                 "<text x=\"%g\" y=\"%g\" font-weight=\"bold\">%s</text>\n"
                 "<text x=\"%g\" y=\"%g\">%d points, %d waypoints; min %d m, max %d m, turn %d\u00b0, "
                 "max-ort-error %d m</text>\n"
                 "<text x=\"%g\" y=\"%g\">largest deviation %.1f m at point %d, mean %.2f m</text>\n</svg>\n",
                 Margin, PlotHeight + 22, Escaped(name).c_str(), Margin, PlotHeight + 44, Report.Points, waypoints,
                 static_cast<int>(ThinningSettings.MinMeters), static_cast<int>(ThinningSettings.MaxMeters),
                 static_cast<int>(ThinningSettings.MaxDegrees), static_cast<int>(ThinningSettings.MaxOrtError),
                 Margin, PlotHeight + 66, Report.MaxDeviation, Report.MaxPoint, Report.DeviationSum / Report.Points);
}

}  // namespace

bool BeginRoutePicture()
{
    CloseGathered();
    G.track.file = OpenScratchFile();
    G.route.file = OpenScratchFile();
    if (!G.track.file || !G.route.file) {
        CloseGathered();
        return false;
    }
    OnPointMeasured = Gather;
    return true;
}

bool FinishRoutePicture(std::FILE *err, const std::string &track, const wchar_t *path, bool measured)
{
    bool written = false;
    const char *why = "no route was measured";
    if (measured && G.track.file && G.track.Rewind() && G.route.Rewind() && !G.failed) {
        why = "cannot write the picture";
        if (std::FILE *svg = OpenFileByPath(path, "wb")) {
            size_t slash = track.find_last_of("/\\");
            WritePicture(svg, slash == std::string::npos ? track : track.substr(slash + 1));
            written = !std::ferror(svg);
            if (std::fclose(svg) != 0) written = false;
        }
    }
    if (!written && err) std::fprintf(err, "wayfold-convert: %s: no picture (%s)\n", track.c_str(), why);
    CloseGathered();
    return written;
}
