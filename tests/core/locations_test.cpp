// The locations list: what a user's file turns into, what the writer puts on
// disk (and that it survives the next read), and which samples a route marks
// as passing a place.
#include "core/locations.h"
#include "core/file_replace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/common/test_paths.h"
#include "tests/core/tile_fixtures.h"

using tile_fixtures::TempFolder;

namespace {

struct Expected {
  const char* line;
  const char* name;
  double longitude, latitude, radius;
};

// Samples 10 m apart eastwards along the equator.
std::vector<ProfileSample> EquatorSamples(int count) {
  const double step = 10.0 / (kEarthRadius * kDegreesToRadians);
  std::vector<ProfileSample> samples;
  for (int i = 0; i < count; ++i)
    samples.push_back({i * step, 0.0, 0.0, 10.0 * i, 10.0, 0.0, kNoLocation});
  return samples;
}

CLocationTable TableOf(const std::vector<Location>& locations) {
  CLocationTable table;
  for (const Location& l : locations) table.Add(l);
  return table;
}

std::vector<int> Marked(const std::vector<ProfileSample>& samples) {
  std::vector<int> marked;
  for (std::size_t i = 0; i < samples.size(); ++i)
    if (samples[i].location != kNoLocation) marked.push_back(static_cast<int>(i));
  return marked;
}

}  // namespace

// ---- Reading ---------------------------------------------------------------------------

TEST(LocationFile, LinesReadAsTheUserWroteThem) {
  const Expected cases[] = {
      {"\"H\xFCtte am See\"\t+11.123456\t+47.000001\t50.00\n", "H\xFCtte am See", 11.123456,
       47.000001, 50.0},
      {"Alm 11.5 47.2 100\n", "Alm", 11.5, 47.2, 100.0},
      {"\"A\",11,47,10\n", "A", 0, 0, 0},  // the comma ends the second field at once
      {"\"Say \\\"hi\\\"\"\t1\t2\t3\n", "Say \"hi\"", 1, 2, 3},
      {"\"C:\\dir\\x\"\t1\t2\t3\r\n", "C:\\dir\\x", 1, 2, 3},
      {"  \"Lead\"  -1.5e1 +2.5E-1  7\n", "Lead", -15, 0.25, 7},
      {"Bad 11.5abc x1 .5\n", "Bad", 11.5, 0, 0.5},
      {"\"Open quote 1 2 3\n", "Open quote 1 2 3", 0, 0, 0},
      {"Last\t1\t2\t3", "Last", 1, 2, 3},  // no line feed at the end of the file
  };
  for (const Expected& e : cases) {
    std::vector<Location> read = ParseLocations(e.line);
    ASSERT_EQ(read.size(), 1u) << e.line;
    EXPECT_EQ(read[0].name, e.name) << e.line;
    EXPECT_EQ(read[0].longitude, e.longitude) << e.line;
    EXPECT_EQ(read[0].latitude, e.latitude) << e.line;
    EXPECT_EQ(read[0].radius, e.radius) << e.line;
  }
}

TEST(LocationFile, LinesWithoutANameAreSkipped) {
  std::vector<Location> read =
      ParseLocations("\n\"\"\t1\t2\t3\n   \t\nX 1 2 3\n,Y 1 2 3\n;\n\"\"Z 1 2 3\n");
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].name, "X");
}

TEST(LocationFile, OverlongLinesAreSkippedWholeAndZeroBytesEndALine) {
  std::vector<Location> read =
      ParseLocations("Before 1 2 3\n" + std::string(3000, 'a') + "\nAfter 4 5 6\n" + std::string(1024, 'b'));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "Before");
  EXPECT_EQ(read[1].name, "After");
  read = ParseLocations(std::string(1023, 'c') + "\n" + std::string(1023, 'd'));  // just fit
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, std::string(1023, 'c'));
  EXPECT_EQ(read[1].name, std::string(1023, 'd'));
  read = ParseLocations(std::string("Zero 1\0 2 3\nNext 4 5 6\n", 23));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].longitude, 1.0);
  EXPECT_EQ(read[0].latitude, 0.0);
  EXPECT_EQ(read[1].name, "Next");
}

TEST(LocationFile, Utf8FilesAreReadInTheProgramsCodePage) {
  // Byte-order mark, then "Muenchen" with its u-umlaut, the euro sign, and a letter that code
  // page 1252 lacks.
  std::vector<Location> read =
      ParseLocations("\xEF\xBB\xBF\"M\xC3\xBC" "nchen\" 11.5 48.1 500\n"
                     "\"\xE2\x82\xAC \xC5\x81\xC3\xB3" "d\xC5\xBA\" 1 2 3\n");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "M\xFC" "nchen");
  EXPECT_EQ(read[0].longitude, 11.5);
  EXPECT_EQ(read[1].name, "\x80 ?\xF3" "d?");
  // Code page 1252 that is no valid UTF-8 stays as it is.
  read = ParseLocations("\"M\xFC" "nchen\" 1 2 3\n\"\xC3\" 1 2 3\n");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "M\xFC" "nchen");
}

TEST(LocationFile, AMissingFileYieldsNothing) {
  TempFolder folder;
  EXPECT_TRUE(ReadLocationsFile(folder.File("Locations.txt")).empty());
  EXPECT_TRUE(ReadLocationsFile(folder.Path()).empty());  // a folder
}

TEST(LocationFile, NumbersIgnoreTheLocale) {
  EXPECT_EQ(LocationTextToDouble("  47,25"), 47.0);
  EXPECT_EQ(LocationTextToDouble("-0.125"), -0.125);
  EXPECT_EQ(LocationTextToDouble(""), 0.0);
}

// ---- Writing ---------------------------------------------------------------------------

TEST(LocationWriter, WritesTheDocumentedLine) {
  EXPECT_EQ(FormatLocationLine({"Gipfel", 11.5, 47.25, 150.0}),
            "\"Gipfel\"\t+11.500000\t+47.250000\t150.00\n");
  EXPECT_EQ(FormatLocationLine({"W", -0.5, -33.25, 0.004}), "\"W\"\t-0.500000\t-33.250000\t0.00\n");
}

TEST(LocationWriter, HugeNumbersStillEndTheirLine) {
  std::string line = FormatLocationLine({"m", -1.5e300, 1e308, 1.7e308});
  EXPECT_EQ(line.back(), '\n');
  EXPECT_LE(line.size(), std::size_t(kLocationLineLimit));
  std::vector<Location> read = ParseLocations(line + line);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].name, "m");
  EXPECT_EQ(read[1].longitude, -1.5e300);
}

TEST(LocationWriter, EveryNameSurvivesTheNextRead) {
  const std::vector<Location> locations = {
      {"Gipfel", 11.5, 47.25, 150.0},
      {"Say \"hi\"", 1.25, 2.5, 3.0},
      {"Back\\slash\\\"quote", 4.0, 5.0, 6.0},
      {"Ends in backslash\\", 7.0, 8.0, 9.0},
      {"Two\r\nlines", 10.0, 11.0, 12.0},
      {std::string(2000, 'n'), 13.0, 14.0, 15.0},
  };
  TempFolder folder;
  const std::string path = folder.File(kLocationsFileName);
  ASSERT_TRUE(WriteLocationsFile(path, locations));
  std::vector<Location> read = ReadLocationsFile(path);
  ASSERT_EQ(read.size(), locations.size());
  EXPECT_EQ(read[0].name, "Gipfel");
  EXPECT_EQ(read[1].name, "Say \"hi\"");
  EXPECT_EQ(read[2].name, "Back\\slash\\\"quote");
  EXPECT_EQ(read[3].name, "Ends in backslash\\ ");
  EXPECT_EQ(read[4].name, "Two  lines");
  EXPECT_EQ(read[5].name.substr(0, 900), std::string(900, 'n'));
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].longitude, locations[i].longitude) << i;
    EXPECT_EQ(read[i].latitude, locations[i].latitude) << i;
    EXPECT_EQ(read[i].radius, locations[i].radius) << i;
  }
}

TEST(LocationWriter, SkipsNamelessRowsAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.File(kLocationsFileName);
  WriteWholeFile(path, "old content\n");
  ASSERT_TRUE(WriteLocationsFile(path, {{"", 1, 2, 3}, {"B", 1, 2, 3}}));
  EXPECT_EQ(ReadWholeFile(path), "\"B\"\t+1.000000\t+2.000000\t3.00\n");
  EXPECT_FALSE(std::filesystem::exists(ReplacingTemporaryPath(path)));
  ASSERT_TRUE(WriteLocationsFile(path, {}));
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(LocationWriter, AFileThatCannotBeWrittenKeepsTheOldOne) {
  TempFolder folder;
  EXPECT_FALSE(WriteLocationsFile(folder.File("no/such/folder/Locations.txt"), {{"A", 1, 2, 3}}));
  const std::string path = folder.File(kLocationsFileName);
  WriteWholeFile(path, "\"Old\"\t+1.000000\t+2.000000\t3.00\n");
  // Something that is not a file already sits where the temporary file goes.
  std::filesystem::create_directory(ReplacingTemporaryPath(path));
  EXPECT_FALSE(WriteLocationsFile(path, {{"New", 1, 2, 3}}));
  EXPECT_EQ(ReadWholeFile(path), "\"Old\"\t+1.000000\t+2.000000\t3.00\n");
}

TEST(LocationTable, HoldsAtMost2048Locations) {
  CLocationTable table;
  for (int i = 0; i < kMaxLocations; ++i) ASSERT_TRUE(table.Add({"L", 0, 0, 1}));
  EXPECT_FALSE(table.Add({"one too many", 0, 0, 1}));
  EXPECT_EQ(table.Count(), kMaxLocations);
}

// ---- Matching --------------------------------------------------------------------------

TEST(Matching, NoLocationsNoMarks) {
  std::vector<ProfileSample> samples = EquatorSamples(10);
  EXPECT_EQ(MatchLocations(samples.data(), 10, CLocationTable()), 0);
  EXPECT_TRUE(Marked(samples).empty());
}

TEST(Matching, ASampleExactlyOnALocationMatchesEvenWithRadiusZero) {
  std::vector<ProfileSample> samples = EquatorSamples(10);
  for (ProfileSample& s : samples) s.latitude = 47.987654321;
  CLocationTable table = TableOf({{"Here", samples[4].longitude, 47.987654321, 0.0}});
  EXPECT_EQ(MatchLocations(samples.data(), 10, table), 1);
  EXPECT_EQ(Marked(samples), std::vector<int>{4});
  EXPECT_EQ(samples[4].location, 0);
}

TEST(Matching, TheNearestSampleOfAPassIsMarked) {
  std::vector<ProfileSample> samples = EquatorSamples(50);
  // Between samples 20 and 21, nearer to 21, radius 35 m: samples 18 ... 24 inside.
  CLocationTable table = TableOf({{"Hut", samples[20].longitude * 0.4 + samples[21].longitude * 0.6,
                                   0.0, 35.0}});
  EXPECT_EQ(MatchLocations(samples.data(), 50, table), 1);
  EXPECT_EQ(Marked(samples), std::vector<int>{21});
}

TEST(Matching, TwoPassesNeedThresholdSamplesOutsideBetweenThem) {
  // 250 samples: threshold 3. Inside at 10 and at 14 (3 outside) gives two
  // marks; inside at 10 and 13 (2 outside) gives one.
  for (int gap : {2, 3}) {
    std::vector<ProfileSample> samples = EquatorSamples(250);
    const double there = samples[100].longitude;
    for (ProfileSample& s : samples) s.longitude = there + 1.0;  // far away
    samples[10].longitude = there;
    samples[10 + gap + 1].longitude = there;
    CLocationTable table = TableOf({{"P", there, 0.0, 1.0}});
    EXPECT_EQ(MatchLocations(samples.data(), 250, table), gap == 3 ? 2 : 1) << gap;
    EXPECT_EQ(Marked(samples).size(), gap == 3 ? 2u : 1u);
  }
  // 1000 samples: threshold 10.
  for (int gap : {9, 10}) {
    std::vector<ProfileSample> samples = EquatorSamples(1000);
    const double there = samples[500].longitude;
    for (ProfileSample& s : samples) s.longitude = there + 1.0;
    samples[10].longitude = there;
    samples[10 + gap + 1].longitude = there;
    CLocationTable table = TableOf({{"P", there, 0.0, 1.0}});
    EXPECT_EQ(MatchLocations(samples.data(), 1000, table), gap == 10 ? 2 : 1) << gap;
  }
}

TEST(Matching, ARouteEndingInsideACircleStillMarksIt) {
  std::vector<ProfileSample> samples = EquatorSamples(30);
  CLocationTable table = TableOf({{"End", samples[29].longitude, 0.0, 45.0}});
  EXPECT_EQ(MatchLocations(samples.data(), 30, table), 1);
  EXPECT_EQ(Marked(samples), std::vector<int>{29});
}

TEST(Matching, ALaterLocationTakesItsNearestFreeSample) {
  std::vector<ProfileSample> samples = EquatorSamples(40);
  CLocationTable table = TableOf({{"First", samples[20].longitude, 0.0, 25.0},
                                  {"Second", samples[20].longitude, 0.0, 25.0},
                                  {"Third", samples[5].longitude, 0.0, 1.0}});
  EXPECT_EQ(MatchLocations(samples.data(), 40, table), 3);
  EXPECT_EQ(samples[20].location, 0);
  // 19 and 21 are equally near: the later sample wins.
  EXPECT_EQ(samples[21].location, 1);
  EXPECT_EQ(samples[5].location, 2);
}

TEST(Matching, LatitudeDistanceDecidesLikeTheFullFormula) {
  // Samples northwards from 47.0 N; the location's circle holds some of them.
  std::vector<ProfileSample> samples = EquatorSamples(200);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i].latitude = 47.0 + samples[i].longitude;  // 10 m steps north
    samples[i].longitude = 11.0;
  }
  const double lat = samples[150].latitude;
  for (double radius : {0.0, 95.0, 100.0, 500.0, 2000.0, 1e6}) {
    std::vector<ProfileSample> copy = samples;
    CLocationTable table = TableOf({{"North", 11.0, lat, radius}});
    MatchLocations(copy.data(), 200, table);
    // The one mark of the pass is the nearest sample whose computed
    // distance is within the radius, found here without any shortcut.
    int expected = -1;
    double best = 9999999.0;
    for (int i = 0; i < 200; ++i) {
      double d = GreatCircleDistance(11.0, samples[i].latitude, 11.0, lat);
      if (d <= radius && best >= d) {
        best = d;
        expected = i;
      }
    }
    EXPECT_EQ(Marked(copy), expected < 0 ? std::vector<int>{} : std::vector<int>{expected})
        << radius;
  }
}

TEST(Matching, LatitudesBeyondThePoleMatchAsTheFormulaPlacesThem) {
  // The file's numbers are taken unchecked: latitude 100 at longitude 0 is
  // where the formula finds latitude 80 at longitude 180.
  std::vector<ProfileSample> samples = EquatorSamples(20);
  for (ProfileSample& s : samples) {
    s.longitude = 180.0;
    s.latitude = 70.0;
  }
  samples[7].latitude = 80.0;
  ASSERT_LT(GreatCircleDistance(180.0, 80.0, 0.0, 100.0), 1.0);
  CLocationTable table = TableOf({{"Over the pole", 0.0, 100.0, 50.0}});
  EXPECT_EQ(MatchLocations(samples.data(), 20, table), 1);
  EXPECT_EQ(Marked(samples), std::vector<int>{7});
}
