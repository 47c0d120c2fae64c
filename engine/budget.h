// The link budget of one hop.
#pragma once

#include <optional>

#include "errors.h"
#include "path_record.h"

namespace hopscale {

// Runs the 33 steps of the link budget in order over `inputs` (field texts and unit choices)
// and `state` (kmPathLengthInMiles and coordinateDistance are read from it). Every stored
// value is rounded to single; arithmetic within a step is double. Each value written is
// recorded in `computed`. When KM is checked, `pathLengthField` receives the miles text that
// replaces Text24 (step 7); otherwise it is left alone.
// Stops at the first failing step and returns its error; values of earlier steps stay stored,
// later ones keep their previous contents. Sets state.eirpWarning on success.
// An error of a field being read names that field. An error of a value computed from several
// inputs has no field; it names the step (Error::step) and the input whose term led there
// (Error::origin), for example step 31 and Text26 for a power of 500 dBm.
std::optional<Error> calculatePath(const PathInputs& inputs, PathState& state, ResultSet& computed,
                                   std::string& pathLengthField);

}  // namespace hopscale
