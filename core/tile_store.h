// CTileStore: the terrain height at a longitude and latitude, read from
// SRTM tiles in the user's tile folder: one 1 x 1 degree cell per tile, its
// samples big-endian signed 16-bit heights in rows from north to south,
// either 1201 x 1201 (SRTM3, 3 arc-seconds) or 3601 x 3601 (SRTM1, 1
// arc-second), told apart by their size alone, so a folder may mix both.
// A tile is found loose or zipped under one of several names (see
// TileFileNames) and inside an archive as its first entry, else its first
// ".hgt" entry, of a tile's size.
//
// Up to four tiles stay resident, each slot allocated for the grid of the
// tile it holds (up to 4 x 26 MB with SRTM1). Slots are replaced first in,
// first out by a load stamp that a hit never refreshes: a route rarely
// returns to a tile it left, and FIFO keeps the choice predictable. Tiles stay
// in the file's byte order: a lookup swaps the three samples it reads.
//
// A lookup either returns a height or aborts the run: it writes the message
// into the error text the store was bound to and throws kAbortTileStore
// (core/run_abort.h). Release() at the end of every run frees the memory.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int kTileSamples = 1201;                                     // per row and column
constexpr int kTileLastIndex = kTileSamples - 1;                       // 1200
constexpr int kTileSampleCount = kTileSamples * kTileSamples;          // 1,442,401
constexpr std::int64_t kTileBytes = 2LL * kTileSampleCount;            // 2,884,802
// SRTM1: the same cell at 1 arc-second.
constexpr int kTileSamplesSrtm1 = 3601;
constexpr std::int64_t kTileBytesSrtm1 = 2LL * kTileSamplesSrtm1 * kTileSamplesSrtm1;  // 25,934,402
constexpr int kTileSlots = 4;
// Samples are signed: -32768 is the void, -1000 ... 30000 are heights (the
// Dead Sea shore and polders lie below sea level); anything else is invalid.
constexpr int kLowestValidSample = -1000;
constexpr int kHighestValidSample = 30000;
constexpr int kVoidSample = -32768;
constexpr double kInitialLastValidHeight = 100.0;

// Samples per row and column of a tile file of that many bytes: kTileSamples
// (SRTM3), kTileSamplesSrtm1, or 0 for any other size.
int TileGridForBytes(std::int64_t bytes);

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

// The file names under which the store looks for the tile called tileName
// ("N47E011.hgt"), in this order of preference; the first that is a regular
// file in the folder is the tile, the others are never read:
//   N47E011.hgt              n47e011.hgt               loose
//   N47E011.hgt.zip          n47e011.hgt.zip           zipped ...
//   N47E011.SRTMGL1.hgt.zip  n47e011.srtmgl1.hgt.zip
//   N47E011.SRTMGL3.hgt.zip  n47e011.srtmgl3.hgt.zip
//   N47E011.zip              n47e011.zip
// Loose before zipped and the program's own names first, so a folder that
// worked before reads the same files.
std::vector<std::string> TileFileNames(const std::string& tileName);

// The file that holds a tile in folder: its path and whether it is an
// archive. False when there is none (or the path would be too long).
struct TileFileLocation {
  std::string path;
  std::string fileName;  // the name within the folder
  bool zipped = false;
};
bool FindTileFile(const std::string& folder, const std::string& tileName, TileFileLocation& where);

class CTileStore {
 public:
  // errorText receives the message of every abort (the run's error text).
  explicit CTileStore(std::string& errorText, std::string tileFolder = std::string());
  ~CTileStore();
  CTileStore(const CTileStore&) = delete;
  CTileStore& operator=(const CTileStore&) = delete;

  // A new folder empties the slots: their tiles came from the old one.
  void SetTileFolder(const std::string& folder);
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
  bool HasTileMemory() const;
  // Samples per row of the tile in slot (0 when it holds none).
  int SlotGrid(int slot) const { return keys_[slot] ? grids_[slot] : 0; }
  std::uint32_t SlotKey(int slot) const { return keys_[slot]; }
  std::uint32_t SlotStamp(int slot) const { return stamps_[slot]; }
  std::uint32_t LoadCounter() const { return loadCounter_; }
  // True when tiles were loaded since the store was made and every one was
  // SRTM1: the profile is then fine enough for a smaller climb threshold.
  bool ServedOnlySrtm1() const { return loadedSrtm1_ && !loadedSrtm3_; }

 private:
  int FindSlot(std::uint32_t key) const;
  int OldestSlot() const;
  void LoadSlot(int slot, std::uint32_t key, const std::string& name);
  void LoadLooseTile(int slot, const std::string& path, const std::string& name);
  void LoadArchiveTile(int slot, const std::string& archivePath, const std::string& name);
  [[noreturn]] void Abort(int textNumber, const std::string& argument);
  std::uint8_t* AllocateSlot(int slot, int grid);

  std::string& errorText_;
  std::string tileFolder_;
  std::unique_ptr<std::uint16_t[]> memory_[kTileSlots];
  int grids_[kTileSlots] = {};  // samples per row of each slot's memory
  std::uint32_t keys_[kTileSlots] = {};
  std::uint32_t stamps_[kTileSlots] = {};
  std::uint32_t loadCounter_ = 0;
  bool loadedSrtm3_ = false;
  bool loadedSrtm1_ = false;
};

// ---- Checking a tile file on its own (the command line's `tiles`) ----------

enum class TileFileState {
  kUsable,
  kWrongSize,         // a loose tile of neither tile size
  kNotOpened,         // cannot be opened or read, or not a regular file
  kArchiveUnusable,   // not a ZIP archive, or no entry of a tile's size
  kNotUnpacked,       // the tile entry fails to unpack (CRC ...)
  kNoMemory,
};

struct TileFileCheck {
  TileFileState state = TileFileState::kNotOpened;
  int grid = 0;            // samples per row: kTileSamples or kTileSamplesSrtm1
  int lowest = 0;          // lowest valid sample (metres), when any
  int highest = 0;         // highest valid sample
  int voidSamples = 0;     // the void marker -32768
  int invalidSamples = 0;  // other samples outside kLowestValidSample ... kHighestValidSample
};

// Reads a loose ".hgt" or a ".hgt.zip" (by its name's ending) the way the
// store would and counts its samples.
TileFileCheck CheckTileFile(const std::string& path);
