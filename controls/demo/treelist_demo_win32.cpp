// A window with one tree-list configured as the locations list of the main
// dialog (four weighted columns, grid lines, alternating rows, cell
// selection, edit on double click, Return or a typed digit), for trying the
// control by hand. The end-of-edit handler reformats numbers the way the
// locations editor does, so the rewrite-the-buffer path can be watched.
//
// "/tree" shows a tree with lines, buttons and check boxes instead, the side
// of the control the locations list does not use. "/many" loads 2048 rows
// as the locations editor loads a full Locations.txt (with redrawing off).
// "/shot:file.bmp" paints the window once into a 24-bit BMP and exits, for
// looking at the drawing without a person at the screen; "/edit" opens an
// editor before that, and with "/many" the list is first scrolled down row
// by row, so the shot shows rows moved on the screen beside new ones.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "controls/tree_list_ctrl.h"

namespace {

constexpr UINT kListId = 0x9123;
constexpr int kWindowWidth = 640, kWindowHeight = 360;

struct Location {
  const char* name;
  double longitude, latitude, radius;
};

const Location kLocations[] = {
    {"H\xFCtte am See", 11.123456, 47.000001, 50.0},
    {"Alm", 11.5, 47.2, 100.0},
    {"Gipfelkreuz Gro\xDF" "er Daumen mit sehr langem Namen", 10.387, 47.452, 250.0},
    {"Bahnhof", 11.40094, 47.26323, 80.0},
    {"Parkplatz", 11.3, 47.1, 30.0},
    {"Quelle", 11.251, 47.312, 15.5},
    {"Br\xFC" "cke", 11.62, 47.28, 40.0},
};

constexpr int kManyRows = 2048;

CTreeListCtrl g_list;
bool g_tree = false;
bool g_many = false;

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void AddRow(const char* name, const std::string& lon, const std::string& lat, const std::string& radius) {
  HTREEITEM item = g_list.InsertItem(name);
  g_list.SetItemText(item, lon.c_str(), 1);
  g_list.SetItemText(item, lat.c_str(), 2);
  g_list.SetItemText(item, radius.c_str(), 3);
}

void CreateList(HWND parent) {
  RECT client;
  GetClientRect(parent, &client);
  InflateRect(&client, -8, -8);
  g_list.Create(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_FULLROWSELECT | TVS_EDITLABELS, client,
                parent, kListId);
  g_list.InsertColumn(0, "Ort", 0, -35);
  g_list.InsertColumn(1, "L\xE4ngengrad", 1, -20);
  g_list.InsertColumn(2, "Breitengrad", 1, -20);
  g_list.InsertColumn(3, "Umkreis (m)", 1, -20);
  g_list.SetExtendedStyle(0, TLS_EX_GRIDLINES | TLS_EX_ALTROWS | TLS_EX_CELLSELECT);
  for (unsigned column = 0; column < 4; ++column) g_list.SetColumnEdit(column, TLM_EDITBOX, TLE_DBLCLICK);
  g_list.Send(WM_SETREDRAW, FALSE);
  for (const Location& l : kLocations)
    AddRow(l.name, Format("%+3.6f", l.longitude), Format("%+3.6f", l.latitude), Format("%3.2f", l.radius));
  for (int i = 0; g_many && i < kManyRows - static_cast<int>(sizeof kLocations / sizeof kLocations[0]); ++i) {
    std::string name = "Ort " + std::to_string(i + 1);
    AddRow(name.c_str(), Format("%+3.6f", 10.0 + i * 0.001), Format("%+3.6f", 47.0 - i * 0.001), "100.00");
  }
  AddRow("", "", "", "");
  g_list.Send(WM_SETREDRAW, TRUE);
}

void CreateTree(HWND parent) {
  RECT client;
  GetClientRect(parent, &client);
  InflateRect(&client, -8, -8);
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                TVS_CHECKBOXES | TVS_EDITLABELS;
  g_list.Create(WS_EX_CLIENTEDGE, style, client, parent, kListId);
  g_list.InsertColumn(0, "Gebiet", 0, -3);
  g_list.InsertColumn(1, "Orte", 2, 60);
  g_list.InsertColumn(2, "Bemerkung", 0, -2);
  g_list.SetColumnEdit(2, TLM_EDITCOMBO, TLE_DBLCLICK, "gut|mittel|schlecht", '|');
  g_list.SetExtendedStyle(0, TLS_EX_ALTROWS | TLS_EX_GRIDLINES | TLS_EX_ROWMARK);
  const char* regions[] = {"Tirol", "Bayern", "S\xFC" "dtirol"};
  for (const char* region : regions) {
    HTREEITEM top = g_list.InsertItem(region);
    g_list.SetItemText(top, "3", 1);
    for (int i = 1; i <= 3; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "%s %d", region, i);
      HTREEITEM child = g_list.InsertItem(name, top);
      g_list.SetItemText(child, "1", 1);
      g_list.SetItemText(child, i == 2 ? "schlecht" : "gut", 2);
      if (i == 1) g_list.InsertItem("Unterpunkt", child);
    }
    g_list.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
  }
  g_list.Send(TLM_SETITEMTEXTCOLOR, 2u | 2u << 24, RGB(200, 0, 0));
}

// Numbers are rewritten in the notification's buffer; names add or remove rows.
LRESULT OnEndEdit(NMTVDISPINFOA* info) {
  TVITEMA& item = info->item;
  if (!item.pszText) return 0;
  int column = item.cChildren;
  if (column == 3) std::snprintf(item.pszText, item.cchTextMax, "%3.2f", std::atof(item.pszText));
  if (column == 1 || column == 2) std::snprintf(item.pszText, item.cchTextMax, "%+3.6f", std::atof(item.pszText));
  if (column != 0) return 0;
  HTREEITEM next = g_list.GetNextItem(item.hItem, TVGN_NEXT);
  if (!item.pszText[0] && next) g_list.DeleteItem(item.hItem);
  if (item.pszText[0] && !next) AddRow("", "", "", "");
  return 0;
}

void SaveShot(HWND hwnd, const char* path) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
  if (FILE* out = std::fopen(path, "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, static_cast<size_t>(stride) * height, 1, out);
    std::fclose(out);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      if (g_tree) CreateTree(hwnd); else CreateList(hwnd);
      return 0;
    case WM_SIZE:
      MoveWindow(g_list.GetSafeHwnd(), 8, 8, LOWORD(lp) - 16, HIWORD(lp) - 16, TRUE);
      return 0;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lp)->code == TVN_ENDLABELEDITA) return OnEndEdit(reinterpret_cast<NMTVDISPINFOA*>(lp));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  InitCommonControls();
  g_tree = std::strstr(commandLine, "/tree") != nullptr;
  g_many = std::strstr(commandLine, "/many") != nullptr;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "TreeListDemo";
  RegisterClassA(&wc);
  HWND main = CreateWindowExA(0, wc.lpszClassName, "Orte", WS_OVERLAPPEDWINDOW, 20, 20, kWindowWidth, kWindowHeight,
                              nullptr, nullptr, instance, nullptr);
  ShowWindow(main, show);
  UpdateWindow(main);
  const char* shot = std::strstr(commandLine, "/shot:");
  if (shot) {
    SetFocus(g_list.GetSafeHwnd());
    SendMessageA(g_list.GetSafeHwnd(), WM_KEYDOWN, VK_DOWN, 0);
    for (int i = 0; g_many && i < 5; ++i) {
      SendMessageA(g_list.GetSafeHwnd(), WM_VSCROLL, SB_LINEDOWN, 0);
      UpdateWindow(g_list.GetSafeHwnd());
    }
    if (std::strstr(commandLine, "/edit")) {
      HTREEITEM second = g_list.GetNextItem(g_list.GetNextItem(TVI_ROOT, TVGN_CHILD), TVGN_NEXT);
      if (g_tree) second = g_list.GetNextItem(second, TVGN_CHILD);
      SendMessageA(g_list.GetSafeHwnd(), TVM_EDITLABELA, g_tree ? 2 | 1u << 29 : 3, reinterpret_cast<LPARAM>(second));
    }
    UpdateWindow(main);
    // Scrolled rows are shot as scrolling left them, not painted again.
    UINT repaint = g_many ? RDW_UPDATENOW | RDW_ALLCHILDREN : RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN;
    RedrawWindow(main, nullptr, nullptr, repaint);
    SaveShot(main, shot + 6);
    DestroyWindow(main);
    return 0;
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(main, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
