// Windows specifics of the path helpers: drive letters, drive roots,
// backslash joins and the system's own attribute bits.
#include "support/file_path.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/common/test_paths.h"

namespace {

char AbsentDrive() {
  DWORD drives = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C'; --letter) {
    if (!((drives >> (letter - 'A')) & 1)) return letter;
  }
  return 0;
}

TEST(WindowsPaths, JoinWithBackslash) {
  char joined[252];
  EXPECT_EQ('\\', PathSeparator());
  EXPECT_EQ(20, JoinPath(joined, "D:\\tiles\\", "\\N47E011.hgt", 252));
  EXPECT_STREQ("D:\\tiles\\N47E011.hgt", joined);
  EXPECT_EQ(0, JoinPath(joined, "D:\\tiles\\", "\\N47E011.hgt", 21));
  EXPECT_EQ(20, JoinPath(joined, "D:/tiles/", "/N47E011.hgt", 22));
  EXPECT_STREQ("D:/tiles\\N47E011.hgt", joined);
}

TEST(WindowsPaths, DriveColonEndsTheDirectory) {
  EXPECT_STREQ("route.kml", FileNamePart("C:route.kml"));
  EXPECT_EQ("C:x.txt", ReplaceFileName("C:route.kml", "x.txt"));
  EXPECT_EQ("C:route.txt", ChangeExtension("C:route.kml", "txt"));
}

TEST(WindowsPaths, DriveRootsAndAbsentDrives) {
  EXPECT_EQ(kFileKindDriveRoot, GetFileKind("C:\\"));
  EXPECT_EQ(kFileKindDriveRoot, GetFileKind("c:/"));
  EXPECT_EQ(kFileKindDriveRoot, GetFileKind("Z:\\"));
  int bare = GetFileKind("Z:");
  EXPECT_TRUE(bare == kFileKindDriveRoot || bare == kFileKindFolder) << bare;
  char absent = AbsentDrive();
  ASSERT_NE(0, absent);
  std::string root = std::string(1, absent) + ":\\";
  EXPECT_EQ(kFileKindNone, GetFileKind(root.c_str()));
  EXPECT_EQ(kFileKindNone, GetFileKind(root.substr(0, 2).c_str()));
  EXPECT_EQ(kFileKindNone, GetFileKind((root + "tiles").c_str()));
  EXPECT_EQ(-1, GetFileSizeByName("C:\\"));
}

TEST(WindowsPaths, FullPathUsesTheSystem) {
  EXPECT_EQ("C:\\a\\c", FullPath("C:\\a\\.\\b\\..\\c"));
  EXPECT_EQ("C:\\a\\b", FullPath("C:/a/b"));
  EXPECT_EQ("C:\\a\\", DirectoryPart("C:\\a\\b.kml"));
  EXPECT_EQ(0, ComparePaths("c:/A/B", "C:\\a\\b", kCompareAbsoluteA | kCompareIgnoreCase));
}

TEST(WindowsPaths, SystemAttributesMapToTheRecordBits) {
  std::string dir = MakeTempDir();
  std::string file = dir + "/flags.txt";
  ASSERT_TRUE(WriteWholeFile(file, "f"));
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                   FILE_ATTRIBUTE_ARCHIVE));
  SearchRecord record;
  SearchHandle handle = SearchFirst(file.c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_EQ(unsigned(kSearchAttrPresent | kSearchAttrHidden | kSearchAttrArchive),
            record.attributes & ~unsigned(kSearchAttrSystem));
  EXPECT_EQ(0, SearchClose(handle));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveTree(dir);
}

}  // namespace
