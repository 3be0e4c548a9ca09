// Routes as people have them: GPX from GPS units and planners, Google Earth
// tracks and KMZ archives, recognised by content and read to the same points
// the KML coordinate list gives.
#include "core/route_formats.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/route_reader.h"
#include "tests/common/test_paths.h"
#include "tests/core/tile_fixtures.h"

namespace {

using Points = std::vector<std::pair<double, double>>;

struct Read {
  int result;
  RouteFormat format;
  Points points;
};

Read Parse(const std::string& text) {
  std::vector<double> lon, lat;
  Read read{0, RouteFormat::kNone, {}};
  read.result = ParseRoute(text, lon, lat, &read.format);
  EXPECT_EQ(lon.size(), lat.size());
  for (std::size_t i = 0; i < lon.size(); ++i) read.points.emplace_back(lon[i], lat[i]);
  EXPECT_EQ(read.result < 1 ? 0u : static_cast<std::size_t>(read.result), read.points.size());
  return read;
}

Read ReadExample(const std::string& name) {
  std::vector<double> lon, lat;
  Read read{0, RouteFormat::kNone, {}};
  read.result = ReadRoute(SourcePath("examples/routes/" + name).c_str(), lon, lat, &read.format);
  for (std::size_t i = 0; i < lon.size(); ++i) read.points.emplace_back(lon[i], lat[i]);
  return read;
}

std::string Gpx(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\">" + body + "</gpx>";
}

TEST(Gpx, ReadsTheFirstTrackWithPointsAcrossItsSegments) {
  Read read = Parse(Gpx(
      "<!-- <trk><trkpt lat=\"1\" lon=\"1\"/></trk> -->"
      "<rte><rtept lat=\"9\" lon=\"9\"/></rte>"
      "<trk><name><![CDATA[<trkpt lat=\"2\" lon=\"2\"/>]]></name></trk>"
      "<trk><trkseg><trkpt lat=\"47.5\" lon=\"11.25\"><ele>500</ele></trkpt>"
      "<trkpt lon = '11.5'\tlat='-47.75' /></trkseg>"
      "<trkseg><trkpt\nlat=\" 1e1 \" lon=\"-0.5\"></trkpt></trkseg></trk>"
      "<trk><trkseg><trkpt lat=\"3\" lon=\"3\"/></trkseg></trk>"));
  EXPECT_EQ(3, read.result);
  EXPECT_EQ(RouteFormat::kGpx, read.format);
  EXPECT_EQ((Points{{11.25, 47.5}, {11.5, -47.75}, {-0.5, 10.0}}), read.points);
}

TEST(Gpx, AnyPrefixAndARouteWhenThereIsNoTrack) {
  Read read = Parse(
      "\xEF\xBB\xBF<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/0\">"
      "<g:rte><g:rtept lat=\"42.5\" lon=\"1.5\"><gpxx:rpt lat=\"0\" lon=\"0\"/></g:rtept>"
      "<g:rtept lat=\"42.6\" lon=\"1.6\"/></g:rte><g:rte><g:rtept lat=\"1\" lon=\"1\"/></g:rte></g:gpx>");
  EXPECT_EQ(2, read.result);
  EXPECT_EQ((Points{{1.5, 42.5}, {1.6, 42.6}}), read.points);
}

TEST(Gpx, BadFilesGiveTheReadersResultCodes) {
  struct Case {
    std::string text;
    int result;
  } cases[] = {
      {Gpx("<wpt lat=\"1\" lon=\"2\"/><trk><trkseg></trkseg></trk>"), kRouteNoCoordinates},
      {Gpx(""), kRouteNoCoordinates},
      {Gpx("<trk><trkpt lat=\"1\"/></trk>"), kRouteWrongFormat},
      {Gpx("<trk><trkpt lat=\"nan\" lon=\"2\"/></trk>"), kRouteWrongFormat},
      {Gpx("<trk><trkpt lat=\"1e99999\" lon=\"2\"/></trk>"), kRouteWrongFormat},
      {Gpx("<trk><trkpt lat=\"47,5\" lon=\"2\"/></trk>"), kRouteWrongFormat},
      {Gpx("<trk><trkpt lat=\"1\" lon=2/></trk>"), kRouteWrongFormat},
      // Cut off inside the track: the points before the cut.
      {"<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"3\" lon=", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, Parse(c.text).result) << c.text;
}

std::string Kml(const std::string& placemark) {
  return "<kml xmlns:gx=\"http://www.google.com/kml/ext/2.2\"><Placemark>" + placemark +
         "</Placemark></kml>";
}

TEST(KmlTrack, CoordsOfTheFirstTrackOrOfAWholeMultiTrack) {
  Read track = Parse(Kml(
      "<gx:Track><when>2020-01-01T00:00:00Z</when><gx:coord>11.5 47.25 500</gx:coord>"
      "<gx:coord>\n 11.6  47.3</gx:coord><gx:angles>1 2 3</gx:angles></gx:Track>"
      "<gx:Track><gx:coord>1 1 1</gx:coord></gx:Track>"));
  EXPECT_EQ(RouteFormat::kKmlTrack, track.format);
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}}), track.points);

  Read multi = Parse(Kml(
      "<gx:MultiTrack><gx:Track><gx:coord>1 2 3</gx:coord></gx:Track>"
      "<gx:Track><gx:coord>4 5 6</gx:coord></gx:Track></gx:MultiTrack>"));
  EXPECT_EQ((Points{{1, 2}, {4, 5}}), multi.points);
}

TEST(KmlTrack, AFileTheListReaderReadsIsReadByItAlone) {
  // The keyword wins even where it leads to no list, as it always did.
  Read both = Parse(Kml("<gx:Track><gx:coord>1 2 3</gx:coord></gx:Track>"
                        "<LineString><coordinates>5.5,6.5,0 7.5,8.5,0</coordinates></LineString>"));
  EXPECT_EQ(RouteFormat::kKml, both.format);
  EXPECT_EQ((Points{{5.5, 6.5}, {7.5, 8.5}}), both.points);
  EXPECT_EQ(kRouteWrongFormat,
            Parse(Kml("<name>LineString</name><gx:Track><gx:coord>1 2 3</gx:coord></gx:Track>")).result);

  EXPECT_EQ(kRouteWrongFormat, Parse(Kml("<Point>1 2</Point>")).result);
  EXPECT_EQ(kRouteNoCoordinates, Parse(Kml("<gx:Track/>")).result);
  EXPECT_EQ(kRouteNoCoordinates, Parse(Kml("<gx:Track><when>x</when></gx:Track>")).result);
  EXPECT_EQ(kRouteWrongFormat, Parse(Kml("<gx:Track><gx:coord>1 inf 3</gx:coord></gx:Track>")).result);
  EXPECT_EQ(kRouteWrongFormat, Parse(Kml("<gx:Track><gx:coord>1</gx:coord></gx:Track>")).result);
}

TEST(Kmz, DocKmlElseTheFirstKmlEntry) {
  using tile_fixtures::MakeStoredZip;
  const std::string list = "<LineString><coordinates>1.5,2.5,0 3.5,4.5,0</coordinates></LineString>";
  const std::string track = Kml("<gx:Track><gx:coord>5 6 7</gx:coord></gx:Track>");
  Read doc = Parse(MakeStoredZip({{"files/", ""}, {"a.kml", track}, {"DOC.KML", list}}));
  EXPECT_EQ(RouteFormat::kKmz, doc.format);
  EXPECT_EQ((Points{{1.5, 2.5}, {3.5, 4.5}}), doc.points);

  Read first = Parse(MakeStoredZip({{"readme.txt", list}, {"files/Route.KML", track}, {"b.kml", list}}));
  EXPECT_EQ(RouteFormat::kKmzTrack, first.format);
  EXPECT_EQ((Points{{5, 6}}), first.points);
}

TEST(Kmz, DamagedArchivesAreTheWrongFormat) {
  using tile_fixtures::MakeStoredZip;
  const std::string list = "<LineString><coordinates>1.5,2.5,0 3.5,4.5,0</coordinates></LineString>";
  std::string whole = MakeStoredZip({{"doc.kml", list}});
  std::string saved = ReadWholeFile(SourcePath("examples/routes/test_route_andorra.kmz"));
  ASSERT_GT(saved.size(), 1000u);
  const std::string cases[] = {
      MakeStoredZip({{"doc.kml", list, true}}),   // CRC mismatch
      MakeStoredZip({{"doc.txt", list}}),         // no KML inside
      whole.substr(0, whole.size() - 10),         // end record cut off
      saved.substr(0, saved.size() / 2),          // half a download
      std::string(saved).replace(200, 40, 40, '\x55'),  // deflate data overwritten
  };
  for (const std::string& bytes : cases) {
    Read read = Parse(bytes);
    EXPECT_EQ(kRouteWrongFormat, read.result);
    EXPECT_EQ(RouteFormat::kKmz, read.format);
  }
}

// The bundled recordings in every form read to the same points.
TEST(RealRoutes, EveryFormReadsTheSamePoints) {
  Read kml = ReadExample("from-gpx/test_route_andorra.kml");
  Read gpx = ReadExample("test_route_andorra.gpx");
  Read kmz = ReadExample("test_route_andorra.kmz");
  ASSERT_EQ(550, kml.result);
  EXPECT_EQ(RouteFormat::kKml, kml.format);
  EXPECT_EQ(RouteFormat::kGpx, gpx.format);
  EXPECT_EQ(RouteFormat::kKmz, kmz.format);
  EXPECT_EQ(kml.points, gpx.points);
  EXPECT_EQ(kml.points, kmz.points);

  Read logger = ReadExample("skytraq.gpx");
  Read track = ReadExample("skytraq_track.kml");
  ASSERT_EQ(217, logger.result);
  EXPECT_EQ(RouteFormat::kKmlTrack, track.format);
  EXPECT_EQ(logger.points, track.points);
  EXPECT_EQ(21, ReadExample("andorra_for_map_matching.gpx").result);
}

}  // namespace
