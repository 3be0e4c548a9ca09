// The raster image: what the chart and the BMP writer rely on, pixel for
// pixel, in every format and at the edges of the picture.
#include "raster/raster_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "raster/builtin_font.h"

namespace {

const int kAllFormats[] = {1, 2, 4, 8, 12, 15, 16, 24, 32};
const std::uint32_t kWhite = 0xFFFFFF;

std::uint32_t InfoField32(const CRasterImage& image, int offset) {
  const std::uint8_t* p = image.BitmapInfo() + offset;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}
std::uint32_t InfoField16(const CRasterImage& image, int offset) {
  const std::uint8_t* p = image.BitmapInfo() + offset;
  return p[0] | (p[1] << 8);
}

// Every pixel of the image as a list of (x, y) that differ from background.
std::vector<std::pair<int, int>> PixelsNot(const CRasterImage& image, std::uint32_t background) {
  std::vector<std::pair<int, int>> found;
  for (int y = 0; y < int(image.Height()); ++y)
    for (int x = 0; x < int(image.Width()); ++x)
      if (image.GetPixel(x, y) != background) found.emplace_back(x, y);
  return found;
}

typedef std::vector<std::pair<int, int>> Points;

// ---- Create ----

TEST(RasterCreate, AcceptsSizesUpToTheLimitAndOnlyTheNineFormats) {
  CRasterImage image;
  EXPECT_FALSE(image.Create(24, 32769, 10, 0));
  EXPECT_FALSE(image.Create(24, 10, 32769, 0));
  EXPECT_TRUE(image.Create(24, 32768, 1, 0));
  EXPECT_TRUE(image.Create(8, 0, 0, 0));
  for (int bits : {0, 3, 5, 7, 9, 17, 31, 33, 64, -24}) EXPECT_FALSE(image.Create(bits, 4, 4, 0)) << bits;
  for (int bits : kAllFormats) EXPECT_TRUE(image.Create(bits, 4, 4, 0)) << bits;
}

TEST(RasterCreate, FailedCreateLeavesAHarmlessEmptyImage) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 8, 8, kWhite));
  EXPECT_FALSE(image.Create(3, 8, 8, 0));
  EXPECT_EQ(0u, image.Width());
  EXPECT_EQ(0u, image.Height());
  EXPECT_EQ(0, image.BitsPerPixel());
  EXPECT_FALSE(image.HasPixels());
  EXPECT_EQ(0u, image.GetPixel(0, 0));
  EXPECT_FALSE(image.FillRect(0, 0, 10, 10, kWhite));
  EXPECT_TRUE(image.DrawLine(0, 0, 5, 5, kWhite, CRasterImage::PlotSoftPixel));
  CRasterImage::PlotPixel(&image, 0, 0, kWhite);
  EXPECT_NE(nullptr, image.RowTo24(nullptr));
  EXPECT_EQ(0u, InfoField32(image, 0));  // header cleared
}

TEST(RasterCreate, RowsArePaddedToFourBytes) {
  struct Case { int bits; std::uint32_t width, stride; };
  const Case cases[] = {{24, 5, 16}, {1, 3, 4},  {1, 33, 8},  {2, 17, 8},  {4, 9, 8},
                        {8, 5, 8},   {12, 1, 4}, {12, 3, 8},  {12, 6, 12}, {15, 3, 8},
                        {16, 2, 4},  {24, 4, 12}, {32, 3, 12}, {8, 0, 0}};
  CRasterImage image;
  for (const Case& c : cases) {
    ASSERT_TRUE(image.Create(c.bits, c.width, 3, 0));
    EXPECT_EQ(c.stride, image.Stride()) << c.bits << " bits, width " << c.width;
    EXPECT_EQ(std::size_t(c.stride) * 3, image.ImageSize());
  }
}

TEST(RasterCreate, FillsWithTheColourOrTheLowByte) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 5, 3, 0));
  EXPECT_TRUE(PixelsNot(image, 0).empty());
  ASSERT_TRUE(image.Create(24, 5, 3, kWhite));
  EXPECT_TRUE(PixelsNot(image, kWhite).empty());
  ASSERT_TRUE(image.Create(8, 5, 3, 0x1234));
  EXPECT_TRUE(PixelsNot(image, 0x34).empty());
  ASSERT_TRUE(image.Create(16, 5, 3, 0x123456));
  EXPECT_TRUE(PixelsNot(image, 0x103450).empty());
}

TEST(RasterCreate, RowTailsAreZeroSoFilesDoNotDependOnTheHeap) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(1, 9, 2, 1));
  for (std::uint32_t r = 0; r < 2; ++r) {
    const std::uint8_t* row = image.MemoryRow(r);
    EXPECT_EQ(0xFF, row[0]);
    EXPECT_EQ(0x80, row[1]);
    EXPECT_EQ(0, row[2]);
    EXPECT_EQ(0, row[3]);
  }
  ASSERT_TRUE(image.Create(24, 5, 2, kWhite));
  EXPECT_EQ(0, image.MemoryRow(1)[15]);
}

TEST(RasterCreate, DrawsIntoTheCallersMemoryAndLeavesItToTheCaller) {
  std::vector<std::uint8_t> pixels(16 * 3, 0xAA);
  {
    CRasterImage image;
    ASSERT_TRUE(image.Create(24, 5, 3, 0x000000, pixels.data()));
    EXPECT_TRUE(image.PixelsAreCallers());
    EXPECT_EQ(pixels.data(), image.MemoryRow(0));
    image.FillRect(0, 0, 1, 1, 0x112233);  // top-left: the last row in memory
    EXPECT_EQ(16u * 3, std::size_t(std::count(pixels.begin(), pixels.end(), 0)) + 3);
    EXPECT_EQ(0x33, pixels[32]);
    EXPECT_EQ(0x22, pixels[33]);
    EXPECT_EQ(0x11, pixels[34]);
    // Converting a 24-bit row to 32 bits needs 4 bytes a pixel of buffer.
    const std::uint8_t* wide = image.RowTo32(image.MemoryRow(2));
    EXPECT_EQ(0x33, wide[0]);
    EXPECT_EQ(0, wide[3]);
    EXPECT_EQ(0, wide[19]);
  }
  EXPECT_EQ(0x33, pixels[32]);  // still readable after the image went away
}

TEST(RasterCreate, KeepsAWindowsInfoHeader) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 7, 9, 0));
  EXPECT_EQ(40u, InfoField32(image, 0));
  EXPECT_EQ(7u, InfoField32(image, 4));
  EXPECT_EQ(9u, InfoField32(image, 8));
  EXPECT_EQ(1u, InfoField16(image, 12));
  EXPECT_EQ(8u, InfoField16(image, 14));
  EXPECT_EQ(0u, InfoField32(image, 16));
  EXPECT_EQ(0u, InfoField32(image, 20));
  EXPECT_EQ(4705u, InfoField32(image, 24));
  EXPECT_EQ(4705u, InfoField32(image, 28));
  EXPECT_EQ(256u, InfoField32(image, 32));
  EXPECT_EQ(256u, InfoField32(image, 36));

  ASSERT_TRUE(image.Create(16, 7, 9, 0));
  EXPECT_EQ(16u, InfoField16(image, 14));
  EXPECT_EQ(3u, InfoField32(image, 16));  // bit fields
  EXPECT_EQ(0xF800u, InfoField32(image, 40));
  EXPECT_EQ(0x07E0u, InfoField32(image, 44));
  EXPECT_EQ(0x001Fu, InfoField32(image, 48));
  EXPECT_EQ(0u, InfoField32(image, 32));

  ASSERT_TRUE(image.Create(15, 7, 9, 0));
  EXPECT_EQ(16u, InfoField16(image, 14));
  EXPECT_EQ(0u, InfoField32(image, 16));
  EXPECT_EQ(0u, InfoField32(image, 40));  // no masks left from the 16-bit image
}

// ---- Palettes ----

std::uint32_t Entry(const CRasterImage& image, int index) {
  std::uint8_t r, g, b;
  const std::uint32_t colour = image.GetPaletteEntry(index, r, g, b);
  EXPECT_EQ(colour, (std::uint32_t(r) << 16) | (g << 8) | b);
  return colour;
}

TEST(RasterPalette, DefaultPalettesPerFormat) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(1, 1, 1, 0));
  EXPECT_EQ(2, image.PaletteSize());
  EXPECT_EQ(0x000000u, Entry(image, 0));
  EXPECT_EQ(0xFFFFFFu, Entry(image, 1));
  ASSERT_TRUE(image.Create(2, 1, 1, 0));
  EXPECT_EQ(4, image.PaletteSize());
  EXPECT_EQ(0x008000u, Entry(image, 1));
  EXPECT_EQ(0x800000u, Entry(image, 2));
  EXPECT_EQ(0xFFFFFFu, Entry(image, 3));
  ASSERT_TRUE(image.Create(4, 1, 1, 0));
  EXPECT_EQ(16, image.PaletteSize());
  EXPECT_EQ(0x000080u, Entry(image, 1));
  EXPECT_EQ(0xC0C0C0u, Entry(image, 7));
  EXPECT_EQ(0xFFFF00u, Entry(image, 14));
  EXPECT_EQ(0u, Entry(image, 16));  // beyond the palette
  ASSERT_TRUE(image.Create(24, 1, 1, 0));
  EXPECT_EQ(0, image.PaletteSize());
}

TEST(RasterPalette, EightBitPaletteLayersTheThreeFormulas) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 1, 1, 0));
  EXPECT_EQ(0xFFFFFFu, Entry(image, 15));
  EXPECT_EQ(0x000000u, Entry(image, 16));
  EXPECT_EQ(0x101010u, Entry(image, 17));
  EXPECT_EQ(0xF0F0F0u, Entry(image, 31));
  EXPECT_EQ(0x14EB6Au, Entry(image, 32));
  EXPECT_EQ(0x95956Au, Entry(image, 128));  // 6×6×6 cube, not the first formula
  EXPECT_EQ(0x14EB3Fu, Entry(image, 247));
  EXPECT_EQ(0xE0D020u, Entry(image, 248));
  EXPECT_EQ(0xE0F0E0u, Entry(image, 255));
}

TEST(RasterPalette, AccessorsUseOnlyTheLowEightBitsOfTheIndex) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 1, 1, 0));
  image.SetPaletteColor(0x1FF, 0xFF123456);
  EXPECT_EQ(0x123456u, Entry(image, 255));
  image.SetPaletteEntry(-256, 1, 2, 3);  // slot 0
  std::uint8_t r, g, b;
  EXPECT_EQ(0x010203u, image.GetPaletteEntry(0x100, r, g, b));
  EXPECT_EQ(0, image.BitmapInfo()[40 + 4 * 255 + 3]);  // reserved byte stays 0
}

// ---- Pixel formats ----

TEST(RasterFormats, PixelsReadBackInTheFormatsPrecision) {
  struct Case { int bits; std::uint32_t written, read; };
  const Case cases[] = {
      {1, 3, 1},          {2, 6, 2},           {4, 0x1D, 0xD},       {8, 0x1FE, 0xFE},
      {12, 0x123456, 0x103050}, {15, 0x123456, 0x103050}, {15, 0x80FFFFFF, 0x80F8F8F8},
      {16, 0x123456, 0x103450}, {16, kWhite, 0xF8FCF8},    {24, 0xFF123456, 0x123456},
      {32, 0xFF123456, 0xFF123456}};
  CRasterImage image;
  for (const Case& c : cases) {
    ASSERT_TRUE(image.Create(c.bits, 3, 2, 0));
    CRasterImage::PlotPixel(&image, 1, 1, c.written);
    EXPECT_EQ(c.read, image.GetPixel(1, 1)) << c.bits << " bits";
    EXPECT_EQ(0u, image.GetPixel(0, 1)) << c.bits << " bits";
    EXPECT_EQ(0u, image.GetPixel(2, 1)) << c.bits << " bits";
  }
}

TEST(RasterFormats, PackedPixelsSitLeftmostInTheHighBits) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(1, 9, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 1);
  CRasterImage::PlotPixel(&image, 8, 0, 1);
  EXPECT_EQ(0x80, image.MemoryRow(0)[0]);
  EXPECT_EQ(0x80, image.MemoryRow(0)[1]);
  ASSERT_TRUE(image.Create(2, 4, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 2);
  CRasterImage::PlotPixel(&image, 3, 0, 1);
  EXPECT_EQ(0x81, image.MemoryRow(0)[0]);
  ASSERT_TRUE(image.Create(4, 2, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 0xA);
  CRasterImage::PlotPixel(&image, 1, 0, 0x5);
  EXPECT_EQ(0xA5, image.MemoryRow(0)[0]);
}

TEST(RasterFormats, WordAndNibbleLayouts) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(12, 2, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 0x123456);
  CRasterImage::PlotPixel(&image, 1, 0, 0xABCDEF);
  const std::uint8_t* row = image.MemoryRow(0);
  EXPECT_EQ(0x53, row[0]);  // blue0, green0
  EXPECT_EQ(0x1E, row[1]);  // red0, blue1
  EXPECT_EQ(0xCA, row[2]);  // green1, red1
  EXPECT_EQ(0xA0C0E0u, image.GetPixel(1, 0));

  ASSERT_TRUE(image.Create(15, 2, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 0x80FF0000);
  CRasterImage::PlotPixel(&image, 1, 0, 0x0000FF00);
  EXPECT_EQ(0x00, image.MemoryRow(0)[0]);
  EXPECT_EQ(0xFC, image.MemoryRow(0)[1]);
  EXPECT_EQ(0xE0, image.MemoryRow(0)[2]);
  EXPECT_EQ(0x03, image.MemoryRow(0)[3]);

  ASSERT_TRUE(image.Create(16, 1, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 0x00FC00);
  EXPECT_EQ(0xE0, image.MemoryRow(0)[0]);
  EXPECT_EQ(0x07, image.MemoryRow(0)[1]);

  ASSERT_TRUE(image.Create(32, 1, 1, 0));
  CRasterImage::PlotPixel(&image, 0, 0, 0x11223344);
  EXPECT_EQ(0, std::memcmp(image.MemoryRow(0), "\x44\x33\x22\x11", 4));
}

TEST(RasterFormats, RowsConvertToBlueGreenRed) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(4, 3, 1, 0));
  CRasterImage::PlotPixel(&image, 1, 0, 12);  // 0xFF0000
  const std::uint8_t* bgr = image.RowTo24(image.MemoryRow(0));
  EXPECT_EQ(0, std::memcmp(bgr, "\0\0\0\0\0\xFF\0\0\0", 9));
  const std::uint8_t* bgrx = image.RowTo32(image.MemoryRow(0));
  EXPECT_EQ(0, std::memcmp(bgrx, "\0\0\0\0\0\0\xFF\0\0\0\0\0", 12));

  ASSERT_TRUE(image.Create(24, 2, 1, 0x123456));
  const std::uint8_t* row = image.MemoryRow(0);
  EXPECT_EQ(row, image.RowTo24(row));
  const std::uint8_t* copy = image.RowTo24ForOutput(row);
  EXPECT_NE(row, copy);
  EXPECT_EQ(0, std::memcmp(copy, "\x56\x34\x12\x56\x34\x12", 6));

  ASSERT_TRUE(image.Create(32, 2, 1, 0xAA123456));
  row = image.MemoryRow(0);
  EXPECT_EQ(row, image.RowTo32(row));
  EXPECT_NE(row, image.RowTo32ForOutput(row));
  EXPECT_EQ(0, std::memcmp(image.RowTo24(row), "\x56\x34\x12\x56\x34\x12", 6));
}

// ---- Rectangles ----

TEST(RasterFillRect, NegativeExtentsCountBackFromTheCorner) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 20, 20, 0));
  EXPECT_TRUE(image.FillRect(10, 10, -3, 2, kWhite));
  const Points expected = {{8, 10}, {9, 10}, {10, 10}, {8, 11}, {9, 11}, {10, 11}};
  EXPECT_EQ(expected, PixelsNot(image, 0));

  ASSERT_TRUE(image.Create(24, 20, 20, 0));
  EXPECT_TRUE(image.FillRect(5, 5, -2, -2, kWhite));
  const Points upLeft = {{4, 4}, {5, 4}, {4, 5}, {5, 5}};
  EXPECT_EQ(upLeft, PixelsNot(image, 0));
}

TEST(RasterFillRect, ClipsToTheImage) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 6, 4, 0));
  EXPECT_FALSE(image.FillRect(-5, -5, 3, 3, kWhite));
  EXPECT_FALSE(image.FillRect(6, 0, 1, 1, kWhite));
  EXPECT_FALSE(image.FillRect(0, 0, 0, 4, kWhite));
  EXPECT_FALSE(image.FillRect(0, 0, 4, 0, kWhite));
  EXPECT_TRUE(PixelsNot(image, 0).empty());
  EXPECT_TRUE(image.FillRect(4, 2, 100, 100, kWhite));
  const Points corner = {{4, 2}, {5, 2}, {4, 3}, {5, 3}};
  EXPECT_EQ(corner, PixelsNot(image, 0));
  EXPECT_TRUE(image.FillRect(-1000, -1000, 5000, 5000, 0x123456));
  EXPECT_TRUE(PixelsNot(image, 0x123456).empty());
  EXPECT_TRUE(image.FillRect(2147483647, 0, -2147483647, 1, 0));  // no overflow
  EXPECT_FALSE(image.FillRect(-2147483647 - 1, 0, 2147483647, 1, 0));
}

TEST(RasterFillRect, TopRowIsTheLastRowInMemory) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 4, 3, 0));
  image.FillRect(0, 0, 4, 1, 7);
  EXPECT_EQ(0, image.MemoryRow(0)[0]);
  EXPECT_EQ(7, image.MemoryRow(2)[0]);
}

// Fills of every format, at every offset and width within two shared units,
// must leave memory exactly as plotting the same pixels one by one.
TEST(RasterFillRect, MatchesPixelByPixelDrawingInEveryFormat) {
  const std::uint32_t colours[] = {0xFFFFFFFF, 0x00A5C31E, 0x80123456, 1, 2};
  for (int bits : kAllFormats) {
    for (int x = 0; x < 9; ++x) {
      for (int w = 1; w < 19; ++w) {
        for (std::uint32_t colour : colours) {
          CRasterImage filled, plotted;
          ASSERT_TRUE(filled.Create(bits, 27, 3, 0));
          ASSERT_TRUE(plotted.Create(bits, 27, 3, 0));
          filled.FillRect(x, 1, w, 2, colour);
          for (int py = 1; py < 3; ++py)
            for (int px = x; px < x + w; ++px) CRasterImage::PlotPixel(&plotted, px, py, colour);
          ASSERT_EQ(0, std::memcmp(filled.MemoryRow(0), plotted.MemoryRow(0), filled.ImageSize()))
              << bits << " bits, x " << x << ", width " << w << ", colour " << std::hex << colour;
        }
      }
    }
  }
}

TEST(RasterFillRect, WholeUnitsCarryTheReplicatedIndex) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(1, 16, 1, 0));
  image.FillRect(0, 0, 16, 1, 3);  // only bit 0 counts
  EXPECT_EQ(0xFF, image.MemoryRow(0)[0]);
  image.FillRect(0, 0, 16, 1, 2);
  EXPECT_EQ(0x00, image.MemoryRow(0)[1]);
  ASSERT_TRUE(image.Create(2, 8, 1, 0));
  image.FillRect(0, 0, 8, 1, 2);
  EXPECT_EQ(0xAA, image.MemoryRow(0)[1]);
  ASSERT_TRUE(image.Create(4, 4, 1, 0));
  image.FillRect(0, 0, 4, 1, 0x7C);
  EXPECT_EQ(0xCC, image.MemoryRow(0)[1]);
}

// ---- Lines ----

Points recorded;
void Record(CRasterImage*, int x, int y, std::uint32_t) { recorded.emplace_back(x, y); }

Points Walk(int x1, int y1, int x2, int y2) {
  recorded.clear();
  CRasterImage image;
  image.DrawLine(x1, y1, x2, y2, 0, Record);
  return recorded;
}

TEST(RasterDrawLine, WalksTheBresenhamPoints) {
  EXPECT_EQ((Points{{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}}), Walk(0, 0, 4, 1));
  EXPECT_EQ((Points{{4, 1}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}), Walk(4, 1, 0, 0));
  EXPECT_EQ((Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}}), Walk(0, 0, 1, 3));
  EXPECT_EQ((Points{{7, -2}}), Walk(7, -2, 7, -2));
  EXPECT_EQ((Points{{0, 0}, {-1, 1}, {-2, 2}, {-3, 3}}), Walk(0, 0, -3, 3));
  EXPECT_EQ((Points{{2, 5}, {2, 4}, {2, 3}}), Walk(2, 5, 2, 3));
  EXPECT_EQ((Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}), Walk(0, 0, 3, 1));
}

TEST(RasterDrawLine, DrawsOnlyTheInsidePointsAndAlwaysSucceeds) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 4, 4, 0));
  EXPECT_TRUE(image.DrawLine(-2, -2, 5, 5, kWhite, CRasterImage::PlotPixel));
  EXPECT_EQ((Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}), PixelsNot(image, 0));
  EXPECT_TRUE(image.DrawLine(0, 0, 3, 3, kWhite, nullptr));
}

// An operation of the caller's own sees every point of the walk; the
// library's operations skip the points that cannot touch the image. Both
// must paint the same pixels.
void PlotThroughCaller(CRasterImage* image, int x, int y, std::uint32_t colour) {
  CRasterImage::PlotPixel(image, x, y, colour);
}
void SoftThroughCaller(CRasterImage* image, int x, int y, std::uint32_t colour) {
  CRasterImage::PlotSoftPixel(image, x, y, colour);
}

TEST(RasterDrawLine, LinesFromFarAwayPaintWhatTheFullWalkPaints) {
  std::uint32_t seed = 12345;
  auto next = [&](int range) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % (2u * range + 1)) - range;
  };
  for (int i = 0; i < 400; ++i) {
    const int range = i < 350 ? 120 : 200000;
    const int x1 = next(range), y1 = next(range), x2 = next(range), y2 = next(range);
    const bool soft = i % 2 == 1;
    CRasterImage fast, full;
    ASSERT_TRUE(fast.Create(24, 40, 30, 0));
    ASSERT_TRUE(full.Create(24, 40, 30, 0));
    fast.DrawLine(x1, y1, x2, y2, 0xFFFFFF, soft ? CRasterImage::PlotSoftPixel : CRasterImage::PlotPixel);
    full.DrawLine(x1, y1, x2, y2, 0xFFFFFF, soft ? SoftThroughCaller : PlotThroughCaller);
    ASSERT_EQ(0, std::memcmp(fast.MemoryRow(0), full.MemoryRow(0), fast.ImageSize()))
        << "(" << x1 << "," << y1 << ") to (" << x2 << "," << y2 << ")" << (soft ? " soft" : "");
  }
}

TEST(RasterDrawLine, LinesAcrossTheWholeCoordinateRangeStayCheap) {
  const int kMin = -2147483647 - 1, kMax = 2147483647;
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 8, 6, 0));
  image.DrawLine(kMin, 2, kMax, 2, kWhite, CRasterImage::PlotPixel);
  image.DrawLine(kMin, kMin, kMax, kMax, kWhite, CRasterImage::PlotPixel);
  image.DrawLine(3, kMax, 3, kMin, kWhite, CRasterImage::PlotPixel);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(kWhite, image.GetPixel(x, 2)) << x;
  for (int k = 0; k < 6; ++k) EXPECT_EQ(kWhite, image.GetPixel(k, k)) << k;
  for (int y = 0; y < 6; ++y) EXPECT_EQ(kWhite, image.GetPixel(3, y)) << y;
  EXPECT_EQ(0u, image.GetPixel(7, 5));

  ASSERT_TRUE(image.Create(24, 8, 6, 0));
  image.DrawLine(kMax, 2, kMin, 2, kWhite, CRasterImage::PlotSoftPixel);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(0xAAAAAAu, image.GetPixel(x, 2)) << x;
  EXPECT_EQ(0u, image.GetPixel(0, 0));
}

TEST(RasterDrawLine, PaletteImagesGetPlainPixelsInsteadOfSoftOnes) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 5, 5, 0));
  image.DrawLine(2, 2, 2, 2, 9, CRasterImage::PlotSoftPixel);
  EXPECT_EQ((Points{{2, 2}}), PixelsNot(image, 0));
  EXPECT_EQ(9u, image.GetPixel(2, 2));
}

// ---- Soft pixels ----

TEST(RasterSoftPixel, BlendsTheThreeByThreeWeights) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 5, 5, 0));
  CRasterImage::PlotSoftPixel(&image, 2, 2, 0xFF8040);
  EXPECT_EQ(0x9F5028u, image.GetPixel(2, 2));  // 20/32
  EXPECT_EQ(0x0F0804u, image.GetPixel(2, 1));  // 2/32
  EXPECT_EQ(0x0F0804u, image.GetPixel(3, 2));
  EXPECT_EQ(0x070402u, image.GetPixel(1, 1));  // 1/32
  EXPECT_EQ(0x070402u, image.GetPixel(3, 3));
  EXPECT_EQ(9u, PixelsNot(image, 0).size());
}

TEST(RasterSoftPixel, AtACornerChangesOnlyTheFourInsidePixels) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 4, 3, kWhite));
  CRasterImage::PlotSoftPixel(&image, 0, 0, 0);
  EXPECT_EQ((Points{{0, 0}, {1, 0}, {0, 1}, {1, 1}}), PixelsNot(image, kWhite));
  EXPECT_EQ(0x5F5F5Fu, image.GetPixel(0, 0));  // 255 × 12 / 32
  EXPECT_EQ(0xEFEFEFu, image.GetPixel(1, 0));
  EXPECT_EQ(0xEFEFEFu, image.GetPixel(0, 1));
  EXPECT_EQ(0xF7F7F7u, image.GetPixel(1, 1));

  ASSERT_TRUE(image.Create(24, 4, 3, kWhite));
  CRasterImage::PlotSoftPixel(&image, 4, 3, 0);  // just outside the bottom-right corner
  EXPECT_EQ((Points{{3, 2}}), PixelsNot(image, kWhite));
}

TEST(RasterSoftPixel, WorksInTheReducedFormats) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(16, 3, 3, kWhite));
  CRasterImage::PlotSoftPixel(&image, 1, 1, 0);
  // old 5-6-5 white reads as F8 FC F8; 12/32 of it, then cut to 5-6-5.
  EXPECT_EQ(0x585C58u, image.GetPixel(1, 1));
  ASSERT_TRUE(image.Create(4, 3, 3, 0));
  CRasterImage::PlotSoftPixel(&image, 1, 1, 15);  // an index: plotted, not blended
  EXPECT_EQ((Points{{1, 1}}), PixelsNot(image, 0));
}

// ---- Text ----

// Two glyphs of a tiny font for codes 'A' and 'B':
//   'A' 3 wide, 2 high: top row 010, bottom row 101 (0 = ink)
//   'B' 2 wide, 2 high: top row 00,  bottom row 11
const unsigned char kTinyFont[] = {
    'A', 'B',
    10, 0, 0, 0,   // offset of 'A'
    14, 0, 0, 0,   // offset of 'B'
    3, 2, 0xA0, 0x40,
    2, 2, 0xC0, 0x00,
};

struct TextRig {
  CRasterImage image;
  TextRig() {
    EXPECT_TRUE(image.Create(24, 12, 4, kWhite));
    image.SetFont(kTinyFont);
    image.SetTextPen(CRasterImage::PlotPixel, 0x000000, 0);
  }
  Points Ink() const { return PixelsNot(image, kWhite); }
};

TEST(RasterDrawText, DrawsGlyphsBottomRowFirstWithPenZeroAsInk) {
  TextRig rig;
  EXPECT_EQ(5, rig.image.DrawText(1, 1, "AB"));
  EXPECT_EQ((Points{{1, 1}, {3, 1}, {4, 1}, {5, 1}, {2, 2}}), rig.Ink());
}

TEST(RasterDrawText, PenOnePaintsTheBackgroundWhenSet) {
  TextRig rig;
  rig.image.SetTextPen(CRasterImage::PlotPixel, 0xFF0000, 1);
  rig.image.DrawText(0, 0, "A");
  EXPECT_EQ(0xFF0000u, rig.image.GetPixel(1, 0));
  EXPECT_EQ(0xFF0000u, rig.image.GetPixel(0, 1));
  EXPECT_EQ(0x000000u, rig.image.GetPixel(1, 1));
  rig.image.SetTextPen(nullptr, 0, 1);
  rig.image.SetTextPen(nullptr, 0, 0);
  EXPECT_EQ(3, rig.image.DrawText(6, 0, "A"));  // invisible, but it still advances
  EXPECT_EQ(0xFFFFFFu, rig.image.GetPixel(7, 0));
}

TEST(RasterDrawText, AlignsOnX) {
  TextRig rig;
  rig.image.SetTextAlign(CRasterImage::kAlignRight);
  EXPECT_EQ(5, rig.image.DrawText(10, 1, "AB"));  // occupies columns 5..9
  EXPECT_EQ((Points{{5, 1}, {7, 1}, {8, 1}, {9, 1}, {6, 2}}), rig.Ink());

  TextRig centred;
  centred.image.SetTextAlign(CRasterImage::kAlignCentre);
  centred.image.DrawText(6, 1, "AB");  // 5 / 2 = 2: starts at column 4
  EXPECT_EQ((Points{{4, 1}, {6, 1}, {7, 1}, {8, 1}, {5, 2}}), centred.Ink());

  TextRig other;
  other.image.SetTextAlign(7);  // anything else aligns right
  other.image.DrawText(3, 0, "A");
  EXPECT_EQ((Points{{0, 0}, {2, 0}, {1, 1}}), other.Ink());
}

TEST(RasterDrawText, SkipsCodesOutsideTheFontWithoutAdvance) {
  TextRig rig;
  rig.image.SetTextAlign(CRasterImage::kAlignRight);
  EXPECT_EQ(3, rig.image.DrawText(3, 0, "zA\xE4"));
  EXPECT_EQ((Points{{0, 0}, {2, 0}, {1, 1}}), rig.Ink());
}

TEST(RasterDrawText, NothingWithoutFontOrText) {
  TextRig rig;
  EXPECT_EQ(0, rig.image.DrawText(0, 0, ""));
  EXPECT_EQ(0, rig.image.DrawText(0, 0, nullptr));
  rig.image.SetFont(nullptr);
  EXPECT_EQ(0, rig.image.DrawText(0, 0, "AB"));
  EXPECT_TRUE(rig.Ink().empty());
}

TEST(RasterDrawText, GlyphsOffTheImageAreClipped) {
  TextRig rig;
  EXPECT_EQ(5, rig.image.DrawText(-2, 0, "AB"));
  EXPECT_EQ((Points{{0, 0}, {1, 0}, {2, 0}}), rig.Ink());
  EXPECT_EQ(5, rig.image.DrawText(10, 3, "AB"));  // only the top row of 'A' shows
  EXPECT_EQ((Points{{0, 0}, {1, 0}, {2, 0}, {10, 3}}), rig.Ink());
}

TEST(RasterDrawText, TextPenSoftensOnlyTrueColourImages) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(8, 12, 4, 0));
  image.SetFont(kTinyFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, 5, 0);
  image.DrawText(0, 0, "B");
  EXPECT_EQ((Points{{0, 0}, {1, 0}}), PixelsNot(image, 0));
}

TEST(RasterDrawText, PensSetBeforeCreateKeepTheirSoftness) {
  CRasterImage image;
  image.SetFont(kTinyFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, 0x000000, 0);
  ASSERT_TRUE(image.Create(24, 5, 4, kWhite));
  image.DrawText(1, 1, "B");  // two ink pixels at (1,1) and (2,1)
  EXPECT_EQ(0x595959u, image.GetPixel(1, 1));  // 255 × 12/32, then × 30/32 from its neighbour
  EXPECT_EQ(0xF7F7F7u, image.GetPixel(0, 0));
}

TEST(RasterDrawText, BuiltInFontAdvancesByItsWidthTable) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 200, 20, kWhite));
  image.SetFont(kBuiltinFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, 0, 0);
  EXPECT_EQ(9 + 7 + 7 + 7, image.DrawText(0, 0, "H\xF6he"));
  EXPECT_EQ(7 + 7 + 4 + 7 + 4 + 7 + 11, image.DrawText(0, 0, "12.5 km"));
  EXPECT_FALSE(PixelsNot(image, kWhite).empty());
}

}  // namespace
