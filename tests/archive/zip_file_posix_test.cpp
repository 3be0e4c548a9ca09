// The loose tile N47E009.hgt zipped at test time in every way the tools
// offer (zip at several levels, to a pipe, from standard input; zipfile at
// two levels and streaming), then read back through CZipFile as the tile
// store reads it: size check, extraction into a tile-sized block, CRC.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/archive/zip_file.h"
#include "tests/common/test_paths.h"

namespace {

const std::uint32_t kTileBytes = 2884802;

class ZipFileMadeNow : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempDir();
    tile_ = ReadWholeFile(SourcePath("examples/tiles/N47E009.hgt"));
    ASSERT_EQ(kTileBytes, tile_.size());
    ASSERT_TRUE(WriteWholeFile(folder_ + "/N47E009.hgt", tile_));
    if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not installed";
  }
  void TearDown() override { RemoveTree(folder_); }

  // Runs command in the scratch folder.
  void Run(const std::string& command) {
    ASSERT_EQ(0, std::system(("cd '" + folder_ + "' && " + command).c_str())) << command;
  }

  void ExpectTile(const std::string& archive, const char* entryName) {
    SCOPED_TRACE(archive);
    CZipFile zip;
    ASSERT_EQ(0, zip.Open((folder_ + "/" + archive).c_str(), CPackArchive::kModeRead, 9))
        << zip.GetErrorText();
    ASSERT_EQ(1, zip.GetCount());
    EXPECT_STREQ(entryName, zip.GetName(0));
    ASSERT_EQ(kTileBytes, zip.GetFileSize(0, CPackArchive::kUncompressedSize));
    std::string block(kTileBytes, '\0');
    ASSERT_EQ(0, zip.ExtractToMemory(0, &block[0], kTileBytes)) << zip.GetErrorText();
    EXPECT_TRUE(block == tile_);
  }

  std::string folder_;
  std::string tile_;
};

TEST_F(ZipFileMadeNow, ZipAtEveryLevelAndThroughPipes) {
  for (const char* level : {"-0", "-1", "-6", "-9"}) {
    std::string name = std::string("level") + level + ".zip";
    Run(std::string("zip -q ") + level + " " + name + " N47E009.hgt");
    ExpectTile(name, "N47E009.hgt");
  }
  Run("zip -q - N47E009.hgt | cat > piped.zip");  // data descriptors
  ExpectTile("piped.zip", "N47E009.hgt");
  Run("zip -q stdin.zip - < N47E009.hgt");  // ZIP64 end records
  ExpectTile("stdin.zip", "-");
}

TEST_F(ZipFileMadeNow, PythonZipfileAtTwoLevelsAndStreaming) {
  if (std::system("test -x /usr/bin/python3") != 0) GTEST_SKIP() << "python3 is not installed";
  Run("/usr/bin/python3 -c \""
      "import zipfile\n"
      "data = open('N47E009.hgt', 'rb').read()\n"
      "for level in (1, 9):\n"
      "    with zipfile.ZipFile('py%d.zip' % level, 'w', zipfile.ZIP_DEFLATED, compresslevel=level) as z:\n"
      "        z.writestr('N47E009.hgt', data)\n"
      "class Pipe:\n"
      "    def __init__(self, f): self.f = f\n"
      "    def write(self, b): return self.f.write(b)\n"
      "    def flush(self): pass\n"
      "with open('stream.zip', 'wb') as f:\n"
      "    with zipfile.ZipFile(Pipe(f), 'w', zipfile.ZIP_DEFLATED) as z:\n"
      "        with z.open('N47E009.hgt', 'w') as e: e.write(data)\n"
      "\"");
  ExpectTile("py1.zip", "N47E009.hgt");
  ExpectTile("py9.zip", "N47E009.hgt");
  ExpectTile("stream.zip", "N47E009.hgt");
}

}  // namespace
