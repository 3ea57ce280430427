// Writes one synthetic track in the formats Wayfold reads, for the benchmark:
//   gen_track FOLDER [POINTS] [PROFILE]
// makes FOLDER/track.plt, track.gpx, track.nmea, track.mps, track.fit, track.tcx,
// track.kml, track.geojson and track.igc with POINTS points each (default 1,000,000). PROFILE "ride" (the default) is a bicycle ride logged once a second:
// it wanders with small random turns, now and then a sharp one, and thinning keeps few of
// its points. PROFILE "real" adds what a real receiver logs: stretches of walking and of
// cycling, stops where the receiver logs one fix over and over, and a position error that
// drifts by a few metres, so that thinning keeps about a quarter of the points at the
// default thresholds, as on real logs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

const double Pi = 3.14159265358979323846;
const double EarthRadius = 6371032.0;

struct Fix {
    double lat;    // degrees
    double lon;    // degrees
    double alt;    // metres
    double speed;  // metres per second
    double course; // degrees
    std::time_t time;
};

// The ride: heading changes of a few degrees a second, a turn of tens of degrees about
// once a minute, speed and altitude drifting.
class Ride {
public:
    explicit Ride(bool real = false) : random_(20240501), real_(real) {}

    Fix Next()
    {
        Fix fix{lat_, lon_, alt_, speed_, heading_, start_ + seconds_};
        if (real_) {
            // A stop: the receiver logs the fix it held when the stop began, unchanged.
            if (stopLeft_ > 0) {
                --stopLeft_;
                ++seconds_;
                held_.time = fix.time;
                return held_;
            }
            AddReceiverError(fix);
            if (std::uniform_real_distribution<double>(0.0, 1.0)(random_) < 1.0 / 600.0) {
                stopLeft_ = std::uniform_int_distribution<int>(10, 90)(random_);
                held_ = fix;
                held_.speed = 0.0;
            }
        }
        std::normal_distribution<double> wobble(0.0, 3.0);
        std::normal_distribution<double> turn(0.0, 50.0);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        heading_ += wobble(random_);
        if (unit(random_) < 1.0 / 60.0) heading_ += turn(random_);
        heading_ = std::fmod(heading_ + 360.0, 360.0);
        if (real_) {
            // Walking or cycling, switching every few minutes.
            if (unit(random_) < 1.0 / 300.0) cycling_ = !cycling_;
            const double pace = cycling_ ? 5.0 : 1.4;
            speed_ = std::fmax(0.2, pace + std::normal_distribution<double>(0.0, pace * 0.1)(random_));
        } else {
            speed_ = std::fmin(12.0, std::fmax(0.5, speed_ + std::normal_distribution<double>(0.0, 0.3)(random_)));
        }
        alt_ += std::normal_distribution<double>(0.0, 0.2)(random_);
        const double metres = speed_;
        const double h = heading_ * Pi / 180.0;
        lat_ += metres * std::cos(h) / EarthRadius * 180.0 / Pi;
        lon_ += metres * std::sin(h) / (EarthRadius * std::cos(lat_ * Pi / 180.0)) * 180.0 / Pi;
        // Stay on the map: fold back at +-80 degrees latitude and wrap the longitude.
        if (lat_ > 80.0 || lat_ < -80.0) heading_ = std::fmod(540.0 - heading_, 360.0);
        if (lon_ > 180.0) lon_ -= 360.0;
        if (lon_ < -180.0) lon_ += 360.0;
        ++seconds_;
        return fix;
    }

private:
    // The receiver's error: metres north and east that drift from second to second
    // (a few metres at most), plus a small jitter of each fix.
    void AddReceiverError(Fix &fix)
    {
        std::normal_distribution<double> drift(0.0, ErrorDrift);
        std::normal_distribution<double> jitter(0.0, ErrorJitter);
        errorNorth_ = ErrorMemory * errorNorth_ + drift(random_);
        errorEast_ = ErrorMemory * errorEast_ + drift(random_);
        const double north = errorNorth_ + jitter(random_);
        const double east = errorEast_ + jitter(random_);
        fix.lat += north / EarthRadius * 180.0 / Pi;
        fix.lon += east / (EarthRadius * std::cos(fix.lat * Pi / 180.0)) * 180.0 / Pi;
    }

    static constexpr double ErrorMemory = 0.95;
    static constexpr double ErrorDrift = 0.6;
    static constexpr double ErrorJitter = 0.3;
    std::mt19937_64 random_;
    bool real_;
    bool cycling_ = false;
    int stopLeft_ = 0;
    Fix held_{};
    double errorNorth_ = 0.0;
    double errorEast_ = 0.0;
    double lat_ = 55.75;
    double lon_ = 37.6;
    double alt_ = 150.0;
    double speed_ = 5.0;
    double heading_ = 30.0;
    std::time_t start_ = 1714557600; // 2024-05-01 10:00:00 UTC
    std::time_t seconds_ = 0;
};

FILE *Create(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return file;
}

void Close(FILE *file, const std::string &path)
{
    if (std::ferror(file) || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

// Degrees as NMEA's d(dd)mm.mmmm, rounded once so the minutes never read 60.
void NmeaAngle(char *out, size_t size, double degrees, int degreeDigits)
{
    const long long tenThousandths = std::llround(std::fabs(degrees) * 600000.0);
    const long long whole = tenThousandths / 600000;
    const long long rest = tenThousandths % 600000;
    std::snprintf(out, size, "%0*lld%02lld.%04lld", degreeDigits, whole, rest / 10000, rest % 10000);
}

void PutLe32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutLe64(std::string &out, uint64_t value)
{
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

int32_t Semicircles(double degrees)
{
    double value = std::nearbyint(degrees / 180.0 * 2147483648.0);
    if (value > 2147483647.0) value = 2147483647.0;
    return static_cast<int32_t>(value);
}

// FIT's CRC-16, bit by bit, over bytes, from crc.
unsigned FitCrc(unsigned crc, const std::string &bytes)
{
    for (unsigned char c : bytes)
        for (int bit = 0; bit < 8; bit++, c >>= 1) crc = ((crc ^ c) & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    return crc;
}

// Degrees as IGC's ddmmmmm (or dddmmmmm): degrees, minutes and thousandths of a minute.
std::string IgcAngle(double degrees, int degreeDigits)
{
    const long long thousandths = std::llround(std::fabs(degrees) * 60000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%05lld", degreeDigits, thousandths / 60000, thousandths % 60000);
    return text;
}

void PutRecord(FILE *file, char type, const std::string &data)
{
    std::string head;
    PutLe32(head, static_cast<uint32_t>(data.size()));
    head += type;
    std::fwrite(head.data(), 1, head.size(), file);
    std::fwrite(data.data(), 1, data.size(), file);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_track FOLDER [POINTS] [ride|real]\n");
        return 64;
    }
    const std::string folder = argv[1];
    const long points = argc > 2 ? std::atol(argv[2]) : 1000000;
    const std::string profile = argc > 3 ? argv[3] : "ride";
    if (profile != "ride" && profile != "real") {
        std::fprintf(stderr, "gen_track: PROFILE must be ride or real\n");
        return 64;
    }
    if (points < 3 || points > 60000000) {
        std::fprintf(stderr, "gen_track: POINTS must be 3 to 60000000\n");
        return 64;
    }

    const std::string pltPath = folder + "/track.plt";
    const std::string gpxPath = folder + "/track.gpx";
    const std::string nmeaPath = folder + "/track.nmea";
    const std::string mpsPath = folder + "/track.mps";
    FILE *plt = Create(pltPath);
    FILE *gpx = Create(gpxPath);
    FILE *nmea = Create(nmeaPath);
    FILE *mps = Create(mpsPath);
    const std::string fitPath = folder + "/track.fit", tcxPath = folder + "/track.tcx", kmlPath = folder + "/track.kml",
                      geojsonPath = folder + "/track.geojson", igcPath = folder + "/track.igc";
    FILE *fit = Create(fitPath);
    FILE *tcx = Create(tcxPath);
    FILE *kml = Create(kmlPath);
    FILE *geojson = Create(geojsonPath);
    FILE *igc = Create(igcPath);

    // FIT: a 14-byte header, one definition of the record message (timestamp, position_lat,
    // position_long, altitude), one 15-byte data message a point, the CRC.
    const std::string fitDefinition("\x40\x00\x00\x14\x00\x04\xfd\x04\x86\x00\x04\x85\x01\x04\x85\x02\x02\x84", 18);
    std::string fitBytes("\x0e\x20\x34\x08", 4);
    PutLe32(fitBytes, static_cast<uint32_t>(fitDefinition.size() + 15 * static_cast<size_t>(points)));
    fitBytes += ".FIT";
    const unsigned fitHeaderCrc = FitCrc(0, fitBytes);
    fitBytes += {char(fitHeaderCrc), char(fitHeaderCrc >> 8)};
    fitBytes += fitDefinition;
    unsigned fitCrc = FitCrc(0, fitBytes);
    std::fwrite(fitBytes.data(), 1, fitBytes.size(), fit);
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/"
               "TrainingCenterDatabase/v2\">\n<Activities><Activity Sport=\"Biking\"><Id>2024-05-01T10:00:00Z</Id>\n"
               "<Lap StartTime=\"2024-05-01T10:00:00Z\"><Track>\n", tcx);
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>\n"
               "<Placemark><name>Ride</name><LineString><tessellate>1</tessellate><coordinates>\n", kml);
    std::fputs("{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"properties\":{\"name\":\"Ride\"},"
               "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[\n", geojson);
    std::fputs("AXXXgen_track\r\nHFDTE010524\r\nHFGIDGLIDERID:RIDE\r\nI013638FXA\r\n", igc);

    std::fputs("OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\nReserved 3\r\n"
               "0,2,255,Ride,0,0,2,8421376\r\n",
               plt);
    std::fprintf(plt, "%ld\r\n", points);
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx version=\"1.1\" creator=\"gen_track\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
               " <metadata><name>Ride</name></metadata>\n <trk><name>Ride</name><trkseg>\n",
               gpx);

    // MPS: signature, the header records MapSource writes, then one track record.
    std::fwrite("MsRcd\0", 1, 6, mps);
    PutRecord(mps, 'D', "mg");
    PutRecord(mps, 'A', std::string("\x01\x02SQA\0MapSource\0Oct 20 2011\0" "16:50:47\0", 36));
    const std::string name = "Ride";
    std::string header = name + std::string(1, '\0') + std::string(1, '\0') + "\xff\xff\xff\xff";
    PutLe32(header, static_cast<uint32_t>(points));
    std::string lengthAndType;
    PutLe32(lengthAndType, static_cast<uint32_t>(header.size() + 31 * static_cast<size_t>(points)));
    lengthAndType += 'T';
    std::fwrite(lengthAndType.data(), 1, lengthAndType.size(), mps);
    std::fwrite(header.data(), 1, header.size(), mps);

    Ride ride(profile == "real");
    std::string point;
    for (long i = 0; i < points; ++i) {
        const Fix fix = ride.Next();
        std::tm utc = *std::gmtime(&fix.time);

        // PLT: lat, lon, code, altitude in feet, days since 1899-12-30, date, time.
        const double days = 25569.0 + static_cast<double>(fix.time) / 86400.0;
        char date[16];
        std::strftime(date, sizeof date, "%d-%b-%y", &utc);
        std::fprintf(plt, "%11.6f,%11.6f,0,%7.1f,%.7f,%s, %02d:%02d:%02d\r\n", fix.lat, fix.lon, fix.alt * 3.2808399,
                     days, date, utc.tm_hour, utc.tm_min, utc.tm_sec);

        // GPX: one track point per line, with elevation and time.
        std::fprintf(gpx, "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.1f</ele><time>%04d-%02d-%02dT%02d:%02d:%02dZ</time></trkpt>\n",
                     fix.lat, fix.lon, fix.alt, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                     utc.tm_min, utc.tm_sec);

        // NMEA: one RMC sentence a second.
        char lat[24];
        char lon[24];
        NmeaAngle(lat, sizeof lat, fix.lat, 2);
        NmeaAngle(lon, sizeof lon, fix.lon, 3);
        char body[160];
        std::snprintf(body, sizeof body, "GPRMC,%02d%02d%02d.00,A,%s,%c,%s,%c,%.1f,%.1f,%02d%02d%02d,,,A", utc.tm_hour,
                      utc.tm_min, utc.tm_sec, lat, fix.lat < 0 ? 'S' : 'N', lon, fix.lon < 0 ? 'W' : 'E',
                      fix.speed * 1.9438445, fix.course, utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100);
        unsigned sum = 0;
        for (const char *c = body; *c; ++c) sum ^= static_cast<unsigned char>(*c);
        std::fprintf(nmea, "$%s*%02X\r\n", body, sum);

        // MPS: semicircles, then altitude, depth, time and flags (23 bytes).
        point.clear();
        PutLe32(point, static_cast<uint32_t>(Semicircles(fix.lat)));
        PutLe32(point, static_cast<uint32_t>(Semicircles(fix.lon)));
        point += '\x01';
        uint64_t altitudeBits;
        std::memcpy(&altitudeBits, &fix.alt, sizeof altitudeBits);
        PutLe64(point, altitudeBits);
        point += '\x01';
        PutLe32(point, static_cast<uint32_t>(fix.time - 631065600)); // seconds since 1990
        point += '\x00';
        PutLe64(point, 0x41D2A05F20000000ULL); // depth: "unknown"
        std::fwrite(point.data(), 1, point.size(), mps);

        // FIT: the record message, little-endian; altitude in fifths of a metre above -500 m.
        point.assign(1, '\0');
        PutLe32(point, static_cast<uint32_t>(fix.time - 631065600));
        PutLe32(point, static_cast<uint32_t>(Semicircles(fix.lat)));
        PutLe32(point, static_cast<uint32_t>(Semicircles(fix.lon)));
        const unsigned altitude = static_cast<unsigned>(std::lround((fix.alt + 500.0) * 5.0));
        point += {char(altitude), char(altitude >> 8)};
        fitCrc = FitCrc(fitCrc, point);
        std::fwrite(point.data(), 1, point.size(), fit);

        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
        std::fprintf(tcx, "<Trackpoint><Time>%s</Time><Position><LatitudeDegrees>%.7f</LatitudeDegrees><LongitudeDegrees>"
                     "%.7f</LongitudeDegrees></Position><AltitudeMeters>%.1f</AltitudeMeters></Trackpoint>\n",
                     when, fix.lat, fix.lon, fix.alt);
        std::fprintf(kml, "%.7f,%.7f,%.1f\n", fix.lon, fix.lat, fix.alt);
        std::fprintf(geojson, "%s[%.7f,%.7f,%.1f]\n", i ? "," : "", fix.lon, fix.lat, fix.alt);
        std::fprintf(igc, "B%02d%02d%02d%s%c%s%cA%05d%05d%03d\r\n", utc.tm_hour, utc.tm_min, utc.tm_sec,
                     IgcAngle(fix.lat, 2).c_str(), fix.lat < 0 ? 'S' : 'N', IgcAngle(fix.lon, 3).c_str(), fix.lon < 0 ? 'W' : 'E',
                     static_cast<int>(fix.alt), static_cast<int>(fix.alt), 0);
    }
    std::fputc(static_cast<int>(fitCrc & 0xFF), fit);
    std::fputc(static_cast<int>(fitCrc >> 8), fit);
    std::fputs("</Track></Lap></Activity></Activities>\n</TrainingCenterDatabase>\n", tcx);
    std::fputs("</coordinates></LineString></Placemark>\n</Document></kml>\n", kml);
    std::fputs("]}}]}\n", geojson);
    Close(fit, fitPath);
    Close(tcx, tcxPath);
    Close(kml, kmlPath);
    Close(geojson, geojsonPath);
    Close(igc, igcPath);

    std::fputs(" </trkseg></trk>\n</gpx>\n", gpx);
    PutRecord(mps, 'V', std::string("\0\x01", 2));
    Close(plt, pltPath);
    Close(gpx, gpxPath);
    Close(nmea, nmeaPath);
    Close(mps, mpsPath);
    return 0;
}
