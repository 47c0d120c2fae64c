// `hopscale catalogue`: the transmission-line catalogue from the command line.
#pragma once

namespace hopscale {

// argv[0] is "catalogue". Subcommands: offer, lookup, import, check (see --help).
// Exit status: 0 success, 1 failure (a file error or a problem found), 2 usage error.
int runCatalogueCommand(int argc, char** argv);

}  // namespace hopscale
