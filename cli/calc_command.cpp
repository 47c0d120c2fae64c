#include "calc_command.h"

#include <CLI/CLI.hpp>
#include <array>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli_common.h"
#include "conversions.h"
#include "data_file.h"
#include "equipment.h"
#include "exit_status.h"
#include "fields.h"
#include "front_door.h"
#include "path_record.h"
#include "path_run.h"
#include "performance_options.h"

namespace hopscale {
namespace {

using Json = nlohmann::ordered_json;

// Width of the caption column of the table.
constexpr std::size_t kCaptionWidth = 44;

// What the options fill; the inputs are built from it once the command line is parsed.
struct CalcRequest {
    std::array<std::string, kFieldCount> texts;
    std::array<CLI::Option*, kFieldCount> options{};
    bool km = false;
    bool watts = false;
    bool json = false;
    PathInputs inputs;
    cli::PerformanceOptions performance;  // --threshold and the other link conditions
};

// The help text's closing lines; --help and the README say the same.
constexpr const char* kCalcFooter =
    "Each TEXT is read exactly as the input screen reads its field; an option left out keeps\n"
    "the field's default text.\n"
    "Exit status: 0 success, 1 calculation error, 2 usage error.\n";

std::string optionHelp(const FieldInfo& info) {
    std::string help = std::string(info.control) + " \"" + std::string(info.caption) + "\"";
    help += " (default \"" + std::string(info.defaultText) + "\")";
    return help;
}

// One option per input field, in the order of the fields, with the unit choices after the
// field they qualify.
void defineCalcOptions(CLI::App& app, CalcRequest& request) {
    app.footer(kCalcFooter);
    app.add_flag("--json", request.json, "Print one JSON object instead of a table");
    for (const FieldInfo& info : allFields()) {
        const auto i = static_cast<std::size_t>(info.field);
        request.options[i] =
            app.add_option("--" + std::string(info.option), request.texts[i], optionHelp(info))
                ->type_name("TEXT");
        if (info.field == Field::Text24) {
            app.add_flag("--" + std::string(cli::kKmOption), request.km,
                         "The path length is in kilometres (KM instead of Miles)");
        }
        if (info.field == Field::Text26) {
            app.add_flag("--" + std::string(cli::kWattsOption), request.watts,
                         "The transmitter power is in watts (WATTS instead of DBM)");
        }
    }
    request.performance.define(app);
}

// The inputs from the parsed options: a field whose option was not given keeps its default.
void collectInputs(CalcRequest& request) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (request.options[i]->count() > 0) request.inputs.texts[i] = request.texts[i];
    }
    request.inputs.km = request.km;
    request.inputs.watts = request.watts;
}

Json resultsJson(const RunOutcome& outcome, const PathResults& results) {
    Json object = Json::object();
    for (const ResultInfo& info : allResults()) {
        if (outcome.computed.test(static_cast<std::size_t>(info.id))) {
            object[info.name] = singleToText(results.*info.member);
        }
    }
    return object;
}

// The numeric inputs as the calculation read them; complete only after a successful run.
Json valuesJson(const PathValues& v) {
    return Json{
        {"txLineLossPer100Ft", singleToText(v.txLineLossPer100Ft)},
        {"txDishDiameter", singleToText(v.txDishDiameter)},
        {"rxDishDiameter", singleToText(v.rxDishDiameter)},
        {"frequencyGHz", singleToText(v.frequencyGHz)},
        {"earthFactor", singleToText(v.earthFactor)},
        {"ampGain", integerToText(v.ampGain)},
        {"txLineLength", singleToText(v.txLineLength)},
        {"rxLineLength", singleToText(v.rxLineLength)},
        {"preampGain", singleToText(v.preampGain)},
        {"fadeMargin", singleToText(v.fadeMargin)},
        {"fromLatitude", singleToText(v.fromLatitude)},
        {"fromLongitude", singleToText(v.fromLongitude)},
        {"toLatitude", singleToText(v.toLatitude)},
        {"toLongitude", singleToText(v.toLongitude)},
    };
}

Json capturedJson(const CapturedValues& c, bool km) {
    Json object{
        {"fromLatitudeText", c.fromLatitudeText}, {"fromLongitudeText", c.fromLongitudeText},
        {"toLatitudeText", c.toLatitudeText},     {"toLongitudeText", c.toLongitudeText},
        {"pathLengthText", c.pathLengthText},
    };
    if (km) object["kmPathLengthInMiles"] = singleToText(c.kmPathLengthInMiles);
    object["dbmSelected"] = c.dbmSelected;
    object["wattsSelected"] = c.wattsSelected;
    return object;
}

void printJson(const CalcRequest& request, const PathState& state, const RunOutcome& outcome,
               const cli::PerformanceOutcome& performance, std::ostream& out) {
    Json doc;
    doc["name"] = request.inputs[Field::Text11];
    doc["results"] = resultsJson(outcome, state.results);
    if (outcome.error) {
        Json error{{"kind", kindName(outcome.error->kind)}};
        if (outcome.error->field) error["field"] = fieldInfo(*outcome.error->field).control;
        doc["error"] = std::move(error);
        doc["errorMessage"] = outcome.error->message();
    } else {
        doc["inputs"] = valuesJson(state.values);
    }
    doc["captured"] = capturedJson(state.captured, request.inputs.km);
    doc["pathLengthField"] = outcome.pathLengthField;
    doc["eirpWarning"] = state.eirpWarning;
    if (performance.performance) {
        doc["performance"] = cli::performanceJson(*performance.performance);
    }
    if (performance.performance && request.performance.equipment().any()) {
        doc["equipment"] =
            cli::equipmentJson(request.performance.equipment(), performance.equipmentWarnings);
    }
    if (performance.error) {
        doc["performanceError"] = Json{{"kind", kindName(performance.error->kind)},
                                       {"input", performance.error->input},
                                       {"message", performance.error->message()}};
    }
    // Field texts are bytes of the input as typed; replace what is not UTF-8 rather than fail.
    out << doc.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

void printRow(std::ostream& out, std::string_view label, const std::string& value) {
    out << "  " << label;
    for (std::size_t n = label.size(); n < kCaptionWidth; ++n) out << ' ';
    out << ' ' << value << '\n';
}

// The table a person reads: the results with their results-screen captions, then the
// intermediate values under their names. Only what this run computed is shown.
void printTable(const CalcRequest& request, const PathState& state, const RunOutcome& outcome,
                std::ostream& out) {
    const bool coordinatesGiven = state.captured.fromLatitudePacked != 0;
    out << "Path Name: " << printableText(request.inputs[Field::Text11]) << "\n\n";
    bool anyIntermediate = false;
    for (const ResultInfo& info : allResults()) {
        const std::string value = cli::resultText(outcome, state.results, info);
        if (value.empty()) continue;
        if (info.resultsCaption[0] == '\0') {
            anyIntermediate = true;
            continue;
        }
        if (info.id == ResultId::coordinateDistance) {
            // Zero here means "no coordinates"; the typed length is shown instead.
            if (coordinatesGiven) printRow(out, "Distance Miles (from coordinates)", value);
            continue;
        }
        printRow(out, info.resultsCaption, value);
    }
    if (anyIntermediate) {
        out << "Intermediate values:\n";
        for (const ResultInfo& info : allResults()) {
            if (info.resultsCaption[0] != '\0') continue;
            const std::string value = cli::resultText(outcome, state.results, info);
            if (!value.empty()) printRow(out, info.name, value);
        }
    }
    if (!state.eirpWarning.empty()) out << state.eirpWarning << '\n';
}

// The dish diameters of the antennas chosen from the library, as the library writes them; a
// usage error when a dish option is typed as well.
std::optional<int> applyAntennas(CalcRequest& request, std::ostream& err) {
    const cli::EquipmentUse& use = request.performance.equipment();
    const struct {
        const std::optional<AntennaRecord>& antenna;
        Field field;
        const char* option;
    } ends[] = {{use.txAntennaRecord, Field::Text1, "--antenna"},
                {use.rxAntennaRecord, Field::Text3, "--antenna or --rx-antenna"}};
    for (const auto& e : ends) {
        if (!e.antenna) continue;
        const auto i = static_cast<std::size_t>(e.field);
        if (request.options[i]->count() > 0) {
            err << "hopscale calc: --" << fieldInfo(e.field).option << " and " << e.option
                << " both give the dish diameter; give only one\n";
            return cli::kExitUsage;
        }
        request.inputs.texts[i] = e.antenna->cells[1];
    }
    return std::nullopt;
}

int runCalc(CalcRequest& request, const std::optional<std::string>& dataDir, std::ostream& out,
            std::ostream& err) {
    collectInputs(request);
    if (auto status = request.performance.check("hopscale calc", err, dataDir)) return *status;
    if (request.performance.requested()) {
        if (auto status = applyAntennas(request, err)) return *status;
    }
    PathState state;
    const RunOutcome outcome = runPath(request.inputs, state);
    // The link performance follows a successful budget when --threshold is given.
    cli::PerformanceOutcome performance;
    if (request.performance.requested()) {
        performance = cli::computePerformance(state, outcome, request.performance.conditions());
        if (performance.performance) {
            performance.equipmentWarnings =
                cli::equipmentWarnings(request.performance.equipment(), state);
        }
    }

    if (request.json) {
        printJson(request, state, outcome, performance, out);
    } else {
        printTable(request, state, outcome, out);
        if (performance.performance) {
            cli::writePerformanceTable(out, *performance.performance, kCaptionWidth);
        }
        for (const std::string& warning : performance.equipmentWarnings) {
            err << "hopscale calc: warning: " << warning << '\n';
        }
        if (outcome.error) {
            err << "hopscale calc: " << cli::errorMessage(*outcome.error) << '\n';
        }
    }
    if (performance.error) {
        err << "hopscale calc: " << cli::errorMessage(*performance.error) << '\n';
    }
    return outcome.ok() && !performance.error ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

cli::CommandDefinition calcCommand() {
    return {"calc", "Calculate the link budget of one path (a table, or JSON with --json)",
            [](CLI::App& app) -> cli::CommandAction {
                auto request = std::make_shared<CalcRequest>();
                defineCalcOptions(app, *request);
                return [request](const cli::CommandContext& context) {
                    return runCalc(*request, context.global.dataDir, context.out, context.err);
                };
            }};
}

int runCalcCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    cli::FrontDoor door;
    addAllCommands(door);
    std::vector<char*> args{const_cast<char*>("hopscale")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    return door.run(static_cast<int>(args.size()) - 1, args.data(), out, err);
}

nlohmann::ordered_json calcResultsJson(const RunOutcome& outcome, const PathResults& results) {
    return resultsJson(outcome, results);
}

}  // namespace hopscale
