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
#include <unordered_map>
#include <vector>

#include "cli_common.h"
#include "equipment.h"
#include "equipment_use.h"
#include "errors.h"
#include "link_conditions.h"
#include "link_performance.h"
#include "path_record.h"
#include "path_run.h"
#include "performance_rows.h"

namespace hopscale::cli {

// Exit status for an error in the link conditions: 1 for a rain map file that cannot be read, 2
// (usage) for a value of the wrong form or range.
int conditionErrorStatus(const Error& error);

// The equipment of a hop from the library, joined to its conditions by the design layer.
using design::applyEquipment;
using design::EquipmentUse;
using design::equipmentWarnings;
using design::needsEquipment;

// The result of one hop's performance: nothing (not requested, or the budget failed), the
// performance, or the error that stopped it.
struct PerformanceOutcome {
    std::optional<propagation::LinkPerformance> performance;
    std::optional<Error> error;
    std::vector<std::string> equipmentWarnings;
};

// Performance of a hop whose budget ran: nothing when the budget failed.
PerformanceOutcome computePerformance(const PathState& state, const RunOutcome& budget,
                                      const propagation::LinkConditions& conditions);

// The performance written from the design layer's one list of its values: calc's JSON object
// and table, batch's columns.
using design::outageColumnNames;
using design::performanceColumnNames;
using design::performanceJson;
using design::writePerformanceTable;

// The "equipment" object: the names used and the warnings.
nlohmann::ordered_json equipmentJson(const EquipmentUse& use,
                                     const std::vector<std::string>& warnings);

// The options of `calc`.
class PerformanceOptions {
  public:
    // Adds --threshold, --polarisation, ... (one per link condition) to `app`.
    void define(CLI::App& app);
    // Whether --threshold or a radio was given (performance is computed only then).
    bool requested() const;
    // After parsing: reads the conditions, and the equipment from the library of the data
    // directory (`dataDir`: --data-dir) when they name some. On a bad value or an option given
    // without --threshold, writes "<command>: <message>" to `err` and returns the exit status.
    std::optional<int> check(std::string_view command, std::ostream& err,
                             const std::optional<std::string>& dataDir = std::nullopt);
    const propagation::LinkConditions& conditions() const { return *conditions_; }
    const EquipmentUse& equipment() const { return equipment_; }
    // Whether an option of the given name (without dashes) was typed.
    bool given(propagation::ConditionInput input) const;

  private:
    propagation::LinkConditionTexts texts_;
    std::array<CLI::Option*, propagation::kAllInputCount> options_{};
    std::optional<propagation::LinkConditions> conditions_;
    EquipmentUse equipment_;
};

// The performance columns of `batch`: a header column named like a calc option (without dashes)
// sets that link condition for its row; with a `threshold` (or `radio`) column the output gains
// the performance columns after the existing ones. Rows whose threshold and radio are empty leave
// them empty. With a column of the outage models (radio, c0-i, xpd-antenna, signature, diversity
// and the others after them) the output further gains the outage columns (outageColumnNames);
// without one it is exactly what it always was.
class PerformanceColumns {
  public:
    // Claims header column `index` when `name` is a link condition; true when claimed.
    bool claim(std::string_view name, std::size_t index);
    // A problem with the claimed columns as a whole (conditions without a threshold column); empty
    // when there is none.
    std::optional<std::string> headerProblem() const;
    // After the header: refuses an antenna column beside a dish column (`allNames`: every column
    // of the header), and reads the equipment library of `dataDir` (--data-dir) when a column
    // names equipment. A message and the exit status on a problem.
    std::optional<std::pair<std::string, int>> prepare(const std::vector<std::string>& allNames,
                                                       const std::optional<std::string>& dataDir);
    // Whether the output carries the performance columns.
    bool active() const { return threshold_.has_value() || radio_.has_value(); }
    // Appends ",<name>" for every performance column.
    void appendHeader(std::string& out) const;
    // Sets the dish diameters of the row's antennas into `inputs` (the default text where a row
    // names none), before the budget runs.
    void prepareInputs(const std::vector<std::string>& fields, PathInputs& inputs) const;
    // Appends the cells (each preceded by a comma) of one row, computed from the budget's state
    // after `budget`; empty cells when the budget failed or the threshold is empty. Returns the
    // error when the row's conditions or performance failed (its kind is then written in the last
    // column).
    std::optional<Error> appendRow(std::string& out, const std::vector<std::string>& fields,
                                   const PathState& state, const RunOutcome& budget);
    // Appends empty cells for a row that could not be read at all.
    void appendEmptyRow(std::string& out) const;

  private:
    std::size_t columnCount() const;
    std::vector<std::pair<propagation::ConditionInput, std::size_t>> columns_;
    std::optional<std::size_t> threshold_, radio_, rxRadio_, antenna_, rxAntenna_;
    bool outage_ = false;  // a column of the outage models is present
    std::optional<EquipmentLibrary> library_;
    // The last row's texts and conditions: consecutive rows usually share them.
    propagation::LinkConditionTexts lastTexts_;
    std::optional<Result<propagation::LinkConditions>> lastConditions_;
    EquipmentUse lastEquipment_;
    // Conditions read before, by the texts of the claimed columns: rows often repeat a few
    // combinations. Bounded, so that the memory stays flat over any number of rows.
    struct Read {
        Result<propagation::LinkConditions> conditions;
        EquipmentUse equipment;
    };
    std::unordered_map<std::string, Read> read_;
    std::string key_;
};

// The link condition names accepted as options and columns, comma separated.
std::string conditionNamesList();

}  // namespace hopscale::cli
