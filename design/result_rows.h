// The one list of result rows of a link study: every view (the command-line table, the CSV,
// the windows, the printed report) writes from these rows, and rowText() is the one place a
// value becomes text, so no two views can show one value at two precisions.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "link_study.h"

namespace hopscale::design {

// The value of a row: nothing (a model that does not give it), a number, a text, or yes/no.
using RowValue = std::variant<std::monostate, double, std::string, bool>;

struct ResultRow {
    std::string key;  // stable: "ab.rslDbm", "sites[0].azimuthDeg", "twoWay.availabilityPercent"
    std::string caption;  // "Received signal level"
    std::string unit;     // "dBm"; "" when none
    RowValue value;
    int precision = 2;  // decimals of a number; -1: the shortest text that reads back the same
    std::string group;  // "Sites", "Hilltop to Riverside", "Two-way", "Profile", "Models"
    std::vector<std::string> flags;
};

// Every row of the study, grouped in report order: the sites, each direction (budget, then
// performance), the two-way figures, the profile, the warnings.
std::vector<ResultRow> resultRows(const LinkDesign& design, const LinkStudy& study);

// The value of a row as every view shows it: numbers to the row's precision ("-" for no value),
// "yes"/"no", texts as they are. Units are not appended.
std::string rowText(const ResultRow& row);

// The report as a plain-text table: a heading per group, then caption (with unit), value.
std::string rowsTable(const std::vector<ResultRow>& rows, const std::string& title);

// The rows as CSV: key, group, caption, unit, value (RFC 4180 quoting), one line each.
std::string rowsCsv(const std::vector<ResultRow>& rows);

}  // namespace hopscale::design
