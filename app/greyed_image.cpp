#include "app/greyed_image.h"

std::uint32_t GreyedColour(std::uint32_t rgb) {
  rgb &= 0xFFFFFF;
  if (rgb == kTransparentGrey) return rgb;
  const std::uint32_t red = rgb >> 16 & 0xFF, green = rgb >> 8 & 0xFF, blue = rgb & 0xFF;
  const std::uint32_t g = (128 * blue + 85 * green + 44 * red) >> 8;
  std::uint32_t level = 191;
  if (g > 192) level = (g + 579) / 4;
  else if (g < 192) level = g / 4 + 144;
  return level << 16 | level << 8 | level;
}
