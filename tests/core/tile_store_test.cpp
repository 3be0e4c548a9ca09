// The tile store against tiles whose every sample the test knows: the real
// N47E009 tile read raw by the test, synthetic tiles, and stored ZIP archives
// built here. Expected heights come from the test's own interpolation, written
// with barycentric weights rather than the store's difference form.
#include "core/tile_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/program_texts.h"
#include "core/run_abort.h"
#include "support/archive/zip_file.h"
#include "tests/common/test_paths.h"
#include "tests/core/tile_fixtures.h"

using namespace tile_fixtures;

namespace {

const std::string kExampleTiles = "examples/tiles";

// Runs a lookup that must abort; returns the error text.
std::string AbortText(CTileStore& store, std::string& errorText, double lon, double lat) {
  errorText.clear();
  try {
    store.GetHeight(lon, lat);
  } catch (int code) {
    EXPECT_EQ(code, kAbortTileStore);
    return errorText;
  }
  ADD_FAILURE() << "no abort at " << lon << ", " << lat;
  return std::string();
}

// Independent height of an 'N'/'E' tile: row and column from the cell's
// north-western corner, triangle chosen by the diagonal, barycentric weights.
double ExpectedHeightNE(const std::vector<std::uint16_t>& h, double lon, double lat, int grid = 1201) {
  const int last = grid - 1;
  double column = (lon - std::floor(lon)) * last;
  double row = (std::floor(lat) + 1.0 - lat) * last;
  int ix = static_cast<int>(column), iy = static_cast<int>(row);
  double dx = column - ix, dy = row - iy;
  auto at = [&](int r, int c) {
    r = r > last ? last : r;
    c = c > last ? last : c;
    return double(h[std::size_t(r) * grid + c]);
  };
  if (dx > dy) return at(iy, ix) * (1 - dx) + at(iy, ix + 1) * (dx - dy) + at(iy + 1, ix + 1) * dy;
  return at(iy, ix) * (1 - dy) + at(iy + 1, ix) * (dy - dx) + at(iy + 1, ix + 1) * dx;
}

}  // namespace

// Runs first in this program: nothing has looked up a height yet.
TEST(LastValidHeight, IsOneHundredAtProcessStart) {
  EXPECT_EQ(LastValidHeight(), 100.0);
}

TEST(TileNames, FollowTheCellOfThePoint) {
  struct Case {
    double lon, lat;
    const char* name;
  } cases[] = {
      {11.4, 47.2, "N47E011.hgt"},   {-0.25, -33.25, "S34W001.hgt"},
      {-1.0, 10.5, "N10W002.hgt"},   {0.0, 0.0, "N00E000.hgt"},
      {179.99, -89.99, "S90E179.hgt"}, {-72.0, -29.0, "S30W073.hgt"},
      {9.0, 47.0, "N47E009.hgt"},
  };
  for (const Case& c : cases) EXPECT_EQ(TileName(c.lon, c.lat), c.name) << c.lon << " " << c.lat;
}

TEST(TileNames, KeysPackLettersAndDegrees) {
  EXPECT_EQ(TileKey(11.4, 47.2), ((('N' << 8) + 47u) << 16) | (('E' << 8) + 11u));
  EXPECT_EQ(TileKey(-0.25, -33.25), ((('S' << 8) + 34u) << 16) | (('W' << 8) + 1u));
  EXPECT_NE(TileKey(0.0, 0.0), 0u);
}

TEST(TileNames, ImpossibleCoordinatesNameNoRealCell) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(TileName(nan, nan), "S999W999.hgt");
  EXPECT_EQ(TileName(1e300, -1e300), "S999E999.hgt");
}

class RealTile : public ::testing::Test {
 protected:
  void SetUp() override {
    raw_ = DecodeSamples(ReadWholeFile(SourcePath(kExampleTiles + "/N47E009.hgt")));
    ASSERT_EQ(raw_.size(), std::size_t(kTileSampleCount));
  }
  std::uint16_t Raw(int row, int column) const { return raw_[std::size_t(row) * 1201 + column]; }

  std::vector<std::uint16_t> raw_;
  std::string errorText_;
  CTileStore store_{errorText_, SourcePath(kExampleTiles)};
};

TEST_F(RealTile, PointOnASampleGivesThatSample) {
  // 47.5 N 9.5 E lies exactly on row 600, column 600: Lake Constance.
  EXPECT_EQ(store_.GetHeight(9.5, 47.5), 396.0);
  EXPECT_EQ(Raw(600, 600), 396);
  EXPECT_EQ(store_.GetHeight(9.25, 47.75), double(Raw(300, 300)));
  EXPECT_EQ(store_.GetHeight(9.0, 47.0 + 1.0 - 1.0 / 8), double(Raw(150, 0)));
}

TEST_F(RealTile, HeightsMatchAnIndependentInterpolation) {
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) / double(1u << 24);
  };
  for (int i = 0; i < 2000; ++i) {
    double lon = 9.0 + next(), lat = 47.0 + next();
    if (lat == 47.0) continue;
    EXPECT_NEAR(store_.GetHeight(lon, lat), ExpectedHeightNE(raw_, lon, lat), 1e-9)
        << lon << " " << lat;
  }
  EXPECT_EQ(store_.LoadCounter(), 1u);
}

TEST_F(RealTile, SouthernEdgeStaysInsideTheTile) {
  // Latitude 47.0 is row 1200 of N47: the row below would be outside.
  for (double lon : {9.0, 9.1234, 9.5, 9.999}) {
    double column = (lon - 9.0) * 1200.0;
    int ix = static_cast<int>(column);
    double dx = column - ix;
    int ix1 = ix < 1200 ? ix + 1 : 1200;
    double expected = Raw(1200, ix) * (1 - dx) + Raw(1200, ix1) * dx;
    EXPECT_NEAR(store_.GetHeight(lon, 47.0), expected, 1e-9) << lon;
  }
}

TEST(RealArchives, CrossingTheN41N42BorderReadsBothArchives) {
  std::string errorText;
  CTileStore store(errorText, SourcePath(kExampleTiles));
  // The shared edge row is equal in both tiles, so the profile is continuous.
  double south = store.GetHeight(1.5, 42.0 - 1e-9);
  double north = store.GetHeight(1.5, 42.0);
  EXPECT_NEAR(south, north, 0.01);
  EXPECT_GT(north, 0.0);
  EXPECT_EQ(store.SlotKey(0), TileKey(1.5, 41.5));
  EXPECT_EQ(store.SlotKey(1), TileKey(1.5, 42.5));
  // Comapedrosa area: a high mountain of the Pyrenees tile.
  EXPECT_GT(store.GetHeight(1.4447, 42.5875), 2500.0);
}

TEST(TileFileChecks, AgreeWithTheDocumentedStatistics) {
  TileFileCheck n47 = CheckTileFile(SourcePath(kExampleTiles + "/N47E009.hgt"));
  EXPECT_EQ(n47.state, TileFileState::kUsable);
  EXPECT_EQ(n47.lowest, 388);
  EXPECT_EQ(n47.highest, 2937);
  EXPECT_EQ(n47.voidSamples, 0);
  EXPECT_EQ(n47.invalidSamples, 0);

  TileFileCheck n42 = CheckTileFile(SourcePath(kExampleTiles + "/N42E001.hgt.zip"));
  EXPECT_EQ(n42.state, TileFileState::kUsable);
  EXPECT_EQ(n42.lowest, 349);
  EXPECT_EQ(n42.highest, 3100);
  EXPECT_EQ(n42.voidSamples, 7652);
  EXPECT_EQ(n42.invalidSamples, 0);

  // The Mediterranean coast: heights down to -20 m, all valid.
  TileFileCheck n41 = CheckTileFile(SourcePath(kExampleTiles + "/N41E001.hgt.zip"));
  EXPECT_EQ(n41.state, TileFileState::kUsable);
  EXPECT_EQ(n41.grid, kTileSamples);
  EXPECT_EQ(n41.lowest, -20);
  EXPECT_EQ(n41.highest, 1204);
  EXPECT_EQ(n41.voidSamples, 134);
  EXPECT_EQ(n41.invalidSamples, 0);

  TileFileCheck s29 = CheckTileFile(SourcePath(kExampleTiles + "/S29W072.hgt.zip"));
  EXPECT_EQ(s29.state, TileFileState::kUsable);
  EXPECT_EQ(s29.highest, 1899);
  EXPECT_EQ(s29.voidSamples, 21);
}

TEST(TileFileChecks, NameWhatIsWrong) {
  TempFolder folder;
  WriteWholeFile(folder.File("short.hgt"), std::string(1000, '\0'));
  WriteWholeFile(folder.File("junk.hgt.zip"), "not an archive at all");
  WriteWholeFile(folder.File("crc.hgt.zip"),
                 MakeStoredZip({{"crc.hgt", FlatTileBytes(5), /*corruptCrc=*/true}}));
  EXPECT_EQ(CheckTileFile(folder.File("short.hgt")).state, TileFileState::kWrongSize);
  EXPECT_EQ(CheckTileFile(folder.File("missing.hgt")).state, TileFileState::kNotOpened);
  EXPECT_EQ(CheckTileFile(folder.File("junk.hgt.zip")).state, TileFileState::kArchiveUnusable);
  EXPECT_EQ(CheckTileFile(folder.File("crc.hgt.zip")).state, TileFileState::kNotUnpacked);
}

// ---- Archives built by the test -------------------------------------------------------

TEST(ArchiveTiles, GiveTheSameProfileAsTheLooseTile) {
  TempFolder folder;
  std::string tile = ReadWholeFile(SourcePath(kExampleTiles + "/N47E009.hgt"));
  // The first entry counts whatever its name.
  WriteWholeFile(folder.File("N47E009.hgt.zip"), MakeStoredZip({{"tile.bin", tile}}));
  std::string looseError, zipError;
  CTileStore loose(looseError, SourcePath(kExampleTiles));
  CTileStore zipped(zipError, folder.Path());
  for (int i = 0; i <= 500; ++i) {
    double lon = 9.05 + 0.0017 * i, lat = 47.9 - 0.0015 * i;
    ASSERT_EQ(loose.GetHeight(lon, lat), zipped.GetHeight(lon, lat)) << i;
  }
}

// A half-downloaded, foreign or tile-less archive stops the run with the
// unpack text once, instead of a flat profile at 0 m.
TEST(ArchiveTiles, UnusableArchivesAbortWithTheUnpackText) {
  TempFolder folder;
  std::string tile = FlatTileBytes(700);
  std::string whole = MakeStoredZip({{"N10E010.hgt", tile}});
  WriteWholeFile(folder.File("N10E010.hgt.zip"), whole.substr(0, whole.size() / 2));
  WriteWholeFile(folder.File("N10E011.hgt.zip"),
                 MakeStoredZip({{"readme.txt", "SRTM3 tile"}, {"N10E011.bin", tile}}));
  WriteWholeFile(folder.File("N10E012.hgt.zip"), "PK but not really a zip file");
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  EXPECT_EQ(AbortText(store, errorText, 10.5, 10.5),
            "Die Datei N10E010.hgt konnte nicht entpackt werden !");
  EXPECT_EQ(AbortText(store, errorText, 11.5, 10.5),
            "Die Datei N10E011.hgt konnte nicht entpackt werden !");
  EXPECT_EQ(AbortText(store, errorText, 12.5, 10.5),
            "Die Datei N10E012.hgt konnte nicht entpackt werden !");
  for (int slot = 0; slot < kTileSlots; ++slot) EXPECT_EQ(store.SlotKey(slot), 0u);
}

TEST(ArchiveTiles, ACorruptEntryAbortsWithTheUnpackText) {
  TempFolder folder;
  WriteWholeFile(folder.File("N10E010.hgt.zip"),
                 MakeStoredZip({{"N10E010.hgt", FlatTileBytes(700), /*corruptCrc=*/true}}));
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  EXPECT_EQ(AbortText(store, errorText, 10.5, 10.5),
            "Die Datei N10E010.hgt konnte nicht entpackt werden !");
}

TEST(ArchiveTiles, ALooseTileWinsOverItsArchive) {
  TempFolder folder;
  WriteWholeFile(folder.File("N10E010.hgt"), FlatTileBytes(321));
  WriteWholeFile(folder.File("N10E010.hgt.zip"), "garbage");
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  EXPECT_EQ(store.GetHeight(10.5, 10.5), 321.0);
}

// ---- Failures ---------------------------------------------------------------------------

TEST(TileFailures, AMissingTileNamesItAndTheDownloadSites) {
  TempFolder folder;
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  std::string text = AbortText(store, errorText, 10.5, 10.5);
  EXPECT_EQ(text, FormatProgramText(kTextTileNotFound, "N10E010.hgt"));
  EXPECT_EQ(text.rfind("Die Datei N10E010.hgt konnte nicht gefunden werden !\n"
                       "Download der SRTM3 Daten :\n   ", 0), 0u) << text;
  EXPECT_EQ(store.SlotKey(0), 0u);
  EXPECT_EQ(store.SlotStamp(0), 1u);
}

TEST(TileFailures, ALooseTileOfTheWrongSizeIsRefused) {
  TempFolder folder;
  WriteWholeFile(folder.File("N10E010.hgt"), FlatTileBytes(1).substr(1));
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  EXPECT_EQ(AbortText(store, errorText, 10.5, 10.5),
            "Die Datei N10E010.hgt hat die falsche Gr\xF6\xDF" "e !");
}

TEST(TileFailures, ImpossibleCoordinatesAbortInsteadOfReadingAnywhere) {
  std::string errorText;
  CTileStore store(errorText, SourcePath(kExampleTiles));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(AbortText(store, errorText, nan, 47.5).find("W999"), std::string::npos);
  EXPECT_NE(AbortText(store, errorText, 9.5, std::numeric_limits<double>::infinity()), "");
}

TEST(TileFailures, AnOverlongFolderReportsTheTileAsMissing) {
  std::string errorText;
  CTileStore store(errorText, std::string(400, 'x'));
  EXPECT_EQ(AbortText(store, errorText, 10.5, 10.5),
            FormatProgramText(kTextTileNotFound, "N10E010.hgt"));
}

// ---- Slots -------------------------------------------------------------------------------

TEST(TileSlots, AFifthTileReplacesTheOneLoadedFirstEvenIfJustUsed) {
  TempFolder folder;
  for (int i = 0; i < 5; ++i)
    WriteWholeFile(folder.File("N10E01" + std::to_string(i) + ".hgt"),
                   FlatTileBytes(static_cast<std::uint16_t>(100 * (i + 1))));
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(store.GetHeight(10.5 + i, 10.5), 100.0 * (i + 1));
  EXPECT_EQ(store.GetHeight(10.5, 10.5), 100.0);  // a hit: no stamp changes
  EXPECT_EQ(store.LoadCounter(), 4u);
  EXPECT_EQ(store.GetHeight(14.5, 10.5), 500.0);
  EXPECT_EQ(store.SlotKey(0), TileKey(14.5, 10.5));
  EXPECT_EQ(store.SlotStamp(0), 5u);
  EXPECT_EQ(store.SlotKey(1), TileKey(11.5, 10.5));
  // The first tile comes back into the next oldest slot.
  EXPECT_EQ(store.GetHeight(10.5, 10.5), 100.0);
  EXPECT_EQ(store.SlotKey(1), TileKey(10.5, 10.5));
  EXPECT_EQ(store.LoadCounter(), 6u);
}

TEST(TileSlots, ReleaseEmptiesEverySlotButKeepsTheLoadCounter) {
  std::string errorText;
  CTileStore store(errorText, SourcePath(kExampleTiles));
  store.GetHeight(9.5, 47.5);
  EXPECT_TRUE(store.HasTileMemory());
  store.Release();
  EXPECT_FALSE(store.HasTileMemory());
  for (int slot = 0; slot < kTileSlots; ++slot) {
    EXPECT_EQ(store.SlotKey(slot), 0u);
    EXPECT_EQ(store.SlotStamp(slot), 0u);
  }
  EXPECT_EQ(store.LoadCounter(), 1u);
  EXPECT_EQ(store.GetHeight(9.5, 47.5), 396.0);  // the next run loads again
  EXPECT_EQ(store.LoadCounter(), 2u);
  EXPECT_EQ(store.SlotStamp(0), 2u);
}

// ---- Invalid samples -------------------------------------------------------------------

TEST(InvalidSamples, TakeTheLastValidHeight) {
  TempFolder folder;
  // Row 600: a void at column 600 and an impossible depth (-1001) at column 900.
  WriteWholeFile(folder.File("N10E010.hgt"), MakeTileBytes([](int row, int column) -> std::uint16_t {
    if (row == 600 && column == 600) return 0x8000;
    if (row == 600 && column == 900) return 0xFC17;
    return 500;
  }));
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  SetLastValidHeight(123.0);
  EXPECT_EQ(store.GetHeight(10.5, 10.5), 123.0);  // a is the void: replaced, then b and c valid
  EXPECT_EQ(LastValidHeight(), 500.0);
  EXPECT_EQ(store.GetHeight(10.5, 10.5), 500.0);
  SetLastValidHeight(42.0);
  EXPECT_EQ(store.GetHeight(10.75, 10.5), 42.0);
  // Between the void and a valid neighbour the replacement takes part in the formula.
  SetLastValidHeight(100.0);
  double lon = 10.0 + 600.25 / 1200.0;  // dx = 0.25 on row 600 (dy = 0)
  EXPECT_NEAR(store.GetHeight(lon, 10.5), 100.0 + (500.0 - 100.0) * 0.25, 1e-6);
  SetLastValidHeight(kInitialLastValidHeight);
}

TEST(TileOrientation, SouthernAndWesternCellsCountFromTheirNorthWesternCorner) {
  TempFolder folder;
  // Height = column in the western cell, = row in the southern one.
  WriteWholeFile(folder.File("N10W002.hgt"),
                 MakeTileBytes([](int, int column) { return std::uint16_t(column); }));
  WriteWholeFile(folder.File("S11E010.hgt"),
                 MakeTileBytes([](int row, int) { return std::uint16_t(row); }));
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  EXPECT_EQ(store.GetHeight(-1.5, 10.5), 600.0);
  EXPECT_EQ(store.GetHeight(-1.75, 10.5), 300.0);
  // Longitude -1.0 is the eastern edge of W002: column 1200, whose eastern
  // neighbour would lie outside the tile.
  EXPECT_EQ(store.GetHeight(-1.0, 10.5), 1200.0);
  EXPECT_EQ(store.GetHeight(-1.0, 10.0), 1200.0);
  EXPECT_EQ(store.SlotKey(0), TileKey(-1.0, 10.5));
  EXPECT_EQ(store.GetHeight(10.5, -10.25), 300.0);
  EXPECT_EQ(store.GetHeight(10.5, -10.0), 0.0);   // northern edge: row 0
  EXPECT_EQ(store.SlotKey(1), TileKey(10.5, -10.25));
  EXPECT_EQ(store.LoadCounter(), 2u);
}

// ---- SRTM1, name variants, heights below sea level ----------------------------------

namespace {

// A faithful SRTM1 tile made from an SRTM3 tile: every third SRTM1 sample is
// the SRTM3 sample, those between are bilinearly interpolated and rounded.
// (A real SRTM1 tile is 26 MB, 15 MB zipped: too big for the repository.)
std::vector<std::uint16_t> UpsampleToSrtm1(const std::vector<std::uint16_t>& coarse) {
  const int fine = kTileSamplesSrtm1;
  std::vector<std::uint16_t> samples(std::size_t(fine) * fine);
  auto at = [&](int r, int c) { return double(coarse[std::size_t(r) * kTileSamples + c]); };
  for (int r = 0; r < fine; ++r) {
    const int r0 = r / 3, r1 = r0 < kTileLastIndex ? r0 + 1 : r0;
    const double fr = (r % 3) / 3.0;
    for (int c = 0; c < fine; ++c) {
      const int c0 = c / 3, c1 = c0 < kTileLastIndex ? c0 + 1 : c0;
      const double fc = (c % 3) / 3.0;
      const double v = (at(r0, c0) * (1 - fc) + at(r0, c1) * fc) * (1 - fr) +
                       (at(r1, c0) * (1 - fc) + at(r1, c1) * fc) * fr;
      samples[std::size_t(r) * fine + c] = static_cast<std::uint16_t>(std::lround(v));
    }
  }
  return samples;
}

std::string BigEndianBytes(const std::vector<std::uint16_t>& samples) {
  std::string bytes(samples.size() * 2, '\0');
  for (std::size_t i = 0; i < samples.size(); ++i) {
    bytes[2 * i] = static_cast<char>(samples[i] >> 8);
    bytes[2 * i + 1] = static_cast<char>(samples[i] & 0xFF);
  }
  return bytes;
}

}  // namespace

TEST(Srtm1Tiles, AnUpsampledTileReadsLikeItsSourceInAMixedFolder) {
  const std::vector<std::uint16_t> coarse =
      DecodeSamples(ReadWholeFile(SourcePath(kExampleTiles + "/N47E009.hgt")));
  const std::vector<std::uint16_t> fine = UpsampleToSrtm1(coarse);
  TempFolder folder;
  const std::string bytes = BigEndianBytes(fine);
  ASSERT_EQ(std::int64_t(bytes.size()), kTileBytesSrtm1);
  WriteWholeFile(folder.File("N47E009.hgt"), bytes);
  WriteWholeFile(folder.File("N42E001.hgt.zip"), ReadWholeFile(SourcePath(kExampleTiles + "/N42E001.hgt.zip")));
  WriteWholeFile(folder.File("N48E009.SRTMGL1.hgt.zip"), MakeStoredZip({{"N48E009.hgt", bytes}}));

  std::string errorText;
  CTileStore srtm1(errorText, folder.Path()), srtm3(errorText, SourcePath(kExampleTiles));
  for (int i = 0; i <= 200; ++i) {
    // On the SRTM3 grid both agree; between it, the fine grid's own triangles.
    const double lonOnGrid = 9.0 + (5 * i + 1) / 1200.0, latOnGrid = 48.0 - (4 * i + 2) / 1200.0;
    ASSERT_NEAR(srtm1.GetHeight(lonOnGrid, latOnGrid), srtm3.GetHeight(lonOnGrid, latOnGrid), 1e-6) << i;
    const double lon = 9.0013 + 0.0049 * i, lat = 47.9987 - 0.0047 * i;
    ASSERT_NEAR(srtm1.GetHeight(lon, lat), ExpectedHeightNE(fine, lon, lat, kTileSamplesSrtm1), 1e-9) << i;
  }
  EXPECT_TRUE(srtm1.ServedOnlySrtm1());
  EXPECT_FALSE(srtm3.ServedOnlySrtm1());
  EXPECT_GT(srtm1.GetHeight(1.4447, 42.5875), 2500.0);  // the SRTM3 tile beside it
  EXPECT_FALSE(srtm1.ServedOnlySrtm1());
  EXPECT_NEAR(srtm1.GetHeight(9.6, 48.4), srtm1.GetHeight(9.6, 47.4), 1e-6);  // zipped SRTM1 copy
  EXPECT_EQ(srtm1.SlotGrid(0), kTileSamplesSrtm1);
  EXPECT_EQ(srtm1.SlotGrid(1), kTileSamples);
  EXPECT_EQ(srtm1.SlotGrid(2), kTileSamplesSrtm1);

  TileFileCheck check = CheckTileFile(folder.File("N48E009.SRTMGL1.hgt.zip"));
  EXPECT_EQ(check.state, TileFileState::kUsable);
  EXPECT_EQ(check.grid, kTileSamplesSrtm1);
  EXPECT_EQ(check.lowest, 388);
  EXPECT_EQ(check.highest, 2937);
}

TEST(TileFileNames, AreTriedInTheDocumentedOrder) {
  TempFolder folder;
  const std::vector<std::string> names = {"N10E010.hgt", "N10E010.hgt.zip", "N10E010.SRTMGL1.hgt.zip",
                                          "N10E010.SRTMGL3.hgt.zip", "N10E010.zip"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string tile = FlatTileBytes(static_cast<std::uint16_t>(i + 1));
    WriteWholeFile(folder.File(names[i]), i == 0 ? tile : MakeStoredZip({{"x.hgt", tile}}));
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string errorText;
    CTileStore store(errorText, folder.Path());
    EXPECT_EQ(store.GetHeight(10.5, 10.5), double(i + 1)) << names[i];
    std::remove(folder.File(names[i]).c_str());
  }
  // Lower case, and an archive that puts its readme first.
  WriteWholeFile(folder.File("n10e010.hgt.zip"),
                 MakeStoredZip({{"readme.txt", "SRTM3"}, {"dir/", ""}, {"n10e010.HGT", FlatTileBytes(9)}}));
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  EXPECT_EQ(store.GetHeight(10.5, 10.5), 9.0);
}

// The Ebro delta and the coast south of Barcelona lie at and below sea level.
TEST(HeightsBelowSeaLevel, AreHeightsNotVoids) {
  CZipFile zip;
  ASSERT_EQ(zip.Open(SourcePath(kExampleTiles + "/N41E001.hgt.zip").c_str(), CPackArchive::kModeRead, 9), 0);
  std::string bytes(static_cast<std::size_t>(kTileBytes), '\0');
  ASSERT_EQ(zip.ExtractToMemory(0, &bytes[0], static_cast<std::uint32_t>(kTileBytes)), 0);
  const std::vector<std::uint16_t> raw = DecodeSamples(bytes);
  std::size_t lowest = 0;
  for (std::size_t i = 0; i < raw.size(); ++i)
    if (raw[i] != 0x8000 && std::int16_t(raw[i]) < std::int16_t(raw[lowest])) lowest = i;
  ASSERT_EQ(std::int16_t(raw[lowest]), -20);
  const double lon = 1.0 + (lowest % kTileSamples) / 1200.0, lat = 42.0 - (lowest / kTileSamples) / 1200.0;
  std::string errorText;
  CTileStore store(errorText, SourcePath(kExampleTiles));
  SetLastValidHeight(123.0);
  EXPECT_NEAR(store.GetHeight(lon, lat), -20.0, 1e-6);
  SetLastValidHeight(kInitialLastValidHeight);
}
