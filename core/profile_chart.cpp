// The profile chart. Everything is drawn by CRasterImage in memory, so the
// same route gives the same bytes on every platform; that is also why the
// powers of ten of the tick spacing are found by exact comparisons instead of
// log10/pow, whose last bit differs between C libraries.
//
// Bar heights are limited to a picture's height above the top edge before
// they become integers: a fixed height far below the profile's range (or a
// flat route's 0.001 m range) gives scales of millions of pixels per metre,
// and anything beyond the picture is clipped anyway. The limit keeps the
// outline's segments leaving the picture at the same place as unlimited ones.
#include "core/profile_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/export_options.h"
#include "core/file_replace.h"
#include "core/program_texts.h"
#include "core/run_abort.h"
#include "core/run_host.h"
#include "raster/bmp_file.h"
#include "raster/png_file.h"
#include "raster/builtin_font.h"
#include "raster/graphics_errors.h"
#include "raster/raster_image.h"
#include "support/file_path.h"
#include "support/text_scan.h"

namespace {

// ---- Layout numbers ----
constexpr int kPlotLeft = 40;
constexpr int kPlotLeftWithHeightAxis = 95;
constexpr int kPlotRightMargin = 40;
constexpr int kPlotTop = 20;
constexpr int kVerticalMargins = 40;       // 20 above and 20 below the plot
constexpr int kKilometreAxisHeight = 24;
constexpr int kStatisticsRowHeight = 20;
constexpr int kLabelRowHeight = 20;
constexpr int kLabelLead = 10;             // a label starts this far left of its sample
constexpr int kLabelGap = 5;               // free columns a label keeps after its text

// ---- Axes ----
constexpr int kKilometreTickPixels = 100;  // about one tick per 100 columns
constexpr int kHeightTickPixels = 75;      // about one tick per 75 rows
constexpr int kLongTick = 8;
constexpr int kShortTick = 4;
constexpr int kKilometreLabelGap = 8;      // below the baseline
constexpr int kHeightLabelGap = 10;        // left of the axis, and up to centre the glyphs
constexpr double kMinKilometreSpacing = 0.1;
constexpr double kShortRouteMetres = 5000.0;  // up to here the first label stays "0.0 m"

// ---- Profile ----
constexpr double kMinHeightRange = 0.001;
constexpr double kMinSampleStep = 0.1;
constexpr int kBitsPerPixel = 24;
constexpr int kSmoothingReach = 3;
constexpr double kSmoothingWeights[2 * kSmoothingReach + 1] = {0.35, 0.65, 1, 1, 1, 0.65, 0.35};
constexpr double kSmoothingNorm = 0.2;
constexpr double kPercent = 0.01;

// ---- Statistics box, x offsets from L ----
constexpr int kSwatchSize = 16;
constexpr int kSwatchRowOffset = 12;       // a class row's top above its 20-pixel slot end
constexpr int kSummaryRowOffset = 92;      // the first summary row above the statistics end
constexpr int kSummaryRows = 5;
constexpr int kTextDrop = 2;
constexpr int kRangeDotsX = 70;
constexpr int kFirstBoundX = 55;           // the bound farther from 0
constexpr int kSecondBoundX = 105;         // the bound nearer to 0
constexpr int kClassKilometresX = 180;
constexpr int kClassShareX = 240;
constexpr int kSummaryLabelX = 270;
constexpr int kSummaryValueX = 440;
constexpr int kSummaryUnitX = 445;
constexpr double kMetresToKilometres = 0.001;
constexpr double kFractionToPercent = 100.0;

// What the vertical direction of the plot stands for.
struct VerticalScale {
  double lowest;
  double highest;
  double climbed;
  double range;           // metres shown by the plot height
  double pixelsPerMetre;
  int barLimit;           // bars never reach more than a picture above its top
};

template <typename... Arguments>
std::string Printed(const char* format, Arguments... arguments) {
  char text[128];
  std::snprintf(text, sizeof text, format, arguments...);
  return text;
}

// 10^exponent, exact where a double can hold it, the same on every platform.
double PowerOfTen(int exponent) {
  double power = 1.0;
  for (int k = 0; k < exponent; ++k) power *= 10.0;
  return power;
}

// trunc(log10 r) for r > 0: the decade toward 1.
int DecadeTowardOne(double r) {
  constexpr int kMaxDecade = 308;
  int k = 0;
  if (r >= 1.0) {
    while (k < kMaxDecade && PowerOfTen(k + 1) <= r) ++k;
    return k;
  }
  while (k < kMaxDecade && r <= 1.0 / PowerOfTen(k + 1)) ++k;
  return -k;
}

// A bar's height in pixels, limited before the conversion to int.
int BarHeight(const VerticalScale& scale, double height) {
  const double pixels = (height - scale.lowest) * scale.pixelsPerMetre;
  if (!(pixels > 0.0)) return 0;
  if (pixels >= scale.barLimit) return scale.barLimit;
  return static_cast<int>(pixels);
}

int Baseline(const ChartLayout& layout) { return layout.top + layout.plotHeight; }

VerticalScale MakeVerticalScale(const ChartLayout& layout, const ChartOptions& options,
                                const ProfileSample* samples, int count,
                                const SlopeClassConfig& config, SlopeClass* classes) {
  VerticalScale scale{};
  scale.climbed = ComputeStatistics(samples, count, classes, config.first, config.last,
                                    config.width, scale.lowest, scale.highest);
  if (scale.highest - scale.lowest < kMinHeightRange)
    scale.highest = scale.lowest + kMinHeightRange;
  // A fixed height of 0 would divide by zero: it counts as "not fixed".
  scale.range = options.fixHeight && options.fixedHeight > 0 ? double(options.fixedHeight)
                                                             : scale.highest - scale.lowest;
  scale.pixelsPerMetre = layout.plotHeight / scale.range;
  scale.barLimit = Baseline(layout) + layout.height;
  return scale;
}

// ---- Drawing steps, in drawing order ----

void DrawBars(CRasterImage& image, const ChartLayout& layout, const ProfileSample* samples,
              int count, const std::vector<int>& bars, const SlopeClassConfig& classes) {
  for (int i = 0; i < count; ++i)
    image.FillRect(layout.left + i, Baseline(layout), 1, -bars[i],
                   SlopeColour(SmoothedSlope(samples, count, i), classes));
}

void DrawOutline(CRasterImage& image, const ChartLayout& layout, const std::vector<int>& bars) {
  const int baseline = Baseline(layout);
  for (std::size_t i = 1; i < bars.size(); ++i) {
    const int x = layout.left + int(i);
    image.DrawLine(x - 1, baseline - bars[i - 1], x, baseline - bars[i], kChartOutline,
                   CRasterImage::PlotSoftPixel);
  }
}

// Labels stack downwards while they would overlap the one before; a label
// that starts after every earlier one has ended goes back to the top row.
void DrawLocationLabels(CRasterImage& image, const ChartLayout& layout,
                        const ProfileSample* samples, int count, const std::vector<int>& bars,
                        const CLocationTable& locations) {
  image.SetTextAlign(CRasterImage::kAlignLeft);
  const int rows = layout.labelRows;
  int extent = 0, row = 0;
  for (int i = 0; i < count; ++i) {
    const int location = samples[i].location;
    if (location < 0 || location >= locations.Count()) continue;
    if (extent < i || row >= rows) row = 0;
    const int k = rows - row;
    const int labelTop = layout.top - kLabelRowHeight * k;
    // Down to the pixel above the outline. Where a fixed height lets the
    // profile rise above the line's start the length is negative and
    // FillRect draws it upwards from there, so the place stays marked.
    const int lineLength = kLabelRowHeight * k - bars[i] + layout.plotHeight - kLabelRowHeight;
    const int x = layout.left + i;
    image.FillRect(x, labelTop + kLabelRowHeight, 1, lineLength, kChartLocationLine);
    const int width = image.DrawText(x - kLabelLead, labelTop, locations[location].name.c_str());
    extent = std::max(extent, width + i + kLabelGap);
    if (++row == kMaxLabelRows) row = 0;
  }
}

void DrawKilometreAxis(CRasterImage& image, const ChartLayout& layout, double routeLength) {
  const int baseline = Baseline(layout);
  image.FillRect(layout.left, baseline, layout.plotWidth, 1, kChartInk);
  image.SetTextAlign(CRasterImage::kAlignCentre);
  const bool measurable = routeLength > 0.0 && std::isfinite(routeLength);
  const int tickSlots = std::max(layout.plotWidth / kKilometreTickPixels, 1);
  const double spacing =
      NiceStep(std::max(measurable ? routeLength / tickSlots : 0.0, kMinKilometreSpacing));
  // Without a length there is only the start to mark (and nothing to divide by).
  const int lastTick = measurable ? layout.plotWidth + 1 : 0;
  for (int k = 0; k <= lastTick; ++k) {
    const double distance = k * spacing;
    if (measurable && distance > routeLength) break;
    const int x = layout.left +
                  (measurable ? static_cast<int>(layout.plotWidth * distance / routeLength) : 0);
    image.FillRect(x, baseline, 1, k % 2 == 0 ? kLongTick : kShortTick, kChartInk);
    image.DrawText(x, baseline + kKilometreLabelGap, KilometreLabel(distance, routeLength).c_str());
  }
}

void DrawHeightAxis(CRasterImage& image, const ChartLayout& layout, const VerticalScale& scale) {
  const int baseline = Baseline(layout);
  image.FillRect(layout.left, layout.top, 1, layout.plotHeight, kChartInk);
  // A plot lower than one tick distance gets no ticks (and no division by 0).
  const int tickSlots = layout.plotHeight / kHeightTickPixels;
  if (tickSlots == 0) return;
  image.SetTextAlign(CRasterImage::kAlignRight);
  const double spacing = NiceStep(scale.range / tickSlots);
  std::int64_t index = 0;
  double value = FirstHeightTick(scale.lowest, spacing, &index);
  for (;;) {
    const double pixels = (value - scale.lowest) * scale.pixelsPerMetre;
    if (!(pixels < layout.plotHeight + 1.0)) break;  // trunc(pixels) > PH, or NaN
    const int y = pixels < -layout.height ? -layout.height : static_cast<int>(pixels);
    image.FillRect(layout.left, baseline - y, (index & 1) == 0 ? -kLongTick : -kShortTick, 1,
                   kChartInk);
    image.DrawText(layout.left - kHeightLabelGap, baseline - y - kHeightLabelGap,
                   HeightLabel(value).c_str());
    const double next = value + spacing;
    if (next == value) break;
    value = next;
    ++index;
  }
}

void DrawClassRows(CRasterImage& image, const ChartLayout& layout, const SlopeClassConfig& config,
                   const SlopeClass* classes, int axisDrop) {
  const int left = layout.left;
  for (int u = 0; u < config.count; ++u) {
    const int c = config.first + u;
    const int y = Baseline(layout) + kStatisticsRowHeight * (config.count - u) -
                  kSwatchRowOffset + axisDrop;
    image.FillRect(left, y + 1, kSwatchSize, kSwatchSize, kChartInk);
    image.FillRect(left + 1, y + 2, kSwatchSize - 2, kSwatchSize - 2,
                   SlopeColour((c + 0.5) * config.width * kPercent, config));
    const int textY = y + kTextDrop;
    image.DrawText(left + kRangeDotsX, textY, "..");
    const int lower = c * config.width, upper = (c + 1) * config.width;
    const bool descent = lower < 0 && upper <= 0;
    image.DrawText(left + kFirstBoundX, textY, Printed("%i%%", descent ? lower : upper).c_str());
    image.DrawText(left + kSecondBoundX, textY, Printed("%i%%", descent ? upper : lower).c_str());
    const SlopeClass& slopeClass = classes[u];
    image.DrawText(left + kClassKilometresX, textY,
                   Printed("%3.2f km", slopeClass.metres * kMetresToKilometres).c_str());
    image.DrawText(left + kClassShareX, textY,
                   Printed("%2.1f%%", slopeClass.share * kFractionToPercent).c_str());
  }
}

void DrawSummaryRows(CRasterImage& image, const ChartLayout& layout, const SlopeClassConfig& config,
                     const VerticalScale& scale, double routeLength, int axisDrop) {
  const std::string values[kSummaryRows] = {
      Printed("%3.2f", routeLength * kMetresToKilometres), Printed("%1.0f", scale.highest),
      Printed("%1.0f", scale.lowest), Printed("%1.0f", scale.highest - scale.lowest),
      Printed("%1.0f", scale.climbed)};
  const int labels[kSummaryRows] = {kTextLabelTotalLength, kTextLabelHighestPoint,
                                    kTextLabelLowestPoint, kTextLabelHeightDifference,
                                    kTextLabelClimbed};
  const char* const units[kSummaryRows] = {"km", "m", "m", "m", "m"};
  auto rowTop = [&](int j) {
    return Baseline(layout) + kStatisticsRowHeight * config.count - kSummaryRowOffset +
           kStatisticsRowHeight * j + axisDrop + kTextDrop;
  };
  image.SetTextAlign(CRasterImage::kAlignRight);
  for (int j = 0; j < kSummaryRows; ++j)
    image.DrawText(layout.left + kSummaryValueX, rowTop(j), values[j].c_str());
  image.SetTextAlign(CRasterImage::kAlignLeft);
  for (int j = 0; j < kSummaryRows; ++j) {
    image.DrawText(layout.left + kSummaryLabelX, rowTop(j), ProgramText(labels[j]));
    image.DrawText(layout.left + kSummaryUnitX, rowTop(j), units[j]);
  }
}

void DrawStatisticsBox(CRasterImage& image, const ChartLayout& layout, const ChartOptions& options,
                       const SlopeClassConfig& config, const SlopeClass* classes,
                       const VerticalScale& scale, double routeLength) {
  const int axisDrop = options.addKilometres ? kStatisticsRowHeight : 0;
  image.SetTextAlign(CRasterImage::kAlignRight);
  DrawClassRows(image, layout, config, classes, axisDrop);
  DrawSummaryRows(image, layout, config, scale, routeLength, axisDrop);
}

int ClampedSide(std::uint32_t entered, std::uint32_t fallback, std::uint32_t minimum) {
  if (entered == 0) entered = fallback;
  return static_cast<int>(std::max(std::min(entered, kMaxChartSide), minimum));
}

int WriteToFile(void* file, const void* data, int count) {
  return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(count),
                                      static_cast<std::FILE*>(file)));
}

// Through a temporary file: a half-written picture never takes the place of
// the old one, nor looks like a finished one.
template <class ImageFile>
void SavePicture(const CRasterImage& image, const std::string& path, std::string& errorText) {
  const bool saved = WriteFileReplacing(path, [&image](std::FILE* file) {
    try {
      ImageFile().WriteTo(WriteToFile, file, image);
      return true;
    } catch (...) {
      return false;
    }
  });
  if (saved) return;
  errorText = FormatProgramText(kTextPictureNotSaved, path);
  throw kAbortPictureNotSaved;
}

void AskBeforeReplacing(const std::string& path, IRunHost& host, std::string& errorText) {
  if (GetFileKind(path.c_str()) == kFileKindNone) return;
  errorText = FormatProgramText(kTextPictureExists, path);
  if (!host.AskOkCancel(errorText, BuiltInProgramText(kTextCaptionQuestion))) throw kAbortDeclined;
}

bool ClassesFit(const SlopeClassConfig& config) {
  return config.count >= 1 && config.count <= kMaxSlopeClasses && config.width >= 1 &&
         config.last - config.first + 1 == config.count;
}

}  // namespace

// ---- Options and layout ----

std::uint32_t FixedHeightFromText(const std::string& text) {
  return static_cast<std::uint32_t>(SaturatedIntFromText(text));
}

ChartOptions ChartOptionsFrom(const ExportOptions& options) {
  ChartOptions chart;
  chart.width = options.BmpWidth;
  chart.height = options.BmpHeight;
  chart.addLocations = options.BmpAddLoc != 0;
  chart.addKilometres = options.BmpAddKm != 0;
  chart.addHeights = options.BmpAddHeight != 0;
  chart.addStatistics = options.BmpAddStat != 0;
  chart.fixHeight = options.BmpFixHeight != 0;
  chart.fixedHeight = FixedHeightFromText(options.FixedHeightText);
  return chart;
}

ChartLayout ComputeChartLayout(const ChartOptions& options, int classCount, int marks) {
  ChartLayout layout;
  layout.width = ClampedSide(options.width, kDefaultChartWidth, kMinChartWidth);
  layout.height = ClampedSide(options.height, kDefaultChartHeight, kMinChartHeight);
  layout.left = options.addHeights ? kPlotLeftWithHeightAxis : kPlotLeft;
  layout.plotWidth = layout.width - layout.left - kPlotRightMargin;
  layout.plotHeight = layout.height - kVerticalMargins;
  if (options.addKilometres) layout.plotHeight -= kKilometreAxisHeight;
  if (options.addStatistics) layout.plotHeight -= kStatisticsRowHeight * classCount;
  layout.labelRows = std::min(std::max(marks, 0), kMaxLabelRows);
  layout.top = kPlotTop;
  if (layout.labelRows >= 1) {
    layout.top = kLabelRowHeight * (layout.labelRows + 2);
    layout.plotHeight -= kLabelRowHeight * (layout.labelRows + 1);
  }
  return layout;
}

// ---- Drawing helpers ----

double NiceStep(double rawSpacing) {
  if (!(rawSpacing > 0.0) || !std::isfinite(rawSpacing)) return rawSpacing;
  const int decade = DecadeTowardOne(rawSpacing);
  const double p = decade >= 0 ? PowerOfTen(decade) : 1.0 / PowerOfTen(-decade);
  const double q = rawSpacing / p;
  if (q <= 2.5) return p * 2.5;
  if (q <= 5.0) return p * 5.0;
  return p * 10.0;
}

std::uint32_t SlopeColour(double slope, const SlopeClassConfig& classes) {
  const int steepest = std::max(classes.last + 1, -classes.first);
  if (classes.width < 1 || steepest < 1) return 0x00FF00;
  const double scale = 255.0 / (classes.width * steepest * kPercent);
  const double c = slope * scale;
  if (std::isnan(c)) return 0x00FF00;
  const double magnitude = std::min(std::fabs(c), 255.0);
  const std::uint32_t v = static_cast<std::uint32_t>(magnitude);
  return c >= 0 ? (v << 16) | ((255 - v) << 8) : ((255 - v) << 8) | v;
}

double SmoothedSlope(const ProfileSample* samples, int count, int i) {
  if (count < 1) return 0.0;
  double sum = 0.0;
  for (int k = -kSmoothingReach; k <= kSmoothingReach; ++k) {
    int j = std::min(std::max(i + k, 0), count - 1);
    // With fewer than four samples the window never holds samples 1 and 2
    // themselves; they enter with sample 0's slope.
    if (count < 4 && (j == 1 || j == 2) && i + k < count) j = 0;
    sum += kSmoothingWeights[k + kSmoothingReach] * samples[j].slope;
  }
  return sum * kSmoothingNorm;
}

double FirstHeightTick(double lowest, double spacing, std::int64_t* index) {
  // Rounded down, not toward zero: below sea level the first tick must not
  // skip past a multiple that lies above the lowest point.
  const double multiple = std::floor((spacing * 0.995 + lowest) / spacing);
  if (index) *index = static_cast<std::int64_t>(std::max(std::min(multiple, 9e18), -9e18));
  return spacing * multiple;
}

std::string KilometreLabel(double distance, double routeLength) {
  if (distance == 0.0 && routeLength > kShortRouteMetres) return "0.0 km";
  char text[64];
  FormatScaled(static_cast<std::int64_t>(std::max(std::min(distance, 9e18), -9e18)), text,
               sizeof text, kScaledMetres, "m");
  return text;
}

std::string HeightLabel(double height) {
  char text[64];
  const double thousandths = std::max(std::min(height * 1000.0, 9e18), -9e18);
  FormatScaled(static_cast<std::int64_t>(thousandths), text, sizeof text, kScaledMillimetres, "m");
  return text;
}

// ---- Drawing ----

bool DrawProfileChart(CRasterImage& image, const ChartLayout& layout,
                      const ProfileSample* samples, int count, double routeLength,
                      const ChartOptions& options, const SlopeClassConfig& classes,
                      const CLocationTable& locations) {
  if (layout.width < 1 || layout.height < 1 ||
      !image.Create(kBitsPerPixel, std::uint32_t(layout.width), std::uint32_t(layout.height),
                    kChartBackground))
    return false;
  if (layout.plotHeight < 1 || !ClassesFit(classes)) return true;
  image.SetFont(kBuiltinFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, kChartInk, 0);
  image.SetTextPen(nullptr, 0, 1);

  if (samples == nullptr) count = 0;
  count = std::min(std::max(count, 0), std::max(layout.plotWidth, 0));
  SlopeClass slopeClasses[kMaxSlopeClasses] = {};
  const VerticalScale scale =
      MakeVerticalScale(layout, options, samples, count, classes, slopeClasses);
  std::vector<int> bars(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) bars[std::size_t(i)] = BarHeight(scale, samples[i].height);

  DrawBars(image, layout, samples, count, bars, classes);
  DrawOutline(image, layout, bars);
  if (options.addLocations && layout.labelRows >= 1)
    DrawLocationLabels(image, layout, samples, count, bars, locations);
  if (options.addKilometres) DrawKilometreAxis(image, layout, routeLength);
  if (options.addHeights) DrawHeightAxis(image, layout, scale);
  if (options.addStatistics)
    DrawStatisticsBox(image, layout, options, classes, slopeClasses, scale, routeLength);
  return true;
}

// ---- The chart step ----

std::string ProfileChartPath(const std::string& routePath) {
  return ChangeExtension(routePath.c_str(), "bmp");
}

std::string ProfileChartPngPath(const std::string& routePath) {
  return ChangeExtension(routePath.c_str(), "png");
}

void ExportProfileChart(const std::vector<double>& longitudes, const std::vector<double>& latitudes,
                        double routeLength, const ExportOptions& options,
                        const SlopeClassConfig& classes, const CLocationTable& locations,
                        CTileStore& tiles, IRunHost& host, std::string& errorText) {
  const ChartOptions chart = ChartOptionsFrom(options);
  const int plotWidth = ComputeChartLayout(chart, classes.count, 0).plotWidth;

  // One sample per plot column, never more.
  const double step = std::max(routeLength / (plotWidth - 1), kMinSampleStep);
  const std::int64_t maxSamples =
      std::min<std::int64_t>(MaxSamplesForStep(routeLength, step), plotWidth);
  const int points = static_cast<int>(std::min(longitudes.size(), latitudes.size()));
  std::vector<ProfileSample> samples;
  SampleProfile(longitudes.data(), latitudes.data(), points, step, maxSamples, tiles, errorText,
                samples);
  const int count = static_cast<int>(samples.size());
  const int marks = MatchLocations(samples.data(), count, locations);

  const std::string bmpPath = ProfileChartPath(options.RoutePath);
  const std::string pngPath = ProfileChartPngPath(options.RoutePath);
  const std::string& firstPath = options.BmpOn ? bmpPath : pngPath;
  const ChartLayout layout = ComputeChartLayout(chart, classes.count, marks);
  // Too many decorations for the picture's height: no room for the profile.
  if (layout.plotHeight < 1) {
    errorText = FormatProgramText(kTextPictureNotSaved, firstPath);
    throw kAbortPictureNotSaved;
  }
  if (options.BmpOn) AskBeforeReplacing(bmpPath, host, errorText);
  if (options.PngOn) AskBeforeReplacing(pngPath, host, errorText);

  CRasterImage image;
  if (!DrawProfileChart(image, layout, samples.data(), count, routeLength, chart, classes,
                        locations)) {
    errorText = ProgramText(kTextRouteNoMemory);
    throw kAbortPictureNotSaved;
  }
  samples = std::vector<ProfileSample>();
  // Both files from the one drawing: the same pixels in either format.
  if (options.BmpOn) SavePicture<CBmpFile>(image, bmpPath, errorText);
  if (options.PngOn) SavePicture<CPngFile>(image, pngPath, errorText);
  if (options.BmpShow) host.OpenWithShell(firstPath);
}
