// Splits a fuzz input into the typed frequency (its first line) and the file bytes (the rest).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hopscale::fuzz {

struct FrequencyAndBytes {
    std::string frequency;
    std::string_view bytes;
};

inline FrequencyAndBytes splitInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos) return {std::string(), input};
    return {std::string(input.substr(0, newline)), input.substr(newline + 1)};
}

}  // namespace hopscale::fuzz
