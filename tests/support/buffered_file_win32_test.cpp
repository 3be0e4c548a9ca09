// Windows specifics of CBufferedFile: a read-only file is recreated in
// create mode (its attribute cleared where needed), and updated in place (never
// truncated) in update mode.
#include "support/buffered_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/common/test_paths.h"

namespace {

const int kSmall = 16;

bool IsReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

class ReadOnlyFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir();
    path_ = dir_ + "/locked.bmp";
    ASSERT_TRUE(WriteWholeFile(path_, "old picture"));
    ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(IsReadOnly(path_));
  }
  void TearDown() override {
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveTree(dir_);
  }
  std::string dir_;
  std::string path_;
};

TEST_F(ReadOnlyFile, ClearingTheAttributeMakesItWritable) {
  EXPECT_TRUE(buffered_file_os::ClearReadOnly(path_.c_str()));
  EXPECT_FALSE(IsReadOnly(path_));
  EXPECT_FALSE(buffered_file_os::ClearReadOnly(path_.c_str()));  // nothing left to clear
  EXPECT_FALSE(buffered_file_os::ClearReadOnly((dir_ + "/missing").c_str()));
}

// Windows refuses to recreate a read-only file, so Open clears the attribute
// and tries again; wine running as root may let the first try through.
TEST_F(ReadOnlyFile, CreateRecreatesIt) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeCreate));
  EXPECT_EQ(3, file.Write("new", 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("new", ReadWholeFile(path_));
}

TEST_F(ReadOnlyFile, UpdateKeepsTheContents) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeUpdate));
  EXPECT_EQ(3, file.Write("NEW", 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("NEW picture", ReadWholeFile(path_));
}

TEST_F(ReadOnlyFile, ReadingLeavesTheAttributeAlone) {
  CBufferedFile file(kSmall);
  ASSERT_TRUE(file.Open(path_.c_str(), CBufferedFile::kModeRead));
  char bytes[16];
  EXPECT_EQ(11, file.Read(bytes, 16));
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(IsReadOnly(path_));
}

}  // namespace
