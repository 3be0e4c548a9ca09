// Many routes in one run against one process per route, measured in the same
// run: 20 routes looping through the same four zipped tiles, each exported
// as report and picture by `tolmaric export`.
//   BM_TwentyProcesses: the yardstick, one process per route; each process
//     unpacks the four tiles again.
//   BM_OneBatchOfTwenty: one process for all twenty, sharing the tile store.
// Both report wall time and the CPU time of the child processes (a busy
// machine stretches the first, hardly the second); the batch should be at
// least 5 times faster by either.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr int kRoutes = 20;

struct BatchFiles {
  std::string tiles, config;
  std::vector<std::string> routes;
};

// The two real neighbours N41E001 and N42E001 and copies of them in the
// cells to their east; routes are squares around the corner of all four,
// shifted a little each, about 75 km long.
const BatchFiles& Files() {
  static const BatchFiles files = [] {
    BatchFiles f;
    const fs::path dir = fs::temp_directory_path() / "tolmaric-batch-bench";
    fs::create_directories(dir / "tiles");
    const fs::path examples = fs::path(TOLMARIC_SOURCE_DIR) / "examples" / "tiles";
    const char* copies[][2] = {{"N41E001.hgt.zip", "N41E001.hgt.zip"},
                               {"N42E001.hgt.zip", "N42E001.hgt.zip"},
                               {"N41E001.hgt.zip", "N41E002.hgt.zip"},
                               {"N42E001.hgt.zip", "N42E002.hgt.zip"}};
    for (auto& c : copies)
      fs::copy_file(examples / c[0], dir / "tiles" / c[1], fs::copy_options::overwrite_existing);
    for (int i = 0; i < kRoutes; ++i) {
      const double west = 1.9 + 0.003 * i, east = west + 0.2;
      char coordinates[256];
      std::snprintf(coordinates, sizeof coordinates, "%f,41.9,0 %f,41.9,0 %f,42.1,0 %f,42.1,0 %f,41.92,0",
                    west, east, east, west, west);
      const fs::path route = dir / ("route" + std::to_string(i) + ".kml");
      std::ofstream(route) << "<kml><Document><Placemark><LineString><coordinates>" << coordinates
                           << "</coordinates></LineString></Placemark></Document></kml>\n";
      f.routes.push_back(route.string());
    }
    f.tiles = (dir / "tiles").string();
    f.config = (dir / "config").string();
    return f;
  }();
  return files;
}

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string Export(const std::vector<std::string>& routes) {
  std::string command = "XDG_CONFIG_HOME='" + Files().config + "' '" TOLMARIC_CLI "' export";
  for (const std::string& route : routes) command += " '" + route + "'";
  return command + " --tiles '" + Files().tiles + "' --text --bitmap --yes > /dev/null";
}

void Measure(benchmark::State& state, const std::vector<std::string>& commands) {
  double cpu = 0;
  for (auto _ : state) {
    const double before = ChildCpuSeconds();
    for (const std::string& command : commands)
      if (std::system(command.c_str()) != 0) state.SkipWithError("tolmaric export failed");
    cpu += ChildCpuSeconds() - before;
  }
  state.counters["child_cpu_ms"] = 1000.0 * cpu / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kRoutes);
}

void BM_TwentyProcesses(benchmark::State& state) {
  std::vector<std::string> commands;
  for (const std::string& route : Files().routes) commands.push_back(Export({route}));
  Measure(state, commands);
}
BENCHMARK(BM_TwentyProcesses)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OneBatchOfTwenty(benchmark::State& state) {
  Measure(state, {Export(Files().routes)});
}
BENCHMARK(BM_OneBatchOfTwenty)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
