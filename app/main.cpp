// hopscale: the command line decides; with no subcommand it opens the windows.
#include <cstdio>

#include "app_state.h"
#include "front_door.h"
#include "gui_main.h"

int main(int argc, char** argv) {
    return hopscale::cli::runCommandLine(argc, argv, [](const hopscale::cli::WindowedStart& start) {
        if (!start.dataDir) {
            std::fprintf(stderr, "hopscale: %s\n", start.dataDir.error->message().c_str());
            return 1;
        }
        hopscale::AppState state;
        state.dataDir = *start.dataDir;
        // The command line is the front door's: the windows get the program name only.
        int windowArgc = 1;
        char* windowArgv[] = {start.programName, nullptr};
        return hopscale::runGui(windowArgc, windowArgv, state);
    });
}
