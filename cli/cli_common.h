// Pieces shared by the `calc` and `batch` commands: the names that identify the
// inputs on the command line and in CSV headers, and the text of a result.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exit_status.h"
#include "path_record.h"
#include "path_run.h"

namespace hopscale::cli {

// What an option or CSV column sets: one of the input fields, or a unit choice.
struct InputTarget {
    enum class Kind { Field, Km, Watts } kind = Kind::Field;
    Field field = Field::Text1;  // for Kind::Field
};

// The option names of the unit choices (without dashes).
inline constexpr std::string_view kKmOption = "km";
inline constexpr std::string_view kWattsOption = "watts";

// Resolves an option name without dashes ("freq", "km", "watts") to what it sets;
// empty when the name is unknown.
std::optional<InputTarget> targetByName(std::string_view name);

// Every accepted option name, comma separated, in the order of the `calc` options.
std::string knownNamesList();

// The text of one result for output: singleToText of its value when this run computed it,
// empty otherwise.
std::string resultText(const RunOutcome& outcome, const PathResults& results,
                       const ResultInfo& info);

}  // namespace hopscale::cli
