// The filter walks the profile once, holding the last confirmed turning point
// and the extreme reached since then. Before the first turn is confirmed the
// direction is open, and both the lowest and the highest height so far are
// candidates for the start of the first leg.
#include "core/climb_filter.h"

#include "core/profile_sampler.h"

FilteredClimb ComputeFilteredClimb(const ProfileSample* samples, int count, double threshold) {
  FilteredClimb result;
  if (!samples || count < 1) return result;
  if (!(threshold > 0.0)) threshold = 0.0;
  enum class Leg { kOpen, kUp, kDown };
  Leg leg = Leg::kOpen;
  double turn = samples[0].height;     // where the current leg started
  double extreme = samples[0].height;  // its farthest height so far
  double lowest = turn, highest = turn;  // while the direction is open
  for (int i = 1; i < count; ++i) {
    const double h = samples[i].height;
    switch (leg) {
      case Leg::kOpen:
        if (h < lowest) lowest = h;
        if (h > highest) highest = h;
        if (h - lowest > threshold) {
          leg = Leg::kUp, turn = lowest, extreme = h;
        } else if (highest - h > threshold) {
          leg = Leg::kDown, turn = highest, extreme = h;
        }
        break;
      case Leg::kUp:
        if (h > extreme) {
          extreme = h;
        } else if (extreme - h > threshold) {
          result.climbed += extreme - turn;
          leg = Leg::kDown, turn = extreme, extreme = h;
        }
        break;
      case Leg::kDown:
        if (h < extreme) {
          extreme = h;
        } else if (h - extreme > threshold) {
          result.descended += turn - extreme;
          leg = Leg::kUp, turn = extreme, extreme = h;
        }
        break;
    }
  }
  if (leg == Leg::kUp) result.climbed += extreme - turn;
  if (leg == Leg::kDown) result.descended += turn - extreme;
  return result;
}
