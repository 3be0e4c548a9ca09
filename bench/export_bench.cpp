// The whole export as a user runs it, beside its yardstick in the same run.
//
// BM_ExportProcessVsZlib/first_start and /repeat: `tolmaric export` of
//   bench/data/zigzag_464km.kml (464 km over the zipped tiles N41E001 and
//   N42E001, text at 25 m and a 1024 x 768 chart) as a whole process, with a
//   new settings store each time (first start: the language texts are
//   written too) or the one of the run before. Each iteration alternates it
//   with the yardstick process zlib_inflate_tiles, which reads the same two
//   tiles and inflates their entries with zlib, so both see the same load.
//   Counters, averaged: export_ms and zlib_ms (wall time of each process),
//   export_cpu_ms and zlib_cpu_ms (user + system), zlib_inflate_ms (the CPU
//   time of zlib's inflate calls alone, measured inside the yardstick
//   process); ratio = export_ms / zlib_ms, cpu_ratio = export_cpu_ms /
//   zlib_cpu_ms, ratio_to_inflate = export_ms / zlib_inflate_ms and
//   cpu_ratio_to_inflate = export_cpu_ms / zlib_inflate_ms. The target: the
//   export within 2 x zlib's inflate of its tiles. On a shared machine the
//   wall times carry the neighbours' load; the CPU figures do not. TOLMARIC_BENCH_PROGRAM=path measures another build of
//   tolmaric (an older one, say) against the same yardstick.
//
// BM_FormatReport: the text of a report of about 20,000 samples (the same
//   route at a 23.2 m step, with locations and statistics), target under
//   5 ms (cpu_ms: the thread's CPU time per report, free of the
//   neighbours' load); BM_FormatReportLinesWithSnprintf formats the same
//   sample lines with snprintf, the way the report used to, as the
//   yardstick.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/locations.h"
#include "core/profile_sampler.h"
#include "core/profile_statistics.h"
#include "core/route_reader.h"
#include "core/text_report.h"
#include "core/tile_store.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kSource = TOLMARIC_SOURCE_DIR;
const std::string kRoute = kSource + "/bench/data/zigzag_464km.kml";
const std::string kTiles = kSource + "/examples/tiles";

struct ProcessTimes {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  std::string output;  // standard output
};

// Runs a program to its end with standard output caught; throws on failure.
ProcessTimes RunProcess(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  ProcessTimes times;
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (error != 0) {
    close(pipeEnds[0]);
    throw std::runtime_error("cannot start " + arguments[0]);
  }
  char block[4096];
  for (ssize_t got; (got = read(pipeEnds[0], block, sizeof block)) > 0;) times.output.append(block, got);
  close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  times.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  times.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec * 1e-6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(arguments[0] + " failed");
  return times;
}

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// A folder of its own for the route's outputs and the settings store.
struct Workspace {
  Workspace() {
    folder = fs::temp_directory_path() / ("tolmaric-export-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    route = (folder / "zigzag_464km.kml").string();
    fs::copy_file(kRoute, route, fs::copy_options::overwrite_existing);
    config = (folder / "config").string();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  }
  ~Workspace() { fs::remove_all(folder); }
  fs::path folder;
  std::string route, config;
};

void BM_ExportProcessVsZlib(benchmark::State& state) {
  const bool firstStart = state.range(0) == 1;
  Workspace work;
  const char* program = std::getenv("TOLMARIC_BENCH_PROGRAM");
  const std::vector<std::string> exportRun = {program ? program : TOLMARIC_CLI, "export", work.route, "--tiles", kTiles,
                                              "--text", "--step", "25", "--width", "1024",
                                              "--height", "768", "--yes"};
  const std::vector<std::string> zlibRun = {ZLIB_INFLATE_TILES, kTiles + "/N41E001.hgt.zip",
                                            kTiles + "/N42E001.hgt.zip"};
  RunProcess(exportRun);  // files in the page cache, settings as a repeated run finds them
  double exportWall = 0, exportCpu = 0, zlibWall = 0, zlibCpu = 0, zlibInflate = 0;
  for (auto _ : state) {
    if (firstStart) {
      state.PauseTiming();
      fs::remove_all(work.config);
      state.ResumeTiming();
    }
    const ProcessTimes exported = RunProcess(exportRun);
    const ProcessTimes zlib = RunProcess(zlibRun);
    exportWall += exported.wallSeconds;
    exportCpu += exported.cpuSeconds;
    zlibWall += zlib.wallSeconds;
    zlibCpu += zlib.cpuSeconds;
    zlibInflate += std::strtod(zlib.output.c_str() + zlib.output.find('=') + 1, nullptr);
    state.SetIterationTime(exported.wallSeconds);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["export_ms"] = exportWall / n * 1e3;
  state.counters["export_cpu_ms"] = exportCpu / n * 1e3;
  state.counters["zlib_ms"] = zlibWall / n * 1e3;
  state.counters["zlib_cpu_ms"] = zlibCpu / n * 1e3;
  state.counters["zlib_inflate_ms"] = zlibInflate / n * 1e3;
  state.counters["ratio"] = exportWall / zlibWall;
  state.counters["cpu_ratio"] = exportCpu / zlibCpu;
  state.counters["ratio_to_inflate"] = exportWall / zlibInflate;
  state.counters["cpu_ratio_to_inflate"] = exportCpu / zlibInflate;
}
BENCHMARK(BM_ExportProcessVsZlib)
    ->ArgName("first_start")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// The route sampled once: about 20,000 samples with locations marked.
struct Report {
  std::vector<ProfileSample> samples;
  CLocationTable locations;
  double length = 0;
};

const Report& RouteReport() {
  static const Report report = [] {
    Report r;
    std::vector<double> longitudes, latitudes;
    const int points = ReadKmlRoute(kRoute.c_str(), longitudes, latitudes);
    r.length = RouteLength(longitudes.data(), latitudes.data(), points);
    for (int i = 0; i < 40; ++i) r.locations.Add({"Ort " + std::to_string(i), 1.1 + 0.02 * i, 41.1 + 0.045 * i, 500.0});
    std::string errorText;
    CTileStore tiles(errorText, kTiles);
    const double step = 23.2;
    SampleProfile(longitudes.data(), latitudes.data(), points, step, MaxSamplesForStep(r.length, step), tiles,
                  errorText, r.samples);
    MatchLocations(r.samples.data(), static_cast<int>(r.samples.size()), r.locations);
    return r;
  }();
  return report;
}

void BM_FormatReport(benchmark::State& state) {
  const Report& report = RouteReport();
  const SlopeClassConfig classes = MakeSlopeClassConfig(4, 1);
  TextReportContent content;
  content.addLocations = content.addStatistics = true;
  std::size_t bytes = 0;
  const double start = ThreadSeconds();
  for (auto _ : state) {
    std::string text = FormatTextReport(report.samples.data(), static_cast<int>(report.samples.size()),
                                        report.locations, content, classes, report.length);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["cpu_ms"] = (ThreadSeconds() - start) / static_cast<double>(state.iterations()) * 1e3;
  state.counters["samples"] = static_cast<double>(report.samples.size());
  state.counters["report_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_FormatReport)->Unit(benchmark::kMillisecond);

void BM_FormatReportLinesWithSnprintf(benchmark::State& state) {
  const Report& report = RouteReport();
  for (auto _ : state) {
    std::string text;
    char line[160];
    for (const ProfileSample& s : report.samples) {
      int length = std::snprintf(line, sizeof line, "%+7.6f %+7.6f %3.2f %3.2f\n", s.longitude, s.latitude,
                                 s.height, s.distance);
      text.append(line, static_cast<std::size_t>(length));
    }
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["samples"] = static_cast<double>(report.samples.size());
}
BENCHMARK(BM_FormatReportLinesWithSnprintf)->Unit(benchmark::kMillisecond);

}  // namespace
