// CZipFile against archives written by Debian's zip and Python's zipfile
// (tests/archive/data, made by tools/make_test_zips.py), the real zipped
// tiles, and archives built here byte by byte and then damaged on purpose.
// Every case runs twice, once from a file and once from memory, and both
// must agree.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"
#include "support/archive/zip_file.h"
#include "tests/common/test_paths.h"

namespace {

const std::uint32_t kTileBytes = 2884802;
const std::time_t kFixedEpoch = 1232022644;  // 2009-01-15 12:30:44 UTC

// ---- Contents of the generated archives (as in tools/make_test_zips.py) ----

std::string TextContent() {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "Line " + std::to_string(i) + " of the test text\n";
  return text;
}

std::string PatternContent() {
  std::string bytes(20000, '\0');
  for (long i = 0; i < 20000; ++i) bytes[i] = static_cast<char>((i * i * 31 + i / 7) % 256);
  return bytes;
}

std::string DataFile(const std::string& name) {
  return ReadWholeFile(SourcePath("tests/archive/data/" + name));
}

// ---- A minimal archive writer: stored entries, every field in reach --------

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
  Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

void Append16(std::string& bytes, std::uint16_t value) {
  bytes.append(2, '\0');
  Put16(bytes, bytes.size() - 2, value);
}

void Append32(std::string& bytes, std::uint32_t value) {
  bytes.append(4, '\0');
  Put32(bytes, bytes.size() - 4, value);
}

struct TestEntry {
  std::string name;
  std::string data;
  bool descriptor = false;  // sizes and CRC in a data descriptor
  std::string localName;    // as the local header spells it; "" = name
};

struct TestArchive {
  std::string bytes;
  std::vector<std::size_t> local;    // offsets of the local headers
  std::vector<std::size_t> central;  // offsets of the central headers
  std::size_t end = 0;               // offset of the end record
};

TestArchive BuildArchive(const std::vector<TestEntry>& entries, const std::string& comment = "") {
  TestArchive archive;
  std::string& out = archive.bytes;
  std::vector<std::uint32_t> crcs;
  for (const TestEntry& entry : entries) {
    std::uint32_t crc = Crc32Update(0, entry.data.data(), static_cast<std::int32_t>(entry.data.size()));
    std::uint32_t size = static_cast<std::uint32_t>(entry.data.size());
    const std::string& localName = entry.localName.empty() ? entry.name : entry.localName;
    crcs.push_back(crc);
    archive.local.push_back(out.size());
    Append32(out, 0x04034B50);
    Append16(out, 20);
    Append16(out, entry.descriptor ? 8 : 0);
    Append16(out, 0);  // stored
    Append32(out, 0x3A2F6473);
    Append32(out, entry.descriptor ? 0 : crc);
    Append32(out, entry.descriptor ? 0 : size);
    Append32(out, entry.descriptor ? 0 : size);
    Append16(out, static_cast<std::uint16_t>(localName.size()));
    Append16(out, 0);
    out += localName + entry.data;
    if (entry.descriptor) {
      Append32(out, 0x08074B50);
      Append32(out, crc);
      Append32(out, size);
      Append32(out, size);
    }
  }
  std::size_t directoryStart = out.size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint32_t size = static_cast<std::uint32_t>(entries[i].data.size());
    archive.central.push_back(out.size());
    Append32(out, 0x02014B50);
    Append16(out, 20);
    Append16(out, 20);
    Append16(out, entries[i].descriptor ? 8 : 0);
    Append16(out, 0);
    Append32(out, 0x3A2F6473);
    Append32(out, crcs[i]);
    Append32(out, size);
    Append32(out, size);
    Append16(out, static_cast<std::uint16_t>(entries[i].name.size()));
    Append16(out, 0);
    Append16(out, 0);
    Append16(out, 0);
    Append16(out, 0);
    Append32(out, 0);
    Append32(out, static_cast<std::uint32_t>(archive.local[i]));
    out += entries[i].name;
  }
  archive.end = out.size();
  Append32(out, 0x06054B50);
  Append16(out, 0);
  Append16(out, 0);
  Append16(out, static_cast<std::uint16_t>(entries.size()));
  Append16(out, static_cast<std::uint16_t>(entries.size()));
  Append32(out, static_cast<std::uint32_t>(archive.end - directoryStart));
  Append32(out, static_cast<std::uint32_t>(directoryStart));
  Append16(out, static_cast<std::uint16_t>(comment.size()));
  out += comment;
  return archive;
}

TestArchive TwoEntryArchive() {
  return BuildArchive({{"first.txt", "first entry's data", false, ""},
                       {"second.txt", "second entry's data", false, ""}});
}

// ---- Opening from a file and from memory -----------------------------------

class ZipFileTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }

  std::string WriteArchive(const std::string& bytes, const std::string& name = "test.zip") {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }

  // Opens bytes from a file into zip and checks that opening them from
  // memory gives the same result and entry count.
  int OpenBoth(CZipFile& zip, const std::string& bytes) {
    CZipFile fromMemory;
    int memoryResult = fromMemory.OpenMemory(bytes.data(), bytes.size(), "memory");
    int fileResult = zip.Open(WriteArchive(bytes).c_str(), CPackArchive::kModeRead, 9);
    EXPECT_EQ(fileResult, memoryResult);
    EXPECT_EQ(zip.GetCount(), fromMemory.GetCount());
    return fileResult;
  }

  int OpenBoth(const std::string& bytes) {
    CZipFile zip;
    return OpenBoth(zip, bytes);
  }

  // Extracts entry index into a block of capacity bytes from both the file
  // and the memory form; contents must agree. Returns the result code.
  int ExtractBoth(const std::string& bytes, int index, std::uint32_t capacity,
                  std::string* contents = nullptr) {
    CZipFile fromFile, fromMemory;
    EXPECT_EQ(0, fromFile.Open(WriteArchive(bytes).c_str(), CPackArchive::kModeRead, 9));
    EXPECT_EQ(0, fromMemory.OpenMemory(bytes.data(), bytes.size(), "memory"));
    std::string a(capacity, '\0'), b(capacity, '\0');
    int fileResult = fromFile.ExtractToMemory(index, &a[0], capacity);
    int memoryResult = fromMemory.ExtractToMemory(index, &b[0], capacity);
    EXPECT_EQ(fileResult, memoryResult);
    if (fileResult == 0) {
      EXPECT_EQ(a, b);
    }
    if (contents) *contents = a;
    return fileResult;
  }

  std::string folder_;
};

std::string Extract(CZipFile& zip, int index) {
  std::string contents(zip.GetFileSize(index, CPackArchive::kUncompressedSize), '\0');
  int result = zip.ExtractToMemory(index, &contents[0], static_cast<std::uint32_t>(contents.size()));
  EXPECT_EQ(0, result) << zip.GetErrorText();
  return contents;
}

// ---- Archives written by real tools ----------------------------------------

struct ToolArchive {
  const char* file;
  std::vector<std::string> names;
  std::vector<std::string> contents;
};

TEST_F(ZipFileTest, ArchivesFromZipAndZipfileExtractExactly) {
  const std::string text = TextContent(), pattern = PatternContent();
  const ToolArchive cases[] = {
      {"python_mixed.zip", {"readme.txt", "pattern.bin", "folder/", "H\xF6he \x80 ?.txt"},
       {text, pattern, "", "Umlaut\n"}},
      {"python_stream.zip", {"pattern.bin", "readme.txt"}, {pattern, text}},
      {"infozip_mixed.zip", {"readme.txt", "pattern.bin", "folder/"}, {text, pattern, ""}},
      {"infozip_pipe.zip", {"readme.txt", "pattern.bin"}, {text, pattern}},
      {"infozip_stdin.zip", {"-"}, {text}},
      {"infozip_sfx.zip", {"readme.txt"}, {text}},
  };
  for (const ToolArchive& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = DataFile(c.file);
    ASSERT_FALSE(bytes.empty());
    CZipFile zip;
    ASSERT_EQ(0, OpenBoth(zip, bytes)) << zip.GetErrorText();
    ASSERT_EQ(static_cast<int>(c.names.size()), zip.GetCount());
    for (int i = 0; i < zip.GetCount(); ++i) {
      EXPECT_EQ(c.names[i], zip.GetName(i));
      EXPECT_EQ(c.contents[i].size(), zip.GetFileSize(i, CPackArchive::kUncompressedSize));
      EXPECT_EQ(c.contents[i], Extract(zip, i));
    }
  }
}

TEST_F(ZipFileTest, CommentsDirectoriesAndSpansAreKept) {
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, DataFile("python_mixed.zip")));
  EXPECT_EQ("Tolmaric test archive", zip.GetComment());
  EXPECT_EQ("stored entry", zip.GetEntry(0)->comment);
  EXPECT_EQ(12u, zip.GetEntry(0)->commentLength);
  EXPECT_TRUE(zip.IsDirectory(2));
  EXPECT_FALSE(zip.IsDirectory(0));
  EXPECT_FALSE(zip.IsDirectory(99));
  // "Hoehe, euro sign, CJK ideograph": 17 UTF-8 bytes become 12 characters.
  EXPECT_EQ(12u, zip.GetEntry(3)->nameLength);
  EXPECT_EQ(3, zip.FindEntry("H\xD6HE \x80 ?.TXT"));
  EXPECT_EQ(-1, zip.FindEntry("readme.tx"));
  EXPECT_EQ(1, zip.FindEntry("PATTERN.BIN"));
  EXPECT_EQ(1985u, zip.GetFileSize(1, CPackArchive::kCompressedSize));
  EXPECT_EQ(0u, zip.GetFileSize(1, 2));
  EXPECT_EQ(0u, zip.GetFileSize(4, CPackArchive::kUncompressedSize));
  EXPECT_EQ(0u, zip.GetFileSize(-1, CPackArchive::kUncompressedSize));
  EXPECT_EQ(nullptr, zip.GetName(4));

  ASSERT_EQ(0, OpenBoth(zip, DataFile("python_stream.zip")));
  const ZipEntry* pattern = zip.GetEntry(0);
  EXPECT_EQ(30u + 11 + 1985 + 16, pattern->span);  // header, name, data, descriptor

  ASSERT_EQ(0, OpenBoth(zip, DataFile("infozip_mixed.zip")));
  EXPECT_EQ("made by zip", zip.GetComment());
  EXPECT_TRUE(zip.IsDirectory(2));
}

TEST_F(ZipFileTest, TimesComeFromTimestampFieldsOrTheDosClock) {
  CZipFile zip;
  // zip writes extended timestamps (UTC) in both headers.
  ASSERT_EQ(0, OpenBoth(zip, DataFile("infozip_mixed.zip")));
  EXPECT_EQ(kFixedEpoch, zip.GetEntryTime(0, CPackArchive::kModificationTime));
  EXPECT_EQ(kFixedEpoch, zip.GetEntryTime(0, CPackArchive::kAccessTime));
  EXPECT_EQ(-1, zip.GetEntryTime(0, CPackArchive::kCreationTime));
  EXPECT_EQ(-1, zip.GetEntryTime(5, CPackArchive::kModificationTime));

  // zipfile writes only the DOS clock, local time of the writer.
  ASSERT_EQ(0, OpenBoth(zip, DataFile("python_mixed.zip")));
  std::tm expected{};
  expected.tm_year = 109, expected.tm_mon = 0, expected.tm_mday = 15;
  expected.tm_hour = 12, expected.tm_min = 30, expected.tm_sec = 44, expected.tm_isdst = -1;
  EXPECT_EQ(std::mktime(&expected), zip.GetEntryTime(0, CPackArchive::kModificationTime));
  EXPECT_EQ(-1, zip.GetEntryTime(0, CPackArchive::kAccessTime));
}

// ---- The real tiles --------------------------------------------------------

// SHA-256 (FIPS 180-4), only to compare with examples/tiles/SOURCES.md.
std::string Sha256Hex(const std::string& message) {
  static const std::uint32_t k[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
      0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
      0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
      0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
      0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
      0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
      0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
      0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
      0xc67178f2};
  std::uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  auto rotr = [](std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
  std::string padded = message + '\x80';
  while (padded.size() % 64 != 56) padded += '\0';
  std::uint64_t bits = static_cast<std::uint64_t>(message.size()) * 8;
  for (int i = 7; i >= 0; --i) padded += static_cast<char>((bits >> (i * 8)) & 0xFF);
  for (std::size_t block = 0; block < padded.size(); block += 64) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(&padded[block + i * 4]);
      w[i] = (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    }
    for (int i = 16; i < 64; ++i) {
      std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int i = 0; i < 64; ++i) {
      std::uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
      std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      hh = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
  }
  char hex[65];
  for (int i = 0; i < 8; ++i) std::snprintf(hex + i * 8, 9, "%08x", h[i]);
  return hex;
}

TEST(ZipFileSha256, MatchesKnownDigest) {
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Sha256Hex("abc"));
}

TEST(ZipFileTiles, RealTilesExtractWithTheirPublishedChecksums) {
  const struct {
    const char* file;
    const char* entry;
    const char* sha256;
  } tiles[] = {
      {"N41E001.hgt.zip", "N41E001.hgt", "8d7c7e438d0314cc515e76a7b6ced2bf189ab363cd9ed9c3847edb2316966808"},
      {"N42E001.hgt.zip", "N42E001.hgt", "cba697d53fd118961001838efdc7acef2e0e4a40f1b102b2cc49ab27ef590189"},
      {"S29W072.hgt.zip", "S29W072.hgt", "310b1d0f075e748215fbffc2df6d2cf13cf00ee78086b16080856d6af6b18991"},
  };
  for (const auto& tile : tiles) {
    SCOPED_TRACE(tile.file);
    CZipFile zip;
    ASSERT_EQ(0, zip.Open(SourcePath(std::string("examples/tiles/") + tile.file).c_str(), 1, 9));
    ASSERT_EQ(1, zip.GetCount());
    EXPECT_STREQ(tile.entry, zip.GetName(0));
    ASSERT_EQ(kTileBytes, zip.GetFileSize(0, CPackArchive::kUncompressedSize));
    std::string tileBytes(kTileBytes, '\0');
    ASSERT_EQ(0, zip.ExtractToMemory(0, &tileBytes[0], kTileBytes)) << zip.GetErrorText();
    EXPECT_EQ(tile.sha256, Sha256Hex(tileBytes));
    // A second extraction with the same object gives the same bytes.
    std::string again(kTileBytes, '\0');
    ASSERT_EQ(0, zip.ExtractToMemory(0, &again[0], kTileBytes));
    EXPECT_TRUE(again == tileBytes);
    // One byte short: the decoder stops at the block's end.
    EXPECT_EQ(CPackArchive::kErrDecompress, zip.ExtractToMemory(0, &again[0], kTileBytes - 1));
  }
}

// ---- Finding the end record ------------------------------------------------

TEST_F(ZipFileTest, EndRecordIsFoundBehindLongTrailingData) {
  std::string bytes = DataFile("python_mixed.zip") + std::string(70000, 'x');
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, bytes));
  EXPECT_EQ(4, zip.GetCount());
  EXPECT_EQ(TextContent(), Extract(zip, 0));
}

TEST_F(ZipFileTest, EndSignatureAcrossEveryBlockBorderIsFound) {
  // Pad the only entry so that the end record's signature starts 0..4
  // bytes before a multiple of 4096, then behind it another block follows.
  for (std::size_t before = 0; before <= 4; ++before) {
    SCOPED_TRACE(before);
    TestArchive probe = BuildArchive({{"pad.bin", "", false, ""}});
    std::size_t padding = 2 * 4096 - before - probe.end;
    TestArchive archive = BuildArchive({{"pad.bin", std::string(padding, 'p'), false, ""}},
                                       std::string(4200, 'c'));
    ASSERT_EQ(2 * 4096 - before, archive.end);
    CZipFile zip;
    ASSERT_EQ(0, OpenBoth(zip, archive.bytes));
    EXPECT_EQ(1, zip.GetCount());
    EXPECT_EQ(4200u, zip.GetComment().size());
  }
}

TEST_F(ZipFileTest, EndRecordNearestTheEndWins) {
  TestArchive archive = TwoEntryArchive();
  std::string first = archive.bytes;
  // A second end record behind the first, describing the same directory.
  std::string second = first.substr(archive.end, 22);
  std::size_t secondAt = first.size();
  Put32(second, 12, static_cast<std::uint32_t>(secondAt - archive.central[0]));
  Put16(second, 20, 6);
  second += "second";
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, first + second));
  EXPECT_EQ("second", zip.GetComment());
  EXPECT_EQ(2, zip.GetCount());

  // The nearest record decides even when it is the damaged one.
  Put32(second, 12, static_cast<std::uint32_t>(secondAt + 1));
  EXPECT_EQ(CPackArchive::kErrFormat, OpenBoth(first + second));
}

TEST_F(ZipFileTest, EmptyFileIsAnEmptyArchive) {
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, ""));
  EXPECT_EQ(0, zip.GetCount());
  EXPECT_EQ(0u, zip.GetFileSize(0, CPackArchive::kUncompressedSize));
  char byte;
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.ExtractToMemory(0, &byte, 1));
}

TEST_F(ZipFileTest, FilesWithoutACompleteEndRecord) {
  const std::string endOnly = BuildArchive({}).bytes;  // 22 bytes, no entries
  EXPECT_EQ(0, OpenBoth(endOnly));
  EXPECT_EQ(CPackArchive::kErrFormat, OpenBoth("PK\x05"));
  EXPECT_EQ(CPackArchive::kErrFormat, OpenBoth(std::string(10000, 'z')));
  // A signature without the 18 bytes behind it cannot be read.
  EXPECT_EQ(CPackArchive::kErrRead, OpenBoth(endOnly.substr(0, 21)));
  EXPECT_EQ(CPackArchive::kErrRead, OpenBoth(std::string(5000, 'z') + "PK\x05\x06"));
}

TEST_F(ZipFileTest, CommentCutByTheEndOfTheFileKeepsWhatIsThere) {
  std::string bytes = BuildArchive({{"a.txt", "a", false, ""}}, "complete comment").bytes;
  bytes.resize(bytes.size() - 8);
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, bytes));
  EXPECT_EQ("complete", zip.GetComment());
  EXPECT_EQ("a", Extract(zip, 0));
}

// ---- Damaged directories and local headers ---------------------------------

struct Damage {
  const char* what;
  std::function<void(TestArchive&)> apply;
  int expected;        // result of Open
  int expectedCount;   // entries when Open succeeds
};

TEST_F(ZipFileTest, DamagedArchivesFailWithTheirCode) {
  const int kFormat = CPackArchive::kErrFormat, kMultiDisk = CPackArchive::kErrMultiDisk;
  const Damage cases[] = {
      {"sound", [](TestArchive&) {}, 0, 2},
      {"this disk 1", [](TestArchive& a) { Put16(a.bytes, a.end + 4, 1); }, kMultiDisk, 0},
      {"directory on disk 1", [](TestArchive& a) { Put16(a.bytes, a.end + 6, 1); }, kMultiDisk, 0},
      {"per-disk count differs", [](TestArchive& a) { Put16(a.bytes, a.end + 8, 1); }, kMultiDisk, 0},
      {"total count wrong but equal on both", [](TestArchive& a) {
         Put16(a.bytes, a.end + 8, 7);
         Put16(a.bytes, a.end + 10, 7);
       }, 0, 2},
      {"stored directory offset ignored", [](TestArchive& a) { Put32(a.bytes, a.end + 16, 0xFFFFFFFF); }, 0, 2},
      {"directory size beyond the file start",
       [](TestArchive& a) { Put32(a.bytes, a.end + 12, static_cast<std::uint32_t>(a.end + 1)); }, kFormat, 0},
      {"directory size 0: no records", [](TestArchive& a) { Put32(a.bytes, a.end + 12, 0); }, 0, 0},
      {"records stop early", [](TestArchive& a) { a.bytes[a.central[1]] = 'X'; }, 0, 1},
      {"name length 0", [](TestArchive& a) { Put16(a.bytes, a.central[0] + 28, 0); }, kFormat, 0},
      {"name past the end record", [](TestArchive& a) { Put16(a.bytes, a.central[1] + 28, 200); }, kFormat, 0},
      {"extra field past the end record", [](TestArchive& a) { Put16(a.bytes, a.central[1] + 30, 60000); }, kFormat, 0},
      {"comment past the end record", [](TestArchive& a) { Put16(a.bytes, a.central[0] + 32, 0xFFFF); }, kFormat, 0},
      {"local offset inside the directory",
       [](TestArchive& a) { Put32(a.bytes, a.central[1] + 42, static_cast<std::uint32_t>(a.central[0] - 30)); }, kFormat, 0},
      {"local offset far beyond the file", [](TestArchive& a) { Put32(a.bytes, a.central[0] + 42, 0xFFFFFFF0); }, kFormat, 0},
      {"local signature broken", [](TestArchive& a) { a.bytes[a.local[1] + 3] = 9; }, kFormat, 0},
      {"local name differs", [](TestArchive& a) { a.bytes[a.local[0] + 30] = 'g'; }, kFormat, 0},
      {"local name differs in case only", [](TestArchive& a) { a.bytes[a.local[0] + 30] = 'F'; }, 0, 2},
      {"local name longer", [](TestArchive& a) { Put16(a.bytes, a.local[0] + 26, 10); }, kFormat, 0},
      {"local name past the directory", [](TestArchive& a) { Put16(a.bytes, a.local[1] + 26, 0xFFFF); }, kFormat, 0},
      {"local extra past the directory", [](TestArchive& a) { Put16(a.bytes, a.local[1] + 28, 0xFFFF); }, kFormat, 0},
      {"local version differs", [](TestArchive& a) { Put16(a.bytes, a.local[1] + 4, 45); }, kFormat, 0},
      {"descriptor flag without a descriptor", [](TestArchive& a) { Put16(a.bytes, a.local[0] + 6, 8); }, kFormat, 0},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TestArchive archive = TwoEntryArchive();
    c.apply(archive);
    CZipFile zip;
    EXPECT_EQ(c.expected, OpenBoth(zip, archive.bytes));
    EXPECT_EQ(c.expectedCount, zip.GetCount());
    EXPECT_EQ(c.expected == 0 ? CPackArchive::kModeRead : CPackArchive::kModeClosed, zip.GetMode());
  }
}

TEST_F(ZipFileTest, DataDescriptorsMustCarryTheirSignature) {
  TestArchive archive = BuildArchive({{"a.txt", "described data", true, ""},
                                      {"b.txt", "plain", false, ""}});
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, archive.bytes));
  EXPECT_EQ(30u + 5 + 14 + 16, zip.GetEntry(0)->span);
  EXPECT_EQ(30u + 5 + 5, zip.GetEntry(1)->span);
  EXPECT_EQ("described data", Extract(zip, 0));

  // The local header's own compressed size, when given, places the descriptor.
  TestArchive sized = archive;
  Put32(sized.bytes, sized.local[0] + 18, 14);
  EXPECT_EQ(0, OpenBoth(sized.bytes));
  Put32(sized.bytes, sized.local[0] + 18, 13);
  EXPECT_EQ(CPackArchive::kErrFormat, OpenBoth(sized.bytes));

  archive.bytes[archive.local[0] + 30 + 5 + 14] = 'X';
  EXPECT_EQ(CPackArchive::kErrFormat, OpenBoth(archive.bytes));
}

TEST_F(ZipFileTest, NamesAreConvertedToCodePage1252) {
  TestArchive archive = BuildArchive({
      {"\x84\x94\x81\xE1.txt", "dos", false, ""},          // code page 437: a, o, u umlauts, sharp s
      {"box\xB3", "box", false, ""},                       // no such character
      {"a\xC3\xA4" "b\xFF", "mixed", false, ""},           // UTF-8 with a stray byte
      {"\xC3\xA4.txt", "two spellings", false, "\x84.txt"},  // UTF-8 centrally, DOS locally
      {"\xE2\x82\xAC\xC4\x80\xC4\xAF", "wide", false, ""},  // euro, U+0100, U+012F: no NULs, no separators
      {"\xC0\x80 \xED\xA0\x80", "overlong", false, ""},    // not well-formed: DOS code page
  });
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, archive.bytes)) << zip.GetErrorText();
  EXPECT_STREQ("\xE4\xF6\xFC\xDF.txt", zip.GetName(0));
  EXPECT_STREQ("box?", zip.GetName(1));
  EXPECT_STREQ("a\xE4" "b\xFF", zip.GetName(2));
  EXPECT_STREQ("\xE4.txt", zip.GetName(3));
  EXPECT_EQ(5u, zip.GetEntry(3)->nameLength);  // six bytes stored
  EXPECT_EQ(5u, zip.GetEntry(3)->localNameLength);
  EXPECT_STREQ("\x80??", zip.GetName(4));
  EXPECT_STREQ("?\xC7 ?\xE1\xC7", zip.GetName(5));
  EXPECT_EQ(3, zip.FindEntry("\xC4.TXT"));
  EXPECT_EQ("two spellings", Extract(zip, 3));
}

// ---- Extraction ------------------------------------------------------------

TEST_F(ZipFileTest, ExtractionFailuresHaveTheirCodes) {
  TestArchive archive = TwoEntryArchive();
  std::string data;
  EXPECT_EQ(0, ExtractBoth(archive.bytes, 1, 19, &data));
  EXPECT_EQ("second entry's data", data);
  // Method 12 is unknown.
  TestArchive bzip = archive;
  Put16(bzip.bytes, bzip.central[1] + 10, 12);
  EXPECT_EQ(CPackArchive::kErrDecompress, ExtractBoth(bzip.bytes, 1, 19));
  // One changed byte of stored data.
  TestArchive changed = archive;
  changed.bytes[changed.local[1] + 30 + 10 + 3] ^= 1;
  EXPECT_EQ(CPackArchive::kErrCrc, ExtractBoth(changed.bytes, 1, 19));
  // A block one byte too small.
  EXPECT_EQ(CPackArchive::kErrDecompress, ExtractBoth(archive.bytes, 1, 18));
  // A larger block is fine: the size is the caller's business.
  EXPECT_EQ(0, ExtractBoth(archive.bytes, 1, 100));
  // A compressed size of almost 4 GB reads on to the end of the archive.
  TestArchive huge = archive;
  Put32(huge.bytes, huge.central[1] + 20, 0xFFFFFFF0);
  EXPECT_EQ(CPackArchive::kErrDecompress, ExtractBoth(huge.bytes, 1, 19));
  std::string tail;
  std::uint32_t rest = static_cast<std::uint32_t>(huge.bytes.size() - (huge.local[1] + 40));
  EXPECT_EQ(CPackArchive::kErrCrc, ExtractBoth(huge.bytes, 1, rest, &tail));
  EXPECT_EQ(huge.bytes.substr(huge.local[1] + 40), tail);
}

TEST_F(ZipFileTest, ManyEntriesAreAllListed) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 700; ++i) entries.push_back({"entry" + std::to_string(i), std::to_string(i * i), false, ""});
  TestArchive archive = BuildArchive(entries);
  CZipFile zip;
  ASSERT_EQ(0, OpenBoth(zip, archive.bytes));
  ASSERT_EQ(700, zip.GetCount());
  EXPECT_EQ(513, zip.FindEntry("ENTRY513"));
  EXPECT_EQ(std::to_string(699 * 699), Extract(zip, 699));
}

TEST_F(ZipFileTest, DeflatedDataCutShortEndsEarly) {
  std::string bytes = DataFile("python_mixed.zip");
  CZipFile probe;
  ASSERT_EQ(0, probe.OpenMemory(bytes.data(), bytes.size(), "probe"));
  const ZipEntry* pattern = probe.GetEntry(1);
  ASSERT_EQ(8u, pattern->method);
  // Claim half the compressed size in the central directory.
  std::size_t central = bytes.find(std::string("PK\x01\x02", 4));
  central = bytes.find(std::string("PK\x01\x02", 4), central + 1);
  Put32(bytes, central + 20, pattern->compressedSize / 2);
  EXPECT_EQ(CPackArchive::kErrEndOfFile, ExtractBoth(bytes, 1, 20000));
}

TEST_F(ZipFileTest, ExtractionNeedsAnOpenArchiveAndAValidIndex) {
  CZipFile zip;
  char block[64];
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.ExtractToMemory(0, block, sizeof block));
  TestArchive archive = TwoEntryArchive();
  ASSERT_EQ(0, OpenBoth(zip, archive.bytes));
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.ExtractToMemory(2, block, sizeof block));
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.ExtractToMemory(-1, block, sizeof block));
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.ExtractToMemory(0, nullptr, 10));
  EXPECT_EQ(0, zip.ExtractToMemory(0, block, sizeof block));
  EXPECT_EQ(0, zip.GetLastError());
  EXPECT_EQ(0, zip.Close());
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.ExtractToMemory(0, block, sizeof block));
  EXPECT_EQ(CPackArchive::kErrIndexOrMode, zip.Close());
}

// ---- Opening: paths and modes ----------------------------------------------

TEST_F(ZipFileTest, PathsAndModesThatCannotBeRead) {
  CZipFile zip;
  EXPECT_EQ(CPackArchive::kErrNotFound, zip.Open((folder_ + "/missing.zip").c_str(), 1, 9));
  EXPECT_EQ(CPackArchive::kErrOpen, zip.Open(folder_.c_str(), 1, 9));
  EXPECT_EQ(CPackArchive::kErrPathName, zip.Open(nullptr, 1, 9));
  EXPECT_EQ(CPackArchive::kErrPathName, zip.Open("", 1, 9));
  EXPECT_EQ(CPackArchive::kErrNotSupported, zip.Open("res:\\\\DATA\\TILES", 1, 9));
  std::string path = WriteArchive(TwoEntryArchive().bytes);
  EXPECT_EQ(CPackArchive::kErrOpen, zip.Open(path.c_str(), 0, 9));
  EXPECT_EQ(CPackArchive::kErrOpen, zip.Open(path.c_str(), 4, 9));
  EXPECT_EQ(CPackArchive::kErrNotSupported, zip.Open(path.c_str(), 2, 9));
  EXPECT_EQ(CPackArchive::kErrNotSupported, zip.Open(path.c_str(), 3, 9));
  EXPECT_EQ(CPackArchive::kModeClosed, zip.GetMode());
  // Option bits beside the mode do not stop reading.
  EXPECT_EQ(0, zip.Open(path.c_str(), 0x401, 12));
  EXPECT_EQ(2, zip.GetCount());
  // A failed Open forgets the archive opened before.
  EXPECT_EQ(CPackArchive::kErrNotFound, zip.Open((folder_ + "/missing.zip").c_str(), 1, 9));
  EXPECT_EQ(0, zip.GetCount());
  EXPECT_EQ(CPackArchive::kModeClosed, zip.GetMode());
}

TEST_F(ZipFileTest, PrependedDataNeedsAdjustedOffsets) {
  // zip -A adjusts the offsets of a self-extractor (infozip_sfx.zip opens, see
  // above); offsets left as they were point at the stub and are refused.
  std::string bytes = std::string(1000, 's') + TwoEntryArchive().bytes;
  EXPECT_EQ(CPackArchive::kErrFormat, OpenBoth(bytes));
}

// ---- Error texts -----------------------------------------------------------

class ExposedZipFile : public CZipFile {
 public:
  void ForceError(int code, const std::string& archive, const std::string& entry) {
    SetLastError(code);
    archiveName_ = archive;
    entryName_ = entry;
  }
};

TEST(ZipFileErrorTexts, TextsAreComposedFromArchiveCodeAndEntry) {
  ExposedZipFile zip;
  zip.ForceError(0, "C:\\t\\a.zip", "e.hgt");
  EXPECT_STREQ("\nEs ist kein Fehler aufgetreten.", zip.GetErrorText());
  zip.ForceError(23, "C:\\t\\a.zip", "e.hgt");
  EXPECT_STREQ("\nBenutzer Abbruch.", zip.GetErrorText());
  zip.ForceError(-1, "", "");
  EXPECT_STREQ("\n< keine Datei ge\xF6" "ffnet >\nFalscher Index oder Modus !", zip.GetErrorText());
  zip.ForceError(3, "C:\\t\\a.zip", "e.hgt");
  EXPECT_STREQ("\nBei Datei : C:\\t\\a.zip\nhat ein ung\xFCltiges Format ", zip.GetErrorText());
  zip.ForceError(21, "C:\\t\\a.zip", "e.hgt");
  EXPECT_STREQ("\nBei Datei : C:\\t\\a.zip\nCRC32 Fehler bei Datei :e.hgt", zip.GetErrorText());
  zip.ForceError(22, "a.zip", "e.hgt");
  EXPECT_STREQ("\nBei Datei : a.zip\nFehler beim Endkomprimieren von :e.hgt", zip.GetErrorText());
  zip.ForceError(99, "a.zip", "e.hgt");
  EXPECT_STREQ("\nBei Datei : a.zip\nUnbekannter Fehler" "e.hgt", zip.GetErrorText());
  zip.ForceError(12, std::string(600, 'p'), "e.hgt");
  std::string cut = zip.GetErrorText();
  EXPECT_EQ(515u, cut.size());
  EXPECT_EQ("\nBei Datei : ppp", cut.substr(0, 16));
  zip.ForceError(28, std::string(470, 'p'), "entry.hgt");
  std::string whole = "\nBei Datei : " + std::string(470, 'p') + "\nDie Datei wurde \xFC" "bersprungen: entry.hgt";
  EXPECT_EQ(whole.substr(0, 515), zip.GetErrorText());
}

TEST(ZipFileErrorTexts, EveryCodeHasItsOwnText) {
  const struct {
    int code;
    const char* text;
  } texts[] = {
      {2, "\nvorzeitiges Dateiende erreicht !"},
      {5, "\nSchwerer interner Fehler !"},
      {11, "\nFehler beim Lesen der Datei !"},
      {12, "\nDatei wurde nicht gefunden !"},
      {14, "\nFehler beim Schreiben in Datei !"},
      {15, "\nFehler beim Erzeugen der Datei !"},
      {18, "\nFehler beim \xD6" "ffnen der Datei !"},
      {19, "\nFehler sie geht \xFC" "ber mehrere Disketten !"},
      {20, "\nFalsche pPathName-Angabe !"},
      {24, "\nFehler beim \xD6" "ffnen der Datei: "},
      {25, "\nFehler beim Erzeugen der Datei: "},
      {26, "\nFehler beim Schreiben in Datei: "},
      {27, "\nFehler beim Lesen der Datei: "},
      {28, "\nDie Datei wurde \xFC" "bersprungen: "},
      {29, "\nDie Funktion wird nicht unterst\xFCtzt :"},
      {30, "\nDiese Version wird nicht unterst\xFCtzt :"},
      {31, "\nFehler beim Komprimieren :"},
      {32, "\nFalsches Passwort : "},
      {33, "\nDar Archiv ist nicht ge\xF6" "ffnet !"},
      {34, "\nIn diesem Modus ist die Funktion nicht m\xF6glich !"},
      {35, "\nDie Datei ist bereits vorhanden: "},
      {36, "\nDie Datei ist \xE4lter als die vorhandene: "},
      {-7, "\nUnbekannter Fehler"},
  };
  for (const auto& t : texts) EXPECT_STREQ(t.text, CPackArchive::GetCodeText(t.code)) << t.code;
}

TEST_F(ZipFileTest, ErrorTextsNameTheArchiveAndTheEntry) {
  CZipFile zip;
  std::string missing = folder_ + "/missing.zip";
  ASSERT_EQ(CPackArchive::kErrNotFound, zip.Open(missing.c_str(), 1, 9));
  std::string text = zip.GetErrorText();
  EXPECT_EQ(0u, text.find("\nBei Datei : "));
  EXPECT_NE(std::string::npos, text.find("missing.zip\nDatei wurde nicht gefunden !"));

  TestArchive archive = TwoEntryArchive();
  archive.bytes[archive.local[1] + 40] ^= 1;
  ASSERT_EQ(0, zip.OpenMemory(archive.bytes.data(), archive.bytes.size(), "tiles.zip"));
  char block[64];
  ASSERT_EQ(CPackArchive::kErrCrc, zip.ExtractToMemory(1, block, sizeof block));
  EXPECT_STREQ("\nBei Datei : tiles.zip\nCRC32 Fehler bei Datei :second.txt", zip.GetErrorText());
}

}  // namespace
