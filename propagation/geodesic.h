// The hop on the WGS84 ellipsoid (GeographicLib): true length, the antenna azimuth at each
// end, and the path centre.
#pragma once

namespace hopscale::propagation {

inline constexpr const char* kGeodesicModelName = "WGS84 geodesic (GeographicLib)";

// End points in signed decimal degrees: latitude north positive, longitude EAST positive.
struct PathEnds {
    double fromLatitudeDeg = 0, fromLongitudeEastDeg = 0;
    double toLatitudeDeg = 0, toLongitudeEastDeg = 0;
};

struct GeodesicPath {
    double lengthM = 0;         // s12, metres
    double azimuthFromDeg = 0;  // azimuth of the To end seen from the From end, true, [0, 360)
    double azimuthToDeg = 0;  // azimuth of the From end seen from the To end (azi2 + 180), [0, 360)
    double centreLatitudeDeg = 0;  // the point half way along the geodesic
    double centreLongitudeEastDeg = 0;
};

// Latitudes within -90..90. Identical ends give length 0 and azimuths of 0 and 180.
// The centre is computed only when `withCentre` (it costs as much again); otherwise it is
// left at 0.
GeodesicPath geodesicPath(const PathEnds& ends, bool withCentre = true);

}  // namespace hopscale::propagation
