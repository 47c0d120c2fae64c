#include "performance_options.h"

#include <ostream>

#include "conversions.h"
#include "data_dir.h"

namespace hopscale::cli {
namespace {

using propagation::ConditionInput;
using propagation::LinkPerformance;

}  // namespace

int conditionErrorStatus(const Error& error) {
    return error.kind == ErrorKind::FileNotFound || error.kind == ErrorKind::BadFile ? kExitFailed
                                                                                     : kExitUsage;
}

PerformanceOutcome computePerformance(const PathState& state, const RunOutcome& budget,
                                      const propagation::LinkConditions& conditions) {
    PerformanceOutcome out;
    if (!budget.ok()) return out;
    Result<LinkPerformance> p = propagation::computeLinkPerformance(state, conditions);
    if (!p) {
        out.error = *p.error;
        return out;
    }
    out.performance = std::move(*p.value);
    return out;
}

nlohmann::ordered_json equipmentJson(const EquipmentUse& use,
                                     const std::vector<std::string>& warnings) {
    using Json = nlohmann::ordered_json;
    auto name = [](const std::string& n) { return n.empty() ? Json(nullptr) : Json(n); };
    return Json{{"radio", name(use.txRadio)},
                {"rxRadio", name(use.rxRadio)},
                {"antenna", name(use.txAntenna)},
                {"rxAntenna", name(use.rxAntenna)},
                {"warnings", warnings}};
}

namespace {

// Every input of the two tables: the link conditions, then the equipment and outage inputs.
template <class Visit>
void forEachInput(Visit&& visit) {
    for (const auto& info : propagation::allConditionInputs()) visit(info);
    for (const auto& info : propagation::outageConditionInputs()) visit(info);
}

}  // namespace

void PerformanceOptions::define(CLI::App& app) {
    forEachInput([&](const propagation::ConditionInputInfo& info) {
        const auto i = static_cast<std::size_t>(info.input);
        std::string help = std::string(info.caption);
        if (info.unit[0] != '\0') help += std::string(" (") + info.unit + ")";
        help += ": " + std::string(info.help);
        if (info.defaultText[0] != '\0') help += std::string(" (default ") + info.defaultText + ")";
        options_[i] =
            app.add_option("--" + std::string(info.name), texts_.texts[i], help)->type_name("TEXT");
    });
}

bool PerformanceOptions::requested() const {
    return given(ConditionInput::Threshold) || given(ConditionInput::Radio) ||
           given(ConditionInput::RxRadio);
}

bool PerformanceOptions::given(ConditionInput input) const {
    return options_[static_cast<std::size_t>(input)]->count() > 0;
}

std::optional<int> PerformanceOptions::check(std::string_view command, std::ostream& err,
                                             const std::optional<std::string>& dataDir) {
    // Options left out keep their defaults (the parser leaves the text untouched then, but a
    // repeated parse must not see an earlier value).
    propagation::LinkConditionTexts texts;
    std::string without;
    forEachInput([&](const propagation::ConditionInputInfo& info) {
        const auto i = static_cast<std::size_t>(info.input);
        if (options_[i]->count() == 0) return;
        texts.texts[i] = texts_.texts[i];
        if (info.input != ConditionInput::Threshold && info.input != ConditionInput::Radio &&
            info.input != ConditionInput::RxRadio) {
            without += (without.empty() ? "--" : ", --") + std::string(info.name);
        }
    });
    if (!requested()) {
        if (without.empty()) return std::nullopt;
        err << command << ": " << without
            << (without.find(',') == std::string::npos ? " needs" : " need")
            << " --threshold or --radio: the link performance is computed only when one is "
               "given\n";
        return kExitUsage;
    }
    Result<propagation::LinkConditions> c = propagation::readLinkConditions(texts);
    if (!c) {
        err << command << ": " << c.error->message() << '\n';
        return conditionErrorStatus(*c.error);
    }
    conditions_ = std::move(*c.value);
    if (needsEquipment(*conditions_)) {
        Result<std::filesystem::path> dir = resolveDataDir(dataDir);
        if (!dir) {
            err << command << ": " << errorMessage(*dir.error) << '\n';
            return kExitFailed;
        }
        Result<EquipmentLibrary> library = loadEquipment(*dir);
        if (!library) {
            err << command << ": " << errorMessage(*library.error) << '\n';
            return kExitFailed;
        }
        if (auto error = applyEquipment(*conditions_, *library, equipment_)) {
            err << command << ": " << errorMessage(*error) << '\n';
            return kExitUsage;
        }
    }
    return std::nullopt;
}

std::string conditionNamesList() {
    std::string names;
    forEachInput([&](const propagation::ConditionInputInfo& info) {
        if (!names.empty()) names += ", ";
        names += info.name;
    });
    return names;
}

bool PerformanceColumns::claim(std::string_view name, std::size_t index) {
    const auto input = propagation::conditionInputByName(std::string(name));
    if (!input) return false;
    columns_.emplace_back(*input, index);
    switch (*input) {
        case ConditionInput::Threshold:
            threshold_ = index;
            break;
        case ConditionInput::Radio:
            radio_ = index;
            break;
        case ConditionInput::RxRadio:
            rxRadio_ = index;
            break;
        case ConditionInput::Antenna:
            antenna_ = index;
            break;
        case ConditionInput::RxAntenna:
            rxAntenna_ = index;
            break;
        default:
            break;
    }
    if (*input >= propagation::kFirstOutageInput && *input != ConditionInput::LogKMap &&
        *input != ConditionInput::DN75Map) {
        outage_ = true;
    }
    return true;
}

std::optional<std::string> PerformanceColumns::headerProblem() const {
    if (threshold_ || radio_ || columns_.empty()) return std::nullopt;
    std::string names;
    for (const auto& [input, index] : columns_) {
        names += (names.empty() ? "\"" : ", \"") +
                 std::string(propagation::conditionInputInfo(input).name) + "\"";
    }
    return "column(s) " + names +
           " need a \"threshold\" column: the link performance is computed only "
           "with one";
}

std::optional<std::pair<std::string, int>> PerformanceColumns::prepare(
    const std::vector<std::string>& allNames, const std::optional<std::string>& dataDir) {
    if (antenna_ || rxAntenna_) {
        for (const std::string& name : allNames) {
            if (name == "tx-dish" || name == "rx-dish") {
                return std::make_pair("column \"" + name +
                                          "\" and an antenna column both give the dish "
                                          "diameter; give only one",
                                      kExitUsage);
            }
        }
    }
    bool needs = radio_ || rxRadio_ || antenna_ || rxAntenna_;
    for (const auto& [input, index] : columns_) needs |= input == ConditionInput::XpdAntenna;
    if (!needs) return std::nullopt;
    Result<std::filesystem::path> dir = resolveDataDir(dataDir);
    if (!dir) return std::make_pair(errorMessage(*dir.error), kExitFailed);
    Result<EquipmentLibrary> library = loadEquipment(*dir);
    if (!library) return std::make_pair(errorMessage(*library.error), kExitFailed);
    library_ = std::move(*library.value);
    return std::nullopt;
}

std::size_t PerformanceColumns::columnCount() const {
    return performanceColumnNames().size() + (outage_ ? outageColumnNames().size() : 0);
}

void PerformanceColumns::appendHeader(std::string& out) const {
    for (const std::string& name : performanceColumnNames()) {
        out.push_back(',');
        out.append(name);
    }
    if (!outage_) return;
    for (const std::string& name : outageColumnNames()) {
        out.push_back(',');
        out.append(name);
    }
}

void PerformanceColumns::appendEmptyRow(std::string& out) const { out.append(columnCount(), ','); }

void PerformanceColumns::prepareInputs(const std::vector<std::string>& fields,
                                       PathInputs& inputs) const {
    if (!library_ || (!antenna_ && !rxAntenna_)) return;
    static const PathInputs defaults;
    const std::string tx = antenna_ ? std::string(trimmed(fields[*antenna_])) : std::string();
    const std::string rx = rxAntenna_ && !trimmed(fields[*rxAntenna_]).empty()
                               ? std::string(trimmed(fields[*rxAntenna_]))
                               : tx;
    const AntennaRecord* a = tx.empty() ? nullptr : library_->antenna(tx);
    const AntennaRecord* b = rx.empty() ? nullptr : library_->antenna(rx);
    // An unknown name fails the row when its conditions are read; the default meanwhile.
    inputs[Field::Text1] = a != nullptr ? a->cells[1] : defaults[Field::Text1];
    inputs[Field::Text3] = b != nullptr ? b->cells[1] : defaults[Field::Text3];
}

std::optional<Error> PerformanceColumns::appendRow(std::string& out,
                                                   const std::vector<std::string>& fields,
                                                   const PathState& state,
                                                   const RunOutcome& budget) {
    const bool thresholdEmpty = !threshold_ || trimmed(fields[*threshold_]).empty();
    const bool radioEmpty = (!radio_ || trimmed(fields[*radio_]).empty()) &&
                            (!rxRadio_ || trimmed(fields[*rxRadio_]).empty());
    if (!budget.ok() || (thresholdEmpty && radioEmpty)) {
        appendEmptyRow(out);
        return std::nullopt;
    }
    // Rows mostly repeat the last row's conditions, or change only the threshold: read the
    // conditions again only when something else changed.
    bool same = lastConditions_.has_value();
    bool sameButThreshold = same && lastConditions_->ok() && threshold_ && radioEmpty;
    for (const auto& [input, index] : columns_) {
        if (!same && !sameButThreshold) break;
        if (fields[index] == lastTexts_[input]) continue;
        same = false;
        if (input != ConditionInput::Threshold) sameButThreshold = false;
    }
    if (!same && sameButThreshold) {
        const std::string& text = fields[*threshold_];
        Result<double> threshold = propagation::readThreshold(text);
        if (threshold) {
            lastConditions_->value->thresholdDbm = *threshold;
        } else {
            lastConditions_ = Result<propagation::LinkConditions>(*threshold.error);
        }
        lastTexts_[ConditionInput::Threshold] = text;
    } else if (!same) {
        key_.clear();
        for (const auto& [input, index] : columns_) {
            lastTexts_[input] = fields[index];
            key_ += std::to_string(fields[index].size());
            key_.push_back(':');
            key_ += fields[index];
        }
        if (const auto known = read_.find(key_); known != read_.end()) {
            lastConditions_ = known->second.conditions;
            lastEquipment_ = known->second.equipment;
        } else {
            lastConditions_ = propagation::readLinkConditions(lastTexts_);
            lastEquipment_ = EquipmentUse{};
            if (*lastConditions_ && library_ && needsEquipment(*lastConditions_->value)) {
                propagation::LinkConditions c = *lastConditions_->value;
                if (auto e = applyEquipment(c, *library_, lastEquipment_)) {
                    lastConditions_ = Result<propagation::LinkConditions>(*e);
                } else {
                    lastConditions_ = Result<propagation::LinkConditions>(std::move(c));
                }
            }
            if (read_.size() >= 64) read_.clear();
            read_.emplace(key_, Read{*lastConditions_, lastEquipment_});
        }
    }
    std::optional<Error> error;
    PerformanceOutcome outcome;
    if (!*lastConditions_) {
        error = *lastConditions_->error;
    } else {
        outcome = computePerformance(state, budget, **lastConditions_);
        error = outcome.error;
    }
    if (!outcome.performance) {
        out.append(performanceColumnNames().size() - 1, ',');
        out.push_back(',');
        out.append(kindName(error->kind));
        if (outage_) out.append(outageColumnNames().size(), ',');
        return error;
    }
    design::appendPerformanceCells(out, *outcome.performance, outage_,
                                   outage_ && lastEquipment_.any()
                                       ? equipmentWarnings(lastEquipment_, state)
                                       : std::vector<std::string>());
    return std::nullopt;
}

}  // namespace hopscale::cli
