// libFuzzer target: the equipment library's readers (radios.csv, antennas.csv) and the import
// into a data directory that does not exist, so nothing is ever written. Every outcome must be
// records or problems; records read must encode and read back to the same records.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "equipment.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view csv(reinterpret_cast<const char*>(data), size);
    const hopscale::RadiosRead radios = hopscale::parseRadiosCsv(csv, "radios.csv");
    if (radios.problems.empty()) {
        const hopscale::RadiosRead again =
            hopscale::parseRadiosCsv(hopscale::encodeRadiosCsv(radios.radios), "again.csv");
        if (!again.problems.empty() || again.radios.size() != radios.radios.size())
            __builtin_trap();
    }
    for (const auto& p : radios.problems) (void)p.text();
    const hopscale::AntennasRead antennas = hopscale::parseAntennasCsv(csv, "antennas.csv");
    if (antennas.problems.empty()) {
        const hopscale::AntennasRead again =
            hopscale::parseAntennasCsv(hopscale::encodeAntennasCsv(antennas.antennas), "again.csv");
        if (!again.problems.empty() || again.antennas.size() != antennas.antennas.size()) {
            __builtin_trap();
        }
    }
    const auto outcome =
        hopscale::importEquipmentCsv(csv, "fuzz.csv", "/nonexistent/hopscale-fuzz", true);
    if (!outcome.written.empty()) __builtin_trap();
    return 0;
}
