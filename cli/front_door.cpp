#include "front_door.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string_view>

#include "data_dir.h"
#include "data_file.h"
#include "exit_status.h"

#ifndef HOPSCALE_VERSION
#error "HOPSCALE_VERSION comes from the project version in CMake"
#endif

namespace hopscale::cli {

namespace {

constexpr const char* kRootFooter =
    "Without a subcommand the windows open (a display is needed).\n"
    "The data directory is --data-dir DIR, else $HOPSCALE_HOME, else\n"
    "$XDG_DATA_HOME/hopscale or ~/.local/share/hopscale.\n"
    "Exit status: 0 success, 1 calculation, file or output error, 2 usage error.\n";

// The arguments as CLI11 wants them: in reverse order. "--opt=" becomes "--opt" and an
// empty value, so that it means what "--opt ''" means instead of a missing value.
std::vector<std::string> reversedArguments(int argc, char** argv) {
    std::vector<std::string> args;
    args.reserve(static_cast<std::size_t>(argc));
    for (int i = argc - 1; i >= 1; --i) {
        const std::string_view arg = argv[i];
        if (arg.size() > 3 && arg.substr(0, 2) == "--" && arg.find('=') == arg.size() - 1) {
            args.emplace_back();
            args.emplace_back(arg.substr(0, arg.size() - 1));
        } else {
            args.emplace_back(arg);
        }
    }
    return args;
}

// The subcommand the parse reached deepest (the root when none was named).
const CLI::App* deepestCommand(const CLI::App& root) {
    const CLI::App* app = &root;
    while (true) {
        const auto chosen = app->get_subcommands();
        if (chosen.empty()) return app;
        app = chosen.front();
    }
}

std::string commandPath(const CLI::App& app) {
    const CLI::App* parent = app.get_parent();
    return parent == nullptr ? app.get_name() : commandPath(*parent) + " " + app.get_name();
}

// One usage line of `app`: its options, positionals and subcommands.
std::string usageLine(const CLI::App& app) {
    std::string line = "Usage: " + commandPath(app) + " [OPTIONS]";
    for (const CLI::Option* option : app.get_options()) {
        if (!option->get_positional()) continue;
        const std::string name = option->get_name();
        line += option->get_required() ? " " + name : " [" + name + "]";
    }
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({})) {
        names += (names.empty() ? "" : "|") + sub->get_name();
    }
    if (!names.empty())
        line += app.get_require_subcommand_min() > 0 ? " " + names : " [" + names + "]";
    return line;
}

// Option names ("--freq", "-h") known to `app` and, through fallthrough, to its parents.
std::vector<std::string> knownOptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* a = &app; a != nullptr; a = a->get_parent()) {
        for (const CLI::Option* option : a->get_options()) {
            for (const std::string& n : option->get_lnames()) names.push_back("--" + n);
            for (const std::string& n : option->get_snames()) names.push_back("-" + n);
        }
    }
    return names;
}

std::vector<std::string> subcommandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands({})) names.push_back(sub->get_name());
    return names;
}

// The usage error: the message (unexpected arguments listed in the order given), hints for
// names that are close to known ones, and the usage line.
int reportUsageError(const CLI::App& root, const CLI::ParseError& error, std::ostream& err) {
    const std::vector<std::string> unexpected = root.remaining(true);
    std::string message = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !unexpected.empty()) {
        message = unexpected.size() == 1 ? "The following argument was not expected:"
                                         : "The following arguments were not expected:";
        for (const std::string& arg : unexpected) message += " " + arg;
    }
    err << "hopscale: " << printableText(message) << '\n';

    const CLI::App& where = *deepestCommand(root);
    for (const std::string& arg : unexpected) {
        const bool option = !arg.empty() && arg[0] == '-';
        const std::string given = option ? arg.substr(0, arg.find('=')) : arg;
        const std::string hint =
            closestName(given, option ? knownOptionNames(where) : subcommandNames(where));
        if (!hint.empty()) {
            err << "did you mean `" << hint << "` instead of `" << printableText(given) << "`?\n";
        }
    }
    err << usageLine(where) << '\n'
        << "Run `" << commandPath(where) << " --help` for more information.\n";
    return kExitUsage;
}

// Writes `pending` and flushes the output; a write that failed (a full disk, a closed pipe)
// turns the status into a failure, whatever the command itself reported.
int finishOutput(std::ostream& out, std::ostream& err, int status,
                 const std::string& pending = {}) {
    errno = 0;
    out << pending;
    out.flush();
    bool failed = !out;
    int cause = errno;
    if (&out == &std::cout && (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)) {
        failed = true;
        if (cause == 0) cause = errno;
    }
    if (!failed) return status;
    err << "hopscale: writing the output failed";
    if (cause != 0) err << ": " << std::strerror(cause);
    err << '\n';
    return kExitFailed;
}

CLI::Validator nonEmptyDirectory() {
    return CLI::Validator(
        [](std::string& text) {
            return text.empty() ? std::string("needs a directory name, not an empty text")
                                : std::string();
        },
        "");
}

}  // namespace

std::string closestName(const std::string& given, const std::vector<std::string>& known) {
    std::string best;
    std::size_t bestDistance = 3;  // at most 2 edits
    for (const std::string& name : known) {
        // Levenshtein distance, one row at a time.
        std::vector<std::size_t> row(name.size() + 1);
        for (std::size_t j = 0; j <= name.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= given.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= name.size(); ++j) {
                const std::size_t above = row[j];
                row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                                   diagonal + (given[i - 1] == name[j - 1] ? 0U : 1U)});
                diagonal = above;
            }
        }
        const std::size_t distance = row[name.size()];
        if (distance > 0 && distance < bestDistance && 2 * distance < name.size()) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

FrontDoor::FrontDoor(WindowedEntry windowed, EnvironmentLookup environment)
    : windowed_(std::move(windowed)), environment_(std::move(environment)) {
    if (!environment_) environment_ = [](const char* name) { return std::getenv(name); };
}

void FrontDoor::add(CommandDefinition command) { commands_.push_back(std::move(command)); }

int FrontDoor::run(int argc, char** argv, std::ostream& out, std::ostream& err) const {
    GlobalOptions global;
    CLI::App app{"Plan one point-to-point microwave radio hop.", "hopscale"};
    app.footer(kRootFooter);
    // Set before the subcommands are added, so that they inherit it: a global option after
    // the subcommand is handed up to the root.
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", std::string("hopscale ") + HOPSCALE_VERSION,
                         "Print the program's name and version");
    app.add_option_function<std::string>(
           "--data-dir", [&global](const std::string& dir) { global.dataDir = dir; },
           "The data directory (catalogue and saved inputs)")
        ->type_name("DIR")
        ->check(nonEmptyDirectory());

    std::vector<std::pair<const CLI::App*, CommandAction>> actions;
    for (const CommandDefinition& command : commands_) {
        CLI::App* sub = app.add_subcommand(command.name, command.description);
        actions.emplace_back(sub, command.define(*sub));
    }

    std::vector<std::string> args = reversedArguments(argc, argv);
    // `hopscale help` has always printed the usage, as --help does.
    if (!args.empty() && args.back() == "help") args.back() = "--help";
    try {
        app.parse(std::move(args));
    } catch (const CLI::ParseError& e) {
        const bool help = dynamic_cast<const CLI::CallForHelp*>(&e) != nullptr ||
                          dynamic_cast<const CLI::CallForAllHelp*>(&e) != nullptr ||
                          dynamic_cast<const CLI::CallForVersion*>(&e) != nullptr;
        if (!help) return reportUsageError(app, e, err);
        // Help and version texts are written at once, so that a failed write is caught with
        // its reason.
        std::ostringstream text;
        const int status = app.exit(e, text, err);
        return finishOutput(out, err, status, text.str());
    }

    const CommandContext context{global, out, err};
    for (const auto& [sub, action] : actions) {
        if (sub->parsed()) return finishOutput(out, err, action(context));
    }

    // No subcommand: the windows.
    if (!windowed_) {
        err << "hopscale: a subcommand is needed\n" << usageLine(app) << '\n';
        return kExitUsage;
    }
    if (!displayUsable(environment_)) {
        err << kNoDisplayMessage << '\n';
        return kExitFailed;
    }
    return windowed_(WindowedStart{resolveDataDir(global.dataDir), argv[0]});
}

int runCommandLine(int argc, char** argv, WindowedEntry windowed) {
    FrontDoor door(std::move(windowed));
    addAllCommands(door);
    return door.run(argc, argv, std::cout, std::cerr);
}

}  // namespace hopscale::cli
