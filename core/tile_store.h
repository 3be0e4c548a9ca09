// CTileStore: the terrain height at a longitude and latitude, read from
// SRTM3 tiles (1201 x 1201 big-endian 16-bit samples per 1 x 1 degree cell)
// in the user's tile folder, loose as N47E011.hgt or zipped as
// N47E011.hgt.zip.
//
// Up to four tiles stay resident. Slots are replaced first in, first out by
// a load stamp that a hit never refreshes: a route rarely returns to a tile
// it left, and FIFO keeps the choice predictable. Tiles are converted to host
// byte order once when loaded, so a lookup is a few array reads.
//
// A lookup either returns a height or aborts the run: it writes the message
// into the error text the store was bound to and throws kAbortTileStore
// (core/run_abort.h). Release() at the end of every run frees the memory.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

constexpr int kTileSamples = 1201;                                     // per row and column
constexpr int kTileLastIndex = kTileSamples - 1;                       // 1200
constexpr int kTileSampleCount = kTileSamples * kTileSamples;          // 1,442,401
constexpr std::int64_t kTileBytes = 2LL * kTileSampleCount;            // 2,884,802
constexpr int kTileSlots = 4;
constexpr unsigned kHighestValidSample = 30000;  // above: void (0x8000) or negative
constexpr unsigned kVoidSample = 0x8000;
constexpr double kInitialLastValidHeight = 100.0;

// The height that replaces invalid samples: the last valid sample that any
// lookup of the process used, 100.0 at start. Shared by the whole process and
// carried from one run to the next; Set is for tools and tests.
double LastValidHeight();
void SetLastValidHeight(double height);

// The tile file name of the cell holding a point, "%c%02u%c%03u.hgt":
// (11.4, 47.2) gives N47E011.hgt, (-0.25, -33.25) gives S34W001.hgt.
// Coordinates beyond any cell (NaN, or 999 degrees and more) name the cell
// 999, which no tile folder holds.
std::string TileName(double longitude, double latitude);
// The slot key of that cell: ((lat letter * 256 + lat degrees) << 16) |
// (lon letter * 256 + lon degrees). Never 0.
std::uint32_t TileKey(double longitude, double latitude);

class CTileStore {
 public:
  // errorText receives the message of every abort (the run's error text).
  explicit CTileStore(std::string& errorText, std::string tileFolder = std::string());
  ~CTileStore();
  CTileStore(const CTileStore&) = delete;
  CTileStore& operator=(const CTileStore&) = delete;

  void SetTileFolder(const std::string& folder) { tileFolder_ = folder; }
  const std::string& TileFolder() const { return tileFolder_; }

  // Height in metres at the point (degrees, east and north positive),
  // linearly interpolated in the triangle of the sample grid that holds it.
  // Throws kAbortTileStore after setting the error text when the tile is
  // missing, has the wrong size, cannot be read, its archive cannot be
  // opened or unpacked or holds no tile first, or the tile memory cannot be
  // had.
  double GetHeight(double longitude, double latitude);

  // Frees the tile memory and empties every slot; the load counter stays.
  void Release();

  // State, for the export run and for tests.
  bool HasTileMemory() const { return memory_ != nullptr; }
  std::uint32_t SlotKey(int slot) const { return keys_[slot]; }
  std::uint32_t SlotStamp(int slot) const { return stamps_[slot]; }
  std::uint32_t LoadCounter() const { return loadCounter_; }

 private:
  int FindSlot(std::uint32_t key) const;
  int OldestSlot() const;
  void LoadSlot(int slot, std::uint32_t key, const std::string& name);
  void LoadLooseTile(int slot, const std::string& path, const std::string& name);
  void LoadArchiveTile(int slot, const std::string& archivePath, const std::string& name);
  [[noreturn]] void Abort(int textNumber, const std::string& argument);
  std::uint8_t* SlotBytes(int slot);
  const std::uint16_t* SlotSamples(int slot) const;

  std::string& errorText_;
  std::string tileFolder_;
  std::unique_ptr<std::uint16_t[]> memory_;
  std::uint32_t keys_[kTileSlots] = {};
  std::uint32_t stamps_[kTileSlots] = {};
  std::uint32_t loadCounter_ = 0;
};

// ---- Checking a tile file on its own (the command line's `tiles`) ----------

enum class TileFileState {
  kUsable,
  kWrongSize,         // a loose tile not of kTileBytes
  kNotOpened,         // cannot be opened or read, or not a regular file
  kArchiveUnusable,   // not a ZIP archive, or its first entry is not a tile
  kNotUnpacked,       // the archive's first entry fails to unpack (CRC ...)
  kNoMemory,
};

struct TileFileCheck {
  TileFileState state = TileFileState::kNotOpened;
  int lowest = 0;          // lowest valid sample (metres), when any
  int highest = 0;         // highest valid sample
  int voidSamples = 0;     // the void marker 0x8000
  int invalidSamples = 0;  // other samples above kHighestValidSample (negative heights)
};

// Reads a loose ".hgt" or a ".hgt.zip" (by its name's ending) the way the
// store would and counts its samples.
TileFileCheck CheckTileFile(const std::string& path);
