// PNG writer: the 8-byte signature, IHDR, pHYs when a resolution is set,
// IDAT chunks holding one zlib stream of the filtered rows, IEND. Every
// chunk is its length, its type, its data and the CRC-32 of type and data,
// numbers big-endian.
//
// Rows go top-down as RGB, each preceded by its filter type. The filter is
// chosen per row by the usual minimum-sum heuristic: of None, Sub, Up,
// Average and Paeth, the one whose bytes, read as signed, have the smallest
// sum of magnitudes (ties go to the lower type).
#include "raster/png_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "raster/graphics_errors.h"
#include "raster/raster_image.h"
#include "support/archive/deflate_codec.h"
#include "support/archive/deflate_encoder.h"
#include "support/buffered_file.h"

namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const int kBytesPerPixel = 3;
const std::uint8_t kBitDepth = 8;
const std::uint8_t kColourTypeRgb = 2;
const std::uint8_t kUnitMetre = 1;
// Compressed bytes collected before they go out as one IDAT chunk.
const std::size_t kIdatBytes = 65536;

enum Filter { kFilterNone, kFilterSub, kFilterUp, kFilterAverage, kFilterPaeth, kFilterCount };

void PutBe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 24);
  p[1] = std::uint8_t(v >> 16);
  p[2] = std::uint8_t(v >> 8);
  p[3] = std::uint8_t(v);
}

struct Output {
  CPngFile::ByteWriter writer;
  void* context;

  void Put(const void* data, std::size_t count) const {
    if (count > 0 && writer(context, data, int(count)) != int(count)) throw EPngFileWriteError();
  }

  void PutChunk(const char* type, const std::uint8_t* data, std::size_t size) const {
    std::uint8_t head[8];
    PutBe32(head, std::uint32_t(size));
    for (int i = 0; i < 4; ++i) head[4 + i] = std::uint8_t(type[i]);
    std::uint8_t crc[4];
    PutBe32(crc, Crc32Update(Crc32Update(0, head + 4, 4), data, std::int32_t(size)));
    Put(head, 8);
    Put(data, size);
    Put(crc, 4);
  }
};

int WriteToBufferedFile(void* context, const void* data, int count) {
  return static_cast<CBufferedFile*>(context)->Write(data, count);
}

// A filtered byte read as signed, without its sign.
inline std::uint32_t Magnitude(std::uint8_t v) { return v < 128 ? v : 256u - v; }

inline int PaethPredictor(int left, int above, int aboveLeft) {
  // Distances of left + above - aboveLeft to each of the three.
  const int toLeft = std::abs(above - aboveLeft);
  const int toAbove = std::abs(left - aboveLeft);
  const int toAboveLeft = std::abs(left + above - 2 * aboveLeft);
  if (toLeft <= toAbove && toLeft <= toAboveLeft) return left;
  return toAbove <= toAboveLeft ? above : aboveLeft;
}

// One filter over a row: the first pixel has zeros to its left, the rest
// the previous pixel. Returns the sum of magnitudes. Plain loops over
// non-overlapping rows, which the compiler turns into vector code.
template <typename Predict>
std::uint32_t FilterRow(const std::uint8_t* __restrict row, const std::uint8_t* __restrict above,
                        std::uint8_t* __restrict out, std::size_t size, Predict predict) {
  std::uint32_t sum = 0;
  const std::size_t first = std::min<std::size_t>(kBytesPerPixel, size);
  for (std::size_t i = 0; i < first; ++i) {
    out[i] = std::uint8_t(row[i] - predict(0, above[i], 0));
    sum += Magnitude(out[i]);
  }
  for (std::size_t i = first; i < size; ++i) {
    out[i] = std::uint8_t(row[i] - predict(row[i - kBytesPerPixel], above[i], above[i - kBytesPerPixel]));
    sum += Magnitude(out[i]);
  }
  return sum;
}

// The row being written, the row above it (zeros above the first), and
// the four filtered forms of the row.
class RowFilters {
 public:
  explicit RowFilters(std::size_t rowBytes)
      : size_(rowBytes), above_(rowBytes, 0), row_(rowBytes), filtered_(4 * rowBytes) {}

  std::uint8_t* Row() { return row_.data(); }

  // Filters the row; returns the chosen type and where its bytes are.
  int Choose(const std::uint8_t** bytes) {
    const std::uint8_t* x = row_.data();
    const std::uint8_t* b = above_.data();
    std::uint8_t* out[kFilterCount] = {nullptr, &filtered_[0], &filtered_[size_], &filtered_[2 * size_],
                                       &filtered_[3 * size_]};
    std::uint32_t sum[kFilterCount];
    sum[kFilterNone] = 0;
    for (std::size_t i = 0; i < size_; ++i) sum[kFilterNone] += Magnitude(x[i]);
    sum[kFilterSub] = FilterRow(x, b, out[kFilterSub], size_, [](int left, int, int) { return left; });
    sum[kFilterUp] = FilterRow(x, b, out[kFilterUp], size_, [](int, int up, int) { return up; });
    // A row that one of these turns into zeros cannot be beaten.
    if (std::min(sum[kFilterNone], std::min(sum[kFilterSub], sum[kFilterUp])) == 0) {
      sum[kFilterAverage] = sum[kFilterPaeth] = 1;
    } else {
      sum[kFilterAverage] =
          FilterRow(x, b, out[kFilterAverage], size_, [](int left, int up, int) { return (left + up) >> 1; });
      sum[kFilterPaeth] = FilterRow(x, b, out[kFilterPaeth], size_, PaethPredictor);
    }
    int best = kFilterNone;
    for (int f = 1; f < kFilterCount; ++f)
      if (sum[f] < sum[best]) best = f;
    *bytes = best == kFilterNone ? x : out[best];
    return best;
  }

  // The row becomes the row above the next one.
  void Advance() { std::swap(above_, row_); }

 private:
  std::size_t size_;
  std::vector<std::uint8_t> above_, row_, filtered_;
};

}  // namespace

void CPngFile::Write(CBufferedFile& stream, const CRasterImage& image) {
  WriteTo(WriteToBufferedFile, &stream, image);
}

void CPngFile::Save(const char* path, const CRasterImage& image) {
  CBufferedFile file(kSaveBufferSize);
  if (path == nullptr || !file.Open(path, CBufferedFile::kModeCreate)) throw EPngFileOpenError();
  try {
    Write(file, image);
  } catch (...) {
    file.Close();
    throw;
  }
  // The last buffered bytes reach the disk only here.
  if (!file.Close()) throw EPngFileWriteError();
}

void CPngFile::WriteTo(ByteWriter writer, void* context, const CRasterImage& image) {
  const std::uint32_t width = image.Width(), height = image.Height();
  if (!image.HasPixels() || width == 0 || height == 0) throw EPngDataError();
  const Output out = {writer, context};
  out.Put(kSignature, sizeof kSignature);

  std::uint8_t header[13] = {};
  PutBe32(header, width);
  PutBe32(header + 4, height);
  header[8] = kBitDepth;
  header[9] = kColourTypeRgb;  // compression, filter method and interlace stay 0
  out.PutChunk("IHDR", header, sizeof header);
  if (HorizontalResolution() > 0 && VerticalResolution() > 0) {
    std::uint8_t physical[9];
    PutBe32(physical, std::uint32_t(HorizontalResolution()));
    PutBe32(physical + 4, std::uint32_t(VerticalResolution()));
    physical[8] = kUnitMetre;
    out.PutChunk("pHYs", physical, sizeof physical);
  }

  const std::size_t rowBytes = std::size_t(width) * kBytesPerPixel;
  RowFilters filters(rowBytes);
  CDeflateEncoder encoder(CDeflateEncoder::kZlibStream);
  ReportProgress(0);
  std::uint64_t progress = 0;  // y × 100
  for (std::uint32_t y = 0; y < height; ++y, progress += 100) {
    ReportProgress(int(progress / height));
    const std::uint8_t* bgr = image.RowTo24(image.PictureRow(y));
    std::uint8_t* rgb = filters.Row();
    for (std::size_t i = 0; i < rowBytes; i += kBytesPerPixel) {
      rgb[i] = bgr[i + 2];
      rgb[i + 1] = bgr[i + 1];
      rgb[i + 2] = bgr[i];
    }
    const std::uint8_t* filtered = nullptr;
    const std::uint8_t type = std::uint8_t(filters.Choose(&filtered));
    encoder.Write(&type, 1);
    encoder.Write(filtered, rowBytes);
    filters.Advance();
    if (encoder.OutputSize() >= kIdatBytes) {
      out.PutChunk("IDAT", encoder.Output(), encoder.OutputSize());
      encoder.ClearOutput();
    }
  }
  encoder.Finish();
  out.PutChunk("IDAT", encoder.Output(), encoder.OutputSize());
  out.PutChunk("IEND", nullptr, 0);
  ReportProgress(100);
}
