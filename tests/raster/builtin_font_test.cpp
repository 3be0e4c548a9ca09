// The chart lays out its labels from these widths and draws the glyphs bit by
// bit, so the table must keep its format exactly and the letters must sit on
// the rows the chart's text placement assumes (capitals 3..12, baseline under
// row 12, descenders 13..15, accents 1..2).
#include "raster/builtin_font.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 16;

// Advance widths in code page 1252 order, as the chart's layout expects them.
const int kExpectedWidths[256] = {
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
    4, 3, 5, 7, 7, 12, 9, 2, 4, 4, 5, 8, 4, 4, 4, 4,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 4, 4, 8, 8, 8, 7,
    13, 9, 9, 9, 9, 9, 8, 10, 9, 3, 6, 9, 7, 11, 9, 10,
    9, 10, 9, 9, 7, 9, 9, 13, 7, 9, 7, 4, 4, 4, 5, 7,
    4, 7, 7, 7, 7, 7, 3, 7, 7, 3, 3, 7, 3, 11, 7, 7,
    7, 7, 4, 7, 4, 7, 5, 9, 7, 7, 7, 4, 3, 4, 8, 10,
    7, 10, 3, 7, 4, 13, 7, 7, 4, 14, 9, 4, 13, 10, 7, 10,
    10, 3, 3, 4, 4, 5, 7, 13, 4, 13, 7, 4, 12, 10, 7, 9,
    4, 3, 7, 7, 7, 7, 3, 7, 4, 10, 4, 7, 8, 4, 10, 7,
    5, 7, 4, 4, 4, 7, 7, 4, 4, 4, 5, 7, 11, 11, 11, 8,
    9, 9, 9, 9, 9, 9, 13, 9, 9, 9, 9, 9, 3, 3, 3, 3,
    9, 9, 10, 10, 10, 10, 10, 8, 10, 9, 9, 9, 9, 9, 9, 9,
    7, 7, 7, 7, 7, 7, 12, 7, 7, 7, 7, 7, 3, 3, 3, 3,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
};

std::uint32_t Offset(int code) {
  const unsigned char* p = kBuiltinFont + 2 + 4 * code;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// One glyph read straight from the table; rows counted from the top.
struct Glyph {
  int width = 0;
  int height = 0;
  const unsigned char* rows = nullptr;  // lowest row first

  int Stride() const { return (width + 7) / 8; }
  bool Ink(int x, int row_from_top) const {
    const unsigned char* row = rows + (height - 1 - row_from_top) * Stride();
    return ((row[x / 8] >> (7 - x % 8)) & 1) == 0;
  }
  bool RowHasInk(int row) const {
    for (int x = 0; x < width; ++x)
      if (Ink(x, row)) return true;
    return false;
  }
  int TopInkRow() const {
    for (int r = 0; r < height; ++r)
      if (RowHasInk(r)) return r;
    return -1;
  }
  int BottomInkRow() const {
    for (int r = height - 1; r >= 0; --r)
      if (RowHasInk(r)) return r;
    return -1;
  }
  int InkCount(int row) const {
    int n = 0;
    for (int x = 0; x < width; ++x) n += Ink(x, row);
    return n;
  }
  bool ColumnHasInk(int x) const {
    for (int r = 0; r < height; ++r)
      if (Ink(x, r)) return true;
    return false;
  }
  std::vector<bool> Pixels(int first_row, int last_row) const {
    std::vector<bool> out;
    for (int r = first_row; r <= last_row; ++r)
      for (int x = 0; x < width; ++x) out.push_back(Ink(x, r));
    return out;
  }
};

Glyph GlyphOf(unsigned char code) {
  const unsigned char* at = kBuiltinFont + Offset(code);
  return Glyph{at[0], at[1], at + 2};
}

std::string Name(int code) { return "code " + std::to_string(code); }

// --- The table format -------------------------------------------------------

TEST(BuiltinFontTable, CoversEveryCodeFrom0To255) {
  EXPECT_EQ(7282, kBuiltinFontSize);
  EXPECT_EQ(0, kBuiltinFont[0]);
  EXPECT_EQ(255, kBuiltinFont[1]);
}

TEST(BuiltinFontTable, GlyphsFollowTheOffsetTableBackToBackUpToTheEnd) {
  std::uint32_t expected = 2 + 4 * 256;
  for (int code = 0; code < 256; ++code) {
    SCOPED_TRACE(Name(code));
    ASSERT_EQ(expected, Offset(code));
    const unsigned char* at = kBuiltinFont + Offset(code);
    std::uint32_t size = 2 + at[1] * ((at[0] + 7) / 8);
    ASSERT_LE(Offset(code) + size, static_cast<std::uint32_t>(kBuiltinFontSize));
    expected += size;
  }
  EXPECT_EQ(static_cast<std::uint32_t>(kBuiltinFontSize), expected);
}

TEST(BuiltinFontTable, EveryGlyphHasItsAdvanceWidthAndSixteenRows) {
  for (int code = 0; code < 256; ++code) {
    SCOPED_TRACE(Name(code));
    Glyph g = GlyphOf(code);
    EXPECT_EQ(kExpectedWidths[code], g.width);
    EXPECT_EQ(kRows, g.height);
  }
}

TEST(BuiltinFontTable, PaddingBitsAfterTheLastColumnAreBackground) {
  // A reader that blits whole bytes must not see ink past the advance.
  for (int code = 0; code < 256; ++code) {
    SCOPED_TRACE(Name(code));
    Glyph g = GlyphOf(code);
    for (int r = 0; r < g.height; ++r) {
      const unsigned char* row = g.rows + r * g.Stride();
      int spare = 8 * g.Stride() - g.width;
      unsigned char mask = static_cast<unsigned char>((1u << spare) - 1);
      EXPECT_EQ(mask, row[g.Stride() - 1] & mask);
    }
  }
}

TEST(BuiltinFontTable, RowsAreStoredBottomUpWithTheLeftmostPixelInTheTopBit) {
  // 'T', 7 wide: bar ".#####." on row 3, stem "...#..." down to row 12.
  // Checked by hand against the specimen. 0 bits are ink, 1 bits background.
  const unsigned char* t = kBuiltinFont + Offset('T');
  ASSERT_EQ(7, t[0]);
  ASSERT_EQ(16, t[1]);
  const unsigned char* rows = t + 2;
  EXPECT_EQ(0xFF, rows[0]);       // row 15, below the baseline
  EXPECT_EQ(0xEF, rows[15 - 12]);  // row 12: 1110 1111
  EXPECT_EQ(0x83, rows[15 - 3]);   // row 3:  1000 0011
  EXPECT_EQ(0xFF, rows[15 - 2]);   // row 2, above the capitals
}

// --- The placeholder box -----------------------------------------------------

TEST(BuiltinFontBox, ControlCodesDelAndUndefinedCodesShareOneHollowBox) {
  std::vector<int> codes;
  for (int c = 0; c < 32; ++c) codes.push_back(c);
  for (int c : {127, 129, 141, 143, 144, 157}) codes.push_back(c);

  Glyph box = GlyphOf(0);
  ASSERT_EQ(10, box.width);
  std::vector<bool> pixels = box.Pixels(0, kRows - 1);
  for (int code : codes) {
    SCOPED_TRACE(Name(code));
    EXPECT_EQ(pixels, GlyphOf(code).Pixels(0, kRows - 1));
  }

  // Hollow: ink is exactly the outline of its bounding box.
  int top = box.TopInkRow(), bottom = box.BottomInkRow();
  int left = 0, right = box.width - 1;
  while (!box.ColumnHasInk(left)) ++left;
  while (!box.ColumnHasInk(right)) --right;
  EXPECT_EQ(3, top);
  EXPECT_EQ(12, bottom);
  EXPECT_GE(right - left, 4);
  for (int r = 0; r < kRows; ++r) {
    for (int x = 0; x < box.width; ++x) {
      bool inside = r >= top && r <= bottom && x >= left && x <= right;
      bool edge = inside && (r == top || r == bottom || x == left || x == right);
      EXPECT_EQ(edge, box.Ink(x, r)) << "x " << x << " row " << r;
    }
  }
}

TEST(BuiltinFontBox, DefinedCharactersDoNotFallBackToTheBox) {
  std::vector<bool> box = GlyphOf(0).Pixels(0, kRows - 1);
  for (int code : {128, 130, 140, 142, 145, 156, 158, 159, 161, 255}) {
    SCOPED_TRACE(Name(code));
    Glyph g = GlyphOf(code);
    EXPECT_FALSE(g.width == 10 && g.Pixels(0, kRows - 1) == box);
  }
}

// --- Where the letters sit ----------------------------------------------------

TEST(BuiltinFontMetrics, CapitalsAndDigitsFillRows3To12AndNothingElse) {
  std::string tall = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (char c : tall) {
    SCOPED_TRACE(std::string(1, c));
    Glyph g = GlyphOf(static_cast<unsigned char>(c));
    EXPECT_EQ(3, g.TopInkRow());
    EXPECT_EQ(12, g.BottomInkRow());
  }
}

TEST(BuiltinFontMetrics, LettersAndDigitsLeaveTheirLastColumnBlank) {
  // The gap between characters is part of each glyph; without it "11" or
  // "HH" would run together on the chart's axis labels. Only f (3 wide) and
  // v (5 wide) are too narrow to spare the column.
  std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdeghijklmnopqrstuwxyz0123456789";
  for (char c : letters) {
    SCOPED_TRACE(std::string(1, c));
    Glyph g = GlyphOf(static_cast<unsigned char>(c));
    EXPECT_FALSE(g.ColumnHasInk(g.width - 1));
  }
}

TEST(BuiltinFontMetrics, SmallLettersShareOneXHeightOnTheBaseline) {
  for (char c : std::string("acemnorsuvwxz")) {
    SCOPED_TRACE(std::string(1, c));
    Glyph g = GlyphOf(static_cast<unsigned char>(c));
    EXPECT_EQ(5, g.TopInkRow());
    EXPECT_EQ(12, g.BottomInkRow());
  }
  for (char c : std::string("bdhkl")) {
    SCOPED_TRACE(std::string(1, c));
    EXPECT_EQ(3, GlyphOf(static_cast<unsigned char>(c)).TopInkRow());
    EXPECT_EQ(12, GlyphOf(static_cast<unsigned char>(c)).BottomInkRow());
  }
}

TEST(BuiltinFontMetrics, DescendersReachTheBottomRow) {
  for (char c : std::string("gjpqy")) {
    SCOPED_TRACE(std::string(1, c));
    Glyph g = GlyphOf(static_cast<unsigned char>(c));
    EXPECT_TRUE(g.RowHasInk(13));
    EXPECT_EQ(15, g.BottomInkRow());
  }
  EXPECT_GE(GlyphOf(0xB5).BottomInkRow(), 13);  // µ
}

TEST(BuiltinFontMetrics, SpacesAreBlankAndEveryOtherCharacterHasInk) {
  for (int code = 32; code < 256; ++code) {
    Glyph g = GlyphOf(code);
    bool blank = g.TopInkRow() < 0;
    EXPECT_EQ(code == 32 || code == 160, blank) << Name(code);
  }
}

// --- German letters and the code page's punctuation ---------------------------

TEST(BuiltinFontAccents, UmlautCapitalsAreTheirBaseLetterWithTwoDotsInRows1And2) {
  const struct { unsigned char umlaut; char base; } pairs[] = {
      {0xC4, 'A'}, {0xD6, 'O'}, {0xDC, 'U'}};
  for (auto p : pairs) {
    SCOPED_TRACE(Name(p.umlaut));
    Glyph u = GlyphOf(p.umlaut), b = GlyphOf(static_cast<unsigned char>(p.base));
    EXPECT_EQ(b.Pixels(3, 15), u.Pixels(3, 15));
    EXPECT_FALSE(u.RowHasInk(0));
    EXPECT_EQ(2, u.InkCount(1) + u.InkCount(2));
    EXPECT_EQ(1, u.TopInkRow());
  }
}

TEST(BuiltinFontAccents, SmallUmlautsAreTheirBaseLetterWithTwoDotsAboveTheXHeight) {
  const struct { unsigned char umlaut; char base; } pairs[] = {
      {0xE4, 'a'}, {0xF6, 'o'}, {0xFC, 'u'}};
  for (auto p : pairs) {
    SCOPED_TRACE(Name(p.umlaut));
    Glyph u = GlyphOf(p.umlaut), b = GlyphOf(static_cast<unsigned char>(p.base));
    EXPECT_EQ(b.Pixels(4, 15), u.Pixels(4, 15));
    EXPECT_EQ(3, u.TopInkRow());
    EXPECT_EQ(2, u.InkCount(3));
  }
}

TEST(BuiltinFontAccents, AccentsOverCapitalsStayInRows1And2) {
  for (int code : {0xC0, 0xC1, 0xC2, 0xC3, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE,
                   0xCF, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD9, 0xDA, 0xDB, 0xDD, 0x8A,
                   0x8E, 0x9F}) {
    SCOPED_TRACE(Name(code));
    Glyph g = GlyphOf(code);
    EXPECT_EQ(1, g.TopInkRow());
    EXPECT_EQ(12, g.BottomInkRow());
  }
}

TEST(BuiltinFontAccents, SharpSIsAsTallAsACapitalAndStandsOnTheBaseline) {
  Glyph g = GlyphOf(0xDF);
  EXPECT_EQ(3, g.TopInkRow());
  EXPECT_EQ(12, g.BottomInkRow());
  EXPECT_NE(GlyphOf('B').Pixels(0, 15), g.Pixels(0, 15));
}

TEST(BuiltinFontPunctuation, DegreeSignIsASmallRingAtCapitalHeight) {
  Glyph g = GlyphOf(0xB0);
  EXPECT_EQ(3, g.TopInkRow());
  EXPECT_LE(g.BottomInkRow(), 7);
  // A ring: the middle of its rows is empty.
  int middle = (g.TopInkRow() + g.BottomInkRow()) / 2;
  EXPECT_EQ(2, g.InkCount(middle));
}

TEST(BuiltinFontPunctuation, DashesAreSingleLinesOnTheHyphensRow) {
  Glyph hyphen = GlyphOf('-');
  int row = hyphen.TopInkRow();
  ASSERT_EQ(row, hyphen.BottomInkRow());
  for (int code : {0x96, 0x97, 0xAD}) {  // en dash, em dash, soft hyphen
    SCOPED_TRACE(Name(code));
    Glyph g = GlyphOf(code);
    EXPECT_EQ(row, g.TopInkRow());
    EXPECT_EQ(row, g.BottomInkRow());
  }
  EXPECT_GT(GlyphOf(0x97).InkCount(row), GlyphOf(0x96).InkCount(row));
  EXPECT_GT(GlyphOf(0x96).InkCount(row), hyphen.InkCount(row));
}

TEST(BuiltinFontPunctuation, EllipsisIsThreeFullStops) {
  Glyph dot = GlyphOf('.'), dots = GlyphOf(0x85);
  EXPECT_EQ(dot.TopInkRow(), dots.TopInkRow());
  EXPECT_EQ(dot.BottomInkRow(), dots.BottomInkRow());
  EXPECT_EQ(3 * dot.InkCount(dot.BottomInkRow()), dots.InkCount(dots.BottomInkRow()));
}

TEST(BuiltinFontPunctuation, GermanQuotesOpenLowAndCloseHigh) {
  Glyph low = GlyphOf(0x84), open = GlyphOf(0x93), close = GlyphOf(0x94);
  EXPECT_GE(low.TopInkRow(), 10);     // „ on the baseline ...
  EXPECT_GE(low.BottomInkRow(), 12);  // ... with its tails below it
  EXPECT_EQ(3, open.TopInkRow());
  EXPECT_EQ(3, close.TopInkRow());
  EXPECT_LE(open.BottomInkRow(), 6);
  EXPECT_LE(close.BottomInkRow(), 6);
  // “ and ” are mirror images of each other, turned half round.
  ASSERT_EQ(open.width, close.width);
  for (int r = 3; r <= 5; ++r)
    for (int x = 0; x < open.width; ++x)
      EXPECT_EQ(open.Ink(x, r), close.Ink(open.width - 1 - x, 8 - r))
          << "x " << x << " row " << r;
}

TEST(BuiltinFontPunctuation, EuroSignIsACapitalHeightSign) {
  Glyph g = GlyphOf(0x80);
  EXPECT_EQ(3, g.TopInkRow());
  EXPECT_EQ(12, g.BottomInkRow());
  EXPECT_FALSE(g.ColumnHasInk(g.width - 1));
}

}  // namespace
