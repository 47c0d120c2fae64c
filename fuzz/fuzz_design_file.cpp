// libFuzzer target: the design file reader. Any bytes either fail with an error naming the
// file, or read as a design whose written form reads back to the same design.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "design_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto design = hopscale::design::parseDesign(bytes, "fuzz.hop");
    if (!design) {
        if (design.error->message().find("fuzz.hop") == std::string::npos) __builtin_trap();
        return 0;
    }
    const std::string written = hopscale::design::designJson(*design.value);
    auto again = hopscale::design::parseDesign(written, "again.hop");
    // Texts that are not UTF-8 are replaced when written, so only valid ones must round-trip.
    if (!again) __builtin_trap();
    if (hopscale::design::designJson(*again.value) != written) __builtin_trap();
    return 0;
}
