// The tile store. Lookups must stay cheap (tens of millions per second), so
// the hot path is a key compare over four slots and three array reads; all
// file work sits behind a miss. Indexes are clamped to the tile: a point on
// the southern edge of an 'N' tile or the eastern edge of a 'W' tile gives
// the last index (1200 or 3600), whose neighbour carries weight 0 but lies
// outside. The position arithmetic is the same for both grids, with the
// grid's last index in place of 1200, so SRTM3 results keep every bit.
#include "core/tile_store.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/archive_tile_source.h"
#include "core/program_texts.h"
#include "core/run_abort.h"
#include "support/file_path.h"

namespace {

// JoinPath result limit for tile paths, characters.
constexpr int kTilePathLimit = 252;
// Coordinates are cut to this many degrees before they become a tile name or
// an index: beyond it no tile exists, and NaN or huge values must not reach
// an integer conversion.
constexpr double kNoCellDegrees = 999.0;

double g_lastValidHeight = kInitialLastValidHeight;

// |value| cut to [0, kNoCellDegrees]; NaN gives kNoCellDegrees.
double CellAbs(double value) {
  double a = std::fabs(value);
  return a < kNoCellDegrees ? a : kNoCellDegrees;
}

struct Cell {
  char latitudeLetter;
  unsigned latitudeDegrees;
  char longitudeLetter;
  unsigned longitudeDegrees;
};

// Negative coordinates count the cell by its south-western corner: -0.25
// lies in S01/W001, and -1.0 exactly in W002 at its eastern edge.
unsigned CellDegrees(double value) {
  double a = CellAbs(value);
  unsigned degrees = static_cast<unsigned>(a);
  if (value < 0 && a < kNoCellDegrees) ++degrees;
  return degrees;
}

Cell CellOf(double longitude, double latitude) {
  Cell cell;
  cell.latitudeLetter = latitude >= 0 ? 'N' : 'S';
  cell.latitudeDegrees = CellDegrees(latitude);
  cell.longitudeLetter = longitude >= 0 ? 'E' : 'W';
  cell.longitudeDegrees = CellDegrees(longitude);
  return cell;
}

inline std::uint32_t KeyOf(unsigned latitudeLetter, unsigned latitudeDegrees,
                           unsigned longitudeLetter, unsigned longitudeDegrees) {
  return (((latitudeLetter << 8) + latitudeDegrees) << 16) |
         ((longitudeLetter << 8) + longitudeDegrees);
}

std::uint32_t CellKey(const Cell& cell) {
  return KeyOf(std::uint8_t(cell.latitudeLetter), cell.latitudeDegrees,
               std::uint8_t(cell.longitudeLetter), cell.longitudeDegrees);
}

std::string CellName(const Cell& cell) {
  char name[32];
  std::snprintf(name, sizeof name, "%c%02u%c%03u.hgt", cell.latitudeLetter,
                cell.latitudeDegrees, cell.longitudeLetter, cell.longitudeDegrees);
  return name;
}

// The signed height of a sample as stored (16 bits in host order).
inline int SignedSample(std::uint16_t sample) {
  return sample < 0x8000 ? int(sample) : int(sample) - 0x10000;
}

// One unsigned compare on the lookup path: shifted by 1000 and wrapped to
// 16 bits, exactly the valid heights land in 0 ... 31000.
inline bool IsValidRawSample(std::uint16_t sample) {
  return static_cast<std::uint16_t>(sample - kLowestValidSample) <=
         static_cast<unsigned>(kHighestValidSample - kLowestValidSample);
}

inline bool IsValidSample(int height) {
  return height >= kLowestValidSample && height <= kHighestValidSample;
}

// The sample replaced by lastValid when invalid, else remembered as it.
inline double CheckedSample(std::uint16_t sample, double& lastValid) {
  if (!IsValidRawSample(sample)) return lastValid;
  const int height = SignedSample(sample);
  lastValid = height;
  return height;
}

// Slots keep the tile in the file's byte order (big-endian): a lookup reads
// three samples, which costs less than a pass over the whole tile on load.
inline std::uint16_t StoredSample(const std::uint16_t* row, int index) {
  const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(row + index);
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::size_t SampleCount(int grid) { return std::size_t(grid) * std::size_t(grid); }
std::size_t ByteCount(int grid) { return 2 * SampleCount(grid); }

void ConvertToHostOrder(std::uint8_t* bytes, int grid) {
  std::uint16_t* samples = reinterpret_cast<std::uint16_t*>(bytes);
  const std::size_t count = SampleCount(grid);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = bytes + 2 * i;
    samples[i] = static_cast<std::uint16_t>((p[0] << 8) | p[1]);
  }
}

// Reads a whole loose tile; false when it cannot be opened or comes short.
bool ReadLooseTile(const std::string& path, std::uint8_t* slot, int grid) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  size_t read = std::fread(slot, 1, ByteCount(grid), file);
  std::fclose(file);
  return read == ByteCount(grid);
}

// The suffixes of the tile file names, in order of preference; each is
// tried with the cell as named, then all in lower case.
const char* const kTileSuffixes[] = {".hgt", ".hgt.zip", ".SRTMGL1.hgt.zip", ".SRTMGL3.hgt.zip", ".zip"};
constexpr int kLooseSuffixes = 1;

std::string LowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

double LastValidHeight() { return g_lastValidHeight; }
void SetLastValidHeight(double height) { g_lastValidHeight = height; }

std::string TileName(double longitude, double latitude) {
  return CellName(CellOf(longitude, latitude));
}

std::uint32_t TileKey(double longitude, double latitude) {
  return CellKey(CellOf(longitude, latitude));
}

int TileGridForBytes(std::int64_t bytes) {
  if (bytes == kTileBytes) return kTileSamples;
  if (bytes == kTileBytesSrtm1) return kTileSamplesSrtm1;
  return 0;
}

std::vector<std::string> TileFileNames(const std::string& tileName) {
  std::string cell = tileName.substr(0, tileName.find('.'));
  std::vector<std::string> names;
  for (const char* suffix : kTileSuffixes) {
    names.push_back(cell + suffix);
    names.push_back(LowerCase(cell + suffix));
  }
  return names;
}

// The folder is joined with the program's own name first, with the store's
// path limit: a folder too long for it finds no tile, as it always did.
bool FindTileFile(const std::string& folder, const std::string& tileName, TileFileLocation& where) {
  char path[kTilePathLimit + 2];
  if (JoinPath(path, folder.c_str(), tileName.c_str(), sizeof path) <= 0) return false;
  const std::string prefix(path, std::strlen(path) - tileName.size());
  const std::vector<std::string> names = TileFileNames(tileName);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string candidate = prefix + names[i];
    if (GetFileKind(candidate.c_str()) != kFileKindFile) continue;
    where.path = candidate;
    where.fileName = names[i];
    where.zipped = i >= 2 * kLooseSuffixes;
    return true;
  }
  return false;
}

CTileStore::CTileStore(std::string& errorText, std::string tileFolder)
    : errorText_(errorText), tileFolder_(std::move(tileFolder)) {}

CTileStore::~CTileStore() = default;

void CTileStore::Release() {
  for (int i = 0; i < kTileSlots; ++i) {
    memory_[i].reset();
    keys_[i] = stamps_[i] = 0;
    grids_[i] = 0;
  }
}

bool CTileStore::HasTileMemory() const {
  for (const auto& slot : memory_)
    if (slot) return true;
  return false;
}

// The slot's memory for a tile of grid, kept when it already has that size;
// null when it cannot be had.
std::uint8_t* CTileStore::AllocateSlot(int slot, int grid) {
  if (!memory_[slot] || grids_[slot] != grid) {
    memory_[slot].reset();
    grids_[slot] = 0;
    memory_[slot].reset(new (std::nothrow) std::uint16_t[SampleCount(grid)]);
    if (!memory_[slot]) return nullptr;
    grids_[slot] = grid;
  }
  return reinterpret_cast<std::uint8_t*>(memory_[slot].get());
}

void CTileStore::Abort(int textNumber, const std::string& argument) {
  errorText_ = FormatProgramText(textNumber, argument);
  throw kAbortTileStore;
}

double CTileStore::GetHeight(double longitude, double latitude) {
  // The cell and the position in it from one pass over the coordinates;
  // negative coordinates count their cell from its south-western corner.
  const double lambda = CellAbs(longitude), phi = CellAbs(latitude);
  const int lambdaWhole = static_cast<int>(lambda), phiWhole = static_cast<int>(phi);
  const bool west = !(longitude >= 0), south = !(latitude >= 0);
  const unsigned lonDegrees = lambdaWhole + (west && lambda < kNoCellDegrees ? 1 : 0);
  const unsigned latDegrees = phiWhole + (south && phi < kNoCellDegrees ? 1 : 0);
  const std::uint32_t key = KeyOf(south ? 'S' : 'N', latDegrees, west ? 'W' : 'E', lonDegrees);
  int slot = FindSlot(key);
  if (slot < 0) {
    slot = OldestSlot();
    LoadSlot(slot, key, TileName(longitude, latitude));
  }

  const int grid = grids_[slot];
  const int last = grid - 1;
  const double fx = last * (lambda - lambdaWhole);
  const double fy = last * (phi - phiWhole);
  const double row = south ? fy : last - fy;
  const double column = west ? last - fx : fx;
  int ix = static_cast<int>(column), iy = static_cast<int>(row);
  const double dx = column - ix, dy = row - iy;
  if (ix > last) ix = last;
  if (iy > last) iy = last;
  const int ix1 = ix < last ? ix + 1 : last;
  const int iy1 = iy < last ? iy + 1 : last;

  const std::uint16_t* h = memory_[slot].get();
  const std::uint16_t* top = h + std::size_t(iy) * grid;
  const std::uint16_t* bottom = h + std::size_t(iy1) * grid;
  // Two triangles share the cell's diagonal; which one holds the point is a
  // coin toss along a route, so it is chosen by selects, not by a branch.
  // The terms keep their order in both cases, so results stay bit for bit.
  const bool upper = dx > dy;
  double lastValid = g_lastValidHeight;
  const double a = CheckedSample(StoredSample(top, ix), lastValid);
  const double b = CheckedSample(upper ? StoredSample(top, ix1) : StoredSample(bottom, ix), lastValid);
  const double c = CheckedSample(StoredSample(bottom, ix1), lastValid);
  const double ab = b - a, bc = c - b;
  const double height = a + (upper ? ab : bc) * dx + (upper ? bc : ab) * dy;
  g_lastValidHeight = lastValid;
  return height;
}

int CTileStore::FindSlot(std::uint32_t key) const {
  for (int i = 0; i < kTileSlots; ++i)
    if (keys_[i] == key) return i;
  return -1;
}

// Among equal stamps the lowest slot wins.
int CTileStore::OldestSlot() const {
  int oldest = 0;
  for (int i = 1; i < kTileSlots; ++i)
    if (stamps_[i] < stamps_[oldest]) oldest = i;
  return oldest;
}

// Fills slot with the tile of the point, or throws (the slot then stays
// empty). Only regular files count: a folder, FIFO or device named like a
// tile is never opened, so a lookup cannot block on it. Messages name the
// tile (N47E011.hgt), whichever of its file names was found.
void CTileStore::SetTileFolder(const std::string& folder) {
  if (folder != tileFolder_) Release();
  tileFolder_ = folder;
}

void CTileStore::LoadSlot(int slot, std::uint32_t key, const std::string& name) {
  stamps_[slot] = ++loadCounter_;
  keys_[slot] = 0;
  TileFileLocation where;
  if (!FindTileFile(tileFolder_, name, where)) Abort(kTextTileNotFound, name);
  if (where.zipped) LoadArchiveTile(slot, where.path, name);
  else LoadLooseTile(slot, where.path, name);
  keys_[slot] = key;
  (grids_[slot] == kTileSamplesSrtm1 ? loadedSrtm1_ : loadedSrtm3_) = true;
}

void CTileStore::LoadLooseTile(int slot, const std::string& path, const std::string& name) {
  const int grid = TileGridForBytes(GetFileSizeByName(path.c_str()));
  if (grid == 0) Abort(kTextTileWrongSize, name);
  std::uint8_t* bytes = AllocateSlot(slot, grid);
  if (bytes == nullptr) Abort(kTextTileNoMemory, std::string());
  if (!ReadLooseTile(path, bytes, grid)) Abort(kTextTileNotOpened, name);
}

// A damaged, truncated or foreign archive stops the run like a failed
// extraction: a profile at 0 m would look like a result.
void CTileStore::LoadArchiveTile(int slot, const std::string& archivePath,
                                 const std::string& name) {
  auto bufferFor = [this, slot](int grid) { return AllocateSlot(slot, grid); };
  switch (ReadTileFromArchive(archivePath, bufferFor)) {
    case ArchiveTileResult::kLoaded: return;
    case ArchiveTileResult::kNoMemory: Abort(kTextTileNoMemory, std::string());
    default: Abort(kTextTileNotUnpacked, name);
  }
}

// ---- Checking a tile file on its own -----------------------------------------

namespace {

bool EndsWithNoCase(const std::string& text, const char* ending) {
  std::size_t n = std::strlen(ending);
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char a = text[text.size() - n + i], b = ending[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// The tile's samples for the check, allocated once its grid is known.
struct CheckedTile {
  std::unique_ptr<std::uint16_t[]> samples;
  int grid = 0;
  std::uint8_t* For(int tileGrid) {
    samples.reset(new (std::nothrow) std::uint16_t[SampleCount(tileGrid)]);
    grid = samples ? tileGrid : 0;
    return reinterpret_cast<std::uint8_t*>(samples.get());
  }
};

TileFileState ReadTileFile(const std::string& path, CheckedTile& tile) {
  if (GetFileKind(path.c_str()) != kFileKindFile) return TileFileState::kNotOpened;
  if (EndsWithNoCase(path, ".zip")) {
    switch (ReadTileFromArchive(path, [&tile](int grid) { return tile.For(grid); })) {
      case ArchiveTileResult::kLoaded:
        return TileFileState::kUsable;
      case ArchiveTileResult::kUnusable:
        return TileFileState::kArchiveUnusable;
      case ArchiveTileResult::kNotUnpacked:
        return TileFileState::kNotUnpacked;
      case ArchiveTileResult::kNoMemory:
        return TileFileState::kNoMemory;
    }
  }
  std::int64_t size = GetFileSizeByName(path.c_str());
  if (size < 0) return TileFileState::kNotOpened;
  const int grid = TileGridForBytes(size);
  if (grid == 0) return TileFileState::kWrongSize;
  std::uint8_t* bytes = tile.For(grid);
  if (bytes == nullptr) return TileFileState::kNoMemory;
  return ReadLooseTile(path, bytes, grid) ? TileFileState::kUsable : TileFileState::kNotOpened;
}

void CountSamples(const std::uint16_t* samples, std::size_t count, TileFileCheck& check) {
  bool anyValid = false;
  for (std::size_t i = 0; i < count; ++i) {
    const int height = SignedSample(samples[i]);
    if (!IsValidSample(height)) {
      ++(height == kVoidSample ? check.voidSamples : check.invalidSamples);
      continue;
    }
    if (!anyValid || height < check.lowest) check.lowest = height;
    if (!anyValid || height > check.highest) check.highest = height;
    anyValid = true;
  }
}

}  // namespace

TileFileCheck CheckTileFile(const std::string& path) {
  TileFileCheck check;
  CheckedTile tile;
  check.state = ReadTileFile(path, tile);
  if (check.state != TileFileState::kUsable) return check;
  check.grid = tile.grid;
  ConvertToHostOrder(reinterpret_cast<std::uint8_t*>(tile.samples.get()), tile.grid);
  CountSamples(tile.samples.get(), SampleCount(tile.grid), check);
  return check;
}
