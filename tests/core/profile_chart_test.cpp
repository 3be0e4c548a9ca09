// The profile chart: layout numbers, the drawing helpers, the picture
// pixel by pixel for hand-made profiles, and the whole chart step on a real
// route. Pixel positions below are worked out from the layout rules by hand:
// a bare 400 x 300 chart has L = 40, T = 20, PW = 320, PH = 260, so its
// baseline is row 280 and sample i is column 40 + i. Texts are checked by
// drawing the same text alone onto a white picture and comparing the box.
//
// The end-to-end chart was converted to PNG and looked at; it is
// docs/example-chart.png. Setting TOLMARIC_KEEP_CHART to a folder keeps the
// BMP files of the end-to-end and the every-platform charts there, for
// regenerating the PNG and for looking at them again.
#include "core/profile_chart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/export_options.h"
#include "core/program_texts.h"
#include "core/route_reader.h"
#include "core/run_abort.h"
#include "tests/core/recording_host.h"
#include "core/tile_store.h"
#include "raster/bmp_file.h"
#include "raster/builtin_font.h"
#include "raster/raster_image.h"
#include "support/file_path.h"
#include "tests/common/test_paths.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr double kStep = 10.0;

const SlopeClassConfig kEightClasses = MakeSlopeClassConfig(4, 1);  // w = 5 %, N = 8

std::vector<ProfileSample> SamplesOfHeights(const std::vector<double>& heights) {
  std::vector<ProfileSample> samples;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    double slope = i == 0 ? 0.0 : (heights[i] - heights[i - 1]) / kStep;
    samples.push_back({1.5, 42.5, heights[i], kStep * double(i), kStep, slope, kNoLocation});
  }
  if (samples.size() > 1) samples[0].slope = samples[1].slope;
  return samples;
}

// 131 samples climbing 2 m per 10 m (20 %) from 100 to 360, then 69
// descending 1 m per 10 m (-10 %) to 291.
std::vector<ProfileSample> ClimbAndDescent() {
  std::vector<double> heights;
  for (int i = 0; i <= 130; ++i) heights.push_back(100.0 + 2.0 * i);
  for (int i = 1; i <= 69; ++i) heights.push_back(360.0 - i);
  return SamplesOfHeights(heights);
}

ChartOptions Bare(std::uint32_t width = 400, std::uint32_t height = 300) {
  ChartOptions options;
  options.width = width;
  options.height = height;
  options.addLocations = options.addKilometres = options.addHeights = options.addStatistics = false;
  return options;
}

struct Chart {
  ChartLayout layout;
  CRasterImage image;
};

void Draw(Chart& chart, const std::vector<ProfileSample>& samples, const ChartOptions& options,
          double routeLength = 0.0, const CLocationTable& locations = CLocationTable(),
          int marks = 0, const SlopeClassConfig& classes = kEightClasses) {
  chart.layout = ComputeChartLayout(options, classes.count, marks);
  ASSERT_TRUE(DrawProfileChart(chart.image, chart.layout, samples.data(), int(samples.size()),
                               routeLength, options, classes, locations));
}

int Baseline(const ChartLayout& layout) { return layout.top + layout.plotHeight; }

// text drawn at (x, y) with alignment looks exactly as it does alone on white.
::testing::AssertionResult TextAt(const CRasterImage& chart, int x, int y, int alignment,
                                  const char* text) {
  CRasterImage alone;
  alone.Create(24, chart.Width(), chart.Height(), kWhite);
  alone.SetFont(kBuiltinFont);
  alone.SetTextPen(CRasterImage::PlotSoftPixel, kBlack, 0);
  alone.SetTextAlign(alignment);
  const int width = alone.DrawText(x, y, text);
  const int left = alignment == CRasterImage::kAlignLeft     ? x
                   : alignment == CRasterImage::kAlignCentre ? x - width / 2
                                                             : x - width;
  bool inked = false;
  for (int row = y; row < y + 16; ++row)
    for (int column = left; column < left + width; ++column) {
      if (alone.GetPixel(column, row) != kWhite) inked = true;
      if (alone.GetPixel(column, row) != chart.GetPixel(column, row))
        return ::testing::AssertionFailure()
               << "\"" << text << "\" differs at (" << column << ", " << row << ")";
    }
  if (!inked) return ::testing::AssertionFailure() << "\"" << text << "\" has no ink";
  return ::testing::AssertionSuccess();
}

bool IsGrey(std::uint32_t colour) {
  return (colour >> 16) == ((colour >> 8) & 0xFF) && (colour & 0xFF) == ((colour >> 8) & 0xFF);
}

bool SamePixels(const CRasterImage& a, const CRasterImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (std::uint32_t row = 0; row < a.Height(); ++row)
    if (std::memcmp(a.MemoryRow(row), b.MemoryRow(row), a.Stride()) != 0) return false;
  return true;
}

void KeepPicture(const std::string& name, const std::string& bytes) {
  if (const char* folder = std::getenv("TOLMARIC_KEEP_CHART"))
    WriteWholeFile(std::string(folder) + "/" + name, bytes);
}

int AppendBytes(void* context, const void* data, int count) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), std::size_t(count));
  return count;
}

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ULL;
  return hash;
}

}  // namespace

// ---- Layout ----

TEST(ChartLayout, PictureSizeIsDefaultedAndLimited) {
  struct Case { std::uint32_t width, height; int expectedWidth, expectedHeight; };
  const Case cases[] = {{200, 100, 400, 300},       {20000, 20000, 16000, 16000},
                        {0, 0, 1024, 768},          {0xFFFFFFFF, 0x80000000, 16000, 16000},
                        {400, 300, 400, 300},       {16000, 299, 16000, 300}};
  for (const Case& c : cases) {
    ChartLayout layout = ComputeChartLayout(Bare(c.width, c.height), 8, 0);
    EXPECT_EQ(layout.width, c.expectedWidth) << c.width;
    EXPECT_EQ(layout.height, c.expectedHeight) << c.height;
  }
}

TEST(ChartLayout, DecorationsTakeTheirRoom) {
  ChartLayout bare = ComputeChartLayout(Bare(1024, 768), 8, 0);
  EXPECT_EQ(bare.left, 40);
  EXPECT_EQ(bare.top, 20);
  EXPECT_EQ(bare.plotWidth, 944);
  EXPECT_EQ(bare.plotHeight, 728);
  EXPECT_EQ(bare.labelRows, 0);

  ChartLayout all = ComputeChartLayout(ChartOptions(), 8, 0);  // the defaults: everything on
  EXPECT_EQ(all.left, 95);
  EXPECT_EQ(all.top, 20);
  EXPECT_EQ(all.plotWidth, 889);
  EXPECT_EQ(all.plotHeight, 768 - 40 - 24 - 160);

  ChartOptions sixteen = Bare(1024, 768);
  sixteen.addStatistics = true;
  EXPECT_EQ(ComputeChartLayout(sixteen, 16, 0).plotHeight, 728 - 320);
}

TEST(ChartLayout, LabelRowsAreReservedForMarksUpToEight) {
  ChartOptions options = Bare(1024, 768);
  EXPECT_EQ(ComputeChartLayout(options, 8, 1).top, 60);
  EXPECT_EQ(ComputeChartLayout(options, 8, 1).plotHeight, 728 - 40);
  EXPECT_EQ(ComputeChartLayout(options, 8, 3).labelRows, 3);
  ChartLayout twelve = ComputeChartLayout(options, 8, 12);
  EXPECT_EQ(twelve.labelRows, 8);
  EXPECT_EQ(twelve.top, 200);
  EXPECT_EQ(twelve.plotHeight, 728 - 180);
  // The band is there even when the labels are switched off.
  options.addLocations = false;
  EXPECT_EQ(ComputeChartLayout(options, 8, 2).top, 80);
}

TEST(ChartOptions, FixedHeightTextIsAnUnsignedInteger) {
  EXPECT_EQ(FixedHeightFromText("300"), 300u);
  EXPECT_EQ(FixedHeightFromText("  1250m"), 1250u);
  EXPECT_EQ(FixedHeightFromText("-5"), 4294967291u);
  EXPECT_EQ(FixedHeightFromText("abc"), 0u);
  EXPECT_EQ(FixedHeightFromText("99999999999"), 0x7FFFFFFFu);
  ExportOptions dialog;
  dialog.BmpFixHeight = 1;
  dialog.FixedHeightText = "800";
  dialog.BmpAddKm = 0;
  ChartOptions chart = ChartOptionsFrom(dialog);
  EXPECT_TRUE(chart.fixHeight);
  EXPECT_EQ(chart.fixedHeight, 800u);
  EXPECT_FALSE(chart.addKilometres);
  EXPECT_TRUE(chart.addHeights);
}

// ---- Helpers ----

TEST(ChartScale, NiceStepIsTwoAndAHalfFiveOrTenTimesAPowerOfTen) {
  struct Case { double raw, step; };
  const Case cases[] = {{1, 2.5},      {2.5, 2.5},   {2.6, 5},      {5, 5},       {7, 10},
                        {86.67, 100},  {120, 250},   {999, 1000},   {1000, 2500}, {3333.3, 5000},
                        {0.1, 0.25},   {0.05, 0.25}, {0.000111, 0.0025},
                        // the power is the one toward 1: 0.5 takes 10^0 (the logarithm
                        // is cut toward 0), 0.000111 takes 10^-3
                        {0.5, 2.5}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(NiceStep(c.raw), c.step) << c.raw;
}

TEST(ChartScale, SlopeColourSaturatesAtTheSteepestClassBound) {
  // w = 5 %, N = 8: the scale is 255 / 0.2 per unit of slope.
  EXPECT_EQ(SlopeColour(0.0, kEightClasses), 0x00FF00u);
  EXPECT_EQ(SlopeColour(0.20, kEightClasses), 0xFF0000u);
  EXPECT_EQ(SlopeColour(-0.20, kEightClasses), 0x0000FFu);
  EXPECT_EQ(SlopeColour(0.35, kEightClasses), 0xFF0000u);
  EXPECT_EQ(SlopeColour(-3.0, kEightClasses), 0x0000FFu);
  EXPECT_EQ(SlopeColour(0.10, kEightClasses), 0x7F8000u);   // 127.5 cut to 127
  EXPECT_EQ(SlopeColour(-0.10, kEightClasses), 0x00807Fu);
  EXPECT_EQ(SlopeColour(0.05, kEightClasses), 0x3FC000u);   // 63.75
  // 1 % classes, 6 of them: saturated at 3 %.
  EXPECT_EQ(SlopeColour(0.03, MakeSlopeClassConfig(0, 0)), 0xFF0000u);
}

TEST(ChartScale, SlopesAreSmoothedOverSevenSamples) {
  std::vector<ProfileSample> samples = SamplesOfHeights({0, 0, 0, 0, 0, 10, 20, 30, 40, 50});
  // slopes 0 0 0 0 0 1 1 1 1 1: the window of sample 3 holds 1 at +2 and +3.
  EXPECT_DOUBLE_EQ(SmoothedSlope(samples.data(), 10, 3), (0.65 + 0.35) * 0.2);
  EXPECT_DOUBLE_EQ(SmoothedSlope(samples.data(), 10, 4), (1 + 0.65 + 0.35) * 0.2);
  // Beyond the ends the first and last slopes repeat.
  EXPECT_DOUBLE_EQ(SmoothedSlope(samples.data(), 10, 0), 0.0);
  EXPECT_DOUBLE_EQ(SmoothedSlope(samples.data(), 10, 9), 1.0);
  // Three samples: samples 1 and 2 enter with sample 0's slope, those
  // after the end (sample 3 on) with the last one's.
  std::vector<ProfileSample> three = SamplesOfHeights({0, 1, 3});  // slopes 0.1 0.1 0.2
  EXPECT_DOUBLE_EQ(SmoothedSlope(three.data(), 3, 0),
                   (0.35 * 0.1 + 0.65 * 0.1 + 0.1 + 0.1 + 0.1 + 0.65 * 0.1 + 0.35 * 0.2) * 0.2);
  EXPECT_DOUBLE_EQ(SmoothedSlope(three.data(), 3, 2),
                   (0.35 * 0.1 + 0.65 * 0.1 + 0.1 + 0.1 + 0.2 + 0.65 * 0.2 + 0.35 * 0.2) * 0.2);
}

TEST(ChartScale, FirstHeightTickIsTheNextRoundValue) {
  std::int64_t index = 0;
  EXPECT_DOUBLE_EQ(FirstHeightTick(512, 100, &index), 600);
  EXPECT_EQ(index, 6);
  EXPECT_DOUBLE_EQ(FirstHeightTick(500, 100), 500);
  EXPECT_DOUBLE_EQ(FirstHeightTick(499.6, 100), 500);
  EXPECT_DOUBLE_EQ(FirstHeightTick(0, 250), 0);
  // Below sea level the first tick is still the next multiple, not 0.
  EXPECT_DOUBLE_EQ(FirstHeightTick(-150, 100, &index), -100);
  EXPECT_EQ(index, -1);
}

TEST(ChartScale, AxisLabelTexts) {
  EXPECT_EQ(KilometreLabel(0, 5000.5), "0.0 km");
  EXPECT_EQ(KilometreLabel(0, 5000), "0.0 m");
  EXPECT_EQ(KilometreLabel(500, 800), "500.0 m");
  EXPECT_EQ(KilometreLabel(2500, 8000), "2.5 km");
  EXPECT_EQ(KilometreLabel(12999.9, 20000), "12.9 km");
  EXPECT_EQ(HeightLabel(0), "0.0 mm");
  EXPECT_EQ(HeightLabel(500), "500.0 m");
  EXPECT_EQ(HeightLabel(2500), "2.5 km");
  EXPECT_EQ(HeightLabel(0.25), "250.0 mm");
}

// ---- The picture ----

TEST(ChartPicture, BarsRiseFromTheBaselineInTheSlopeColour) {
  Chart chart;
  Draw(chart, ClimbAndDescent(), Bare());  // range 260 m on 260 rows: 1 pixel per metre
  ASSERT_EQ(chart.image.Width(), 400u);
  ASSERT_EQ(chart.image.Height(), 300u);
  ASSERT_EQ(chart.image.BitsPerPixel(), 24);
  struct Column { int sample, bar; std::uint32_t colour; };
  const Column columns[] = {{60, 120, 0xFF0000},    // steady 20 % climb
                            {170, 220, 0x00807F},   // steady -10 % descent
                            {130, 260, 0x669900}};  // the top: 3 x 0.2 - 2 x 0.1 smoothed = 8 %
  for (const Column& c : columns) {
    const int x = 40 + c.sample;
    for (int row = 280 - c.bar + 5; row <= 280; ++row)
      ASSERT_EQ(chart.image.GetPixel(x, row), c.colour) << c.sample << " row " << row;
    // the outline climbs 2 rows a column and spreads a row: white 6 rows up
    for (int row = 0; row < 280 - c.bar - 6; ++row)
      ASSERT_EQ(chart.image.GetPixel(x, row), kWhite) << c.sample << " row " << row;
  }
  // Sample 0 is the lowest: no bar, only the outline on the baseline.
  EXPECT_TRUE(IsGrey(chart.image.GetPixel(40, 280)));
  // Nothing right of the last sample, nothing below the baseline but outline.
  for (int row = 0; row < 300; ++row) ASSERT_EQ(chart.image.GetPixel(40 + 202, row), kWhite);
  for (int x = 0; x < 400; ++x) ASSERT_EQ(chart.image.GetPixel(x, 282), kWhite);
}

TEST(ChartPicture, OutlineJoinsTheBarTopsInGrey) {
  Chart chart;
  Draw(chart, ClimbAndDescent(), Bare());
  // The outline point of sample 60 lies on row 280 - 120 = 160.
  for (int sample : {60, 100, 170}) {
    const int bar = sample <= 130 ? 2 * sample : 260 - (sample - 130);
    const std::uint32_t top = chart.image.GetPixel(40 + sample, 280 - bar);
    EXPECT_TRUE(IsGrey(top)) << sample;
    EXPECT_LT(top & 0xFF, 0xCCu) << sample;
  }
}

TEST(ChartPicture, FlatRouteHasNoBarsAndItsOutlineOnTheBaseline) {
  Chart chart;
  Draw(chart, SamplesOfHeights(std::vector<double>(300, 1234.0)), Bare());
  for (int x = 40; x < 340; ++x) {
    const std::uint32_t outline = chart.image.GetPixel(x, 280);
    EXPECT_TRUE(IsGrey(outline) && outline != kWhite) << x;
    EXPECT_EQ(chart.image.GetPixel(x, 277), kWhite) << x;
  }
  for (int row = 0; row < 300; ++row)
    for (int x = 0; x < 400; ++x) ASSERT_TRUE(IsGrey(chart.image.GetPixel(x, row)));
}

TEST(ChartPicture, NeverMoreSamplesThanPlotColumns) {
  std::vector<double> heights(400, 100.0);
  heights[330] = heights[360] = 900.0;  // beyond PW = 320: must not show
  Chart chart;
  Draw(chart, SamplesOfHeights(heights), Bare());
  for (int x = 40 + 320 + 2; x < 400; ++x)
    for (int row = 0; row < 300; ++row) ASSERT_EQ(chart.image.GetPixel(x, row), kWhite) << x;
}

TEST(ChartPicture, HugeVerticalScalesAreClippedNotOverflowed) {
  // 2.6e9 pixels for the second sample: filled up to the picture's top edge.
  std::vector<ProfileSample> samples = SamplesOfHeights({0, 1e7, 0, 0, 0, 0, 0, 0});
  ChartOptions options = Bare();
  options.fixHeight = true;
  options.fixedHeight = 1;
  Chart chart;
  Draw(chart, samples, options);
  for (int row = 0; row <= 280; ++row) ASSERT_NE(chart.image.GetPixel(41, row), kWhite) << row;
  EXPECT_EQ(chart.image.GetPixel(44, 270), kWhite);
}

TEST(ChartPicture, FixedHeightSetsTheScale) {
  // 300 m over 260 rows: sample 60 (120 m above the lowest) has 104 rows.
  ChartOptions options = Bare();
  options.fixHeight = true;
  options.fixedHeight = 300;
  Chart chart;
  Draw(chart, ClimbAndDescent(), options);
  EXPECT_EQ(chart.image.GetPixel(100, 280 - 104 + 4), 0xFF0000u);
  EXPECT_EQ(chart.image.GetPixel(100, 280 - 104 - 4), kWhite);
  // A fixed height of 0 cannot scale anything: the profile's own range is used.
  options.fixedHeight = 0;
  Chart fixedZero, own;
  Draw(fixedZero, ClimbAndDescent(), options);
  Draw(own, ClimbAndDescent(), Bare());
  EXPECT_TRUE(SamePixels(fixedZero.image, own.image));
}

TEST(ChartPicture, LabelsStackWhileTheyOverlap) {
  CLocationTable locations;
  locations.Add({"Alpha", 0, 0, 1});
  locations.Add({"Beta", 0, 0, 1});
  locations.Add({"Gamma", 0, 0, 1});
  std::vector<double> heights(300, 100.0);
  heights[299] = 360.0;
  std::vector<ProfileSample> samples = SamplesOfHeights(heights);
  samples[10].location = 0;
  samples[40].location = 1;
  samples[200].location = 2;
  ChartOptions options = Bare();
  options.addLocations = true;
  Chart chart;
  Draw(chart, samples, options, 0.0, locations, 3);
  ASSERT_EQ(chart.layout.top, 100);         // three rows of 20 and one spare above T
  ASSERT_EQ(Baseline(chart.layout), 280);
  // Alpha on the top row (T - 60); Beta overlaps it and drops a row; Gamma
  // starts after both have ended and goes back to the top.
  EXPECT_TRUE(TextAt(chart.image, 40 + 10 - 10, 40, CRasterImage::kAlignLeft, "Alpha"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 40 - 10, 60, CRasterImage::kAlignLeft, "Beta"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 200 - 10, 40, CRasterImage::kAlignLeft, "Gamma"));
  // Each line runs from 20 rows below its label's top down to the outline.
  for (int row = 60; row <= 277; ++row) ASSERT_EQ(chart.image.GetPixel(50, row), 0xCCCCCCu) << row;
  for (int row = 80; row <= 277; ++row) ASSERT_EQ(chart.image.GetPixel(80, row), 0xCCCCCCu) << row;
  for (int row = 57; row < 60; ++row) EXPECT_EQ(chart.image.GetPixel(50, row), kWhite) << row;
  EXPECT_EQ(chart.image.GetPixel(80, 78), kWhite);
}

TEST(ChartPicture, ALocationLineRunsUpwardsWhereTheProfileRisesAboveIt) {
  // A fixed height of 1 m sends sample 10 (5 m) far above the picture: the
  // line's length is negative and it runs up from its start (row 60) over
  // the bar, so the place stays marked; below its start the bar is intact.
  std::vector<double> heights(300, 0.0);
  heights[10] = 5.0;
  std::vector<ProfileSample> samples = SamplesOfHeights(heights);
  samples[10].location = 0;
  CLocationTable locations;
  locations.Add({"Alpha", 0, 0, 1});
  ChartOptions options = Bare();
  options.addLocations = options.fixHeight = true;
  options.fixedHeight = 1;
  Chart chart;
  Draw(chart, samples, options, 0.0, locations, 1);
  for (int row = 0; row < 40; ++row) ASSERT_EQ(chart.image.GetPixel(50, row), 0xCCCCCCu) << row;
  for (int row = 57; row <= 60; ++row) ASSERT_EQ(chart.image.GetPixel(50, row), 0xCCCCCCu) << row;
  for (int row = 61; row <= 278; ++row) {
    ASSERT_NE(chart.image.GetPixel(50, row), 0xCCCCCCu) << row;
    ASSERT_NE(chart.image.GetPixel(50, row), kWhite) << row;
  }
}

TEST(ChartPicture, LabelBandStaysEmptyWithLabelsOff) {
  std::vector<ProfileSample> samples = SamplesOfHeights(std::vector<double>(300, 100.0));
  samples[10].location = 0;
  CLocationTable locations;
  locations.Add({"Alpha", 0, 0, 1});
  Chart chart;
  Draw(chart, samples, Bare(), 0.0, locations, 1);
  EXPECT_EQ(chart.layout.top, 60);
  for (int row = 0; row < 278; ++row)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(chart.image.GetPixel(x, row), kWhite);
}

TEST(ChartPicture, KilometreAxisTicksAndLabels) {
  ChartOptions options = Bare();
  options.addKilometres = true;  // PH = 236, baseline 256
  Chart chart;
  Draw(chart, SamplesOfHeights(std::vector<double>(320, 100.0)), options, 10000.0);
  ASSERT_EQ(Baseline(chart.layout), 256);
  for (int x = 40; x < 360; ++x) ASSERT_EQ(chart.image.GetPixel(x, 256), kBlack) << x;
  // 10 km on 320 columns: 3 slots of 3333 m give ticks every 5 km, long
  // (8 rows) for even, short (4 rows) for odd ticks.
  for (int x : {40, 360})
    for (int row = 256; row < 264; ++row) ASSERT_EQ(chart.image.GetPixel(x, row), kBlack) << x;
  for (int row = 256; row < 260; ++row) ASSERT_EQ(chart.image.GetPixel(200, row), kBlack);
  EXPECT_EQ(chart.image.GetPixel(200, 261), kWhite);
  EXPECT_TRUE(TextAt(chart.image, 40, 264, CRasterImage::kAlignCentre, "0.0 km"));
  EXPECT_TRUE(TextAt(chart.image, 200, 264, CRasterImage::kAlignCentre, "5.0 km"));
  EXPECT_TRUE(TextAt(chart.image, 360, 264, CRasterImage::kAlignCentre, "10.0 km"));

  // 4 km: ticks every 2.5 km; the start of a short route reads 0.0 m.
  Chart shortRoute;
  Draw(shortRoute, SamplesOfHeights(std::vector<double>(320, 100.0)), options, 4000.0);
  EXPECT_TRUE(TextAt(shortRoute.image, 40, 264, CRasterImage::kAlignCentre, "0.0 m"));
  EXPECT_TRUE(TextAt(shortRoute.image, 240, 264, CRasterImage::kAlignCentre, "2.5 km"));
  for (int row = 256; row < 260; ++row) ASSERT_EQ(shortRoute.image.GetPixel(240, row), kBlack);
}

TEST(ChartPicture, KilometreAxisOfARouteWithoutLength) {
  ChartOptions options = Bare();
  options.addKilometres = true;
  Chart chart;
  Draw(chart, SamplesOfHeights({100.0}), options, 0.0);
  EXPECT_TRUE(TextAt(chart.image, 40, 264, CRasterImage::kAlignCentre, "0.0 m"));
  for (int x = 41; x < 400; ++x) ASSERT_NE(chart.image.GetPixel(x, 263), kBlack) << x;
}

TEST(ChartPicture, HeightAxisTicksAndLabels) {
  std::vector<double> heights;
  for (int i = 0; i < 265; ++i) heights.push_back(512.0 + std::min(i, 260));
  ChartOptions options = Bare();
  options.addHeights = true;  // L = 95, PW = 265, 1 pixel per metre
  Chart chart;
  Draw(chart, SamplesOfHeights(heights), options);
  ASSERT_EQ(chart.layout.left, 95);
  for (int row = 20; row < 280; ++row) ASSERT_EQ(chart.image.GetPixel(95, row), kBlack) << row;
  // 260 m on 3 slots of 75 rows: spacing 100; 600 m (index 6, long tick)
  // on row 280 - 88, 700 m (short) on row 280 - 188, 800 m is off the plot.
  for (int x = 88; x <= 95; ++x) EXPECT_EQ(chart.image.GetPixel(x, 192), kBlack) << x;
  EXPECT_EQ(chart.image.GetPixel(87, 192), kWhite);
  for (int x = 92; x <= 95; ++x) EXPECT_EQ(chart.image.GetPixel(x, 92), kBlack) << x;
  EXPECT_EQ(chart.image.GetPixel(91, 92), kWhite);
  EXPECT_TRUE(TextAt(chart.image, 85, 182, CRasterImage::kAlignRight, "600.0 m"));
  EXPECT_TRUE(TextAt(chart.image, 85, 82, CRasterImage::kAlignRight, "700.0 m"));
  for (int row = 0; row < 70; ++row)
    for (int x = 0; x < 95; ++x) ASSERT_EQ(chart.image.GetPixel(x, row), kWhite);
}

TEST(ChartPicture, LowPlotGetsAnAxisWithoutTicks) {
  // 300 rows - 40 - 24 - 10 classes of 20 leave PH = 36 < 75.
  ChartOptions options = Bare();
  options.addHeights = options.addKilometres = options.addStatistics = true;
  Chart chart;
  Draw(chart, ClimbAndDescent(), options, 1990.0, CLocationTable(), 0, MakeSlopeClassConfig(4, 2));
  ASSERT_EQ(chart.layout.plotHeight, 36);
  for (int row = 20; row < 54; ++row) {  // the outline spreads over rows 55 ... 57
    EXPECT_EQ(chart.image.GetPixel(95, row), kBlack) << row;
    for (int x = 0; x < 95; ++x) ASSERT_EQ(chart.image.GetPixel(x, row), kWhite) << x << "," << row;
  }
}

TEST(ChartPicture, StatisticsBoxRowsAndSummary) {
  ChartOptions options = Bare(600, 500);
  options.addStatistics = true;  // PH = 500 - 40 - 160 = 300, baseline 320, no km axis
  Chart chart;
  Draw(chart, ClimbAndDescent(), options, 1990.0);
  ASSERT_EQ(Baseline(chart.layout), 320);
  // Swatches from -20..-15 % (bottom, row 468) to 15..20 % (top, row 328),
  // coloured by the class middle: -17.5 % is 223 of 255 blue.
  struct Swatch { int u; std::uint32_t colour; };
  for (Swatch s : {Swatch{0, 0x0020DFu}, Swatch{3, 0x00E01Fu}, Swatch{7, 0xDF2000u}}) {
    const int y = 320 + 20 * (8 - s.u) - 12;
    EXPECT_EQ(chart.image.GetPixel(40, y + 1), kBlack) << s.u;
    EXPECT_EQ(chart.image.GetPixel(55, y + 16), kBlack) << s.u;
    EXPECT_EQ(chart.image.GetPixel(41, y + 2), s.colour) << s.u;
    EXPECT_EQ(chart.image.GetPixel(54, y + 15), s.colour) << s.u;
  }
  // Bottom row: the farther bound first, then the nearer one.
  EXPECT_TRUE(TextAt(chart.image, 40 + 55, 470, CRasterImage::kAlignRight, "-20%"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 70, 470, CRasterImage::kAlignRight, ".."));
  EXPECT_TRUE(TextAt(chart.image, 40 + 105, 470, CRasterImage::kAlignRight, "-15%"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 180, 470, CRasterImage::kAlignRight, "0.00 km"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 240, 470, CRasterImage::kAlignRight, "0.0%"));
  // Climb: 130 steps of 10 m at 20 % in class 15..20 %, 1300 of 1990 m.
  EXPECT_TRUE(TextAt(chart.image, 40 + 55, 330, CRasterImage::kAlignRight, "20%"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 105, 330, CRasterImage::kAlignRight, "15%"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 180, 330, CRasterImage::kAlignRight, "1.30 km"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 240, 330, CRasterImage::kAlignRight, "65.3%"));
  // Descent: 69 steps at -10 % in class -10..-5 %, 690 m.
  EXPECT_TRUE(TextAt(chart.image, 40 + 180, 430, CRasterImage::kAlignRight, "0.69 km"));
  EXPECT_TRUE(TextAt(chart.image, 40 + 240, 430, CRasterImage::kAlignRight, "34.7%"));
  // Summary rows 390 ... 470: length, highest, lowest, difference, climbed.
  const char* values[] = {"1.99", "360", "100", "260", "260"};
  const char* labels[] = {"Gesamtl\xE4nge:", ("H\xF6" "chster Punkt:"), "Tiefster Punkt:",
                          "H\xF6henunterschied:", "Gemachte H\xF6henmeter:"};
  for (int j = 0; j < 5; ++j) {
    EXPECT_TRUE(TextAt(chart.image, 40 + 440, 390 + 20 * j, CRasterImage::kAlignRight, values[j]));
    EXPECT_TRUE(TextAt(chart.image, 40 + 270, 390 + 20 * j, CRasterImage::kAlignLeft, labels[j]));
    EXPECT_TRUE(TextAt(chart.image, 40 + 445, 390 + 20 * j, CRasterImage::kAlignLeft,
                       j == 0 ? "km" : "m"));
  }
}

TEST(ChartPicture, StatisticsLabelsAreLanguageTexts) {
  SetProgramText(kTextLabelTotalLength, "Total length:");
  ChartOptions options = Bare(600, 500);
  options.addStatistics = true;
  Chart chart;
  Draw(chart, ClimbAndDescent(), options, 1990.0);
  ResetProgramTexts();
  EXPECT_TRUE(TextAt(chart.image, 40 + 270, 390, CRasterImage::kAlignLeft, "Total length:"));
}

TEST(ChartPicture, PictureMemoryThatCannotBeHadIsReported) {
  ChartLayout layout = ComputeChartLayout(Bare(), 8, 0);
  layout.width = 40000;  // beyond what a raster image can be
  CRasterImage image;
  std::vector<ProfileSample> samples = ClimbAndDescent();
  EXPECT_FALSE(DrawProfileChart(image, layout, samples.data(), int(samples.size()), 1990.0, Bare(),
                                kEightClasses, CLocationTable()));
  EXPECT_FALSE(image.HasPixels());
}

// Drawing uses no library mathematics that could differ in the last bit, so
// the same samples give the same file in every build. The hash was taken
// after looking at the picture (kept as every-platform.bmp) by eye: a rough
// zigzag climb, three stacked labels and one apart, both axes and the
// statistics box.
TEST(ChartPicture, SamePictureOnEveryPlatform) {
  std::vector<double> heights;
  for (int i = 0; i < 889; ++i)  // climbs and dips with a little roughness
    heights.push_back(800.0 + 0.5 * i - 1.5 * std::abs(i % 160 - 80) + 0.3 * ((i * 7) % 11));
  std::vector<ProfileSample> samples = SamplesOfHeights(heights);
  CLocationTable locations;
  for (const char* name : {"Start", "Br\xFC" "cke", "Alm", "Gipfelkreuz"})
    locations.Add({name, 0, 0, 1});
  samples[5].location = 0;
  samples[30].location = 1;
  samples[60].location = 2;
  samples[600].location = 3;
  Chart chart;
  Draw(chart, samples, ChartOptions(), 8880.0, locations, 4);
  std::string bytes;
  CBmpFile().WriteTo(AppendBytes, &bytes, chart.image);
  KeepPicture("every-platform.bmp", bytes);
  EXPECT_EQ(Fnv1a(bytes), 6522309240179502462ULL) << Fnv1a(bytes);
}

// ---- The chart step ----

class ChartStep : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempDir();
    route_ = folder_ + "/andorra.kml";
    ASSERT_TRUE(WriteWholeFile(
        route_, ReadWholeFile(SourcePath("examples/routes/from-gpx/test_route_andorra.kml"))));
    options_.RoutePath = route_;
    options_.TileFolder = SourcePath("examples/tiles");
    options_.BmpShow = 1;
    const int points = ReadKmlRoute(route_.c_str(), longitudes_, latitudes_);
    ASSERT_GT(points, 1);
    longitudes_.resize(std::size_t(points));
    latitudes_.resize(std::size_t(points));
    length_ = RouteLength(longitudes_.data(), latitudes_.data(), points);
    locations_.Add({"Andorra la Vella", 1.520731, 42.506666, 300});
    locations_.Add({"Encamp", 1.5833, 42.5347, 400});
    locations_.Add({"Canillo", 1.5975, 42.5667, 300});
  }
  void TearDown() override {
    ResetProgramTexts();
    RemoveTree(folder_);
  }

  int Run() {
    std::string errorText;
    CTileStore tiles(errorText, options_.TileFolder);
    try {
      ExportProfileChart(longitudes_, latitudes_, length_, options_, MakeSlopeClassConfig(4, 1),
                         locations_, tiles, host_, errorText);
    } catch (int code) {
      errorText_ = errorText;
      return code;
    }
    errorText_ = errorText;
    return 0;
  }

  std::string folder_, route_, errorText_;
  ExportOptions options_;
  CLocationTable locations_;
  RecordingHost host_;
  std::vector<double> longitudes_, latitudes_;
  double length_ = 0.0;
};

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
         std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 |
         std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
}

TEST_F(ChartStep, WritesTheBmpNextToTheRouteAndOpensIt) {
  ASSERT_EQ(Run(), 0) << errorText_;
  const std::string picture = folder_ + "/andorra.bmp";
  EXPECT_EQ(ProfileChartPath(route_), picture);
  const std::string bytes = ReadWholeFile(picture);
  ASSERT_EQ(bytes.size(), 54u + 3072u * 768u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(Le32(bytes, 2), bytes.size());
  EXPECT_EQ(Le32(bytes, 18), 1024u);
  EXPECT_EQ(Le32(bytes, 22), 768u);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_TRUE(host_.questions.empty());
  EXPECT_EQ(host_.opened, std::vector<std::string>{picture});
  KeepPicture("andorra.bmp", bytes);
  // The picture of docs/example-chart.png, the same in every build: tiles,
  // sampling and drawing alike avoid the C library's last-bit differences.
  EXPECT_EQ(Fnv1a(bytes), 3763520439644974994ULL) << Fnv1a(bytes);
}

TEST_F(ChartStep, AsksBeforeReplacingAndKeepsTheFileOnCancel) {
  const std::string picture = folder_ + "/andorra.bmp";
  ASSERT_TRUE(WriteWholeFile(picture, "old"));
  SetProgramText(kTextCaptionQuestion, "Question");
  host_.answerOk = false;
  EXPECT_EQ(Run(), kAbortDeclined);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].text, FormatProgramText(kTextPictureExists, picture));
  EXPECT_EQ(host_.questions[0].caption, "Frage");  // the built-in caption, whatever the language
  EXPECT_EQ(ReadWholeFile(picture), "old");
  EXPECT_TRUE(host_.opened.empty());

  host_.answerOk = true;
  options_.BmpShow = 0;
  EXPECT_EQ(Run(), 0) << errorText_;
  EXPECT_EQ(ReadWholeFile(picture).size(), 54u + 3072u * 768u);
  EXPECT_TRUE(host_.opened.empty());
}

TEST_F(ChartStep, UnsavablePictureIsReported) {
  const std::string picture = folder_ + "/andorra.bmp";
  ASSERT_TRUE(std::filesystem::create_directory(picture));
  EXPECT_EQ(Run(), kAbortPictureNotSaved);
  EXPECT_EQ(errorText_, FormatProgramText(kTextPictureNotSaved, picture));
  EXPECT_EQ(GetFileKind(picture.c_str()), kFileKindFolder);
  EXPECT_TRUE(host_.opened.empty());
}

TEST_F(ChartStep, NoRoomForThePlotIsRefusedBeforeAnythingIsWritten) {
  options_.BmpWidth = 400;
  options_.BmpHeight = 300;
  options_.StatSel = 5;  // 16 classes: 320 rows of statistics
  std::string errorText;
  CTileStore tiles(errorText, options_.TileFolder);
  try {
    ExportProfileChart(longitudes_, latitudes_, length_, options_, MakeSlopeClassConfig(4, 5),
                       locations_, tiles, host_, errorText);
    FAIL() << "drawn without a plot";
  } catch (int code) {
    EXPECT_EQ(code, kAbortPictureNotSaved);
  }
  EXPECT_EQ(errorText, FormatProgramText(kTextPictureNotSaved, folder_ + "/andorra.bmp"));
  EXPECT_EQ(GetFileKind((folder_ + "/andorra.bmp").c_str()), kFileKindNone);
}

TEST_F(ChartStep, MissingTileAbortsBeforeThePicture) {
  options_.TileFolder = folder_;
  EXPECT_EQ(Run(), kAbortTileStore);
  EXPECT_NE(errorText_.find("N42E001"), std::string::npos) << errorText_;
  EXPECT_EQ(GetFileKind((folder_ + "/andorra.bmp").c_str()), kFileKindNone);
}
