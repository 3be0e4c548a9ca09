// Metres climbed as riders and walkers mean them. The raw sum of every rise
// between samples (ComputeStatistics) grows with the noise of the terrain
// model: a flat road over 1 m ripples "climbs" a metre every few samples.
// The filter counts a climb or a descent only once the profile has turned
// from its last extreme by more than a threshold (hysteresis), and then
// counts it whole, from that extreme to the next.
#pragma once

struct ProfileSample;

// The threshold for SRTM3 tiles (3 arc-seconds, noise of several metres)
// and for a profile whose every tile was SRTM1 (1 arc-second).
constexpr double kClimbThresholdSrtm3 = 10.0;
constexpr double kClimbThresholdSrtm1 = 5.0;

struct FilteredClimb {
  double climbed = 0.0;    // metres, the rises between confirmed turns
  double descended = 0.0;  // metres, the falls between confirmed turns
};

// The filtered climb and descent of the samples' heights. A change of
// direction counts once the profile has left its last extreme by more than
// threshold metres (a negative or NaN threshold counts as 0); the last leg
// counts when it has moved more than threshold from its start. A profile
// that never leaves a band of threshold metres gives 0 and 0; a monotonic
// one gives exactly its rise or fall.
FilteredClimb ComputeFilteredClimb(const ProfileSample* samples, int count, double threshold);
