// Reading a generated KML route and a generated GPX track of 10 MB and
// 100 MB, beside the yardstick of
// only reading the same file into memory. Both are timed in every iteration,
// one after the other, so machine load hits them alike; the counters give
// MB/s and points/s of the reader and its time as a multiple of the plain
// read. The target: 100 MB in under a second, growing linearly. On a shared,
// busy machine wall time mostly measures the neighbours, so the processor
// time of one route read is reported too (route_cpu_ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/route_formats.h"
#include "core/route_reader.h"

namespace {

namespace fs = std::filesystem;

// One route file per size, written once per process and removed at exit.
class GeneratedRoutes {
 public:
  ~GeneratedRoutes() {
    std::error_code error;
    if (!folder_.empty()) fs::remove_all(folder_, error);
  }

  enum Kind { kKml, kGpx };

  const std::string& PathFor(std::size_t megabytes, Kind kind = kKml) {
    if (folder_.empty()) {
      folder_ = fs::temp_directory_path() / ("tolmaric-route-bench-" + std::to_string(
                                                 std::chrono::steady_clock::now().time_since_epoch().count()));
      fs::create_directories(folder_);
    }
    std::string& path = paths_[kind][megabytes];
    if (path.empty()) path = kind == kKml ? Write(megabytes) : WriteGpx(megabytes);
    return path;
  }

 private:
  // Points as Google Earth writes them: lon,lat,alt triples, one per line.
  std::string Write(std::size_t megabytes) {
    std::string path = (folder_ / ("route-" + std::to_string(megabytes) + "mb.kml")).string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::string chunk =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml><Document><Placemark>\n"
        "<LineString><tessellate>1</tessellate><coordinates>\n";
    std::size_t target = megabytes << 20, written = 0;
    char line[80];
    for (long i = 0; written + chunk.size() < target; ++i) {
      double longitude = 11.0 + (i % 100000) * 0.0000123;
      double latitude = 47.0 + (i % 70000) * 0.0000171;
      std::snprintf(line, sizeof line, "%.7f,%.7f,%.1f\n", longitude, latitude, 500.0 + (i % 3000) * 0.5);
      chunk += line;
      if (chunk.size() > (1 << 20)) {
        written += std::fwrite(chunk.data(), 1, chunk.size(), file);
        chunk.clear();
      }
    }
    chunk += "</coordinates></LineString></Placemark></Document></kml>\n";
    std::fwrite(chunk.data(), 1, chunk.size(), file);
    std::fclose(file);
    return path;
  }

  // The same points as a GPS unit logs them: one trkpt with ele and time
  // per point, about 110 bytes each.
  std::string WriteGpx(std::size_t megabytes) {
    std::string path = (folder_ / ("route-" + std::to_string(megabytes) + "mb.gpx")).string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::string chunk =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"bench\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>bench</name><trkseg>\n";
    std::size_t target = megabytes << 20, written = 0;
    char line[160];
    for (long i = 0; written + chunk.size() < target; ++i) {
      double longitude = 11.0 + (i % 100000) * 0.0000123;
      double latitude = 47.0 + (i % 70000) * 0.0000171;
      std::snprintf(line, sizeof line,
                    "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.1f</ele><time>2026-05-01T%02ld:%02ld:%02ldZ</time></trkpt>\n",
                    latitude, longitude, 500.0 + (i % 3000) * 0.5, i / 3600 % 24, i / 60 % 60, i % 60);
      chunk += line;
      if (chunk.size() > (1 << 20)) {
        written += std::fwrite(chunk.data(), 1, chunk.size(), file);
        chunk.clear();
      }
    }
    chunk += "</trkseg></trk></gpx>\n";
    std::fwrite(chunk.data(), 1, chunk.size(), file);
    std::fclose(file);
    return path;
  }

  fs::path folder_;
  std::string paths_[2][128];
};

GeneratedRoutes routes;

std::size_t ReadIntoMemory(const std::string& path) {
  std::string bytes(static_cast<std::size_t>(fs::file_size(path)), '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  std::size_t got = std::fread(&bytes[0], 1, bytes.size(), file);
  std::fclose(file);
  benchmark::DoNotOptimize(bytes.data());
  return got;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int ReadKml(const std::string& path, std::vector<double>& longitudes, std::vector<double>& latitudes) {
  return ReadKmlRoute(path.c_str(), longitudes, latitudes);
}

int ReadAnyFormat(const std::string& path, std::vector<double>& longitudes, std::vector<double>& latitudes) {
  return ReadRoute(path.c_str(), longitudes, latitudes);
}

template <GeneratedRoutes::Kind kind, int (*read)(const std::string&, std::vector<double>&, std::vector<double>&)>
void ReadRouteFile(benchmark::State& state) {
  const std::string& path = routes.PathFor(static_cast<std::size_t>(state.range(0)), kind);
  double bytes = static_cast<double>(fs::file_size(path));
  double readSeconds = 0, routeSeconds = 0, routeCpuSeconds = 0;
  int points = 0;
  std::vector<double> longitudes, latitudes;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    ReadIntoMemory(path);
    readSeconds += SecondsSince(start);

    start = std::chrono::steady_clock::now();
    std::clock_t cpuStart = std::clock();
    points = read(path, longitudes, latitudes);
    routeCpuSeconds += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    double seconds = SecondsSince(start);
    routeSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  if (points < 1) state.SkipWithError("the generated route did not read");
  double iterations = static_cast<double>(state.iterations());
  state.counters["points"] = points;
  state.counters["MB/s"] = bytes * iterations / routeSeconds / 1e6;
  state.counters["points/s"] = points * iterations / routeSeconds;
  state.counters["read_MB/s"] = bytes * iterations / readSeconds / 1e6;
  state.counters["x_read"] = routeSeconds / readSeconds;
  state.counters["route_cpu_ms"] = routeCpuSeconds / iterations * 1e3;
}

void BM_ReadKmlRoute(benchmark::State& state) { ReadRouteFile<GeneratedRoutes::kKml, ReadKml>(state); }
// GPX goes through the reader of every format, as an export run reads it.
void BM_ReadGpxRoute(benchmark::State& state) { ReadRouteFile<GeneratedRoutes::kGpx, ReadAnyFormat>(state); }

BENCHMARK(BM_ReadKmlRoute)->Arg(10)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGpxRoute)->Arg(10)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
