// The chart at the speeds a user feels:
//   BM_DrawChart/<width>: drawing a chart with every decoration from ready
//     samples (one per plot column), beside BM_ClearPicture, the memset of
//     the same picture bytes, as the yardstick for "it is mostly the fill".
//   BM_ChartStep: the whole chart step for the Andorra example route: tile
//     unpacking, sampling, location matching, drawing and saving the BMP.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/example_charts.h"
#include "core/profile_chart.h"
#include "raster/raster_image.h"

namespace {

const std::string kSource = TOLMARIC_SOURCE_DIR;

using example_charts::HillySamples;
using example_charts::Places;

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

void BM_ChartStep(benchmark::State& state) {
  example_charts::AndorraChartJob job("tolmaric_chart_bench");
  for (auto _ : state) {
    try {
      job.Run();
    } catch (int) {
      state.SkipWithError(job.errorText.c_str());
      break;
    }
    job.tiles.Release();  // as at the end of every run: the next one unpacks again
  }
}
BENCHMARK(BM_ChartStep)->Unit(benchmark::kMillisecond);

}  // namespace
