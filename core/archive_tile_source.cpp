// The archive tile source. The archive object lives for one read only: tile
// archives are opened once per load, and nothing of them needs to stay.
#include "core/archive_tile_source.h"

#include "core/tile_store.h"
#include "support/archive/zip_file.h"

namespace {

// Open mode 1 (read an existing archive); the level matters only to writers.
constexpr std::uint32_t kOpenForReading = CPackArchive::kModeRead;
constexpr int kUnusedLevel = 9;
constexpr int kFirstEntry = 0;

ArchiveTileResult ReadFirstEntry(CZipFile& archive, std::uint8_t* slot) {
  if (archive.GetFileSize(kFirstEntry, CPackArchive::kUncompressedSize) != kTileBytes)
    return ArchiveTileResult::kUnusable;
  if (archive.ExtractToMemory(kFirstEntry, slot, static_cast<std::uint32_t>(kTileBytes)) != 0)
    return ArchiveTileResult::kNotUnpacked;
  return ArchiveTileResult::kLoaded;
}

}  // namespace

ArchiveTileResult ReadTileFromArchive(const std::string& archivePath, std::uint8_t* slot) {
  CZipFile archive;
  if (archive.Open(archivePath.c_str(), kOpenForReading, kUnusedLevel) != 0)
    return ArchiveTileResult::kUnusable;
  return ReadFirstEntry(archive, slot);
}

ArchiveTileResult ReadTileFromArchiveMemory(const void* data, std::size_t size,
                                            std::uint8_t* slot) {
  CZipFile archive;
  if (archive.OpenMemory(data, size, "memory") != 0) return ArchiveTileResult::kUnusable;
  return ReadFirstEntry(archive, slot);
}
