// `hopscale equipment`: the user's radios and antennas in the data directory.
#pragma once

#include "front_door.h"

namespace hopscale {

// The `equipment` subcommand with its own subcommands import, list and check; the data
// directory is the global --data-dir. Exit status: 0 success, 1 failure (a file error or a
// problem found), 2 usage error.
cli::CommandDefinition equipmentCommand();

}  // namespace hopscale
