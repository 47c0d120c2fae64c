#include "catalogue.h"

#include <array>
#include <cfloat>
#include <cmath>

#include "conversions.h"
#include "data_file.h"

namespace hopscale {

namespace {

// Upper bounds on what the readers can consume, so that a huge file is never read whole.
constexpr std::size_t kCountedTextMax = 2 + kMaxCountedTextBytes;
constexpr std::size_t kIndexFileMaxBytes = (kMaxCatalogueRecords + 1) * 4 * kCountedTextMax;
constexpr std::size_t kTableFileMaxBytes = 202 * kCountedTextMax;

Error fileError(ErrorKind kind, const std::filesystem::path& file, std::string text,
                std::string detail) {
    return Error{kind, {}, displayPath(file), std::move(text), std::move(detail)};
}

}  // namespace

float narrowToSingle(double value) {
    if (std::isnan(value)) return static_cast<float>(value);
    // Half an ulp above FLT_MAX still rounds down to FLT_MAX; from there on it is infinite.
    const double limit = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
    if (std::fabs(value) >= limit) return value > 0 ? INFINITY : -INFINITY;
    if (std::fabs(value) > static_cast<double>(FLT_MAX)) return value > 0 ? FLT_MAX : -FLT_MAX;
    return static_cast<float>(value);
}

bool isSafeLineTypeName(std::string_view name) {
    if (name.empty()) return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

std::filesystem::path attenuationFilePath(const std::filesystem::path& dataDir,
                                          std::string_view lineType) {
    return dataDir / (std::string(lineType) + ".dat");
}

std::optional<Error> readCatalogue(const std::filesystem::path& indexFile, Catalogue& catalogue) {
    auto bytes = readFilePrefix(indexFile, kIndexFileMaxBytes);
    if (!bytes) return *bytes.error;
    parseCatalogue(*bytes, catalogue);
    return std::nullopt;
}

void parseCatalogue(std::string_view bytes, Catalogue& catalogue) {
    CountedTextReader reader(bytes);
    catalogue.catalogueCount = kMaxCatalogueRecords;
    for (int i = 1; i <= kMaxCatalogueRecords; ++i) {
        const std::string name = reader.next();
        const std::string low = reader.next();
        const std::string high = reader.next();
        reader.next();  // reserved
        CatalogueEntry& entry = catalogue.entries[static_cast<std::size_t>(i)];
        entry.name = latin1ToUtf8(name);
        if (name.empty()) {
            catalogue.catalogueCount = static_cast<std::int16_t>(i - 1);
            break;
        }
        entry.lowFrequency = narrowToSingle(textLeadingValue(low));
        entry.highFrequency = narrowToSingle(textLeadingValue(high));
    }
}

Result<std::vector<std::string>> offerLineTypes(const std::filesystem::path& indexFile,
                                                const std::function<std::string()>& readFrequency,
                                                Catalogue& catalogue) {
    if (auto error = readCatalogue(indexFile, catalogue)) return *error;
    return offeredNames(catalogue, readFrequency);
}

std::vector<std::string> offeredNames(const Catalogue& catalogue,
                                      const std::function<std::string()>& readFrequency) {
    std::vector<std::string> offered;
    for (int j = 1; j <= catalogue.catalogueCount; ++j) {
        const CatalogueEntry& entry = catalogue.entries[static_cast<std::size_t>(j)];
        // A low bound of 0 marks the end of the usable catalogue.
        if (entry.lowFrequency == 0) break;
        const double f = textLeadingValue(readFrequency ? readFrequency() : std::string());
        if (f >= static_cast<double>(entry.lowFrequency) &&
            f <= static_cast<double>(entry.highFrequency)) {
            offered.push_back(entry.name);
        }
    }
    return offered;
}

std::optional<Error> readAttenuationTable(const std::filesystem::path& file,
                                          AttenuationTable& table) {
    auto bytes = readFilePrefix(file, kTableFileMaxBytes);
    if (!bytes) return *bytes.error;
    parseAttenuationTable(*bytes, table);
    return std::nullopt;
}

void parseAttenuationTable(std::string_view bytes, AttenuationTable& table) {
    CountedTextReader reader(bytes);
    std::array<std::string, 101> frequencies, attenuations;
    for (auto& text : frequencies) text = reader.next();
    for (auto& text : attenuations) text = reader.next();
    for (int i = 1; i <= kMaxTablePoints; ++i) {
        const auto k = static_cast<std::size_t>(i);
        table.frequencyTexts[k] = frequencies[k];
        table.attenuationTexts[k] = attenuations[k];
        table.pointCount = static_cast<std::int16_t>(i);
        if (frequencies[k].empty()) break;
    }
    table.frequencyTexts[0].clear();
    table.attenuationTexts[0].clear();
}

namespace {

// "8.2 to 12.4 GHz", or a note that the table is empty.
std::string tableRange(const AttenuationTable& table) {
    int last = 0;
    for (int k = 1; k <= table.pointCount; ++k) {
        if (table.frequencyTexts[static_cast<std::size_t>(k)].empty()) break;
        last = k;
    }
    if (last == 0) return "the table has no points";
    return "the table covers " + table.frequencyTexts[1] + " to " +
           table.frequencyTexts[static_cast<std::size_t>(last)] + " GHz";
}

Error outsideTable(const std::filesystem::path& file, std::string_view lineType, double f,
                   const AttenuationTable& table) {
    return fileError(ErrorKind::InvalidArgument, file, {},
                     "frequency " + doubleToText(f) + " GHz is outside the attenuation table of " +
                         std::string(lineType) + " (" + tableRange(table) + ")");
}

// A table text read strictly; the error names the file, the point and the column.
Result<double> pointValue(const std::filesystem::path& file, const std::string& text, int point,
                          const char* column) {
    auto value = textToDouble(text);
    if (value) return value;
    Error e = *value.error;
    e.file = displayPath(file);
    e.text = printableText(text);
    e.detail = std::string(e.kind == ErrorKind::Overflow ? "is out of range" : "is not a number") +
               " (" + column + " of point " + std::to_string(point) + ")";
    return e;
}

Result<float> single(const std::filesystem::path& file, double value, const std::string& what) {
    auto narrowed = toSingle(value);
    if (narrowed) return narrowed;
    Error e = *narrowed.error;
    e.file = displayPath(file);
    e.text.clear();
    e.detail = what + " does not fit a single-precision number";
    return e;
}

}  // namespace

Result<float> lookupAttenuation(const std::filesystem::path& dataDir, std::string_view lineType,
                                std::string_view frequencyText, AttenuationTable& table,
                                ExactMatch exactMatch) {
    const std::filesystem::path file = attenuationFilePath(dataDir, lineType);
    if (!isSafeLineTypeName(lineType)) {
        return fileError(ErrorKind::InvalidArgument, file, {},
                         "unsafe line-type name \"" + printableText(lineType) + "\"");
    }
    if (auto error = readAttenuationTable(file, table)) return *error;
    return searchAttenuation(table, textLeadingValue(frequencyText), exactMatch, file, lineType);
}

Result<float> searchAttenuation(const AttenuationTable& table, double f, ExactMatch exactMatch,
                                const std::filesystem::path& file, std::string_view lineType) {
    // The search stops at the first point at or above f, so the table must increase.
    for (int k = 1; k <= table.pointCount; ++k) {
        const auto ku = static_cast<std::size_t>(k);
        // The empty text after the last point: the frequency lies above the table.
        if (table.frequencyTexts[ku].empty()) break;
        auto fk = pointValue(file, table.frequencyTexts[ku], k, "frequency");
        if (!fk) return *fk.error;
        if (*fk == f) {
            const std::string& text = table.attenuationTexts[ku];
            if (exactMatch == ExactMatch::Lenient) {
                return single(file, textLeadingValue(text),
                              "attenuation of point " + std::to_string(k));
            }
            auto value = textToSingle(text);
            if (value) return value;
            Error e = *value.error;
            e.file = displayPath(file);
            e.text = printableText(text);
            e.detail =
                std::string(e.kind == ErrorKind::Overflow ? "is out of range" : "is not a number") +
                " (attenuation of point " + std::to_string(k) + ")";
            return e;
        }
        if (*fk > f) {
            if (k == 1) return outsideTable(file, lineType, f, table);
            auto fPrev = pointValue(file, table.frequencyTexts[ku - 1], k - 1, "frequency");
            if (!fPrev) return *fPrev.error;
            auto aPrev = pointValue(file, table.attenuationTexts[ku - 1], k - 1, "attenuation");
            if (!aPrev) return *aPrev.error;
            auto aNext = pointValue(file, table.attenuationTexts[ku], k, "attenuation");
            if (!aNext) return *aNext.error;

            // The straight line through the two points, evaluated at f, with the span and
            // the offset held in single precision.
            auto span = single(file, *fk - *fPrev, "frequency span");
            if (!span) return *span.error;
            if (*span == 0) {
                return fileError(ErrorKind::DivisionByZero, file, {},
                                 "points " + std::to_string(k - 1) + " and " + std::to_string(k) +
                                     " of " + std::string(lineType) +
                                     " are too close to interpolate (" + tableRange(table) + ")");
            }
            const double slope = (*aPrev - *aNext) / static_cast<double>(*span);
            auto offset = single(file, f - *fPrev, "frequency offset");
            if (!offset) return *offset.error;
            return single(file, *aPrev - slope * static_cast<double>(*offset),
                          "interpolated attenuation");
        }
    }
    return outsideTable(file, lineType, f, table);
}

Result<float> lookupTxAttenuation(const std::filesystem::path& dataDir, std::string_view lineType,
                                  std::string_view frequencyText, AttenuationTable& table) {
    return lookupAttenuation(dataDir, lineType, frequencyText, table, ExactMatch::Lenient);
}

Result<float> lookupRxAttenuation(const std::filesystem::path& dataDir, std::string_view lineType,
                                  std::string_view frequencyText, AttenuationTable& table) {
    return lookupAttenuation(dataDir, lineType, frequencyText, table, ExactMatch::Strict);
}

}  // namespace hopscale
