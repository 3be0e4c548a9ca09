// The filtered climb: what a rider reads as "metres climbed" must not grow
// with the terrain model's noise, yet a real climb counts whole.
#include "core/climb_filter.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/profile_sampler.h"

namespace {

FilteredClimb Climb(const std::vector<double>& heights, double threshold) {
  std::vector<ProfileSample> samples;
  for (double h : heights) samples.push_back({0.0, 0.0, h, 0.0, 25.0, 0.0, kNoLocation});
  return ComputeFilteredClimb(samples.data(), static_cast<int>(samples.size()), threshold);
}

// Teeth of the given height: 0, h, 0, h, ... ending on a top.
std::vector<double> SawTooth(double tooth, int teeth) {
  std::vector<double> heights{500.0};
  for (int i = 0; i < teeth; ++i) {
    heights.push_back(500.0 + tooth);
    if (i + 1 < teeth) heights.push_back(500.0);
  }
  return heights;
}

}  // namespace

TEST(FilteredClimb, AFlatNoisyRoadClimbsNothing) {
  std::vector<double> heights;
  unsigned noise = 12345;
  for (int i = 0; i < 2000; ++i) {
    noise = noise * 1103515245u + 12345u;
    heights.push_back(800.0 + (noise >> 16) % 900 / 100.0);  // 800 ... 808.99 m
  }
  const FilteredClimb flat = Climb(heights, kClimbThresholdSrtm3);
  EXPECT_EQ(flat.climbed, 0.0);
  EXPECT_EQ(flat.descended, 0.0);
}

TEST(FilteredClimb, AMonotonicRampGivesExactlyItsRiseOrFall) {
  std::vector<double> ramp;
  for (int i = 0; i <= 400; ++i) ramp.push_back(1000.0 + 0.75 * i);  // 300 m up
  EXPECT_EQ(Climb(ramp, 10.0).climbed, 300.0);
  EXPECT_EQ(Climb(ramp, 10.0).descended, 0.0);
  std::vector<double> down(ramp.rbegin(), ramp.rend());
  EXPECT_EQ(Climb(down, 5.0).climbed, 0.0);
  EXPECT_EQ(Climb(down, 5.0).descended, 300.0);
  // A dip before the climb starts belongs to it: 1000 -> 995 -> 1100.
  EXPECT_EQ(Climb({1000.0, 995.0, 1050.0, 1100.0}, 10.0).climbed, 105.0);
}

TEST(FilteredClimb, ASawToothCountsOnlyTeethAboveTheThreshold) {
  EXPECT_EQ(Climb(SawTooth(9.0, 20), 10.0).climbed, 0.0);
  EXPECT_EQ(Climb(SawTooth(10.0, 20), 10.0).climbed, 0.0);  // a turn of exactly the threshold
  const FilteredClimb teeth = Climb(SawTooth(10.5, 20), 10.0);
  EXPECT_EQ(teeth.climbed, 20 * 10.5);
  EXPECT_EQ(teeth.descended, 19 * 10.5);
  EXPECT_EQ(Climb(SawTooth(6.0, 20), kClimbThresholdSrtm1).climbed, 120.0);
}

TEST(FilteredClimb, EdgeProfiles) {
  EXPECT_EQ(Climb({}, 10.0).climbed, 0.0);
  EXPECT_EQ(Climb({1234.0}, 10.0).climbed, 0.0);
  EXPECT_EQ(ComputeFilteredClimb(nullptr, 5, 10.0).climbed, 0.0);
  // No threshold: every rise counts, like the raw sum.
  EXPECT_EQ(Climb({0.0, 3.0, 1.0, 4.0}, 0.0).climbed, 6.0);
  EXPECT_EQ(Climb({0.0, 3.0, 1.0, 4.0}, -1.0).climbed, 6.0);
}
