// The tile store. Lookups must stay cheap (tens of millions per second), so
// the hot path is a key compare over four slots and three array reads; all
// file work sits behind a miss. Indexes are clamped to the tile: a point on
// the southern edge of an 'N' tile or the eastern edge of a 'W' tile gives
// index 1200, whose neighbour 1201 carries weight 0 but lies outside.
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

// The sample replaced by lastValid when invalid, else remembered as it.
inline double CheckedSample(std::uint16_t sample, double& lastValid) {
  if (sample > kHighestValidSample) return lastValid;
  lastValid = sample;
  return sample;
}

void ConvertToHostOrder(std::uint8_t* bytes) {
  std::uint16_t* samples = reinterpret_cast<std::uint16_t*>(bytes);
  for (int i = 0; i < kTileSampleCount; ++i) {
    const std::uint8_t* p = bytes + 2 * i;
    samples[i] = static_cast<std::uint16_t>((p[0] << 8) | p[1]);
  }
}

// Reads a whole loose tile; false when it cannot be opened or comes short.
bool ReadLooseTile(const std::string& path, std::uint8_t* slot) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  size_t read = std::fread(slot, 1, static_cast<size_t>(kTileBytes), file);
  std::fclose(file);
  return read == static_cast<size_t>(kTileBytes);
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

CTileStore::CTileStore(std::string& errorText, std::string tileFolder)
    : errorText_(errorText), tileFolder_(std::move(tileFolder)) {}

CTileStore::~CTileStore() = default;

void CTileStore::Release() {
  memory_.reset();
  for (int i = 0; i < kTileSlots; ++i) keys_[i] = stamps_[i] = 0;
}

std::uint8_t* CTileStore::SlotBytes(int slot) {
  return reinterpret_cast<std::uint8_t*>(memory_.get() + std::size_t(slot) * kTileSampleCount);
}

const std::uint16_t* CTileStore::SlotSamples(int slot) const {
  return memory_.get() + std::size_t(slot) * kTileSampleCount;
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

  const double fx = kTileLastIndex * (lambda - lambdaWhole);
  const double fy = kTileLastIndex * (phi - phiWhole);
  const double row = south ? fy : kTileLastIndex - fy;
  const double column = west ? kTileLastIndex - fx : fx;
  int ix = static_cast<int>(column), iy = static_cast<int>(row);
  const double dx = column - ix, dy = row - iy;
  if (ix > kTileLastIndex) ix = kTileLastIndex;
  if (iy > kTileLastIndex) iy = kTileLastIndex;
  const int ix1 = ix < kTileLastIndex ? ix + 1 : kTileLastIndex;
  const int iy1 = iy < kTileLastIndex ? iy + 1 : kTileLastIndex;

  const std::uint16_t* h = SlotSamples(slot);
  const std::uint16_t* top = h + std::size_t(iy) * kTileSamples;
  const std::uint16_t* bottom = h + std::size_t(iy1) * kTileSamples;
  // Two triangles share the cell's diagonal; which one holds the point is a
  // coin toss along a route, so it is chosen by selects, not by a branch.
  // The terms keep their order in both cases, so results stay bit for bit.
  const bool upper = dx > dy;
  double lastValid = g_lastValidHeight;
  const double a = CheckedSample(top[ix], lastValid);
  const double b = CheckedSample(upper ? top[ix1] : bottom[ix], lastValid);
  const double c = CheckedSample(bottom[ix1], lastValid);
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
// tile is never opened, so a lookup cannot block on it.
void CTileStore::LoadSlot(int slot, std::uint32_t key, const std::string& name) {
  stamps_[slot] = ++loadCounter_;
  keys_[slot] = 0;
  if (!memory_) {
    memory_.reset(new (std::nothrow) std::uint16_t[std::size_t(kTileSlots) * kTileSampleCount]);
    if (!memory_) Abort(kTextTileNoMemory, std::string());
  }
  char path[kTilePathLimit + 2];
  int joined = JoinPath(path, tileFolder_.c_str(), name.c_str(), sizeof path);
  if (joined > 0 && GetFileKind(path) == kFileKindFile) {
    LoadLooseTile(slot, path, name);
  } else {
    std::string archive = (joined > 0 ? std::string(path) : tileFolder_ + name) + ".zip";
    if (joined <= 0 || GetFileKind(archive.c_str()) != kFileKindFile)
      Abort(kTextTileNotFound, name);
    LoadArchiveTile(slot, archive, name);
  }
  keys_[slot] = key;
  ConvertToHostOrder(SlotBytes(slot));
}

void CTileStore::LoadLooseTile(int slot, const std::string& path, const std::string& name) {
  if (GetFileSizeByName(path.c_str()) != kTileBytes) Abort(kTextTileWrongSize, name);
  if (!ReadLooseTile(path, SlotBytes(slot))) Abort(kTextTileNotOpened, name);
}

// A damaged, truncated or foreign archive stops the run like a failed
// extraction: a profile at 0 m would look like a result.
void CTileStore::LoadArchiveTile(int slot, const std::string& archivePath,
                                 const std::string& name) {
  if (ReadTileFromArchive(archivePath, SlotBytes(slot)) != ArchiveTileResult::kLoaded)
    Abort(kTextTileNotUnpacked, name);
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

TileFileState ReadTileFile(const std::string& path, std::uint8_t* bytes) {
  if (GetFileKind(path.c_str()) != kFileKindFile) return TileFileState::kNotOpened;
  if (EndsWithNoCase(path, ".zip")) {
    switch (ReadTileFromArchive(path, bytes)) {
      case ArchiveTileResult::kLoaded:
        return TileFileState::kUsable;
      case ArchiveTileResult::kUnusable:
        return TileFileState::kArchiveUnusable;
      case ArchiveTileResult::kNotUnpacked:
        return TileFileState::kNotUnpacked;
    }
  }
  std::int64_t size = GetFileSizeByName(path.c_str());
  if (size < 0) return TileFileState::kNotOpened;
  if (size != kTileBytes) return TileFileState::kWrongSize;
  return ReadLooseTile(path, bytes) ? TileFileState::kUsable : TileFileState::kNotOpened;
}

void CountSamples(const std::uint16_t* samples, TileFileCheck& check) {
  bool anyValid = false;
  for (int i = 0; i < kTileSampleCount; ++i) {
    unsigned v = samples[i];
    if (v > kHighestValidSample) {
      ++(v == kVoidSample ? check.voidSamples : check.invalidSamples);
      continue;
    }
    int height = static_cast<int>(v);
    if (!anyValid || height < check.lowest) check.lowest = height;
    if (!anyValid || height > check.highest) check.highest = height;
    anyValid = true;
  }
}

}  // namespace

TileFileCheck CheckTileFile(const std::string& path) {
  TileFileCheck check;
  std::unique_ptr<std::uint16_t[]> samples(new (std::nothrow) std::uint16_t[kTileSampleCount]);
  if (!samples) {
    check.state = TileFileState::kNoMemory;
    return check;
  }
  std::uint8_t* bytes = reinterpret_cast<std::uint8_t*>(samples.get());
  check.state = ReadTileFile(path, bytes);
  if (check.state != TileFileState::kUsable) return check;
  ConvertToHostOrder(bytes);
  CountSamples(samples.get(), check);
  return check;
}
