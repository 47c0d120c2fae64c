#include "calc_command.h"

#include <CLI/CLI.hpp>
#include <array>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli_common.h"
#include "conversions.h"
#include "fields.h"
#include "path_record.h"
#include "path_run.h"

namespace hopscale {
namespace {

using Json = nlohmann::ordered_json;

// Width of the caption column of the table.
constexpr std::size_t kCaptionWidth = 44;

struct CalcRequest {
    PathInputs inputs;
    bool json = false;
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

// Parses the options into `request`. Returns an exit status when the command must stop here
// (help shown, or a usage error reported on `err`).
std::optional<int> parseCalcOptions(int argc, char** argv, CalcRequest& request, std::ostream& out,
                                    std::ostream& err) {
    CLI::App app{"Calculate the link budget of one path.", "hopscale calc"};
    app.footer(kCalcFooter);
    app.add_flag("--json", request.json, "Print one JSON object instead of a table");

    std::array<std::string, kFieldCount> texts;
    std::array<CLI::Option*, kFieldCount> options{};
    bool km = false;
    bool watts = false;
    for (const FieldInfo& info : allFields()) {
        const auto i = static_cast<std::size_t>(info.field);
        options[i] = app.add_option("--" + std::string(info.option), texts[i], optionHelp(info))
                         ->type_name("TEXT");
        if (info.field == Field::Text24) {
            app.add_flag("--" + std::string(cli::kKmOption), km,
                         "The path length is in kilometres (KM instead of Miles)");
        }
        if (info.field == Field::Text26) {
            app.add_flag("--" + std::string(cli::kWattsOption), watts,
                         "The transmitter power is in watts (WATTS instead of DBM)");
        }
    }

    // "--opt=" gives the field an empty text, as "--opt ''" does; the parser would otherwise
    // take it for a missing value.
    std::vector<std::string> args;
    for (int i = argc - 1; i >= 1; --i) {
        const std::string_view arg = argv[i];
        if (arg.size() > 3 && arg.substr(0, 2) == "--" && arg.back() == '=' &&
            arg.find('=') == arg.size() - 1) {
            args.emplace_back();
            args.emplace_back(arg.substr(0, arg.size() - 1));
        } else {
            args.emplace_back(arg);
        }
    }
    try {
        app.parse(args);  // expects the arguments in reverse order
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        return cli::kExitUsage;
    }

    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (options[i]->count() > 0) request.inputs.texts[i] = texts[i];
    }
    request.inputs.km = km;
    request.inputs.watts = watts;
    return std::nullopt;
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
               std::ostream& out) {
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
    out << "Path Name: " << request.inputs[Field::Text11] << "\n\n";
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

}  // namespace

int runCalcCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CalcRequest request;
    if (auto status = parseCalcOptions(argc, argv, request, out, err)) return *status;

    PathState state;
    const RunOutcome outcome = runPath(request.inputs, state);

    if (request.json) {
        printJson(request, state, outcome, out);
    } else {
        printTable(request, state, outcome, out);
        if (outcome.error) err << "hopscale calc: " << outcome.error->message() << '\n';
    }
    out.flush();
    return outcome.ok() ? cli::kExitOk : cli::kExitFailed;
}

int runCalcCommand(int argc, char** argv) {
    return runCalcCommand(argc, argv, std::cout, std::cerr);
}

}  // namespace hopscale
