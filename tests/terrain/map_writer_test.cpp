// Maps written through the module and read back with GDAL itself: every site and link with
// its attributes and geometry, in each of the three formats.
#include "map_writer.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace hopscale::terrain {
namespace {

std::vector<MapLayer> exampleLayers() {
    MapLayer sites{"sites", false, {{"name"}, {"elevation", true}}, {}};
    sites.features.push_back({{{51.5, -0.12}}, {std::string("Alpha"), 35.0}, ""});
    sites.features.push_back({{{51.75, 0.25}}, {std::string("Bravo, \"north\""), 120.5}, ""});
    sites.features.push_back({{{51.6, 0.5}}, {std::string("Charlie"), std::monostate{}}, ""});

    MapLayer links{"links", true, {{"name"}, {"from"}, {"to"}, {"pathKm", true}, {"error"}}, {}};
    links.features.push_back({{{51.5, -0.12}, {51.62, 0.06}, {51.75, 0.25}},
                              {std::string("A-B"), std::string("Alpha"),
                               std::string("Bravo, \"north\""), 33.25, std::monostate{}},
                              "PEN(c:#00FF00,w:4px)"});
    links.features.push_back(
        {{{51.75, 0.25}, {51.6, 0.5}},
         {std::string("B-C"), std::string("Bravo, \"north\""), std::string("Charlie"),
          std::monostate{}, std::string("bad file: no profile")},
         "PEN(c:#FF0000,w:4px)"});
    // A link whose ends could not be placed: kept, without a geometry.
    links.features.push_back({{},
                              {std::string("B-?"), std::string("Bravo, \"north\""),
                               std::string("Nowhere"), std::monostate{}, std::string("not a site")},
                              "PEN(c:#FF0000,w:4px)"});
    return {sites, links};
}

struct DatasetCloser {
    void operator()(GDALDataset* ds) const { GDALClose(ds); }
};

std::string fieldText(OGRFeature& f, const char* name) {
    const int i = f.GetFieldIndex(name);
    if (i < 0 || !f.IsFieldSetAndNotNull(i)) return "<null>";
    return f.GetFieldAsString(i);
}

class MapWriterTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        GDALAllRegister();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("hopscale_map_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_P(MapWriterTest, every_site_and_link_reads_back_with_its_attributes) {
    const std::string path = (dir_ / ("net" + GetParam())).string();
    const Result<bool> written = writeMap(path, exampleLayers());
    ASSERT_TRUE(written) << written.error->message();

    std::unique_ptr<GDALDataset, DatasetCloser> ds(
        GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    ASSERT_TRUE(ds);
    const bool kml = GetParam() == ".kml";
    const bool geojson = GetParam() == ".geojson";
    // GeoJSON holds one collection; the layer of each feature is an attribute.
    OGRLayer* sites = geojson ? ds->GetLayer(0) : ds->GetLayerByName("sites");
    ASSERT_NE(sites, nullptr);
    if (geojson) {
        ASSERT_EQ(ds->GetLayerCount(), 1);
        sites->SetAttributeFilter("layer = 'sites'");
    }
    EXPECT_EQ(sites->GetFeatureCount(), 3);

    std::vector<std::string> siteNames;
    sites->ResetReading();
    while (auto* raw = sites->GetNextFeature()) {
        std::unique_ptr<OGRFeature> f(raw);
        siteNames.push_back(fieldText(*f, "name"));
        const auto* point = f->GetGeometryRef()->toPoint();
        if (siteNames.back() == "Alpha") {
            EXPECT_NEAR(point->getY(), 51.5, 1e-9);
            EXPECT_NEAR(point->getX(), -0.12, 1e-9);
            EXPECT_DOUBLE_EQ(std::stod(fieldText(*f, "elevation")), 35.0);
        }
        // KML keeps every attribute as text; a missing value is an empty one there.
        if (siteNames.back() == "Charlie" && !kml) {
            EXPECT_EQ(fieldText(*f, "elevation"), "<null>");
        }
    }
    EXPECT_EQ(siteNames, (std::vector<std::string>{"Alpha", "Bravo, \"north\"", "Charlie"}));

    OGRLayer* links = geojson ? ds->GetLayer(0) : ds->GetLayerByName("links");
    ASSERT_NE(links, nullptr);
    if (geojson) links->SetAttributeFilter("layer = 'links'");
    EXPECT_EQ(links->GetFeatureCount(), 3);
    links->ResetReading();
    std::unique_ptr<OGRFeature> first(links->GetNextFeature());
    std::unique_ptr<OGRFeature> second(links->GetNextFeature());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(fieldText(*first, "name"), "A-B");
    EXPECT_EQ(fieldText(*first, "from"), "Alpha");
    EXPECT_EQ(fieldText(*first, "to"), "Bravo, \"north\"");
    EXPECT_DOUBLE_EQ(std::stod(fieldText(*first, "pathKm")), 33.25);
    const auto* line = first->GetGeometryRef()->toLineString();
    ASSERT_EQ(line->getNumPoints(), 3);
    EXPECT_NEAR(line->getY(2), 51.75, 1e-9);
    EXPECT_NEAR(line->getX(2), 0.25, 1e-9);
    EXPECT_EQ(fieldText(*second, "error"), "bad file: no profile");
    if (!kml) {
        EXPECT_EQ(fieldText(*second, "pathKm"), "<null>");
    }
    std::unique_ptr<OGRFeature> third(links->GetNextFeature());
    ASSERT_TRUE(third);
    EXPECT_EQ(fieldText(*third, "to"), "Nowhere");
    EXPECT_TRUE(third->GetGeometryRef() == nullptr || third->GetGeometryRef()->IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(formats, MapWriterTest, ::testing::Values(".kml", ".geojson", ".gpkg"),
                         [](const auto& info) { return info.param.substr(1); });

TEST(map_writer, kml_lines_carry_their_colour) {
    const auto dir = std::filesystem::path(::testing::TempDir());
    const std::string path = (dir / ("hopscale_colour_" + std::to_string(getpid()) + ".kml"));
    ASSERT_TRUE(writeMap(path, exampleLayers()));
    std::ifstream in(path);
    const std::string kml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    // KML colours are aabbggrr: green ff00ff00, red ff0000ff.
    EXPECT_NE(kml.find("<color>ff00ff00</color>"), std::string::npos) << kml;
    EXPECT_NE(kml.find("<color>ff0000ff</color>"), std::string::npos);
}

TEST(map_writer, svg_picture_draws_each_link_in_its_colour_under_its_named_sites) {
    const std::string svg = mapSvg(exampleLayers());
    // Two placed links, each a polyline of its vertices in its pen's colour; the unplaced one
    // is left out of the picture.
    EXPECT_EQ(std::count(svg.begin(), svg.end(), '\n'), 2 + 2 + 3 + 1);
    EXPECT_NE(svg.find("stroke=\"#00FF00\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("stroke=\"#FF0000\""), std::string::npos);
    EXPECT_EQ(svg.find("B-?"), std::string::npos);
    // Names are escaped for XML; every site is labelled, after (over) every link.
    EXPECT_NE(svg.find("Bravo, &quot;north&quot;"), std::string::npos);
    EXPECT_GT(svg.find(">Alpha</text>"), svg.rfind("</polyline>"));
    // West is left and north is up: Alpha (west, south) is left of and below Bravo.
    auto centre = [&](const std::string& name) {
        const auto at = svg.rfind("<circle", svg.find(">" + name));
        double x = 0, y = 0;
        std::sscanf(svg.c_str() + at, "<circle cx=\"%lf\" cy=\"%lf\"", &x, &y);
        return std::pair{x, y};
    };
    const auto [ax, ay] = centre("Alpha");
    const auto [bx, by] = centre("Bravo");
    EXPECT_LT(ax, bx);
    EXPECT_GT(ay, by);
    // A .svg map is written without the raster module.
    const auto dir = std::filesystem::path(::testing::TempDir());
    const std::string path = (dir / ("hopscale_map_" + std::to_string(getpid()) + ".svg"));
    ASSERT_TRUE(writeMap(path, exampleLayers()));
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), svg);
    std::filesystem::remove(path);
}

TEST(map_writer, refuses_what_it_cannot_write) {
    EXPECT_EQ(mapDriverFor("a.KML"), "KML");
    EXPECT_EQ(mapDriverFor("dir.v2/a.GeoJSON"), "GeoJSON");
    EXPECT_EQ(mapDriverFor("a.gpkg"), "GPKG");
    EXPECT_EQ(mapDriverFor("a.shp"), "");
    EXPECT_EQ(mapDriverFor("kml"), "");

    const Result<bool> unknown = writeMap("net.shp", exampleLayers());
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error->kind, ErrorKind::InvalidArgument);
    EXPECT_EQ(unknown.error->file, "net.shp");

    const Result<bool> noDirectory = writeMap("/nonexistent-dir/net.kml", exampleLayers());
    ASSERT_FALSE(noDirectory);
    EXPECT_NE(noDirectory.error->message().find("/nonexistent-dir/net.kml"), std::string::npos);
}

TEST(map_writer, cache_size_reaches_gdal) {
    ASSERT_TRUE(setRasterCacheBytes(std::int64_t{256} << 20));
    // The module and this test share one GDAL library, so its setting is visible here.
    EXPECT_EQ(GDALGetCacheMax64(), std::int64_t{256} << 20);
}

}  // namespace
}  // namespace hopscale::terrain
