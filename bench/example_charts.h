// What the chart and PNG benchmarks draw: a hilly profile with location
// marks (ready samples, one per plot column) and the chart step's job on
// the Andorra example route, so both measure the very same pictures.
#pragma once
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/export_options.h"
#include "core/profile_chart.h"
#include "core/route_reader.h"
#include "core/run_host.h"
#include "core/tile_store.h"

namespace example_charts {

// A host that shows nothing and answers every question with yes.
class QuietHost : public IRunHost {
 public:
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  void SetWaitCursor(bool) override {}
  void OpenWithShell(const std::string&) override {}
};

// A climb with waves, step metres apart, a location mark every 200 samples.
inline std::vector<ProfileSample> HillySamples(int count, double step) {
  std::vector<ProfileSample> samples;
  double previous = 0.0;
  for (int i = 0; i < count; ++i) {
    const double height = 800.0 + 0.8 * i + 60.0 * std::sin(i * 0.05) + 15.0 * std::sin(i * 0.7);
    const double slope = i == 0 ? 0.0 : (height - previous) / step;
    samples.push_back({1.5, 42.5, height, step * i, step, slope, i % 200 == 50 ? i / 200 : -1});
    previous = height;
  }
  if (!samples.empty()) samples[0].slope = samples.size() > 1 ? samples[1].slope : 0.0;
  return samples;
}

inline CLocationTable Places(int count) {
  CLocationTable table;
  for (int k = 0; k < count; ++k) table.Add({"Ort " + std::to_string(k), 0, 0, 1});
  return table;
}

// The Andorra example route copied into a folder of its own (the chart is
// saved beside it), read, with two locations and a store over the example
// tiles; Run() is one chart step. The folder goes with the job.
struct AndorraChartJob {
  explicit AndorraChartJob(const char* folderName)
      : folder(std::filesystem::temp_directory_path() / folderName) {
    const std::string source = TOLMARIC_SOURCE_DIR;
    std::filesystem::create_directories(folder);
    options.RoutePath = (folder / "andorra.kml").string();
    options.TileFolder = source + "/examples/tiles";
    options.BmpShow = 0;
    tiles.SetTileFolder(options.TileFolder);
    std::filesystem::copy_file(source + "/examples/routes/from-gpx/test_route_andorra.kml", options.RoutePath,
                               std::filesystem::copy_options::overwrite_existing);
    const int points = ReadKmlRoute(options.RoutePath.c_str(), longitudes, latitudes);
    longitudes.resize(std::size_t(points > 0 ? points : 0));
    latitudes.resize(longitudes.size());
    length = RouteLength(longitudes.data(), latitudes.data(), points);
    places.Add({"Encamp", 1.5833, 42.5347, 400});
    places.Add({"Canillo", 1.5975, 42.5667, 300});
  }
  ~AndorraChartJob() { std::filesystem::remove_all(folder); }

  // Throws the run's abort code, with the message in errorText.
  void Run() {
    ExportProfileChart(longitudes, latitudes, length, options, MakeSlopeClassConfig(4, 1), places, tiles, host,
                       errorText);
  }

  std::filesystem::path folder;
  ExportOptions options;
  std::vector<double> longitudes, latitudes;
  double length = 0.0;
  CLocationTable places;
  QuietHost host;
  std::string errorText;
  CTileStore tiles{errorText};
};

}  // namespace example_charts
