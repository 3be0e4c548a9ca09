// POSIX specifics of the path helpers: no drive letters, "\" read as "/",
// lexical absolute paths, hidden dot-files and stale search handles.
#include "support/file_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/common/test_paths.h"

namespace {

TEST(PosixPaths, JoinWithSlash) {
  char joined[252];
  EXPECT_EQ('/', PathSeparator());
  EXPECT_EQ(20, JoinPath(joined, "/d/tiles/", "\\N47E011.hgt", 252));
  EXPECT_STREQ("/d/tiles/N47E011.hgt", joined);
  EXPECT_EQ(0, JoinPath(joined, "/d/tiles/", "\\N47E011.hgt", 21));
}

TEST(PosixPaths, DriveLettersDoNotExist) {
  EXPECT_EQ(kFileKindNone, GetFileKind("C:"));
  EXPECT_EQ(kFileKindNone, GetFileKind("C:\\"));
  EXPECT_EQ(kFileKindNone, GetFileKind("c:/"));
  EXPECT_EQ(kFileKindNone, GetFileKind("Z:\\tmp"));
  EXPECT_EQ(-1, GetFileSizeByName("C:\\"));
  SearchRecord record;
  EXPECT_EQ(0, SearchFirst("C:\\*", &record));
  // A colon is an ordinary character of a name here.
  EXPECT_STREQ("a:b.kml", FileNamePart("dir/a:b.kml"));
  EXPECT_EQ("dir/x", ReplaceFileName("dir/a:b.kml", "x"));
}

TEST(PosixPaths, RootIsAFolder) { EXPECT_EQ(kFileKindFolder, GetFileKind("/")); }

TEST(PosixPaths, BackslashesReachTheSystemAsSlashes) {
  std::string dir = MakeTempDir();
  ASSERT_TRUE(WriteWholeFile(dir + "/N47E011.hgt", "12"));
  std::string windowsStyle = dir + "\\N47E011.hgt";
  EXPECT_EQ(kFileKindFile, GetFileKind(windowsStyle.c_str()));
  EXPECT_EQ(2, GetFileSizeByName(windowsStyle.c_str()));
  RemoveTree(dir);
}

TEST(PosixPaths, FullPathCleansDotsAndDoubledSeparators) {
  EXPECT_EQ("/a/c", FullPath("/a/./b/../c"));
  EXPECT_EQ("/", FullPath("/.."));
  EXPECT_EQ("/", FullPath("/../.."));
  EXPECT_EQ("/a/b/", FullPath("//a//b/"));
  EXPECT_EQ("/tmp/x", FullPath("\\tmp\\x"));
  EXPECT_EQ("", FullPath(""));
  EXPECT_EQ("", FullPath(nullptr));
  char current[4096];
  ASSERT_NE(nullptr, getcwd(current, sizeof current));
  std::string expected = std::string(current) + "/sub/name.kml";
  if (std::string(current) == "/") expected = "/sub/name.kml";
  EXPECT_EQ(expected, FullPath("sub/./name.kml"));
  EXPECT_EQ(expected.substr(0, expected.size() - 8), DirectoryPart("sub\\name.kml"));
}

TEST(PosixPaths, DotFilesAreHiddenAndModeGivesWritable) {
  std::string dir = MakeTempDir();
  ASSERT_TRUE(WriteWholeFile(dir + "/.hidden", "h"));
  ASSERT_TRUE(WriteWholeFile(dir + "/locked", "l"));
  ASSERT_EQ(0, chmod((dir + "/locked").c_str(), 0444));
  SearchRecord record;
  SearchHandle handle = SearchFirst((dir + "/.hidden").c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_TRUE(record.attributes & kSearchAttrHidden);
  EXPECT_TRUE(record.attributes & kSearchAttrWritable);
  EXPECT_EQ(0, SearchClose(handle));
  handle = SearchFirst((dir + "/locked").c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_FALSE(record.attributes & kSearchAttrHidden);
  EXPECT_FALSE(record.attributes & kSearchAttrWritable);
  EXPECT_EQ(0, SearchClose(handle));
  handle = SearchFirst((dir + "/.*").c_str(), &record);
  ASSERT_NE(0, handle);
  bool sawDotDot = false;
  do {
    if (record.name == "." || record.name == "..") {
      EXPECT_FALSE(record.attributes & kSearchAttrHidden) << record.name;
      sawDotDot = true;
    }
  } while (SearchNext(handle, &record) == kSearchOk);
  EXPECT_TRUE(sawDotDot);
  EXPECT_EQ(0, SearchClose(handle));
  RemoveTree(dir);
}

TEST(PosixPaths, ClosedSearchHandlesAreRefused) {
  std::string dir = MakeTempDir();
  ASSERT_TRUE(WriteWholeFile(dir + "/a", "a"));
  SearchRecord record;
  SearchHandle handle = SearchFirst((dir + "/*").c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_EQ(0, SearchClose(handle));
  EXPECT_EQ(kSearchInvalidHandle, SearchNext(handle, &record));
  EXPECT_EQ(-1, SearchClose(handle));
  EXPECT_EQ(kSearchInvalidHandle, SearchNext(12345, &record));
  RemoveTree(dir);
}

}  // namespace
