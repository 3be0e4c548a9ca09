// BMP writer: a 14-byte file header, a 40-byte BITMAPINFOHEADER, the palette
// for 1, 4 and 8 bits, then the rows bottom-up as they lie in the image,
// each padded with zero bytes to a multiple of 4. True-colour images are
// written as 24 bits, because every reader understands that form.
#include "raster/bmp_file.h"

#include "raster/graphics_errors.h"
#include "raster/little_endian.h"
#include "raster/raster_image.h"
#include "support/buffered_file.h"

namespace {

const int kFileHeaderSize = 14;
const int kInfoHeaderSize = 40;
const int kHeadersSize = kFileHeaderSize + kInfoHeaderSize;


// Bits per pixel of the file written for an image of the given bits.
int FileBits(int imageBits) {
  switch (imageBits) {
    case 1: case 4: case 8: return imageBits;
    case 12: case 15: case 16: case 24: case 32: return 24;
  }
  throw EBmpNotSupported();
}

struct Output {
  CBmpFile::ByteWriter writer;
  void* context;

  void Put(const void* data, int count) const {
    if (count > 0 && writer(context, data, count) != count) throw EBmpFileWriteError();
  }
};

int WriteToBufferedFile(void* context, const void* data, int count) {
  return static_cast<CBufferedFile*>(context)->Write(data, count);
}

}  // namespace

void CImageFile::ReportProgress(int percent) {
  if (progress_ == nullptr) return;
  unsigned char stop = 0;
  progress_(this, progressContext_, 1, 1, percent, &stop);
  if (stop) throw EGraphicsAbort();
}

void CBmpFile::Write(CBufferedFile& stream, const CRasterImage& image) {
  WriteTo(WriteToBufferedFile, &stream, image);
}

void CBmpFile::Save(const char* path, const CRasterImage& image) {
  CBufferedFile file(kSaveBufferSize);
  if (path == nullptr || !file.Open(path, CBufferedFile::kModeCreate)) throw EBmpFileOpenError();
  try {
    Write(file, image);
  } catch (...) {
    file.Close();
    throw;
  }
  // The last buffered bytes reach the disk only here.
  if (!file.Close()) throw EBmpFileWriteError();
}

void CBmpFile::WriteTo(ByteWriter writer, void* context, const CRasterImage& image) {
  const std::uint32_t width = image.Width(), height = image.Height();
  if (!image.HasPixels() || width == 0 || height == 0) throw EBmpDataError();
  const int imageBits = image.BitsPerPixel();
  const int fileBits = FileBits(imageBits);
  const bool convert = fileBits == 24 && imageBits != 24;
  const int paletteEntries = fileBits <= 8 ? image.PaletteSize() : 0;
  const std::uint32_t rowBytes = (std::uint32_t(fileBits) * width + 7) / 8;
  const std::uint32_t pad = (4 - rowBytes % 4) % 4;
  const std::uint32_t dataOffset = kHeadersSize + 4 * paletteEntries;

  std::uint8_t header[kHeadersSize] = {'B', 'M'};
  PutLe32(header + 2, std::uint32_t(dataOffset + std::uint64_t(rowBytes + pad) * height));
  PutLe32(header + 10, dataOffset);
  PutLe32(header + 14, kInfoHeaderSize);
  PutLe32(header + 18, width);
  PutLe32(header + 22, height);
  PutLe16(header + 26, 1);
  PutLe16(header + 28, std::uint32_t(fileBits));
  PutLe32(header + 38, std::uint32_t(HorizontalResolution()));
  PutLe32(header + 42, std::uint32_t(VerticalResolution()));
  const Output out = {writer, context};
  out.Put(header, kFileHeaderSize);
  out.Put(header + kFileHeaderSize, kInfoHeaderSize);

  if (paletteEntries > 0) {
    std::uint8_t palette[4 * CRasterImage::kPaletteSlots];
    for (int i = 0; i < paletteEntries; ++i) {
      std::uint8_t red, green, blue;
      image.GetPaletteEntry(i, red, green, blue);
      PutLe32(palette + 4 * i, (std::uint32_t(red) << 16) | (green << 8) | blue);
    }
    out.Put(palette, 4 * paletteEntries);
  }

  static const std::uint8_t kZeros[4] = {0, 0, 0, 0};
  ReportProgress(0);
  std::uint64_t progress = 0;  // r × 100
  for (std::uint32_t r = 0; r < height; ++r, progress += 100) {
    ReportProgress(int(progress / height));
    const std::uint8_t* row = image.MemoryRow(r);
    if (convert) row = image.RowTo24(row);
    out.Put(row, int(rowBytes));
    out.Put(kZeros, int(pad));
  }
  ReportProgress(100);
}
