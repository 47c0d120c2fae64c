// hopscale: with a subcommand it works on the command line without a display; without one it
// opens the windows.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app_state.h"
#include "batch_command.h"
#include "calc_command.h"
#include "catalogue_command.h"
#include "data_dir.h"
#include "gui_main.h"

namespace {

void printUsage(std::FILE* out) {
    std::fputs(
        "Usage: hopscale [--data-dir DIR]            open the windows\n"
        "       hopscale calc [options]               one path, results as a table or JSON\n"
        "       hopscale batch [FILE|-]               many paths, CSV in and out\n"
        "       hopscale catalogue offer|lookup|import|check ...\n"
        "Run a subcommand with --help for its options.\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string command = argv[1];
        if (command == "calc") return hopscale::runCalcCommand(argc - 1, argv + 1);
        if (command == "batch") return hopscale::runBatchCommand(argc - 1, argv + 1);
        if (command == "catalogue") return hopscale::runCatalogueCommand(argc - 1, argv + 1);
        if (command == "--help" || command == "-h" || command == "help") {
            printUsage(stdout);
            return 0;
        }
    }

    // The windows: only --data-dir DIR (or --data-dir=DIR) is ours; Qt takes its own options.
    std::optional<std::string> dataDirOption;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data-dir") == 0) {
            if (i + 1 >= argc) {
                std::fputs("hopscale: --data-dir needs a directory\n", stderr);
                return 2;
            }
            dataDirOption = argv[i + 1];
        } else if (std::strncmp(argv[i], "--data-dir=", 11) == 0) {
            dataDirOption = argv[i] + 11;
        }
    }
    auto dataDir = hopscale::resolveDataDir(dataDirOption);
    if (!dataDir) {
        std::fprintf(stderr, "hopscale: %s\n", dataDir.error->message().c_str());
        return 1;
    }
    hopscale::AppState state;
    state.dataDir = *dataDir;
    return hopscale::runGui(argc, argv, state);
}
