// Writes one BMP file per writable pixel format, each with a pattern that
// check_bmp.py recomputes on its own, plus a drawing to look at by eye.
// Usage: raster_bmp_samples <folder>
#include <cstdint>
#include <cstdio>
#include <string>

#include "raster/bmp_file.h"
#include "raster/builtin_font.h"
#include "raster/graphics_errors.h"
#include "raster/raster_image.h"

namespace {

// Keep in step with check_bmp.py.
std::uint32_t PatternIndex(int x, int y, int entries) { return std::uint32_t(x * 3 + y * 5) % entries; }
std::uint32_t PatternColour(int x, int y) {
  const std::uint32_t red = (x * 37 + y * 11) & 255;
  const std::uint32_t green = (x * 23 + y * 57) & 255;
  const std::uint32_t blue = (x * 13 + y * 71 + 5) & 255;
  return 0xAB000000u | (red << 16) | (green << 8) | blue;
}

bool SavePattern(const std::string& folder, int bits, int width, int height) {
  CRasterImage image;
  if (!image.Create(bits, width, height, 0)) return false;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t colour =
          image.IsTrueColor() ? PatternColour(x, y) : PatternIndex(x, y, image.PaletteSize());
      image.FillRect(x, y, 1, 1, colour);
    }
  const std::string name = folder + "/pattern_" + std::to_string(bits) + "_" +
                           std::to_string(width) + "x" + std::to_string(height) + ".bmp";
  CBmpFile().Save(name.c_str(), image);
  return true;
}

bool SaveDrawing(const std::string& folder) {
  CRasterImage image;
  if (!image.Create(24, 420, 140, 0xFFFFFF)) return false;
  image.FillRect(10, 10, 120, 50, 0xD0E8FF);
  image.FillRect(400, 130, -60, -40, 0x40A040);
  for (int i = 0; i < 12; ++i)
    image.DrawLine(150, 70, 150 + 60 * (i % 4 - 1), 10 + 40 * (i / 4), 0xC00000,
                   i % 2 ? CRasterImage::PlotSoftPixel : CRasterImage::PlotPixel);
  image.SetFont(kBuiltinFont);
  image.SetTextPen(CRasterImage::PlotSoftPixel, 0x000000, 0);
  image.DrawText(14, 16, "H\xF6henprofil");
  image.SetTextAlign(CRasterImage::kAlignRight);
  image.DrawText(410, 70, "Gesamtl\xE4nge: 12.35 km");
  image.SetTextAlign(CRasterImage::kAlignCentre);
  image.SetTextPen(CRasterImage::PlotPixel, 0xFFFF80, 1);
  image.DrawText(210, 110, "\x84Gr\xFC\xDF""e\x93 \x96 47,5\xB0 \x80 \x85");
  CBmpFile().Save((folder + "/drawing.bmp").c_str(), image);
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
    const int formats[] = {1, 4, 8, 12, 15, 16, 24, 32};
    for (int bits : formats)
      if (!SavePattern(folder, bits, 13, 7) || !SavePattern(folder, bits, 32, 3)) return 1;
    if (!SaveDrawing(folder)) return 1;
  } catch (const EGraphicsException& e) {
    std::fprintf(stderr, "%s\n", e.Message());
    return 1;
  }
  return 0;
}
