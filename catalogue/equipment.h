// The equipment library of the data directory: the user's radios (one row per modulation mode)
// in radios.csv and antennas in antennas.csv, read, checked and imported. Nothing is shipped:
// the library holds what the user puts there. Plain C++, no Qt.
//
// radios.csv, one header line naming the columns (any order), then one row per mode:
//   radio, mode, capacity_mbps, threshold_dbm                     required
//   max_power_dbm, c0_i_db                                        optional
//   signature_w_mhz, signature_b_db, signature_tau_ns             optional, both phases
//   signature_min_w_mhz, signature_min_b_db, signature_min_tau_ns optional, minimum phase
//   signature_nonmin_w_mhz, signature_nonmin_b_db, signature_nonmin_tau_ns
// A signature is given as all three of its cells or none; the both-phases form and the
// separate phases are not mixed on one row.
// antennas.csv: antenna, diameter_ft (required), gain_dbi, xpd_db (optional).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data_file.h"
#include "errors.h"

namespace hopscale {

inline constexpr const char* kRadiosFileName = "radios.csv";
inline constexpr const char* kAntennasFileName = "antennas.csv";

struct SignatureRecord {
    double widthMHz = 0, depthDb = 0, delayNs = 0;
};

struct RadioModeRecord {
    std::string mode;
    double capacityMbps = 0;
    double thresholdDbm = 0;
    std::optional<double> maxPowerDbm, c0iDb;
    std::optional<SignatureRecord> signatureMinimum, signatureNonMinimum;
    bool signatureBothPhases = false;  // given in the signature_* columns
    std::vector<std::string> cells;    // the row's cells in the order of kRadioColumns
};

struct RadioRecord {
    std::string name;
    std::vector<RadioModeRecord> modes;  // in the order of the file
};

struct AntennaRecord {
    std::string name;
    double diameterFt = 0;
    std::optional<double> gainDbi, xpdDb;
    std::vector<std::string> cells;  // in the order of kAntennaColumns
};

// The columns in the order the program writes them.
const std::vector<std::string>& radioColumns();
const std::vector<std::string>& antennaColumns();

struct EquipmentLibrary {
    std::vector<RadioRecord> radios;
    std::vector<AntennaRecord> antennas;
    const RadioRecord* radio(std::string_view name) const;
    const AntennaRecord* antenna(std::string_view name) const;
};

// What reading one file found: the records and every problem, each naming the file, the line
// and, where one is concerned, the column ("line 4, column 3 (threshold_dbm)").
struct RadiosRead {
    std::vector<RadioRecord> radios;
    std::vector<FileProblem> problems;
};
struct AntennasRead {
    std::vector<AntennaRecord> antennas;
    std::vector<FileProblem> problems;
};
// CSV text (RFC 4180; a UTF-8 byte-order mark, CR, LF or CR LF; blank lines and lines starting
// with "#" skipped; blanks around unquoted cells ignored). Every row is checked.
RadiosRead parseRadiosCsv(std::string_view text, const std::string& fileName);
AntennasRead parseAntennasCsv(std::string_view text, const std::string& fileName);

// The files as the program writes them: the header, then every record with its cells as read.
std::string encodeRadiosCsv(const std::vector<RadioRecord>& radios);
std::string encodeAntennasCsv(const std::vector<AntennaRecord>& antennas);

// Reads both files of the data directory; a file that is absent is an empty part of the
// library. An error (BadFile or FileNotFound, naming the file, and the line and column of the
// first problem) when a file cannot be read or holds a problem.
Result<EquipmentLibrary> loadEquipment(const std::filesystem::path& dataDir);

// Every problem of the two files of the data directory; empty when both are sound or absent.
std::vector<FileProblem> checkEquipment(const std::filesystem::path& dataDir);

struct EquipmentImport {
    // Non-empty: the import failed and nothing was written.
    std::vector<FileProblem> problems;
    std::string written;      // the file written
    std::size_t records = 0;  // radios or antennas in the file written
    bool radios = true;       // which file the CSV held
};
// Imports radios or antennas (told apart by the header's first column, "radio" or "antenna")
// into the data directory. Every row is checked before anything is written; the file is then
// replaced atomically. Without `replace`, the records are merged into the existing file (a
// radio or antenna of the same name is replaced whole, new ones appended; an existing file with
// problems is refused); with it the file holds only the imported records.
EquipmentImport importEquipmentCsv(std::string_view csvText, const std::string& csvName,
                                   const std::filesystem::path& dataDir, bool replace);

// The gain the budget gives a dish of `diameterFt` at `frequencyGHz`: 20 log f + 20 log D + 7.5.
double budgetDishGainDbi(double diameterFt, double frequencyGHz);

}  // namespace hopscale
