#include "geodesic.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <cmath>

namespace hopscale::propagation {
namespace {

double normalised(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360.0;
    if (d >= 360.0) d -= 360.0;
    return d;
}

}  // namespace

GeodesicPath geodesicPath(const PathEnds& e, bool withCentre) {
    const GeographicLib::Geodesic& wgs84 = GeographicLib::Geodesic::WGS84();
    GeodesicPath out;
    double azi1 = 0, azi2 = 0;
    if (!withCentre) {
        wgs84.Inverse(e.fromLatitudeDeg, e.fromLongitudeEastDeg, e.toLatitudeDeg,
                      e.toLongitudeEastDeg, out.lengthM, azi1, azi2);
    } else {
        const GeographicLib::GeodesicLine line = wgs84.InverseLine(
            e.fromLatitudeDeg, e.fromLongitudeEastDeg, e.toLatitudeDeg, e.toLongitudeEastDeg,
            GeographicLib::Geodesic::STANDARD | GeographicLib::Geodesic::DISTANCE_IN);
        out.lengthM = line.Distance();
        azi1 = line.Azimuth();
        double lat2 = 0, lon2 = 0;
        line.Position(out.lengthM, lat2, lon2, azi2);
        line.Position(out.lengthM / 2.0, out.centreLatitudeDeg, out.centreLongitudeEastDeg);
    }
    out.azimuthFromDeg = normalised(azi1);
    out.azimuthToDeg = normalised(azi2 + 180.0);
    return out;
}

}  // namespace hopscale::propagation
