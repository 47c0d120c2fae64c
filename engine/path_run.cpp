#include "path_run.h"

#include <cmath>

#include "budget.h"
#include "conversions.h"
#include "coordinates.h"

namespace hopscale {

RunOutcome runPath(const PathInputs& inputs, PathState& state) {
    RunOutcome outcome;
    CapturedValues& c = state.captured;
    PathValues& v = state.values;

    // Coordinates are read leniently: captured as text, then read back as packed numbers.
    struct Coordinate {
        Field field;
        std::string& text;
        float& packed;
        float& value;
    };
    const Coordinate coordinates[] = {
        {Field::Text5, c.fromLatitudeText, c.fromLatitudePacked, v.fromLatitude},
        {Field::Text6, c.fromLongitudeText, c.fromLongitudePacked, v.fromLongitude},
        {Field::Text7, c.toLatitudeText, c.toLatitudePacked, v.toLatitude},
        {Field::Text9, c.toLongitudeText, c.toLongitudePacked, v.toLongitude},
    };
    double typed[4];
    for (std::size_t i = 0; i < 4; ++i) {
        typed[i] = textLeadingValue(inputs[coordinates[i].field]);
        coordinates[i].text = doubleToText(typed[i]);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const Coordinate& co = coordinates[i];
        // A whole number of up to 15 digits reads back from its text unchanged.
        const bool exact = std::fabs(typed[i]) < 1e15 && typed[i] == std::trunc(typed[i]);
        auto packed = toSingle(exact ? typed[i] : textLeadingValue(co.text), co.field);
        if (!packed) {
            outcome.error = packed.error;
            outcome.error->kind = ErrorKind::InvalidCoordinate;
            outcome.error->text = co.text;
            outcome.error->detail = "is out of range";
            outcome.pathLengthField = inputs[Field::Text24];
            return outcome;
        }
        co.packed = *packed;
        co.value = *packed;
    }

    if (inputs.km) {
        auto miles =
            toSingle(textLeadingValue(inputs[Field::Text24]) / kKmPerSurveyMile, Field::Text24);
        if (!miles) {
            outcome.error = miles.error;
            outcome.error->text = inputs[Field::Text24];
            outcome.error->detail = "km is beyond the single-precision range in miles";
            outcome.pathLengthField = inputs[Field::Text24];
            return outcome;
        }
        c.kmPathLengthInMiles = *miles;
    }
    c.dbmSelected = inputs.watts ? 0 : 1;
    c.wattsSelected = inputs.watts ? 1 : 0;
    c.pathLengthText = inputs[Field::Text24];
    outcome.pathLengthField = inputs[Field::Text24];

    outcome.error = computeCoordinates(state, outcome.computed);
    if (!outcome.error) {
        outcome.error = calculatePath(inputs, state, outcome.computed, outcome.pathLengthField);
    }
    return outcome;
}

}  // namespace hopscale
