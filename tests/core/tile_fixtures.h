// Tiles and archives made by the tests themselves: synthetic tiles with a
// known sample at every position, the raw samples of a real tile read
// without the store, and a minimal stored (uncompressed) ZIP writer, so the
// archive path is checked against bytes the test controls.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/tile_store.h"
#include "tests/common/test_paths.h"

namespace tile_fixtures {

// Big-endian tile bytes with sample(row, column) everywhere.
inline std::string MakeTileBytes(const std::function<std::uint16_t(int, int)>& sample) {
  std::string bytes(static_cast<std::size_t>(kTileBytes), '\0');
  for (int row = 0; row < kTileSamples; ++row)
    for (int column = 0; column < kTileSamples; ++column) {
      std::uint16_t v = sample(row, column);
      std::size_t at = 2 * (std::size_t(row) * kTileSamples + column);
      bytes[at] = static_cast<char>(v >> 8);
      bytes[at + 1] = static_cast<char>(v & 0xFF);
    }
  return bytes;
}

inline std::string FlatTileBytes(std::uint16_t height) {
  return MakeTileBytes([height](int, int) { return height; });
}

// The samples of tile bytes in host order, decoded independently of the store.
inline std::vector<std::uint16_t> DecodeSamples(const std::string& bytes) {
  std::vector<std::uint16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint16_t>(
        (static_cast<unsigned char>(bytes[2 * i]) << 8) | static_cast<unsigned char>(bytes[2 * i + 1]));
  return samples;
}

inline std::uint32_t Crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

struct ZipMember {
  std::string name;
  std::string data;
  bool corruptCrc = false;  // store a CRC that does not match the data
};

// A single-disk ZIP archive whose members are stored without compression.
inline std::string MakeStoredZip(const std::vector<ZipMember>& members) {
  auto put16 = [](std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
  };
  std::string archive, directory;
  for (const ZipMember& m : members) {
    std::uint32_t crc = Crc32(m.data) ^ (m.corruptCrc ? 0x1u : 0u);
    std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
    auto common = [&](std::string& out) {
      put16(out, 20); put16(out, 0); put16(out, 0);   // version, flags, stored
      put16(out, 0); put16(out, 0x21);                // time, date 1980-01-01
      put32(out, crc);
      put32(out, static_cast<std::uint32_t>(m.data.size()));
      put32(out, static_cast<std::uint32_t>(m.data.size()));
      put16(out, static_cast<unsigned>(m.name.size())); put16(out, 0);
    };
    put32(archive, 0x04034b50);
    common(archive);
    archive += m.name;
    archive += m.data;
    put32(directory, 0x02014b50);
    put16(directory, 20);
    common(directory);
    put16(directory, 0); put16(directory, 0); put16(directory, 0);  // comment, disk, internal
    put32(directory, 0); put32(directory, offset);
    directory += m.name;
  }
  std::uint32_t directoryOffset = static_cast<std::uint32_t>(archive.size());
  archive += directory;
  put32(archive, 0x06054b50);
  put16(archive, 0); put16(archive, 0);
  put16(archive, static_cast<unsigned>(members.size()));
  put16(archive, static_cast<unsigned>(members.size()));
  put32(archive, static_cast<std::uint32_t>(directory.size()));
  put32(archive, directoryOffset);
  put16(archive, 0);
  return archive;
}

// A scratch folder removed at the end of the scope.
class TempFolder {
 public:
  TempFolder() : path_(MakeTempDir()) {}
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace tile_fixtures
