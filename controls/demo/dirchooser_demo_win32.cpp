// The folder chooser on its own, to try by hand: opens on the folder given
// (or the current one) and prints the folder chosen. With --shot FILE.bmp it
// saves what the screen shows of it (the folder list focused, then the drive
// list dropped down below it) and closes itself.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls/dir_chooser.h"

namespace {

constexpr UINT_PTR kShotTimer = 1;
constexpr int kDropDownRoom = 160;  // pixels below the dialog for the open drive list

bool SaveScreen(const RECT& area, const char* path) {
  int width = area.right - area.left, height = area.bottom - area.top;
  int stride = (width * 3 + 3) & ~3;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
  std::fwrite(pixels.data(), 1, pixels.size(), out);
  return std::fclose(out) == 0;
}

class ShotChooser : public CDirChooserDlg {
 public:
  explicit ShotChooser(std::string shot) : shot_(std::move(shot)) {}

 protected:
  BOOL OnInitDialog() override {
    CDirChooserDlg::OnInitDialog();
    if (shot_.empty()) return TRUE;
    SetWindowPos(Window(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    HWND list = Item(kFolderListId);
    SetFocus(list);
    SendMessageA(list, LB_SETCURSEL, State().CurrentEntry() + 2, 0);
    SetTimer(Window(), kShotTimer, 700, nullptr);
    return FALSE;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message != WM_TIMER || wParam != kShotTimer) return CDirChooserDlg::OnMessage(message, wParam, lParam, result);
    RECT area;
    GetWindowRect(Window(), &area);
    if (step_++ == 0) {
      SaveScreen(area, shot_.c_str());
      SendDlgItemMessageA(Window(), kDriveListId, CB_SHOWDROPDOWN, TRUE, 0);
      return true;
    }
    area.bottom += kDropDownRoom;
    SaveScreen(area, (shot_.substr(0, shot_.size() - 4) + "-drives.bmp").c_str());
    KillTimer(Window(), kShotTimer);
    EndDialog(IDCANCEL);
    return true;
  }

 private:
  std::string shot_;
  int step_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  InitCommonControls();
  std::string shot;
  const char* path = nullptr;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--shot") == 0 && i + 1 < argc) shot = argv[++i];
    else path = argv[i];
  }
  ShotChooser chooser(shot);
  if (path) chooser.SetPath(path);
  else chooser.SetPathFromCurrentDirectory();
  INT_PTR result = chooser.DoModal(nullptr);
  if (result != IDOK) return 1;
  std::printf("%s\n", chooser.GetPath(0).c_str());
  return 0;
}
