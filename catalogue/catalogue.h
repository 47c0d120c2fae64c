// The transmission-line catalogue: the index of line types with their usable frequency
// ranges ("listing.dat"), the offer of the types that cover a frequency, and the per-type
// attenuation tables ("NAME.dat") with the lookup of the loss at a frequency.
//
// File formats (all texts are counted texts, see data_file.h):
//   index file        records of four texts: name, low GHz, high GHz, reserved. An empty
//                     name, or the end of the file, ends the catalogue; at most 100 records
//                     are read.
//   attenuation file  101 frequency texts (GHz, index 0 unused), then 101 attenuation texts
//                     (dB per 100 ft, index 0 unused). The first empty frequency text ends
//                     the table.
// Line-type names are Latin-1 in the files and UTF-8 in memory; the attenuation file of a
// type is named by its UTF-8 name followed by ".dat".
//
// No Qt here: the guide window only copies names and values in and out.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "errors.h"

namespace hopscale {

inline constexpr int kMaxCatalogueRecords = 100;
inline constexpr int kMaxTablePoints = 100;

// How a lookup reads the attenuation text of a point that matches the frequency exactly:
// leniently (transmit side) or strictly (receive side).
enum class ExactMatch { Lenient, Strict };

struct CatalogueEntry {
    std::string name;         // UTF-8
    float lowFrequency = 0;   // GHz
    float highFrequency = 0;  // GHz
};

struct Catalogue {
    std::array<CatalogueEntry, 101> entries;  // index 0 unused
    std::int16_t catalogueCount = 0;          // entries read by the last run
};

struct AttenuationTable {
    std::array<std::string, 101> frequencyTexts, attenuationTexts;  // index 0 unused
    std::int16_t pointCount = 0;  // index of the first empty frequency text, or 100
};

// Reads the index file into `catalogue`, replacing entries 1 up to and including the
// terminating one (entries beyond keep older contents), and sets catalogueCount. Then
// scans entries 1..catalogueCount: a lowFrequency of 0 ends the scan; for every other entry
// `readFrequency` is called and its text read leniently (textLeadingValue) as f in GHz, and
// the entry is offered when lowFrequency <= f <= highFrequency (the single bounds widened to
// double). Returns the offered names in catalogue order. A file that cannot be opened is a
// FileNotFound error naming it; `catalogue` is then unchanged.
Result<std::vector<std::string>> offerLineTypes(const std::filesystem::path& indexFile,
                                                const std::function<std::string()>& readFrequency,
                                                Catalogue& catalogue);

// Reads an index file into `catalogue` (the reading half of offerLineTypes).
std::optional<Error> readCatalogue(const std::filesystem::path& indexFile, Catalogue& catalogue);
// The same from the file's bytes.
void parseCatalogue(std::string_view bytes, Catalogue& catalogue);
// The offering half: the names of entries 1..catalogueCount whose range covers the
// frequency, up to the first entry whose lowFrequency is 0.
std::vector<std::string> offeredNames(const Catalogue& catalogue,
                                      const std::function<std::string()>& readFrequency);

// The two lookups of the attenuation in dB per 100 ft of line type `lineType` at the
// frequency `frequencyText` (GHz, read leniently). Each reads dataDir / (lineType + ".dat")
// afresh into `table`. At a table point the value is the point's attenuation text: the
// transmit side reads it leniently (textLeadingValue, "0.95 dB" gives 0.95), the receive
// side strictly (textToSingle, "0.95 dB" is a type mismatch). Between two points the value
// is interpolated on the straight line through them. Errors name the file: a missing file,
// an unsafe name (never opened), a point text that is not a number, a frequency outside
// the table's range.
Result<float> lookupTxAttenuation(const std::filesystem::path& dataDir, std::string_view lineType,
                                  std::string_view frequencyText, AttenuationTable& table);
Result<float> lookupRxAttenuation(const std::filesystem::path& dataDir, std::string_view lineType,
                                  std::string_view frequencyText, AttenuationTable& table);

// The shared algorithm of the two lookups.
Result<float> lookupAttenuation(const std::filesystem::path& dataDir, std::string_view lineType,
                                std::string_view frequencyText, AttenuationTable& table,
                                ExactMatch exactMatch);

// Reads an attenuation file into `table` (the reading half of the lookup).
std::optional<Error> readAttenuationTable(const std::filesystem::path& file,
                                          AttenuationTable& table);
// The same from the file's bytes.
void parseAttenuationTable(std::string_view bytes, AttenuationTable& table);
// The searching half: the attenuation at f GHz from a table read from `file` (named in
// errors) for line type `lineType`.
Result<float> searchAttenuation(const AttenuationTable& table, double f, ExactMatch exactMatch,
                                const std::filesystem::path& file, std::string_view lineType);

// A line-type name may become a file name: refused when empty, or when it holds a path
// separator ("/" or "\"), "..", a control character or a NUL byte.
bool isSafeLineTypeName(std::string_view name);

// The attenuation file of a line type.
std::filesystem::path attenuationFilePath(const std::filesystem::path& dataDir,
                                          std::string_view lineType);

// Rounds a double to single precision, saturating to +-infinity beyond the single range.
float narrowToSingle(double value);

}  // namespace hopscale
