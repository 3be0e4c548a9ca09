// The route as an evenly spaced height profile: samples at fixed distances
// along the route with position, terrain height, distance and slope, plus the
// route's length. Distances are great-circle distances on a sphere by the
// spherical law of cosines; every distance of the program (route length,
// sampling, location matching) goes through GreatCircleDistance so that the
// same two points always give the same bits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CTileStore;

// Radius of the earth model, metres, and degrees to radians.
constexpr double kEarthRadius = 6370000.0;
constexpr double kDegreesToRadians = 0.017453292519943295;

// One sample along the route.
struct ProfileSample {
  double longitude;  // degrees
  double latitude;   // degrees
  double height;     // metres, from the tile store
  double distance;   // metres along the route from its first point
  double step;       // the step width of the whole array, metres
  double slope;      // (height - previous height) / step, 0.05 = 5 %
  std::int32_t location;  // index into the location table, -1 for none
};

constexpr std::int32_t kNoLocation = -1;

// Metres between two points given in degrees. The cosine argument is clamped
// to [-1, 1]: rounding lets it exceed 1 for identical or very close points,
// and acos would then give NaN instead of 0.
double GreatCircleDistance(double longitude1, double latitude1, double longitude2,
                           double latitude2);

// Sum of the distances between consecutive points, metres; 0 for count < 2
// or null arrays.
double RouteLength(const double* longitudes, const double* latitudes, int count);

// The sample count a route of routeLength needs at step: trunc(length /
// step) + 1, saturated at INT64_MAX / 2 (a step of 0, a NaN or infinite
// length); at least 1.
std::int64_t MaxSamplesForStep(double routeLength, double step);

// The tile names (N47E011.hgt) of every cell the route passes, in the order
// the route first reaches them: the cells of its points and of the straight
// lines in degrees between them (the short way across the 180 degree
// meridian), on which its samples lie. A sample can only ask for one of
// these tiles, whatever the step width.
std::vector<std::string> RouteTileNames(const double* longitudes, const double* latitudes, int count);

// Steps s metres at a time along the route (a step below 1 m is taken as
// 1 m) and asks the tile store for the height of each sample: samples at 0,
// s, 2s, ... from the start as long as they lie on the route and fewer than
// maxSamples have been made. Each new sample lies on the straight line in
// degrees between the two route points around it. Sample 0 takes the slope
// of sample 1.
//
// samples is emptied first and receives the array only when sampling has
// finished; returns its size (0 for maxSamples < 1 or no route point).
// Throws what the tile store throws, and kAbortTileStore with the lack-of-
// memory text in errorText when maxSamples records cannot be had; on a throw
// everything sampled so far is released.
int SampleProfile(const double* longitudes, const double* latitudes, int count, double step,
                  std::int64_t maxSamples, CTileStore& tiles, std::string& errorText,
                  std::vector<ProfileSample>& samples);
