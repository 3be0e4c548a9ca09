// Special files named like a tile: a FIFO would block a reader for ever, so
// the store and the tile check must never open one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/program_texts.h"
#include "core/tile_store.h"
#include "tests/core/tile_fixtures.h"

using tile_fixtures::TempFolder;

TEST(SpecialTileFiles, AFifoOrFolderNamedLikeATileIsNeverOpened) {
  TempFolder folder;
  ASSERT_EQ(mkfifo(folder.File("N10E010.hgt").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(folder.File("N10E011.hgt.zip").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.File("N10E012.hgt").c_str(), 0700), 0);
  std::string errorText;
  CTileStore store(errorText, folder.Path());
  for (double longitude : {10.5, 11.5, 12.5}) {
    errorText.clear();
    EXPECT_THROW(store.GetHeight(longitude, 10.5), int);
    EXPECT_EQ(errorText, FormatProgramText(kTextTileNotFound, TileName(longitude, 10.5)));
  }
  EXPECT_EQ(CheckTileFile(folder.File("N10E010.hgt")).state, TileFileState::kNotOpened);
  EXPECT_EQ(CheckTileFile(folder.File("N10E011.hgt.zip")).state, TileFileState::kNotOpened);
}
