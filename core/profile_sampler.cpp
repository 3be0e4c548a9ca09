// Distances and route sampling. The factor order of the distance formula is
// fixed (cos of the longitude difference, cos of the second latitude, cos of
// the first, plus the sines) and the trigonometry is the program's own
// (core/portable_math.h), so that the Linux and Windows builds produce the
// same bits and hence byte-identical reports.
#include "core/profile_sampler.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <set>
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

// Collects names in the order first seen.
class TileNameList {
 public:
  void Add(double longitude, double latitude) {
    std::string name = TileName(WrapLongitude(longitude), latitude);
    if (seen_.insert(name).second) names_.push_back(name);
  }
  std::vector<std::string> Take() { return std::move(names_); }

 private:
  std::set<std::string> seen_;
  std::vector<std::string> names_;
};

// Beyond this many degrees a segment's cells are not walked: such a
// "segment" comes from coordinates that are no position on earth.
constexpr double kLongestWalk = 400.0;

// Every cell the straight line from (lon, lat) over (dLon, dLat) crosses:
// the line is cut where it meets a whole degree, and each piece lies in the
// cell of its midpoint.
void AddSegmentCells(double lon, double lat, double dLon, double dLat, TileNameList& names) {
  if (!(std::fabs(dLon) < kLongestWalk && std::fabs(dLat) < kLongestWalk)) return;
  std::vector<double> cuts{0.0, 1.0};
  auto addCuts = [&cuts](double start, double delta) {
    if (delta == 0.0) return;
    double end = start + delta;
    for (double degree = std::ceil(std::min(start, end)); degree <= std::max(start, end); degree += 1.0)
      cuts.push_back((degree - start) / delta);
  };
  addCuts(lon, dLon);
  addCuts(lat, dLat);
  std::sort(cuts.begin(), cuts.end());
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
    double t = (cuts[i] + cuts[i + 1]) / 2;
    if (cuts[i + 1] > cuts[i]) names.Add(lon + t * dLon, lat + t * dLat);
  }
}

}  // namespace

std::vector<std::string> RouteTileNames(const double* longitudes, const double* latitudes, int count) {
  TileNameList names;
  for (int i = 0; i < count; ++i) {
    names.Add(longitudes[i], latitudes[i]);
    if (i + 1 == count) break;
    const double dLon = ShortLongitudeDifference(longitudes[i + 1] - longitudes[i]);
    AddSegmentCells(longitudes[i], latitudes[i], dLon, latitudes[i + 1] - latitudes[i], names);
    names.Add(longitudes[i + 1], latitudes[i + 1]);
  }
  return names.Take();
}

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
