// The height-profile picture: one bar per pixel column, coloured by slope,
// with outline, location labels, axes and a statistics box, saved as a
// 24-bit BMP next to the route.
//
// Three layers, each usable on its own: the layout (pure arithmetic on the
// options), the drawing into a CRasterImage (samples in, pixels out, no
// files), and the chart step of an export run (sampling, the overwrite
// question, saving, opening).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/export_options.h"
#include "core/locations.h"
#include "core/profile_sampler.h"
#include "core/profile_statistics.h"

class CRasterImage;
class CTileStore;
class IRunHost;
struct ExportOptions;

// ---- Colours (0x00RRGGBB) -------------------------------------------------------

constexpr std::uint32_t kChartBackground = 0xFFFFFF;
constexpr std::uint32_t kChartInk = 0x000000;          // axes, ticks, text, swatch frames
constexpr std::uint32_t kChartOutline = 0xAAAAAA;      // line along the profile's top
constexpr std::uint32_t kChartLocationLine = 0xCCCCCC; // from a label down to the profile

// ---- What the user chose ------------------------------------------------------------

struct ChartOptions {
  std::uint32_t width = 1024;   // as entered: 0 means the default size
  std::uint32_t height = 768;
  bool addLocations = true;     // BmpAddLoc
  bool addKilometres = true;    // BmpAddKm
  bool addHeights = true;       // BmpAddHeight
  bool addStatistics = true;    // BmpAddStat
  bool fixHeight = false;       // BmpFixHeight
  std::uint32_t fixedHeight = 300;  // metres the plot height stands for with fixHeight;
                                    // 0 scales by the profile's own range, as without it
};

// The chart's share of the dialog's options; the fixed height comes from
// its text as FixedHeightFromText reads it.
ChartOptions ChartOptionsFrom(const ExportOptions& options);

// The fixed height box's text as an integer (blanks, sign, digits, saturated
// to 32 bits) taken as unsigned, so a negative entry is a huge height.
std::uint32_t FixedHeightFromText(const std::string& text);

// ---- Layout -----------------------------------------------------------------------

constexpr std::uint32_t kMinChartWidth = 400;
constexpr std::uint32_t kMinChartHeight = 300;
constexpr int kMaxLabelRows = 8;

// Pixel quantities of one picture. The profile's baseline is the row
// top + plotHeight; sample i is drawn in column left + i.
struct ChartLayout {
  int width;        // W: 0 means 1024, then limited to 400 ... 16000
  int height;       // H: 0 means 768, then limited to 300 ... 16000
  int left;         // L: 40, or 95 with the height axis
  int top;          // T: 20, or 20 * (m + 2) with m label rows
  int plotWidth;    // PW: W - 80, or W - 135 with the height axis
  int plotHeight;   // PH: H - 40 - 24 (km axis) - 20 * N (statistics) - 20 * (m + 1) (labels)
  int labelRows;    // m = min(marks, 8); reserved whenever the route passes locations
};

// classCount is N of the slope classes, marks the number of samples that
// carry a location. A plotHeight below 1 cannot be drawn (see ExportProfileChart).
ChartLayout ComputeChartLayout(const ChartOptions& options, int classCount, int marks);

// ---- Drawing helpers ------------------------------------------------------------------

// A tick spacing of 2.5, 5 or 10 times a power of ten for a raw spacing r > 0:
// p = 10 ^ trunc(log10 r), q = r / p; 2.5p for q <= 2.5, 5p for q <= 5, else 10p.
double NiceStep(double rawSpacing);

// The colour of a slope (a fraction, 0.05 = 5 %): green when flat, shading to
// red uphill and to blue downhill, saturated at width * count / 2 percent.
std::uint32_t SlopeColour(double slope, const SlopeClassConfig& classes);

// The slope a bar is coloured by: the weighted mean (0.35, 0.65, 1, 1, 1,
// 0.65, 0.35; sum times 0.2) of the slopes of samples i - 3 ... i + 3, where
// samples before the first count with sample 0's slope and those after the
// last with the last one's.
double SmoothedSlope(const ProfileSample* samples, int count, int i);

// The first height-axis tick at or above lowest for a spacing: the multiple
// of spacing found from (spacing * 0.995 + lowest) / spacing rounded down,
// so a lowest point a hair below a round value still gets that value.
// The multiple's index is returned in index (its parity picks the tick length).
double FirstHeightTick(double lowest, double spacing, std::int64_t* index = nullptr);

// Axis label texts: "500.0 m", "2.5 km"; the height axis passes metres and
// labels in thousandths, so a height of 0 gives "0.0 mm".
std::string KilometreLabel(double distance, double routeLength);
std::string HeightLabel(double height);

// ---- Drawing ------------------------------------------------------------------------

// Creates image as a white 24-bit picture of the layout's size and draws the
// chart of samples into it: bars, outline, and as chosen the location labels,
// kilometre axis, height axis and statistics box. At most plotWidth samples
// are drawn. The statistics are computed from the samples; routeLength is the
// route's length in metres. False (and nothing drawn) when the picture's
// memory cannot be had. layout.plotHeight must be at least 1.
bool DrawProfileChart(CRasterImage& image, const ChartLayout& layout,
                      const ProfileSample* samples, int count, double routeLength,
                      const ChartOptions& options, const SlopeClassConfig& classes,
                      const CLocationTable& locations);

// ---- The chart step -------------------------------------------------------------------

// The picture's files: the route path with the extension "bmp", or "png".
std::string ProfileChartPath(const std::string& routePath);
std::string ProfileChartPngPath(const std::string& routePath);

// The whole chart step of an export run: samples the route once per plot
// column, marks the locations, asks before replacing an existing picture,
// draws once and saves <route>.bmp (BmpOn) and/or <route>.png (PngOn) from
// the same pixels, and opens the first of them if asked. Throws the run's abort
// codes (core/run_abort.h) with the message in errorText: the tile store's
// codes while sampling; kAbortDeclined when the user keeps an existing file;
// kAbortPictureNotSaved when the options leave no room for the plot, when
// the picture's memory cannot be had (the lack-of-memory text) and when the
// file cannot be written (a partly written file is removed).
void ExportProfileChart(const std::vector<double>& longitudes, const std::vector<double>& latitudes,
                        double routeLength, const ExportOptions& options,
                        const SlopeClassConfig& classes, const CLocationTable& locations,
                        CTileStore& tiles, IRunHost& host, std::string& errorText);
