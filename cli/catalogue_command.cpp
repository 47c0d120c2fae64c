#include "catalogue_command.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "catalogue.h"
#include "catalogue_tools.h"
#include "conversions.h"
#include "data_dir.h"
#include "data_file.h"

namespace hopscale {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kFooter =
    "The data directory is --data-dir DIR, else $HOPSCALE_HOME, else\n"
    "$XDG_DATA_HOME/hopscale or ~/.local/share/hopscale; a new, empty one receives the\n"
    "shipped catalogue.\n"
    "Exit status: 0 success, 1 failure (every message names the file), 2 usage error.\n";

struct Options {
    std::optional<std::string> dataDir;
    std::string frequency;
    std::string name;
    bool rx = false;
    std::string csvFile;
    bool replace = false;
};

void addDataDirOption(CLI::App& app, Options& options) {
    app.add_option_function<std::string>(
           "--data-dir", [&options](const std::string& dir) { options.dataDir = dir; },
           "The data directory")
        ->type_name("DIR");
}

std::optional<std::filesystem::path> dataDir(const Options& options) {
    auto dir = resolveDataDir(options.dataDir);
    if (!dir) {
        std::cerr << "hopscale catalogue: " << dir.error->message() << "\n";
        return std::nullopt;
    }
    return *dir;
}

int offer(const Options& options) {
    const auto dir = dataDir(options);
    if (!dir) return kFailed;
    Catalogue catalogue;
    auto names = offerLineTypes(*dir / kIndexFileName, [&] { return options.frequency; }, catalogue);
    if (!names) {
        std::cerr << "hopscale catalogue offer: " << names.error->message() << "\n";
        return kFailed;
    }
    for (const std::string& name : *names) std::cout << name << "\n";
    return kOk;
}

int lookup(const Options& options) {
    const auto dir = dataDir(options);
    if (!dir) return kFailed;
    AttenuationTable table;
    auto value = options.rx ? lookupRxAttenuation(*dir, options.name, options.frequency, table)
                            : lookupTxAttenuation(*dir, options.name, options.frequency, table);
    if (!value) {
        std::cerr << "hopscale catalogue lookup: " << value.error->message() << "\n";
        return kFailed;
    }
    std::cout << singleToText(*value) << "\n";
    return kOk;
}

int import(const Options& options) {
    std::ifstream in(options.csvFile, std::ios::binary);
    if (!in) {
        std::cerr << "hopscale catalogue import: " << options.csvFile << ": cannot be opened\n";
        return kFailed;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const auto dir = dataDir(options);
    if (!dir) return kFailed;
    const ImportOutcome outcome = importCatalogueCsv(text.str(), options.csvFile, *dir, options.replace);
    if (!outcome.problems.empty()) {
        for (const CatalogueProblem& p : outcome.problems) {
            std::cerr << "hopscale catalogue import: " << p.text() << "\n";
        }
        std::cerr << "hopscale catalogue import: nothing was imported";
        if (outcome.written.empty()) std::cerr << "; no file was changed";
        std::cerr << "\n";
        return kFailed;
    }
    std::cout << "Wrote " << outcome.written.size() << " files into " << dir->string()
              << "; the catalogue holds " << outcome.lineTypes << " line types.\n";
    return kOk;
}

int check(const Options& options) {
    const auto dir = dataDir(options);
    if (!dir) return kFailed;
    const auto problems = checkDataDir(*dir);
    for (const CatalogueProblem& p : problems) std::cout << p.text() << "\n";
    if (!problems.empty()) {
        std::cout << problems.size() << (problems.size() == 1 ? " problem" : " problems")
                  << " found in " << dir->string() << "\n";
        return kFailed;
    }
    std::cout << "No problems found in " << dir->string() << "\n";
    return kOk;
}

}  // namespace

int runCatalogueCommand(int argc, char** argv) {
    Options options;
    CLI::App app{"The transmission-line catalogue: offer, look up, import and check.",
                 "hopscale catalogue"};
    app.footer(kFooter);
    app.require_subcommand(1);
    addDataDirOption(app, options);

    CLI::App* offerCmd = app.add_subcommand("offer", "Print the line types offered for a frequency, one per line");
    offerCmd->add_option("--freq", options.frequency, "Frequency in GHz, read as the start screen reads it")
        ->type_name("TEXT")->required();
    addDataDirOption(*offerCmd, options);

    CLI::App* lookupCmd = app.add_subcommand("lookup", "Print the attenuation of a line type in dB per 100 ft");
    lookupCmd->add_flag("--rx", options.rx, "Use the receive side's rules (strict reading at a table point)");
    lookupCmd->add_option("--freq", options.frequency, "Frequency in GHz")->type_name("TEXT")->required();
    lookupCmd->add_option("NAME", options.name, "Line-type name")->required();
    addDataDirOption(*lookupCmd, options);

    CLI::App* importCmd = app.add_subcommand(
        "import", "Write the catalogue files from a CSV: name,low_ghz,high_ghz,freq_ghz,db_per_100ft");
    importCmd->add_option("FILE", options.csvFile, "CSV file, one row per table point")->required();
    importCmd->add_flag("--replace", options.replace,
                        "Write only the imported line types (default: merge into the catalogue)");
    addDataDirOption(*importCmd, options);

    CLI::App* checkCmd = app.add_subcommand("check", "Report every problem of the data directory's files");
    addDataDirOption(*checkCmd, options);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }
    if (offerCmd->parsed()) return offer(options);
    if (lookupCmd->parsed()) return lookup(options);
    if (importCmd->parsed()) return import(options);
    return check(options);
}

}  // namespace hopscale
