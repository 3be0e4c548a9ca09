#include "app/gui/button_pictures.h"

#include <map>
#include <vector>

#include "app/greyed_image.h"

namespace {

// Image order of BCM_SETIMAGELIST: normal, hot, pressed, disabled,
// defaulted, stylus-hot.
constexpr int kButtonStates = 6;
constexpr int kDisabledState = 3;


struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;  // 0x00RRGGBB, top row first
};

// The format GetDIBits and SetDIBits exchange pixels in: 32-bit, rows top down.
BITMAPINFO TopDown32(const Pixels& pixels) {
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = pixels.width;
  format.bmiHeader.biHeight = -pixels.height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  return format;
}

Pixels ReadPixels(HBITMAP bitmap) {
  Pixels pixels;
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  pixels.width = info.bmWidth;
  pixels.height = info.bmHeight;
  pixels.rgb.resize(static_cast<size_t>(pixels.width) * pixels.height);
  BITMAPINFO format = TopDown32(pixels);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, pixels.height, pixels.rgb.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (std::uint32_t& p : pixels.rgb) p &= 0xFFFFFF;
  return pixels;
}

// A bitmap in the display's format from pixels; transparent ones black, as
// the image list draws the colour image over its mask.
HBITMAP ImageBitmap(const Pixels& pixels) {
  std::vector<std::uint32_t> bits(pixels.rgb);
  for (std::uint32_t& p : bits)
    if (p == kTransparentGrey) p = 0;
  BITMAPINFO format = TopDown32(pixels);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, pixels.width, pixels.height);
  SetDIBits(screen, bitmap, 0, pixels.height, bits.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The monochrome mask: set where the picture is transparent.
HBITMAP MaskBitmap(const Pixels& pixels) {
  const int stride = (pixels.width + 15) / 16 * 2;
  std::vector<unsigned char> bits(static_cast<size_t>(stride) * pixels.height);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x)
      if (pixels.rgb[static_cast<size_t>(y) * pixels.width + x] == kTransparentGrey)
        bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
  return CreateBitmap(pixels.width, pixels.height, 1, 1, bits.data());
}

int DisplayBitsPerPixel() {
  HDC screen = GetDC(nullptr);
  int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits;
}

HIMAGELIST MakeImageList(HINSTANCE instance, UINT bitmapId) {
  HBITMAP loaded = LoadBitmapA(instance, MAKEINTRESOURCEA(bitmapId));
  if (!loaded) return nullptr;
  Pixels normal = ReadPixels(loaded);
  DeleteObject(loaded);
  Pixels greyed = normal;
  if (GreysOnDisplay(DisplayBitsPerPixel()))
    for (std::uint32_t& p : greyed.rgb) p = GreyedColour(p);

  HIMAGELIST list = ImageList_Create(normal.width, normal.height, ILC_COLOR32 | ILC_MASK, kButtonStates, 0);
  HBITMAP images[2] = {ImageBitmap(normal), ImageBitmap(greyed)};
  HBITMAP mask = MaskBitmap(normal);
  for (int state = 0; state < kButtonStates; ++state)
    ImageList_Add(list, images[state == kDisabledState ? 1 : 0], mask);
  DeleteObject(images[0]);
  DeleteObject(images[1]);
  DeleteObject(mask);
  return list;
}

// The lists made so far, destroyed when the process ends.
struct ImageListCache {
  ~ImageListCache() {
    for (auto& entry : lists) ImageList_Destroy(entry.second);
  }
  std::map<UINT, HIMAGELIST> lists;
};
ImageListCache& Cache() {
  static ImageListCache cache;
  return cache;
}

}  // namespace

bool ThemesActive() {
  using IsThemeActiveFunction = BOOL(WINAPI*)();
  static IsThemeActiveFunction isThemeActive = [] {
    HMODULE theme = LoadLibraryA("UxTheme.dll");
    return theme ? reinterpret_cast<IsThemeActiveFunction>(GetProcAddress(theme, "IsThemeActive")) : nullptr;
  }();
  return isThemeActive && isThemeActive();
}

HIMAGELIST ButtonImageList(HINSTANCE instance, UINT bitmapId) {
  HIMAGELIST& list = Cache().lists[bitmapId];
  if (!list) list = MakeImageList(instance, bitmapId);
  return list;
}

void SetButtonPicture(HWND button, HINSTANCE instance, UINT bitmapId) {
  if (ThemesActive()) {
    BUTTON_IMAGELIST images = {ButtonImageList(instance, bitmapId), {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_CENTER};
    SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
    return;
  }
  HANDLE bitmap = LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
  SetWindowLongA(button, GWL_STYLE, GetWindowLongA(button, GWL_STYLE) | BS_BITMAP);
  SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

void FreeButtonPicture(HWND button) {
  HANDLE bitmap = reinterpret_cast<HANDLE>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
  if (bitmap) DeleteObject(bitmap);
}
