// Little-endian 16- and 32-bit fields in byte buffers: the BMP headers and
// the raster image's info header are laid out this way on every host.
#pragma once
#include <cstdint>

inline void PutLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}
inline std::uint32_t GetLe16(const std::uint8_t* p) { return p[0] | (std::uint32_t(p[1]) << 8); }
inline std::uint32_t GetLe32(const std::uint8_t* p) { return GetLe16(p) | (GetLe16(p + 2) << 16); }
