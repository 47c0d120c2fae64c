#include "coordinates.h"

#include <cmath>
#include <numbers>

#include "geo.h"

namespace hopscale {
namespace {

constexpr double kPi = std::numbers::pi;
const double kDegreesPerRadian = 180 / kPi;

// Stores `value` rounded to single into `slot` and records it.
void store(float& slot, double value, ResultId id, ResultSet& computed) {
    slot = static_cast<float>(value);
    computed.set(static_cast<std::size_t>(id));
}

}  // namespace

std::optional<Error> computeCoordinates(PathState& state, ResultSet& computed) {
    PathValues& v = state.values;
    PathResults& r = state.results;
    if (v.fromLatitude == 0) {
        store(r.coordinateDistance, 0, ResultId::coordinateDistance, computed);
        return std::nullopt;
    }

    const Result<PathEnds> ends =
        packedEnds(v.fromLatitude, v.fromLongitude, v.toLatitude, v.toLongitude);
    if (!ends) return ends.error;
    // Decimal degrees in place of the packed values, longitudes west positive as typed.
    v.fromLatitude = static_cast<float>(ends.value->from.latitudeDeg);
    v.fromLongitude = static_cast<float>(-ends.value->from.longitudeEastDeg);
    v.toLatitude = static_cast<float>(ends.value->to.latitudeDeg);
    v.toLongitude = static_cast<float>(-ends.value->to.longitudeEastDeg);

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
