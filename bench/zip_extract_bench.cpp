// Extracting a real zipped SRTM3 tile as the tile store does it: CZipFile
// opens examples/tiles/N42E001.hgt.zip and decodes its 2,884,802-byte entry
// into memory (file reads, inflate and CRC check included). The yardstick is
// zlib's raw inflate of the same compressed bytes from memory, without a CRC.
//
// BM_ZipExtractTileRatio alternates the two within each iteration, so that
// both see the same machine load, and reports MB/s of output (by thread CPU
// time: the build machines are shared) and the ratio (above 1: faster than
// zlib) as counters.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/tile_yardstick.h"
#include "support/archive/zip_file.h"

namespace {

using namespace tile_yardstick;

void ExtractWithZipFile(CZipFile& zip, std::vector<unsigned char>& out) {
  if (zip.ExtractToMemory(0, out.data(), kTileBytes) != 0) throw std::runtime_error(zip.GetErrorText());
}

void BM_ZipExtractTile(benchmark::State& state) {
  CZipFile zip;
  if (zip.Open(TilePath().c_str(), CPackArchive::kModeRead, 9) != 0) {
    state.SkipWithError("open failed");
    return;
  }
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    ExtractWithZipFile(zip, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_ZipExtractTile)->Unit(benchmark::kMillisecond);

// The tile store opens the archive afresh for every tile it loads.
void BM_ZipOpenAndExtractTile(benchmark::State& state) {
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    CZipFile zip;
    if (zip.Open(TilePath().c_str(), CPackArchive::kModeRead, 9) != 0) throw std::runtime_error("open");
    ExtractWithZipFile(zip, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_ZipOpenAndExtractTile)->Unit(benchmark::kMillisecond);

void BM_ZlibInflateTile(benchmark::State& state) {
  ZlibInflater zlib;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    zlib.Inflate(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_ZlibInflateTile)->Unit(benchmark::kMillisecond);

void BM_ZipExtractTileRatio(benchmark::State& state) {
  CZipFile zip;
  if (zip.Open(TilePath().c_str(), CPackArchive::kModeRead, 9) != 0) {
    state.SkipWithError("open failed");
    return;
  }
  ZlibInflater zlib;
  std::vector<unsigned char> out(kTileBytes);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    ExtractWithZipFile(zip, out);
    const double t1 = ThreadSeconds();
    zlib.Inflate(out);
    const double t2 = ThreadSeconds();
    ours += t1 - t0;
    theirs += t2 - t1;
  }
  const double bytes = double(state.iterations()) * kTileBytes;
  state.counters["zipfile_MBps"] = bytes / ours / 1e6;
  state.counters["zlib_MBps"] = bytes / theirs / 1e6;
  state.counters["ratio"] = theirs / ours;
}
BENCHMARK(BM_ZipExtractTileRatio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
