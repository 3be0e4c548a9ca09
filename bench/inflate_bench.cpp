// Raw inflate speed on the real SRTM3 tiles of examples/tiles: each deflated
// 2,884,802-byte entry decoded from memory into memory by CDeflateCodec and,
// as the yardsticks, by zlib's and libdeflate's raw inflate.
//
// The *Ratio benchmarks alternate the decoders within each iteration, so
// that all see the same machine load, and report MB/s of output (by thread
// CPU time: the build machines are shared) and our speed relative to each
// yardstick (above 1: faster) as counters. The argument picks the tile (see
// kTileNames); BM_InflateAllTilesRatio decodes every tile per iteration.
//
// BM_InflateByStreamKindRatio decodes one tile's samples deflated again as
// literals only and as literals and matches, to tell where a gap to
// libdeflate lies.
//
// BM_Crc32VsInflateRatio sets the CRC-32 of a tile against its inflate
// time: crc_share is what the ZIP reader's CRC check adds to the decoding
// (the codec sums each block's output while it is in the cache, folding
// where the processor has it), table_crc_share what the table walk would
// add instead, and pass_crc_share what one pass over the finished tile
// costs, which waits on memory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/tile_yardstick.h"
#include "support/archive/crc32_fold.h"
#include "support/archive/deflate_codec.h"

namespace {

using namespace tile_yardstick;

void InflateWithCodec(CDeflateCodec& codec, std::vector<unsigned char>& out, int tile, std::uint32_t seed) {
  const std::string& in = Tile(tile).compressed;
  codec.SetSourceMemory(static_cast<std::uint32_t>(in.size()), in.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(static_cast<std::uint32_t>(out.size()), out.data(), seed);
  if (codec.Decode(CDeflateCodec::kMethodDeflate) != kTileBytes) throw std::runtime_error("short tile");
}

void ArgsPerTile(benchmark::internal::Benchmark* bench) {
  for (int tile = 0; tile < kTileCount; ++tile) bench->Arg(tile);
}

void BM_InflateTileTolmaric(benchmark::State& state) {
  const int tile = static_cast<int>(state.range(0));
  CDeflateCodec codec;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    InflateWithCodec(codec, out, tile, CDeflateCodec::NoCrc);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(Tile(tile).name);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileTolmaric)->Apply(ArgsPerTile)->Unit(benchmark::kMillisecond);

// What CZipFile pays: decoding plus the output CRC.
void BM_InflateTileTolmaricWithCrc(benchmark::State& state) {
  const int tile = static_cast<int>(state.range(0));
  CDeflateCodec codec;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    InflateWithCodec(codec, out, tile, 0);
    if (codec.GetValue(CDeflateCodec::kValueOutputCrc) != Tile(tile).crc) state.SkipWithError("CRC mismatch");
  }
  state.SetLabel(Tile(tile).name);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileTolmaricWithCrc)->Apply(ArgsPerTile)->Unit(benchmark::kMillisecond);

void BM_InflateTileZlib(benchmark::State& state) {
  const int tile = static_cast<int>(state.range(0));
  ZlibInflater zlib;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    zlib.Inflate(out, tile);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(Tile(tile).name);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileZlib)->Apply(ArgsPerTile)->Unit(benchmark::kMillisecond);

void BM_InflateTileLibdeflate(benchmark::State& state) {
  const int tile = static_cast<int>(state.range(0));
  LibdeflateInflater libdeflate;
  std::vector<unsigned char> out(kTileBytes);
  for (auto _ : state) {
    libdeflate.Inflate(out, tile);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(Tile(tile).name);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileLibdeflate)->Apply(ArgsPerTile)->Unit(benchmark::kMillisecond);

// Thread CPU seconds each decoder spent on the given tiles.
struct InflateTimes {
  double ours = 0, zlib = 0, libdeflate = 0;
};

void InflateAllThree(CDeflateCodec& codec, ZlibInflater& zlib, LibdeflateInflater& libdeflate,
                     std::vector<unsigned char>& out, int tile, InflateTimes& times) {
  const double t0 = ThreadSeconds();
  InflateWithCodec(codec, out, tile, CDeflateCodec::NoCrc);
  const double t1 = ThreadSeconds();
  zlib.Inflate(out, tile);
  const double t2 = ThreadSeconds();
  libdeflate.Inflate(out, tile);
  const double t3 = ThreadSeconds();
  times.ours += t1 - t0;
  times.zlib += t2 - t1;
  times.libdeflate += t3 - t2;
}

void ReportRatios(benchmark::State& state, const InflateTimes& times, double bytes) {
  state.counters["tolmaric_MBps"] = bytes / times.ours / 1e6;
  state.counters["zlib_MBps"] = bytes / times.zlib / 1e6;
  state.counters["libdeflate_MBps"] = bytes / times.libdeflate / 1e6;
  state.counters["vs_zlib"] = times.zlib / times.ours;
  state.counters["vs_libdeflate"] = times.libdeflate / times.ours;
}

void BM_InflateTileRatio(benchmark::State& state) {
  const int tile = static_cast<int>(state.range(0));
  CDeflateCodec codec;
  ZlibInflater zlib;
  LibdeflateInflater libdeflate;
  std::vector<unsigned char> out(kTileBytes);
  InflateTimes times;
  for (auto _ : state) InflateAllThree(codec, zlib, libdeflate, out, tile, times);
  state.SetLabel(Tile(tile).name);
  ReportRatios(state, times, double(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileRatio)->Apply(ArgsPerTile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_InflateAllTilesRatio(benchmark::State& state) {
  CDeflateCodec codec;
  ZlibInflater zlib;
  LibdeflateInflater libdeflate;
  std::vector<unsigned char> out(kTileBytes);
  InflateTimes times;
  for (auto _ : state) {
    for (int tile = 0; tile < kTileCount; ++tile) InflateAllThree(codec, zlib, libdeflate, out, tile, times);
  }
  ReportRatios(state, times, double(state.iterations()) * kTileCount * kTileBytes);
}
BENCHMARK(BM_InflateAllTilesRatio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Where our inflate stands against libdeflate by kind of stream: the
// mountain tile's samples deflated again by zlib once as literals only
// (Huffman coding alone) and once as usual. Telling the two apart shows
// whether a gap lies in the literal or in the match path.
std::string DeflateRaw(const std::vector<unsigned char>& data, int strategy) {
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, strategy) != Z_OK) throw std::runtime_error("deflateInit2");
  std::string packed(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&packed[0]);
  stream.avail_out = static_cast<uInt>(packed.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  return packed;
}

void BM_InflateByStreamKindRatio(benchmark::State& state) {
  const bool literalsOnly = state.range(0) == 0;
  CDeflateCodec codec;
  LibdeflateInflater libdeflate;
  std::vector<unsigned char> out(kTileBytes);
  libdeflate.Inflate(out, 2);
  const std::string packed = DeflateRaw(out, literalsOnly ? Z_HUFFMAN_ONLY : Z_DEFAULT_STRATEGY);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    codec.SetSourceMemory(static_cast<std::uint32_t>(packed.size()), packed.data(), CDeflateCodec::NoCrc);
    codec.SetSinkMemory(static_cast<std::uint32_t>(out.size()), out.data(), CDeflateCodec::NoCrc);
    if (codec.Decode(CDeflateCodec::kMethodDeflate) != kTileBytes) state.SkipWithError("short tile");
    const double t1 = ThreadSeconds();
    std::size_t got = 0;
    if (libdeflate_deflate_decompress(libdeflate.decompressor, packed.data(), packed.size(), out.data(), out.size(),
                                      &got) != LIBDEFLATE_SUCCESS) {
      state.SkipWithError("libdeflate failed");
    }
    const double t2 = ThreadSeconds();
    ours += t1 - t0;
    theirs += t2 - t1;
  }
  state.SetLabel(literalsOnly ? "N42E001 literals only" : "N42E001 literals and matches");
  state.counters["tolmaric_MBps"] = double(state.iterations()) * kTileBytes / ours / 1e6;
  state.counters["vs_libdeflate"] = theirs / ours;
}
BENCHMARK(BM_InflateByStreamKindRatio)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_Crc32VsInflateRatio(benchmark::State& state) {
  const int tile = static_cast<int>(state.range(0));
  CDeflateCodec codec;
  std::vector<unsigned char> out(kTileBytes);
  auto decode = [&](std::uint32_t seed) {
    const double start = ThreadSeconds();
    InflateWithCodec(codec, out, tile, seed);
    const double seconds = ThreadSeconds() - start;
    if (seed != CDeflateCodec::NoCrc && codec.GetValue(CDeflateCodec::kValueOutputCrc) != Tile(tile).crc) {
      state.SkipWithError("CRC mismatch");
    }
    return seconds;
  };
  double bare = 0, withCrc = 0, withTableCrc = 0, pass = 0;
  bool crcFirst = false;
  for (auto _ : state) {
    // The order alternates, so that neither decode always finds the other's
    // traces in the caches.
    crcFirst = !crcFirst;
    if (crcFirst) withCrc += decode(0);
    bare += decode(CDeflateCodec::NoCrc);
    if (!crcFirst) withCrc += decode(0);
    Crc32AllowFolding(false);
    withTableCrc += decode(0);
    Crc32AllowFolding(true);
    const double start = ThreadSeconds();
    const std::uint32_t sum = Crc32Update(0, out.data(), kTileBytes);
    pass += ThreadSeconds() - start;
    if (sum != Tile(tile).crc) state.SkipWithError("CRC mismatch");
  }
  const double bytes = double(state.iterations()) * kTileBytes;
  state.SetLabel(Tile(tile).name);
  state.counters["inflate_MBps"] = bytes / bare / 1e6;
  state.counters["crc_share"] = withCrc / bare - 1;
  state.counters["table_crc_share"] = withTableCrc / bare - 1;
  state.counters["pass_crc_share"] = pass / bare;
}
BENCHMARK(BM_Crc32VsInflateRatio)->Apply(ArgsPerTile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
