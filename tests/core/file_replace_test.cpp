// Replacing an output in one piece: a write that fails halfway (a full disk)
// leaves the old file and no temporary behind; leftovers of killed runs are
// cleared away.
#include "core/file_replace.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "raster/bmp_file.h"
#include "raster/raster_image.h"
#include "tests/common/test_paths.h"
#include "tests/core/tile_fixtures.h"

using tile_fixtures::TempFolder;

namespace {

// Writes to the file until `room` bytes are used up, then refuses, as a disk
// that fills up during the write.
struct FillingDisk {
  std::FILE* file;
  int room;
};

int WriteUntilFull(void* context, const void* data, int count) {
  FillingDisk& disk = *static_cast<FillingDisk*>(context);
  const int taken = count < disk.room ? count : disk.room;
  disk.room -= taken;
  return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(taken), disk.file));
}

std::size_t FilesIn(const std::string& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.exists();
  return count;
}

}  // namespace

TEST(ReplacingWrite, APictureThatFailsHalfwayKeepsTheOldOneAndLeavesNoTemporary) {
  TempFolder folder;
  const std::string picture = folder.File("route.bmp");
  ASSERT_TRUE(WriteWholeFile(picture, "old picture"));
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 200, 100, 0xFFFFFF));
  for (int room : {0, 1, 54, 30000}) {
    const bool written = WriteFileReplacing(picture, [&](std::FILE* file) {
      FillingDisk disk{file, room};
      try {
        CBmpFile().WriteTo(WriteUntilFull, &disk, image);
      } catch (...) {
        return false;
      }
      return true;
    });
    EXPECT_FALSE(written) << room;
    EXPECT_EQ(ReadWholeFile(picture), "old picture") << room;
    EXPECT_EQ(FilesIn(folder.Path()), 1u) << room;
  }
  EXPECT_TRUE(WriteFileReplacing(picture, [](std::FILE* file) { return std::fputs("new", file) >= 0; }));
  EXPECT_EQ(ReadWholeFile(picture), "new");
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST(ReplacingWrite, LeftoversOfRunsThatAreGoneAreRemovedOthersKept) {
  TempFolder folder;
  const std::string report = folder.File("route.txt");
  const std::string gone = report + ".999999999.tmp";  // beyond any process id
  const std::string foreign = report + ".backup.tmp";
  ASSERT_TRUE(WriteWholeFile(gone, "half"));
  ASSERT_TRUE(WriteWholeFile(foreign, "kept"));
  ASSERT_TRUE(WriteWholeFile(ReplacingTemporaryPath(report), "own leftover"));
  EXPECT_TRUE(WriteFileReplacing(report, [](std::FILE* file) { return std::fputs("done", file) >= 0; }));
  EXPECT_EQ(ReadWholeFile(report), "done");
  EXPECT_FALSE(std::filesystem::exists(gone));
  EXPECT_FALSE(std::filesystem::exists(ReplacingTemporaryPath(report)));
  EXPECT_EQ(ReadWholeFile(foreign), "kept");
}
