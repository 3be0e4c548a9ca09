// Profile statistics. The class index is computed from the distance to the
// lowest class bound with truncating integer division, exactly as the stored
// figures of earlier runs were; for slopes inside the class range that is
// the floor of slope / width.
#include "core/profile_statistics.h"

#include <cmath>

#include "core/profile_sampler.h"

namespace {

constexpr std::int32_t kDefaultPercentSel = 4;  // 5 %
constexpr std::int32_t kMaxPercentSel = 10;
constexpr std::int32_t kDefaultStatSel = 1;     // 8 classes
constexpr std::int32_t kMaxStatSel = 5;
constexpr int kFewestClasses = 6;
// Keeps the truncated percentage inside int for absurd slopes (and NaN).
constexpr double kPercentLimit = 1e9;

}  // namespace

SlopeClassConfig MakeSlopeClassConfig(std::int32_t percentSel, std::int32_t statSel) {
  if (percentSel < 0 || percentSel > kMaxPercentSel) percentSel = kDefaultPercentSel;
  if (statSel < 0 || statSel > kMaxStatSel) statSel = kDefaultStatSel;
  SlopeClassConfig config;
  config.width = percentSel + 1;
  config.count = kFewestClasses + 2 * statSel;
  config.first = -(config.count / 2);
  config.last = config.count - 1 + config.first;
  return config;
}

int SlopeClassIndex(double slope, int first, int last, int width) {
  if (width < 1) width = 1;
  const double offset = first * width * 0.01;
  const double v = slope - offset;
  double percent = std::trunc(-100.0 * v);
  if (!(percent > -kPercentLimit)) percent = -kPercentLimit;
  if (percent > kPercentLimit) percent = kPercentLimit;
  int c = first - static_cast<int>(percent) / width;
  if (c < first) c = first;
  if (c > last) c = last;
  return c;
}

double ComputeStatistics(const ProfileSample* samples, int count, SlopeClass* classes,
                         int first, int last, int width, double& lowest, double& highest) {
  lowest = highest = count > 0 ? samples[0].height : 0.0;
  for (int c = first; c <= last; ++c) classes[c - first] = SlopeClass{0.0, 0.0};
  double climbed = 0.0, total = 0.0;
  for (int k = 1; k < count; ++k) {
    const ProfileSample& sample = samples[k];
    const double rise = sample.height - samples[k - 1].height;
    if (rise > 0) climbed = climbed + rise;
    const int c = SlopeClassIndex(sample.slope, first, last, width);
    if (sample.height < lowest) lowest = sample.height;
    if (sample.height > highest) highest = sample.height;
    classes[c - first].metres += sample.step;
    total += sample.step;
  }
  // Without a counted step every share would be 0 / 0; 0 says "nothing".
  for (int c = first; c <= last; ++c)
    classes[c - first].share = total > 0 ? classes[c - first].metres / total : 0.0;
  return climbed;
}
