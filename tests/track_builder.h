// Tracks made in the tests: points a given distance and bearing apart on the earth's
// sphere, written as PLT text with more decimals than the route files keep.
#ifndef WAYFOLD_TRACK_BUILDER_H
#define WAYFOLD_TRACK_BUILDER_H

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

struct LatLon {
    double lat;
    double lon;
};

// The point at meters along bearingDegrees from start, on the thinning's sphere.
inline LatLon Destination(LatLon start, double bearingDegrees, double meters)
{
    const double radius = 6371032.0;
    const double rad = M_PI / 180.0;
    double lat1 = start.lat * rad, lon1 = start.lon * rad, theta = bearingDegrees * rad;
    double delta = meters / radius;
    double lat2 = std::asin(std::sin(lat1) * std::cos(delta) + std::cos(lat1) * std::sin(delta) * std::cos(theta));
    double lon2 = lon1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(lat1),
                                    std::cos(delta) - std::sin(lat1) * std::sin(lat2));
    return {lat2 / rad, lon2 / rad};
}

// A track from start along legs of (bearing, metres).
struct Leg {
    double bearing;
    double meters;
};
inline std::vector<LatLon> BuildTrack(LatLon start, const std::vector<Leg> &legs)
{
    std::vector<LatLon> points{start};
    for (const Leg &leg : legs) points.push_back(Destination(points.back(), leg.bearing, leg.meters));
    return points;
}

inline std::vector<Leg> Repeat(int count, Leg leg)
{
    return std::vector<Leg>(static_cast<size_t>(count), leg);
}

inline std::string PltHeader()
{
    return "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\nAltitude is in Feet\r\n"
           "Reserved 3\r\n0,2,255,track,0,0,2,8421376\r\n0\r\n";
}

inline std::string PltTrack(const std::vector<LatLon> &points)
{
    std::string text = PltHeader();
    char line[128];
    for (const LatLon &p : points) {
        std::snprintf(line, sizeof line, "%.10f,%.10f,0,-777,40000.0,01-Jan-24,00:00:00\r\n", p.lat, p.lon);
        text += line;
    }
    return text;
}

// The 1-based track indices of the route's waypoints, matched by their printed values.
inline std::vector<int> WaypointIndices(const std::vector<LatLon> &track, const std::string &route)
{
    std::vector<int> indices;
    size_t from = 0;
    char record[64];
    for (size_t at = route.find("\nW,"); at != std::string::npos; at = route.find("\nW,", at + 1)) {
        std::string rest = route.substr(at + 1, 37);
        int found = 0;
        for (size_t i = from; i < track.size() && !found; i++) {
            std::snprintf(record, sizeof record, "%10.6f,%11.6f", track[i].lat, track[i].lon);
            if (rest.compare(11, 22, record) == 0) {
                found = static_cast<int>(i) + 1;
                from = i + 1;
            }
        }
        indices.push_back(found);
    }
    return indices;
}

#endif
