// Writes each picture twice, as <name>.bmp and <name>.png, for check_png.py
// to compare pixel by pixel: a pattern in every pixel format, a drawing
// with text, and profile charts of the example size and of 4000 x 3000.
// Usage: raster_png_samples <folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/profile_chart.h"
#include "raster/bmp_file.h"
#include "raster/builtin_font.h"
#include "raster/graphics_errors.h"
#include "raster/png_file.h"
#include "raster/raster_image.h"

namespace {

void SaveBoth(const std::string& folder, const std::string& name, const CRasterImage& image) {
  CBmpFile().Save((folder + "/" + name + ".bmp").c_str(), image);
  CPngFile().Save((folder + "/" + name + ".png").c_str(), image);
}

bool SavePatterns(const std::string& folder) {
  const int formats[] = {1, 4, 8, 12, 15, 16, 24, 32};  // all BMP writes
  for (int bits : formats) {
    CRasterImage image;
    if (!image.Create(bits, 13, 7, 0)) return false;
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x)
        image.FillRect(x, y, 1, 1,
                       image.IsTrueColor() ? std::uint32_t(x * 0x25170D + y * 0x0B3947 + 5) & 0xFFFFFF
                                           : std::uint32_t(x * 3 + y * 5) % image.PaletteSize());
    SaveBoth(folder, "pattern_" + std::to_string(bits), image);
  }
  return true;
}

bool SaveDrawing(const std::string& folder) {
  CRasterImage image;
  if (!image.Create(24, 420, 140, 0xFFFFFF)) return false;
  image.FillRect(10, 10, 120, 50, 0xD0E8FF);
  for (int i = 0; i < 12; ++i)
    image.DrawLine(150, 70, 150 + 60 * (i % 4 - 1), 10 + 40 * (i / 4), 0xC00000,
                   i % 2 ? CRasterImage::PlotSoftPixel : CRasterImage::PlotPixel);
  image.SetFont(kBuiltinFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, 0x000000, 0);
  image.DrawText(14, 16, "H\xF6henprofil");
  SaveBoth(folder, "drawing", image);
  return true;
}

// A climb with waves and a place every 200 samples, one sample per column.
bool SaveChart(const std::string& folder, std::uint32_t width, std::uint32_t height) {
  ChartOptions options;
  options.width = width;
  options.height = height;
  const SlopeClassConfig classes = MakeSlopeClassConfig(4, 1);
  const int plotWidth = ComputeChartLayout(options, classes.count, 0).plotWidth;
  std::vector<ProfileSample> samples;
  CLocationTable places;
  double previous = 800.0;
  for (int i = 0; i < plotWidth; ++i) {
    const double h = 800.0 + 0.8 * i + 60.0 * std::sin(i * 0.05) + 15.0 * std::sin(i * 0.7);
    const int place = i % 200 == 50 ? places.Count() : -1;
    if (place >= 0) places.Add({"Ort " + std::to_string(place), 0, 0, 1});
    samples.push_back({1.5, 42.5, h, 20.0 * i, 20.0, (h - previous) / 20.0, place});
    previous = h;
  }
  const ChartLayout layout = ComputeChartLayout(options, classes.count, places.Count());
  CRasterImage image;
  if (!DrawProfileChart(image, layout, samples.data(), int(samples.size()), 20.0 * plotWidth, options, classes,
                        places)) {
    return false;
  }
  SaveBoth(folder, "chart_" + std::to_string(width) + "x" + std::to_string(height), image);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  try {
    if (!SavePatterns(folder) || !SaveDrawing(folder) || !SaveChart(folder, 1024, 768) ||
        !SaveChart(folder, 4000, 3000)) {
      return 1;
    }
  } catch (const EGraphicsException& e) {
    std::fprintf(stderr, "%s\n", e.Message());
    return 1;
  }
  return 0;
}
