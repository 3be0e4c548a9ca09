// Distances and route sampling. The factor order of the distance formula is
// fixed (cos of the longitude difference, cos of the second latitude, cos of
// the first, plus the sines) so that the Linux and Windows builds produce the
// same bits and hence byte-identical reports.
#include "core/profile_sampler.h"

#include <cmath>

double GreatCircleDistance(double longitude1, double latitude1, double longitude2,
                           double latitude2) {
  const double k = kDegreesToRadians;
  double cosine = std::cos(longitude1 * k - longitude2 * k) * std::cos(latitude2 * k) *
                      std::cos(latitude1 * k) +
                  std::sin(latitude2 * k) * std::sin(latitude1 * k);
  if (cosine > 1.0) cosine = 1.0;
  if (cosine < -1.0) cosine = -1.0;
  return kEarthRadius * std::acos(cosine);
}

double RouteLength(const double* longitudes, const double* latitudes, int count) {
  if (longitudes == nullptr || latitudes == nullptr || count < 2) return 0.0;
  double length = 0.0;
  for (int i = 0; i + 1 < count; ++i)
    length += GreatCircleDistance(longitudes[i], latitudes[i], longitudes[i + 1],
                                  latitudes[i + 1]);
  return length;
}
