// Timings of the terrain library on the sizes a real hop has: 100 km, 3,000 points, the three
// North American criteria; and extraction from a 1-arc-second SRTM tile (3601 x 3601).
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "clearance.h"
#include "dem.h"
#include "diffraction.h"
#include "reflection.h"

namespace {

using namespace hopscale::terrain;

// Rolling hills: a few sines of different wavelengths between 200 and 600 m, a forest patch.
Profile hillyProfile(std::size_t points, double pathKm) {
    Profile p;
    p.pathKm = pathKm;
    for (std::size_t i = 0; i < points; ++i) {
        const double km = pathKm * static_cast<double>(i) / static_cast<double>(points - 1);
        const double ground =
            400 + 120 * std::sin(km / 7.3) + 60 * std::sin(km / 1.9 + 1) + 15 * std::sin(km * 3.1);
        p.points.push_back({km, ground, (km > 40 && km < 47) ? 18.0 : 0.0, ""});
    }
    p.points.back().distanceKm = pathKm;
    return p;
}

void BM_clearance_100km_3000_points(benchmark::State& state) {
    const Profile profile = hillyProfile(3000, 100);
    for (auto _ : state) {
        auto model = ClearanceModel::make(profile, 7.5, northAmericanCriteria());
        ClearanceReport report = model.value->evaluate({60, 45}, FixedEnd::None);
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_clearance_100km_3000_points)->Unit(benchmark::kMicrosecond);

void BM_height_change_100km_3000_points(benchmark::State& state) {
    auto model = ClearanceModel::make(hillyProfile(3000, 100), 7.5, northAmericanCriteria());
    double h = 40;
    for (auto _ : state) {
        h = h > 80 ? 40 : h + 0.1;
        ClearanceReport report = model.value->evaluate({h, 45}, FixedEnd::To);
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_height_change_100km_3000_points)->Unit(benchmark::kMicrosecond);

// The complete diffraction loss over the same 3,000 points: the knife edge, Bullington over the
// profile and over the smooth earth, the smooth-earth fit and the spherical-earth loss. Goal:
// under 0.3 ms.
void BM_delta_bullington_3000_points(benchmark::State& state) {
    const Profile profile = hillyProfile(3000, 100);
    DiffractionInputs in;
    in.frequencyGhz = 7.5;
    in.antennas = {60, 45};
    for (auto _ : state) {
        auto r = computeDiffraction(profile, in);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_delta_bullington_3000_points)->Unit(benchmark::kMicrosecond);

// The reflection at the three criteria's k with a sweep of the receive height in 1,000 steps,
// nulls and peaks refined, over 3,000 points of a 40 km reflecting plain. Goal: under 1 ms.
void BM_reflection_1000_step_sweep(benchmark::State& state) {
    Profile plain = hillyProfile(3000, 40);
    for (ProfilePoint& p : plain.points) {
        p.groundM = 120;
        p.obstructionM = 0;
        p.reflecting = true;
    }
    ReflectionInputs in;
    in.frequencyGhz = 7.5;
    in.antennas = {150, 120};
    in.earthFactors = {4.0 / 3.0, 1.0, 2.0 / 3.0};
    in.sweepSteps = 1000;
    std::size_t extremes = 0;
    for (auto _ : state) {
        auto r = computeReflection(plain, in);
        extremes = r.value->nullHeightsM.size() + r.value->peakHeightsM.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["extremes"] = static_cast<double>(extremes);
}
BENCHMARK(BM_reflection_1000_step_sweep)->Unit(benchmark::kMicrosecond);

// A 1-arc-second tile N41W082 with smooth hills, written once per run.
class Tile {
  public:
    Tile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "hopscale-bench-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        const int n = 3601;
        std::string bytes(static_cast<std::size_t>(n) * n * 2, '\0');
        for (int row = 0; row < n; ++row) {
            for (int col = 0; col < n; ++col) {
                const double v = 300 + 150 * std::sin(row / 211.0) * std::cos(col / 157.0) +
                                 20 * std::sin(col / 13.0);
                const auto u =
                    static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
                const std::size_t at = (static_cast<std::size_t>(row) * n + col) * 2;
                bytes[at] = static_cast<char>(u >> 8);
                bytes[at + 1] = static_cast<char>(u & 0xff);
            }
        }
        std::ofstream(path(), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~Tile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    Tile(const Tile&) = delete;
    Tile& operator=(const Tile&) = delete;
    std::string path() const { return (dir_ / "N41W082.hgt").string(); }

  private:
    std::filesystem::path dir_;
};

const Tile& tile() {
    static const Tile t;
    return t;
}

// About 100 km north-north-east across the tile: some 3,100 samples at one per pixel.
const hopscale::GeoPoint kFrom{41.04, -81.90};
const hopscale::GeoPoint kTo{41.92, -81.55};

void BM_extract_100km_from_1_arcsecond_tile(benchmark::State& state) {
    const std::string file = tile().path();
    std::size_t points = 0;
    for (auto _ : state) {
        auto rasters = ElevationRasters::open({file});
        auto profile = extractProfile(*rasters.value, kFrom, kTo);
        points = profile.value->points.size();
        benchmark::DoNotOptimize(profile);
    }
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_extract_100km_from_1_arcsecond_tile)->Unit(benchmark::kMillisecond);

void BM_extract_and_judge_100km(benchmark::State& state) {
    const std::string file = tile().path();
    for (auto _ : state) {
        auto rasters = ElevationRasters::open({file});
        auto profile = extractProfile(*rasters.value, kFrom, kTo);
        auto model = ClearanceModel::make(std::move(*profile.value), 7.5, northAmericanCriteria());
        benchmark::DoNotOptimize(model.value->evaluate({40, 40}));
    }
}
BENCHMARK(BM_extract_and_judge_100km)->Unit(benchmark::kMillisecond);

// The same hills as a tiled, DEFLATE-compressed Float32 GeoTIFF of 3600 x 3600 pixels, as
// Copernicus DEM tiles come: read through GDAL's own block cache rather than the mapped .hgt.
// Inflating the 1024 x 1024 blocks the path crosses is most of this one's time.
class GeoTiffTile {
  public:
    GeoTiffTile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "hopscale-bench-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        GDALAllRegister();
        const int n = 3600;
        char tiled[] = "TILED=YES";
        char blockX[] = "BLOCKXSIZE=1024";
        char blockY[] = "BLOCKYSIZE=1024";
        char deflate[] = "COMPRESS=DEFLATE";
        char* options[] = {tiled, blockX, blockY, deflate, nullptr};
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
        GDALDataset* ds = driver->Create(path().c_str(), n, n, 1, GDT_Float32, options);
        double geo[6] = {-82, 1.0 / n, 0, 42, 0, -1.0 / n};
        ds->SetGeoTransform(geo);
        OGRSpatialReference srs;
        srs.importFromEPSG(4326);
        ds->SetSpatialRef(&srs);
        std::vector<float> row(n);
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c) {
                row[c] = static_cast<float>(300 + 150 * std::sin(r / 211.0) * std::cos(c / 157.0) +
                                            20 * std::sin(c / 13.0));
            }
            if (ds->GetRasterBand(1)->RasterIO(GF_Write, 0, r, n, 1, row.data(), n, 1, GDT_Float32,
                                               0, 0, nullptr) != CE_None) {
                break;
            }
        }
        GDALClose(ds);
    }
    ~GeoTiffTile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    GeoTiffTile(const GeoTiffTile&) = delete;
    GeoTiffTile& operator=(const GeoTiffTile&) = delete;
    std::string path() const { return (dir_ / "Copernicus_DSM_N41_W082_DEM.tif").string(); }

  private:
    std::filesystem::path dir_;
};

void BM_extract_100km_from_1_arcsecond_deflate_geotiff(benchmark::State& state) {
    static const GeoTiffTile geotiff;
    const std::string file = geotiff.path();
    std::size_t points = 0;
    for (auto _ : state) {
        auto rasters = ElevationRasters::open({file});
        auto profile = extractProfile(*rasters.value, kFrom, kTo);
        points = profile.value->points.size();
        benchmark::DoNotOptimize(profile);
    }
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_extract_100km_from_1_arcsecond_deflate_geotiff)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
