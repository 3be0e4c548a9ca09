// Damaged tiles and archives, and any coordinates, through the tile store.
// The low two bits of the first byte pick what the rest is, its upper bits
// which of the tile's file names it goes under (all name variants) or, for
// mode 3, the grid:
//   0: an archive read from memory by the archive source
//   1: the same bytes as a zipped N10E010 in a tile folder, read by the store
//   2: the same bytes as a loose N10E010 (nearly always the wrong size)
//   3: a complete SRTM3 or SRTM1 tile whose samples repeat the input (voids,
//      heights below sea level, anything), looked up at coordinates taken
//      from the input: edges, NaN, infinities and huge values included
// A lookup may abort the run (an integer throw) but must never read outside
// the tile memory or return a height that is not a number.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/archive_tile_source.h"
#include "core/tile_store.h"

namespace {

// A folder of this process's own: two fuzzers running at once (two
// worktrees) must not remove each other's tiles in the middle of a lookup.
// Never destroyed: the exit handler that removes the folder runs after the
// destructors of statics made before it was registered.
const std::string& Folder() {
  static const std::string& folder = *[] {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tolmaric-tile-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return new std::string(path.string());
  }();
  return folder;
}

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = TileFileNames("N10E010.hgt");
  return names;
}

// Names()[0] and [1] are the loose names, the rest zipped ones.
const std::string& LooseName(int pick) { return Names()[pick & 1]; }
const std::string& ZippedName(int pick) { return Names()[2 + pick % (Names().size() - 2)]; }

void WriteOnly(const std::string& name, const char* bytes, std::size_t size) {
  for (const std::string& stale : Names()) std::filesystem::remove(Folder() + "/" + stale);
  std::ofstream out(Folder() + "/" + name, std::ios::binary);
  out.write(bytes, static_cast<std::streamsize>(size));
}

void LookUp(double longitude, double latitude) {
  std::string errorText;
  CTileStore store(errorText, Folder());
  try {
    double height = store.GetHeight(longitude, latitude);
    if (std::isnan(height)) std::abort();
  } catch (int code) {
    if (code != 1 || errorText.empty()) std::abort();
  }
}

double Inside(double raw) {
  if (!std::isfinite(raw)) return raw;
  return raw - std::floor(raw);
}

void FuzzCoordinates(const std::uint8_t* data, std::size_t size, bool srtm1) {
  // The input repeated to the tile's size, doubling the filled part each step.
  std::vector<char> tile(static_cast<std::size_t>(srtm1 ? kTileBytesSrtm1 : kTileBytes));
  std::size_t filled = size < tile.size() ? size : tile.size();
  std::memcpy(tile.data(), data, filled);
  while (filled < tile.size()) {
    std::size_t copy = filled < tile.size() - filled ? filled : tile.size() - filled;
    std::memcpy(tile.data() + filled, tile.data(), copy);
    filled += copy;
  }
  WriteOnly("N10E010.hgt", tile.data(), tile.size());
  // Points inside the cell go to one store, raw points to another, so that
  // failed loads of other cells do not keep evicting the tile.
  std::string errorText;
  CTileStore store(errorText, Folder()), rawStore(errorText, Folder());
  // The cell's four edges; 11.0 itself already belongs to the next cell.
  const double edges[] = {10.0, std::nextafter(11.0, 0.0), 10.0 + 1.0 / 1200.0, 10.0 + 1.0 / 3600.0, 10.5};
  for (double a : edges)
    for (double b : edges) {
      double height = store.GetHeight(a, b);
      if (std::isnan(height)) std::abort();
    }
  for (std::size_t at = 0; at + 16 <= size; at += 16) {
    double raw[2];
    std::memcpy(raw, data + at, sizeof raw);
    for (const double* point : {static_cast<const double*>(raw), static_cast<const double*>(nullptr)}) {
      double lon = point ? raw[0] : 10.0 + Inside(raw[0]);
      double lat = point ? raw[1] : 10.0 + Inside(raw[1]);
      errorText.clear();
      try {
        double height = (point ? rawStore : store).GetHeight(lon, lat);
        if (std::isnan(height)) std::abort();
      } catch (int code) {
        // A neighbour cell, or no cell at all.
        if (code != 1 || errorText.empty()) std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] & 3, pick = data[0] >> 2;
  const char* rest = reinterpret_cast<const char*>(data + 1);
  const std::size_t restSize = size - 1;
  if (mode == 0) {
    std::vector<std::uint8_t> buffer;
    ReadTileFromArchiveMemory(rest, restSize, [&buffer](int grid) {
      if (grid != kTileSamples && grid != kTileSamplesSrtm1) std::abort();
      buffer.assign(2 * std::size_t(grid) * std::size_t(grid), 0);
      return buffer.data();
    });
  } else if (mode == 1 || mode == 2) {
    const std::string& name = mode == 1 ? ZippedName(pick) : LooseName(pick);
    WriteOnly(name, rest, restSize);
    LookUp(10.5, 10.5);
    CheckTileFile(Folder() + "/" + name);
  } else if (restSize > 0) {
    FuzzCoordinates(data + 1, restSize, pick & 1);
  }
  return 0;
}
