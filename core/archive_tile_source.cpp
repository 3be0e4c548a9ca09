// The archive tile source. The archive object lives for one read only: tile
// archives are opened once per load, and nothing of them needs to stay.
#include "core/archive_tile_source.h"

#include <cstring>

#include "core/tile_store.h"
#include "support/archive/zip_file.h"

namespace {

// Open mode 1 (read an existing archive); the level matters only to writers.
constexpr std::uint32_t kOpenForReading = CPackArchive::kModeRead;
constexpr int kUnusedLevel = 9;

int EntryGrid(const CZipFile& archive, int index) {
  return TileGridForBytes(archive.GetFileSize(index, CPackArchive::kUncompressedSize));
}

bool EndsWithHgt(const char* name) {
  std::size_t length = name ? std::strlen(name) : 0;
  if (length < 4) return false;
  const char* tail = name + length - 4;
  return tail[0] == '.' && (tail[1] | 0x20) == 'h' && (tail[2] | 0x20) == 'g' && (tail[3] | 0x20) == 't';
}

// Entry 0 when it has a tile's size, else the first ".hgt" entry that has; -1.
int FindTileEntry(const CZipFile& archive) {
  if (archive.GetCount() > 0 && EntryGrid(archive, 0) != 0) return 0;
  for (int i = 1; i < archive.GetCount(); ++i)
    if (EndsWithHgt(archive.GetName(i)) && EntryGrid(archive, i) != 0) return i;
  return -1;
}

ArchiveTileResult ReadTileEntry(CZipFile& archive, const TileBufferFor& bufferFor) {
  int index = FindTileEntry(archive);
  if (index < 0) return ArchiveTileResult::kUnusable;
  int grid = EntryGrid(archive, index);
  std::uint8_t* buffer = bufferFor(grid);
  if (buffer == nullptr) return ArchiveTileResult::kNoMemory;
  std::uint32_t bytes = archive.GetFileSize(index, CPackArchive::kUncompressedSize);
  if (archive.ExtractToMemory(index, buffer, bytes) != 0) return ArchiveTileResult::kNotUnpacked;
  return ArchiveTileResult::kLoaded;
}

}  // namespace

ArchiveTileResult ReadTileFromArchive(const std::string& archivePath, const TileBufferFor& bufferFor) {
  CZipFile archive;
  if (archive.Open(archivePath.c_str(), kOpenForReading, kUnusedLevel) != 0)
    return ArchiveTileResult::kUnusable;
  return ReadTileEntry(archive, bufferFor);
}

ArchiveTileResult ReadTileFromArchiveMemory(const void* data, std::size_t size,
                                            const TileBufferFor& bufferFor) {
  CZipFile archive;
  if (archive.OpenMemory(data, size, "memory") != 0) return ArchiveTileResult::kUnusable;
  return ReadTileEntry(archive, bufferFor);
}
