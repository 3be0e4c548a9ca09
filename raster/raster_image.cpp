// CRasterImage: format families first (the only format-aware code), then the
// palette, Create, and the drawing operations that work through the family.
//
// Rectangle fills build one unit of pixels (a byte, a 12-bit pair, a word,
// a 3-byte pixel) through the format's own write function, spread it over the
// first row by doubling copies and copy that run to the other rows, so a fill
// runs at memory speed; only the edges of shared units go pixel by pixel.
// Row tails (bits past the last pixel and the padding) are kept zero, so a
// picture written to disk does not depend on what the heap held before.
#include "raster/raster_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/little_endian.h"

namespace {

typedef CRasterImage::FormatFamily Family;

std::uint32_t Blue(std::uint32_t c) { return c & 0xFF; }
std::uint32_t Green(std::uint32_t c) { return (c >> 8) & 0xFF; }
std::uint32_t Red(std::uint32_t c) { return (c >> 16) & 0xFF; }
std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return (r << 16) | (g << 8) | b; }


// ---- Read and write one pixel, per format ----

// 1, 2 and 4 bits: the leftmost pixel sits in the high bits of its byte.
template <int Bits>
std::uint32_t ReadPacked(const std::uint8_t* row, std::uint32_t x) {
  const std::uint32_t perByte = 8 / Bits;
  const int shift = 8 - Bits * int(x % perByte + 1);
  return (row[x / perByte] >> shift) & ((1u << Bits) - 1);
}
template <int Bits>
void WritePacked(std::uint8_t* row, std::uint32_t x, std::uint32_t index) {
  const std::uint32_t perByte = 8 / Bits;
  const int shift = 8 - Bits * int(x % perByte + 1);
  const std::uint32_t mask = ((1u << Bits) - 1) << shift;
  std::uint8_t& byte = row[x / perByte];
  byte = std::uint8_t((byte & ~mask) | ((index << shift) & mask));
}

std::uint32_t Read8(const std::uint8_t* row, std::uint32_t x) { return row[x]; }
void Write8(std::uint8_t* row, std::uint32_t x, std::uint32_t index) { row[x] = std::uint8_t(index); }

// 12 bits: two pixels in three bytes, nibbles b0 g0 | r0 b1 | g1 r1.
std::uint32_t Read12(const std::uint8_t* row, std::uint32_t x) {
  const std::uint8_t* p = row + 3 * (x >> 1);
  if ((x & 1) == 0) return Rgb(p[1] & 0xF0, (p[0] & 0x0F) << 4, p[0] & 0xF0);
  return Rgb((p[2] & 0x0F) << 4, p[2] & 0xF0, (p[1] & 0x0F) << 4);
}
void Write12(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
  std::uint8_t* p = row + 3 * (x >> 1);
  if ((x & 1) == 0) {
    p[0] = std::uint8_t((Blue(c) & 0xF0) | (Green(c) >> 4));
    p[1] = std::uint8_t((Red(c) & 0xF0) | (p[1] & 0x0F));
  } else {
    p[1] = std::uint8_t((p[1] & 0xF0) | (Blue(c) >> 4));
    p[2] = std::uint8_t((Green(c) & 0xF0) | (Red(c) >> 4));
  }
}

// 15 bits: x rrrrr ggggg bbbbb, the top bit carried from bit 31 of the colour.
std::uint32_t Read15(const std::uint8_t* row, std::uint32_t x) {
  const std::uint32_t w = GetLe16(row + 2 * x);
  return ((w & 0x8000) << 16) | Rgb(((w >> 10) & 31) << 3, ((w >> 5) & 31) << 3, (w & 31) << 3);
}
void Write15(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
  PutLe16(row + 2 * x, ((c >> 16) & 0x8000) | ((Red(c) >> 3) << 10) | ((Green(c) >> 3) << 5) |
                           (Blue(c) >> 3));
}

// 16 bits: rrrrr gggggg bbbbb.
std::uint32_t Read16(const std::uint8_t* row, std::uint32_t x) {
  const std::uint32_t w = GetLe16(row + 2 * x);
  return Rgb(((w >> 11) & 31) << 3, ((w >> 5) & 63) << 2, (w & 31) << 3);
}
void Write16(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
  PutLe16(row + 2 * x, ((Red(c) >> 3) << 11) | ((Green(c) >> 2) << 5) | (Blue(c) >> 3));
}

std::uint32_t Read24(const std::uint8_t* row, std::uint32_t x) {
  const std::uint8_t* p = row + 3 * x;
  return Rgb(p[2], p[1], p[0]);
}
void Write24(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
  std::uint8_t* p = row + 3 * x;
  p[0] = std::uint8_t(Blue(c));
  p[1] = std::uint8_t(Green(c));
  p[2] = std::uint8_t(Red(c));
}

std::uint32_t Read32(const std::uint8_t* row, std::uint32_t x) { return GetLe32(row + 4 * x); }
void Write32(std::uint8_t* row, std::uint32_t x, std::uint32_t c) { PutLe32(row + 4 * x, c); }

template <std::uint32_t Mask>
std::uint32_t ReduceTo(std::uint32_t c) { return c & Mask; }

// ---- Convert one row to blue-green-red(-0) ----

template <CRasterImage::ReadPixelFn Read, int OutBytes>
const std::uint8_t* PaletteRowTo(const std::uint8_t* row, std::uint32_t width,
                                 const std::uint8_t* palette, std::uint8_t* out) {
  for (std::uint32_t x = 0; x < width; ++x) {
    const std::uint8_t* slot = palette + 4 * Read(row, x);
    std::uint8_t* p = out + OutBytes * x;
    p[0] = slot[0];
    p[1] = slot[1];
    p[2] = slot[2];
    if (OutBytes == 4) p[3] = 0;
  }
  return out;
}

template <CRasterImage::ReadPixelFn Read, int OutBytes>
const std::uint8_t* ColourRowTo(const std::uint8_t* row, std::uint32_t width, const std::uint8_t*,
                                std::uint8_t* out) {
  for (std::uint32_t x = 0; x < width; ++x) {
    const std::uint32_t c = Read(row, x);
    std::uint8_t* p = out + OutBytes * x;
    p[0] = std::uint8_t(Blue(c));
    p[1] = std::uint8_t(Green(c));
    p[2] = std::uint8_t(Red(c));
    if (OutBytes == 4) p[3] = 0;
  }
  return out;
}

template <int Bytes>
const std::uint8_t* SameRow(const std::uint8_t* row, std::uint32_t, const std::uint8_t*, std::uint8_t*) {
  return row;
}

template <int Bytes>
const std::uint8_t* CopyRow(const std::uint8_t* row, std::uint32_t width, const std::uint8_t*,
                            std::uint8_t* out) {
  std::memcpy(out, row, std::size_t(Bytes) * width);
  return out;
}

// ---- The empty image: inert ----

std::uint8_t emptyRow[16];

std::uint32_t ReadNothing(const std::uint8_t*, std::uint32_t) { return 0; }
void WriteNothing(std::uint8_t*, std::uint32_t, std::uint32_t) {}
const std::uint8_t* EmptyRow(const std::uint8_t*, std::uint32_t, const std::uint8_t*, std::uint8_t*) {
  return emptyRow;
}

// ---- The family table ----

#define PALETTE_FAMILY(read) \
  PaletteRowTo<read, 3>, PaletteRowTo<read, 4>, PaletteRowTo<read, 3>, PaletteRowTo<read, 4>
#define COLOUR_FAMILY(read) \
  ColourRowTo<read, 3>, ColourRowTo<read, 4>, ColourRowTo<read, 3>, ColourRowTo<read, 4>

const Family kEmptyFamily = {0, 0, 1, 0, 0, 0, false, 0, 0,
                             EmptyRow, EmptyRow, EmptyRow, EmptyRow,
                             ReadNothing, WriteNothing, ReduceTo<0>};

// bits, unit pixel mask, unit bytes, unit shift, value mask, top bit,
// true colour, palette entries, precision, converters, read, write, reduce
const Family kFamilies[] = {
    {1, 7, 1, 3, 0x1, 0x1, false, 2, 0x1, PALETTE_FAMILY(ReadPacked<1>),
     ReadPacked<1>, WritePacked<1>, ReduceTo<0x1>},
    {2, 3, 1, 2, 0x3, 0x2, false, 4, 0x3, PALETTE_FAMILY(ReadPacked<2>),
     ReadPacked<2>, WritePacked<2>, ReduceTo<0x3>},
    {4, 1, 1, 1, 0xF, 0x8, false, 16, 0xF, PALETTE_FAMILY(ReadPacked<4>),
     ReadPacked<4>, WritePacked<4>, ReduceTo<0xF>},
    {8, 0, 1, 0, 0xFF, 0x80, false, 256, 0xFF, PALETTE_FAMILY(Read8),
     Read8, Write8, ReduceTo<0xFF>},
    {12, 1, 3, 1, 0xFFF, 0x800, true, 0, 0xF0F0F0, COLOUR_FAMILY(Read12),
     Read12, Write12, ReduceTo<0xF0F0F0>},
    {15, 0, 2, 0, 0x7FFF, 0x4000, true, 0, 0xF8F8F8, COLOUR_FAMILY(Read15),
     Read15, Write15, ReduceTo<0xF8F8F8>},
    {16, 0, 2, 0, 0xFFFF, 0x8000, true, 0, 0xF8FCF8, COLOUR_FAMILY(Read16),
     Read16, Write16, ReduceTo<0xF8FCF8>},
    {24, 0, 3, 0, 0xFFFFFF, 0x800000, true, 0, 0xFFFFFF,
     SameRow<3>, ColourRowTo<Read24, 4>, CopyRow<3>, ColourRowTo<Read24, 4>,
     Read24, Write24, ReduceTo<0xFFFFFF>},
    {32, 0, 4, 0, 0xFFFFFFFF, 0x80000000, true, 0, 0xFFFFFF,
     ColourRowTo<Read32, 3>, SameRow<4>, ColourRowTo<Read32, 3>, CopyRow<4>,
     Read32, Write32, ReduceTo<0xFFFFFF>},
};

#undef PALETTE_FAMILY
#undef COLOUR_FAMILY

const Family* FindFamily(int bits) {
  for (const Family& family : kFamilies)
    if (family.bits == bits) return &family;
  return nullptr;
}

// Bits a pixel takes in memory (15-bit pixels use a whole word).
int StorageBits(int bits) { return bits == 15 ? 16 : bits; }

std::uint32_t StrideFor(int bits, std::uint32_t width) {
  const std::uint64_t rowBytes = (std::uint64_t(StorageBits(bits)) * width + 7) / 8;
  return std::uint32_t((rowBytes + 3) & ~std::uint64_t(3));
}

// Spreads one unit over count units by doubling copies.
void FillPattern(std::uint8_t* out, const std::uint8_t* unit, int unitBytes, std::size_t count) {
  const std::size_t total = count * unitBytes;
  if (total == 0) return;
  std::memcpy(out, unit, unitBytes);
  std::size_t done = unitBytes;
  while (done < total) {
    const std::size_t chunk = std::min(done, total - done);
    std::memcpy(out + done, out, chunk);
    done += chunk;
  }
}

// The sixteen colours every palette of 4 bits or more starts with.
const std::uint32_t kBaseColours[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

}  // namespace

// ---- Construction and palette ----

CRasterImage::CRasterImage() : info_(new std::uint8_t[kBitmapInfoSize]()), family_(&kEmptyFamily) {}

CRasterImage::~CRasterImage() {
  Reset();
  delete[] info_;
}

void CRasterImage::SetPaletteColor(int index, std::uint32_t colour) {
  SetPaletteEntry(index, std::uint8_t(Red(colour)), std::uint8_t(Green(colour)),
                  std::uint8_t(Blue(colour)));
}

void CRasterImage::SetPaletteEntry(int index, std::uint8_t red, std::uint8_t green,
                                   std::uint8_t blue) {
  std::uint8_t* slot = info_ + kInfoHeaderSize + 4 * (index & 0xFF);
  slot[0] = blue;
  slot[1] = green;
  slot[2] = red;
  slot[3] = 0;
}

std::uint32_t CRasterImage::GetPaletteEntry(int index, std::uint8_t& red, std::uint8_t& green,
                                            std::uint8_t& blue) const {
  const std::uint8_t* slot = info_ + kInfoHeaderSize + 4 * (index & 0xFF);
  blue = slot[0];
  green = slot[1];
  red = slot[2];
  return Rgb(red, green, blue);
}

void CRasterImage::InstallDefaultPalette() {
  switch (bits_) {
    case 1:
      SetPaletteColor(0, 0x000000);
      SetPaletteColor(1, 0xFFFFFF);
      return;
    case 2:
      SetPaletteColor(0, 0x000000);
      SetPaletteColor(1, 0x008000);
      SetPaletteColor(2, 0x800000);
      SetPaletteColor(3, 0xFFFFFF);
      return;
  }
  for (int i = 0; i < 16; ++i) SetPaletteColor(i, kBaseColours[i]);
  if (bits_ != 8) return;
  // Later steps overwrite earlier ones: 248..255 keep the first formula.
  for (int i = 128; i < 256; ++i)
    SetPaletteEntry(i, std::uint8_t(((i >> 5) & 3) * 64 + 32), std::uint8_t(((i >> 2) & 7) * 32 + 16),
                    std::uint8_t((i & 3) * 64 + 32));
  for (int i = 16; i < 32; ++i) {
    const std::uint8_t grey = std::uint8_t(i * 16);
    SetPaletteEntry(i, grey, grey, grey);
  }
  for (int i = 32; i < 248; ++i)
    SetPaletteEntry(i, std::uint8_t((i / 36) % 6 * 43 + 20), std::uint8_t((i / 6) % 6 * 43 + 20),
                    std::uint8_t(i % 6 * 43 + 20));
}

// ---- Create ----

void CRasterImage::Reset() {
  delete[] block_;
  block_ = rowBuffer_ = firstRow_ = topRow_ = nullptr;
  width_ = height_ = stride_ = 0;
  imageSize_ = 0;
  bits_ = 0;
  family_ = &kEmptyFamily;
  callerPixels_ = false;
  std::memset(info_, 0, kBitmapInfoSize);
}

bool CRasterImage::Create(int bits, std::uint32_t width, std::uint32_t height, std::uint32_t fill,
                          void* memory) {
  Reset();
  const Family* family = FindFamily(bits);
  if (width > kMaxSize || height > kMaxSize || family == nullptr) return false;
  family_ = family;
  bits_ = bits;
  width_ = width;
  height_ = height;
  stride_ = StrideFor(bits, width);
  if (!AllocatePixels(memory)) {
    Reset();
    return false;
  }
  topRow_ = height_ ? MemoryRow(height_ - 1) : firstRow_;
  if (!family_->trueColour) InstallDefaultPalette();
  FillInfoHeader();
  if (fill != 0 && bits != 8) {
    ClearRowTails();
    FillRect(0, 0, int(width), int(height), fill);
  } else {
    std::memset(firstRow_, int(fill & 0xFF), imageSize_);
  }
  return true;
}

// One block holds the pixel rows and, after them, the conversion buffer
// (4 bytes a pixel plus slack); with the caller's pixels only the buffer.
bool CRasterImage::AllocatePixels(void* memory) {
  const std::uint64_t pixelBytes = std::uint64_t(stride_) * height_;
  const std::uint64_t bufferBytes = 4 * std::uint64_t(width_) + 8;
  const std::uint64_t total = memory ? bufferBytes : pixelBytes + 3 + bufferBytes;
  if (pixelBytes > SIZE_MAX || total > SIZE_MAX) return false;
  block_ = new (std::nothrow) std::uint8_t[std::size_t(total)];
  if (block_ == nullptr) return false;
  imageSize_ = std::size_t(pixelBytes);
  if (memory) {
    callerPixels_ = true;
    firstRow_ = static_cast<std::uint8_t*>(memory);
    rowBuffer_ = block_;
  } else {
    const std::uintptr_t misalignment = reinterpret_cast<std::uintptr_t>(block_) & 3;
    firstRow_ = block_ + (misalignment ? 4 - misalignment : 0);
    rowBuffer_ = firstRow_ + imageSize_;
  }
  return true;
}

void CRasterImage::FillInfoHeader() {
  const bool bitFields = bits_ == 16;
  PutLe32(info_ + 0, kInfoHeaderSize);
  PutLe32(info_ + 4, width_);
  PutLe32(info_ + 8, height_);
  PutLe16(info_ + 12, 1);
  PutLe16(info_ + 14, std::uint32_t(StorageBits(bits_)));
  PutLe32(info_ + 16, bitFields ? 3 : 0);
  PutLe32(info_ + 20, 0);
  PutLe32(info_ + 24, 4705);  // 120 dots per inch
  PutLe32(info_ + 28, 4705);
  PutLe32(info_ + 32, std::uint32_t(family_->paletteEntries));
  PutLe32(info_ + 36, std::uint32_t(family_->paletteEntries));
  if (bitFields) {
    PutLe32(info_ + kInfoHeaderSize + 0, 0xF800);
    PutLe32(info_ + kInfoHeaderSize + 4, 0x07E0);
    PutLe32(info_ + kInfoHeaderSize + 8, 0x001F);
  }
}

// Zeroes each row from its last, possibly partial, pixel byte to the end.
void CRasterImage::ClearRowTails() {
  const std::uint32_t fullBytes = std::uint32_t(std::uint64_t(StorageBits(bits_)) * width_ / 8);
  for (std::uint32_t r = 0; r < height_; ++r)
    std::memset(MemoryRow(r) + fullBytes, 0, stride_ - fullBytes);
}

// ---- Rectangles ----

namespace {

// Columns (or rows) covered by start and a signed extent, clipped to
// 0 .. limit - 1; false when none are left.
bool ClipSpan(int start, int extent, std::uint32_t limit, int& first, int& last) {
  std::int64_t lo = start, hi = start;
  if (extent >= 0)
    hi = std::int64_t(start) + extent - 1;
  else
    lo = std::int64_t(start) + extent + 1;
  lo = std::max<std::int64_t>(lo, 0);
  hi = std::min<std::int64_t>(hi, std::int64_t(limit) - 1);
  if (lo > hi) return false;
  first = int(lo);
  last = int(hi);
  return true;
}

}  // namespace

bool CRasterImage::FillRect(int x, int y, int width, int height, std::uint32_t colour) {
  int x0, x1, y0, y1;
  if (!ClipSpan(x, width, width_, x0, x1) || !ClipSpan(y, height, height_, y0, y1)) return false;
  FillUnits(x0, x1, y0, y1, colour);
  return true;
}

void CRasterImage::FillUnits(int x0, int x1, int y0, int y1, std::uint32_t colour) {
  const std::uint32_t mask = family_->unitPixelMask;
  const int shift = family_->unitShift;
  const int unitBytes = family_->unitBytes;
  const WritePixelFn write = family_->write;

  // Pixels of shared units at the left and right edge go one at a time.
  const std::uint32_t leftEnd = (x0 & mask) ? std::min<std::uint32_t>(x1, x0 | mask) + 1 : x0;
  const std::uint32_t firstUnit = (std::uint32_t(x0) + mask) >> shift;
  const std::uint32_t endUnit = (std::uint32_t(x1) + 1) >> shift;
  const std::uint32_t rightStart = std::max(endUnit << shift, leftEnd);
  const std::size_t units = endUnit > firstUnit ? endUnit - firstUnit : 0;

  std::uint8_t unit[4] = {0, 0, 0, 0};
  for (std::uint32_t p = 0; p <= mask; ++p) write(unit, p, colour);

  const std::uint8_t* firstRun = nullptr;
  for (int y = y0; y <= y1; ++y) {
    std::uint8_t* row = PictureRow(std::uint32_t(y));
    for (std::uint32_t x = std::uint32_t(x0); x < leftEnd; ++x) write(row, x, colour);
    std::uint8_t* run = row + std::size_t(firstUnit) * unitBytes;
    if (firstRun == nullptr)
      FillPattern(run, unit, unitBytes, units);
    else
      std::memcpy(run, firstRun, units * unitBytes);
    firstRun = run;
    for (std::uint32_t x = rightStart; x <= std::uint32_t(x1); ++x) write(row, x, colour);
  }
}

// ---- Lines ----

namespace {

// The integer Bresenham walk: the major axis advances every step, the minor
// one on diagonal steps, chosen by the sign of the error.
struct LineWalk {
  std::int64_t x, y, sx, sy, major, minor, error;
  bool xMajor;

  LineWalk(int x1, int y1, int x2, int y2)
      : x(x1), y(y1), sx(x2 >= x1 ? 1 : -1), sy(y2 >= y1 ? 1 : -1) {
    const std::int64_t dx = (std::int64_t(x2) - x1) * sx;
    const std::int64_t dy = (std::int64_t(y2) - y1) * sy;
    xMajor = dx > dy;
    major = xMajor ? dx : dy;
    minor = xMajor ? dy : dx;
    error = (major - minor + 1) >> 1;
  }

  void Step() {
    if (error > 0) {
      (xMajor ? x : y) += xMajor ? sx : sy;
      error -= minor;
    } else {
      x += sx;
      y += sy;
      error += major - minor;
    }
  }

  // From the start, lands where k steps would: the error stays within
  // [1 - minor, major - minor], so after k steps exactly
  // floor((k × minor + major - minor - error0) / major) of them were diagonal.
  // Differences of 32-bit coordinates keep every product below 2^64.
  void JumpFromStart(std::uint64_t k) {
    if (k == 0) return;
    const std::uint64_t bigM = std::uint64_t(major), m = std::uint64_t(minor);
    const std::uint64_t diagonals = (k * m + bigM - m - std::uint64_t(error)) / bigM;
    (xMajor ? x : y) += (xMajor ? sx : sy) * std::int64_t(k);
    (xMajor ? y : x) += (xMajor ? sy : sx) * std::int64_t(diagonals);
    error = std::int64_t(std::uint64_t(error) + diagonals * bigM - k * m);
  }

  // Steps [first, last] whose major coordinate lies in -1 .. limit, the
  // reach of an operation that touches at most one pixel around a point.
  bool StepsNear(std::uint32_t limit, std::int64_t& first, std::int64_t& last) const {
    const std::int64_t start = xMajor ? x : y;
    const std::int64_t step = xMajor ? sx : sy;
    const std::int64_t lo = step > 0 ? -1 - start : start - limit;
    const std::int64_t hi = step > 0 ? limit - start : start + 1;
    first = std::max<std::int64_t>(lo, 0);
    last = std::min(hi, major);
    return first <= last;
  }
};

}  // namespace

bool CRasterImage::DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour, PixelOperation op) {
  if (op == nullptr) return true;
  if (op == PlotSoftPixel && !family_->trueColour) op = PlotPixel;
  LineWalk walk(x1, y1, x2, y2);
  std::int64_t first = 0, last = walk.major;
  // The library's own operations ignore points further out, so their walk
  // starts and ends near the border: a line to a point far away, however
  // it came about, costs no more than one across the picture.
  if (op == PlotPixel || op == PlotSoftPixel) {
    if (!walk.StepsNear(walk.xMajor ? width_ : height_, first, last)) return true;
    walk.JumpFromStart(std::uint64_t(first));
  }
  for (std::int64_t k = first; k <= last; ++k) {
    op(this, int(walk.x), int(walk.y), colour);
    walk.Step();
  }
  return true;
}

// ---- Pixel operations ----

void CRasterImage::PlotPixel(CRasterImage* image, int x, int y, std::uint32_t colour) {
  if (std::uint32_t(x) < image->width_ && std::uint32_t(y) < image->height_)
    image->family_->write(image->PictureRow(std::uint32_t(y)), std::uint32_t(x), colour);
}

void CRasterImage::PlotSoftPixel(CRasterImage* image, int x, int y, std::uint32_t colour) {
  static const std::uint32_t kWeights[3][3] = {{1, 2, 1}, {2, 20, 2}, {1, 2, 1}};
  if (!image->family_->trueColour) {
    PlotPixel(image, x, y, colour);
    return;
  }
  const Family& family = *image->family_;
  for (int dy = 0; dy < 3; ++dy) {
    const std::uint32_t py = std::uint32_t(y) + dy - 1;
    if (py >= image->height_) continue;
    std::uint8_t* row = image->PictureRow(py);
    for (int dx = 0; dx < 3; ++dx) {
      const std::uint32_t px = std::uint32_t(x) + dx - 1;
      if (px >= image->width_) continue;
      const std::uint32_t w = kWeights[dy][dx];
      const std::uint32_t old = family.read(row, px);
      const std::uint32_t blended = Rgb((Red(colour) * w + Red(old) * (32 - w)) / 32,
                                        (Green(colour) * w + Green(old) * (32 - w)) / 32,
                                        (Blue(colour) * w + Blue(old) * (32 - w)) / 32);
      family.write(row, px, blended);
    }
  }
}

std::uint32_t CRasterImage::GetPixel(int x, int y) const {
  if (std::uint32_t(x) >= width_ || std::uint32_t(y) >= height_) return 0;
  return family_->read(PictureRow(std::uint32_t(y)), std::uint32_t(x));
}

const std::uint8_t* CRasterImage::Convert(ConvertRowFn convert, const std::uint8_t* row) const {
  return convert(row, width_, info_ + kInfoHeaderSize, rowBuffer_);
}

// ---- Text ----

// Only a created palette image swaps the soft pen for the plain one: pens set
// before Create must still draw soft on the true-colour picture that follows.
void CRasterImage::SetTextPen(PixelOperation op, std::uint32_t colour, int which) {
  if (op == PlotSoftPixel && bits_ != 0 && !family_->trueColour) op = PlotPixel;
  const int pen = which == 0 ? 0 : 1;
  penOperation_[pen] = op;
  penColour_[pen] = colour;
}

int CRasterImage::DrawText(int x, int y, const char* text) {
  if (font_ == nullptr || text == nullptr || *text == '\0') return 0;
  const unsigned first = font_[0], last = font_[1];
  auto glyphOf = [&](unsigned code) { return font_ + GetLe32(font_ + 2 + 4 * (code - first)); };

  if (alignment_ != kAlignLeft) {
    int width = 0;
    for (const char* c = text; *c; ++c) {
      const unsigned code = static_cast<unsigned char>(*c);
      if (code >= first && code <= last) width += glyphOf(code)[0];
    }
    x -= alignment_ == kAlignCentre ? width >> 1 : width;
  }
  int advance = 0;
  for (const char* c = text; *c; ++c) {
    const unsigned code = static_cast<unsigned char>(*c);
    if (code < first || code > last) continue;
    const unsigned char* glyph = glyphOf(code);
    DrawGlyph(x + advance, y, glyph);
    advance += glyph[0];
  }
  return advance;
}

// Rows are stored bottom-up; bit 0 goes to pen 0, bit 1 to pen 1.
void CRasterImage::DrawGlyph(int x, int y, const unsigned char* glyph) {
  if (penOperation_[0] == nullptr && penOperation_[1] == nullptr) return;
  const int width = glyph[0], height = glyph[1];
  const int rowBytes = (width + 7) / 8;
  const unsigned char* bits = glyph + 2;
  for (int stored = 0; stored < height; ++stored, bits += rowBytes) {
    const int screenY = y + height - 1 - stored;
    for (int px = 0; px < width; ++px) {
      const int pen = (bits[px >> 3] >> (7 - (px & 7))) & 1;
      if (penOperation_[pen]) penOperation_[pen](this, x + px, screenY, penColour_[pen]);
    }
  }
}
