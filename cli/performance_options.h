// The link performance on the command line: the options of `calc` (--threshold and the other link
// conditions), the "performance" object of its JSON and the "Link performance" block of its table,
// and the performance columns of `batch`. The inputs, captions and defaults are the propagation
// library's own table, so the window, calc and batch use the same words.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <cstddef>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_common.h"
#include "errors.h"
#include "link_conditions.h"
#include "link_performance.h"
#include "path_record.h"
#include "path_run.h"

namespace hopscale::cli {

// Exit status for an error in the link conditions: 1 for a rain map file that cannot be read, 2
// (usage) for a value of the wrong form or range.
int conditionErrorStatus(const Error& error);

// The result of one hop's performance: nothing (not requested, or the budget failed), the
// performance, or the error that stopped it.
struct PerformanceOutcome {
    std::optional<propagation::LinkPerformance> performance;
    std::optional<Error> error;
};

// Performance of a hop whose budget ran: nothing when the budget failed.
PerformanceOutcome computePerformance(const PathState& state, const RunOutcome& budget,
                                      const propagation::LinkConditions& conditions);

// The JSON object of the "performance" key; numbers are JSON numbers that read back to the same
// double; a value a model does not give is null.
nlohmann::ordered_json performanceJson(const propagation::LinkPerformance& p);

// The "Link performance" block of the calc table, rows as the table's own: two blanks, the caption
// padded to `captionWidth`, a blank, the value.
void printPerformanceTable(std::ostream& out, const propagation::LinkPerformance& p,
                           std::size_t captionWidth);

// The options of `calc`.
class PerformanceOptions {
  public:
    // Adds --threshold, --polarisation, ... (one per link condition) to `app`.
    void define(CLI::App& app);
    // Whether --threshold was given (performance is computed only then).
    bool requested() const;
    // After parsing: reads the conditions. On a bad value or an option given without --threshold,
    // writes "<command>: <message>" to `err` and returns the exit status.
    std::optional<int> check(std::string_view command, std::ostream& err);
    const propagation::LinkConditions& conditions() const { return *conditions_; }

  private:
    propagation::LinkConditionTexts texts_;
    std::array<CLI::Option*, propagation::kConditionInputCount> options_{};
    std::optional<propagation::LinkConditions> conditions_;
};

// The performance columns of `batch`: a header column named like a calc option (without dashes)
// sets that link condition for its row; with a `threshold` column the output gains the performance
// columns after the existing ones. Rows whose threshold is empty leave them empty.
class PerformanceColumns {
  public:
    // Claims header column `index` when `name` is a link condition; true when claimed.
    bool claim(std::string_view name, std::size_t index);
    // A problem with the claimed columns as a whole (conditions without a threshold column); empty
    // when there is none.
    std::optional<std::string> headerProblem() const;
    // Whether the output carries the performance columns.
    bool active() const { return threshold_.has_value(); }
    // Appends ",<name>" for every performance column.
    void appendHeader(std::string& out) const;
    // Appends the cells (each preceded by a comma) of one row, computed from the budget's state
    // after `budget`; empty cells when the budget failed or the threshold is empty. Returns the
    // error when the row's conditions or performance failed (its kind is then written in the last
    // column).
    std::optional<Error> appendRow(std::string& out, const std::vector<std::string>& fields,
                                   const PathState& state, const RunOutcome& budget);
    // Appends empty cells for a row that could not be read at all.
    void appendEmptyRow(std::string& out) const;

  private:
    std::vector<std::pair<propagation::ConditionInput, std::size_t>> columns_;
    std::optional<std::size_t> threshold_;
    // The last row's texts and conditions: consecutive rows usually share them.
    propagation::LinkConditionTexts lastTexts_;
    std::optional<Result<propagation::LinkConditions>> lastConditions_;
};

// The link condition names accepted as options and columns, comma separated.
std::string conditionNamesList();

// The names of the performance columns, in order (the last is "performanceError").
const std::vector<std::string>& performanceColumnNames();

}  // namespace hopscale::cli
