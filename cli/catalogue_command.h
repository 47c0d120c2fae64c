// `hopscale catalogue`: the transmission-line catalogue from the command line.
#pragma once

#include "front_door.h"

namespace hopscale {

// The `catalogue` subcommand for the front door, with its own subcommands offer, lookup,
// import and check (see --help); the data directory is the global --data-dir.
// Exit status: 0 success, 1 failure (a file error or a problem found), 2 usage error.
cli::CommandDefinition catalogueCommand();

}  // namespace hopscale
