#include "equipment.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <system_error>

#include "conversions.h"
#include "csv_reader.h"

namespace hopscale {
namespace {

// The largest file the library reads (a thousand radios of sixteen modes are far less).
constexpr std::size_t kMaxEquipmentBytes = 16u << 20;
constexpr std::size_t kMaxNameBytes = 200;

enum class Check { Name, Number, Positive, NonZero };

struct ColumnRule {
    const char* name;
    Check check;
    bool required;
};

// Radios: the indices below follow this order.
const std::vector<ColumnRule> kRadioSpecs = {
    {"radio", Check::Name, true},
    {"mode", Check::Name, true},
    {"capacity_mbps", Check::Positive, true},
    {"threshold_dbm", Check::Number, true},
    {"max_power_dbm", Check::Number, false},
    {"c0_i_db", Check::Number, false},
    {"signature_w_mhz", Check::Positive, false},
    {"signature_b_db", Check::Number, false},
    {"signature_tau_ns", Check::NonZero, false},
    {"signature_min_w_mhz", Check::Positive, false},
    {"signature_min_b_db", Check::Number, false},
    {"signature_min_tau_ns", Check::NonZero, false},
    {"signature_nonmin_w_mhz", Check::Positive, false},
    {"signature_nonmin_b_db", Check::Number, false},
    {"signature_nonmin_tau_ns", Check::NonZero, false},
};
enum RadioColumn : std::size_t {
    kRadio,
    kMode,
    kCapacity,
    kThreshold,
    kMaxPower,
    kC0I,
    kSignature,  // then b and tau; kSignatureMin and kSignatureNonMin alike
    kSignatureMin = kSignature + 3,
    kSignatureNonMin = kSignatureMin + 3,
};

const std::vector<ColumnRule> kAntennaSpecs = {
    {"antenna", Check::Name, true},
    {"diameter_ft", Check::Positive, true},
    {"gain_dbi", Check::Number, false},
    {"xpd_db", Check::Number, false},
};

std::string trim(std::string_view s) { return std::string(trimmed(s, " \t\r\n")); }

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string quotedCell(std::string_view text) { return "\"" + printableText(text) + "\""; }

// One table of named columns read from CSV text: the header maps the file's columns to the
// rules' columns, every row becomes one cell per rule (empty where not given).
struct Table {
    struct Row {
        std::size_t line = 0;
        std::vector<std::string> cells;       // one per column rule
        std::vector<std::size_t> fileColumn;  // the file's 1-based column of each, 0 if absent
    };
    std::vector<Row> rows;
};

std::string where(std::size_t line, std::size_t column, const ColumnRule* rule) {
    std::string w = "line " + std::to_string(line);
    if (column > 0) w += ", column " + std::to_string(column);
    if (rule != nullptr) w += " (" + std::string(rule->name) + ")";
    return w;
}

Table readTable(std::string_view text, const std::string& fileName,
                const std::vector<ColumnRule>& rules, std::vector<FileProblem>& problems) {
    Table table;
    CsvReader reader(text);
    reader.setLimits(1u << 20, 1000, true);
    reader.skipByteOrderMark();
    std::vector<std::string> fields;
    std::size_t count = 0;
    std::vector<std::size_t> columnOf;  // file column -> rule index (or npos)
    bool header = false;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    while (reader.next(fields, count)) {
        const std::size_t line = reader.recordLine();
        if (reader.oversized()) {
            problems.push_back({fileName, where(line, 0, nullptr),
                                "the row is longer than 1 MB or has more than 1000 cells"});
            continue;
        }
        if (reader.unterminated()) {
            problems.push_back({fileName, where(line, 0, nullptr), "a quoted cell is not closed"});
            break;
        }
        if (count == 1 && !reader.quoted(0) && trim(fields[0]).empty()) continue;
        if (!reader.quoted(0) && trim(fields[0]).rfind('#', 0) == 0) continue;
        // Cells: unquoted ones without blanks around them, quoted ones as quoted.
        std::vector<std::string> cells;
        bool bad = false;
        for (std::size_t i = 0; i < count; ++i) {
            if (reader.quoted(i)) {
                const std::size_t end = reader.quotedEnd(i);
                if (!trim(std::string_view(fields[i]).substr(end)).empty()) {
                    problems.push_back(
                        {fileName, where(line, i + 1, nullptr), "text after the closing quote"});
                    bad = true;
                }
                cells.push_back(fields[i].substr(0, end));
            } else {
                cells.push_back(trim(fields[i]));
            }
        }
        if (bad) continue;
        if (!header) {
            header = true;
            std::vector<bool> seen(rules.size(), false);
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const std::string name = lowerCase(cells[i]);
                std::size_t found = kNone;
                for (std::size_t s = 0; s < rules.size(); ++s) {
                    if (name == rules[s].name) found = s;
                }
                if (found == kNone) {
                    std::string known;
                    for (const ColumnRule& s : rules)
                        known += (known.empty() ? "" : ", ") + std::string(s.name);
                    problems.push_back(
                        {fileName, where(line, i + 1, nullptr),
                         "unknown column " + quotedCell(cells[i]) + " (known: " + known + ")"});
                } else if (seen[found]) {
                    problems.push_back({fileName, where(line, i + 1, nullptr),
                                        "column " + quotedCell(cells[i]) + " is named twice"});
                    found = kNone;
                } else {
                    seen[found] = true;
                }
                columnOf.push_back(found);
            }
            for (std::size_t s = 0; s < rules.size(); ++s) {
                if (rules[s].required && !seen[s]) {
                    problems.push_back(
                        {fileName, where(line, 0, nullptr),
                         "the header lacks the column \"" + std::string(rules[s].name) + "\""});
                }
            }
            if (!problems.empty()) return table;
            continue;
        }
        if (cells.size() != columnOf.size()) {
            problems.push_back({fileName, where(line, 0, nullptr),
                                "the row has " + std::to_string(cells.size()) +
                                    " cells, the header " + std::to_string(columnOf.size())});
            continue;
        }
        Table::Row row;
        row.line = line;
        row.cells.assign(rules.size(), std::string());
        row.fileColumn.assign(rules.size(), 0);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (columnOf[i] == kNone) continue;
            row.cells[columnOf[i]] = std::move(cells[i]);
            row.fileColumn[columnOf[i]] = i + 1;
        }
        // Every cell against its column's rule.
        bool rowBad = false;
        for (std::size_t s = 0; s < rules.size(); ++s) {
            const std::string& cell = row.cells[s];
            const std::string w = where(line, row.fileColumn[s], &rules[s]);
            if (cell.empty()) {
                if (rules[s].required) {
                    problems.push_back({fileName, w, "is empty"});
                    rowBad = true;
                }
                continue;
            }
            if (rules[s].check == Check::Name) {
                const bool control = std::any_of(cell.begin(), cell.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
                });
                if (control || cell.size() > kMaxNameBytes) {
                    problems.push_back(
                        {fileName, w,
                         quotedCell(cell) + (control ? " holds a control character"
                                                     : " is longer than 200 bytes")});
                    rowBad = true;
                }
                continue;
            }
            Result<double> v = textToDouble(cell);
            if (!v || !std::isfinite(*v)) {
                problems.push_back({fileName, w, quotedCell(cell) + " is not a number"});
                rowBad = true;
            } else if (rules[s].check == Check::Positive && !(*v > 0)) {
                problems.push_back({fileName, w, cell + " must be more than 0"});
                rowBad = true;
            } else if (rules[s].check == Check::NonZero && *v == 0) {
                problems.push_back({fileName, w, "a reference delay of 0 ns"});
                rowBad = true;
            }
        }
        if (!rowBad) table.rows.push_back(std::move(row));
    }
    if (!header) problems.push_back({fileName, "", "no header line"});
    return table;
}

std::optional<double> optionalCell(const std::string& cell) {
    if (cell.empty()) return std::nullopt;
    return *textToDouble(cell).value;
}

void appendCsvCell(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n#") == std::string_view::npos &&
        (text.empty() || (text.front() != ' ' && text.back() != ' '))) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (char c : text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::string encode(const std::vector<ColumnRule>& rules,
                   const std::vector<const std::vector<std::string>*>& rows) {
    std::string out;
    for (std::size_t s = 0; s < rules.size(); ++s) {
        if (s > 0) out.push_back(',');
        out.append(rules[s].name);
    }
    out.push_back('\n');
    for (const auto* cells : rows) {
        for (std::size_t s = 0; s < rules.size(); ++s) {
            if (s > 0) out.push_back(',');
            appendCsvCell(out, (*cells)[s]);
        }
        out.push_back('\n');
    }
    return out;
}

// The first problem as an error naming the file, line and column.
Error problemError(const FileProblem& p) {
    Error e{ErrorKind::BadFile};
    e.file = p.file;
    e.detail = (p.where.empty() ? "" : p.where + ": ") + p.message;
    return e;
}

bool fileExists(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::symlink_status(file, ec).type() !=
               std::filesystem::file_type::not_found &&
           !ec;
}

}  // namespace

const std::vector<std::string>& radioColumns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const ColumnRule& s : kRadioSpecs) n.emplace_back(s.name);
        return n;
    }();
    return names;
}

const std::vector<std::string>& antennaColumns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const ColumnRule& s : kAntennaSpecs) n.emplace_back(s.name);
        return n;
    }();
    return names;
}

const RadioRecord* EquipmentLibrary::radio(std::string_view name) const {
    for (const RadioRecord& r : radios) {
        if (r.name == name) return &r;
    }
    return nullptr;
}

const AntennaRecord* EquipmentLibrary::antenna(std::string_view name) const {
    for (const AntennaRecord& a : antennas) {
        if (a.name == name) return &a;
    }
    return nullptr;
}

RadiosRead parseRadiosCsv(std::string_view text, const std::string& fileName) {
    RadiosRead out;
    Table table = readTable(text, fileName, kRadioSpecs, out.problems);
    std::map<std::string, std::size_t> byName;
    std::map<std::pair<std::string, std::string>, std::size_t> modeLines;
    for (Table::Row& row : table.rows) {
        const auto& c = row.cells;
        // A signature is all three cells or none; both-phase and one-phase forms not mixed.
        std::optional<SignatureRecord> sig[3];
        bool bad = false;
        for (int k = 0; k < 3; ++k) {
            const std::size_t first = kSignature + 3 * static_cast<std::size_t>(k);
            const int given = !c[first].empty() + !c[first + 1].empty() + !c[first + 2].empty();
            if (given == 0) continue;
            if (given != 3) {
                const std::size_t missing =
                    c[first].empty() ? first : (c[first + 1].empty() ? first + 1 : first + 2);
                out.problems.push_back(
                    {fileName, where(row.line, row.fileColumn[missing], &kRadioSpecs[missing]),
                     "is empty, but a signature needs all three of its cells"});
                bad = true;
                continue;
            }
            sig[k] = SignatureRecord{*optionalCell(c[first]), *optionalCell(c[first + 1]),
                                     *optionalCell(c[first + 2])};
        }
        if (sig[0] && (sig[1] || sig[2])) {
            out.problems.push_back(
                {fileName, where(row.line, row.fileColumn[kSignature], &kRadioSpecs[kSignature]),
                 "a signature of both phases is given with one of a single phase"});
            bad = true;
        }
        const auto key = std::make_pair(c[kRadio], c[kMode]);
        if (const auto seen = modeLines.find(key); seen != modeLines.end()) {
            out.problems.push_back(
                {fileName, where(row.line, row.fileColumn[kMode], &kRadioSpecs[kMode]),
                 "mode " + quotedCell(c[kMode]) + " of radio " + quotedCell(c[kRadio]) +
                     " is given on line " + std::to_string(seen->second) + " already"});
            bad = true;
        }
        if (bad) continue;
        modeLines.emplace(key, row.line);
        RadioModeRecord m;
        m.mode = c[kMode];
        m.capacityMbps = *optionalCell(c[kCapacity]);
        m.thresholdDbm = *optionalCell(c[kThreshold]);
        m.maxPowerDbm = optionalCell(c[kMaxPower]);
        m.c0iDb = optionalCell(c[kC0I]);
        m.signatureBothPhases = sig[0].has_value();
        m.signatureMinimum = sig[0] ? sig[0] : sig[1];
        m.signatureNonMinimum = sig[0] ? sig[0] : sig[2];
        m.cells = std::move(row.cells);
        auto found = byName.find(m.cells[kRadio]);
        if (found == byName.end()) {
            found = byName.emplace(m.cells[kRadio], out.radios.size()).first;
            out.radios.push_back(RadioRecord{m.cells[kRadio], {}});
        }
        out.radios[found->second].modes.push_back(std::move(m));
    }
    return out;
}

AntennasRead parseAntennasCsv(std::string_view text, const std::string& fileName) {
    AntennasRead out;
    Table table = readTable(text, fileName, kAntennaSpecs, out.problems);
    std::map<std::string, std::size_t> lines;
    for (Table::Row& row : table.rows) {
        const auto& c = row.cells;
        if (const auto seen = lines.find(c[0]); seen != lines.end()) {
            out.problems.push_back({fileName, where(row.line, row.fileColumn[0], &kAntennaSpecs[0]),
                                    "antenna " + quotedCell(c[0]) + " is given on line " +
                                        std::to_string(seen->second) + " already"});
            continue;
        }
        lines.emplace(c[0], row.line);
        AntennaRecord a;
        a.name = c[0];
        a.diameterFt = *optionalCell(c[1]);
        a.gainDbi = optionalCell(c[2]);
        a.xpdDb = optionalCell(c[3]);
        a.cells = std::move(row.cells);
        out.antennas.push_back(std::move(a));
    }
    return out;
}

std::string encodeRadiosCsv(const std::vector<RadioRecord>& radios) {
    std::vector<const std::vector<std::string>*> rows;
    for (const RadioRecord& r : radios) {
        for (const RadioModeRecord& m : r.modes) rows.push_back(&m.cells);
    }
    return encode(kRadioSpecs, rows);
}

std::string encodeAntennasCsv(const std::vector<AntennaRecord>& antennas) {
    std::vector<const std::vector<std::string>*> rows;
    for (const AntennaRecord& a : antennas) rows.push_back(&a.cells);
    return encode(kAntennaSpecs, rows);
}

namespace {

// The text of one library file, or nothing when it is absent.
Result<std::optional<std::string>> libraryText(const std::filesystem::path& file) {
    if (!fileExists(file)) return std::optional<std::string>();
    Result<std::string> text = readWholeFile(file, kMaxEquipmentBytes);
    if (!text) return *text.error;
    return std::optional<std::string>(std::move(*text.value));
}

}  // namespace

Result<EquipmentLibrary> loadEquipment(const std::filesystem::path& dataDir) {
    EquipmentLibrary library;
    const std::filesystem::path radios = dataDir / kRadiosFileName;
    Result<std::optional<std::string>> radiosText = libraryText(radios);
    if (!radiosText) return *radiosText.error;
    if (*radiosText.value) {
        RadiosRead read = parseRadiosCsv(**radiosText.value, displayPath(radios));
        if (!read.problems.empty()) return problemError(read.problems.front());
        library.radios = std::move(read.radios);
    }
    const std::filesystem::path antennas = dataDir / kAntennasFileName;
    Result<std::optional<std::string>> antennasText = libraryText(antennas);
    if (!antennasText) return *antennasText.error;
    if (*antennasText.value) {
        AntennasRead read = parseAntennasCsv(**antennasText.value, displayPath(antennas));
        if (!read.problems.empty()) return problemError(read.problems.front());
        library.antennas = std::move(read.antennas);
    }
    return library;
}

std::vector<FileProblem> checkEquipment(const std::filesystem::path& dataDir) {
    std::vector<FileProblem> problems;
    for (const char* name : {kRadiosFileName, kAntennasFileName}) {
        const std::filesystem::path file = dataDir / name;
        Result<std::optional<std::string>> text = libraryText(file);
        if (!text) {
            problems.push_back(
                {displayPath(file), "",
                 text.error->detail.empty() ? kindName(text.error->kind) : text.error->detail});
            continue;
        }
        if (!*text.value) continue;
        std::vector<FileProblem> found =
            name == std::string_view(kRadiosFileName)
                ? parseRadiosCsv(**text.value, displayPath(file)).problems
                : parseAntennasCsv(**text.value, displayPath(file)).problems;
        problems.insert(problems.end(), found.begin(), found.end());
    }
    return problems;
}

EquipmentImport importEquipmentCsv(std::string_view csvText, const std::string& csvName,
                                   const std::filesystem::path& dataDir, bool replace) {
    EquipmentImport out;
    // Which file: the header's first column.
    {
        CsvReader reader(csvText);
        reader.setLimits(1u << 20, 1000, false);
        reader.skipByteOrderMark();
        std::vector<std::string> fields;
        std::size_t count = 0;
        std::string first;
        while (reader.next(fields, count)) {
            const std::string cell = trim(fields[0]);
            if ((count == 1 && cell.empty()) || cell.rfind('#', 0) == 0) continue;
            first = lowerCase(cell);
            break;
        }
        if (first == "antenna") {
            out.radios = false;
        } else if (first != "radio") {
            out.problems.push_back(
                {csvName, "line 1",
                 "the header's first column is neither \"radio\" (radios) nor \"antenna\" "
                 "(antennas)"});
            return out;
        }
    }
    const std::filesystem::path file = dataDir / (out.radios ? kRadiosFileName : kAntennasFileName);
    std::string bytes;
    if (out.radios) {
        RadiosRead imported = parseRadiosCsv(csvText, csvName);
        out.problems = std::move(imported.problems);
        if (imported.radios.empty() && out.problems.empty()) {
            out.problems.push_back({csvName, "", "no radios found"});
        }
        std::vector<RadioRecord> merged;
        if (!replace && out.problems.empty()) {
            Result<std::optional<std::string>> existing = libraryText(file);
            if (!existing) {
                out.problems.push_back({displayPath(file), "", existing.error->detail});
            } else if (*existing.value) {
                RadiosRead read = parseRadiosCsv(**existing.value, displayPath(file));
                for (FileProblem& p : read.problems) out.problems.push_back(std::move(p));
                merged = std::move(read.radios);
            }
        }
        if (!out.problems.empty()) return out;
        for (RadioRecord& r : imported.radios) {
            auto same = std::find_if(merged.begin(), merged.end(),
                                     [&](const RadioRecord& m) { return m.name == r.name; });
            if (same != merged.end()) {
                *same = std::move(r);
            } else {
                merged.push_back(std::move(r));
            }
        }
        out.records = merged.size();
        bytes = encodeRadiosCsv(merged);
    } else {
        AntennasRead imported = parseAntennasCsv(csvText, csvName);
        out.problems = std::move(imported.problems);
        if (imported.antennas.empty() && out.problems.empty()) {
            out.problems.push_back({csvName, "", "no antennas found"});
        }
        std::vector<AntennaRecord> merged;
        if (!replace && out.problems.empty()) {
            Result<std::optional<std::string>> existing = libraryText(file);
            if (!existing) {
                out.problems.push_back({displayPath(file), "", existing.error->detail});
            } else if (*existing.value) {
                AntennasRead read = parseAntennasCsv(**existing.value, displayPath(file));
                for (FileProblem& p : read.problems) out.problems.push_back(std::move(p));
                merged = std::move(read.antennas);
            }
        }
        if (!out.problems.empty()) return out;
        for (AntennaRecord& a : imported.antennas) {
            auto same = std::find_if(merged.begin(), merged.end(),
                                     [&](const AntennaRecord& m) { return m.name == a.name; });
            if (same != merged.end()) {
                *same = std::move(a);
            } else {
                merged.push_back(std::move(a));
            }
        }
        out.records = merged.size();
        bytes = encodeAntennasCsv(merged);
    }
    if (auto error = writeFileAtomically(file, bytes)) {
        out.problems.push_back(
            {displayPath(file), "", error->detail.empty() ? kindName(error->kind) : error->detail});
        return out;
    }
    out.written = displayPath(file);
    return out;
}

double budgetDishGainDbi(double diameterFt, double frequencyGHz) {
    return 20.0 * std::log10(frequencyGHz) + 20.0 * std::log10(diameterFt) + 7.5;
}

}  // namespace hopscale
