// libFuzzer target: the catalogue index reader and the offer. The first line of the input is
// the typed frequency, the rest the bytes of an index file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string frequency(input.substr(0, newline == std::string_view::npos ? 0 : newline));
    const std::string_view bytes =
        newline == std::string_view::npos ? input : input.substr(newline + 1);
    hopscale::Catalogue catalogue;
    hopscale::parseCatalogue(bytes, catalogue);
    if (catalogue.catalogueCount < 0 || catalogue.catalogueCount > 100) __builtin_trap();
    const auto names = hopscale::offeredNames(catalogue, [&] { return frequency; });
    if (names.size() > static_cast<std::size_t>(catalogue.catalogueCount)) __builtin_trap();
    return 0;
}
