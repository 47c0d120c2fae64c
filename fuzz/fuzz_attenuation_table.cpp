// libFuzzer target: the attenuation table reader and both lookups. The first line of the
// input is the typed frequency, the rest the bytes of an attenuation file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "conversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string frequency(input.substr(0, newline == std::string_view::npos ? 0 : newline));
    const std::string_view bytes =
        newline == std::string_view::npos ? input : input.substr(newline + 1);
    hopscale::AttenuationTable table;
    hopscale::parseAttenuationTable(bytes, table);
    if (table.pointCount < 1 || table.pointCount > 100) __builtin_trap();
    const double f = hopscale::textLeadingValue(frequency);
    for (auto match : {hopscale::ExactMatch::Lenient, hopscale::ExactMatch::Strict}) {
        auto value = hopscale::searchAttenuation(table, f, match, "FUZZ.dat", "FUZZ");
        if (value) (void)hopscale::singleToText(*value);
        else (void)value.error->message();
    }
    return 0;
}
