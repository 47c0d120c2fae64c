#include "equipment_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "cli_common.h"
#include "conversions.h"
#include "data_dir.h"
#include "data_file.h"
#include "equipment.h"
#include "exit_status.h"

namespace hopscale {
namespace {

constexpr std::size_t kMaxImportBytes = 16u << 20;

constexpr const char* kFooter =
    "radios.csv columns: radio, mode, capacity_mbps, threshold_dbm (required), max_power_dbm,\n"
    "c0_i_db, signature_w_mhz, signature_b_db, signature_tau_ns (both phases) or\n"
    "signature_min_* and signature_nonmin_* (each phase); one row per mode.\n"
    "antennas.csv columns: antenna, diameter_ft (required), gain_dbi, xpd_db.\n"
    "The data directory is --data-dir DIR, else $HOPSCALE_HOME, else\n"
    "$XDG_DATA_HOME/hopscale or ~/.local/share/hopscale.\n"
    "Exit status: 0 success, 1 failure (every message names the file), 2 usage error.\n";

struct Options {
    std::string csvFile;
    bool replace = false;
};

std::optional<std::filesystem::path> dataDir(const cli::CommandContext& context) {
    auto dir = resolveDataDir(context.global.dataDir);
    if (!dir) {
        context.err << "hopscale equipment: " << cli::errorMessage(*dir.error) << "\n";
        return std::nullopt;
    }
    return *dir;
}

int import(const Options& options, const cli::CommandContext& context) {
    auto text = readWholeFile(options.csvFile, kMaxImportBytes);
    if (!text) {
        context.err << "hopscale equipment import: " << cli::errorMessage(*text.error) << "\n";
        return cli::kExitFailed;
    }
    const auto dir = dataDir(context);
    if (!dir) return cli::kExitFailed;
    const EquipmentImport outcome =
        importEquipmentCsv(*text, options.csvFile, *dir, options.replace);
    if (!outcome.problems.empty()) {
        for (const FileProblem& p : outcome.problems) {
            context.err << "hopscale equipment import: " << printableText(p.text()) << "\n";
        }
        context.err << "hopscale equipment import: nothing was imported; no file was changed\n";
        return cli::kExitFailed;
    }
    context.out << "Wrote " << printableText(outcome.written) << "; it holds " << outcome.records
                << (outcome.radios ? (outcome.records == 1 ? " radio" : " radios")
                                   : (outcome.records == 1 ? " antenna" : " antennas"))
                << ".\n";
    return cli::kExitOk;
}

std::string optionalText(const std::optional<double>& v) {
    return v ? doubleToText(*v) : std::string("-");
}

int list(const cli::CommandContext& context) {
    const auto dir = dataDir(context);
    if (!dir) return cli::kExitFailed;
    Result<EquipmentLibrary> library = loadEquipment(*dir);
    if (!library) {
        context.err << "hopscale equipment list: " << cli::errorMessage(*library.error) << "\n";
        return cli::kExitFailed;
    }
    context.out << "Radios (" << library.value->radios.size() << "):\n";
    for (const RadioRecord& r : library.value->radios) {
        context.out << "  " << printableText(r.name) << "\n";
        for (const RadioModeRecord& m : r.modes) {
            context.out << "    " << printableText(m.mode) << ": " << doubleToText(m.capacityMbps)
                        << " Mbit/s, threshold " << doubleToText(m.thresholdDbm)
                        << " dBm, max power " << optionalText(m.maxPowerDbm) << " dBm, C0/I "
                        << optionalText(m.c0iDb) << " dB, signature "
                        << (m.signatureMinimum || m.signatureNonMinimum ? "given" : "-") << "\n";
        }
    }
    context.out << "Antennas (" << library.value->antennas.size() << "):\n";
    for (const AntennaRecord& a : library.value->antennas) {
        context.out << "  " << printableText(a.name) << ": " << doubleToText(a.diameterFt)
                    << " ft, gain " << optionalText(a.gainDbi) << " dBi, XPD "
                    << optionalText(a.xpdDb) << " dB\n";
    }
    return cli::kExitOk;
}

int check(const cli::CommandContext& context) {
    const auto dir = dataDir(context);
    if (!dir) return cli::kExitFailed;
    const std::vector<FileProblem> problems = checkEquipment(*dir);
    for (const FileProblem& p : problems) context.out << printableText(p.text()) << "\n";
    if (!problems.empty()) {
        context.out << problems.size() << (problems.size() == 1 ? " problem" : " problems")
                    << " found in the equipment of " << printableText(displayPath(*dir)) << "\n";
        return cli::kExitFailed;
    }
    context.out << "No problems found in the equipment of " << printableText(displayPath(*dir))
                << "\n";
    return cli::kExitOk;
}

cli::CommandAction defineEquipment(CLI::App& app) {
    auto options = std::make_shared<Options>();
    app.footer(kFooter);
    app.require_subcommand(1);
    CLI::App* importCmd = app.add_subcommand(
        "import", "Import radios or antennas from a CSV (the header's first column says which)");
    importCmd->add_option("FILE", options->csvFile, "CSV file with a header line")->required();
    importCmd->add_flag("--replace", options->replace,
                        "Write only the imported records (default: merge by name)");
    CLI::App* listCmd =
        app.add_subcommand("list", "Print the radios with their modes, and the antennas");
    app.add_subcommand("check", "Report every problem of radios.csv and antennas.csv");
    return [options, importCmd, listCmd](const cli::CommandContext& context) {
        if (importCmd->parsed()) return import(*options, context);
        if (listCmd->parsed()) return list(context);
        return check(context);
    };
}

}  // namespace

cli::CommandDefinition equipmentCommand() {
    return {"equipment", "The radios and antennas of the equipment library: import, list, check",
            defineEquipment};
}

}  // namespace hopscale
