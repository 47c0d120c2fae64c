#include "network_inputs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "cli_common.h"
#include "link_design.h"

namespace hopscale::cli {
namespace {

// The limits of one line (as `batch` has them), so that no input makes memory grow without
// bound.
constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxRecordFields = 10000;
constexpr const char* kLimitsText = "1 MB or has more than 10000 fields";
constexpr std::size_t kReadBuffer = std::size_t{1} << 16;

constexpr std::string_view kSiteColumn = "site";
constexpr std::string_view kFromPrefix = "from-";
constexpr std::string_view kToPrefix = "to-";

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool isIn(const std::vector<std::string>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

InputsError headerError(const std::string& file, const std::string& column, std::string detail) {
    InputsError e;
    e.usage = true;
    e.error.kind = ErrorKind::BadFile;
    e.error.file = file;
    e.error.input = column;
    e.error.detail = std::move(detail);
    return e;
}

// The header's problem as a whole, or its columns; `accept` says whether a name is a column.
// Names are trimmed of blanks.
template <class Accept>
std::optional<InputsError> readHeaderNames(CsvReader& reader, const std::string& file,
                                           std::vector<std::string>& fields,
                                           std::vector<std::string>& names, Accept accept) {
    std::size_t count = 0;
    reader.setLimits(kMaxRecordBytes, kMaxRecordFields, false);
    reader.skipByteOrderMark();
    if (!reader.next(fields, count)) {
        if (reader.readError()) {
            InputsError e;
            e.error.kind = ErrorKind::BadFile;
            e.error.file = file;
            e.error.detail = std::string("reading failed: ") + std::strerror(errno);
            return e;
        }
        return headerError(file, "", "the file is empty; it needs a header line");
    }
    if (reader.oversized()) {
        return headerError(file, "", std::string("the header line is longer than ") + kLimitsText);
    }
    if (reader.unterminated()) {
        return headerError(file, "", "the header line has an unterminated quote");
    }
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name(trimBlanks(fields[i]));
        if (!accept(name)) return headerError(file, name, "is not a known column");
        if (!seen.insert(name).second) return headerError(file, name, "is named twice");
        names.push_back(name);
    }
    reader.setLimits(kMaxRecordBytes, kMaxRecordFields, true);
    return std::nullopt;
}

// Why a record cannot be read as a row of `columns` fields; empty when it can.
std::optional<std::string> recordProblem(const CsvReader& reader, std::size_t count,
                                         std::size_t columns) {
    if (reader.oversized()) return std::string("the row is longer than ") + kLimitsText;
    if (reader.unterminated()) return "a quoted field is not closed before the end of the file";
    if (count != columns) {
        return "the row has " + std::to_string(count) + " fields, the header " +
               std::to_string(columns);
    }
    return std::nullopt;
}

bool emptyLine(const CsvReader& reader, const std::vector<std::string>& fields, std::size_t count) {
    return count == 1 && fields[0].empty() && !reader.firstQuoted() && !reader.unterminated();
}

std::optional<InputsError> openFile(const std::string& path, std::FILE*& file) {
    file = std::fopen(path.c_str(), "rb");
    if (file != nullptr) return std::nullopt;
    InputsError e;
    e.error.kind = errno == ENOENT ? ErrorKind::FileNotFound : ErrorKind::BadFile;
    e.error.file = path;
    e.error.detail = std::string("cannot be opened: ") + std::strerror(errno);
    return e;
}

}  // namespace

// The design layer's keys: what a column names is what the design is filled from.
const std::vector<std::string>& siteKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> names = design::siteKeyNames();
        // A site's name is its `site` column; a link's ends are its `from` and `to`.
        names.erase(std::remove(names.begin(), names.end(), "name"), names.end());
        return names;
    }();
    return keys;
}

const std::vector<std::string>& pathKeys() {
    static const std::vector<std::string> keys = design::pathKeyNames();
    return keys;
}

const std::vector<std::string>& conditionKeys() {
    static const std::vector<std::string> keys = design::conditionKeyNames();
    return keys;
}

const std::vector<std::string>& profileKeys() {
    static const std::vector<std::string> keys = design::profileKeyNames();
    return keys;
}

std::string InputsError::text() const { return errorMessage(error); }

// ---- SITES.csv

std::optional<InputsError> SiteTable::read(const std::string& path, SiteTable& table) {
    std::FILE* file = nullptr;
    if (auto e = openFile(path, file)) return e;
    CsvReader reader(file, kReadBuffer);
    table.fileName_ = path;
    auto result = table.readFrom(reader);
    std::fclose(file);
    return result;
}

std::optional<InputsError> SiteTable::readText(std::string_view text, const std::string& name,
                                               SiteTable& table) {
    CsvReader reader(text);
    table.fileName_ = name;
    return table.readFrom(reader);
}

std::optional<InputsError> SiteTable::readFrom(CsvReader& reader) {
    std::vector<std::string> fields;
    std::vector<std::string> names;
    if (auto e = readHeaderNames(reader, fileName_, fields, names, [](const std::string& name) {
            return name == kSiteColumn || isIn(siteKeys(), name);
        })) {
        return e;
    }
    for (const char* required : {"site", "lat", "lon"}) {
        if (!isIn(names, required)) {
            return headerError(fileName_, required, "is a required column and is missing");
        }
    }
    const std::size_t siteColumn = static_cast<std::size_t>(
        std::find(names.begin(), names.end(), kSiteColumn) - names.begin());

    std::size_t count = 0;
    while (reader.next(fields, count)) {
        if (emptyLine(reader, fields, count)) continue;
        SiteRecord site;
        site.line = reader.recordLine();
        const std::optional<std::string> problem = recordProblem(reader, count, names.size());
        if (siteColumn < count && !reader.oversized()) {
            site.name = std::string(trimBlanks(fields[siteColumn]));
        }
        if (site.name.empty()) {
            unreadableLines_.push_back(site.line);
            continue;
        }
        if (problem) {
            site.problem = "cannot be read: line " + std::to_string(site.line) + " of " +
                           fileName_ + ": " + *problem;
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                if (i == siteColumn || fields[i].empty()) continue;
                site.keys[names[i]] = fields[i];
            }
            for (const char* required : {"lat", "lon"}) {
                if (site.keys.count(required) == 0) {
                    site.problem = "has no " + std::string(required) + " (line " +
                                   std::to_string(site.line) + " of " + fileName_ + ")";
                    break;
                }
            }
        }
        const auto [at, added] = byName_.emplace(site.name, sites_.size());
        if (added) {
            sites_.push_back(std::move(site));
            continue;
        }
        SiteRecord& first = sites_[at->second];
        first.problem = "is named twice in " + fileName_ + " (lines " + std::to_string(first.line) +
                        " and " + std::to_string(site.line) + ")";
        first.keys.clear();
    }
    if (reader.readError()) {
        InputsError e;
        e.error.kind = ErrorKind::BadFile;
        e.error.file = fileName_;
        e.error.detail = std::string("reading failed: ") + std::strerror(errno);
        return e;
    }
    return std::nullopt;
}

const SiteRecord* SiteTable::find(std::string_view name) const {
    const auto at = byName_.find(std::string(name));
    return at == byName_.end() ? nullptr : &sites_[at->second];
}

// ---- LINKS.csv

LinkReader::LinkReader(const SiteTable& sites) : sites_(sites) {}

LinkReader::~LinkReader() {
    if (file_ != nullptr) std::fclose(file_);
}

std::optional<InputsError> LinkReader::open(const std::string& path) {
    if (auto e = openFile(path, file_)) return e;
    fileName_ = path;
    reader_ = std::make_unique<CsvReader>(file_, kReadBuffer);
    return readHeader();
}

std::optional<InputsError> LinkReader::openText(std::string_view text, const std::string& name) {
    fileName_ = name;
    reader_ = std::make_unique<CsvReader>(text);
    return readHeader();
}

bool LinkReader::readError() const { return reader_ && reader_->readError(); }

std::optional<InputsError> LinkReader::readHeader() {
    std::vector<std::string> names;
    auto column = [](const std::string& name) -> std::optional<Column> {
        using G = Column::Group;
        if (name == "name") return Column{G::Name, name};
        if (name == "from") return Column{G::From, name};
        if (name == "to") return Column{G::To, name};
        if (isIn(pathKeys(), name)) return Column{G::Path, name};
        if (isIn(conditionKeys(), name)) return Column{G::Condition, name};
        if (isIn(profileKeys(), name)) return Column{G::Profile, name};
        const std::string_view text = name;
        if (text.substr(0, kFromPrefix.size()) == kFromPrefix &&
            isIn(siteKeys(), text.substr(kFromPrefix.size()))) {
            return Column{G::FromEnd, std::string(text.substr(kFromPrefix.size()))};
        }
        if (text.substr(0, kToPrefix.size()) == kToPrefix &&
            isIn(siteKeys(), text.substr(kToPrefix.size()))) {
            return Column{G::ToEnd, std::string(text.substr(kToPrefix.size()))};
        }
        return std::nullopt;
    };
    if (auto e = readHeaderNames(*reader_, fileName_, fields_, names, [&](const std::string& name) {
            return column(name).has_value();
        })) {
        return e;
    }
    for (const char* required : {"name", "from", "to"}) {
        if (!isIn(names, required)) {
            return headerError(fileName_, required, "is a required column and is missing");
        }
    }
    for (const std::string& name : names) columns_.push_back(*column(name));
    return std::nullopt;
}

bool LinkReader::next(LinkRecord& link) {
    std::size_t count = 0;
    do {
        if (!reader_->next(fields_, count)) return false;
    } while (emptyLine(*reader_, fields_, count));

    link = LinkRecord{};
    link.line = reader_->recordLine();
    const std::optional<std::string> problem = recordProblem(*reader_, count, columns_.size());
    for (std::size_t i = 0; i < count && i < columns_.size(); ++i) {
        const Column& column = columns_[i];
        const std::string& text = fields_[i];
        using G = Column::Group;
        switch (column.group) {
            case G::Name:
                link.name = text;
                break;
            case G::From:
                link.from = std::string(trimBlanks(text));
                break;
            case G::To:
                link.to = std::string(trimBlanks(text));
                break;
            default:
                break;
        }
        // An empty cell gives no value: the template's or the site's stays.
        if (problem || text.empty()) continue;
        switch (column.group) {
            case G::Path:
                link.path[column.key] = text;
                break;
            case G::Condition:
                link.conditions[column.key] = text;
                break;
            case G::Profile:
                link.profile[column.key] = text;
                break;
            case G::FromEnd:
                link.fromEnd[column.key] = text;
                break;
            case G::ToEnd:
                link.toEnd[column.key] = text;
                break;
            default:
                break;
        }
    }
    if (problem) {
        Error e;
        e.kind = ErrorKind::BadFile;
        e.file = fileName_;
        e.detail = "line " + std::to_string(link.line) + ": " + *problem;
        link.problem = e;
        return true;
    }
    resolve(link);
    return true;
}

// Puts each end's site keys under the row's overrides; a problem when an end has no usable
// site.
void LinkReader::resolve(LinkRecord& link) const {
    Error e;
    e.kind = ErrorKind::BadFile;
    e.file = fileName_;
    const std::string at = "line " + std::to_string(link.line) + ": ";
    struct End {
        const char* column;
        const std::string& site;
        KeyTexts& keys;
    };
    for (const End& end : {End{"from", link.from, link.fromEnd}, End{"to", link.to, link.toEnd}}) {
        e.input = end.column;
        if (end.site.empty()) {
            e.detail = at + "no site given";
            link.problem = e;
            return;
        }
        const SiteRecord* site = sites_.find(end.site);
        if (site == nullptr) {
            e.detail = at + quotedText(end.site) + " is not a site of " + sites_.fileName();
            if (!sites_.unreadableLines().empty()) {
                e.detail += " (its line(s) without a readable site name: " +
                            std::to_string(sites_.unreadableLines().front());
                if (sites_.unreadableLines().size() > 1) e.detail += ", ...";
                e.detail += ")";
            }
            link.problem = e;
            return;
        }
        if (site->problem) {
            e.detail = at + "site " + quotedText(end.site) + " " + *site->problem;
            link.problem = e;
            return;
        }
        // The row's own values win over the site's.
        for (const auto& [key, text] : site->keys) end.keys.emplace(key, text);
    }
    if (link.from == link.to) {
        e.input = "to";
        e.detail = at + quotedText(link.to) + " is also the from site; a link needs two sites";
        link.problem = e;
    }
}

}  // namespace hopscale::cli
