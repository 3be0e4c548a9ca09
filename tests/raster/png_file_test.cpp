// The PNG writer: the file's exact frame, pixels read back through our own
// inflate and a reader's unfiltering, the filter each kind of row gets,
// and every failure as its own exception.
#include "raster/png_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "raster/graphics_errors.h"
#include "raster/raster_image.h"
#include "support/archive/deflate_codec.h"
#include "tests/common/test_paths.h"

namespace {

static_assert(std::is_base_of<EGraphicsException, EPngFileOpenError>::value, "family");
static_assert(std::is_base_of<EGraphicsException, EPngFileWriteError>::value, "family");
static_assert(std::is_base_of<EGraphicsException, EPngDataError>::value, "family");

int AppendTo(void* context, const void* data, int count) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), std::size_t(count));
  return count;
}

std::string WriteToMemory(const CRasterImage& image, CPngFile codec = CPngFile()) {
  std::string bytes;
  codec.WriteTo(AppendTo, &bytes, image);
  return bytes;
}

std::uint32_t Be32(const std::string& s, std::size_t at) {
  return std::uint32_t(std::uint8_t(s[at])) << 24 | std::uint8_t(s[at + 1]) << 16 | std::uint8_t(s[at + 2]) << 8 |
         std::uint8_t(s[at + 3]);
}

// What a reader makes of a file: the chunks (each CRC checked), and the
// rows with their filter types, unfiltered.
struct ReadBack {
  std::vector<std::string> chunkTypes;
  std::uint32_t width = 0, height = 0;
  std::vector<int> filters;
  std::vector<std::vector<std::uint8_t>> rows;  // RGB, top row first
};

int Predict(int filter, int left, int above, int aboveLeft) {
  switch (filter) {
    case 0: return 0;
    case 1: return left;
    case 2: return above;
    case 3: return (left + above) / 2;
  }
  const int estimate = left + above - aboveLeft;
  const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above);
  const int toAboveLeft = std::abs(estimate - aboveLeft);
  return toLeft <= toAbove && toLeft <= toAboveLeft ? left : toAbove <= toAboveLeft ? above : aboveLeft;
}

ReadBack Read(const std::string& png) {
  ReadBack result;
  EXPECT_EQ(std::string("\x89PNG\r\n\x1A\n", 8), png.substr(0, 8));
  std::string stream;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = Be32(png, at);
    const std::string type = png.substr(at + 4, 4);
    const std::uint32_t crc = Crc32Update(0, png.data() + at + 4, std::int32_t(4 + length));
    EXPECT_EQ(crc, Be32(png, at + 8 + length)) << type;
    result.chunkTypes.push_back(type);
    if (type == "IHDR") {
      result.width = Be32(png, at + 8);
      result.height = Be32(png, at + 12);
      EXPECT_EQ(std::string("\x08\x02\x00\x00\x00", 5), png.substr(at + 16, 5)) << "8-bit RGB";
    }
    if (type == "IDAT") stream += png.substr(at + 8, length);
    at += 12 + length;
  }
  const std::size_t rowBytes = 3 * std::size_t(result.width);
  std::string raw(result.height * (rowBytes + 1), '\0');
  CDeflateCodec codec;
  codec.SetSourceMemory(std::uint32_t(stream.size() - 6), stream.data() + 2, CDeflateCodec::NoCrc);
  codec.SetSinkMemory(std::uint32_t(raw.size()), &raw[0], CDeflateCodec::NoCrc);
  EXPECT_EQ(raw.size(), codec.Decode(CDeflateCodec::kMethodDeflate));
  std::vector<std::uint8_t> above(rowBytes, 0);
  for (std::uint32_t y = 0; y < result.height; ++y) {
    const char* line = raw.data() + y * (rowBytes + 1);
    result.filters.push_back(line[0]);
    std::vector<std::uint8_t> row(rowBytes);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int left = i >= 3 ? row[i - 3] : 0, aboveLeft = i >= 3 ? above[i - 3] : 0;
      row[i] = std::uint8_t(line[1 + i] + Predict(line[0], left, above[i], aboveLeft));
    }
    result.rows.push_back(row);
    above = row;
  }
  return result;
}

std::uint32_t RgbAt(const ReadBack& back, int x, int y) {
  const std::uint8_t* p = &back.rows[std::size_t(y)][3 * std::size_t(x)];
  return std::uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
}

// ---- The file ----

TEST(PngLayout, OnePixelFileFrameIsExact) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 1, 1, 0x123456));
  const std::string png = WriteToMemory(image);
  // Signature, IHDR (checked against its published CRC), IDAT, IEND.
  EXPECT_EQ(std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0\x90\x77\x53\xDE", 33),
            png.substr(0, 33));
  EXPECT_EQ(std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12), png.substr(png.size() - 12));
  const ReadBack back = Read(png);
  EXPECT_EQ((std::vector<std::string>{"IHDR", "IDAT", "IEND"}), back.chunkTypes);
  EXPECT_EQ(0x123456u, RgbAt(back, 0, 0));
}

TEST(PngLayout, ResolutionGoesIntoPhysAndBigPicturesIntoSeveralIdatChunks) {
  CRasterImage image;
  // Noise beyond the compressor's 1 MiB of input, so that output comes early.
  ASSERT_TRUE(image.Create(24, 700, 700, 0));
  std::mt19937 random(1);
  for (int y = 0; y < 700; ++y)
    for (int x = 0; x < 700; ++x) image.FillRect(x, y, 1, 1, random() & 0xFFFFFF);
  CPngFile codec;
  codec.SetResolution(3780, 3780);
  const std::string png = WriteToMemory(image, codec);
  const ReadBack back = Read(png);
  ASSERT_GE(back.chunkTypes.size(), 5u);
  EXPECT_EQ("pHYs", back.chunkTypes[1]);
  EXPECT_EQ(std::string("\0\0\0\x09pHYs\0\0\x0E\xC4\0\0\x0E\xC4\x01", 17), png.substr(33, 17));
  for (std::size_t i = 2; i + 1 < back.chunkTypes.size(); ++i) EXPECT_EQ("IDAT", back.chunkTypes[i]);
  for (int y = 0; y < 700; y += 7)
    for (int x = 0; x < 700; x += 3) ASSERT_EQ(image.GetPixel(x, y), RgbAt(back, x, y)) << x << "," << y;
  // Without a resolution there is no pHYs.
  EXPECT_EQ("IDAT", Read(WriteToMemory(image)).chunkTypes[1]);
}

// ---- Pixels ----

TEST(PngPixels, EveryFormatComesBackAsItsColours) {
  const int formats[] = {1, 2, 4, 8, 12, 15, 16, 24, 32};
  for (int bits : formats) {
    CRasterImage image;
    ASSERT_TRUE(image.Create(bits, 37, 11, 0));
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 37; ++x) {
        const std::uint32_t colour = image.IsTrueColor() ? std::uint32_t(x * 0x070503 + y * 0x0B0D11) & 0xFFFFFF
                                                         : std::uint32_t(x + 3 * y) % image.PaletteSize();
        image.FillRect(x, y, 1, 1, colour);
      }
    const ReadBack back = Read(WriteToMemory(image));
    ASSERT_EQ(37u, back.width);
    ASSERT_EQ(11u, back.height);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 37; ++x) {
        std::uint32_t expected = image.GetPixel(x, y);
        if (!image.IsTrueColor()) {
          std::uint8_t red, green, blue;
          image.GetPaletteEntry(int(expected), red, green, blue);
          expected = std::uint32_t(red) << 16 | green << 8 | blue;
        }
        ASSERT_EQ(expected, RgbAt(back, x, y)) << bits << " bits at " << x << "," << y;
      }
  }
}

// Each row gets the filter with the smallest sum of signed magnitudes:
// a grey row of 8 pixels below another one.
TEST(PngFilters, EachKindOfRowGetsItsFilter) {
  struct Case {
    const char* name;
    int above[8];
    int row[8];
    int filter;
  };
  const Case cases[] = {
      {"small alternating values: none", {0, 0, 0, 0, 0, 0, 0, 0}, {1, 9, 1, 9, 1, 9, 1, 9}, 0},
      {"ramp: sub", {0, 0, 0, 0, 0, 0, 0, 0}, {0, 10, 20, 30, 40, 50, 60, 70}, 1},
      {"repeated row: up before paeth", {1, 9, 1, 9, 1, 9, 1, 9}, {1, 9, 1, 9, 1, 9, 1, 9}, 2},
      {"halfway to the row above: average", {200, 200, 200, 200, 200, 200, 200, 200},
       {100, 150, 175, 187, 193, 196, 198, 199}, 3},
      {"vertical, then horizontal: paeth", {0, 40, 80, 120, 160, 200, 240, 250}, {0, 40, 80, 120, 30, 30, 30, 30}, 4},
  };
  for (const Case& c : cases) {
    CRasterImage image;
    ASSERT_TRUE(image.Create(24, 8, 2, 0));
    for (int x = 0; x < 8; ++x) {
      image.FillRect(x, 0, 1, 1, std::uint32_t(c.above[x]) * 0x010101);
      image.FillRect(x, 1, 1, 1, std::uint32_t(c.row[x]) * 0x010101);
    }
    const ReadBack back = Read(WriteToMemory(image));
    ASSERT_EQ(2u, back.filters.size());
    EXPECT_EQ(c.filter, back.filters[1]) << c.name;
    for (int x = 0; x < 8; ++x) EXPECT_EQ(std::uint32_t(c.row[x]) * 0x010101, RgbAt(back, x, 1)) << c.name;
  }
}

// ---- Failures ----

struct FailingWriter {
  int callsLeft;
};
int FailAfter(void* context, const void*, int count) {
  FailingWriter& writer = *static_cast<FailingWriter*>(context);
  return writer.callsLeft-- > 0 ? count : count - 1;
}

TEST(PngFailures, EachFailureIsItsOwnException) {
  CRasterImage empty;
  try {
    WriteToMemory(empty);
    FAIL() << "an image without pixels was written";
  } catch (const EPngDataError& e) {
    EXPECT_STREQ("Falsche Bild-Daten !", e.Message());
  }

  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 5, 4, 0x808080));
  const std::string whole = WriteToMemory(image);
  FailingWriter counter{1 << 30};
  CPngFile().WriteTo(FailAfter, &counter, image);
  const int calls = (1 << 30) - counter.callsLeft;
  EXPECT_EQ(1 + 3 + 3 + 2, calls) << "the signature, IHDR and IDAT in three pieces, IEND in two";
  for (int failing = 0; failing < calls; ++failing) {
    FailingWriter writer{failing};
    try {
      CPngFile().WriteTo(FailAfter, &writer, image);
      FAIL() << "short write " << failing << " went unnoticed";
    } catch (const EPngFileWriteError& e) {
      EXPECT_STREQ("Fehler beim Schreiben PNG-Datei !", e.Message());
    }
  }

  const std::string folder = MakeTempDir();
  const std::string missing = folder + "/no such folder/chart.png";
  try {
    CPngFile().Save(missing.c_str(), image);
    FAIL() << "saved into a missing folder";
  } catch (const EPngFileOpenError& e) {
    EXPECT_STREQ("Fehler beim \xD6""ffnen der PNG-Datei !", e.Message());
  }
  const std::string path = folder + "/chart.png";
  CPngFile().Save(path.c_str(), image);
  EXPECT_EQ(whole, ReadWholeFile(path));
  RemoveTree(folder);
}

struct ProgressLog {
  std::vector<int> percents;
  int stopAt;
};
void Record(CImageFile*, void* context, int, int, int percent, unsigned char* stop) {
  ProgressLog& log = *static_cast<ProgressLog*>(context);
  log.percents.push_back(percent);
  if (percent == log.stopAt) *stop = 1;
}

TEST(PngFailures, ProgressRunsOverTheRowsAndCanStopTheWrite) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 3, 4, 0));
  CPngFile codec;
  ProgressLog log{{}, -1};
  codec.SetProgressHook(Record, &log);
  std::string bytes;
  codec.WriteTo(AppendTo, &bytes, image);
  EXPECT_EQ((std::vector<int>{0, 0, 25, 50, 75, 100}), log.percents);
  log = {{}, 50};
  bytes.clear();
  EXPECT_THROW(codec.WriteTo(AppendTo, &bytes, image), EGraphicsAbort);
  EXPECT_EQ((std::vector<int>{0, 0, 25, 50}), log.percents);
}

}  // namespace
