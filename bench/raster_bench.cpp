// Raster speed, each figure beside a yardstick timed in the same iterations:
//   FillRect     pixels/s, and its time over memset of the same bytes
//   DrawText     glyphs/s with the built-in font and the soft pen
//   Save         a 16000 × 16000 24-bit picture: its time over one plain
//                fwrite of the same bytes, and the peak memory against the
//                picture (the writer streams rows, so no second copy).
// Files go to a temporary folder that is removed afterwards.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "raster/bmp_file.h"
#include "raster/builtin_font.h"
#include "raster/raster_image.h"

namespace {

typedef std::chrono::steady_clock Clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Peak resident memory of the process in kB (VmHWM), 0 where unknown.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "VmHWM:") == 0) return std::stol(line.substr(6));
  return 0;
}

struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    path = std::filesystem::temp_directory_path() /
           ("tolmaric-raster-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

void FillRateAgainstMemset(benchmark::State& state, int bits) {
  const int side = int(state.range(0));
  CRasterImage image;
  if (!image.Create(bits, side, side, 0)) {
    state.SkipWithError("Create failed");
    return;
  }
  std::vector<unsigned char> plain(image.ImageSize());
  double fillSeconds = 0, memsetSeconds = 0;
  std::uint32_t colour = 0x102030;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    image.FillRect(0, 0, side, side, colour++);
    const Clock::time_point filled = Clock::now();
    std::memset(plain.data(), int(colour & 0xFF), plain.size());
    benchmark::DoNotOptimize(plain.data());
    benchmark::ClobberMemory();
    const Clock::time_point set = Clock::now();
    fillSeconds += Seconds(start, filled);
    memsetSeconds += Seconds(filled, set);
    state.SetIterationTime(Seconds(start, filled));
  }
  const double pixels = double(side) * side * state.iterations();
  state.counters["pixels/s"] = benchmark::Counter(pixels / fillSeconds);
  state.counters["x_memset"] = fillSeconds / memsetSeconds;
  state.SetBytesProcessed(std::int64_t(image.ImageSize()) * state.iterations());
}

void BM_FillRect24(benchmark::State& state) { FillRateAgainstMemset(state, 24); }
void BM_FillRect8(benchmark::State& state) { FillRateAgainstMemset(state, 8); }
void BM_FillRect1(benchmark::State& state) { FillRateAgainstMemset(state, 1); }
BENCHMARK(BM_FillRect24)->Arg(256)->Arg(4000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillRect8)->Arg(4000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillRect1)->Arg(4000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The chart draws one bar a pixel wide per column: many narrow fills.
void BM_FillRectColumnBars(benchmark::State& state) {
  CRasterImage image;
  image.Create(24, 2000, 600, 0xFFFFFF);
  for (auto _ : state)
    for (int x = 0; x < 2000; ++x) image.FillRect(x, 600 - 1, 1, -(100 + x % 400), 0x30C030);
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_FillRectColumnBars)->Unit(benchmark::kMicrosecond);

void BM_DrawText(benchmark::State& state) {
  CRasterImage image;
  image.Create(24, 1200, 400, 0xFFFFFF);
  image.SetFont(kBuiltinFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, 0x000000, 0);
  const char* line = "H\xF6henprofil Z\xFCrich 12.35 km 2962 m 47,5\xB0";
  const std::int64_t glyphs = std::int64_t(std::strlen(line));
  int y = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(image.DrawText(10, y, line));
    y = (y + 17) % 380;
  }
  state.SetItemsProcessed(state.iterations() * glyphs);
  state.counters["glyphs/s"] =
      benchmark::Counter(double(state.iterations() * glyphs), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawText);

double TimeOneFwrite(const std::string& name, const CRasterImage& image) {
  const Clock::time_point start = Clock::now();
  std::FILE* raw = std::fopen(name.c_str(), "wb");
  if (raw == nullptr) return 0;
  std::fwrite(image.MemoryRow(0), 1, image.ImageSize(), raw);
  std::fclose(raw);
  return Seconds(start, Clock::now());
}

void BM_Save16000(benchmark::State& state) {
  const std::uint32_t side = 16000;
  CRasterImage image;
  if (!image.Create(24, side, side, 0xFFFFFF)) {
    state.SkipWithError("Create failed");
    return;
  }
  image.DrawLine(0, 0, side - 1, side - 1, 0xFF0000, CRasterImage::PlotPixel);
  const long peakWithPicture = PeakResidentKb();
  TempFolder folder;
  const std::string bmpName = (folder.path / "picture.bmp").string();
  const std::string rawName = (folder.path / "picture.raw").string();
  CBmpFile codec;
  double saveSeconds = 0, fwriteSeconds = 0;
  // Which of the two goes first alternates, so that neither always meets
  // the write-back of the other's gigabyte.
  bool saveFirst = true;
  for (auto _ : state) {
    if (!saveFirst) fwriteSeconds += TimeOneFwrite(rawName, image);
    const Clock::time_point start = Clock::now();
    codec.Save(bmpName.c_str(), image);
    const double seconds = Seconds(start, Clock::now());
    saveSeconds += seconds;
    state.SetIterationTime(seconds);
    if (saveFirst) fwriteSeconds += TimeOneFwrite(rawName, image);
    saveFirst = !saveFirst;
  }
  const long peak = PeakResidentKb();
  state.SetBytesProcessed(std::int64_t(image.ImageSize()) * state.iterations());
  state.counters["x_fwrite"] = saveSeconds / fwriteSeconds;
  state.counters["picture_MB"] = double(image.ImageSize()) / 1e6;
  state.counters["peak_MB"] = double(peak) / 1e3;
  state.counters["save_extra_MB"] = double(peak - peakWithPicture) / 1e3;
}
BENCHMARK(BM_Save16000)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
