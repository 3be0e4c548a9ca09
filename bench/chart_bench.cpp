// The chart at the speeds a user feels:
//   BM_DrawChart/<width>: drawing a chart with every decoration from ready
//     samples (one per plot column), beside BM_ClearPicture, the memset of
//     the same picture bytes, as the yardstick for "it is mostly the fill".
//   BM_ChartStep: the whole chart step for the Andorra example route: tile
//     unpacking, sampling, location matching, drawing and saving the BMP.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/export_options.h"
#include "core/profile_chart.h"
#include "core/route_reader.h"
#include "core/run_host.h"
#include "core/tile_store.h"
#include "raster/raster_image.h"

namespace {

const std::string kSource = TOLMARIC_SOURCE_DIR;

// A hilly profile: a climb with waves, one sample per plot column.
std::vector<ProfileSample> HillySamples(int count, double step) {
  std::vector<ProfileSample> samples;
  double previous = 0.0;
  for (int i = 0; i < count; ++i) {
    const double height = 800.0 + 0.8 * i + 60.0 * std::sin(i * 0.05) + 15.0 * std::sin(i * 0.7);
    const double slope = i == 0 ? 0.0 : (height - previous) / step;
    samples.push_back({1.5, 42.5, height, step * i, step, slope, i % 200 == 50 ? i / 200 : -1});
    previous = height;
  }
  samples[0].slope = samples.size() > 1 ? samples[1].slope : 0.0;
  return samples;
}

CLocationTable Places(int count) {
  CLocationTable table;
  for (int k = 0; k < count; ++k) table.Add({"Ort " + std::to_string(k), 0, 0, 1});
  return table;
}

void BM_DrawChart(benchmark::State& state) {
  ChartOptions options;
  options.width = std::uint32_t(state.range(0));
  options.height = options.width * 3 / 4;
  const SlopeClassConfig classes = MakeSlopeClassConfig(4, 1);
  ChartLayout layout = ComputeChartLayout(options, classes.count, 0);
  const std::vector<ProfileSample> samples = HillySamples(layout.plotWidth, 20.0);
  int marks = 0;
  for (const ProfileSample& s : samples) marks += s.location >= 0;
  layout = ComputeChartLayout(options, classes.count, marks);
  const CLocationTable places = Places(marks);
  CRasterImage image;
  for (auto _ : state) {
    DrawProfileChart(image, layout, samples.data(), int(samples.size()), 20.0 * samples.size(),
                     options, classes, places);
    benchmark::DoNotOptimize(image.MemoryRow(0));
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(layout.width) * layout.height);
  state.SetLabel("pixels");
}
BENCHMARK(BM_DrawChart)->Arg(1024)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_ClearPicture(benchmark::State& state) {
  const std::size_t width = std::size_t(state.range(0)), height = width * 3 / 4;
  std::vector<unsigned char> bytes(width * 3 * height);
  for (auto _ : state) {
    std::memset(bytes.data(), 0xFF, bytes.size());
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(width * height));
}
BENCHMARK(BM_ClearPicture)->Arg(1024)->Arg(4000)->Unit(benchmark::kMillisecond);

class QuietHost : public IRunHost {
 public:
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  void SetWaitCursor(bool) override {}
  void OpenWithShell(const std::string&) override {}
};

void BM_ChartStep(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "tolmaric_chart_bench";
  std::filesystem::create_directories(folder);
  ExportOptions options;
  options.RoutePath = (folder / "andorra.kml").string();
  options.TileFolder = kSource + "/examples/tiles";
  options.BmpShow = 0;
  std::filesystem::copy_file(kSource + "/examples/routes/from-gpx/test_route_andorra.kml",
                             options.RoutePath, std::filesystem::copy_options::overwrite_existing);
  std::vector<double> longitudes, latitudes;
  const int points = ReadKmlRoute(options.RoutePath.c_str(), longitudes, latitudes);
  longitudes.resize(std::size_t(points > 0 ? points : 0));
  latitudes.resize(longitudes.size());
  const double length = RouteLength(longitudes.data(), latitudes.data(), points);
  CLocationTable places;
  places.Add({"Encamp", 1.5833, 42.5347, 400});
  places.Add({"Canillo", 1.5975, 42.5667, 300});
  QuietHost host;
  std::string errorText;
  CTileStore tiles(errorText, options.TileFolder);
  for (auto _ : state) {
    try {
      ExportProfileChart(longitudes, latitudes, length, options, MakeSlopeClassConfig(4, 1),
                         places, tiles, host, errorText);
    } catch (int) {
      state.SkipWithError(errorText.c_str());
      break;
    }
    tiles.Release();  // as at the end of every run: the next one unpacks again
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ChartStep)->Unit(benchmark::kMillisecond);

}  // namespace
