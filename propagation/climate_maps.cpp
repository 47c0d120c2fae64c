#include "climate_maps.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "rain.h"

namespace hopscale::propagation {

Result<QuarterDegreeMap> QuarterDegreeMap::read(const std::string& path,
                                                const std::string& inputCaption) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        Error e{ErrorKind::FileNotFound};
        e.input = inputCaption;
        e.file = path;
        e.detail = "cannot be opened";
        return e;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (file.bad()) {
        Error e{ErrorKind::BadFile};
        e.input = inputCaption;
        e.file = path;
        e.detail = "cannot be read";
        return e;
    }
    return parse(bytes.str(), path, inputCaption);
}

Result<QuarterDegreeMap> QuarterDegreeMap::parse(std::string_view text, const std::string& path,
                                                 const std::string& inputCaption) {
    auto bad = [&](std::string detail) {
        Error e{ErrorKind::BadFile};
        e.input = inputCaption;
        e.file = path;
        e.detail = std::move(detail);
        return e;
    };
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(kRows) * kColumns);
    int rows = 0;
    std::size_t lineNo = 0;
    std::string number;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNo;
        int count = 0;
        std::size_t i = 0;
        while (true) {
            while (i < line.size() &&
                   (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == ',')) {
                ++i;
            }
            if (i >= line.size()) break;
            std::size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r' &&
                   line[j] != ',') {
                ++j;
            }
            number.assign(line.substr(i, j - i));
            char* stop = nullptr;
            errno = 0;
            const double v = std::strtod(number.c_str(), &stop);
            if (stop != number.c_str() + number.size() || number.empty() || !std::isfinite(v) ||
                !std::isfinite(static_cast<float>(v))) {
                return bad("line " + std::to_string(lineNo) + ", value " +
                           std::to_string(count + 1) + " is not a number");
            }
            if (rows >= kRows) {
                return bad("holds more than " + std::to_string(kRows) + " lines of numbers");
            }
            values.push_back(static_cast<float>(v));
            ++count;
            i = j;
        }
        if (count == 0) continue;  // a blank line
        if (count != kColumns) {
            return bad("line " + std::to_string(lineNo) + " holds " + std::to_string(count) +
                       " numbers, not " + std::to_string(kColumns) +
                       " (a 0.25 degree grid from -180 to 180)");
        }
        ++rows;
    }
    if (rows != kRows) {
        return bad("holds " + std::to_string(rows) + " lines of numbers, not " +
                   std::to_string(kRows) + " (a 0.25 degree grid from 90 to -90)");
    }
    return fromValues(std::move(values), path);
}

QuarterDegreeMap QuarterDegreeMap::fromValues(std::vector<float> values, std::string path) {
    QuarterDegreeMap map;
    map.values_ = std::move(values);
    map.path_ = std::move(path);
    return map;
}

Result<double> QuarterDegreeMap::valueAt(double lat, double lon) const {
    if (!(lat >= -90.0 && lat <= 90.0) || !std::isfinite(lon)) {
        Error e{ErrorKind::InvalidArgument};
        e.file = path_;
        e.detail = "the point lies outside the map's grid (latitude -90 to 90)";
        return e;
    }
    return globalGridValue(values_, kRows, kColumns, kStepDeg, lat, lon);
}

}  // namespace hopscale::propagation
