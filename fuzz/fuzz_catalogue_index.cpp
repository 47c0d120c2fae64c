// libFuzzer target: the catalogue index reader and the offer. The first line of the input is
// the typed frequency, the rest the bytes of an index file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const hopscale::fuzz::FrequencyAndBytes input = hopscale::fuzz::splitInput(data, size);
    const std::string& frequency = input.frequency;
    const std::string_view bytes = input.bytes;
    hopscale::Catalogue catalogue;
    hopscale::parseCatalogue(bytes, catalogue);
    if (catalogue.catalogueCount < 0 || catalogue.catalogueCount > 100) __builtin_trap();
    const auto names = hopscale::offeredNames(catalogue, [&] { return frequency; });
    if (names.size() > static_cast<std::size_t>(catalogue.catalogueCount)) __builtin_trap();
    return 0;
}
