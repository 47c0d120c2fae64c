// Elevation rasters the tests write themselves (a GeoTIFF through GDAL, an SRTM .hgt tile
// byte by byte), read back along a geodesic and matched against the ridge they hold.
#include "dem.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "terrain_test_support.h"
#include "test_files.h"

namespace hopscale::terrain {
namespace {

using testing::failsWith;

// The ridge of the .hgt tile N41W082 (3 arc-second, 1201 x 1201): a function of longitude
// only, 100 m plain with a triangular ridge 600 m high centred on 81.5 W and 0.05 degrees
// wide on each side. Its kinks (81.55, 81.5, 81.45 W) fall on pixel centres (every 1/1200
// degree), so bilinear interpolation between pixel centres reproduces it exactly.
double ridgeM(double lonEast) {
    return 100 + 600 * std::max(0.0, 1 - std::fabs(lonEast + 81.5) / 0.05);
}

// Writes the ridge tile as SRTM stores it: rows from north to south, big-endian int16.
void writeRidgeHgt(const std::filesystem::path& file, int voidRow = -1, int voidColumn = -1) {
    const int n = 1201;
    std::string bytes(static_cast<std::size_t>(n) * n * 2, '\0');
    for (int row = 0; row < n; ++row) {
        for (int col = 0; col < n; ++col) {
            const double lon = -82 + col / 1200.0;
            auto value = static_cast<std::int16_t>(std::lround(ridgeM(lon)));
            if (row == voidRow && col == voidColumn) value = -32768;
            const auto u = static_cast<std::uint16_t>(value);
            const std::size_t at = (static_cast<std::size_t>(row) * n + col) * 2;
            bytes[at] = static_cast<char>(u >> 8);
            bytes[at + 1] = static_cast<char>(u & 0xff);
        }
    }
    testing_files::writeBytes(file, bytes);
}

// A geographic GeoTIFF of float32 with pixel corners on whole numbers: 10..11 N, 20..21 E,
// 100 x 100 pixels of 0.01 degree, value = 50 + 1000 x (latitude of the pixel centre - 10),
// so that it rises by 10 m per pixel northwards; `noData` is set when given and `voidPixel`
// (column, row) holds it.
void writeSlopeTiff(const std::filesystem::path& file, std::optional<double> noData = {},
                    std::pair<int, int> voidPixel = {-1, -1}) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    ASSERT_NE(driver, nullptr);
    GDALDataset* ds = driver->Create(file.string().c_str(), 100, 100, 1, GDT_Float32, nullptr);
    ASSERT_NE(ds, nullptr);
    double geo[6] = {20, 0.01, 0, 11, 0, -0.01};
    ds->SetGeoTransform(geo);
    OGRSpatialReference srs;
    srs.importFromEPSG(4326);
    ds->SetSpatialRef(&srs);
    std::vector<float> values(100 * 100);
    for (int row = 0; row < 100; ++row) {
        for (int col = 0; col < 100; ++col) {
            const double lat = 11 - (row + 0.5) * 0.01;
            values[row * 100 + col] = static_cast<float>(50 + 1000 * (lat - 10));
            if (col == voidPixel.first && row == voidPixel.second)
                values[row * 100 + col] = static_cast<float>(*noData);
        }
    }
    GDALRasterBand* band = ds->GetRasterBand(1);
    if (noData) band->SetNoDataValue(*noData);
    ASSERT_EQ(band->RasterIO(GF_Write, 0, 0, 100, 100, values.data(), 100, 100, GDT_Float32, 0, 0,
                             nullptr),
              CE_None);
    GDALClose(ds);
}

TEST(elevation_rasters, hgt_ridge_read_back_along_the_geodesic) {
    testing_files::ScratchDir dir;
    writeRidgeHgt(dir / "N41W082.hgt");
    auto rasters = ElevationRasters::open({(dir / "N41W082.hgt").string()});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    const GeoPoint from{41.5, -81.9};
    const GeoPoint to{41.6, -81.1};
    auto profile = extractProfile(*rasters, from, to);
    ASSERT_TRUE(profile.ok()) << profile.error->message();

    // Independently: the geodesic's length, and every sample's own position on it.
    const auto& wgs84 = GeographicLib::Geodesic::WGS84();
    double lengthM = 0;
    wgs84.Inverse(from.latitudeDeg, from.longitudeDeg, to.latitudeDeg, to.longitudeDeg, lengthM);
    EXPECT_NEAR(profile.value->pathKm, lengthM / 1000, 1e-9);
    // 0.8 degrees of longitude at 3 arc-seconds is 960 pixels; one sample per pixel or finer.
    EXPECT_GE(profile.value->points.size(), 961u);
    EXPECT_LE(profile.value->points.size(), 1300u);
    const GeographicLib::GeodesicLine line =
        wgs84.InverseLine(from.latitudeDeg, from.longitudeDeg, to.latitudeDeg, to.longitudeDeg);
    double highest = 0;
    for (const ProfilePoint& p : profile.value->points) {
        double lat = 0, lon = 0;
        line.Position(p.distanceKm * 1000, lat, lon);
        ASSERT_NEAR(p.groundM, ridgeM(lon), 1e-6) << p.distanceKm;
        highest = std::max(highest, p.groundM);
    }
    // One sample lies within a pixel (about 70 m here) of the crest: at most 10 m below 700.
    EXPECT_GT(highest, 690.0);
    EXPECT_NEAR(profile.value->points.front().groundM, ridgeM(-81.9), 1e-9);
    EXPECT_NEAR(profile.value->points.back().groundM, ridgeM(-81.1), 1e-9);
}

TEST(elevation_rasters, geotiff_from_a_folder_is_bilinear_between_pixel_centres) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "slope.tif");
    testing_files::writeBytes(dir / "README.txt", "tiles from the survey office\n");
    auto rasters = ElevationRasters::open({dir.path().string()});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    ASSERT_EQ(rasters.value->files().size(), 1u);  // the text file is not a raster and is skipped
    // Latitude 10.5: the plane through the pixel centres gives 50 + 1000 x 0.5 = 550 m.
    auto mid = rasters.value->elevationAt({10.5, 20.5});
    ASSERT_TRUE(mid.ok()) << mid.error->message();
    EXPECT_NEAR(*mid, 550.0, 1e-3);
    auto quarter = rasters.value->elevationAt({10.2525, 20.001});
    ASSERT_TRUE(quarter.ok());
    EXPECT_NEAR(*quarter, 302.5, 1e-3);
    // Within the outer half pixel the edge pixel's value holds: centre of the top row is
    // at 10.995 N, 1045 m.
    auto edge = rasters.value->elevationAt({10.999, 20.5});
    ASSERT_TRUE(edge.ok());
    EXPECT_NEAR(*edge, 1045.0, 1e-3);

    // A north-south path: 0.01 degree pixels, so about one sample per 1.1 km.
    auto profile = extractProfile(*rasters, {10.1, 20.5}, {10.9, 20.5});
    ASSERT_TRUE(profile.ok()) << profile.error->message();
    EXPECT_GE(profile.value->points.size(), 81u);
    EXPECT_LE(profile.value->points.size(), 90u);
    EXPECT_NEAR(profile.value->points.front().groundM, 150.0, 1e-3);
    EXPECT_NEAR(profile.value->points.back().groundM, 950.0, 1e-3);
}

TEST(elevation_rasters, points_outside_every_raster_name_the_point_and_tile) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "slope.tif");
    auto rasters = ElevationRasters::open({(dir / "slope.tif").string()});
    ASSERT_TRUE(rasters.ok());
    EXPECT_TRUE(failsWith(rasters.value->elevationAt({11.5, 20.5}), ErrorKind::FileNotFound,
                          {"11.50000 N, 20.50000 E", "N11E020.hgt"}));
    // The path leaves the raster northwards at 11 N: the first sample beyond is named with its
    // distance from the From end.
    EXPECT_TRUE(failsWith(extractProfile(*rasters, {10.5, 20.5}, {11.2, 20.5}),
                          ErrorKind::FileNotFound, {"km from the From end", "N11E020.hgt"}));
    EXPECT_TRUE(failsWith(rasters.value->elevationAt({-33.9, -70.6}), ErrorKind::FileNotFound,
                          {"33.90000 S, 70.60000 W", "S34W071.hgt"}));
}

TEST(elevation_rasters, void_pixels_are_errors_not_zero) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "holes.tif", -9999.0, {50, 50});
    auto rasters = ElevationRasters::open({(dir / "holes.tif").string()});
    ASSERT_TRUE(rasters.ok());
    // Pixel (50, 50) has its centre at 20.505 E, 10.495 N.
    EXPECT_TRUE(failsWith(rasters.value->elevationAt({10.495, 20.505}), ErrorKind::BadFile,
                          {"holes.tif", "void"}));
    EXPECT_TRUE(rasters.value->elevationAt({10.3, 20.3}).ok());
    EXPECT_TRUE(failsWith(extractProfile(*rasters, {10.1, 20.505}, {10.9, 20.505}),
                          ErrorKind::BadFile, {"holes.tif", "void", "km from the From end"}));

    // The SRTM void marker in an .hgt tile.
    writeRidgeHgt(dir / "N41W082.hgt", 600, 600);
    auto tile = ElevationRasters::open({(dir / "N41W082.hgt").string()});
    ASSERT_TRUE(tile.ok()) << tile.error->message();
    EXPECT_TRUE(failsWith(tile.value->elevationAt({41.5, -81.5}), ErrorKind::BadFile,
                          {"N41W082.hgt", "void"}));
}

TEST(elevation_rasters, bad_paths_and_files_are_named) {
    testing_files::ScratchDir dir;
    EXPECT_TRUE(failsWith(ElevationRasters::open({}), ErrorKind::InvalidArgument, {"none given"}));
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "N41W082.hgt").string()}),
                          ErrorKind::FileNotFound, {"N41W082.hgt", "does not exist"}));
    testing_files::writeBytes(dir / "notes.tif", "this is not an image\n");
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "notes.tif").string()}),
                          ErrorKind::BadFile, {"notes.tif", "not an elevation raster"}));
    std::filesystem::create_directory(dir / "empty");
    testing_files::writeBytes(dir / "empty" / "list.txt", "N41W082\n");
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "empty").string()}), ErrorKind::BadFile,
                          {"empty", "holds no elevation raster"}));
    // A folder whose raster-named file is broken names that file.
    std::filesystem::create_directory(dir / "tiles");
    testing_files::writeBytes(dir / "tiles" / "N41W082.hgt", "short");
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "tiles").string()}), ErrorKind::BadFile,
                          {"N41W082.hgt"}));

    // A raster without georeferencing.
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    GDALDataset* ds =
        driver->Create((dir / "plain.tif").string().c_str(), 4, 4, 1, GDT_Int16, nullptr);
    ASSERT_NE(ds, nullptr);
    GDALClose(ds);
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "plain.tif").string()}),
                          ErrorKind::BadFile, {"plain.tif", "no georeferencing"}));
}

TEST(elevation_rasters, ends_too_close_are_refused) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "slope.tif");
    auto rasters = ElevationRasters::open({(dir / "slope.tif").string()});
    ASSERT_TRUE(rasters.ok());
    EXPECT_TRUE(failsWith(extractProfile(*rasters, {10.5, 20.5}, {10.5, 20.5}),
                          ErrorKind::InvalidArgument, {"less than 1 m apart"}));
}

}  // namespace
}  // namespace hopscale::terrain
