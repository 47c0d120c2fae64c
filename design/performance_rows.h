// The values of one hop's link performance, each named once: its stable key, its place in the
// JSON object, its batch column, its caption and unit, and its decimals in the report. The
// "performance" object of calc's JSON, the performance and outage columns of batch, the "Link
// performance" block of calc's table and the performance rows of the design report are all
// written from this one list by the writers below; nothing else turns a performance into text.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "link_performance.h"

namespace hopscale::design {

// Where a value is shown (bits of PerformanceField::views).
enum PerformanceView : unsigned {
    kInJson = 1u,     // the "performance" object of the JSON
    kInColumns = 2u,  // the performance and outage columns of batch
    kInTable = 4u,    // the "Link performance" block of calc's table
    kInReport = 8u,   // the rows of the design report and the link window
};

// How a value is laid out in calc's table.
enum class TableStyle {
    Row,      // two blanks, the caption and unit padded, a blank, the value; nothing when empty
    EachRow,  // a list: one Row per item, each with the caption
    Heading,  // the caption and a colon on a line of its own
    Lines,    // a text or a list: each on a line of its own after two blanks
};

// A value: nothing (a model that does not give it), a number, a text, yes/no, a list of texts,
// or a text made for one view. Texts and lists refer to the performance they come from.
using PerformanceValue = std::variant<std::monostate, double, std::string_view, bool,
                                      const std::vector<std::string>*, std::string>;

struct PerformanceField {
    std::string_view key;      // stable: the batch column where there is one ("rslDbm")
    std::string_view json;     // JSON pointer within the object ("/rain/k"); "" when not in it
    int column = -1;           // index among the batch columns; -1 when not a column
    std::string_view caption;  // the words of the table and the report
    std::string_view unit;     // "" when none
    int precision = 2;         // decimals in the report; -1 the shortest text that reads back
    unsigned views = 0;        // PerformanceView bits
    TableStyle style = TableStyle::Row;
    const std::vector<std::string>* notes = nullptr;  // shown beside the value in the report
};

// Calls visit(field, value) for every value of `p` shown in one of `views`, in the order of the
// JSON object (values shown only in the table or the report where they are shown). A value
// referring to text of the visit's own (a list made for one view) lives only during its call.
void forEachPerformanceValue(
    const propagation::LinkPerformance& p, unsigned views,
    const std::function<void(const PerformanceField&, PerformanceValue&&)>& visit);

// The "performance" object: numbers are JSON numbers that read back to the same double; a value a
// model does not give is null. With outage options beyond the threshold (a radio, XPD, a
// signature, diversity) it also holds "modes", "meanCapacityMbps", "targetMode", "clearAir" and
// "rainPart".
nlohmann::ordered_json performanceJson(const propagation::LinkPerformance& p);

// The names of batch's performance columns (the last is "performanceError"), and of the outage
// columns added when a column of the outage models is present.
const std::vector<std::string>& performanceColumnNames();
const std::vector<std::string>& outageColumnNames();

// Appends the performance cells of one row, each preceded by a comma (the performanceError cell
// empty), then with `outageColumns` the outage cells, the last being `equipmentWarnings`.
// Numbers are the shortest text that reads back to the same double, yes/no is 1/0, lists are
// joined by "; ", and a cell is quoted as CSV needs.
void appendPerformanceCells(std::string& out, const propagation::LinkPerformance& p,
                            bool outageColumns, const std::vector<std::string>& equipmentWarnings);

// The "Link performance" block of calc's table, rows as the table's own: two blanks, the caption
// padded to `captionWidth`, a blank, the value (7 significant digits).
void writePerformanceTable(std::ostream& out, const propagation::LinkPerformance& p,
                           std::size_t captionWidth);

// Decimals of an availability that show its outage (at least two significant digits of it):
// 99.999356 for 0.000644 %, 99.99999987 for 1.3e-7 %.
int availabilityDecimals(double outagePercent);

// Texts joined by "; " (flags and notes on one line).
std::string joinedTexts(const std::vector<std::string>& texts);

// The shortest text that reads back to the same double.
void appendShortest(std::string& out, double v);

// A number to `precision` decimals ("-0.00" is written "0.00"); -1: the shortest text.
std::string numberText(double v, int precision);

}  // namespace hopscale::design
