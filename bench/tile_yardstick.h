// What the inflate and ZIP benchmarks share: the real zipped tiles they work
// on (every one in examples/tiles), their compressed entries found
// independently of our ZIP reader, zlib's and libdeflate's raw inflate of
// them as the yardsticks, and a per-thread CPU clock (the build machines are
// shared, so wall time would measure the neighbours).
#pragma once
#include <libdeflate.h>
#include <zlib.h>

#include <time.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tile_yardstick {

const std::uint32_t kTileBytes = 2884802;

// The zipped tiles, from little to much compressed data: a flat desert
// (S29W072), a mixed one and mountains (N42E001).
const char* const kTileNames[] = {"S29W072", "N41E001", "N42E001"};
const int kTileCount = 3;

inline std::string TilePath(int index = 2) {
  return std::string(TOLMARIC_SOURCE_DIR) + "/examples/tiles/" + kTileNames[index] + ".hgt.zip";
}

inline std::uint32_t Le32(const std::string& s, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
inline std::uint32_t Le16(const std::string& s, std::size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
  return p[0] | p[1] << 8;
}

// The first entry's deflate data, found through the end record and the
// central directory (the local header's sizes may sit in a descriptor).
struct TileEntry {
  std::string name;
  std::string compressed;
  std::uint32_t crc = 0;
};

inline TileEntry LoadTileEntry(int index) {
  const std::string path = TilePath(index);
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
  entry.name = kTileNames[index];
  entry.compressed = zip.substr(data, size);
  entry.crc = Le32(zip, central + 16);
  return entry;
}

inline const TileEntry& Tile(int index = 2) {
  static const std::vector<TileEntry> entries = [] {
    std::vector<TileEntry> all;
    for (int i = 0; i < kTileCount; ++i) all.push_back(LoadTileEntry(i));
    return all;
  }();
  return entries.at(static_cast<std::size_t>(index));
}

// zlib's raw inflate of a tile's entry from memory, without a CRC.
struct ZlibInflater {
  ZlibInflater() {
    std::memset(&stream, 0, sizeof stream);
    inflateInit2(&stream, -15);
  }
  ~ZlibInflater() { inflateEnd(&stream); }
  ZlibInflater(const ZlibInflater&) = delete;
  ZlibInflater& operator=(const ZlibInflater&) = delete;

  void Inflate(std::vector<unsigned char>& out, int index = 2) {
    const std::string& in = Tile(index).compressed;
    inflateReset(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    if (inflate(&stream, Z_FINISH) != Z_STREAM_END || stream.total_out != kTileBytes) {
      throw std::runtime_error("zlib failed");
    }
  }

  z_stream stream;
};

// libdeflate's raw inflate of a tile's entry from memory, without a CRC.
struct LibdeflateInflater {
  LibdeflateInflater() : decompressor(libdeflate_alloc_decompressor()) {}
  ~LibdeflateInflater() { libdeflate_free_decompressor(decompressor); }
  LibdeflateInflater(const LibdeflateInflater&) = delete;
  LibdeflateInflater& operator=(const LibdeflateInflater&) = delete;

  void Inflate(std::vector<unsigned char>& out, int index = 2) {
    const std::string& in = Tile(index).compressed;
    std::size_t got = 0;
    if (libdeflate_deflate_decompress(decompressor, in.data(), in.size(), out.data(), out.size(), &got) !=
            LIBDEFLATE_SUCCESS ||
        got != kTileBytes) {
      throw std::runtime_error("libdeflate failed");
    }
  }

  libdeflate_decompressor* decompressor;
};

inline double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace tile_yardstick
