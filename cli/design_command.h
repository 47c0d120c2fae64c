// `hopscale design`: link design files.
//
//   hopscale design new FILE [--force]      a complete, valid example design
//   hopscale design check FILE              read it strictly; report the first problem
//   hopscale design report FILE [--json] [--csv FILE] [--svg FILE] [--pdf FILE]
//
// The report evaluates both directions through the design layer. Its JSON is
// {"name", "directions": [DIRECTION, DIRECTION], "twoWay", "profile", "warnings"}, where each
// DIRECTION's "results" and "performance" are exactly the objects `calc --json` prints for
// the same hop in that direction and "profile" the object `profile --json` prints.
// Exit status: 0 success, 1 a file or calculation error, 2 a usage error.
#pragma once

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

#include "errors.h"
#include "front_door.h"
#include "link_study.h"

namespace hopscale {

// The `design` subcommand for the front door.
cli::CommandDefinition designCommand();

// The JSON object of `design report --json` (one line of `network --json`).
nlohmann::ordered_json designReportJson(const design::LinkDesign& design,
                                        const design::LinkStudy& study);

// Writes the printed report of a study as PDF. The windows' layer provides it (the command
// line cannot draw pages); main() installs it before the command line runs.
using DesignPdfWriter = std::function<std::optional<Error>(const std::filesystem::path& file,
                                                           const design::LinkDesign& design,
                                                           const design::LinkStudy& study)>;
DesignPdfWriter& designPdfWriter();

}  // namespace hopscale
