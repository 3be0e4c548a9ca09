// What the export run and the command line rely on when they read a route:
// the points of the first geometry, every failure as its own result code.
#include "core/route_reader.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>
#include <vector>

#include "core/program_texts.h"
#include "tests/common/test_paths.h"

namespace {

// A locale whose decimal mark is a comma: glibc's name, then the Windows one.
bool SetGermanLocale() {
  bool set = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "German_Germany.1252");
  if (set && *std::localeconv()->decimal_point == ',') return true;
  std::setlocale(LC_ALL, "C");
  return false;
}

using Points = std::vector<std::pair<double, double>>;

struct Route {
  int result;
  Points points;
};

Route Parse(const std::string& text) {
  std::vector<double> longitudes, latitudes;
  Route route{ParseKmlRoute(text, longitudes, latitudes), {}};
  EXPECT_EQ(longitudes.size(), latitudes.size());
  for (std::size_t i = 0; i < longitudes.size(); ++i)
    route.points.emplace_back(longitudes[i], latitudes[i]);
  if (route.result < 1) EXPECT_TRUE(route.points.empty());
  else EXPECT_EQ(static_cast<std::size_t>(route.result), route.points.size());
  return route;
}

std::string LineString(const std::string& list) {
  return "<Placemark><LineString><tessellate>1</tessellate><coordinates>" + list +
         "</coordinates></LineString></Placemark>";
}

class TempFolder : public ::testing::Test {
 protected:
  void TearDown() override { RemoveTree(folder_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }
  std::string folder_ = MakeTempDir();
};

// ---- Lists of triples ------------------------------------------------------------

TEST(RouteTriples, ReadsLongitudeAndLatitudeAndSkipsTheAltitude) {
  Route route = Parse(LineString("\n  11.5,47.25,612 11.6,47.3,640\r\n\t-0.125,-33.5,0\n"));
  EXPECT_EQ(3, route.result);
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}, {-0.125, -33.5}}), route.points);
}

TEST(RouteTriples, LeftoverNumbersAtTheEndAreIgnored) {
  EXPECT_EQ(1, Parse(LineString("1.5,2.5,3 4.5")).result);
  EXPECT_EQ(1, Parse(LineString("1.5,2.5,3 4.5,5.5")).result);
  EXPECT_EQ(2, Parse(LineString("1.5,2.5,3 4.5,5.5,6 7.5")).result);
}

TEST(RouteTriples, SpacesAfterTheCommasKeepTheTupleTogether) {
  Route route = Parse(LineString("1.5, 2.5, 3 4.5, 5.5, 6"));
  EXPECT_EQ((Points{{1.5, 2.5}, {4.5, 5.5}}), route.points);
}

TEST(RouteTriples, SignsExponentsAndOddTokens) {
  Route route = Parse(LineString("+008.5155383,+48.2662716,768 1e1,-.5e-1,0 -abc,.x,0"));
  EXPECT_EQ((Points{{8.5155383, 48.2662716}, {10.0, -0.05}, {0.0, 0.0}}), route.points);
  // Not a number by the decimal syntax: it reads as its decimal prefix.
  route = Parse(LineString("0x1A,2.5,0 1,2,0"));
  EXPECT_EQ((Points{{0.0, 2.5}, {1.0, 2.0}}), route.points);
}

TEST(RouteTriples, CoordinatesThatAreNoNumbersMakeTheWrongFormat) {
  for (const char* list : {"1.5,2.5,0 nan,2.5,0", "1.5,2.5,0 -inf,2.5,0", "1.5,2.5,0 2.5,Infinity,0",
                           "1.5,2.5,0 1e99999,2.5,0", "1.5,-1e400,0 2.5,2.5,0", "NaN,1,0 1,1,0"})
    EXPECT_EQ(kRouteWrongFormat, Parse(LineString(list)).result) << list;
  // An altitude is skipped unread, whatever it is.
  EXPECT_EQ(2, Parse(LineString("1.5,2.5,1e99999 2.5,3.5,0")).result);
}

// ---- Routes without altitudes -----------------------------------------------------------

TEST(RoutePairs, ATupleOfTwoNumbersMeansPairs) {
  Route route = Parse(LineString("11.5,47.25 11.6,47.3\n11.7,47.35"));
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}, {11.7, 47.35}}), route.points);
  route = Parse(LineString("11.5, 47.25 11.6, 47.3"));
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}}), route.points);
}

TEST(RoutePairs, DecimalCommaPairs) {
  Route route = Parse(LineString("11,5,47,25 11,6,47,3"));
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}}), route.points);
}

TEST(RoutePairs, OnePairIsOnePoint) {
  Route route = Parse(LineString("1.5,2.5"));
  EXPECT_EQ((Points{{1.5, 2.5}}), route.points);
}

TEST(RoutePairs, OnlyTheFirstTupleDecides) {
  // A first tuple without commas reads as triples, as always.
  EXPECT_EQ(2, Parse(LineString("1.5 2.5 3 4.5,5.5 6")).result);
  EXPECT_EQ(3, Parse(LineString("1.5,2.5 3 4.5,5.5 6")).result);
}

// ---- Decimal commas ------------------------------------------------------------------------

TEST(RouteDecimalCommas, CommaTriplesReadAsDecimals) {
  Route route = Parse(LineString("11,5,47,25,0 11,6,47,3,0"));
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}}), route.points);
}

TEST(RouteDecimalCommas, AWholeFirstNumberIsNoDecimalComma) {
  EXPECT_EQ((Points{{11.0, 47.5}}), Parse(LineString("11,47.5,0")).points);
  EXPECT_EQ((Points{{9.0, 47.5}, {9.01, 47.51}}), Parse(LineString("9,47.5,0 9.01,47.51,0")).points);
  EXPECT_EQ((Points{{9.0, 47.0}, {10.0, 48.0}}), Parse(LineString("9,47,0 10,48,0")).points);
  EXPECT_EQ((Points{{9.0, 47.0}, {10.0, 48.0}}), Parse(LineString("9,47 10,48")).points);
}

TEST(RouteDecimalCommas, NumberTextIsReadWhateverTheProcessLocale) {
  if (!SetGermanLocale()) GTEST_SKIP() << "no German locale installed";
  Route route = Parse(LineString("11.5,47.25,0 11.6,47.3,0"));
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ((Points{{11.5, 47.25}, {11.6, 47.3}}), route.points);
}

// ---- Finding the list -------------------------------------------------------------------------

TEST(RouteGeometry, MultiGeometryWinsOverAnEarlierLineString) {
  std::string text = LineString("1.5,1.5,0 1.5,1.5,0") +
                     "<MultiGeometry>" + LineString("2.5,2.5,0 3.5,3.5,0") + "</MultiGeometry>";
  Route route = Parse(text);
  EXPECT_EQ((Points{{2.5, 2.5}, {3.5, 3.5}}), route.points);
}

TEST(RouteGeometry, GeometryCollectionWinsOverLineString) {
  std::string text = LineString("1.5,1.5,0") +
                     "<GeometryCollection><coordinates>4.5,4.5,0</coordinates>";
  EXPECT_EQ((Points{{4.5, 4.5}}), Parse(text).points);
}

TEST(RouteGeometry, KeywordsInAnyCase) {
  EXPECT_EQ(1, Parse("<linestring><COORDINATES>1.5,2.5,0</COORDINATES>").result);
  EXPECT_EQ(1, Parse("<LINESTRING><Coordinates>1.5,2.5,0").result);
}

TEST(RouteGeometry, ConsecutiveLineStringsFormOneRoute) {
  std::string text = "<MultiGeometry><LineString><coordinates>1.5,1.5,0 2.5,2.5,0</coordinates>"
                     "</LineString>\n  \t<LineString>  <coordinates>3.5,3.5,0</coordinates>"
                     "</LineString><LineString><coordinates>4.5,4.5,0</coordinates></LineString>";
  EXPECT_EQ((Points{{1.5, 1.5}, {2.5, 2.5}, {3.5, 3.5}, {4.5, 4.5}}), Parse(text).points);
}

TEST(RouteGeometry, AnElementBetweenTwoListsEndsTheRoute) {
  std::string text = "<LineString><coordinates>1.5,1.5,0</coordinates></LineString>"
                     "<LineString><tessellate>1</tessellate><coordinates>3.5,3.5,0</coordinates>";
  EXPECT_EQ((Points{{1.5, 1.5}}), Parse(text).points);
}

TEST(RouteGeometry, MissingKeywordOrCoordinatesIsTheWrongFormat) {
  EXPECT_EQ(kRouteWrongFormat, Parse("<kml><Point><coordinates>1,2,3</coordinates></Point>").result);
  EXPECT_EQ(kRouteWrongFormat, Parse("<LineString>1.5,2.5,0</LineString>").result);
  EXPECT_EQ(kRouteWrongFormat, Parse("<coordinates>1.5,2.5,0</coordinates><LineString>").result);
  EXPECT_EQ(kRouteWrongFormat, Parse("x").result);
}

// ---- Too few numbers ------------------------------------------------------------------------------

TEST(RouteCounts, TwoNumbersGiveNoPointAndFewerGiveNoCoordinates) {
  EXPECT_EQ(kRouteNoPoint, Parse(LineString("1.5 2.5")).result);
  EXPECT_EQ(kRouteNoPoint, Parse(LineString("-abc 2.5")).result);
  EXPECT_EQ(kRouteNoCoordinates, Parse(LineString("1.5")).result);
  EXPECT_EQ(kRouteNoCoordinates, Parse(LineString("")).result);
  EXPECT_EQ(kRouteNoCoordinates, Parse(LineString("abc 1.5,2.5,0")).result);
  EXPECT_EQ(kRouteNoCoordinates, Parse("<LineString><coordinates>").result);
}

// ---- Damaged input -----------------------------------------------------------------------------------

TEST(RouteDamage, AZeroByteEndsTheList) {
  std::string text = LineString(std::string("1.5,2.5,0 3.5,4.5,0\0 5.5,6.5,0", 31));
  EXPECT_EQ((Points{{1.5, 2.5}, {3.5, 4.5}}), Parse(text).points);
  std::string early("<kml>\0<LineString><coordinates>1.5,2.5,0", 41);
  EXPECT_EQ(kRouteWrongFormat, Parse(early).result);
}

TEST(RouteDamage, OneVeryLongToken) {
  std::string digits(5000000, '7');
  EXPECT_EQ(kRouteNoCoordinates, Parse(LineString(digits)).result);
  // Five million digits overflow: no coordinate.
  EXPECT_EQ(kRouteWrongFormat, Parse(LineString(digits + " 1.5 2.5")).result);
  std::string fraction = "0." + std::string(3000000, '0') + "1";
  EXPECT_EQ((Points{{0.0, 1.5}}), Parse(LineString(fraction + ",1.5,0")).points);
}

TEST(RouteDamage, ListRunningToTheEndOfTheFile) {
  EXPECT_EQ(2, Parse("<LineString><coordinates>1.5,2.5,0 3.5,4.5,0").result);
  EXPECT_EQ(1, Parse("<LineString><coordinates>1.5,2.5,0 coordinates LineString").result);
  EXPECT_EQ(1, Parse("<LineString><coordinates>1.5,2.5,0 coordinates LineString LineString "
                     "coordinates").result);
}

TEST(RouteDamage, ManyPointsAreAllRead) {
  std::string list;
  for (int i = 0; i < 200000; ++i) list += std::to_string(i % 180) + ".25," + std::to_string(i % 90) + ".5,100\n";
  Route route = Parse(LineString(list));
  ASSERT_EQ(200000, route.result);
  EXPECT_EQ(std::make_pair(179.25, 89.5), route.points[199979]);
}

// ---- Files ------------------------------------------------------------------------------------------------

TEST_F(TempFolder, MissingEmptyAndFolderCannotBeOpened) {
  std::vector<double> longitudes{1.0}, latitudes{2.0};
  EXPECT_EQ(kRouteNotOpened, ReadKmlRoute((folder_ + "/missing.kml").c_str(), longitudes, latitudes));
  EXPECT_TRUE(longitudes.empty() && latitudes.empty());
  EXPECT_EQ(kRouteNotOpened, ReadKmlRoute(Write("empty.kml", "").c_str(), longitudes, latitudes));
  EXPECT_EQ(kRouteNotOpened, ReadKmlRoute(folder_.c_str(), longitudes, latitudes));
  EXPECT_EQ(kRouteNotOpened, ReadKmlRoute("", longitudes, latitudes));
}

TEST_F(TempFolder, ReadsAFileWithAZeroByte) {
  // Not "nul.kml": Windows reserves that name for its null device.
  std::string path = Write("zero_byte.kml", std::string("<LineString><coordinates>1.5,2.5,0\0 3,4,5", 42));
  std::vector<double> longitudes, latitudes;
  ASSERT_EQ(1, ReadKmlRoute(path.c_str(), longitudes, latitudes));
  EXPECT_EQ(1.5, longitudes[0]);
  EXPECT_EQ(2.5, latitudes[0]);
}

int ReadExample(const char* name, std::vector<double>& longitudes, std::vector<double>& latitudes) {
  return ReadKmlRoute(SourcePath(std::string("examples/routes/") + name).c_str(), longitudes,
                      latitudes);
}

TEST(RouteExamples, RealFilesFromGpsToolsAndGoogleEarth) {
  struct Case { const char* name; int points; double longitude, latitude; } cases[] = {
      // The first LineString only: another Placemark follows.
      {"linestring.kml", 2, -122.364383, 37.824664},
      // A comment inside the second LineString ends the route there.
      {"multigeometry.kml", 2, -122.4425587930444, 37.80666418607323},
      {"colorado_river_linestring.kml", 19, 0, 0},
      {"from-gpx/test_route_andorra.kml", 550, 0, 0},
      {"from-gpx/andorra_for_map_matching.kml", 21, 0, 0},
      {"from-gpx/skytraq.kml", 217, 0, 0},
  };
  for (const Case& c : cases) {
    std::vector<double> longitudes, latitudes;
    EXPECT_EQ(c.points, ReadExample(c.name, longitudes, latitudes)) << c.name;
    if (c.longitude != 0 && !longitudes.empty()) {
      EXPECT_EQ(c.longitude, longitudes[0]) << c.name;
      EXPECT_EQ(c.latitude, latitudes[0]) << c.name;
    }
  }
}

// ---- Messages -------------------------------------------------------------------------------------------

TEST(RouteMessages, EachFailureHasItsOwnText) {
  EXPECT_EQ(kTextRouteNotOpened, RouteResultTextNumber(kRouteNotOpened));
  EXPECT_EQ(kTextRouteWrongFormat, RouteResultTextNumber(kRouteWrongFormat));
  EXPECT_EQ(kTextRouteNoMemory, RouteResultTextNumber(kRouteNoMemory));
  EXPECT_EQ(kTextRouteNoCoordinates, RouteResultTextNumber(kRouteNoCoordinates));
  EXPECT_EQ(kTextRouteUnknownError, RouteResultTextNumber(kRouteNoPoint));
  EXPECT_EQ(kTextRouteUnknownError, RouteResultTextNumber(-17));
  EXPECT_EQ(0, RouteResultTextNumber(5));
}

}  // namespace
