// Path length and true bearing from the packed coordinates of both ends (flat approximation
// over a short hop: degree lengths at the mean latitude, legs combined by Pythagoras).
#pragma once

#include <optional>

#include "errors.h"
#include "path_record.h"

namespace hopscale {

// Reads state.values.{from,to}{Latitude,Longitude} (packed), and when fromLatitude is not 0
// replaces them by decimal degrees and computes coordinateDistance (miles), bearingTrue
// (degrees, in (0, 360]) and the intermediates. When fromLatitude is 0 only
// coordinateDistance is set, to 0. Each value written is recorded in `computed`.
std::optional<Error> computeCoordinates(PathState& state, ResultSet& computed);

}  // namespace hopscale
