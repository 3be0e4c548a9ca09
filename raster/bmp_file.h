// Image file formats for CRasterImage: the abstract CImageFile and the one
// format the program writes, a Windows BMP (CBmpFile). Only writing exists.
//
// Failures are exceptions (graphics_errors.h): EBmpFileOpenError,
// EBmpFileWriteError, EBmpNotSupported, EBmpDataError, and EGraphicsAbort
// when the progress callback asks to stop. The BMP writer streams the picture
// row by row, converting a row at a time where needed, so a save never holds
// a second copy of the picture. Bytes go out through a small writer function,
// which is how tests capture a file in memory.
#pragma once
#include <cstdint>
#include <string>

class CBufferedFile;
class CRasterImage;

class CImageFile {
 public:
  // Called while a picture is written: percent 0 first, once per row, 100
  // last (step and steps are 1 and 1). Setting *stop non-zero ends the write
  // with EGraphicsAbort.
  typedef void (*ProgressCallback)(CImageFile* file, void* context, int step, int steps,
                                   int percent, unsigned char* stop);

  CImageFile() = default;
  virtual ~CImageFile() = default;

  // Writes the image in this format to an open stream.
  virtual void Write(CBufferedFile& stream, const CRasterImage& image) = 0;
  // Creates or truncates path and writes the image; a partly written file
  // stays on disk when writing fails.
  virtual void Save(const char* path, const CRasterImage& image) = 0;

  void SetProgressHook(ProgressCallback callback, void* context) {
    progress_ = callback;
    progressContext_ = context;
  }
  // A caption a progress display may show; the writer itself ignores it.
  void SetProgressText(const char* text) { progressText_ = text ? text : ""; }
  const std::string& ProgressText() const { return progressText_; }

  // Pixels per metre written into the file header (0 by default).
  void SetResolution(std::int32_t horizontal, std::int32_t vertical) {
    horizontalResolution_ = horizontal;
    verticalResolution_ = vertical;
  }
  std::int32_t HorizontalResolution() const { return horizontalResolution_; }
  std::int32_t VerticalResolution() const { return verticalResolution_; }

 protected:
  // Calls the progress callback, if any; throws EGraphicsAbort on request.
  void ReportProgress(int percent);

 private:
  ProgressCallback progress_ = nullptr;
  void* progressContext_ = nullptr;
  std::string progressText_;
  std::int32_t horizontalResolution_ = 0;
  std::int32_t verticalResolution_ = 0;
};

class CBmpFile : public CImageFile {
 public:
  // Where WriteTo puts the bytes: returns how many of count it took; any
  // other number than count is a write error.
  typedef int (*ByteWriter)(void* context, const void* data, int count);

  static const int kSaveBufferSize = 32768;

  // Images of 1, 4 and 8 bits keep their format and palette; 12, 15, 16, 24
  // and 32 bits become 24-bit files; 2 bits is refused (EBmpNotSupported).
  void Write(CBufferedFile& stream, const CRasterImage& image) override;
  void Save(const char* path, const CRasterImage& image) override;
  void WriteTo(ByteWriter writer, void* context, const CRasterImage& image);
};
