// Route files read with the real GDAL: the shipped Junee to Griffith centreline, and the same
// route made into every other format with ogr2ogr, all read to the same line and markers.
#include "tests/helpers/TestData.h"
#include "tracking/RouteReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace quorvex::tracking {
namespace {

using test::testDataPath;

const std::filesystem::path geojson = testDataPath("routes/junee-griffith.geojson");

Route read(const std::filesystem::path& path) {
    std::optional<Route> route;
    EXPECT_EQ(readRoute(path, RouteLimits{}, route), "") << path;
    return route ? std::move(*route) : Route("empty", {{0, 0}, {0, 1}});
}

std::string refusal(const std::filesystem::path& path) {
    std::optional<Route> route;
    std::string error = readRoute(path, RouteLimits{}, route);
    EXPECT_FALSE(route) << path;
    return error;
}

void expectSameRoute(const Route& actual, const Route& expected, const std::string& format) {
    SCOPED_TRACE(format);
    EXPECT_EQ(actual.line().size(), expected.line().size());
    EXPECT_NEAR(actual.lengthMetres(), expected.lengthMetres(), 0.001);
    ASSERT_EQ(actual.markers().size(), expected.markers().size());
    for (std::size_t i = 0; i < expected.markers().size(); ++i) {
        EXPECT_EQ(actual.markers()[i].name, expected.markers()[i].name);
        EXPECT_NEAR(actual.markers()[i].chainageMetres, expected.markers()[i].chainageMetres, 0.001);
    }
}

bool haveOgr2ogr() {
    return std::system("command -v ogr2ogr >/dev/null 2>&1") == 0;
}

void ogr2ogr(const std::string& arguments) {
    const std::string command = "ogr2ogr " + arguments + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(RouteFile, TheJuneeToGriffithCentrelineReadsWithItsMarkersInOrder) {
    const Route route = read(geojson);
    EXPECT_EQ(route.name(), "Junee to Griffith");
    EXPECT_EQ(route.line().size(), 103u);
    EXPECT_GT(route.lengthMetres(), 170'000);
    EXPECT_LT(route.lengthMetres(), 200'000);
    ASSERT_EQ(route.markers().size(), 12u);
    EXPECT_EQ(route.markers().front().name, "MLV01");  // the Griffith end is chainage 0
    EXPECT_NEAR(route.markers().front().chainageMetres, 0, 0.001);
    EXPECT_EQ(route.markers().back().name, "MLV12");
    EXPECT_NEAR(route.markers().back().chainageMetres, route.lengthMetres(), 0.001);
    for (const Marker& marker : route.markers()) {
        EXPECT_LT(marker.offLineMetres, 0.001) << marker.name;  // placed at vertices
    }
    // The GPX holds the same as a route and waypoints; its route_points are not markers.
    expectSameRoute(read(testDataPath("routes/junee-griffith.gpx")), route, "GPX route");
}

TEST(RouteFile, EveryFormatMadeWithOgr2ogrReadsToTheSameRoute) {
    if (!haveOgr2ogr()) {
        GTEST_SKIP() << "ogr2ogr (gdal-bin) is not installed; scripts/setup.sh installs it";
    }
    const Route expected = read(geojson);
    const test::TemporaryFolder folder;
    const std::string source = "'" + geojson.string() + "'";
    const auto in = [&](const std::string& name) { return "'" + (folder.path() / name).string() + "'"; };
    ogr2ogr("-f KML " + in("route.kml") + " " + source);
    ogr2ogr("-f GPKG " + in("route.gpkg") + " " + source);
    // Shapefiles hold one kind of geometry each: the line and the markers side by side.
    ogr2ogr("-f 'ESRI Shapefile' " + in("shapefiles") + " " + source +
            " -where \"OGR_GEOMETRY='LineString'\" -nln line");
    ogr2ogr("-f 'ESRI Shapefile' -update " + in("shapefiles") + " " + source +
            " -where \"OGR_GEOMETRY='Point'\" -nln markers");
    // A GeoPackage in a projected system (MGA zone 55, easting before northing), back to WGS84.
    ogr2ogr("-f GPKG -t_srs EPSG:28355 " + in("projected.gpkg") + " " + source);
    for (const char* name : {"route.kml", "route.gpkg", "shapefiles", "projected.gpkg"}) {
        expectSameRoute(read(folder.path() / name), expected, name);
    }
}

TEST(RouteFile, AGpxTrackReadsLikeAGpxRoute) {
    // The shipped GPX with its route made a track of one segment.
    std::ifstream file(testDataPath("routes/junee-griffith.gpx"));
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto replaceAll = [&](const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    };
    replaceAll("<rte><name>Junee to Griffith</name>", "<trk><name>Junee to Griffith</name><trkseg>");
    replaceAll("</rte>", "</trkseg></trk>");
    replaceAll("<rtept", "<trkpt");
    const test::TemporaryFolder folder;
    std::ofstream(folder.path() / "track.gpx") << text;
    expectSameRoute(read(folder.path() / "track.gpx"), read(geojson), "GPX track");
}

TEST(RouteFile, WhatIsNotARouteIsRefusedWithAReason) {
    const test::TemporaryFolder folder;
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder.path() / name) << text;
        return folder.path() / name;
    };
    EXPECT_EQ(refusal(folder.path() / "missing.geojson").rfind("not a route file GDAL can read", 0), 0u);
    EXPECT_EQ(refusal(write("notes.txt", "kilometre 12: valve\n")).rfind("not a route file GDAL can read", 0),
              0u);
    EXPECT_EQ(refusal(write("points.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"name":"MLV01"},"geometry":{"type":"Point","coordinates":[146.1,-34.3]}}]})")),
              "no line in it");
    EXPECT_EQ(refusal(write("unnamed.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{},"geometry":{"type":"LineString","coordinates":[[146.1,-34.3],[146.2,-34.3]]}},
        {"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[146.15,-34.3]}}]})")),
              "a marker without a name at latitude -34.3000000, longitude 146.1500000");
    EXPECT_EQ(refusal(write("comma.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{},"geometry":{"type":"LineString","coordinates":[[146.1,-34.3],[146.2,-34.3]]}},
        {"type":"Feature","properties":{"name":"KP 12.4","chainage":"12,400"},
         "geometry":{"type":"Point","coordinates":[146.15,-34.3]}}]})")),
              "marker KP 12.4: its chainage \"12,400\" is not a number of metres");
    // A surveyed chainage is taken from the file; a MultiLineString's parts are joined.
    const Route surveyed = read(write("surveyed.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"name":"spur"},"geometry":{"type":"MultiLineString","coordinates":
          [[[146.2,-34.3],[146.3,-34.3]],[[146.1,-34.3],[146.2,-34.3]]]}},
        {"type":"Feature","properties":{"name":"KP 12.4","chainage":12400},
         "geometry":{"type":"Point","coordinates":[146.15,-34.3]}}]})"));
    EXPECT_EQ(surveyed.name(), "spur");
    EXPECT_EQ(surveyed.line().size(), 3u);
    ASSERT_EQ(surveyed.markers().size(), 1u);
    EXPECT_TRUE(surveyed.markers()[0].surveyed);
    EXPECT_DOUBLE_EQ(surveyed.markers()[0].chainageMetres, 12400);
}

}  // namespace
}  // namespace quorvex::tracking
