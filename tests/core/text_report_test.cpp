// The text report byte for byte. The expected text of the first case was
// worked out by hand from the format rules, not copied from an output:
//   slopes +1.5/25 = 6 %, -1/25 = -4 %, 0, +5/25 = 20 % fall into the classes
//   1, -1, 0 and 3 (w = 5 %, 8 classes), 25 m each of 100 m, 25 % each;
//   highest 818, lowest 812.5 (prints 812: ties round to even),
//   difference 5.5 (prints 6), climbed 1.5 + 5 = 6.5 (prints 6);
//   a route length of 12345.6 m prints as " 12.35" km.
#include "core/text_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/export_options.h"
#include "core/program_texts.h"
#include "core/route_reader.h"
#include "core/run_abort.h"
#include "tests/core/recording_host.h"
#include "core/tile_store.h"
#include "tests/common/test_paths.h"
#include "tests/core/tile_fixtures.h"

using namespace tile_fixtures;

namespace {

std::vector<ProfileSample> HandMadeSamples() {
  const double lon[] = {11.4, 11.4003, 11.4006, 11.4009, 11.4012};
  const double lat[] = {47.2, 47.1999, 47.1998, 47.1997, 47.1996};
  const double height[] = {812.5, 814.0, 813.0, 813.0, 818.0};
  std::vector<ProfileSample> samples;
  for (int k = 0; k < 5; ++k) {
    double slope = k == 0 ? 0.0 : (height[k] - height[k - 1]) / 25.0;
    samples.push_back({lon[k], lat[k], height[k], 25.0 * k, 25.0, slope, kNoLocation});
  }
  samples[0].slope = samples[1].slope;
  samples[2].location = 0;
  samples[4].location = 1;
  return samples;
}

CLocationTable HandMadeLocations() {
  CLocationTable table;
  table.Add({"Gipfel", 11.4006, 47.1998, 10.0});
  table.Add({"H\xFCtte", 11.4012, 47.1996, 10.0});
  return table;
}

const char kSampleLines[] =
    "+11.400000 +47.200000 812.50 0.00\n"
    "+11.400300 +47.199900 814.00 25.00\n"
    "+11.400600 +47.199800 813.00 50.00\n"
    "+11.400900 +47.199700 813.00 75.00\n"
    "+11.401200 +47.199600 818.00 100.00\n";

const char kSampleLinesWithLocations[] =
    "+11.400000 +47.200000 812.50 0.00\n"
    "+11.400300 +47.199900 814.00 25.00\n"
    "+11.400600 +47.199800 813.00 50.00\n"
    "LOC:\"Gipfel\"\n"
    "+11.400900 +47.199700 813.00 75.00\n"
    "+11.401200 +47.199600 818.00 100.00\n"
    "LOC:\"H\xFCtte\"\n";

const char kStatistics[] =
    "STAT: -20%..-15%    0.00m  0.00%\n"
    "STAT: -15%..-10%    0.00m  0.00%\n"
    "STAT: -10%.. -5%    0.00m  0.00%\n"
    "STAT:  -5%..  0%   25.00m  25.00%\n"
    "STAT:   0%..  5%   25.00m  25.00%\n"
    "STAT:   5%.. 10%   25.00m  25.00%\n"
    "STAT:  10%.. 15%    0.00m  0.00%\n"
    "STAT:  15%.. 20%   25.00m  25.00%\n"
    "LEN:     12.35 km\n"
    "HMAX:   818 m\n"
    "HMIN:   812 m\n"
    "HDELTA: 6 m\n"
    "METERS: 6 m\n";

std::string Format(const std::vector<ProfileSample>& samples, bool locations, bool statistics,
                   const SlopeClassConfig& config = MakeSlopeClassConfig(4, 1),
                   double length = 12345.6) {
  TextReportContent content;
  content.addLocations = locations;
  content.addStatistics = statistics;
  return FormatTextReport(samples.data(), static_cast<int>(samples.size()), HandMadeLocations(),
                          content, config, length);
}

}  // namespace

TEST(ReportText, SampleLinesOnlyWithoutOptions) {
  EXPECT_EQ(Format(HandMadeSamples(), false, false), kSampleLines);
}

TEST(ReportText, LocationLinesFollowTheirSamples) {
  EXPECT_EQ(Format(HandMadeSamples(), true, false), kSampleLinesWithLocations);
}

TEST(ReportText, StatisticsWorkedOutByHand) {
  EXPECT_EQ(Format(HandMadeSamples(), true, true),
            std::string(kSampleLinesWithLocations) + kStatistics);
}

TEST(ReportText, NarrowClassesAndSouthWesternCoordinates) {
  std::vector<ProfileSample> one = {{-72.25, -29.5, 1234.567, 0.0, 25.0, 0.0, kNoLocation}};
  EXPECT_EQ(Format(one, true, true, MakeSlopeClassConfig(0, 0), 0.0),
            "-72.250000 -29.500000 1234.57 0.00\n"
            "STAT:  -3%.. -2%    0.00m  0.00%\n"
            "STAT:  -2%.. -1%    0.00m  0.00%\n"
            "STAT:  -1%..  0%    0.00m  0.00%\n"
            "STAT:   0%..  1%    0.00m  0.00%\n"
            "STAT:   1%..  2%    0.00m  0.00%\n"
            "STAT:   2%..  3%    0.00m  0.00%\n"
            "LEN:      0.00 km\n"
            "HMAX:   1235 m\n"
            "HMIN:   1235 m\n"
            "HDELTA: 0 m\n"
            "METERS: 0 m\n");
}

TEST(ReportText, StepWidthTextAsTheRunTakesIt) {
  EXPECT_EQ(StepWidthFromText("25"), 25u);
  EXPECT_EQ(StepWidthFromText(" 7x"), 7u);
  EXPECT_EQ(StepWidthFromText("0"), 1u);
  EXPECT_EQ(StepWidthFromText(""), 1u);
  EXPECT_EQ(StepWidthFromText("-5"), 4294967291u);
  EXPECT_EQ(StepWidthFromText("99999999999"), 2147483647u);
}

// ---- The report as a step of an export run ------------------------------------------

class ReportStep : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWholeFile(tiles_.File("N47E011.hgt"), FlatTileBytes(812));
    options_.RoutePath = folder_.File("Runde.kml");
    options_.TileFolder = tiles_.Path();
    options_.TextOn = 1;
    options_.StepWidthText = "25";
  }

  void Export() {
    double length = RouteLength(lon_.data(), lat_.data(), static_cast<int>(lon_.size()));
    ExportTextReport(lon_, lat_, length, options_, MakeSlopeClassConfig(4, 1), locations_, store_,
                     host_, errorText_);
  }

  int ExportCode() {
    try {
      Export();
    } catch (int code) {
      return code;
    }
    return 0;
  }

  TempFolder folder_, tiles_;
  std::vector<double> lon_ = {11.4, 11.4}, lat_ = {47.2, 47.2009};  // about 100 m north
  ExportOptions options_;
  CLocationTable locations_;
  RecordingHost host_;
  std::string errorText_;
  CTileStore store_{errorText_, tiles_.Path()};
};

TEST_F(ReportStep, WritesTheReportBesideTheRouteAndOpensItIfAsked) {
  options_.TextShow = 1;
  options_.TextAddLoc = 1;
  locations_.Add({"Start", 11.4, 47.2, 5.0});
  Export();
  const std::string path = folder_.File("Runde.txt");
  EXPECT_EQ(ReadWholeFile(path),
            "+11.400000 +47.200000 812.00 0.00\n"
            "LOC:\"Start\"\n"
            "+11.400000 +47.200225 812.00 25.00\n"
            "+11.400000 +47.200450 812.00 50.00\n"
            "+11.400000 +47.200675 812.00 75.00\n"
            "+11.400000 +47.200899 812.00 100.00\n");
  EXPECT_TRUE(host_.questions.empty());
  EXPECT_EQ(host_.opened, std::vector<std::string>{path});
}

TEST_F(ReportStep, AnExistingReportIsReplacedOnlyAfterOk) {
  const std::string path = folder_.File("Runde.txt");
  WriteWholeFile(path, "keep me");
  host_.answerOk = false;
  EXPECT_EQ(ExportCode(), kAbortDeclined);
  EXPECT_EQ(ReadWholeFile(path), "keep me");
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].text, "Die Datei " + path + " existiert bereits !\nSoll sie \xFC"
                                "berschrieben werden ?");
  EXPECT_EQ(host_.questions[0].caption, "Frage");
  host_.answerOk = true;
  EXPECT_EQ(ExportCode(), 0);
  EXPECT_NE(ReadWholeFile(path), "keep me");
  EXPECT_TRUE(host_.opened.empty());
}

TEST_F(ReportStep, AReportThatCannotBeCreatedAbortsWithItsPath) {
  options_.RoutePath = folder_.File("missing/Runde.kml");
  EXPECT_EQ(ExportCode(), kAbortReportNotCreated);
  EXPECT_EQ(errorText_, "Die Datei " + folder_.File("missing/Runde.txt") +
                            " konnte nicht erzeugt werden !");
}

TEST_F(ReportStep, AMissingTileWritesNoReport) {
  lon_ = {11.99, 12.01};
  lat_ = {47.2, 47.2};
  EXPECT_EQ(ExportCode(), kAbortTileStore);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("Runde.txt")));
}

TEST(RealRoute, AndorraHeightsLieInTheValley) {
  std::vector<double> lon, lat;
  ASSERT_EQ(ReadKmlRoute(SourcePath("examples/routes/from-gpx/andorra_for_map_matching.kml").c_str(),
                         lon, lat), 21);
  std::string errorText;
  CTileStore store(errorText, SourcePath("examples/tiles"));
  std::vector<ProfileSample> samples;
  double length = RouteLength(lon.data(), lat.data(), 21);
  int n = SampleProfile(lon.data(), lat.data(), 21, 25, MaxSamplesForStep(length, 25), store,
                        errorText, samples);
  EXPECT_EQ(n, static_cast<int>(length / 25) + 1);
  for (const ProfileSample& s : samples) {
    EXPECT_GT(s.height, 1600.0);
    EXPECT_LT(s.height, 1800.0);
  }
}

// Reports of the two real Andorra routes at 25 m with two locations and the
// statistics. Both files were checked once against an independent Python
// walk of the route (same distance formula with the C library's
// trigonometry, triangle interpolation read straight from the tile): every
// position within 1.5e-6 degrees, every height within 0.006 m, the class
// metres, extremes, climb and length equal. The Windows build must produce
// the same bytes.
class CheckedReport : public ::testing::TestWithParam<const char*> {};

TEST_P(CheckedReport, IsReproducedByteForByte) {
  const std::string name = GetParam();
  std::vector<double> lon, lat;
  int n = ReadKmlRoute(SourcePath("examples/routes/from-gpx/" + name + ".kml").c_str(), lon, lat);
  ASSERT_GT(n, 1);
  std::string errorText;
  CTileStore store(errorText, SourcePath("examples/tiles"));
  const double length = RouteLength(lon.data(), lat.data(), n);
  std::vector<ProfileSample> samples;
  int count = SampleProfile(lon.data(), lat.data(), n, 25, MaxSamplesForStep(length, 25), store,
                            errorText, samples);
  CLocationTable table;
  table.Add({"Start", lon[0], lat[0], 30});
  table.Add({"Mitte", lon[n / 2], lat[n / 2], 40});
  MatchLocations(samples.data(), count, table);
  TextReportContent content;
  content.addLocations = content.addStatistics = true;
  std::string report = FormatTextReport(samples.data(), count, table, content,
                                        MakeSlopeClassConfig(4, 1), length);
  std::string expected = ReadWholeFile(SourcePath("tests/core/data/" + name + ".txt"));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(report, expected);
}

INSTANTIATE_TEST_SUITE_P(RealRoutes, CheckedReport,
                         ::testing::Values("andorra_for_map_matching", "test_route_andorra"));
