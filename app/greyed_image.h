// The disabled look of the browse buttons' folder picture: every pixel that
// is not the transparent light grey becomes a pale grey whose level follows
// the pixel's brightness, squeezed into 144..208 so the picture stays
// recognisable but clearly inactive.
#pragma once
#include <cstdint>

constexpr std::uint32_t kTransparentGrey = 0xC0C0C0;  // 0x00RRGGBB

// The greyed colour of one pixel (0x00RRGGBB); the transparent grey stays.
std::uint32_t GreyedColour(std::uint32_t rgb);

// 15- and 16-bit displays keep the disabled image as it is: their few grey
// levels would blur the picture.
inline bool GreysOnDisplay(int bitsPerPixel) { return bitsPerPixel != 15 && bitsPerPixel != 16; }
