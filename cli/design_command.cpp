#include "design_command.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "calc_command.h"
#include "cli_common.h"
#include "data_dir.h"
#include "data_file.h"
#include "design_file.h"
#include "exit_status.h"
#include "performance_options.h"
#include "profile_export.h"
#include "profile_text.h"
#include "result_rows.h"

namespace hopscale {
namespace {

using Json = nlohmann::ordered_json;
using design::End;

struct Options {
    std::string file;
    bool json = false;
    std::string csvFile;
    std::string svgFile;
    std::string pdfFile;
    bool force = false;
};

// "KEY: message" for an error that arose in a design, else the message.
std::string keyedMessage(const Error& e) {
    const std::string message = cli::errorMessage(e);
    if (e.key.empty() || e.file.size() > 0) return message;
    return e.key + ": " + message;
}

int fail(const cli::CommandContext& context, const char* command, const Error& e) {
    context.err << "hopscale design " << command << ": " << keyedMessage(e) << "\n";
    return cli::kExitFailed;
}

Json directionJson(const design::DirectionStudy& d) {
    Json j;
    j["from"] = d.fromName;
    j["to"] = d.toName;
    j["results"] = calcResultsJson(d.budget, d.state.results);
    j["performance"] = d.performance ? cli::performanceJson(*d.performance) : Json();
    return j;
}

Json modesJson(const std::vector<design::TwoWay::Mode>& modes) {
    Json out = Json::array();
    for (const auto& m : modes) {
        out.push_back(Json{{"name", m.name},
                           {"outagePercent", m.outagePercent},
                           {"availabilityPercent", m.availabilityPercent}});
    }
    return out;
}

Json twoWayJson(const design::LinkDesign& designed, const design::TwoWay& t) {
    const design::SiteDesign& x = designed.site(t.worse);
    const design::SiteDesign& y = designed.site(design::other(t.worse));
    return Json{{"outagePercent", t.outagePercent},
                {"availabilityPercent", t.availabilityPercent},
                {"outageMinutesPerYear", t.outageMinutesPerYear},
                {"worseDirection", x.name + " to " + y.name},
                {"targetPercent", t.targetPercent},
                {"targetMet", t.targetMet},
                {"modes", modesJson(t.modes)}};
}

}  // namespace

nlohmann::ordered_json designReportJson(const design::LinkDesign& designed,
                                        const design::LinkStudy& study) {
    Json doc;
    doc["name"] = study.name;
    Json directions = Json::array();
    for (const design::DirectionStudy& d : study.directions) directions.push_back(directionJson(d));
    doc["directions"] = directions;
    doc["twoWay"] = study.twoWay ? twoWayJson(designed, *study.twoWay) : Json();
    if (study.clearance) {
        doc["profile"] = Json::parse(
            design::profileJson(*study.profile, *study.clearance, *study.propagation, false)
                .dump());
    } else {
        doc["profile"] = nullptr;
    }
    doc["warnings"] = study.warnings;
    return doc;
}

namespace {

int newDesign(const Options& o, const cli::CommandContext& context) {
    std::error_code ec;
    if (!o.force && std::filesystem::exists(o.file, ec)) {
        context.err << "hopscale design new: " << cli::quotedText(o.file)
                    << " already exists; give --force to replace it\n";
        return cli::kExitFailed;
    }
    if (auto e = design::writeDesignFile(o.file, design::exampleDesign())) {
        return fail(context, "new", *e);
    }
    context.out << "Wrote the example design " << printableText(o.file) << "\n";
    return cli::kExitOk;
}

int check(const Options& o, const cli::CommandContext& context) {
    Result<design::LinkDesign> d = design::readDesignFile(o.file);
    if (!d) return fail(context, "check", *d.error);
    context.out << printableText(o.file) << ": a valid design (\"" << printableText(d.value->name)
                << "\", " << printableText(d.value->sites[0].name) << " to "
                << printableText(d.value->sites[1].name) << ")\n";
    return cli::kExitOk;
}

int report(const Options& o, const cli::CommandContext& context) {
    Result<design::LinkDesign> d = design::readDesignFile(o.file);
    if (!d) return fail(context, "report", *d.error);
    design::Environment environment;
    if (auto dir = resolveDataDir(context.global.dataDir)) environment.dataDir = *dir.value;
    Result<design::LinkStudy> study = design::evaluate(*d.value, environment);
    if (!study) return fail(context, "report", *study.error);
    const auto rows = design::resultRows(*d.value, *study.value);

    if (!o.csvFile.empty()) {
        if (auto e = writeFileAtomically(o.csvFile, design::rowsCsv(rows))) {
            return fail(context, "report", *e);
        }
    }
    if (!o.svgFile.empty()) {
        if (!study.value->clearance) {
            context.err << "hopscale design report: --svg needs a profile in the design\n";
            return cli::kExitUsage;
        }
        const auto& propagation = *study.value->propagation;
        const std::string svg = terrain::profileSvg(
            *study.value->profile, *study.value->clearance, &propagation.diffraction,
            propagation.reflection ? &*propagation.reflection : nullptr);
        if (auto e = writeFileAtomically(o.svgFile, svg)) return fail(context, "report", *e);
    }
    if (!o.pdfFile.empty()) {
        const auto& writer = designPdfWriter();
        if (!writer) {
            context.err << "hopscale design report: --pdf is not available in this build\n";
            return cli::kExitFailed;
        }
        if (auto e = writer(o.pdfFile, *d.value, *study.value)) return fail(context, "report", *e);
    }
    if (o.json) {
        context.out << designReportJson(*d.value, *study.value)
                           .dump(2, ' ', false, Json::error_handler_t::replace)
                    << "\n";
    } else {
        context.out << design::rowsTable(rows, "Link design: " + study.value->name);
    }
    return cli::kExitOk;
}

cli::CommandAction defineDesign(CLI::App& app) {
    auto o = std::make_shared<Options>();
    app.require_subcommand(1);
    app.footer(
        "A design file (*.hop) holds one whole link: both sites, the equipment, the path, the\n"
        "conditions and the profile. Exit status: 0 success, 1 a file or calculation error,\n"
        "2 a usage error.\n");
    CLI::App* newCmd = app.add_subcommand("new", "Write a complete example design to FILE");
    newCmd->add_option("FILE", o->file, "The design file to write (*.hop)")->required();
    newCmd->add_flag("--force", o->force, "Replace FILE when it exists");
    CLI::App* checkCmd = app.add_subcommand("check", "Read a design file and report its problems");
    checkCmd->add_option("FILE", o->file, "The design file")->required();
    CLI::App* reportCmd =
        app.add_subcommand("report", "Evaluate both directions of a design and report them");
    reportCmd->add_option("FILE", o->file, "The design file")->required();
    reportCmd->add_flag("--json", o->json, "Print one JSON object instead of a table");
    reportCmd->add_option("--csv", o->csvFile, "Also write every result row as CSV to FILE")
        ->type_name("FILE");
    reportCmd->add_option("--svg", o->svgFile, "Also write the profile drawing as SVG to FILE")
        ->type_name("FILE");
    reportCmd->add_option("--pdf", o->pdfFile, "Also write the printable report as PDF to FILE")
        ->type_name("FILE");
    return [o, newCmd, checkCmd](const cli::CommandContext& context) {
        if (newCmd->parsed()) return newDesign(*o, context);
        if (checkCmd->parsed()) return check(*o, context);
        return report(*o, context);
    };
}

}  // namespace

DesignPdfWriter& designPdfWriter() {
    static DesignPdfWriter writer;
    return writer;
}

cli::CommandDefinition designCommand() {
    return {"design", "Link designs (*.hop): write an example, check one, report both directions",
            defineDesign};
}

}  // namespace hopscale
