// POSIX specifics of CBufferedFile: a full device must make writes, Flush
// and Close fail rather than lose the picture silently, and a read-only file
// is made writable again before it is recreated.
#include "support/buffered_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/common/test_paths.h"

namespace {

const int kSmall = 16;

bool DevFullPresent() {
  struct stat info;
  return stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode);
}

TEST(BufferedFileOnAFullDisk, BufferedBytesFailAtFlushAndClose) {
  if (!DevFullPresent()) GTEST_SKIP() << "no /dev/full";
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open("/dev/full", CBufferedFile::kModeCreate));
  EXPECT_EQ(10, file.Write("0123456789", 10));  // taken into the buffer
  EXPECT_FALSE(file.Flush());
  EXPECT_FALSE(file.Flush());  // the failure sticks
  EXPECT_EQ(-1, file.Write("x", 1));
  EXPECT_FALSE(file.Close());
}

TEST(BufferedFileOnAFullDisk, OverflowingTheBufferFailsTheWrite) {
  if (!DevFullPresent()) GTEST_SKIP() << "no /dev/full";
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open("/dev/full", CBufferedFile::kModeCreate));
  EXPECT_EQ(12, file.Write("012345678901", 12));
  EXPECT_EQ(-1, file.Write("0123456789", 10));
  EXPECT_FALSE(file.Close());
}

TEST(BufferedFileOnAFullDisk, LargeDirectBlockFails) {
  if (!DevFullPresent()) GTEST_SKIP() << "no /dev/full";
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open("/dev/full", CBufferedFile::kModeCreate));
  std::string block(100, 'b');
  EXPECT_EQ(-1, file.Write(block.data(), 100));
  EXPECT_FALSE(file.Close());
  EXPECT_FALSE(file.IsOpen());
}

TEST(BufferedFileReadOnly, ClearingTheAttributeMakesTheFileWritable) {
  std::string dir = MakeTempDir();
  std::string path = dir + "/locked.bmp";
  ASSERT_TRUE(WriteWholeFile(path, "old picture"));
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  EXPECT_TRUE(buffered_file_os::ClearReadOnly(path.c_str()));
  struct stat info;
  ASSERT_EQ(0, stat(path.c_str(), &info));
  EXPECT_TRUE(info.st_mode & S_IWUSR);
  EXPECT_FALSE(buffered_file_os::ClearReadOnly(path.c_str()));  // nothing left to clear
  EXPECT_FALSE(buffered_file_os::ClearReadOnly((dir + "/missing").c_str()));
  RemoveTree(dir);
}

TEST(BufferedFileReadOnly, CreateRecreatesAReadOnlyFile) {
  std::string dir = MakeTempDir();
  std::string path = dir + "/locked.bmp";
  ASSERT_TRUE(WriteWholeFile(path, "old picture"));
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(3, file.Write("new", 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("new", ReadWholeFile(path));
  RemoveTree(dir);
}

TEST(BufferedFileReadOnly, UpdateNeverTruncatesAReadOnlyFile) {
  std::string dir = MakeTempDir();
  std::string path = dir + "/locked.bmp";
  ASSERT_TRUE(WriteWholeFile(path, "old picture"));
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path.c_str(), CBufferedFile::kModeUpdate));
  EXPECT_EQ(3, file.Write("NEW", 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("NEW picture", ReadWholeFile(path));
  RemoveTree(dir);
}

TEST(BufferedFileCreated, GetsReadAndWritePermission) {
  std::string dir = MakeTempDir();
  std::string path = dir + "/new.bmp";
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path.c_str(), CBufferedFile::kModeCreate));
  EXPECT_TRUE(file.Close());
  struct stat info;
  ASSERT_EQ(0, stat(path.c_str(), &info));
  EXPECT_EQ(unsigned(S_IRUSR | S_IWUSR), info.st_mode & (S_IRUSR | S_IWUSR));
  RemoveTree(dir);
}

}  // namespace
