#include "geo.h"

#include <GeographicLib/Config.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <cmath>
#include <cstdint>

#include "conversions.h"

namespace hopscale {
namespace {

Error coordinateError(Field field, float packed, std::string detail) {
    Error e;
    e.kind = ErrorKind::InvalidCoordinate;
    e.field = field;
    if (packed != 0) {
        e.text = singleToText(packed);
    }
    e.detail = std::move(detail);
    return e;
}

Error outOfRange(Field field, float packed, bool isLatitude) {
    return coordinateError(
        field, packed,
        isLatitude ? "is beyond 90 degrees of latitude" : "is beyond 180 degrees of longitude");
}

// An azimuth brought into [0, 360).
double normalised(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360.0;
    if (d >= 360.0) d -= 360.0;
    return d;
}

const GeographicLib::Geodesic& wgs84() { return GeographicLib::Geodesic::WGS84(); }

}  // namespace

Result<double> dmsToDegrees(float packed, Field field, bool isLatitude) {
    if (packed == 0) return coordinateError(field, packed, "not given");
    if (!std::isfinite(packed)) return coordinateError(field, packed, "is not a number");
    const bool negative = packed < 0;
    const float magnitude = std::fabs(packed);

    const double limit = isLatitude ? 90 : 180;
    if (magnitude < 1e7f && magnitude == std::trunc(magnitude)) {
        // A whole number: its digits are exactly what the text reading below takes apart.
        const auto whole = static_cast<std::int32_t>(magnitude);
        double degrees = whole / 10000;
        degrees = degrees + static_cast<double>(whole / 100 % 100) / 60;
        degrees = degrees + static_cast<double>(whole % 100) / 3600;
        if (degrees > limit) return outOfRange(field, packed, isLatitude);
        return negative ? -degrees : degrees;
    }

    // The packed form as written with 7 significant digits, without its leading blank.
    std::string text = signedSingleToText(magnitude).substr(1);
    double degrees = 0;
    if (text.find('E') != std::string::npos) {
        if (magnitude >= 1) {
            return coordinateError(field, packed, "has more than 7 digits");
        }
        degrees = static_cast<double>(magnitude) / 3600;  // a fraction of a second
    } else {
        const auto point = text.find('.');
        std::string whole = text.substr(0, point);
        const std::string fraction = point == std::string::npos ? "" : text.substr(point);
        if (whole.size() > 7) return coordinateError(field, packed, "has more than 7 digits");
        // Read from the right: two digits of seconds, two of minutes, the rest degrees.
        if (whole.size() < 6) whole.insert(0, 6 - whole.size(), '0');
        const std::size_t degreeDigits = whole.size() - 4;
        const std::string deg = whole.substr(0, degreeDigits);
        const std::string min = whole.substr(degreeDigits, 2);
        const std::string sec = whole.substr(degreeDigits + 2, 2) + fraction;
        degrees = textLeadingValue(deg) + textLeadingValue(min) / 60;
        degrees = degrees + textLeadingValue(sec) / 3600;
    }
    if (degrees > limit) return outOfRange(field, packed, isLatitude);
    return negative ? -degrees : degrees;
}

Result<GeoPoint> packedPoint(float latitude, float longitude, Field latitudeField,
                             Field longitudeField) {
    const Result<double> lat = dmsToDegrees(latitude, latitudeField, true);
    if (!lat) return *lat.error;
    const Result<double> lon = dmsToDegrees(longitude, longitudeField, false);
    if (!lon) return *lon.error;
    return GeoPoint{*lat, -*lon};  // typed west positive
}

Result<PathEnds> packedEnds(float fromLatitude, float fromLongitude, float toLatitude,
                            float toLongitude) {
    const Result<GeoPoint> from =
        packedPoint(fromLatitude, fromLongitude, Field::Text5, Field::Text6);
    if (!from) return *from.error;
    const Result<GeoPoint> to = packedPoint(toLatitude, toLongitude, Field::Text7, Field::Text9);
    if (!to) return *to.error;
    return PathEnds{*from, *to};
}

Result<double> readPackedDegrees(std::string_view text, Field field, bool isLatitude,
                                 PackedText reading) {
    const Result<float> packed = reading == PackedText::Strict
                                     ? textToSingle(text, field)
                                     : toSingle(textLeadingValue(text), field);
    if (!packed) return *packed.error;
    return dmsToDegrees(*packed, field, isLatitude);
}

Result<GeoPoint> readPackedPoint(std::string_view latitude, std::string_view longitude,
                                 Field latitudeField, Field longitudeField, PackedText reading) {
    const Result<double> lat = readPackedDegrees(latitude, latitudeField, true, reading);
    if (!lat) return *lat.error;
    const Result<double> lon = readPackedDegrees(longitude, longitudeField, false, reading);
    if (!lon) return *lon.error;
    return GeoPoint{*lat, -*lon};  // typed west positive
}

Result<PathEnds> readPackedEnds(std::string_view fromLatitude, std::string_view fromLongitude,
                                std::string_view toLatitude, std::string_view toLongitude,
                                PackedText reading) {
    const Result<GeoPoint> from =
        readPackedPoint(fromLatitude, fromLongitude, Field::Text5, Field::Text6, reading);
    if (!from) return *from.error;
    const Result<GeoPoint> to =
        readPackedPoint(toLatitude, toLongitude, Field::Text7, Field::Text9, reading);
    if (!to) return *to.error;
    return PathEnds{*from, *to};
}

const std::string& geodesicModelText() {
    static const std::string text =
        std::string(kGeodesicModelName) + " " + GEOGRAPHICLIB_VERSION_STRING;
    return text;
}

GeodesicPath geodesicPath(const PathEnds& e, bool withCentre) {
    GeodesicPath out;
    double azi1 = 0, azi2 = 0;
    if (!withCentre) {
        wgs84().Inverse(e.from.latitudeDeg, e.from.longitudeEastDeg, e.to.latitudeDeg,
                        e.to.longitudeEastDeg, out.lengthM, azi1, azi2);
    } else {
        const GeographicLib::GeodesicLine line = wgs84().InverseLine(
            e.from.latitudeDeg, e.from.longitudeEastDeg, e.to.latitudeDeg, e.to.longitudeEastDeg,
            GeographicLib::Geodesic::STANDARD | GeographicLib::Geodesic::DISTANCE_IN);
        out.lengthM = line.Distance();
        azi1 = line.Azimuth();
        double lat2 = 0, lon2 = 0;
        line.Position(out.lengthM, lat2, lon2, azi2);
        line.Position(out.lengthM / 2.0, out.centre.latitudeDeg, out.centre.longitudeEastDeg);
    }
    out.azimuthFromDeg = normalised(azi1);
    out.azimuthToDeg = normalised(azi2 + 180.0);
    return out;
}

double geodesicKm(GeoPoint from, GeoPoint to) {
    double metres = 0;
    wgs84().Inverse(from.latitudeDeg, from.longitudeEastDeg, to.latitudeDeg, to.longitudeEastDeg,
                    metres);
    return metres / 1000;
}

struct GeodesicLine::Line {
    GeographicLib::GeodesicLine line;
};

GeodesicLine::GeodesicLine(GeoPoint from, GeoPoint to)
    : line_(std::make_unique<Line>(Line{wgs84().InverseLine(
          from.latitudeDeg, from.longitudeEastDeg, to.latitudeDeg, to.longitudeEastDeg)})) {}
GeodesicLine::GeodesicLine(GeodesicLine&&) noexcept = default;
GeodesicLine& GeodesicLine::operator=(GeodesicLine&&) noexcept = default;
GeodesicLine::~GeodesicLine() = default;

double GeodesicLine::lengthM() const { return line_->line.Distance(); }

double GeodesicLine::startAzimuthDeg() const { return line_->line.Azimuth(); }

GeoPoint GeodesicLine::pointAt(double distanceM) const {
    GeoPoint p;
    line_->line.Position(distanceM, p.latitudeDeg, p.longitudeEastDeg);
    return p;
}

GeoPoint GeodesicLine::pointAt(double distanceM, double& azimuthDeg) const {
    GeoPoint p;
    line_->line.Position(distanceM, p.latitudeDeg, p.longitudeEastDeg, azimuthDeg);
    return p;
}

}  // namespace hopscale
