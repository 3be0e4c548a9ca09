// A full disk must surface as a write error, also when the whole file fits
// into the write buffer and the failure shows only when the file is closed.
#include <gtest/gtest.h>

#include "raster/bmp_file.h"
#include "raster/graphics_errors.h"
#include "raster/raster_image.h"

namespace {

TEST(BmpSaveToFullDisk, SmallPictureFailsWhenTheBufferIsWrittenOut) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 10, 10, 0xFFFFFF));
  CBmpFile codec;
  try {
    codec.Save("/dev/full", image);
    ADD_FAILURE() << "a save to a full device reported success";
  } catch (const EBmpFileWriteError& e) {
    EXPECT_STREQ("Fehler beim Schreiben BMP-Datei !", e.Message());
  }
}

TEST(BmpSaveToFullDisk, LargePictureFailsWhileWriting) {
  CRasterImage image;
  ASSERT_TRUE(image.Create(24, 1000, 100, 0xFFFFFF));
  CBmpFile codec;
  EXPECT_THROW(codec.Save("/dev/full", image), EBmpFileWriteError);
}

}  // namespace
