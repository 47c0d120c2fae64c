// Points on the earth and the WGS84 geodesic between them: the one point type of the program,
// the reading of the packed coordinates a user types, and the geodesic (GeographicLib) that
// gives a hop its length, its antenna azimuths, its centre and the points of its profile.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "errors.h"
#include "fields.h"

namespace hopscale {

// A point on the WGS84 ellipsoid in signed decimal degrees: latitude north positive, longitude
// EAST positive. The program's inputs type longitudes west positive; the packed readers below
// turn them round.
struct GeoPoint {
    double latitudeDeg = 0;       // -90..90
    double longitudeEastDeg = 0;  // -180..180
};

// The two ends of a hop.
struct PathEnds {
    GeoPoint from;
    GeoPoint to;
};

// ---- packed coordinates as typed

// Packed degrees-minutes-seconds to decimal degrees, the sign kept as typed.
//   DDMMSS / DDDMMSS (6 or 7 digits) as written; 1 to 5 digits are read the same way from
//   the right (52530 = 5 deg 25 min 30 s); a fraction is allowed on the seconds (412530.5);
//   a negative value gives negative degrees (south latitude, east longitude).
//   Minutes and seconds are not checked against 60.
// Errors (InvalidCoordinate, naming `field`): 0 ("not given"), 8 digits or more, a latitude
// beyond 90 degrees (isLatitude) or a longitude beyond 180 degrees.
Result<double> dmsToDegrees(float packed, Field field, bool isLatitude);

// One end from its packed latitude and longitude (longitude west positive, as typed).
// Errors: those of dmsToDegrees, the latitude's first, naming `latitudeField` or
// `longitudeField`.
Result<GeoPoint> packedPoint(float latitude, float longitude, Field latitudeField,
                             Field longitudeField);

// Both ends from the four packed values of the input screen, in its order and under its
// fields: From Latitude (Text5), From Longitude (Text6), To Latitude (Text7), To Longitude
// (Text9). The first that cannot be read is the error.
Result<PathEnds> packedEnds(float fromLatitude, float fromLongitude, float toLatitude,
                            float toLongitude);

// How a coordinate's text becomes its packed number.
enum class PackedText {
    Leading,  // the number the text starts with, as the input screen reads it ("412530N")
    Strict,   // the whole text must be a number (textToSingle)
};

// A packed number from a typed text, then degrees as dmsToDegrees gives them. Errors, naming
// `field`: a text that is not a number (Strict), a number beyond single precision
// (Overflow), and those of dmsToDegrees.
Result<double> readPackedDegrees(std::string_view text, Field field, bool isLatitude,
                                 PackedText reading = PackedText::Leading);

// One end from the texts of its latitude and longitude, typed packed and west positive.
// Errors: those of readPackedDegrees, the latitude's first.
Result<GeoPoint> readPackedPoint(std::string_view latitude, std::string_view longitude,
                                 Field latitudeField, Field longitudeField,
                                 PackedText reading = PackedText::Leading);

// Both ends from the four texts, read in the order and under the fields of packedEnds.
Result<PathEnds> readPackedEnds(std::string_view fromLatitude, std::string_view fromLongitude,
                                std::string_view toLatitude, std::string_view toLongitude,
                                PackedText reading = PackedText::Leading);

// ---- the WGS84 geodesic (GeographicLib)

inline constexpr const char* kGeodesicModelName = "WGS84 geodesic (GeographicLib)";

// The model as results name it: kGeodesicModelName and GeographicLib's version
// ("WGS84 geodesic (GeographicLib) 2.1.2").
const std::string& geodesicModelText();

struct GeodesicPath {
    double lengthM = 0;         // s12, metres
    double azimuthFromDeg = 0;  // azimuth of the To end seen from the From end, true, [0, 360)
    double azimuthToDeg = 0;  // azimuth of the From end seen from the To end (azi2 + 180), [0, 360)
    GeoPoint centre;          // the point half way along the geodesic
};

// Length and both azimuths of the hop. Latitudes within -90..90. Identical ends give length
// 0, an azimuth from the From end of 180 and one from the To end of 0. The centre is computed only
// when `withCentre` (it costs as much again); otherwise it is left at 0, 0.
GeodesicPath geodesicPath(const PathEnds& ends, bool withCentre = true);

// The length alone, km.
double geodesicKm(GeoPoint from, GeoPoint to);

// The geodesic from one point to another, for the points along it (sampling a profile).
class GeodesicLine {
  public:
    GeodesicLine(GeoPoint from, GeoPoint to);
    GeodesicLine(GeodesicLine&&) noexcept;
    GeodesicLine& operator=(GeodesicLine&&) noexcept;
    ~GeodesicLine();

    double lengthM() const;
    // Azimuth of the line as it leaves the From end, clockwise from north, (-180, 180].
    double startAzimuthDeg() const;
    // The point `distanceM` metres from the From end along the line.
    GeoPoint pointAt(double distanceM) const;
    // The same, with the line's forward azimuth there in `azimuthDeg`, (-180, 180].
    GeoPoint pointAt(double distanceM, double& azimuthDeg) const;

  private:
    struct Line;
    std::unique_ptr<Line> line_;
};

}  // namespace hopscale
