#include "catalogue_command.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "catalogue.h"
#include "catalogue_tools.h"
#include "cli_common.h"
#include "conversions.h"
#include "data_dir.h"
#include "data_file.h"
#include "exit_status.h"
#include "saved_inputs.h"

namespace hopscale {

namespace {

constexpr int kOk = cli::kExitOk;
constexpr int kFailed = cli::kExitFailed;
// A CSV for the import is refused beyond this size (100 line types of 100 points are far less).
constexpr std::size_t kMaxImportBytes = 64u << 20;

constexpr const char* kFooter =
    "The data directory is --data-dir DIR, else $HOPSCALE_HOME, else\n"
    "$XDG_DATA_HOME/hopscale or ~/.local/share/hopscale; a new, empty one receives the\n"
    "shipped catalogue.\n"
    "Exit status: 0 success, 1 failure (every message names the file), 2 usage error.\n";

struct Options {
    std::string frequency;
    std::string name;
    bool rx = false;
    std::string csvFile;
    bool replace = false;
};

std::optional<std::filesystem::path> dataDir(const cli::CommandContext& context) {
    auto dir = resolveDataDir(context.global.dataDir);
    if (!dir) {
        context.err << "hopscale catalogue: " << cli::errorMessage(*dir.error) << "\n";
        return std::nullopt;
    }
    return *dir;
}

int offer(const Options& options, const cli::CommandContext& context) {
    const auto dir = dataDir(context);
    if (!dir) return kFailed;
    Catalogue catalogue;
    auto names = offerLineTypes(
        *dir / kIndexFileName, [&] { return options.frequency; }, catalogue);
    if (!names) {
        context.err << "hopscale catalogue offer: " << cli::errorMessage(*names.error) << "\n";
        return kFailed;
    }
    for (const std::string& name : *names) context.out << printableText(name) << "\n";
    return kOk;
}

int lookup(const Options& options, const cli::CommandContext& context) {
    const auto dir = dataDir(context);
    if (!dir) return kFailed;
    AttenuationTable table;
    auto value = options.rx ? lookupRxAttenuation(*dir, options.name, options.frequency, table)
                            : lookupTxAttenuation(*dir, options.name, options.frequency, table);
    if (!value) {
        context.err << "hopscale catalogue lookup: " << cli::errorMessage(*value.error) << "\n";
        return kFailed;
    }
    context.out << singleToText(*value) << "\n";
    return kOk;
}

int import(const Options& options, const cli::CommandContext& context) {
    // Read without blocking, and only from a regular file of a sane size.
    auto text = readWholeFile(options.csvFile, kMaxImportBytes);
    if (!text) {
        context.err << "hopscale catalogue import: " << cli::errorMessage(*text.error) << "\n";
        return kFailed;
    }
    const auto dir = dataDir(context);
    if (!dir) return kFailed;
    const ImportOutcome outcome = importCatalogueCsv(*text, options.csvFile, *dir, options.replace);
    if (!outcome.problems.empty()) {
        for (const CatalogueProblem& p : outcome.problems) {
            context.err << "hopscale catalogue import: " << printableText(p.text()) << "\n";
        }
        if (outcome.written.empty()) {
            context.err << "hopscale catalogue import: nothing was imported; no file was changed\n";
        } else {
            context.err << "hopscale catalogue import: stopped part way; replaced already:";
            for (const std::string& file : outcome.written)
                context.err << " " << printableText(file);
            context.err << "\n";
        }
        return kFailed;
    }
    context.out << "Wrote " << outcome.written.size() << " files into "
                << printableText(displayPath(*dir)) << "; the catalogue holds " << outcome.lineTypes
                << " line types.\n";
    return kOk;
}

int check(const cli::CommandContext& context) {
    const auto dir = dataDir(context);
    if (!dir) return kFailed;
    auto problems = checkDataDir(*dir);
    for (FileProblem& p : checkSavedInputsFile(*dir)) problems.push_back(std::move(p));
    for (const CatalogueProblem& p : problems) context.out << printableText(p.text()) << "\n";
    if (!problems.empty()) {
        context.out << problems.size() << (problems.size() == 1 ? " problem" : " problems")
                    << " found in " << printableText(displayPath(*dir)) << "\n";
        return kFailed;
    }
    context.out << "No problems found in " << printableText(displayPath(*dir)) << "\n";
    return kOk;
}

// The subcommands of `catalogue` on its app; returns the action that runs the one named.
cli::CommandAction defineCatalogue(CLI::App& app) {
    auto options = std::make_shared<Options>();
    app.footer(kFooter);
    app.require_subcommand(1);

    CLI::App* offerCmd =
        app.add_subcommand("offer", "Print the line types offered for a frequency, one per line");
    offerCmd
        ->add_option("--freq", options->frequency,
                     "Frequency in GHz, read as the start screen reads it")
        ->type_name("TEXT")
        ->required();

    CLI::App* lookupCmd =
        app.add_subcommand("lookup", "Print the attenuation of a line type in dB per 100 ft");
    lookupCmd->add_flag("--rx", options->rx,
                        "Use the receive side's rules (strict reading at a table point)");
    lookupCmd->add_option("--freq", options->frequency, "Frequency in GHz")
        ->type_name("TEXT")
        ->required();
    lookupCmd->add_option("NAME", options->name, "Line-type name")->required();

    CLI::App* importCmd = app.add_subcommand(
        "import",
        "Write the catalogue files from a CSV: name,low_ghz,high_ghz,freq_ghz,db_per_100ft");
    importCmd->add_option("FILE", options->csvFile, "CSV file, one row per table point")
        ->required();
    importCmd->add_flag("--replace", options->replace,
                        "Write only the imported line types (default: merge into the catalogue)");

    app.add_subcommand("check", "Report every problem of the data directory's files");

    return [options, offerCmd, lookupCmd, importCmd](const cli::CommandContext& context) {
        if (offerCmd->parsed()) return offer(*options, context);
        if (lookupCmd->parsed()) return lookup(*options, context);
        if (importCmd->parsed()) return import(*options, context);
        return check(context);
    };
}

}  // namespace

cli::CommandDefinition catalogueCommand() {
    return {"catalogue", "The transmission-line catalogue: offer, look up, import and check",
            defineCatalogue};
}

}  // namespace hopscale
