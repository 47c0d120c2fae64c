// The one list of a hop's performance values and its writers: every batch column filled once,
// the report's rows keyed uniquely and without the parts a hop does not have, CSV cells quoted,
// the table leaving out what a model does not give, and a judged profile's texts.
#include "performance_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "profile_text.h"
#include "result_rows.h"

namespace hopscale::design {
namespace {

using propagation::LinkPerformance;

propagation::ModeOutage mode(const std::string& name, double capacity, double outage) {
    propagation::ModeOutage m;
    m.mode.name = name;
    m.mode.capacityMbps = capacity;
    m.mode.thresholdDbm = -80;
    m.fadeMarginDb = 30;
    m.availabilityPercent = 100 - outage;
    m.outagePercent = outage;
    return m;
}

// A hop with every part: coordinates, rain with a flag, P.530 from the maps, two modes with
// diversity and cross-polar outage.
LinkPerformance everyPart() {
    LinkPerformance p;
    p.pathKm = 45;
    p.geodesic = propagation::GeodesicResult{45.01, 120.5, 300.5, -3.2, -0.007};
    p.gasDbPerKm = 0.0095;
    p.gasDb = 0.43;
    p.rslDbm = -50;
    p.thresholdDbm = -80;
    p.flatFadeMarginDb = 30;
    propagation::RainResult rain;
    rain.k = 0.0005;
    rain.alpha = 1.57;
    rain.dbPerKm = 0.17;
    rain.r = 0.31;
    rain.a001Db = 2.47;
    rain.outagePercent = 0.0001;
    rain.source = "R0.01 42 mm/h, zone K";
    rain.flags = {"outage outside the method's range (0.001 to 1 %)"};
    p.rain = rain;
    p.multipath.method = "ITU-R P.530-18 multipath";
    p.multipath.worstMonthPercent = 0.07;
    p.multipath.annualPercent = 0.016;
    p.multipath.fromMaps = true;
    p.multipath.geoclimaticK = 1e-5;
    p.multipath.dN75 = 40;
    p.outagePercent = 0.016;
    p.availabilityPercent = 99.984;
    p.outageMinutesPerYear = 84;
    p.target.percent = 99.999;
    p.target.requiredMarginDb = 37.07;
    p.flags = {"a flag with \"quotes\", and a comma"};
    p.models = {"ITU-R P.676-13", "ITU-R P.838-3"};
    p.outage.extended = true;
    p.outage.modes = {mode("QPSK", 90, 1.3e-6), mode("128QAM", 310, 0.01)};
    p.outage.modes[0].flags = {"rain cross-polar outage: n below -3", "selective: no signature"};
    propagation::OutageParts& parts = p.outage.modes[0].parts;
    parts.nonSelective = 1e-6;
    parts.selective = 2e-7;
    parts.xpd = propagation::ClearAirXpd{};
    parts.xpd->fraction = 3e-8;
    parts.diversity = propagation::DiversityOutage{};
    parts.diversity->improvement = 40;
    parts.diversity->fraction = 4e-8;
    parts.clearAirWorstMonthPercent = 1e-4;
    parts.clearAirYearPercent = 2e-5;
    parts.rainPercent = 1e-4;
    parts.xpr = propagation::PrecipitationXpd{};
    parts.rainYearPercent = 1.2e-4;
    p.outage.meanCapacityMbps = 300;
    p.outage.targetMode = 0;
    return p;
}

// The visit's fields for some views, by key.
std::vector<std::pair<std::string, PerformanceValue>> visit(const LinkPerformance& p,
                                                            unsigned views) {
    std::vector<std::pair<std::string, PerformanceValue>> out;
    forEachPerformanceValue(p, views, [&](const PerformanceField& f, PerformanceValue&& v) {
        out.emplace_back(std::string(f.key), std::move(v));
    });
    return out;
}

TEST(performance_rows, every_batch_column_is_filled_once_under_its_own_name) {
    std::map<int, std::string> filled;
    forEachPerformanceValue(
        everyPart(), kInColumns, [&](const PerformanceField& f, PerformanceValue&&) {
            ASSERT_GE(f.column, 0) << f.key << " is shown in the columns without one";
            EXPECT_TRUE(filled.emplace(f.column, std::string(f.key)).second)
                << f.key << " fills column " << f.column << " again";
        });
    std::vector<std::string> names = performanceColumnNames();
    names.insert(names.end(), outageColumnNames().begin(), outageColumnNames().end());
    // Every column but the two the caller writes (the error kind, the equipment warnings).
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (names[c] == "performanceError" || names[c] == "equipmentWarnings") continue;
        ASSERT_TRUE(filled.count(static_cast<int>(c))) << names[c] << " is never filled";
        EXPECT_EQ(filled[static_cast<int>(c)], names[c]);
    }
    std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size());
}

TEST(performance_rows, a_row_of_cells_has_every_column_and_quotes_what_needs_it) {
    const LinkPerformance p = everyPart();
    std::string line;
    appendPerformanceCells(line, p, true, {"warning, one"});
    // Count the cells: commas outside quotes.
    std::size_t cells = 0;
    bool quoted = false;
    for (char ch : line) {
        if (ch == '"') quoted = !quoted;
        if (ch == ',' && !quoted) ++cells;
    }
    EXPECT_EQ(cells, performanceColumnNames().size() + outageColumnNames().size());
    EXPECT_NE(line.find(",\"R0.01 42 mm/h, zone K\","), std::string::npos) << line;
    EXPECT_NE(line.find(",\"a flag with \"\"quotes\"\", and a comma\","), std::string::npos)
        << line;
    EXPECT_NE(line.find(",QPSK 99.9999987; 128QAM 99.99,"), std::string::npos) << line;
    EXPECT_TRUE(line.ends_with(",\"warning, one\"")) << line;

    std::string without;
    appendPerformanceCells(without, p, false, {});
    EXPECT_EQ(std::count(without.begin(), without.end(), ','),
              std::count(line.begin(), line.begin() + static_cast<long>(without.size()), ','));
    EXPECT_TRUE(without.ends_with(",")) << "the empty performanceError cell";
}

TEST(performance_rows, a_value_that_is_not_finite_is_nan_in_the_performance_columns_only) {
    LinkPerformance p = everyPart();
    p.gasDb = std::nan("");
    p.outage.modes[0].parts.clearAirYearPercent = std::nan("");
    std::string line;
    appendPerformanceCells(line, p, true, {});
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (char ch : line.substr(1) + ",") {
        if (ch == '"') quoted = !quoted;
        if (ch == ',' && !quoted) {
            cells.push_back(cell);
            cell.clear();
        } else {
            cell += ch;
        }
    }
    std::vector<std::string> names = performanceColumnNames();
    names.insert(names.end(), outageColumnNames().begin(), outageColumnNames().end());
    ASSERT_EQ(cells.size(), names.size());
    auto at = [&](const std::string& name) {
        return cells[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                              names.begin())];
    };
    EXPECT_EQ(at("gasDb"), "nan");
    EXPECT_EQ(at("clearAirAnnualPercent"), "");
    EXPECT_EQ(at("rainAnnualPercent"), "0.00012");
}

TEST(performance_rows, the_report_has_no_rain_rows_without_rain_and_keys_are_unique) {
    LinkPerformance p = everyPart();
    std::set<std::string> keys;
    for (const auto& [key, value] : visit(p, kInReport)) {
        EXPECT_TRUE(keys.insert(key).second) << key << " twice in the report";
    }
    EXPECT_TRUE(keys.count("rainSource") && keys.count("modes[1].availabilityPercent"));
    EXPECT_FALSE(keys.count("geodesicKm")) << "the sites show the geodesic";

    p.rain.reset();
    p.outage.extended = false;
    for (const auto& [key, value] : visit(p, kInReport)) {
        EXPECT_EQ(key.rfind("rain", 0), std::string::npos) << key;
        EXPECT_EQ(key.rfind("modes", 0), std::string::npos) << key;
    }
    // The columns keep their places: nothing, not absent.
    const auto columns = visit(p, kInColumns);
    EXPECT_TRUE(std::any_of(columns.begin(), columns.end(), [](const auto& c) {
        return c.first == "rainK" && std::holds_alternative<std::monostate>(c.second);
    }));
}

TEST(performance_rows, report_rows_carry_the_notes_and_the_precision_of_their_value) {
    const LinkDesign design;
    LinkStudy study;
    DirectionStudy d;
    d.fromName = "A";
    d.toName = "B";
    d.performance = everyPart();
    study.directions = {d};
    std::map<std::string, ResultRow> rows;
    for (ResultRow& r : resultRows(design, study)) rows[r.key] = r;
    ASSERT_TRUE(rows.count("ab.rainSource"));
    EXPECT_EQ(rows["ab.rainSource"].flags, everyPart().rain->flags);
    EXPECT_EQ(rowText(rows["ab.availabilityPercent"]), "99.984000");
    EXPECT_EQ(rowText(rows["ab.modes[0].availabilityPercent"]), "99.99999870");
    EXPECT_EQ(rowText(rows["ab.targetMode"]), "QPSK");
    EXPECT_EQ(rows["ab.flags"].caption, "Flags");
}

TEST(performance_rows, the_table_leaves_out_what_a_model_does_not_give) {
    LinkPerformance p = everyPart();
    p.geodesic.reset();
    p.multipath.worstMonthPercent.reset();
    std::ostringstream out;
    writePerformanceTable(out, p, 30);
    const std::string table = out.str();
    EXPECT_EQ(table.find("Geodesic length"), std::string::npos);
    EXPECT_EQ(table.find("Multipath worst month"), std::string::npos);
    auto row = [](const std::string& caption, const std::string& value) {
        return "  " + caption + std::string(30 - caption.size() + 1, ' ') + value + "\n";
    };
    EXPECT_NE(table.find(row("Outage minutes a year", "84")), std::string::npos) << table;
    EXPECT_NE(table.find(row("Outage flag", "selective: no signature")), std::string::npos);
    EXPECT_NE(table.find("Modes:\n  QPSK: 90 Mbit/s, threshold -80 dBm"), std::string::npos);
    EXPECT_TRUE(table.ends_with("Models:\n  ITU-R P.676-13\n  ITU-R P.838-3\n")) << table;
}

TEST(performance_rows, numbers_as_text) {
    EXPECT_EQ(numberText(-0.001, 2), "0.00");
    EXPECT_EQ(numberText(-0.01, 2), "-0.01");
    EXPECT_EQ(numberText(0.1 + 0.2, -1), "0.30000000000000004");
    EXPECT_EQ(availabilityDecimals(0.000644), 6);
    EXPECT_EQ(availabilityDecimals(1.3e-7), 9);
    EXPECT_EQ(availabilityDecimals(0), 6);
    EXPECT_EQ(availabilityDecimals(1e-30), 12);
}

TEST(profile_text, a_point_and_the_summary) {
    terrain::Profile profile;
    profile.source = "hop.csv";
    profile.points = {{0, 100, 0, ""}, {1.5, 120, 12.5, "oak wood"}, {3, 110, 0, ""}};
    terrain::ClearanceReport report;
    report.pathKm = 3;
    report.frequencyGhz = 11;
    report.meanTerrainM = 110;
    report.distanceKm = {0, 1.5, 3};
    EXPECT_EQ(pointDescription(profile, report, 1),
              "1.500 km: elevation 120.0 m + 12.5 m obstruction (oak wood)");
    terrain::CriterionResult c;
    c.criterion.k = 4.0 / 3.0;
    c.clearanceM = {0, -2.345, 0};
    c.clearanceF1 = {0, -0.1234, 0};
    report.criteria = {c};
    EXPECT_EQ(pointDescription(profile, report, 1),
              "1.500 km: elevation 120.0 m + 12.5 m obstruction (oak wood), clearance -2.35 m "
              "(-0.123 F1) at k 1.333");
    EXPECT_EQ(profileSummary(profile, report),
              "3 points over 3.000 km at 11 GHz, mean terrain 110.0 m, from hop.csv");
    report.fixedEnd = terrain::FixedEnd::To;
    report.heightsNeeded = {12.34, 5};
    EXPECT_EQ(heightsNeededSentence(report),
              "Lowest antenna heights meeting every criterion (To end kept): From 12.3 m, To "
              "5.0 m");
}

}  // namespace
}  // namespace hopscale::design
