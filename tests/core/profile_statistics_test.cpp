// Profile statistics over hand-made sample arrays: each case states the
// class a slope belongs to, or the figure a user reads in the report.
#include "core/profile_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/profile_sampler.h"

namespace {

// Samples 10 m apart with the given heights; slopes from the heights.
std::vector<ProfileSample> Profile(const std::vector<double>& heights, double step = 10.0) {
  std::vector<ProfileSample> samples;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    double slope = i == 0 ? 0.0 : (heights[i] - heights[i - 1]) / step;
    samples.push_back({0.0, 0.0, heights[i], step * i, step, slope, kNoLocation});
  }
  if (samples.size() > 1) samples[0].slope = samples[1].slope;
  return samples;
}

struct Result {
  SlopeClass classes[kMaxSlopeClasses];
  double lowest = -1, highest = -1, climbed = -1;
};

Result Compute(const std::vector<ProfileSample>& samples, const SlopeClassConfig& config) {
  Result r;
  r.climbed = ComputeStatistics(samples.data(), static_cast<int>(samples.size()), r.classes,
                                config.first, config.last, config.width, r.lowest, r.highest);
  return r;
}

const SlopeClassConfig kFivePercentEight = MakeSlopeClassConfig(4, 1);

}  // namespace

TEST(SlopeClassConfigs, FollowTheTwoComboBoxes) {
  SlopeClassConfig c = MakeSlopeClassConfig(4, 1);
  EXPECT_EQ(c.width, 5);
  EXPECT_EQ(c.count, 8);
  EXPECT_EQ(c.first, -4);
  EXPECT_EQ(c.last, 3);
  c = MakeSlopeClassConfig(0, 0);
  EXPECT_EQ(c.width, 1);
  EXPECT_EQ(c.count, 6);
  EXPECT_EQ(c.first, -3);
  EXPECT_EQ(c.last, 2);
  c = MakeSlopeClassConfig(10, 5);
  EXPECT_EQ(c.width, 11);
  EXPECT_EQ(c.count, 16);
  EXPECT_EQ(c.first, -8);
  EXPECT_EQ(c.last, 7);
  // Stored values outside the lists fall back to 5 % and 8 classes.
  c = MakeSlopeClassConfig(12, 6);
  EXPECT_EQ(c.width, 5);
  EXPECT_EQ(c.count, 8);
  c = MakeSlopeClassConfig(-1, -1);
  EXPECT_EQ(c.width, 5);
  EXPECT_EQ(c.count, 8);
}

TEST(SlopeClasses, BoundsBelongToTheClassAbove) {
  struct Case {
    double slope;
    int expected;
  } cases[] = {
      {0.05, 1},   {-0.05, -1}, {-1e-9, -1}, {0.0, 0},    {0.049, 0}, {0.1, 2},
      {-0.2, -4},  {-0.30, -4}, {0.30, 3},   {0.15, 3},   {0.1499, 2}, {-0.1999, -4},
      {-1e6, -4},  {1e6, 3},    {1e300, 3},  {-1e300, -4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SlopeClassIndex(c.slope, -4, 3, 5), c.expected) << c.slope;
  int nanClass = SlopeClassIndex(std::numeric_limits<double>::quiet_NaN(), -4, 3, 5);
  EXPECT_TRUE(nanClass >= -4 && nanClass <= 3);
}

TEST(Statistics, AFlatRouteIsAllClassZero) {
  Result r = Compute(Profile({500, 500, 500, 500}), kFivePercentEight);
  EXPECT_EQ(r.climbed, 0.0);
  EXPECT_EQ(r.lowest, 500.0);
  EXPECT_EQ(r.highest, 500.0);
  for (int c = -4; c <= 3; ++c) {
    EXPECT_EQ(r.classes[c + 4].metres, c == 0 ? 30.0 : 0.0) << c;
    EXPECT_EQ(r.classes[c + 4].share, c == 0 ? 1.0 : 0.0) << c;
  }
}

TEST(Statistics, OnlyRisesCountAsClimbed) {
  Result r = Compute(Profile({100, 150, 200, 150, 100}), kFivePercentEight);
  EXPECT_EQ(r.climbed, 100.0);
  EXPECT_EQ(r.lowest, 100.0);
  EXPECT_EQ(r.highest, 200.0);
  // 50 m up or down per 10 m: 500 %, far beyond the outermost classes.
  EXPECT_EQ(r.classes[7].metres, 20.0);
  EXPECT_EQ(r.classes[0].metres, 20.0);
  EXPECT_EQ(r.classes[7].share, 0.5);
}

TEST(Statistics, SampleZeroOnlyOpensTheProfile) {
  // Sample 0 is the highest point but its step is never counted.
  Result r = Compute(Profile({900, 100, 101}), kFivePercentEight);
  EXPECT_EQ(r.highest, 900.0);
  EXPECT_EQ(r.lowest, 100.0);
  EXPECT_EQ(r.climbed, 1.0);
  double total = 0;
  for (int c = 0; c < 8; ++c) total += r.classes[c].metres;
  EXPECT_EQ(total, 20.0);
  EXPECT_EQ(r.classes[4 + 2].metres, 10.0);  // +10 %
  EXPECT_EQ(r.classes[0].metres, 10.0);      // -80 %
}

TEST(Statistics, FewerThanTwoSamplesGiveZeroSharesNotNaN) {
  Result one = Compute(Profile({321}), kFivePercentEight);
  EXPECT_EQ(one.climbed, 0.0);
  EXPECT_EQ(one.lowest, 321.0);
  EXPECT_EQ(one.highest, 321.0);
  Result none = Compute({}, kFivePercentEight);
  EXPECT_EQ(none.lowest, 0.0);
  EXPECT_EQ(none.highest, 0.0);
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(one.classes[c].share, 0.0);
    EXPECT_EQ(none.classes[c].share, 0.0);
    EXPECT_EQ(none.classes[c].metres, 0.0);
  }
}

TEST(Statistics, ClassesOfOnePercentAndSixteenClasses) {
  SlopeClassConfig narrow = MakeSlopeClassConfig(0, 0);  // 1 %, -3 ... 2
  Result r = Compute(Profile({0, 0.25, 0.5, 0.35}), narrow);  // +2.5 %, +2.5 %, -1.5 %
  EXPECT_EQ(r.classes[2 + 3].metres, 20.0);
  EXPECT_EQ(r.classes[-2 + 3].metres, 10.0);
  SlopeClassConfig wide = MakeSlopeClassConfig(9, 5);    // 10 %, -8 ... 7
  Result w = Compute(Profile({0, 7.5, 0}), wide);        // +75 %, -75 %
  EXPECT_EQ(w.classes[7 + 8].metres, 10.0);
  EXPECT_EQ(w.classes[-8 + 8].metres, 10.0);
}
