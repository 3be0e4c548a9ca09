// How long the locations list takes to fill with 2048 rows while it is on the
// screen, the way the locations editor loads Locations.txt: one insert and
// three cell texts per row, then the trailing empty row. Three ways:
//   hidden      the control is not visible (the model's own cost: yardstick)
//   visible     shown, every insert updates the scroll bars and the view
//   suspended   shown, with WM_SETREDRAW FALSE ... TRUE around the loading
// Each figure is the best of a few rounds, with the ratio to the yardstick.
// Prints to the console; run it under a display (xvfb-run + wine).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "controls/tree_list_ctrl.h"

namespace {

constexpr int kRows = 2048;
constexpr int kRounds = 3;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void CreateList(CTreeListCtrl& list, HWND parent, bool visible) {
  RECT rect = {8, 8, 620, 310};
  list.Create(WS_EX_CLIENTEDGE, (visible ? WS_VISIBLE : 0) | WS_CHILD | WS_TABSTOP | TVS_FULLROWSELECT | TVS_EDITLABELS,
              rect, parent, 0x9123);
  list.InsertColumn(0, "Ort", 0, -35);
  list.InsertColumn(1, "L\xE4ngengrad", 1, -20);
  list.InsertColumn(2, "Breitengrad", 1, -20);
  list.InsertColumn(3, "Umkreis (m)", 1, -20);
  list.SetExtendedStyle(0, TLS_EX_GRIDLINES | TLS_EX_ALTROWS | TLS_EX_CELLSELECT);
  for (unsigned column = 0; column < 4; ++column) list.SetColumnEdit(column, TLM_EDITBOX, TLE_DBLCLICK);
}

void AddRow(CTreeListCtrl& list, const char* name, const char* lon, const char* lat, const char* radius) {
  HTREEITEM item = list.InsertItem(name);
  list.SetItemText(item, lon, 1);
  list.SetItemText(item, lat, 2);
  list.SetItemText(item, radius, 3);
}

// Seconds from the first insert until the list is painted.
double Load(HWND main, bool visible, bool suspend) {
  CTreeListCtrl list;
  CreateList(list, main, visible);
  UpdateWindow(main);
  Pump();
  double start = Now();
  if (suspend) list.Send(WM_SETREDRAW, FALSE);
  for (int i = 0; i < kRows; ++i) {
    char name[32], lon[16], lat[16];
    std::snprintf(name, sizeof name, "Ort %d", i);
    std::snprintf(lon, sizeof lon, "%+3.6f", 10.0 + i * 0.001);
    std::snprintf(lat, sizeof lat, "%+3.6f", 47.0 + i * 0.001);
    AddRow(list, name, lon, lat, "100.00");
  }
  AddRow(list, "", "", "", "");
  if (suspend) list.Send(WM_SETREDRAW, TRUE);
  UpdateWindow(list.GetSafeHwnd());
  Pump();
  double seconds = Now() - start;
  DestroyWindow(list.GetSafeHwnd());
  Pump();
  return seconds;
}

double Best(HWND main, bool visible, bool suspend) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) best = std::min(best, Load(main, visible, suspend));
  return best;
}

}  // namespace

int main() {
  InitCommonControls();
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "TreeListLoadBench";
  RegisterClassA(&wc);
  HWND main = CreateWindowExA(0, wc.lpszClassName, "Orte", WS_OVERLAPPEDWINDOW, 20, 20, 640, 360, nullptr, nullptr,
                              wc.hInstance, nullptr);
  ShowWindow(main, SW_SHOW);
  UpdateWindow(main);
  double hidden = Best(main, false, false);
  double visible = Best(main, true, false);
  double suspended = Best(main, true, true);
  std::printf("loading %d rows (best of %d)\n", kRows, kRounds);
  std::printf("  hidden (yardstick)   %8.1f ms\n", hidden * 1e3);
  std::printf("  visible              %8.1f ms  %6.1f x yardstick\n", visible * 1e3, visible / hidden);
  std::printf("  visible, WM_SETREDRAW%8.1f ms  %6.1f x yardstick\n", suspended * 1e3, suspended / hidden);
  DestroyWindow(main);
  return 0;
}
