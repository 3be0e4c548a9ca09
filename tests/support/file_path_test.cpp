// Path texts, file kinds and sizes, directory search and the time
// conversion, in both builds. Expected paths are written with "/" and turned
// into the platform's separator where the helper writes one itself.
#include "support/file_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "tests/common/test_paths.h"

namespace {

std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', PathSeparator());
  return path;
}

std::string Join(const char* directory, const char* name, int size = 252) {
  char joined[300];
  std::memset(joined, 'x', sizeof joined);
  joined[sizeof joined - 1] = 0;
  int length = JoinPath(joined, directory, name, size);
  if (length == 0) return joined[0] == 'x' ? "<untouched>" : "<written>";
  EXPECT_EQ(static_cast<int>(std::strlen(joined)), length);
  return joined;
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(dir_); }
  std::string In(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

// ---- Splitting path texts ----------------------------------------------------

TEST(PathParts, FileNameIsBehindTheLastSeparatorOfEitherKind) {
  int length = -1;
  EXPECT_STREQ("c.kml", FileNamePart("a/b\\c.kml", &length));
  EXPECT_EQ(5, length);
  EXPECT_STREQ("c.kml", FileNamePart("a\\b/c.kml"));
  EXPECT_STREQ("route.kml", FileNamePart("route.kml", &length));
  EXPECT_EQ(9, length);
  EXPECT_STREQ("", FileNamePart("folder/", &length));
  EXPECT_EQ(0, length);
  EXPECT_EQ(nullptr, FileNamePart(nullptr, &length));
  EXPECT_EQ(0, length);
}

TEST(PathParts, ExtensionIsBehindTheLastDotOfTheNameOnly) {
  int length = -1;
  const char* path = "C:\\a.b\\route";
  const char* extension = ExtensionPart(path, &length);
  EXPECT_EQ(path + std::strlen(path), extension);  // the terminating zero
  EXPECT_EQ(0, length);
  EXPECT_STREQ("gz", ExtensionPart("x/archive.tar.gz", &length));
  EXPECT_EQ(2, length);
  EXPECT_STREQ("", ExtensionPart("name.", &length));
  EXPECT_EQ(0, length);
  EXPECT_STREQ("hidden", ExtensionPart("dir/.hidden"));
  EXPECT_EQ(nullptr, ExtensionPart(nullptr, &length));
}

TEST(PathParts, DirectoryPartIsAbsoluteAndEndsInItsSeparator) {
  std::string full = FullPath("sub/name.kml");
  ASSERT_FALSE(full.empty());
  EXPECT_EQ(full.substr(0, full.size() - std::strlen("name.kml")), DirectoryPart("sub/name.kml"));
  EXPECT_EQ(PathSeparator(), DirectoryPart("sub/name.kml").back());
  EXPECT_EQ("", DirectoryPart(nullptr));
  EXPECT_EQ("", DirectoryPart(""));
}

TEST(PathParts, ReplaceFileNameKeepsTheFolderAsWritten) {
  EXPECT_EQ("a/b\\Locations.txt", ReplaceFileName("a/b\\prog.exe", "Locations.txt"));
  EXPECT_EQ("Locations.txt", ReplaceFileName("prog.exe", "Locations.txt"));
  EXPECT_EQ("dir/", ReplaceFileName("dir/prog.exe", ""));
  EXPECT_EQ("x", ReplaceFileName(nullptr, "x"));
}

// ---- Joining ---------------------------------------------------------------------

TEST(JoinPath, ExactlyOneSeparatorJoinsFolderAndName) {
  std::string expected = std::string("D:\\tiles") + PathSeparator() + "N47E011.hgt";
  EXPECT_EQ(expected, Join("D:\\tiles\\", "\\N47E011.hgt"));
  EXPECT_EQ(20u, expected.size());
  EXPECT_EQ(expected, Join("D:\\tiles", "N47E011.hgt"));
  std::string posixStyle = std::string("/data/tiles") + PathSeparator() + "N47E011.hgt";
  EXPECT_EQ(posixStyle, Join("/data/tiles/", "/N47E011.hgt"));
  EXPECT_EQ(posixStyle, Join("/data/tiles", "N47E011.hgt"));
}

TEST(JoinPath, DropsOnlyOneSeparatorOnEachSide) {
  const std::string separator(1, PathSeparator());
  EXPECT_EQ("a/" + separator + "b", Join("a//", "b"));
  EXPECT_EQ("a" + separator + "/b", Join("a", "//b"));
  EXPECT_EQ(Native("/N47E011.hgt"), Join("", "N47E011.hgt"));
  EXPECT_EQ(Native("/N47E011.hgt"), Join(nullptr, "\\N47E011.hgt"));
  EXPECT_EQ(Native("dir/"), Join("dir", ""));
}

TEST(JoinPath, WritesNothingWhenTheTextWouldNeedSizeMinusOne) {
  // 20 characters need a size of 22: the text may use at most size - 2.
  EXPECT_EQ("<untouched>", Join("D:\\tiles\\", "\\N47E011.hgt", 21));
  EXPECT_EQ("<untouched>", Join("D:\\tiles\\", "\\N47E011.hgt", 20));
  EXPECT_EQ(20u, Join("D:\\tiles\\", "\\N47E011.hgt", 22).size());
  EXPECT_EQ("<untouched>", Join("", "", 1));
  EXPECT_EQ("<untouched>", Join("a", "b", 0));
  EXPECT_EQ("<untouched>", Join("a", "b", -5));
  EXPECT_EQ(0, JoinPath(nullptr, "a", "b", 252));
}

// ---- Extensions -----------------------------------------------------------------

TEST(ChangeExtension, ReplacesOnlyTheExtensionOfTheFileName) {
  EXPECT_EQ("C:\\a.b\\route.txt", ChangeExtension("C:\\a.b\\route", "txt"));
  EXPECT_EQ("D:\\Touren\\Runde.txt", ChangeExtension("D:\\Touren\\Runde.kml", "txt"));
  EXPECT_EQ("D:\\Touren\\Runde.bmp", ChangeExtension("D:\\Touren\\Runde.kml", "bmp"));
  EXPECT_EQ("archive.tar.zip", ChangeExtension("archive.tar.gz", "zip"));
  EXPECT_EQ("a.b/c.d/name.txt", ChangeExtension("a.b/c.d/name.", "txt"));
}

TEST(ChangeExtension, StarAndDotPrefixesActAlike) {
  for (const char* extension : {"*.txt", ".txt", "txt"}) {
    EXPECT_EQ("route.txt", ChangeExtension("route.kml", extension)) << extension;
  }
  EXPECT_EQ("route..txt", ChangeExtension("route.kml", "..txt"));  // only one dot skipped
}

TEST(ChangeExtension, EmptyExtensionRemovesIt) {
  EXPECT_EQ("route", ChangeExtension("route.kml", ""));
  EXPECT_EQ("route", ChangeExtension("route.kml", nullptr));
  EXPECT_EQ("route", ChangeExtension("route.kml", "*."));
  EXPECT_EQ("dir.x/route", ChangeExtension("dir.x/route", ""));
  EXPECT_EQ("", ChangeExtension(nullptr, ""));
}

// ---- Trailing separators ---------------------------------------------------------

TEST(Separators, AppendAddsOneOnlyWhenMissing) {
  std::string path;
  EXPECT_EQ(1, AppendSeparator(path));
  EXPECT_EQ(std::string(1, PathSeparator()), path);
  path = "C:\\data";
  EXPECT_EQ(8, AppendSeparator(path));
  EXPECT_EQ(std::string("C:\\data") + PathSeparator(), path);
  path = "a/";
  EXPECT_EQ(2, AppendSeparator(path));
  path = "a\\";
  EXPECT_EQ(2, AppendSeparator(path));
  EXPECT_EQ("a\\", path);
}

TEST(Separators, RemoveTakesAwayExactlyOne) {
  std::string path = "a//";
  EXPECT_EQ(2, RemoveSeparator(path));
  EXPECT_EQ("a/", path);
  path = "a\\";
  EXPECT_EQ(1, RemoveSeparator(path));
  EXPECT_EQ(1, RemoveSeparator(path));
  path.clear();
  EXPECT_EQ(0, RemoveSeparator(path));
}

// ---- Comparing ------------------------------------------------------------------

TEST(ComparePaths, BothSeparatorsAreEqual) {
  EXPECT_EQ(0, ComparePaths("a\\b/c", "a/b\\c"));
  EXPECT_EQ('c' - 'd', ComparePaths("a/c", "a/d"));
  EXPECT_EQ(-'b', ComparePaths("a", "ab"));
  EXPECT_EQ('b', ComparePaths("ab", "a"));
  EXPECT_NE(0, ComparePaths("Data", "data"));
  EXPECT_EQ(0, ComparePaths(nullptr, ""));
}

TEST(ComparePaths, CaseFoldingCoversAsciiLettersOnly) {
  EXPECT_EQ(0, ComparePathsNoCase("C:\\Data/Tiles", "c:/dATA\\tiles"));
  EXPECT_NE(0, ComparePathsNoCase("\xE4", "\xC4"));  // ä and Ä stay apart
  EXPECT_GT(ComparePathsNoCase("\xE4", "Z"), 0);       // bytes compare unsigned
  EXPECT_EQ(0, ComparePaths("ABC", "abc", kCompareIgnoreCase));
  EXPECT_NE(0, ComparePaths("ABC", "abc", 0));
}

TEST(ComparePaths, FlagsMakeEitherSideAbsolute) {
  std::string full = FullPath("some/relative.kml");
  EXPECT_EQ(0, ComparePaths("some/relative.kml", full.c_str(), kCompareAbsoluteA));
  EXPECT_EQ(0, ComparePaths(full.c_str(), "some\\relative.kml", kCompareAbsoluteB));
  EXPECT_EQ(0, ComparePaths("x/../some/relative.kml", "some/./relative.kml",
                            kCompareAbsoluteA | kCompareAbsoluteB));
  EXPECT_NE(0, ComparePaths("some/relative.kml", full.c_str(), 0));
}

// ---- Time conversion ---------------------------------------------------------

TEST(FileTime, ConvertsToSecondsSince1970) {
  const std::uint64_t epoch = 116444736000000000ULL;
  const std::uint64_t second = 10000000ULL;
  EXPECT_EQ(-1, FileTimeToUnixSeconds(0));
  EXPECT_EQ(0, FileTimeToUnixSeconds(1));
  EXPECT_EQ(0, FileTimeToUnixSeconds(epoch - 1));
  EXPECT_EQ(0, FileTimeToUnixSeconds(epoch));
  EXPECT_EQ(0, FileTimeToUnixSeconds(epoch + second - 1));
  EXPECT_EQ(1, FileTimeToUnixSeconds(epoch + second));
  // 2040-01-01 00:00 UTC lies beyond 32-bit seconds and still converts.
  EXPECT_EQ(2208988800LL, FileTimeToUnixSeconds(epoch + 2208988800ULL * second));
  EXPECT_EQ(910692730085LL, FileTimeToUnixSeconds(0x7FFFFFFFFFFFFFFFULL));
  EXPECT_EQ(-2, FileTimeToUnixSeconds(0x8000000000000000ULL));
  EXPECT_EQ(-2, FileTimeToUnixSeconds(~0ULL));
}

// ---- Name matching ------------------------------------------------------------

TEST(MatchFileName, StarAndQuestionMark) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*", "anything", true},          {"*", "", true},
      {"*.*", "noextension", true},     {"*.hgt", "N47E011.hgt", true},
      {"*.hgt", "N47E011.hgt.zip", false}, {"*.hgt*", "N47E011.hgt.zip", true},
      {"N??E011.hgt", "N47E011.hgt", true}, {"N??E011.hgt", "N4E011.hgt", false},
      {"?", "", false},                 {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},       {"**a", "bbba", true},
      {"exact", "exact", true},         {"exact", "Exact", false},
      {"", "", true},                   {"", "a", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.matches, MatchFileName(c.pattern, c.name)) << c.pattern << " / " << c.name;
  }
  EXPECT_FALSE(MatchFileName(nullptr, "a"));
  EXPECT_FALSE(MatchFileName("a", nullptr));
}

TEST(MatchFileName, ManyStarsStayFast) {
  std::string pattern(200, '*');
  pattern += "b";
  std::string name(5000, 'a');
  EXPECT_FALSE(MatchFileName(pattern.c_str(), name.c_str()));
}

// ---- Kinds and sizes ------------------------------------------------------------

using FileKindTest = TempFolder;

TEST_F(FileKindTest, FoldersFilesAndMissingPaths) {
  ASSERT_TRUE(WriteWholeFile(In("N47E011.hgt"), "12345"));
  EXPECT_EQ(kFileKindFolder, GetFileKind(dir_.c_str()));
  EXPECT_EQ(kFileKindFolder, GetFileKind((dir_ + "/").c_str()));
  EXPECT_EQ(kFileKindFile, GetFileKind(In("N47E011.hgt").c_str()));
  EXPECT_EQ(kFileKindFile, GetFileKind((dir_ + "\\N47E011.hgt").c_str()));
  EXPECT_EQ(kFileKindNone, GetFileKind(In("missing.hgt").c_str()));
  EXPECT_EQ(kFileKindNone, GetFileKind(In("missing/deeper").c_str()));
  EXPECT_EQ(kFileKindNone, GetFileKind(""));
  EXPECT_EQ(kFileKindNone, GetFileKind(nullptr));
}

using FileSizeTest = TempFolder;

TEST_F(FileSizeTest, SizeOfFilesButNotOfFolders) {
  ASSERT_TRUE(WriteWholeFile(In("five.bin"), "12345"));
  ASSERT_TRUE(WriteWholeFile(In("empty.bin"), ""));
  std::filesystem::create_directory(In("sub.bin"));
  EXPECT_EQ(5, GetFileSizeByName(In("five.bin").c_str()));
  EXPECT_EQ(0, GetFileSizeByName(In("empty.bin").c_str()));
  EXPECT_EQ(-1, GetFileSizeByName(In("sub.bin").c_str()));
  EXPECT_EQ(-1, GetFileSizeByName(dir_.c_str()));
  EXPECT_EQ(-1, GetFileSizeByName(In("missing.bin").c_str()));
  EXPECT_EQ(-1, GetFileSizeByName(""));
  EXPECT_EQ(-1, GetFileSizeByName(nullptr));
  EXPECT_EQ(5, GetFileSizeByName(In("f*.bin").c_str()));  // first match of a pattern
}

TEST_F(FileSizeTest, SizesAbove4GBDoNotWrap) {
  std::string big = In("big.hgt");
  ASSERT_TRUE(WriteWholeFile(big, ""));
  std::error_code error;
  const std::uintmax_t size = (5ULL << 30) + 7;  // sparse where the file system allows
  std::filesystem::resize_file(big, size, error);
  if (error) GTEST_SKIP() << "no room for a sparse 5 GB file: " << error.message();
  EXPECT_EQ(static_cast<std::int64_t>(size), GetFileSizeByName(big.c_str()));
  SearchRecord record;
  SearchHandle handle = SearchFirst(big.c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_EQ(static_cast<std::int64_t>(size), record.size);
  EXPECT_EQ(0, SearchClose(handle));
}

// ---- Directory search ---------------------------------------------------------

class SearchTest : public TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    ASSERT_TRUE(WriteWholeFile(In("N47E011.hgt"), "abc"));
    ASSERT_TRUE(WriteWholeFile(In("N48E011.hgt"), "abcdef"));
    ASSERT_TRUE(WriteWholeFile(In("route.kml"), "k"));
    std::filesystem::create_directory(In("sub"));
  }

  // Every name the search yields, "." and ".." left out.
  std::set<std::string> Names(const std::string& pattern) {
    std::set<std::string> names;
    SearchRecord record;
    SearchHandle handle = SearchFirst(pattern.c_str(), &record);
    if (handle == 0) return names;
    int result = kSearchOk;
    for (; result == kSearchOk; result = SearchNext(handle, &record)) {
      if (record.name != "." && record.name != "..") names.insert(record.name);
    }
    EXPECT_EQ(kSearchNoMoreFiles, result);
    EXPECT_EQ("", record.name);
    EXPECT_EQ(0, SearchClose(handle));
    return names;
  }
};

TEST_F(SearchTest, WildcardsSelectNamesInTheLastComponent) {
  using Set = std::set<std::string>;
  EXPECT_EQ((Set{"N47E011.hgt", "N48E011.hgt"}), Names(In("*.hgt")));
  EXPECT_EQ((Set{"N47E011.hgt", "N48E011.hgt", "route.kml", "sub"}), Names(In("*")));
  EXPECT_EQ((Set{"N47E011.hgt", "N48E011.hgt", "route.kml", "sub"}), Names(In("*.*")));
  EXPECT_EQ((Set{"N47E011.hgt", "N48E011.hgt"}), Names(In("N4?E011.hgt")));
  EXPECT_EQ((Set{"N48E011.hgt"}), Names(dir_ + "\\N48*.hgt"));
  EXPECT_EQ((Set{"route.kml"}), Names(In("route.kml")));
  EXPECT_EQ(Set{}, Names(In("*.zip")));
}

TEST_F(SearchTest, RecordDescribesTheEntry) {
  SearchRecord record;
  SearchHandle handle = SearchFirst(In("N48E011.hgt").c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_EQ("N48E011.hgt", record.name);
  EXPECT_EQ(6, record.size);
  EXPECT_TRUE(record.attributes & kSearchAttrPresent);
  EXPECT_TRUE(record.attributes & kSearchAttrWritable);
  EXPECT_FALSE(record.attributes & kSearchAttrDirectory);
  EXPECT_FALSE(record.attributes & kSearchAttrHidden);
  EXPECT_GT(record.lastWriteTime, 1600000000);  // written just now, after 2020
  EXPECT_GT(record.lastAccessTime, 1600000000);
  EXPECT_GT(record.creationTime, 1600000000);
  EXPECT_EQ(kSearchNoMoreFiles, SearchNext(handle, &record));
  EXPECT_EQ(0, SearchClose(handle));

  handle = SearchFirst(In("sub").c_str(), &record);
  ASSERT_NE(0, handle);
  EXPECT_TRUE(record.attributes & kSearchAttrDirectory);
  EXPECT_EQ(0, record.size);
  EXPECT_EQ(0, SearchClose(handle));
}

TEST_F(SearchTest, NothingFoundClearsTheRecord) {
  SearchRecord record;
  record.name = "stale";
  record.size = 99;
  EXPECT_EQ(0, SearchFirst(In("*.zip").c_str(), &record));
  EXPECT_EQ("", record.name);
  EXPECT_EQ(0, record.size);
  record.name = "stale";
  EXPECT_EQ(0, SearchFirst(In("missing/*").c_str(), &record));
  EXPECT_EQ("", record.name);
  EXPECT_EQ(0, SearchFirst("", &record));
  EXPECT_EQ(0, SearchFirst(nullptr, &record));
  EXPECT_EQ(0, SearchFirst((dir_ + "/").c_str(), &record));
}

TEST_F(SearchTest, InvalidHandlesAreRefused) {
  SearchRecord record;
  record.name = "stale";
  EXPECT_EQ(kSearchInvalidHandle, SearchNext(0, &record));
  EXPECT_EQ("", record.name);
  EXPECT_EQ(kSearchInvalidHandle, SearchNext(-1, &record));
  EXPECT_EQ(-1, SearchClose(0));
  EXPECT_EQ(-1, SearchClose(-1));
}

// ---- The program's own file -------------------------------------------------

TEST(ProgramFile, NamesThisTestProgram) {
  std::string program = GetProgramFile();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(kFileKindFile, GetFileKind(program.c_str()));
  EXPECT_NE(std::string::npos, std::string(FileNamePart(program.c_str())).find("file_path_test"));
  std::string folder = GetProgramFolder();
  EXPECT_EQ(program.substr(0, folder.size()), folder);
  EXPECT_TRUE(IsPathSeparator(folder.back()));
  EXPECT_EQ(std::string(FileNamePart(program.c_str())), program.substr(folder.size()));
}

TEST(ProgramFile, BufferFormGivesNothingRatherThanACutPath) {
  std::string program = GetProgramFile();
  char buffer[4096];
  int size = static_cast<int>(program.size());
  EXPECT_EQ(size, GetProgramFile(buffer, size + 1));
  EXPECT_EQ(program, buffer);
  std::strcpy(buffer, "stale");
  EXPECT_EQ(0, GetProgramFile(buffer, size));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(0, GetProgramFile(buffer, 0));
  EXPECT_EQ(0, GetProgramFile(nullptr, 10));
}

}  // namespace
