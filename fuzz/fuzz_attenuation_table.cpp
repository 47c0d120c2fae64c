// libFuzzer target: the attenuation table reader and both lookups. The first line of the
// input is the typed frequency, the rest the bytes of an attenuation file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "conversions.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const hopscale::fuzz::FrequencyAndBytes input = hopscale::fuzz::splitInput(data, size);
    const std::string& frequency = input.frequency;
    const std::string_view bytes = input.bytes;
    hopscale::AttenuationTable table;
    hopscale::parseAttenuationTable(bytes, table);
    if (table.pointCount < 1 || table.pointCount > 100) __builtin_trap();
    const double f = hopscale::textLeadingValue(frequency);
    for (auto match : {hopscale::ExactMatch::Lenient, hopscale::ExactMatch::Strict}) {
        auto value = hopscale::searchAttenuation(table, f, match, "FUZZ.dat", "FUZZ");
        if (value)
            (void)hopscale::singleToText(*value);
        else
            (void)value.error->message();
    }
    return 0;
}
