// Distances and route sampling. The factor order of the distance formula is
// fixed (cos of the longitude difference, cos of the second latitude, cos of
// the first, plus the sines) and the trigonometry is the program's own
// (core/portable_math.h), so that the Linux and Windows builds produce the
// same bits and hence byte-identical reports.
#include "core/profile_sampler.h"

#include <cmath>
#include <new>
#include <stdexcept>

#include "core/portable_math.h"
#include "core/program_texts.h"
#include "core/run_abort.h"
#include "core/tile_store.h"

double GreatCircleDistance(double longitude1, double latitude1, double longitude2,
                           double latitude2) {
  const double k = kDegreesToRadians;
  double cosine = PortableCos(longitude1 * k - longitude2 * k) * PortableCos(latitude2 * k) *
                      PortableCos(latitude1 * k) +
                  PortableSin(latitude2 * k) * PortableSin(latitude1 * k);
  if (cosine > 1.0) cosine = 1.0;
  if (cosine < -1.0) cosine = -1.0;
  return kEarthRadius * PortableAcos(cosine);
}

double RouteLength(const double* longitudes, const double* latitudes, int count) {
  if (longitudes == nullptr || latitudes == nullptr || count < 2) return 0.0;
  double length = 0.0;
  for (int i = 0; i + 1 < count; ++i)
    length += GreatCircleDistance(longitudes[i], latitudes[i], longitudes[i + 1],
                                  latitudes[i + 1]);
  return length;
}

std::int64_t MaxSamplesForStep(double routeLength, double step) {
  const double kSaturated = 4.6e18;  // below INT64_MAX / 2
  double quotient = routeLength / step;
  if (!(quotient < kSaturated)) return static_cast<std::int64_t>(kSaturated);
  if (!(quotient >= 0.0)) return 1;
  return static_cast<std::int64_t>(quotient) + 1;
}

namespace {

constexpr double kMinimumStep = 1.0;
// Shortest segment length divided by; shorter segments are taken as this.
constexpr double kMinimumSegment = 0.001;

// x - trunc(x) keeps the sign of x, so differences below a full turn stay as
// they are; it still runs on every difference to keep the bits identical.
double WrapDifference(double difference, double turn) {
  double q = difference / turn;
  return turn * (q - std::trunc(q));
}

// A longitude difference the short way round: a segment from 179.9 to
// -179.9 crosses the 180 degree meridian instead of the whole globe.
double ShortLongitudeDifference(double difference) {
  if (difference > 180.0) return difference - 360.0;
  if (difference < -180.0) return difference + 360.0;
  return difference;
}

// A longitude interpolated across the meridian, back into -180 ... 180.
double WrapLongitude(double longitude) {
  if (longitude > 180.0) return longitude - 360.0;
  if (longitude < -180.0) return longitude + 360.0;
  return longitude;
}

// Room for maxSamples records, or the lack-of-memory abort.
void ReserveSamples(std::vector<ProfileSample>& samples, std::int64_t maxSamples,
                    std::string& errorText) {
  const std::int64_t kMaxCount = 0x7FFFFFFF;
  try {
    if (maxSamples > kMaxCount ||
        static_cast<std::uint64_t>(maxSamples) > samples.max_size())
      throw std::bad_alloc();
    samples.reserve(static_cast<std::size_t>(maxSamples));
  } catch (const std::bad_alloc&) {
    errorText = ProgramText(kTextRouteNoMemory);
    throw kAbortTileStore;
  } catch (const std::length_error&) {
    errorText = ProgramText(kTextRouteNoMemory);
    throw kAbortTileStore;
  }
}

ProfileSample MakeSample(double longitude, double latitude, double height, double distance,
                         double step, double slope) {
  return ProfileSample{longitude, latitude, height, distance, step, slope, kNoLocation};
}

}  // namespace

int SampleProfile(const double* longitudes, const double* latitudes, int count, double step,
                  std::int64_t maxSamples, CTileStore& tiles, std::string& errorText,
                  std::vector<ProfileSample>& samples) {
  samples.clear();
  samples.shrink_to_fit();
  if (maxSamples < 1 || count < 1 || longitudes == nullptr || latitudes == nullptr) return 0;
  const double s = step >= kMinimumStep ? step : kMinimumStep;

  std::vector<ProfileSample> made;
  ReserveSamples(made, maxSamples, errorText);
  made.push_back(MakeSample(longitudes[0], latitudes[0],
                            tiles.GetHeight(longitudes[0], latitudes[0]), 0.0, s, 0.0));
  double pos = 0.0, total = 0.0;
  for (int i = 0; i + 1 < count && std::int64_t(made.size()) < maxSamples; ++i) {
    const double dLon =
        ShortLongitudeDifference(WrapDifference(longitudes[i] - longitudes[i + 1], 360.0));
    const double dLat = WrapDifference(latitudes[i] - latitudes[i + 1], 180.0);
    double d = GreatCircleDistance(longitudes[i], latitudes[i], longitudes[i + 1],
                                   latitudes[i + 1]);
    total = total + d;
    while (pos + s <= total && std::int64_t(made.size()) < maxSamples) {
      if (d <= kMinimumSegment) d = kMinimumSegment;
      pos = pos + s;
      const double r = total - pos;
      const double lon = WrapLongitude(longitudes[i + 1] + r * dLon / d);
      const double lat = latitudes[i + 1] + r * dLat / d;
      const double height = tiles.GetHeight(lon, lat);
      const double slope = (height - made.back().height) / s;
      made.push_back(MakeSample(lon, lat, height, pos, s, slope));
    }
  }
  if (made.size() > 1) made[0].slope = made[1].slope;
  samples.swap(made);
  return static_cast<int>(samples.size());
}
