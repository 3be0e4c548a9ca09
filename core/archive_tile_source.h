// Reading one SRTM tile out of a ZIP archive (N47E011.hgt.zip): tiles are
// usually distributed zipped, one per archive. The tile is the first entry
// when that has the size of a tile (SRTM3 or SRTM1), whatever its name, as
// tile archives always were read; else the first entry whose name ends in
// ".hgt" (any case) and has a tile's size, for archives that put a readme or
// a folder first. The tile store stops the run on every result but kLoaded;
// the failures differ only for the `tiles` check.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

enum class ArchiveTileResult {
  kLoaded,       // the buffer holds the tile's bytes in file order
  kUnusable,     // not openable as ZIP, or no entry of a tile's size
  kNotUnpacked,  // the tile entry failed to unpack (CRC mismatch included)
  kNoMemory,     // bufferFor gave no buffer
};

// Called once the tile's grid is known (samples per row, kTileSamples or
// kTileSamplesSrtm1): a buffer of 2 * grid * grid bytes, or null.
using TileBufferFor = std::function<std::uint8_t*(int grid)>;

// Unpacks the tile of the archive at archivePath into the buffer bufferFor
// gives. The buffer's content is undefined unless kLoaded.
ArchiveTileResult ReadTileFromArchive(const std::string& archivePath, const TileBufferFor& bufferFor);
// The same for an archive held in memory (size bytes at data).
ArchiveTileResult ReadTileFromArchiveMemory(const void* data, std::size_t size,
                                            const TileBufferFor& bufferFor);
