// Raw inflate speed on a real SRTM3 tile: the deflated 2,884,802-byte entry
// of examples/tiles/N42E001.hgt.zip decoded from memory into memory, by
// CDeflateCodec and, as the yardstick, by zlib's raw inflate.
//
// BM_InflateTileRatio alternates the two decoders within each iteration, so
// that both see the same machine load, and reports their MB/s of output (by
// thread CPU time: the build machines are shared) and the ratio (above 1:
// faster than zlib) as counters.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <time.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"

namespace {

const std::uint32_t kTileBytes = 2884802;

std::uint32_t Le32(const std::string& s, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint32_t Le16(const std::string& s, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
  return p[0] | p[1] << 8;
}

// The first entry's deflate data, found through the end record and the
// central directory (the local header's sizes may sit in a descriptor).
struct TileEntry {
  std::string compressed;
  std::uint32_t crc = 0;
};

TileEntry LoadTileEntry() {
  const std::string path = std::string(TOLMARIC_SOURCE_DIR) + "/examples/tiles/N42E001.hgt.zip";
  std::ifstream file(path, std::ios::binary);
  const std::string zip((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::size_t end = zip.size() >= 22 ? zip.size() - 22 : std::string::npos;
  while (end != std::string::npos && Le32(zip, end) != 0x06054B50) end = end ? end - 1 : std::string::npos;
  if (end == std::string::npos) throw std::runtime_error("no end record in " + path);
  const std::size_t central = Le32(zip, end + 16);
  const std::uint32_t method = Le16(zip, central + 10);
  const std::uint32_t size = Le32(zip, central + 20);
  const std::size_t local = Le32(zip, central + 42);
  const std::size_t data = local + 30 + Le16(zip, local + 26) + Le16(zip, local + 28);
  if (method != 8 || Le32(zip, central + 24) != kTileBytes) throw std::runtime_error("unexpected entry");
  TileEntry entry;
  entry.compressed = zip.substr(data, size);
  entry.crc = Le32(zip, central + 16);
  return entry;
}

const TileEntry& Tile() {
  static const TileEntry entry = LoadTileEntry();
  return entry;
}

void InflateWithCodec(CDeflateCodec& codec, std::vector<unsigned char>& out, std::uint32_t seed) {
  const std::string& in = Tile().compressed;
  codec.SetSourceMemory(static_cast<std::uint32_t>(in.size()), in.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(static_cast<std::uint32_t>(out.size()), out.data(), seed);
  if (codec.Decode(CDeflateCodec::kMethodDeflate) != kTileBytes) throw std::runtime_error("short tile");
}

void InflateWithZlib(z_stream& stream, std::vector<unsigned char>& out) {
  const std::string& in = Tile().compressed;
  inflateReset(&stream);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  stream.avail_in = static_cast<uInt>(in.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  if (inflate(&stream, Z_FINISH) != Z_STREAM_END || stream.total_out != kTileBytes) {
    throw std::runtime_error("zlib failed");
  }
}

struct ZlibInflater {
  ZlibInflater() {
    std::memset(&stream, 0, sizeof stream);
    inflateInit2(&stream, -15);
  }
  ~ZlibInflater() { inflateEnd(&stream); }
  z_stream stream;
};

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
    InflateWithZlib(zlib.stream, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_InflateTileZlib)->Unit(benchmark::kMillisecond);

void BM_Crc32Tile(benchmark::State& state) {
  std::vector<unsigned char> out(kTileBytes);
  ZlibInflater zlib;
  InflateWithZlib(zlib.stream, out);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Crc32Update(0, out.data(), kTileBytes));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kTileBytes);
}
BENCHMARK(BM_Crc32Tile)->Unit(benchmark::kMillisecond);

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void BM_InflateTileRatio(benchmark::State& state) {
  CDeflateCodec codec;
  ZlibInflater zlib;
  std::vector<unsigned char> out(kTileBytes);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    InflateWithCodec(codec, out, CDeflateCodec::NoCrc);
    const double t1 = ThreadSeconds();
    InflateWithZlib(zlib.stream, out);
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
