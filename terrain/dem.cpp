#include "dem.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <set>

#include "raster_module.h"

namespace hopscale::terrain {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kWgs84A = 6378137.0;          // semi-major axis, m
constexpr double kWgs84E2 = 0.00669437999014;  // first eccentricity squared

Error rasterError(ErrorKind kind, const std::string& file, std::string detail) {
    Error e;
    e.kind = kind;
    e.file = file;
    e.detail = std::move(detail);
    return e;
}

bool hasRasterExtension(const std::filesystem::path& path) {
    static const std::set<std::string> extensions = {".hgt", ".tif", ".tiff", ".dem",
                                                     ".vrt", ".img", ".asc",  ".dt0",
                                                     ".dt1", ".dt2", ".bil",  ".flt"};
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extensions.count(ext) != 0;
}

}  // namespace

std::string pointText(GeoPoint p) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%.5f %c, %.5f %c", std::fabs(p.latitudeDeg),
                  p.latitudeDeg < 0 ? 'S' : 'N', std::fabs(p.longitudeEastDeg),
                  p.longitudeEastDeg < 0 ? 'W' : 'E');
    return buffer;
}

std::string srtmTileName(GeoPoint p) {
    const int lat = static_cast<int>(std::floor(p.latitudeDeg));
    const int lon = static_cast<int>(std::floor(p.longitudeEastDeg));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%c%02d%c%03d.hgt", lat < 0 ? 'S' : 'N', std::abs(lat),
                  lon < 0 ? 'W' : 'E', std::abs(lon));
    return buffer;
}

struct ElevationRasters::Raster {
    std::string path;
    std::unique_ptr<RasterFile> file;  // read through the GDAL module
    double toPixel[6] = {};  // geo (x, y) -> pixel (column, line), corners at whole numbers
    int width = 0;
    int height = 0;
    bool hasNoData = false;
    double noData = 0;
    double scale = 1;  // value -> metres: value * scale + offset
    double offset = 0;
    bool geographic = true;
    double pixelXDeg = 0, pixelYDeg = 0;  // geographic pixel size, degrees
    double pixelXM = 0, pixelYM = 0;      // projected pixel size, m
    // An uncompressed SRTM tile is read straight from the mapped file: GDAL reads such tiles a
    // whole row at a time, which for a path crossing 3,000 rows is most of the work.
    const unsigned char* mapped = nullptr;
    std::size_t mappedBytes = 0;

    Raster() = default;
    Raster(const Raster&) = delete;
    Raster& operator=(const Raster&) = delete;
    ~Raster() {
        if (mapped != nullptr) ::munmap(const_cast<unsigned char*>(mapped), mappedBytes);
    }

    // Maps the file when it is a plain .hgt tile: big-endian 16-bit rows, nothing else.
    void mapSrtmTile(bool plainSrtmTile) {
        if (!plainSrtmTile || scale != 1 || offset != 0) return;
        const std::size_t expected =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) == expected) {
            void* p = ::mmap(nullptr, expected, PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                mapped = static_cast<const unsigned char*>(p);
                mappedBytes = expected;
            }
        }
        ::close(fd);
    }

    // The window [c0, c0 + w) x [r0, r0 + h) (w, h of 1 or 2) into `out`, row by row.
    bool read(int c0, int r0, int w, int h, double* out) const {
        if (mapped != nullptr) {
            for (int r = 0; r < h; ++r) {
                for (int c = 0; c < w; ++c) {
                    const std::size_t at =
                        (static_cast<std::size_t>(r0 + r) * width + (c0 + c)) * 2;
                    const auto u = static_cast<std::uint16_t>((mapped[at] << 8) | mapped[at + 1]);
                    out[r * w + c] = static_cast<std::int16_t>(u);
                }
            }
            return true;
        }
        return file->read(c0, r0, w, h, out);
    }

    // The value at pixel position (column, line), bilinear between the four nearest pixel
    // centres; in the outer half pixel, that of the edge pixels.
    Result<double> valueAt(double column, double line, GeoPoint p) const;

    // Pixel position of `p`; false when the raster does not cover it.
    bool locate(GeoPoint p, double& column, double& line) const {
        double x = p.longitudeEastDeg;
        double y = p.latitudeDeg;
        if (!geographic) {
            if (!file->fromWgs84(x, y)) return false;
        }
        for (int wrap = 0; wrap < 3; ++wrap) {
            const double shift = geographic ? (wrap == 0 ? 0.0 : wrap == 1 ? 360.0 : -360.0) : 0.0;
            const double gx = x + shift;
            column = toPixel[0] + toPixel[1] * gx + toPixel[2] * y;
            line = toPixel[3] + toPixel[4] * gx + toPixel[5] * y;
            if (column >= 0 && column <= width && line >= 0 && line <= height) return true;
            if (!geographic) break;
        }
        return false;
    }
};

ElevationRasters::ElevationRasters() = default;
ElevationRasters::ElevationRasters(ElevationRasters&&) noexcept = default;
ElevationRasters& ElevationRasters::operator=(ElevationRasters&&) noexcept = default;
ElevationRasters::~ElevationRasters() = default;

Result<ElevationRasters> ElevationRasters::open(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        Error e;
        e.kind = ErrorKind::InvalidArgument;
        e.input = "elevation rasters";
        e.detail = "none given";
        return e;
    }
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            std::vector<std::string> inFolder;
            for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
                if (entry.is_regular_file(ec) && hasRasterExtension(entry.path())) {
                    inFolder.push_back(entry.path().string());
                }
            }
            if (ec) return rasterError(ErrorKind::FileNotFound, path, "cannot be listed");
            if (inFolder.empty()) {
                return rasterError(ErrorKind::BadFile, path,
                                   "holds no elevation raster (.hgt, .tif, ...)");
            }
            std::sort(inFolder.begin(), inFolder.end());
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else if (std::filesystem::exists(path, ec)) {
            files.push_back(path);
        } else {
            return rasterError(ErrorKind::FileNotFound, path, "does not exist");
        }
    }

    // GDAL is loaded only now, when a raster is to be read.
    Result<const RasterReader*> reader = rasterReader();
    if (!reader) return *reader.error;
    ElevationRasters set;
    for (const std::string& file : files) {
        auto raster = std::make_unique<Raster>();
        raster->path = file;
        RasterGrid grid;
        std::string why;
        raster->file = (*reader)->open(file, grid, why);
        if (!raster->file) return rasterError(ErrorKind::BadFile, file, why);
        raster->width = grid.width;
        raster->height = grid.height;
        std::copy(std::begin(grid.toPixel), std::end(grid.toPixel), raster->toPixel);
        raster->hasNoData = grid.hasNoData;
        raster->noData = grid.noData;
        raster->scale = grid.scale;
        raster->offset = grid.offset;
        const std::string& unit = grid.unit;
        if (unit == "ft" || unit == "foot" || unit == "feet" || unit == "us survey foot") {
            raster->scale *= kMetresPerFoot;
            raster->offset *= kMetresPerFoot;
        }
        raster->geographic = grid.geographic;
        raster->pixelXDeg = grid.pixelXDeg;
        raster->pixelYDeg = grid.pixelYDeg;
        raster->pixelXM = grid.pixelXM;
        raster->pixelYM = grid.pixelYM;
        raster->mapSrtmTile(grid.plainSrtmTile);
        set.rasters_.push_back(std::move(raster));
    }
    return set;
}

std::vector<std::string> ElevationRasters::files() const {
    std::vector<std::string> out;
    for (const auto& r : rasters_) out.push_back(r->path);
    return out;
}

double ElevationRasters::sampleSpacingM(double latitudeDeg, double azimuthDeg) const {
    const double north = std::fabs(std::cos(azimuthDeg * kPi / 180));
    const double east = std::fabs(std::sin(azimuthDeg * kPi / 180));
    // Lengths of a degree along the meridian and the parallel at this latitude.
    const double sinLat = std::sin(latitudeDeg * kPi / 180);
    const double cosLat = std::max(std::cos(latitudeDeg * kPi / 180), 1e-6);
    const double w = 1 - kWgs84E2 * sinLat * sinLat;
    const double meridianM = kWgs84A * (1 - kWgs84E2) / (w * std::sqrt(w)) * kPi / 180;
    const double parallelM = kWgs84A / std::sqrt(w) * cosLat * kPi / 180;
    double best = std::numeric_limits<double>::infinity();
    for (const auto& r : rasters_) {
        const double xM = r->geographic ? r->pixelXDeg * parallelM : r->pixelXM;
        const double yM = r->geographic ? r->pixelYDeg * meridianM : r->pixelYM;
        const double perMetre = std::max(north / yM, east / xM);  // pixels crossed per metre
        if (perMetre > 0) best = std::min(best, 1 / perMetre);
    }
    return best;
}

Result<double> ElevationRasters::elevationAt(GeoPoint p) const {
    const std::size_t count = rasters_.size();
    // A raster that holds the point between its outermost pixel centres reads it by
    // interpolation alone; the half pixel outside the centres, where a raster can only repeat
    // its edge, serves only when no raster holds the point inside. Where tiles meet, the one
    // whose interior holds the point therefore answers, whichever was read last.
    std::size_t edgeHit = count;
    double edgeColumn = 0, edgeLine = 0;
    for (std::size_t tried = 0; tried < count; ++tried) {
        const std::size_t at = (lastHit_ + tried) % count;
        const Raster& r = *rasters_[at];
        double column = 0, line = 0;
        if (!r.locate(p, column, line)) continue;
        const bool inside =
            column >= 0.5 && column <= r.width - 0.5 && line >= 0.5 && line <= r.height - 0.5;
        if (inside) {
            lastHit_ = at;
            return r.valueAt(column, line, p);
        }
        if (edgeHit == count) {
            edgeHit = at;
            edgeColumn = column;
            edgeLine = line;
        }
    }
    if (edgeHit < count) {
        lastHit_ = edgeHit;
        return rasters_[edgeHit]->valueAt(edgeColumn, edgeLine, p);
    }
    Error e;
    e.kind = ErrorKind::FileNotFound;
    e.input = pointText(p);
    e.detail = "no elevation raster given covers it (its SRTM tile is " + srtmTileName(p) + ")";
    return e;
}

Result<double> ElevationRasters::Raster::valueAt(double column, double line, GeoPoint p) const {
    const Raster& r = *this;
    // Pixel values stand for pixel centres; between centres the value is bilinear, and
    // in the outer half pixel it is that of the edge pixels.
    const double fx = column - 0.5;
    const double fy = line - 0.5;
    const int c0 = std::clamp(static_cast<int>(std::floor(fx)), 0, r.width - 1);
    const int r0 = std::clamp(static_cast<int>(std::floor(fy)), 0, r.height - 1);
    const int c1 = std::min(c0 + 1, r.width - 1);
    const int r1 = std::min(r0 + 1, r.height - 1);
    const double tx = c1 == c0 ? 0.0 : std::clamp(fx - c0, 0.0, 1.0);
    const double ty = r1 == r0 ? 0.0 : std::clamp(fy - r0, 0.0, 1.0);
    double v[4] = {0, 0, 0, 0};  // (c0,r0) (c1,r0) (c0,r1) (c1,r1)
    double block[4] = {0, 0, 0, 0};
    const int w = c1 - c0 + 1;
    const int h = r1 - r0 + 1;
    if (!r.read(c0, r0, w, h, block)) {
        Error e = rasterError(ErrorKind::BadFile, r.path,
                              "could not be read (" + r.file->lastMessage() + ")");
        e.input = pointText(p);
        return e;
    }
    v[0] = block[0];
    v[1] = block[w - 1];
    v[2] = block[(h - 1) * w];
    v[3] = block[(h - 1) * w + w - 1];
    const double weight[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        if (weight[i] == 0) continue;
        if (std::isnan(v[i]) || (r.hasNoData && v[i] == r.noData)) {
            Error e = rasterError(ErrorKind::BadFile, r.path, "has a void (no-data) pixel there");
            e.input = pointText(p);
            return e;
        }
        sum += weight[i] * v[i];
    }
    return sum * r.scale + r.offset;
}

Result<Profile> extractProfile(const ElevationRasters& rasters, GeoPoint from, GeoPoint to) {
    const GeodesicLine line(from, to);
    const double lengthM = line.lengthM();
    if (!(lengthM >= 1)) {
        Error e;
        e.kind = ErrorKind::InvalidArgument;
        e.input = "path ends";
        e.detail = "the two ends are less than 1 m apart";
        return e;
    }
    double endAzimuth = 0;
    line.pointAt(lengthM, endAzimuth);
    const double spacing =
        std::min(rasters.sampleSpacingM(from.latitudeDeg, line.startAzimuthDeg()),
                 rasters.sampleSpacingM(to.latitudeDeg, endAzimuth));
    const double steps = std::max(2.0, std::ceil(lengthM / spacing));
    if (!(steps < static_cast<double>(kMostProfileSamples))) {
        Error e;
        e.kind = ErrorKind::InvalidArgument;
        e.input = "path ends";
        e.detail = "the path would need more than " + std::to_string(kMostProfileSamples) +
                   " samples at the rasters' resolution";
        return e;
    }
    const std::size_t n = static_cast<std::size_t>(steps);
    Profile profile;
    profile.points.resize(n + 1);
    for (std::size_t i = 0; i <= n; ++i) {
        const double s =
            i == n ? lengthM : lengthM * static_cast<double>(i) / static_cast<double>(n);
        const GeoPoint p = line.pointAt(s);
        auto ground = rasters.elevationAt(p);
        if (!ground) {
            Error e = *ground.error;
            char at[64];
            std::snprintf(at, sizeof at, ", %.3f km from the From end", s / 1000);
            e.input += at;
            return e;
        }
        profile.points[i].distanceKm = s / 1000;
        profile.points[i].groundM = *ground;
    }
    profile.points.front().distanceKm = 0;
    profile.pathKm = profile.points.back().distanceKm;
    for (const std::string& f : rasters.files())
        profile.source += (profile.source.empty() ? "" : ", ") + f;
    return profile;
}

}  // namespace hopscale::terrain
