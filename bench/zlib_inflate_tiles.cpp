// zlib_inflate_tiles ZIP...: the yardstick process of the export benchmark.
// Reads each zipped tile and inflates every deflated entry into memory with
// zlib's raw inflate (no CRC), as a whole process does it: start, file reads
// and all. Prints the CPU seconds of the inflate calls alone and the bytes
// they made, "inflate_seconds=S bytes=N"; exit 1 when an entry fails.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/tile_yardstick.h"

namespace {

using tile_yardstick::Le16;
using tile_yardstick::Le32;

// Every entry through the end record and the central directory (the local
// header's sizes may sit in a descriptor). False on a damaged archive.
bool InflateArchive(const std::string& zip, double& seconds, std::uint64_t& bytes) {
  std::size_t end = zip.size() >= 22 ? zip.size() - 22 : std::string::npos;
  while (end != std::string::npos && Le32(zip, end) != 0x06054B50) end = end ? end - 1 : std::string::npos;
  if (end == std::string::npos) return false;
  std::size_t central = Le32(zip, end + 16);
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  std::vector<unsigned char> out;
  bool good = true;
  for (std::uint32_t entry = Le16(zip, end + 10); good && entry > 0; --entry) {
    if (central + 46 > zip.size() || Le32(zip, central) != 0x02014B50) return false;
    const std::uint32_t method = Le16(zip, central + 10), size = Le32(zip, central + 20);
    const std::uint32_t unpacked = Le32(zip, central + 24);
    const std::size_t local = Le32(zip, central + 42);
    central += 46 + Le16(zip, central + 28) + Le16(zip, central + 30) + Le16(zip, central + 32);
    if (method != 8) continue;
    if (local + 30 > zip.size()) return false;
    const std::size_t data = local + 30 + Le16(zip, local + 26) + Le16(zip, local + 28);
    if (data + size > zip.size()) return false;
    out.resize(unpacked);
    const double start = tile_yardstick::ThreadSeconds();
    inflateReset(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
    stream.avail_in = size;
    stream.next_out = out.data();
    stream.avail_out = unpacked;
    good = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.total_out == unpacked;
    seconds += tile_yardstick::ThreadSeconds() - start;
    bytes += unpacked;
  }
  inflateEnd(&stream);
  return good;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 0;
  std::uint64_t bytes = 0;
  for (int i = 1; i < argc; ++i) {
    std::FILE* file = std::fopen(argv[i], "rb");
    std::string zip;
    char block[1 << 16];
    for (std::size_t got; file && (got = std::fread(block, 1, sizeof block, file)) > 0;) zip.append(block, got);
    if (file) std::fclose(file);
    if (!InflateArchive(zip, seconds, bytes)) {
      std::fprintf(stderr, "zlib_inflate_tiles: %s: cannot inflate\n", argv[i]);
      return 1;
    }
  }
  std::printf("inflate_seconds=%.6f bytes=%llu\n", seconds, static_cast<unsigned long long>(bytes));
  return 0;
}
