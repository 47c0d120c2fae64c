// One calculation of a path, exactly as the input screen's CONTINUE performs it; the windows,
// `calc` and `batch` all go through here so they cannot diverge.
#pragma once

#include <optional>
#include <string>

#include "errors.h"
#include "path_record.h"

namespace hopscale {

struct RunOutcome {
    ResultSet computed;          // results written by this run
    std::optional<Error> error;  // where the run stopped, if it did
    // Text24 after the run: the miles text when KM is checked and the budget got that far,
    // else the text as typed. Screens write it back only on success, so that a failed run
    // leaves every typed text as it was.
    std::string pathLengthField;
    bool ok() const { return !error.has_value(); }
};

// Captures the coordinate texts and packed values, the kilometre length in miles (KM only),
// the power unit flags and the typed length; then computeCoordinates and calculatePath.
RunOutcome runPath(const PathInputs& inputs, PathState& state);

}  // namespace hopscale
