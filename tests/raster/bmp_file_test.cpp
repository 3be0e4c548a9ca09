// The BMP writer: exact file bytes for each writable format, the progress
// hook, and every failure as its own exception with its German text.
#include "raster/bmp_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "raster/graphics_errors.h"
#include "raster/raster_image.h"
#include "support/buffered_file.h"
#include "tests/common/test_paths.h"

namespace {

static_assert(std::is_base_of<EGraphicsException, EBmpFileOpenError>::value, "family");
static_assert(std::is_base_of<EGraphicsException, EBmpFileWriteError>::value, "family");
static_assert(std::is_base_of<EGraphicsException, EBmpNotSupported>::value, "family");
static_assert(std::is_base_of<EGraphicsException, EBmpDataError>::value, "family");
static_assert(!std::is_base_of<EGraphicsException, EGraphicsAbort>::value,
              "a user abort is not a failure");

int AppendTo(void* context, const void* data, int count) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), count);
  return count;
}

std::string WriteToMemory(CBmpFile& codec, const CRasterImage& image) {
  std::string bytes;
  codec.WriteTo(AppendTo, &bytes, image);
  return bytes;
}

std::string WriteToMemory(const CRasterImage& image) {
  CBmpFile codec;
  return WriteToMemory(codec, image);
}

// The 54 header bytes as a BMP reader expects them.
std::string Headers(std::uint32_t fileSize, std::uint32_t dataOffset, std::uint32_t width,
                    std::uint32_t height, int bits, std::int32_t xRes = 0, std::int32_t yRes = 0) {
  std::string h(54, '\0');
  auto put = [&](int offset, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) h[offset + i] = char((v >> (8 * i)) & 0xFF);
  };
  h[0] = 'B';
  h[1] = 'M';
  put(2, fileSize, 4);
  put(10, dataOffset, 4);
  put(14, 40, 4);
  put(18, width, 4);
  put(22, height, 4);
  put(26, 1, 2);
  put(28, std::uint32_t(bits), 2);
  put(38, std::uint32_t(xRes), 4);
  put(42, std::uint32_t(yRes), 4);
  return h;
}

// ---- File layout ----

TEST(BmpLayout, OnePixelTwentyFourBitFileIsFiftyEightBytes) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 1, 1, 0x123456));
  const std::string expected = Headers(58, 54, 1, 1, 24) + std::string("\x56\x34\x12\0", 4);
  EXPECT_EQ(expected, WriteToMemory(image));
}

TEST(BmpLayout, HeadersOfEveryWritableFormat) {
  struct Case { int bits; std::uint32_t width, height, fileSize, dataOffset; int fileBits; };
  const Case cases[] = {
      {1, 9, 3, 54 + 8 + 3 * 4, 62, 1},       {1, 32, 1, 54 + 8 + 4, 62, 1},
      {4, 3, 2, 54 + 64 + 2 * 4, 118, 4},     {4, 9, 1, 54 + 64 + 8, 118, 4},
      {8, 3, 2, 1086, 1078, 8},               {8, 4, 1, 1078 + 4, 1078, 8},
      {12, 3, 2, 54 + 2 * 12, 54, 24},        {15, 2, 2, 54 + 2 * 8, 54, 24},
      {16, 5, 1, 54 + 16, 54, 24},            {24, 4, 3, 54 + 3 * 12, 54, 24},
      {24, 1, 1, 58, 54, 24},                 {32, 7, 2, 54 + 2 * 24, 54, 24}};
  for (const Case& c : cases) {
    CRasterImage image;
    ASSERT_TRUE(image.Create(c.bits, c.width, c.height, 0));
    const std::string file = WriteToMemory(image);
    SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.width << " x " << c.height);
    EXPECT_EQ(c.fileSize, file.size());
    EXPECT_EQ(Headers(c.fileSize, c.dataOffset, c.width, c.height, c.fileBits), file.substr(0, 54));
  }
}

TEST(BmpLayout, PaletteFollowsTheHeaders) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 3, 2, 0));
  image.SetPaletteColor(7, 0xAABBCC);
  const std::string file = WriteToMemory(image);
  EXPECT_EQ(std::string("\xCC\xBB\xAA\0", 4), file.substr(54 + 4 * 7, 4));
  EXPECT_EQ(std::string("\xE0\xF0\xE0\0", 4), file.substr(54 + 4 * 255, 4));
  EXPECT_EQ(std::string(8, '\0'), file.substr(1078));

  ASSERT_TRUE(image.Create(1, 9, 1, 0));
  const std::string mono = WriteToMemory(image);
  EXPECT_EQ(std::string("\0\0\0\0\xFF\xFF\xFF\0", 8), mono.substr(54, 8));
}

TEST(BmpLayout, OneBitRowsOfNinePixelsTakeTwoBytesAndTwoPad) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(1, 9, 2, 0));
  image.FillRect(0, 0, 9, 1, 1);  // top row white
  image.FillRect(8, 1, 1, 1, 1);  // one pixel of the bottom row
  const std::string file = WriteToMemory(image);
  ASSERT_EQ(62u + 8, file.size());
  EXPECT_EQ(std::string("\x00\x80\0\0", 4), file.substr(62, 4));  // bottom row first
  EXPECT_EQ(std::string("\xFF\x80\0\0", 4), file.substr(66, 4));
}

TEST(BmpLayout, FirstRowInTheFileIsTheBottomRow) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 4, 3, 0));
  image.FillRect(0, 2, 4, 1, 0x0000FF);  // bottom row blue
  image.FillRect(0, 0, 4, 1, 0xFF0000);  // top row red
  const std::string file = WriteToMemory(image);
  ASSERT_EQ(54u + 36, file.size());
  EXPECT_EQ(std::string("\xFF\0\0", 3), file.substr(54, 3));
  EXPECT_EQ(std::string(12, '\0'), file.substr(66, 12));
  EXPECT_EQ(std::string("\0\0\xFF", 3), file.substr(78, 3));
}

TEST(BmpLayout, TrueColourFormatsBecomeTwentyFourBits) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(16, 2, 1, 0));
  image.FillRect(0, 0, 2, 1, 0xFFFFFF);
  std::string file = WriteToMemory(image);
  EXPECT_EQ(std::string("\xF8\xFC\xF8\xF8\xFC\xF8\0\0", 8), file.substr(54));

  ASSERT_TRUE(image.Create(32, 2, 1, 0x7F102030));
  file = WriteToMemory(image);
  EXPECT_EQ(std::string("\x30\x20\x10\x30\x20\x10\0\0", 8), file.substr(54));

  ASSERT_TRUE(image.Create(12, 3, 1, 0xFFEEDD));
  file = WriteToMemory(image);
  EXPECT_EQ(std::string("\xD0\xE0\xF0\xD0\xE0\xF0\xD0\xE0\xF0\0\0\0", 12), file.substr(54));

  ASSERT_TRUE(image.Create(15, 1, 1, 0x80FF0808));
  file = WriteToMemory(image);
  EXPECT_EQ(std::string("\x08\x08\xF8\0", 4), file.substr(54));
}

TEST(BmpLayout, ResolutionComesFromTheCodec) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 1, 1, 0));
  CBmpFile codec;
  EXPECT_EQ(0, codec.HorizontalResolution());
  codec.SetResolution(3780, -2);
  const std::string file = WriteToMemory(codec, image);
  EXPECT_EQ(Headers(58, 54, 1, 1, 24, 3780, -2), file.substr(0, 54));
}

// ---- Refusals ----

template <typename Exception>
std::string MessageOf(const CRasterImage& image) {
  try {
    WriteToMemory(image);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing thrown)";
}

TEST(BmpRefusals, ImagesWithoutPixelsOrOfTwoBits) {
  CRasterImage image;
  EXPECT_EQ("Falsche Bild-Daten !", MessageOf<EBmpDataError>(image));
  ASSERT_TRUE(image.Create(24, 0, 5, 0));
  EXPECT_EQ("Falsche Bild-Daten !", MessageOf<EBmpDataError>(image));
  ASSERT_TRUE(image.Create(24, 5, 0, 0));
  EXPECT_EQ("Falsche Bild-Daten !", MessageOf<EBmpDataError>(image));
  ASSERT_TRUE(image.Create(2, 5, 5, 0));
  EXPECT_EQ("Das Format der BMP-Datei wird nicht unterst\xFCtzt !",
            MessageOf<EBmpNotSupported>(image));
}

// A writer that takes the first `room` bytes and then fails, in one of the
// two ways a stream can fail.
struct ShortWriter {
  std::size_t room;
  bool failHard;  // -1 instead of a short count
  std::string bytes;

  static int Write(void* context, const void* data, int count) {
    auto* self = static_cast<ShortWriter*>(context);
    const std::size_t left = self->room - self->bytes.size();
    if (std::size_t(count) <= left) {
      self->bytes.append(static_cast<const char*>(data), count);
      return count;
    }
    if (self->failHard) return -1;
    self->bytes.append(static_cast<const char*>(data), left);
    return int(left);
  }
};

TEST(BmpRefusals, EveryShortWriteRaisesAWriteError) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 3, 2, 0));  // 14 + 40 + 1024 + 2 × (3 + 1)
  const std::size_t cuts[] = {0, 13, 14, 53, 54, 1077, 1078, 1080, 1081, 1085};
  for (std::size_t cut : cuts) {
    for (bool hard : {false, true}) {
      ShortWriter writer{cut, hard, ""};
      CBmpFile codec;
      try {
        codec.WriteTo(ShortWriter::Write, &writer, image);
        ADD_FAILURE() << "no error with room for " << cut << " bytes";
      } catch (const EBmpFileWriteError& e) {
        EXPECT_STREQ("Fehler beim Schreiben BMP-Datei !", e.Message());
      }
    }
  }
  ShortWriter roomy{1086, false, ""};
  CBmpFile codec;
  codec.WriteTo(ShortWriter::Write, &roomy, image);
  EXPECT_EQ(1086u, roomy.bytes.size());
}

// ---- Progress ----

struct ProgressLog {
  std::vector<int> percents;
  int stopAt = -1;  // call index that sets the stop flag
  CImageFile* file = nullptr;

  static void Report(CImageFile* file, void* context, int step, int steps, int percent,
                     unsigned char* stop) {
    auto* log = static_cast<ProgressLog*>(context);
    EXPECT_EQ(log->file, file);
    EXPECT_EQ(1, step);
    EXPECT_EQ(1, steps);
    EXPECT_EQ(0, *stop);
    if (int(log->percents.size()) == log->stopAt) *stop = 1;
    log->percents.push_back(percent);
  }
};

TEST(BmpProgress, ReportsZeroThenEachRowThenHundred) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 2, 3, 0));
  CBmpFile codec;
  ProgressLog log;
  log.file = &codec;
  codec.SetProgressHook(ProgressLog::Report, &log);
  WriteToMemory(codec, image);
  EXPECT_EQ((std::vector<int>{0, 0, 33, 66, 100}), log.percents);
}

TEST(BmpProgress, StopFlagAbortsAndIsNoGraphicsFailure) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 2, 3, 0));
  CBmpFile codec;
  ProgressLog log;
  log.file = &codec;
  log.stopAt = 2;
  codec.SetProgressHook(ProgressLog::Report, &log);
  std::string bytes;
  bool aborted = false;
  try {
    codec.WriteTo(AppendTo, &bytes, image);
  } catch (const EGraphicsException&) {
    ADD_FAILURE() << "a user abort caught as a failure";
  } catch (const EGraphicsAbort& e) {
    aborted = true;
    EXPECT_STREQ("Benutzer Abbruch", e.Message());
  }
  EXPECT_TRUE(aborted);
  EXPECT_EQ(54u + 8, bytes.size());  // the first row went out before the stop
}

TEST(BmpProgress, CodecKeepsAProgressText) {
  CBmpFile codec;
  EXPECT_EQ("", codec.ProgressText());
  codec.SetProgressText("Speichern \xE4");
  EXPECT_EQ("Speichern \xE4", codec.ProgressText());
  codec.SetProgressText(nullptr);
  EXPECT_EQ("", codec.ProgressText());
}

// ---- Saving to disk ----

struct TempFolder {
  std::string path = MakeTempDir();
  ~TempFolder() { RemoveTree(path); }
};

TEST(BmpSave, WritesTheSameBytesAsTheStream) {
  TempFolder folder;
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 300, 200, 0xFFFFFF));  // larger than the file buffer
  image.DrawLine(0, 0, 299, 199, 0x123456, CRasterImage::PlotSoftPixel);
  const std::string name = folder.path + "/chart.bmp";
  ASSERT_TRUE(WriteWholeFile(name, std::string(500000, 'x')));  // truncated by Save
  CBmpFile codec;
  codec.Save(name.c_str(), image);
  const std::string file = ReadWholeFile(name);
  EXPECT_EQ(54u + 900 * 200, file.size());
  EXPECT_EQ(WriteToMemory(image), file);

  CBufferedFile stream;
  const std::string streamed = folder.path + "/streamed.bmp";
  ASSERT_TRUE(stream.Open(streamed.c_str(), CBufferedFile::kModeCreate));
  codec.Write(stream, image);
  ASSERT_TRUE(stream.Close());
  EXPECT_EQ(file, ReadWholeFile(streamed));
}

TEST(BmpSave, MissingFolderRaisesOpenError) {
  TempFolder folder;
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 2, 2, 0));
  CBmpFile codec;
  const std::string name = folder.path + "/no such folder/chart.bmp";
  try {
    codec.Save(name.c_str(), image);
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const EBmpFileOpenError& e) {
    EXPECT_STREQ("Fehler beim \xD6" "ffnen der BMP-Datei !", e.Message());
  }
  EXPECT_THROW(codec.Save(nullptr, image), EBmpFileOpenError);
}

TEST(BmpSave, RefusedImageLeavesAnEmptyFile) {
  TempFolder folder;
  CRasterImage image;
  ASSERT_TRUE(image.Create(2, 4, 4, 0));
  CBmpFile codec;
  const std::string name = folder.path + "/two-bit.bmp";
  EXPECT_THROW(codec.Save(name.c_str(), image), EBmpNotSupported);
  CRasterImage empty;
  const std::string emptyName = folder.path + "/empty.bmp";
  EXPECT_THROW(codec.Save(emptyName.c_str(), empty), EBmpDataError);
  EXPECT_EQ("", ReadWholeFile(name));
  // The files exist, empty, and are closed again: they can be removed.
  EXPECT_EQ(0, std::remove(name.c_str()));
  EXPECT_EQ(0, std::remove(emptyName.c_str()));
}

TEST(BmpSave, AbortLeavesThePartialFileClosed) {
  TempFolder folder;
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 4, 4, 0));
  CBmpFile codec;
  ProgressLog log;
  log.file = &codec;
  log.stopAt = 3;
  codec.SetProgressHook(ProgressLog::Report, &log);
  const std::string name = folder.path + "/aborted.bmp";
  EXPECT_THROW(codec.Save(name.c_str(), image), EGraphicsAbort);
  EXPECT_EQ(54u + 2 * 12, ReadWholeFile(name).size());
}

}  // namespace
