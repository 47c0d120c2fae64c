// libFuzzer target: the saved-inputs record. Decodes, applies the record to the fields,
// builds a record from those fields again and checks that encoding is stable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "saved_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto record = hopscale::decodeSavedInputs(bytes);
    if (!record) return 0;
    // A decoded record encodes to exactly the bytes it came from.
    const std::string encoded = hopscale::encodeSavedInputs(*record);
    if (bytes.substr(0, encoded.size()) != encoded) __builtin_trap();
    hopscale::PathInputs inputs;
    std::int16_t dbm = 0, watts = 0;
    if (hopscale::applySavedInputs(*record, inputs, dbm, watts)) {
        auto again =
            hopscale::savedInputsFromFields(inputs, inputs[hopscale::Field::Text24], dbm, watts);
        if (again)
            (void)hopscale::encodeSavedInputs(*again);
        else
            (void)again.error->message();
    }
    return 0;
}
