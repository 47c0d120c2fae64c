// The ITU-R P.452-18 validation example "land_70km" kept beside the tests: its 2002-point
// profile and, per frequency, the effective earth radius, the antenna tips, the smooth-earth
// heights and the spherical-earth and delta-Bullington losses (horizontal polarisation, all
// land, antennas 10 m and 10 m).
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversions.h"
#include "csv_reader.h"

namespace hopscale::terrain::testing {

inline std::string validationFile(const std::string& name) {
    return std::string(HOPSCALE_TERRAIN_TEST_DATA) + "/" + name;
}

struct P452Row {
    double frequencyGhz = 0;
    double aeKm = 0;
    double antennaFromM = 0, antennaToM = 0;
    double tipFromM = 0, tipToM = 0;
    double hstdM = 0, hsrdM = 0;
    double ldsphDb = 0, ldDb = 0;
};

// The rows of p452_land70km_results.csv; empty when the file cannot be read.
inline std::vector<P452Row> p452Results() {
    std::ifstream in(validationFile("p452_land70km_results.csv"), std::ios::binary);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    CsvReader reader(text);
    std::vector<std::string> fields;
    std::size_t count = 0;
    std::vector<P452Row> rows;
    if (!reader.next(fields, count)) return rows;  // the header
    while (reader.next(fields, count)) {
        if (count < 10) continue;
        double v[10];
        bool good = true;
        for (std::size_t i = 0; i < 10; ++i) {
            auto value = textToDouble(fields[i]);
            good = good && value.ok();
            v[i] = good ? *value.value : 0;
        }
        if (good) rows.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
    }
    return rows;
}

}  // namespace hopscale::terrain::testing
