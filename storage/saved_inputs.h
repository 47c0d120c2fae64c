// The saved-inputs file: the inputs of the last path, kept from one run to the next.
//
// The file holds one record from byte 0, little-endian, packed (no gaps):
//   offset  width  type     field
//    0..52  4 each single   txDishDiameter, txLineLossPer100Ft, rxDishDiameter,
//                           rxLineLossPer100Ft, frequencyGHz, fadeMargin, milesCheckValue,
//                           txLineLength, rxLineLength, earthFactor, kmCheckValue, pathLength,
//                           txPower, preampGain
//   56..68  4 each int32    fromLatitude, fromLongitude, toLatitude, toLongitude (packed DMS)
//   72, 74  2 each int16    dbmSelected, wattsSelected
//   76      2 + N  counted  pathName (Latin-1)
//   78 + N  2      int16    reserved1 (0)
//   80 + N  2      int16    reserved2 (0)
//   82 + N  2 + M  counted  reserved3 (empty)
//   84+N+M  2      int16    reserved4 (0)
// A record written here is 86 + N bytes. Bytes after the record (left by an older, longer
// record) are kept on save and never read.
//
// No Qt here: the windows copy field texts into a PathInputs and back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data_file.h"
#include "errors.h"
#include "path_record.h"

namespace hopscale {

struct SavedInputsRecord {
    float txDishDiameter = 0;      // ft
    float txLineLossPer100Ft = 0;  // dB per 100 ft
    float rxDishDiameter = 0;      // ft
    float rxLineLossPer100Ft = 0;  // dB per 100 ft
    float frequencyGHz = 0;        // GHz
    float fadeMargin = 0;          // dB
    float milesCheckValue = 0;     // 1 = Miles checked
    float txLineLength = 0;        // ft
    float rxLineLength = 0;        // ft
    float earthFactor = 0;         // k
    float kmCheckValue = 0;        // 1 = KM checked
    float pathLength = 0;          // miles or km, as the check values say
    float txPower = 0;             // dBm or W, as the flags say
    float preampGain = 0;          // dB (stored, never restored)
    std::int32_t fromLatitude = 0, fromLongitude = 0, toLatitude = 0, toLongitude = 0;
    std::int16_t dbmSelected = 0, wattsSelected = 0;
    std::string pathName;  // Latin-1 bytes
    std::int16_t reserved1 = 0, reserved2 = 0;
    std::string reserved3;
    std::int16_t reserved4 = 0;
};

// Where the path name's counted text begins: 14 singles, 4 longs and 2 integers.
inline constexpr std::size_t kSavedInputsNameOffset = 14 * 4 + 4 * 4 + 2 * 2;
// Bytes of a stored record without the texts of its path name and reserved string: the
// fields before the name, the two counts and the three integers around them.
inline constexpr std::size_t kSavedInputsFixedBytes = kSavedInputsNameOffset + 2 + 2 + 2 + 2 + 2;
// The largest record a file can hold: the fixed part and two texts of the greatest length.
inline constexpr std::size_t kSavedInputsMaxBytes = kSavedInputsFixedBytes + 2 * 65535;

// The record's exact bytes. Texts longer than 65,535 bytes are cut there.
std::string encodeSavedInputs(const SavedInputsRecord& record);
// The record at the start of `bytes`; nullopt when the bytes end inside it.
std::optional<SavedInputsRecord> decodeSavedInputs(std::string_view bytes);

// Opens the file (creating it empty when absent, but never through a symbolic link that
// leads nowhere) without blocking and, when it is a regular file holding a whole record whose
// txDishDiameter is not 0, applies it: Text1, Text2, Text3, Text8, Text10, Text12, the
// Miles box, Text16, Text18, Text22, the KM box, Text24, Text26 (singleToText), Text4 = "0",
// the four coordinates (integerToText), the two flags, Text11 (Latin-1 to UTF-8), and then
// DBM when dbmSelected is 1 and WATTS when wattsSelected is 1. The boxes and buttons follow
// their pair rules, so with the complementary values written by saveInputs the result is
// the stored state. Returns true when a record was applied. A file that may only be read
// is still loaded. Errors (the file cannot be created or read, or is not a regular file)
// name the file; nothing is changed then.
Result<bool> loadSavedInputs(const std::filesystem::path& file, PathInputs& inputs,
                             std::int16_t& dbmSelected, std::int16_t& wattsSelected);

// The applying half of loadSavedInputs: false (and nothing changed) when txDishDiameter is 0.
bool applySavedInputs(const SavedInputsRecord& record, PathInputs& inputs,
                      std::int16_t& dbmSelected, std::int16_t& wattsSelected);

// Builds the record from the field texts and writes it over the start of the file,
// keeping any older tail, through a temporary file that is flushed and renamed over the
// old one. The single fields are read with textToSingle; the coordinates, and the path
// length when KM is checked, with the same lenient reading as the calculation (so
// "41 25 30" is stored as 412530), the coordinates rounded to whole numbers, halves to
// even. The path length comes from `pathLengthText` (the text as typed before the run).
// A field that cannot be stored gives an error naming it and leaves the file as it was.
// The file is written as writeFileAtomically writes (data_file.h): through a symbolic link
// to its target, keeping owner and permissions, and never over a read-only file.
std::optional<Error> saveInputs(const std::filesystem::path& file, const PathInputs& inputs,
                                const std::string& pathLengthText, std::int16_t dbmSelected,
                                std::int16_t wattsSelected);

// Checks the saved-inputs file of a data directory, when there is one: a file that cannot
// be read, or one that ends inside its record (so that nothing will be loaded).
std::vector<FileProblem> checkSavedInputsFile(const std::filesystem::path& dataDir);

// The record saveInputs would write (exposed for tests and tools).
Result<SavedInputsRecord> savedInputsFromFields(const PathInputs& inputs,
                                                const std::string& pathLengthText,
                                                std::int16_t dbmSelected,
                                                std::int16_t wattsSelected);

}  // namespace hopscale
