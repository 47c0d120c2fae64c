// hopscale: the command line decides; with no subcommand it opens the windows.
#include "design_command.h"
#include "design_report.h"
#include "front_door.h"
#include "gui_main.h"

int main(int argc, char** argv) {
    // `design report --pdf` draws its pages with the windows' report.
    hopscale::designPdfWriter() = hopscale::writeDesignPdf;
    return hopscale::cli::runCommandLine(argc, argv, [](const hopscale::cli::WindowedStart& start) {
        // The command line is the front door's: the windows get the program name only. An
        // unusable data directory does not stop them: they start, name it once and offer
        // nothing.
        int windowArgc = 1;
        char* windowArgv[] = {start.programName, nullptr};
        return hopscale::runGui(windowArgc, windowArgv, start.dataDir);
    });
}
