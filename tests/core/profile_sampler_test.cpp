// The sampler over synthetic tiles whose height is known everywhere: flat, or
// rising one metre per sample column eastwards. Distances are checked against
// the route geometry, heights against the tile, failures against what the
// caller gets back.
#include "core/profile_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/program_texts.h"
#include "core/run_abort.h"
#include "core/tile_store.h"
#include "tests/core/tile_fixtures.h"

using namespace tile_fixtures;

namespace {

// Degrees of latitude that make the given metres along a meridian.
double MeridianDegrees(double metres) { return metres / (kEarthRadius * kDegreesToRadians); }

class SamplerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWholeFile(folder_.File("N10E010.hgt"), FlatTileBytes(250));
    // N10E012 rises eastwards: one metre per column, 1200 m per degree.
    WriteWholeFile(folder_.File("N10E012.hgt"),
                   MakeTileBytes([](int, int column) { return std::uint16_t(column); }));
  }

  int Sample(const std::vector<double>& lon, const std::vector<double>& lat, double step,
             std::int64_t maxSamples) {
    return SampleProfile(lon.data(), lat.data(), static_cast<int>(lon.size()), step, maxSamples,
                         store_, errorText_, samples_);
  }

  std::vector<double> Distances() const {
    std::vector<double> d;
    for (const ProfileSample& s : samples_) d.push_back(s.distance);
    return d;
  }

  TempFolder folder_;
  std::string errorText_;
  CTileStore store_{errorText_, folder_.Path()};
  std::vector<ProfileSample> samples_;
};

}  // namespace

TEST(Distances, IdenticalPointsAreZeroApartNotNaN) {
  const double lon = 10.123456789, lat = 47.987654321;
  for (double l : {lon, 0.1, 179.9, -33.3}) {
    double d = GreatCircleDistance(l, lat, l, lat);
    EXPECT_EQ(d, 0.0) << l;
  }
  double lons[] = {lon, lon, lon}, lats[] = {lat, lat, lat};
  EXPECT_EQ(RouteLength(lons, lats, 3), 0.0);
}

TEST(Distances, RouteLengthAddsTheSegments) {
  double lons[] = {10.0, 10.0, 11.0};
  double lats[] = {0.0, 1.0, 1.0};
  EXPECT_NEAR(RouteLength(lons, lats, 2), 6370000.0 * kDegreesToRadians, 1e-6);
  EXPECT_NEAR(RouteLength(lons, lats, 3),
              GreatCircleDistance(10, 0, 10, 1) + GreatCircleDistance(10, 1, 11, 1), 1e-9);
  EXPECT_EQ(RouteLength(lons, lats, 1), 0.0);
  EXPECT_EQ(RouteLength(lons, lats, 0), 0.0);
  EXPECT_EQ(RouteLength(nullptr, nullptr, 5), 0.0);
  // Antipodes: the cosine reaches -1 and stays a number.
  EXPECT_NEAR(GreatCircleDistance(0, 0, 180, 0), kEarthRadius * 3.141592653589793, 1e-3);
}

TEST(SampleCounts, FollowTheStepAlongTheRoute) {
  EXPECT_EQ(MaxSamplesForStep(100.5, 25), 5);
  EXPECT_EQ(MaxSamplesForStep(0.0, 1), 1);
  EXPECT_EQ(MaxSamplesForStep(99.9, 100), 1);
  EXPECT_GT(MaxSamplesForStep(1e6, 0.0), std::int64_t(1) << 60);
  EXPECT_GT(MaxSamplesForStep(std::numeric_limits<double>::quiet_NaN(), 1), std::int64_t(1) << 60);
}

TEST_F(SamplerTest, ARouteOfOnePointGivesItsStartWithSlopeZero) {
  EXPECT_EQ(Sample({10.5}, {10.5}, 25, 1), 1);
  ASSERT_EQ(samples_.size(), 1u);
  EXPECT_EQ(samples_[0].longitude, 10.5);
  EXPECT_EQ(samples_[0].latitude, 10.5);
  EXPECT_EQ(samples_[0].height, 250.0);
  EXPECT_EQ(samples_[0].distance, 0.0);
  EXPECT_EQ(samples_[0].step, 25.0);
  EXPECT_EQ(samples_[0].slope, 0.0);
  EXPECT_EQ(samples_[0].location, kNoLocation);
}

TEST_F(SamplerTest, ARouteShorterThanAStepGivesOneSample) {
  EXPECT_EQ(Sample({10.5, 10.5}, {10.5, 10.5 + MeridianDegrees(20)}, 25, 100), 1);
}

TEST_F(SamplerTest, SamplesFallAtWholeStepsAndNeverOnTheEndUnlessItFits) {
  std::vector<double> lon = {10.5, 10.5}, lat = {10.2, 10.2 + MeridianDegrees(100.5)};
  double length = RouteLength(lon.data(), lat.data(), 2);
  // The law of cosines is good to about 0.1 mm at this distance.
  ASSERT_NEAR(length, 100.5, 1e-3);
  EXPECT_EQ(Sample(lon, lat, 25, MaxSamplesForStep(length, 25)), 5);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 25, 50, 75, 100}));
  EXPECT_EQ(Sample(lon, lat, 30, MaxSamplesForStep(length, 30)), 4);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 30, 60, 90}));
  // The sample at 50 m lies 50.5 m before the end, on the straight line.
  Sample(lon, lat, 25, 5);
  EXPECT_NEAR(samples_[2].latitude, lat[1] - MeridianDegrees(100.5) * 50.5 / 100.5, 1e-8);
  EXPECT_EQ(samples_[2].longitude, 10.5);
}

TEST_F(SamplerTest, AStepBelowOneMetreIsTakenAsOneMetre) {
  std::vector<double> lon = {10.5, 10.5}, lat = {10.2, 10.2 + MeridianDegrees(10.5)};
  EXPECT_EQ(Sample(lon, lat, 0.5, 100), 11);
  EXPECT_EQ(samples_[1].distance, 1.0);
  EXPECT_EQ(samples_[1].step, 1.0);
}

TEST_F(SamplerTest, MaxSamplesLimitsALongerRoute) {
  std::vector<double> lon = {10.5, 10.5}, lat = {10.2, 10.3};
  EXPECT_EQ(Sample(lon, lat, 25, 7), 7);
  EXPECT_EQ(samples_.back().distance, 150.0);
  EXPECT_EQ(Sample(lon, lat, 25, 0), 0);
  EXPECT_TRUE(samples_.empty());
  EXPECT_EQ(store_.LoadCounter(), 1u);
}

TEST_F(SamplerTest, SlopesFollowTheTerrainAndTheFirstTakesTheSecond) {
  // Eastwards along 10.5 N in the rising tile: a steady climb.
  std::vector<double> lon = {12.1, 12.2}, lat = {10.5, 10.5};
  int n = Sample(lon, lat, 100, 50);
  ASSERT_GT(n, 5);
  for (int k = 1; k < n; ++k) {
    EXPECT_NEAR(samples_[k].slope, (samples_[k].height - samples_[k - 1].height) / 100.0, 1e-12);
    EXPECT_NEAR(samples_[k].height, (samples_[k].longitude - 12.0) * 1200.0, 1e-6);
  }
  EXPECT_EQ(samples_[0].slope, samples_[1].slope);
  EXPECT_NEAR(samples_[0].height, 120.0, 1e-9);
}

TEST_F(SamplerTest, SegmentsAddUpAcrossRoutePoints) {
  // Three points, 60 m and 70 m apart: samples continue across the corner.
  std::vector<double> lon = {10.5, 10.5, 10.5}, lat = {10.2, 10.2 + MeridianDegrees(60),
                                                       10.2 + MeridianDegrees(130)};
  EXPECT_EQ(Sample(lon, lat, 25, 100), 6);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 25, 50, 75, 100, 125}));
  EXPECT_NEAR(samples_[3].latitude, 10.2 + MeridianDegrees(75), 1e-8);
}

TEST_F(SamplerTest, RepeatedPointsAddNothingAndBreakNothing) {
  std::vector<double> lon = {10.5, 10.5, 10.5, 10.5}, lat = {10.2, 10.2, 10.2 + MeridianDegrees(50), 10.2 + MeridianDegrees(50)};
  EXPECT_EQ(Sample(lon, lat, 10, 100), 6);
  for (const ProfileSample& s : samples_) EXPECT_FALSE(std::isnan(s.latitude));
}

TEST_F(SamplerTest, AnAbortWhileSamplingHandsOverNothing) {
  samples_.resize(3);
  // From the flat tile into N10E011, which does not exist.
  std::vector<double> lon = {10.99, 11.01}, lat = {10.5, 10.5};
  try {
    Sample(lon, lat, 25, 1000);
    FAIL() << "no abort";
  } catch (int code) {
    EXPECT_EQ(code, kAbortTileStore);
  }
  EXPECT_TRUE(samples_.empty());
  EXPECT_EQ(errorText_.rfind("Die Datei N10E011.hgt konnte nicht gefunden werden !", 0), 0u);
}

TEST_F(SamplerTest, AnUnaffordableSampleCountReportsLackOfMemory) {
  std::vector<double> lon = {10.5, 10.6}, lat = {10.5, 10.5};
  for (std::int64_t count : {std::int64_t(1) << 40, MaxSamplesForStep(1e300, 1)}) {
    try {
      Sample(lon, lat, 1, count);
      FAIL() << "no abort";
    } catch (int code) {
      EXPECT_EQ(code, kAbortTileStore);
    }
    EXPECT_EQ(errorText_, "Zu wenig Speicher !");
    EXPECT_TRUE(samples_.empty());
  }
}

// 179.9 E to 179.9 W is 0.2 degrees across the meridian, not 359.8 back
// around the globe: every sample lies on the short way, in -180 ... 180, on
// the two tiles beside the meridian.
TEST_F(SamplerTest, ARouteAcrossTheMeridianTakesTheShortWay) {
  WriteWholeFile(folder_.File("N10E179.hgt"), FlatTileBytes(100));
  WriteWholeFile(folder_.File("N10W180.hgt"), FlatTileBytes(200));
  const std::vector<double> lon = {179.9, -179.9}, lat = {10.5, 10.5};
  const double length = RouteLength(lon.data(), lat.data(), 2);
  ASSERT_NEAR(length, 21866.0, 10.0);
  const int n = Sample(lon, lat, 1000.0, MaxSamplesForStep(length, 1000.0));
  ASSERT_EQ(n, 22);
  for (const ProfileSample& s : samples_) {
    EXPECT_TRUE(s.longitude >= 179.9 || s.longitude <= -179.9) << s.longitude;
    EXPECT_EQ(s.height, s.longitude > 0 ? 100.0 : 200.0) << s.longitude;
  }
  EXPECT_NEAR(samples_.back().longitude, -179.9 - 0.2 * (length - 21000.0) / length, 1e-9);
}

// The tiles a route passes: every cell its straight legs cross, in order,
// the short way across the meridian, and nothing from impossible points.
TEST(RouteTiles, EveryCellTheLegsCrossInTheOrderReached) {
  const std::vector<double> lon = {179.5, -179.5, -179.25, -179.5}, lat = {10.5, 10.5, 11.5, 10.25};
  EXPECT_EQ(RouteTileNames(lon.data(), lat.data(), 4),
            (std::vector<std::string>{"N10E179.hgt", "N10W180.hgt", "N11W180.hgt"}));
  // A leg through a cell corner touches the corner's cells, not a detour.
  const std::vector<double> diagonal = {10.5, 11.5}, up = {20.5, 21.5};
  EXPECT_EQ(RouteTileNames(diagonal.data(), up.data(), 2),
            (std::vector<std::string>{"N20E010.hgt", "N21E011.hgt"}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> bad = {nan, 1e300};
  EXPECT_EQ(RouteTileNames(bad.data(), bad.data(), 2).size(), 2u);
}
