// The install directory: the one directory that holds every data file (the catalogue index,
// the attenuation tables and the saved inputs). The program names it in two spellings,
// ".../hopscale/" and ".../Hopscale/"; both resolve to the directory chosen here.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "errors.h"
#include "file_names.h"

namespace hopscale {

// Chooses the install directory: `option` (--data-dir) when given, else $HOPSCALE_HOME when
// set and not empty, else $XDG_DATA_HOME/hopscale, else ~/.local/share/hopscale. Creates it
// when missing and, when it holds no file at all, writes the shipped catalogue into it (a
// directory that has lost only some files is left alone, so the loss is reported when the
// file is read). Errors name the directory.
Result<std::filesystem::path> resolveDataDir(std::optional<std::string> option);

// One file of the catalogue built into the program.
struct ShippedFile {
    const char* name;  // "listing.dat", "WR90.dat"
    const unsigned char* bytes;
    std::size_t size;
};
// The shipped catalogue (generated at build time from data/*.csv).
std::span<const ShippedFile> shippedCatalogue();

// Writes the shipped catalogue into `dir`, replacing files of the same names.
std::optional<Error> writeShippedCatalogue(const std::filesystem::path& dir);

}  // namespace hopscale
