// CPngFile: writes a CRasterImage as a PNG file, the form in which charts
// travel on the web and in chats. One call does it:
//
//   CPngFile().Save("route.png", image);
//
// Every pixel format is written as 8-bit RGB (colour type 2), so the file
// shows the very colours the BMP of the same image shows. Rows are filtered
// one by one with the filter whose output has the smallest sum of absolute
// values (the bytes read as signed), compressed by CDeflateEncoder into one
// zlib stream, and written as IDAT chunks while the picture is converted:
// no second copy of the picture is held.
//
// Failures are the graphics library's exceptions (graphics_errors.h):
// EPngFileOpenError, EPngFileWriteError, EPngDataError (no pixels, or a
// width or height of 0), and EGraphicsAbort from the progress callback
// (percent 0 first, once per row from the top, 100 last); std::bad_alloc
// when the compressor's 1.5 MB cannot be had. Save leaves a partly written
// file on disk, as the BMP writer does; the caller removes it.
#pragma once
#include "raster/bmp_file.h"

class CPngFile : public CImageFile {
 public:
  // The BMP writer's writer function: returns how many of count bytes it
  // took; any other number than count is a write error.
  typedef CBmpFile::ByteWriter ByteWriter;

  static const int kSaveBufferSize = 32768;

  // The resolution set on the codec goes into a pHYs chunk when both
  // values are positive.
  void Write(CBufferedFile& stream, const CRasterImage& image) override;
  void Save(const char* path, const CRasterImage& image) override;
  void WriteTo(ByteWriter writer, void* context, const CRasterImage& image);
};
