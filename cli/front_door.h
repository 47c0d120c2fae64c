// The one command line of the program: a root app that holds every subcommand and, with no
// subcommand, the windowed mode.
//
//   hopscale [--data-dir DIR] [--version] [--help]          the windows
//   hopscale [--data-dir DIR] SUBCOMMAND [options] ...       a command, no display needed
//
// Global options may stand before or after the subcommand. An unknown subcommand or option
// is a usage error (exit 2): the message, a "did you mean" hint when a known name is close,
// and the usage line. Every command's output on stdout is checked once it is done: a failed
// write is an error (exit 1).
//
// A subcommand is added with one call, FrontDoor::add(CommandDefinition); the built-in ones
// are listed in addAllCommands (commands.cpp).
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "display.h"
#include "errors.h"

namespace CLI {
class App;
}

namespace hopscale::cli {

// Options that belong to the program rather than to one subcommand.
struct GlobalOptions {
    std::optional<std::string> dataDir;  // --data-dir DIR; never empty once parsed
};

// What a command gets once the command line is parsed.
struct CommandContext {
    const GlobalOptions& global;
    std::ostream& out;
    std::ostream& err;
};

using CommandAction = std::function<int(const CommandContext&)>;

// One subcommand: its name, its one-line description, and the routine that adds its options
// (and any subcommands of its own) to its CLI11 app and returns the action to run once they
// are parsed. The action owns whatever the options fill.
struct CommandDefinition {
    std::string name;
    std::string description;
    std::function<CommandAction(CLI::App& app)> define;
};

// The windowed program, handed in by main() (this layer cannot see the windows). It gets the
// data directory as resolved from --data-dir and the environment, or the reason it could not
// be; it runs only when the display is usable.
struct WindowedStart {
    Result<std::filesystem::path> dataDir;
    char* programName;  // argv[0]
};
using WindowedEntry = std::function<int(const WindowedStart& start)>;

class FrontDoor {
  public:
    // Without a windowed entry, `hopscale` alone is a usage error (tests, tools).
    explicit FrontDoor(WindowedEntry windowed = {}, EnvironmentLookup environment = {});

    // Adds a subcommand; the order of the calls is the order of the help text.
    void add(CommandDefinition command);

    // Parses argv (argv[0] the program) and runs what it names; returns the exit status.
    // Messages go to `err`; commands that write through stdio use stdout and stderr.
    int run(int argc, char** argv, std::ostream& out, std::ostream& err) const;

  private:
    std::vector<CommandDefinition> commands_;
    WindowedEntry windowed_;
    EnvironmentLookup environment_;
};

// Registers every built-in subcommand on `door`, one call each.
void addAllCommands(FrontDoor& door);

// The whole program's command line as main() runs it: std::cout and std::cerr.
int runCommandLine(int argc, char** argv, WindowedEntry windowed);

// The known name closest to `given` when it is close enough to be a likely slip (an edit
// distance of at most 2, and less than half the name); empty otherwise.
std::string closestName(const std::string& given, const std::vector<std::string>& known);

}  // namespace hopscale::cli
