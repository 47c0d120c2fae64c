#include "coordinates.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "conversions.h"

namespace hopscale {
namespace {

constexpr double kPi = std::numbers::pi;
const double kDegreesPerRadian = 180 / kPi;

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

// Stores `value` rounded to single into `slot` and records it.
void store(float& slot, double value, ResultId id, ResultSet& computed) {
    slot = static_cast<float>(value);
    computed.set(static_cast<std::size_t>(id));
}

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

std::optional<Error> computeCoordinates(PathState& state, ResultSet& computed) {
    PathValues& v = state.values;
    PathResults& r = state.results;
    if (v.fromLatitude == 0) {
        store(r.coordinateDistance, 0, ResultId::coordinateDistance, computed);
        return std::nullopt;
    }

    struct Point {
        float& value;
        Field field;
        bool isLatitude;
    };
    const Point points[] = {{v.fromLatitude, Field::Text5, true},
                            {v.fromLongitude, Field::Text6, false},
                            {v.toLatitude, Field::Text7, true},
                            {v.toLongitude, Field::Text9, false}};
    for (const Point& p : points) {
        auto degrees = dmsToDegrees(p.value, p.field, p.isLatitude);
        if (!degrees) return degrees.error;
        p.value = static_cast<float>(*degrees);
    }

    const float meanLatitude = static_cast<float>((double(v.fromLatitude) + v.toLatitude) / 2);
    store(r.midLatitudeRad, meanLatitude / kDegreesPerRadian, ResultId::midLatitudeRad, computed);
    const double m = r.midLatitudeRad;
    store(r.kmPerDegreeLatitude, 111.13209 - 0.56605 * std::cos(2 * m) + 0.0012 * std::cos(4 * m),
          ResultId::kmPerDegreeLatitude, computed);
    store(r.kmPerDegreeLongitude,
          111.41513 * std::cos(m) - 0.09455 * std::cos(3 * m) + 0.00012 * std::cos(5 * m),
          ResultId::kmPerDegreeLongitude, computed);
    store(r.northSouthKm,
          std::fabs((double(v.fromLatitude) - v.toLatitude) * double(r.kmPerDegreeLatitude)),
          ResultId::northSouthKm, computed);
    store(r.eastWestKm,
          std::fabs((double(v.fromLongitude) - v.toLongitude) * double(r.kmPerDegreeLongitude)),
          ResultId::eastWestKm, computed);
    const double ns = r.northSouthKm;
    const double ew = r.eastWestKm;
    const float distanceKm = static_cast<float>(std::sqrt(ns * ns + ew * ew));
    store(r.coordinateDistance, distanceKm / kKmPerSurveyMile, ResultId::coordinateDistance,
          computed);

    float bearing = 90;
    if (ns > 0) bearing = static_cast<float>(std::atan(ew / ns) * kDegreesPerRadian);
    // Longitudes count west-positive: a larger From longitude puts the To end further east.
    const bool toSouth = v.fromLatitude > v.toLatitude;
    const bool toEast = v.fromLongitude > v.toLongitude;
    if (toSouth && toEast) {
        bearing = static_cast<float>(180 - double(bearing));
    } else if (toSouth) {
        bearing = static_cast<float>(180 + double(bearing));
    } else if (!toEast) {
        bearing = static_cast<float>(360 - double(bearing));
    }
    store(r.bearingTrue, bearing, ResultId::bearingTrue, computed);
    return std::nullopt;
}

}  // namespace hopscale
