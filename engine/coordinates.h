// Path length and true bearing from the packed coordinates of both ends (flat approximation
// over a short hop: degree lengths at the mean latitude, legs combined by Pythagoras).
#pragma once

#include <optional>

#include "errors.h"
#include "path_record.h"

namespace hopscale {

// Packed degrees-minutes-seconds to decimal degrees.
//   DDMMSS / DDDMMSS (6 or 7 digits) as written; 1 to 5 digits are read the same way from
//   the right (52530 = 5 deg 25 min 30 s); a fraction is allowed on the seconds (412530.5);
//   a negative value gives negative degrees (south latitude, east longitude).
//   Minutes and seconds are not checked against 60.
// Errors (InvalidCoordinate, naming `field`): 0 ("not given"), 8 digits or more, a latitude
// beyond 90 degrees (isLatitude) or a longitude beyond 180 degrees.
Result<double> dmsToDegrees(float packed, Field field, bool isLatitude);

// Reads state.values.{from,to}{Latitude,Longitude} (packed), and when fromLatitude is not 0
// replaces them by decimal degrees and computes coordinateDistance (miles), bearingTrue
// (degrees, in (0, 360]) and the intermediates. When fromLatitude is 0 only
// coordinateDistance is set, to 0. Each value written is recorded in `computed`.
std::optional<Error> computeCoordinates(PathState& state, ResultSet& computed);

}  // namespace hopscale
