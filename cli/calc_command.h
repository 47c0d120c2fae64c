// `hopscale calc`: one path from the command line, as the input screen's CONTINUE computes it.
//
//   hopscale calc [--json] [--tx-dish T] ... [--length T] [--km] ... [--power T] [--watts]
//                 [--name T]
//
// Each T is the text exactly as it would be typed into the matching input field (it may be
// empty or hold blanks); an option left out keeps the field's default text. Without --json
// the results are printed as a table with their results-screen captions and a failure is
// reported on stderr; with --json one JSON object is printed on stdout.
// Exit status: 0 success, 1 calculation error, 2 usage error.
#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>

#include "front_door.h"
#include "path_record.h"
#include "path_run.h"

namespace hopscale {

// The `calc` subcommand for the front door.
cli::CommandDefinition calcCommand();

// `hopscale calc` through the whole front door, writing to the given streams (used by
// tests); argv[0] is the subcommand name ("calc").
// The "results" object of `calc --json`: every result this run computed, as singleToText texts.
nlohmann::ordered_json calcResultsJson(const RunOutcome& outcome, const PathResults& results);

int runCalcCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace hopscale
