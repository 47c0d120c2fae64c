// Pieces shared by the `calc` and `batch` commands: the names that identify the
// inputs on the command line and in CSV headers, and the text of a result.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "errors.h"
#include "exit_status.h"
#include "path_record.h"
#include "path_run.h"

namespace hopscale::cli {

// What an option or CSV column sets: one of the input fields, or a unit choice.
struct InputTarget {
    enum class Kind { Field, Km, Watts } kind = Kind::Field;
    Field field = Field::Text1;  // for Kind::Field
};

// The option names of the unit choices (without dashes).
inline constexpr std::string_view kKmOption = "km";
inline constexpr std::string_view kWattsOption = "watts";

// Resolves an option name without dashes ("freq", "km", "watts") to what it sets;
// empty when the name is unknown.
std::optional<InputTarget> targetByName(std::string_view name);

// Every accepted option name, comma separated, in the order of the `calc` options.
std::string knownNamesList();

// The longest part of a text a message quotes.
inline constexpr std::size_t kQuotedTextLimit = 80;

// A text as a message quotes it: in double quotes, control bytes escaped, and cut after its
// first kQuotedTextLimit bytes (at a character boundary) with "..." before the closing quote.
std::string quotedText(std::string_view text);

// The error's message with its offending text and file name quoted as quotedText does, and
// every control byte escaped.
std::string errorMessage(const Error& error);

// Names for a message, each once, in the order first met, each quoted by quotedText; at
// most kMaxListed are written, then how many more there were.
class NameList {
  public:
    static constexpr std::size_t kMaxListed = 20;
    void add(std::string_view name);
    bool empty() const { return count_ == 0; }
    std::string text() const;

  private:
    std::unordered_set<std::string> seen_;
    std::string text_;
    std::size_t count_ = 0;
};

// The text of one result for output: singleToText of its value when this run computed it,
// empty otherwise.
std::string resultText(const RunOutcome& outcome, const PathResults& results,
                       const ResultInfo& info);

}  // namespace hopscale::cli
