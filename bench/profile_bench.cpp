// The profile core at the speeds a user feels:
//   BM_GetHeightResident*: lookups per second once the tiles are resident,
//     at random points of a tile and along a route, beside the yardstick of
//     plain reads of the same samples (BM_PlainSampleReads) in the same run;
//     the target is at least 50 million lookups per second.
//   BM_Route200km: a 200 km route across four zipped tiles at a 25 m step,
//     end to end without the chart: tile extraction, sampling, location
//     matching, statistics and the report text. BM_ExtractFourTiles measures
//     the extraction alone, so its share of the whole can be read off.
//   BM_CostPerSample/<step>: the same 20 km at steps from 25 m down to 1 m;
//     time per sample must stay flat (linear cost).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/locations.h"
#include "core/profile_sampler.h"
#include "core/profile_statistics.h"
#include "core/text_report.h"
#include "core/tile_store.h"

namespace {

const std::string kTiles = std::string(TOLMARIC_SOURCE_DIR) + "/examples/tiles";

struct Points {
  std::vector<double> longitudes, latitudes;
};

// Pseudo-random points inside the N47E009 tile.
Points RandomPoints(int count) {
  Points p;
  std::uint32_t seed = 2024;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1u << 24);
  };
  for (int i = 0; i < count; ++i) {
    p.longitudes.push_back(9.0 + next());
    p.latitudes.push_back(47.0 + next());
  }
  return p;
}

// A polyline with a point every ~30 m along straight legs between corners,
// as route planners write them, cut at maxMetres.
Points Polyline(const std::vector<std::pair<double, double>>& corners, double maxMetres) {
  Points p;
  double length = 0;
  p.longitudes.push_back(corners[0].first);
  p.latitudes.push_back(corners[0].second);
  for (std::size_t c = 1; c < corners.size(); ++c) {
    const auto& a = corners[c - 1];
    const auto& b = corners[c];
    double leg = GreatCircleDistance(a.first, a.second, b.first, b.second);
    int steps = static_cast<int>(leg / 30.0) + 1;
    for (int s = 1; s <= steps; ++s) {
      double t = double(s) / steps;
      double lon = a.first + (b.first - a.first) * t, lat = a.second + (b.second - a.second) * t;
      length += GreatCircleDistance(p.longitudes.back(), p.latitudes.back(), lon, lat);
      if (length > maxMetres) return p;
      p.longitudes.push_back(lon);
      p.latitudes.push_back(lat);
    }
  }
  return p;
}

// Four zipped tiles side by side: the two real neighbours N41E001 and
// N42E001 plus copies of them in the cells to their east.
const std::string& FourTileFolder() {
  static const std::string folder = [] {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "tolmaric-profile-bench";
    fs::create_directories(dir);
    const char* copies[][2] = {{"N41E001.hgt.zip", "N41E001.hgt.zip"},
                               {"N42E001.hgt.zip", "N42E001.hgt.zip"},
                               {"N41E001.hgt.zip", "N41E002.hgt.zip"},
                               {"N42E001.hgt.zip", "N42E002.hgt.zip"}};
    for (auto& c : copies)
      fs::copy_file(fs::path(kTiles) / c[0], dir / c[1], fs::copy_options::overwrite_existing);
    return dir.string();
  }();
  return folder;
}

// A loop through all four cells, 200 km long.
const Points& Route200km() {
  static const Points route =
      Polyline({{1.7, 41.7}, {2.3, 41.7}, {2.3, 42.3}, {1.7, 42.3}, {1.7, 41.75}, {2.2, 41.8}},
               200000.0);
  return route;
}

CLocationTable SomeLocations() {
  CLocationTable table;
  for (int i = 0; i < 50; ++i) table.Add({"Ort " + std::to_string(i), 1.7 + 0.012 * i, 41.7, 150.0});
  return table;
}

void BM_GetHeightResidentRandom(benchmark::State& state) {
  std::string errorText;
  CTileStore store(errorText, kTiles);
  const Points p = RandomPoints(1 << 16);
  store.GetHeight(9.5, 47.5);
  double sum = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    sum += store.GetHeight(p.longitudes[i], p.latitudes[i]);
    i = (i + 1) & 0xFFFF;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetHeightResidentRandom);

void BM_GetHeightResidentAlongRoute(benchmark::State& state) {
  std::string errorText;
  CTileStore store(errorText, kTiles);
  Points p = Polyline({{9.1, 47.1}, {9.9, 47.9}}, 1e9);
  store.GetHeight(9.5, 47.5);
  double sum = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    sum += store.GetHeight(p.longitudes[i], p.latitudes[i]);
    if (++i == p.longitudes.size()) i = 0;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetHeightResidentAlongRoute);

// Yardstick: three reads of a 1201 x 1201 sample array at the same random
// points, nothing else.
void BM_PlainSampleReads(benchmark::State& state) {
  std::vector<std::uint16_t> samples(kTileSampleCount, 500);
  const Points p = RandomPoints(1 << 16);
  std::vector<std::uint32_t> index(p.longitudes.size());
  for (std::size_t k = 0; k < index.size(); ++k)
    index[k] = static_cast<std::uint32_t>((p.latitudes[k] - 47.0) * 1200) * 1201 +
               static_cast<std::uint32_t>((p.longitudes[k] - 9.0) * 1200);
  double sum = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    std::uint32_t at = index[i];
    sum += samples[at] + samples[at + 1] + samples[at + 1202];
    i = (i + 1) & 0xFFFF;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainSampleReads);

void BM_ExtractFourTiles(benchmark::State& state) {
  std::string errorText;
  CTileStore store(errorText, FourTileFolder());
  for (auto _ : state) {
    store.Release();
    double sum = store.GetHeight(1.5, 41.5) + store.GetHeight(1.5, 42.5) +
                 store.GetHeight(2.5, 41.5) + store.GetHeight(2.5, 42.5);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_ExtractFourTiles)->Unit(benchmark::kMillisecond);

void BM_Route200km(benchmark::State& state) {
  const Points& route = Route200km();
  const int n = static_cast<int>(route.longitudes.size());
  const CLocationTable locations = SomeLocations();
  const SlopeClassConfig classes = MakeSlopeClassConfig(4, 1);
  std::string errorText;
  CTileStore store(errorText, FourTileFolder());
  std::size_t bytes = 0;
  int count = 0;
  for (auto _ : state) {
    double length = RouteLength(route.longitudes.data(), route.latitudes.data(), n);
    std::vector<ProfileSample> samples;
    count = SampleProfile(route.longitudes.data(), route.latitudes.data(), n, 25.0,
                          MaxSamplesForStep(length, 25.0), store, errorText, samples);
    MatchLocations(samples.data(), count, locations);
    TextReportContent content;
    content.addLocations = content.addStatistics = true;
    std::string report = FormatTextReport(samples.data(), count, locations, content, classes, length);
    bytes = report.size();
    store.Release();
  }
  state.counters["samples"] = count;
  state.counters["points"] = n;
  state.counters["report_bytes"] = static_cast<double>(bytes);
  state.counters["route_km"] = RouteLength(route.longitudes.data(), route.latitudes.data(), n) / 1000;
}
BENCHMARK(BM_Route200km)->Unit(benchmark::kMillisecond);

// Sampling and statistics only (tiles resident): the part that scales with
// the step.
void BM_CostPerSample(benchmark::State& state) {
  const double step = static_cast<double>(state.range(0));
  const Points route = Polyline({{9.1, 47.1}, {9.3, 47.25}}, 20000.0);
  const int n = static_cast<int>(route.longitudes.size());
  const double length = RouteLength(route.longitudes.data(), route.latitudes.data(), n);
  std::string errorText;
  CTileStore store(errorText, kTiles);
  store.GetHeight(9.5, 47.5);
  SlopeClass classes[kMaxSlopeClasses];
  std::int64_t samplesMade = 0;
  for (auto _ : state) {
    std::vector<ProfileSample> samples;
    int count = SampleProfile(route.longitudes.data(), route.latitudes.data(), n, step,
                              MaxSamplesForStep(length, step), store, errorText, samples);
    double lowest, highest;
    benchmark::DoNotOptimize(
        ComputeStatistics(samples.data(), count, classes, -4, 3, 5, lowest, highest));
    samplesMade += count;
  }
  state.SetItemsProcessed(samplesMade);
}
BENCHMARK(BM_CostPerSample)->Arg(25)->Arg(10)->Arg(5)->Arg(2)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
