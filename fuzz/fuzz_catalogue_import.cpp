// libFuzzer target: the catalogue import's CSV reading and checks. The data directory does
// not exist, so an input that passes every check fails when its files are staged and
// nothing is ever written; every outcome must be a list of problems or a clean import.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalogue_tools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view csv(reinterpret_cast<const char*>(data), size);
    for (const bool replace : {false, true}) {
        const auto outcome =
            hopscale::importCatalogueCsv(csv, "fuzz.csv", "/nonexistent/hopscale-fuzz", replace);
        // Nothing can be written into a directory that is not there.
        if (!outcome.written.empty()) __builtin_trap();
        for (const auto& problem : outcome.problems) (void)problem.text();
    }
    return 0;
}
