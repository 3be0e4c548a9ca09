// CBufferedFile in both builds: when bytes reach the file (buffered, full
// buffer, direct write of large blocks), the open modes, reading with
// read-ahead and the write after reading, and the calls that must refuse.
// A small buffer of 16 bytes makes every boundary easy to hit.
#include "support/buffered_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/common/test_paths.h"

namespace {

const int kSmall = 16;

std::string Bytes(int count, char first = 'a') {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += static_cast<char>(first + i % 26);
  return bytes;
}

class BufferedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir();
    path_ = dir_ + "/out.bin";
  }
  void TearDown() override { RemoveTree(dir_); }
  int Write(CBufferedFile& file, const std::string& bytes) {
    return file.Write(bytes.data(), static_cast<int>(bytes.size()));
  }
  std::string OnDisk() const { return ReadWholeFile(path_); }
  std::string dir_;
  std::string path_;
};

// ---- When bytes reach the file ---------------------------------------------

TEST_F(BufferedFileTest, SmallWritesWaitInTheBufferUntilFlush) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(10, Write(file, Bytes(10)));
  EXPECT_EQ("", OnDisk());
  EXPECT_TRUE(file.Flush());
  EXPECT_EQ(Bytes(10), OnDisk());
  EXPECT_TRUE(file.Flush());  // nothing left: still fine
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(Bytes(10), OnDisk());
}

TEST_F(BufferedFileTest, ExactlyTheBufferSizeStaysBufferedUntilTheNextByte) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(kSmall, Write(file, Bytes(kSmall)));
  EXPECT_EQ("", OnDisk());
  EXPECT_EQ(1, Write(file, "!"));
  EXPECT_EQ(Bytes(kSmall), OnDisk());
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(Bytes(kSmall) + "!", OnDisk());
}

TEST_F(BufferedFileTest, OverflowFillsTheBufferAndKeepsASmallRest) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  std::string first = Bytes(10), second = Bytes(20, 'A');
  EXPECT_EQ(10, Write(file, first));
  EXPECT_EQ(20, Write(file, second));  // 6 fill the buffer, 14 stay behind
  EXPECT_EQ((first + second).substr(0, kSmall), OnDisk());
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(first + second, OnDisk());
}

TEST_F(BufferedFileTest, BlocksLargerThanTheBufferGoStraightToTheFile) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  std::string head = Bytes(4), block = Bytes(40, 'A');
  EXPECT_EQ(4, Write(file, head));
  EXPECT_EQ(40, Write(file, block));  // 12 fill the buffer, 28 > 16 written directly
  EXPECT_EQ(head + block, OnDisk());
  EXPECT_EQ(100, Write(file, Bytes(100, '0')));  // from an empty buffer as well
  EXPECT_EQ(head + block + Bytes(100, '0').substr(0, kSmall), OnDisk().substr(0, 60));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(head + block + Bytes(100, '0'), OnDisk());
}

TEST_F(BufferedFileTest, ManyWritesOfMixedSizesKeepEveryByteInOrder) {
  std::string expected;
  {
    CBufferedFile file(kSmall);
    ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
    for (int count = 1; count <= 70; count += 3) {
      std::string chunk = Bytes(count, static_cast<char>('A' + count % 20));
      ASSERT_EQ(count, Write(file, chunk));
      expected += chunk;
    }
  }  // the destructor closes and flushes
  EXPECT_EQ(expected, OnDisk());
}

TEST_F(BufferedFileTest, DefaultBufferTakesABitmapInRows) {
  CBufferedFile file;
  EXPECT_EQ(32768, file.BufferSize());
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  std::string row = Bytes(3 * 641 + 1);
  std::string expected;
  for (int y = 0; y < 100; ++y) {
    ASSERT_EQ(static_cast<int>(row.size()), Write(file, row));
    expected += row;
  }
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(expected, OnDisk());
}

// ---- Refusals -------------------------------------------------------------------

TEST_F(BufferedFileTest, WritesThatCannotBeTakenAreRefused) {
  CBufferedFile file(kSmall);
  EXPECT_EQ(-1, Write(file, "closed"));
  EXPECT_FALSE(file.Flush());
  EXPECT_FALSE(file.Close());
  ASSERT_TRUE(WriteWholeFile(path_, "keep"));
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeRead));
  EXPECT_FALSE(file.IsWritable());
  EXPECT_EQ(-1, Write(file, "read only"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("keep", OnDisk());
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(0, file.Write("x", 0));
  EXPECT_EQ(0, file.Write("x", -3));
  EXPECT_EQ(-1, file.Write(nullptr, 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("", OnDisk());
}

TEST_F(BufferedFileTest, OpenRefusesWhatItCannotOpen) {
  CBufferedFile file(kSmall);
  EXPECT_FALSE(file.Open((dir_ + "/missing.bin").c_str(), CBufferedFile::kModeRead));
  EXPECT_FALSE(file.Open((dir_ + "/no/such/folder.bin").c_str(), CBufferedFile::kModeCreate));
  EXPECT_FALSE(file.Open((dir_ + "/no/such/folder.bin").c_str(), CBufferedFile::kModeUpdate));
  EXPECT_FALSE(file.Open(dir_.c_str(), CBufferedFile::kModeRead));
  EXPECT_FALSE(file.Open(dir_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_FALSE(file.Open(path_.c_str(), 3));
  EXPECT_FALSE(file.Open(path_.c_str(), -1));
  EXPECT_FALSE(file.Open(nullptr, CBufferedFile::kModeCreate));
  EXPECT_FALSE(file.Open("", CBufferedFile::kModeCreate));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(std::filesystem::exists(path_));
}

// ---- Open modes ----------------------------------------------------------------

TEST_F(BufferedFileTest, CreateTruncatesAnExistingFile) {
  ASSERT_TRUE(WriteWholeFile(path_, "old contents that are longer"));
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ("", OnDisk());
  EXPECT_EQ(3, Write(file, "new"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("new", OnDisk());
}

TEST_F(BufferedFileTest, UpdateOverwritesInPlaceAndCreatesWhenMissing) {
  ASSERT_TRUE(WriteWholeFile(path_, "0123456789"));
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeUpdate));
  EXPECT_EQ(3, Write(file, "abc"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("abc3456789", OnDisk());

  std::string fresh = dir_ + "/fresh.bin";
  ASSERT_TRUE(file.Open(fresh.c_str(), CBufferedFile::kModeUpdate));
  EXPECT_EQ(2, Write(file, "hi"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("hi", ReadWholeFile(fresh));
}

TEST_F(BufferedFileTest, AppendWritesAtTheEnd) {
  ASSERT_TRUE(WriteWholeFile(path_, "0123"));
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeUpdate, true));
  EXPECT_EQ(2, Write(file, "ab"));
  EXPECT_EQ(20, Write(file, Bytes(20, 'A')));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("0123ab" + Bytes(20, 'A'), OnDisk());
}

TEST_F(BufferedFileTest, CloseResetsTheBufferSizeButReopeningKeepsIt) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(5, Write(file, "first"));
  std::string second = dir_ + "/second.bin";
  ASSERT_TRUE(file.Open(second.c_str(), CBufferedFile::kModeCreate));  // closes the first
  EXPECT_EQ("first", OnDisk());
  EXPECT_EQ(kSmall, file.BufferSize());
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(CBufferedFile::kDefaultBufferSize, file.BufferSize());
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(CBufferedFile::kDefaultBufferSize, CBufferedFile(0).BufferSize());
}

// ---- Reading -------------------------------------------------------------------

TEST_F(BufferedFileTest, ReadsAcrossTheReadAheadAndDirectly) {
  std::string contents = Bytes(100);
  ASSERT_TRUE(WriteWholeFile(path_, contents));
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeRead));
  char bytes[64];
  EXPECT_EQ(5, file.Read(bytes, 5));
  EXPECT_EQ(contents.substr(0, 5), std::string(bytes, 5));
  EXPECT_EQ(20, file.Read(bytes, 20));  // 11 from the read-ahead, the rest beyond
  EXPECT_EQ(contents.substr(5, 20), std::string(bytes, 20));
  EXPECT_EQ(64, file.Read(bytes, 64));
  EXPECT_EQ(contents.substr(25, 64), std::string(bytes, 64));
  EXPECT_EQ(11, file.Read(bytes, 64));
  EXPECT_EQ(contents.substr(89), std::string(bytes, 11));
  EXPECT_EQ(0, file.Read(bytes, 64));
  EXPECT_EQ(0, file.Read(bytes, 0));
  EXPECT_EQ(-1, file.Read(nullptr, 4));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(-1, file.Read(bytes, 4));
}

TEST_F(BufferedFileTest, FirstWriteAfterReadingLandsBehindTheBytesRead) {
  ASSERT_TRUE(WriteWholeFile(path_, "abcdefghijklmnopqrstuvwxyz"));
  CBufferedFile file(4);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeUpdate));
  char bytes[8];
  EXPECT_EQ(2, file.Read(bytes, 2));  // four bytes were read ahead
  EXPECT_EQ(2, Write(file, "XY"));
  EXPECT_EQ(3, file.Read(bytes, 3));  // reading flushes the write first
  EXPECT_EQ("efg", std::string(bytes, 3));
  EXPECT_EQ(1, Write(file, "!"));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("abXYefg!ijklmnopqrstuvwxyz", OnDisk());
}

TEST_F(BufferedFileTest, ReadingAfterWritingSeesTheWrittenBytes) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(3, Write(file, "123"));
  char byte;
  EXPECT_EQ(0, file.Read(&byte, 1));  // at the end, after the flushed bytes
  EXPECT_EQ("123", OnDisk());
  EXPECT_TRUE(file.Close());
}

}  // namespace
