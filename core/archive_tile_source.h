// Reading one SRTM3 tile out of a ZIP archive (N47E011.hgt.zip): tiles are
// usually distributed zipped, one per archive. Only the archive's first entry
// counts, whatever its name. The tile store stops the run on every result
// but kLoaded; the two failures differ only for the `tiles` check.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

enum class ArchiveTileResult {
  kLoaded,       // the slot holds the tile's bytes in file order
  kUnusable,     // not openable as ZIP, or first entry not kTileBytes long
  kNotUnpacked,  // the first entry failed to unpack (CRC mismatch included)
};

// Unpacks the first entry of the archive at archivePath into slot, which
// must hold kTileBytes bytes. The slot's content is undefined unless kLoaded.
ArchiveTileResult ReadTileFromArchive(const std::string& archivePath, std::uint8_t* slot);
// The same for an archive held in memory (size bytes at data).
ArchiveTileResult ReadTileFromArchiveMemory(const void* data, std::size_t size,
                                            std::uint8_t* slot);
