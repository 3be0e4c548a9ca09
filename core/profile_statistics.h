// The figures of a profile: highest and lowest height, metres climbed, and
// how much of the route falls into each slope class. Classes are w percent
// wide and lie symmetrically around 0 %: with N classes their indexes run
// from first = -(N / 2) to last = N / 2 - 1, class c holding slopes from
// c * w % up to (c + 1) * w %; the outermost classes also take everything
// steeper.
#pragma once
#include <cstdint>

struct ProfileSample;

// Metres and share of one slope class.
struct SlopeClass {
  double metres;  // route length whose slope falls into the class
  double share;   // metres / total counted length, 0.25 = 25 %
};

constexpr int kMaxSlopeClasses = 16;

// Class width and count as the main dialog's two combo boxes select them.
struct SlopeClassConfig {
  int width;  // w, whole percent, 1 ... 10
  int count;  // N, 6 ... 16, even
  int first;  // -(N / 2)
  int last;   // N / 2 - 1
};

// w = percentSel + 1 and N = 6 + 2 * statSel; a percentSel outside 0 ... 10
// counts as 4 (5 %) and a statSel outside 0 ... 5 as 1 (8 classes).
SlopeClassConfig MakeSlopeClassConfig(std::int32_t percentSel, std::int32_t statSel);

// The class of a slope (a fraction): floor(100 * slope / w) for slopes of
// at least first * w %, limited to first ... last.
int SlopeClassIndex(double slope, int first, int last, int width);

// Fills classes[0 .. last - first] (element c - first is class c) from
// samples 1 ... count - 1, each counting with its step; sample 0 only opens
// the profile. Returns the metres climbed (rises only, no threshold) and
// stores the lowest and highest height (both 0 without samples). With fewer
// than two samples nothing is counted and every share is 0.
double ComputeStatistics(const ProfileSample* samples, int count, SlopeClass* classes,
                         int first, int last, int width, double& lowest, double& highest);
