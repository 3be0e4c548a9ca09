// CRasterImage: an in-memory picture with its own drawing, no operating-system
// graphics, so a chart comes out byte for byte the same on every platform.
//
// Pixels are stored like a Windows DIB: rows bottom-up, each padded to a
// multiple of 4 bytes, so the BMP writer can hand rows to the file as they
// are. Nine pixel formats (1, 2, 4, 8, 12, 15, 16, 24, 32 bits) share one
// drawing code: Create picks the format's small family of functions (read and
// write a pixel, convert a row, reduce a colour) once, and everything else
// goes through it without a per-pixel format switch.
//
// Colours are 0x00RRGGBB (blue in the low byte). For the palette formats
// (up to 8 bits) a colour argument is a palette index instead.
// Coordinates: x to the right, y downwards, (0,0) is the top-left pixel.
#pragma once
#include <cstddef>
#include <cstdint>

class CRasterImage;

// A pixel operation draws one point of a line or a glyph; it may change a few
// pixels around (x, y) and must ignore points outside the image.
typedef void (*PixelOperation)(CRasterImage* image, int x, int y, std::uint32_t colour);

class CRasterImage {
 public:
  static const std::uint32_t kMaxSize = 32768;   // width and height
  static const int kInfoHeaderSize = 40;         // BITMAPINFOHEADER
  static const int kPaletteSlots = 256;
  static const int kBitmapInfoSize = kInfoHeaderSize + 4 * kPaletteSlots;
  enum Alignment { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };

  CRasterImage();
  virtual ~CRasterImage();
  CRasterImage(const CRasterImage&) = delete;
  CRasterImage& operator=(const CRasterImage&) = delete;

  // (Re)builds the picture: bits 1, 2, 4, 8, 12, 15, 16, 24 or 32; width and
  // height up to kMaxSize (0 allowed). The pixels are set to fill. With
  // memory, the caller's block (stride × height bytes, rows bottom-up) holds
  // the pixels and stays the caller's. False, and an empty image, on a bad
  // size or format or when memory runs out. Text state is kept.
  bool Create(int bits, std::uint32_t width, std::uint32_t height, std::uint32_t fill,
              void* memory = nullptr);

  // Palette slots; only the low 8 bits of index count.
  void SetPaletteColor(int index, std::uint32_t colour);
  void SetPaletteEntry(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  std::uint32_t GetPaletteEntry(int index, std::uint8_t& red, std::uint8_t& green,
                                std::uint8_t& blue) const;

  // Fills the rectangle clipped to the image. A negative width or height
  // counts back from x or y, so (10, 10, -3, 2) covers columns 8..10.
  // False when nothing of it lies inside.
  bool FillRect(int x, int y, int width, int height, std::uint32_t colour);

  // Bresenham line, both ends included, one call of op per point. Always true.
  bool DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour, PixelOperation op);

  // Text: pen 0 draws the 0 bits of a glyph (the ink of the built-in font),
  // pen 1 the 1 bits; a pen without an operation is transparent.
  void SetTextPen(PixelOperation op, std::uint32_t colour, int which);
  void SetFont(const unsigned char* font) { font_ = font; }  // see builtin_font.h
  void SetTextAlign(int alignment) { alignment_ = alignment; }  // Alignment; others align right
  // Draws text (code page 1252) with its top-left, centre or right end at x;
  // returns the advance in pixels (0 without a font).
  int DrawText(int x, int y, const char* text);

  // The two pixel operations of the library. PlotSoftPixel blends a 3 × 3
  // block (weights 1 2 1 / 2 20 2 / 1 2 1 of 32); on palette images it
  // plots a plain pixel, since indexes cannot be blended.
  static void PlotPixel(CRasterImage* image, int x, int y, std::uint32_t colour);
  static void PlotSoftPixel(CRasterImage* image, int x, int y, std::uint32_t colour);

  // Pixel (x, y) in the format's precision; 0 outside the image.
  std::uint32_t GetPixel(int x, int y) const;
  // The colour as the format can store it.
  std::uint32_t ReduceColor(std::uint32_t colour) const { return family_->reduce(colour); }

  std::uint32_t Width() const { return width_; }
  std::uint32_t Height() const { return height_; }
  int BitsPerPixel() const { return bits_; }
  std::uint32_t Stride() const { return stride_; }
  std::size_t ImageSize() const { return imageSize_; }
  int PaletteSize() const { return family_->paletteEntries; }
  bool IsTrueColor() const { return family_->trueColour; }
  bool HasPixels() const { return firstRow_ != nullptr; }
  bool PixelsAreCallers() const { return callerPixels_; }

  // The BITMAPINFO block: header (kInfoHeaderSize bytes) and 256 palette
  // slots of blue, green, red, 0.
  const std::uint8_t* BitmapInfo() const { return info_; }

  // Row r in memory order (0 = bottom row of the picture), and row y of the
  // picture (0 = top). Both need r, y < Height().
  std::uint8_t* MemoryRow(std::uint32_t r) const { return firstRow_ + std::size_t(stride_) * r; }
  std::uint8_t* PictureRow(std::uint32_t y) const { return topRow_ - std::size_t(stride_) * y; }

  // A memory row converted to blue, green, red (3 bytes a pixel) or to blue,
  // green, red, 0 (4 bytes). Where the row is already in that form the plain
  // variants return it as it is; the ForOutput variants always return the
  // image's conversion buffer, valid until the next conversion.
  const std::uint8_t* RowTo24(const std::uint8_t* row) const { return Convert(family_->to24, row); }
  const std::uint8_t* RowTo32(const std::uint8_t* row) const { return Convert(family_->to32, row); }
  const std::uint8_t* RowTo24ForOutput(const std::uint8_t* row) const {
    return Convert(family_->to24ForOutput, row);
  }
  const std::uint8_t* RowTo32ForOutput(const std::uint8_t* row) const {
    return Convert(family_->to32ForOutput, row);
  }

  // ---- The per-format function family, chosen by Create ----
  typedef std::uint32_t (*ReadPixelFn)(const std::uint8_t* row, std::uint32_t x);
  typedef void (*WritePixelFn)(std::uint8_t* row, std::uint32_t x, std::uint32_t colour);
  typedef const std::uint8_t* (*ConvertRowFn)(const std::uint8_t* row, std::uint32_t width,
                                              const std::uint8_t* palette, std::uint8_t* out);
  typedef std::uint32_t (*ReduceFn)(std::uint32_t colour);
  struct FormatFamily {
    int bits;
    std::uint32_t unitPixelMask;  // pixel within a shared unit: 7, 3, 1 or 0
    int unitBytes;
    int unitShift;                // pixel index to unit index
    std::uint32_t valueMask;      // low `bits` bits
    std::uint32_t topValueBit;
    bool trueColour;
    int paletteEntries;
    std::uint32_t precisionMask;
    ConvertRowFn to24, to32, to24ForOutput, to32ForOutput;
    ReadPixelFn read;
    WritePixelFn write;
    ReduceFn reduce;
  };

 private:
  void Reset();
  bool AllocatePixels(void* memory);
  void FillInfoHeader();
  void InstallDefaultPalette();
  void ClearRowTails();
  void FillUnits(int x0, int x1, int y0, int y1, std::uint32_t colour);
  void DrawGlyph(int x, int y, const unsigned char* glyph);
  const std::uint8_t* Convert(ConvertRowFn convert, const std::uint8_t* row) const;

  // Text state (Create leaves it alone).
  const unsigned char* font_ = nullptr;
  int alignment_ = kAlignLeft;
  std::uint32_t penColour_[2] = {0, 0};
  PixelOperation penOperation_[2] = {nullptr, nullptr};

  std::uint8_t* info_;                    // kBitmapInfoSize bytes, owned
  std::uint8_t* rowBuffer_ = nullptr;     // conversion buffer
  std::uint8_t* block_ = nullptr;         // allocation holding what the image owns
  std::uint8_t* firstRow_ = nullptr;      // bottom row of the picture
  std::uint8_t* topRow_ = nullptr;        // row y = 0
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  std::size_t imageSize_ = 0;             // stride × height
  int bits_ = 0;
  std::uint32_t stride_ = 0;
  const FormatFamily* family_;
  bool callerPixels_ = false;             // the pixel rows belong to the caller
};
