// Raw inflate speed on a real SRTM3 tile: the deflated 2,884,802-byte entry
// of examples/tiles/N42E001.hgt.zip decoded from memory into memory, by
// CDeflateCodec and, as the yardstick, by zlib's raw inflate.
//
// BM_InflateTileRatio alternates the two decoders within each iteration, so
// that both see the same machine load, and reports their MB/s of output (by
// thread CPU time: the build machines are shared) and the ratio (above 1:
// faster than zlib) as counters.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/tile_yardstick.h"
#include "support/archive/deflate_codec.h"

namespace {

using namespace tile_yardstick;

void InflateWithCodec(CDeflateCodec& codec, std::vector<unsigned char>& out, std::uint32_t seed) {
  const std::string& in = Tile().compressed;
  codec.SetSourceMemory(static_cast<std::uint32_t>(in.size()), in.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(static_cast<std::uint32_t>(out.size()), out.data(), seed);
  if (codec.Decode(CDeflateCodec::kMethodDeflate) != kTileBytes) throw std::runtime_error("short tile");
}

void BM_InflateTileTolmaric(benchmark::State& state) {
  CDeflateCodec codec;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    InflateWithCodec(codec, out, CDeflateCodec::NoCrc);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileTolmaric)->Unit(benchmark::kMillisecond);

// What CZipFile pays: decoding plus the output CRC.
void BM_InflateTileTolmaricWithCrc(benchmark::State& state) {
  CDeflateCodec codec;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    InflateWithCodec(codec, out, 0);
    if (codec.GetValue(CDeflateCodec::kValueOutputCrc) != Tile().crc) state.SkipWithError("CRC mismatch");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileTolmaricWithCrc)->Unit(benchmark::kMillisecond);

void BM_InflateTileZlib(benchmark::State& state) {
  ZlibInflater zlib;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    zlib.Inflate(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileZlib)->Unit(benchmark::kMillisecond);

void BM_Crc32Tile(benchmark::State& state) {
  std::vector<unsigned char> out(kTileBytes);
  ZlibInflater zlib;
  zlib.Inflate(out);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Crc32Update(0, out.data(), kTileBytes));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_Crc32Tile)->Unit(benchmark::kMillisecond);

void BM_InflateTileRatio(benchmark::State& state) {
  CDeflateCodec codec;
  ZlibInflater zlib;
  std::vector<unsigned char> out(kTileBytes);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    InflateWithCodec(codec, out, CDeflateCodec::NoCrc);
    const double t1 = ThreadSeconds();
    zlib.Inflate(out);
    const double t2 = ThreadSeconds();
    ours += t1 - t0;
    theirs += t2 - t1;
  }
  const double bytes = double(state.iterations()) * kTileBytes;
  state.counters["tolmaric_MBps"] = bytes / ours / 1e6;
  state.counters["zlib_MBps"] = bytes / theirs / 1e6;
  state.counters["ratio"] = theirs / ours;
}
BENCHMARK(BM_InflateTileRatio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
