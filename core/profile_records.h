// The profile for scripts and spreadsheets: every sample and the figures of
// the whole route as CSV or JSON, with the numbers the text report prints
// (the same samples, the same statistics, the same decimals), and with the
// filtered climb beside the raw one. Both texts are UTF-8: location names
// are converted from code page 1252.
//
// CSV (RFC 4180, CRLF line ends) holds two tables, each under its header
// row, separated by an empty line:
//   longitude,latitude,height_m,distance_m,slope_percent,location
//   statistic,value,share_percent
// The statistics are length_km, highest_m, lowest_m, difference_m,
// climbed_raw_m, climbed_filtered_m, descended_filtered_m, climb_threshold_m,
// then one row per slope class named like the report's ("-20%..-15%") with
// its metres and share. JSON is one object {"samples": [...], "stats": {...}}
// with the same names; the classes are "slope_classes": [{"from_percent",
// "to_percent", "metres", "share_percent"}].
#pragma once
#include <string>

#include "core/climb_filter.h"
#include "core/locations.h"
#include "core/profile_sampler.h"
#include "core/profile_statistics.h"

struct ProfileFigures {
  double length = 0.0;         // metres, the route's length
  double highest = 0.0;        // metres
  double lowest = 0.0;
  double climbedRaw = 0.0;     // every rise between samples, as the report's METERS
  FilteredClimb filtered;      // ComputeFilteredClimb at climbThreshold
  double climbThreshold = 0.0;
  SlopeClassConfig classes{};
  SlopeClass slopeClasses[kMaxSlopeClasses] = {};  // element c - classes.first is class c
};

ProfileFigures ComputeProfileFigures(const ProfileSample* samples, int count,
                                     const SlopeClassConfig& classes, double routeLength,
                                     double climbThreshold);

std::string FormatProfileCsv(const ProfileSample* samples, int count,
                             const CLocationTable& locations, const ProfileFigures& figures);
std::string FormatProfileJson(const ProfileSample* samples, int count,
                              const CLocationTable& locations, const ProfileFigures& figures);
