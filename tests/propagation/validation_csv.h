// Reads the validation tables in tests/propagation/data (plain numeric CSV with one header
// line) into rows of named columns.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "csv_reader.h"

namespace hopscale::propagation::testing {

struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::size_t column(const std::string& name) const {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] == name) return i;
        }
        std::fprintf(stderr, "no column %s\n", name.c_str());
        std::abort();
    }
    double number(std::size_t row, const std::string& name) const {
        return std::strtod(rows[row][column(name)].c_str(), nullptr);
    }
};

inline CsvTable readValidationCsv(const std::string& fileName) {
    CsvTable table;
    const std::string path = std::string(HOPSCALE_VALIDATION_DIR) + "/" + fileName;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return table;
    CsvReader reader(f, 1 << 16);
    std::vector<std::string> fields;
    std::size_t count = 0;
    bool first = true;
    while (reader.next(fields, count)) {
        std::vector<std::string> row(fields.begin(), fields.begin() + static_cast<long>(count));
        if (first) {
            table.header = std::move(row);
            first = false;
        } else if (!(count == 1 && row[0].empty())) {
            table.rows.push_back(std::move(row));
        }
    }
    std::fclose(f);
    return table;
}

// Expects `actual` within `tolerance` times |expected| of `expected`, naming the case.
inline void expectRelative(double actual, double expected, double tolerance,
                           const std::string& what) {
    EXPECT_LE(std::abs(actual - expected), tolerance * std::abs(expected))
        << what << ": " << actual << " vs " << expected;
}

}  // namespace hopscale::propagation::testing
