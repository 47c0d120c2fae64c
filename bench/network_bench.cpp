// `hopscale network` end to end: 10,000 links of 5 to 60 km between 400 sites over a 2 x 2
// block of 1-arc-second tiles (40..42 N, 80..82 W), every link profiled and judged, all
// cores. Once over SRTM .hgt tiles and once over the same hills as DEFLATE-tiled Float32
// GeoTIFFs. Wall-clock time; the peak resident memory of the process is a counter. With
// HOPSCALE_BENCH_KEEP=DIR the files are written to DIR and kept, for timing the binary itself
// (hopscale network DIR/links.csv --sites DIR/sites.csv --dem DIR/hgt).
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "network_command.h"
#include "parallel_rows.h"

namespace {

constexpr int kSites = 400;
constexpr int kLinks = 10000;

double hills(double lat, double lon) {
    return 300 + 150 * std::sin(lat * 60) * std::cos(lon * 45) + 40 * std::sin(lon * 700) +
           10 * std::sin(lat * 2300);
}

// DDMMSS of a positive angle.
std::string packed(double degrees) {
    const long seconds = std::lround(degrees * 3600);
    const auto two = [](long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return std::to_string(seconds / 3600) + two(seconds / 60 % 60) + two(seconds % 60);
}

class Block {
  public:
    Block() {
        if (const char* keep = std::getenv("HOPSCALE_BENCH_KEEP"); keep != nullptr && *keep) {
            dir_ = keep;
            keep_ = true;
        } else {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "hopscale-network-bench-XXXXXX").string();
            dir_ = ::mkdtemp(pattern.data());
        }
        std::filesystem::create_directories(dir_ / "hgt");
        std::filesystem::create_directories(dir_ / "tif");
        GDALAllRegister();
        for (int south : {40, 41}) {
            for (int west : {82, 81}) writeTiles(south, west);
        }
        writeNetwork();
    }
    ~Block() {
        std::error_code ec;
        if (!keep_) std::filesystem::remove_all(dir_, ec);
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    std::filesystem::path dir() const { return dir_; }

  private:
    void writeTiles(int south, int west) {
        const int n = 3601;
        std::string bytes(static_cast<std::size_t>(n) * n * 2, '\0');
        std::vector<float> values(static_cast<std::size_t>(n) * n);
        for (int row = 0; row < n; ++row) {
            for (int col = 0; col < n; ++col) {
                const double lat = south + 1 - row / 3600.0;
                const double lon = -west + col / 3600.0;
                const double v = hills(lat, lon);
                const std::size_t at = static_cast<std::size_t>(row) * n + col;
                values[at] = static_cast<float>(v);
                const auto u =
                    static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
                bytes[at * 2] = static_cast<char>(u >> 8);
                bytes[at * 2 + 1] = static_cast<char>(u & 0xff);
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "N%02dW%03d", south, west);
        std::ofstream(dir_ / "hgt" / (std::string(name) + ".hgt"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

        char tiled[] = "TILED=YES";
        char deflate[] = "COMPRESS=DEFLATE";
        char* options[] = {tiled, deflate, nullptr};
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
        const std::string tif = (dir_ / "tif" / (std::string(name) + ".tif")).string();
        GDALDataset* ds = driver->Create(tif.c_str(), n, n, 1, GDT_Float32, options);
        // Pixel centres on whole arc-seconds, as the .hgt tile has them.
        const double half = 0.5 / 3600;
        double geo[6] = {-west - half, 1.0 / 3600, 0, south + 1 + half, 0, -1.0 / 3600};
        ds->SetGeoTransform(geo);
        OGRSpatialReference srs;
        srs.importFromEPSG(4326);
        ds->SetSpatialRef(&srs);
        if (ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, n, n, values.data(), n, n, GDT_Float32,
                                           0, 0, nullptr) != CE_None) {
            std::fprintf(stderr, "network bench: writing %s failed\n", tif.c_str());
        }
        GDALClose(ds);
    }

    void writeNetwork() {
        std::mt19937 random(20261210);
        std::uniform_real_distribution<double> lat(40.05, 41.95), lon(80.05, 81.95);
        std::vector<std::pair<double, double>> sites;
        std::string csv = "site,lat,lon,antenna-height,dish,threshold\n";
        for (int i = 0; i < kSites; ++i) {
            sites.emplace_back(lat(random), lon(random));
            csv += "S" + std::to_string(i) + "," + packed(sites.back().first) + "," +
                   packed(sites.back().second) + "," + std::to_string(20 + i % 40) + "," +
                   std::to_string(4 + i % 3 * 2) + ",-75\n";
        }
        std::ofstream(dir_ / "sites.csv") << csv;
        std::string links = "name,from,to,freq\n";
        const double freqs[] = {6, 11, 18, 23};
        for (int made = 0; made < kLinks;) {
            const int a = static_cast<int>(random() % kSites);
            const int b = static_cast<int>(random() % kSites);
            const double dLat = (sites[a].first - sites[b].first) * 111.0;
            const double dLon = (sites[a].second - sites[b].second) * 83.5;
            const double km = std::hypot(dLat, dLon);
            if (a == b || km < 5 || km > 60) continue;
            links += "L" + std::to_string(made) + ",S" + std::to_string(a) + ",S" +
                     std::to_string(b) + "," + std::to_string(freqs[made % 4]) + "\n";
            ++made;
        }
        std::ofstream(dir_ / "links.csv") << links;
    }

    std::filesystem::path dir_;
    bool keep_ = false;
};

const Block& block() {
    static const Block b;
    return b;
}

void runOver(benchmark::State& state, const char* rasters) {
    const Block& b = block();
    hopscale::NetworkOptions options;
    options.linksFile = (b.dir() / "links.csv").string();
    options.sitesFile = (b.dir() / "sites.csv").string();
    options.dem = {(b.dir() / rasters).string()};
    options.jobs = hopscale::cli::availableCores();
    int status = 0;
    for (auto _ : state) {
        std::FILE* out = std::fopen("/dev/null", "w");
        std::FILE* err = std::fopen("/dev/null", "w");
        status = hopscale::runNetwork(options, out, err);
        std::fclose(out);
        std::fclose(err);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["links_per_second"] =
        benchmark::Counter(static_cast<double>(kLinks) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["jobs"] = static_cast<double>(options.jobs);
    if (status != 0) state.SkipWithError("some links failed");
}

void BM_network_10000_links_hgt(benchmark::State& state) { runOver(state, "hgt"); }
BENCHMARK(BM_network_10000_links_hgt)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_network_10000_links_deflate_geotiff(benchmark::State& state) { runOver(state, "tif"); }
BENCHMARK(BM_network_10000_links_deflate_geotiff)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
