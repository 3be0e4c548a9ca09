// The route as an evenly spaced height profile: samples at fixed distances
// along the route with position, terrain height, distance and slope, plus the
// route's length. Distances are great-circle distances on a sphere by the
// spherical law of cosines; every distance of the program (route length,
// sampling, location matching) goes through GreatCircleDistance so that the
// same two points always give the same bits.
#pragma once
#include <cstdint>
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
