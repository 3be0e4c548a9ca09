// The tree-list under real input, as a user edits the locations list: a
// double click or a typed digit opens the edit box, Return commits, Escape
// cancels, a click elsewhere commits; and a screenshot of the list shows the
// grid lines and the alternating row colours. Input goes through SendInput,
// so it takes the same path as a person's mouse and keyboard.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/tree_list_ctrl.h"
#include "tests/common/test_paths.h"

namespace {

constexpr UINT kListId = 0x9123;
CTreeListCtrl* g_list = nullptr;
int g_endEdits = 0;

// As the locations editor: the radius column is reformatted in the buffer.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == TVN_ENDLABELEDITA) {
    TVITEMA& item = reinterpret_cast<NMTVDISPINFOA*>(lp)->item;
    ++g_endEdits;
    if (item.pszText && item.cChildren == 3)
      std::snprintf(item.pszText, item.cchTextMax, "%3.2f", std::atof(item.pszText));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Processes messages until the condition holds or two seconds have passed.
bool PumpUntil(const std::function<bool()>& condition) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 2000) {
    Pump();
    if (condition()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  Pump();
  return condition();
}

void Settle() {
  PumpUntil([] { return false; } ) ;
}

void Key(WORD vk) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = vk;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  Pump();
}

void MoveTo(HWND hwnd, POINT client) {
  ClientToScreen(hwnd, &client);
  SetCursorPos(client.x, client.y);
  Pump();
}

void Click(HWND hwnd, POINT client, int times) {
  MoveTo(hwnd, client);
  for (int i = 0; i < times; ++i) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
    Pump();
  }
}

class TreeListEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TreeListEditingParent";
    RegisterClassA(&wc);
    parent = CreateWindowExA(0, wc.lpszClassName, "Orte", WS_POPUP | WS_VISIBLE, 40, 40, 600, 300, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(nullptr, parent);
    RECT rect = {8, 8, 592, 292};
    ASSERT_TRUE(list.Create(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_FULLROWSELECT | TVS_EDITLABELS,
                            rect, parent, kListId));
    g_list = &list;
    hwnd = list.GetSafeHwnd();
    list.InsertColumn(0, "Ort", 0, -35);
    list.InsertColumn(1, "L\xE4ngengrad", 1, -20);
    list.InsertColumn(2, "Breitengrad", 1, -20);
    list.InsertColumn(3, "Umkreis (m)", 1, -20);
    list.SetExtendedStyle(0, TLS_EX_GRIDLINES | TLS_EX_ALTROWS | TLS_EX_CELLSELECT);
    for (unsigned c = 0; c < 4; ++c) list.SetColumnEdit(c, TLM_EDITBOX, TLE_DBLCLICK);
    const char* names[] = {"Alm", "Bahnhof", "Quelle", ""};
    for (const char* name : names) {
      HTREEITEM item = list.InsertItem(name);
      rows.push_back(item);
      if (*name) {
        list.SetItemText(item, "+11.500000", 1);
        list.SetItemText(item, "+47.200000", 2);
        list.SetItemText(item, "100.00", 3);
      }
    }
    SetForegroundWindow(parent);
    SetFocus(hwnd);
    UpdateWindow(parent);
    Pump();
    g_endEdits = 0;
  }
  void TearDown() override {
    DestroyWindow(parent);
    g_list = nullptr;
    Pump();
  }
  RECT Cell(int row, int column) {
    RECT rect = {};
    std::memcpy(&rect, &rows[row], sizeof rows[row]);
    list.Send(TVM_GETITEMRECT, TLR_CELL | static_cast<WPARAM>(column) << 24, reinterpret_cast<LPARAM>(&rect));
    return rect;
  }
  POINT Middle(int row, int column) {
    RECT rect = Cell(row, column);
    POINT pt = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return pt;
  }
  HWND Editor() { return reinterpret_cast<HWND>(list.Send(TVM_GETEDITCONTROL)); }
  bool EditorOpen() { return Editor() && IsWindowVisible(Editor()); }
  std::string EditorText() {
    char text[64] = "";
    GetWindowTextA(Editor(), text, sizeof text);
    return text;
  }
  void SelectCell(int row, int column) {
    list.Send(TLM_SELECTCELL, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(rows[row]));
    SetFocus(hwnd);
    Pump();
  }
  HWND parent = nullptr;
  HWND hwnd = nullptr;
  CTreeListCtrl list;
  std::vector<HTREEITEM> rows;
};

TEST_F(TreeListEditing, DoubleClickOpensTheEditBoxAndReturnCommits) {
  Click(hwnd, Middle(1, 3), 2);
  ASSERT_TRUE(PumpUntil([&] { return EditorOpen(); }));
  EXPECT_EQ("100.00", EditorText());
  Key('7');
  Key('5');
  EXPECT_EQ("75", EditorText());  // the whole text was selected, so typing replaced it
  Key(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !EditorOpen(); }));
  EXPECT_STREQ("75.00", list.GetItemText(rows[1], 3));  // the parent's rewrite was stored
  EXPECT_EQ(rows[1], list.GetNextItem(nullptr, TVGN_CARET));  // no auto-advance without flag 0x01
  EXPECT_EQ(hwnd, GetFocus());
}

TEST_F(TreeListEditing, TypedDigitOpensTheEditBoxWithJustThatDigitAndEscapeCancels) {
  SelectCell(0, 1);
  Key('5');
  ASSERT_TRUE(PumpUntil([&] { return EditorOpen(); }));
  EXPECT_EQ("5", EditorText());
  Key(VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return !EditorOpen(); }));
  EXPECT_STREQ("+11.500000", list.GetItemText(rows[0], 1));
  EXPECT_EQ(1, g_endEdits);
}

TEST_F(TreeListEditing, TypedMinusSignOpensNothing) {
  SelectCell(0, 2);
  Key(VK_SUBTRACT);
  Settle();
  EXPECT_FALSE(EditorOpen());
  EXPECT_EQ(0, g_endEdits);
}

TEST_F(TreeListEditing, ClickingElsewhereKeepsTheTypedText) {
  SelectCell(2, 0);
  Key('9');
  ASSERT_TRUE(PumpUntil([&] { return EditorOpen(); }));
  Click(hwnd, Middle(0, 2), 1);
  ASSERT_TRUE(PumpUntil([&] { return !EditorOpen(); }));
  EXPECT_STREQ("9", list.GetItemText(rows[2], 0));
}

TEST_F(TreeListEditing, ReturnOnACellOpensTheEditBox) {
  SelectCell(1, 2);
  Key(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return EditorOpen(); }));
  EXPECT_EQ("+47.200000", EditorText());
  RECT editor, cell = Cell(1, 2);
  GetWindowRect(Editor(), &editor);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&editor), 2);
  EXPECT_EQ(cell.top + 1, editor.top);  // laid over the cell
  EXPECT_GE(editor.left, cell.left);
  Key(VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return !EditorOpen(); }));
}

struct Shot {
  int width = 0, height = 0;
  std::vector<unsigned char> bgr;  // bottom-up rows of 24-bit pixels
  int stride() const { return (width * 3 + 3) & ~3; }
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const unsigned char* p = &bgr[static_cast<size_t>(height - 1 - y) * stride() + x * 3];
    return RGB(p[2], p[1], p[0]);
  }
};

Shot Capture(HWND hwnd) {
  Shot shot;
  RECT client;
  GetClientRect(hwnd, &client);
  shot.width = client.right;
  shot.height = client.bottom;
  shot.bgr.resize(static_cast<size_t>(shot.stride()) * shot.height);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  // What the screen shows, read back from the screen itself.
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  HDC window = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, shot.width, shot.height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, window, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, shot.height, shot.bgr.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, window);
  return shot;
}

void SaveBmp(const Shot& shot, const std::string& path) {
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = shot.width;
  header.biHeight = shot.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(shot.bgr.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(reinterpret_cast<const char*>(shot.bgr.data()), shot.bgr.size());
  WriteWholeFile(path, bytes);
}

TEST_F(TreeListEditing, CutTextShowsATooltipWhileTheMouseIsOverIt) {
  list.SetItemText(rows[2], "Gipfelkreuz Gro\xDF" "er Daumen mit einem Namen, der nicht in die Spalte passt", 0);
  HWND tip = reinterpret_cast<HWND>(list.Send(TVM_GETTOOLTIPS));
  ASSERT_NE(nullptr, tip);
  MoveTo(hwnd, Middle(2, 0));
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }));
  if (const char* folder = std::getenv("TOLMARIC_SHOT_DIR")) SaveBmp(Capture(parent), std::string(folder) + "/tree_list_tip.bmp");
  MoveTo(hwnd, Middle(0, 3));  // a short text that fits
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }));
}

TEST_F(TreeListEditing, CtrlKeysScrollTheViewButLeaveTheCaret) {
  for (int i = 0; i < 60; ++i) rows.push_back(list.InsertItem("Zeile"));
  SelectCell(0, 1);
  int visible = static_cast<int>(list.Send(TVM_GETVISIBLECOUNT));
  ASSERT_GT(visible, 3);
  auto firstVisible = [&] { return static_cast<int>(list.Send(TLM_GETROWOFITEM, 0, list.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0))); };
  INPUT ctrl[2] = {};
  ctrl[0].type = ctrl[1].type = INPUT_KEYBOARD;
  ctrl[0].ki.wVk = ctrl[1].ki.wVk = VK_CONTROL;
  ctrl[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &ctrl[0], sizeof(INPUT));
  Key(VK_END);
  Key(VK_UP);
  SendInput(1, &ctrl[1], sizeof(INPUT));
  Pump();
  EXPECT_EQ(static_cast<int>(rows.size()) - visible, firstVisible());  // the last possible first row, minus one
  EXPECT_EQ(rows[0], list.GetNextItem(nullptr, TVGN_CARET));
  Key(VK_DOWN);  // without Ctrl the caret moves and is scrolled into view
  EXPECT_EQ(rows[1], list.GetNextItem(nullptr, TVGN_CARET));
  EXPECT_EQ(1, firstVisible());
  if (const char* folder = std::getenv("TOLMARIC_SHOT_DIR")) SaveBmp(Capture(parent), std::string(folder) + "/tree_list_scrolled.bmp");
}

TEST_F(TreeListEditing, DraggingAHeaderDividerWidensTheColumn) {
  HWND header = reinterpret_cast<HWND>(list.Send(TLM_GETHEADER));
  ASSERT_NE(nullptr, header);
  int before = static_cast<int>(list.Send(TLM_GETCOLUMNWIDTH, 0));
  RECT item;
  SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  POINT divider = {item.right - 1, (item.top + item.bottom) / 2};
  MoveTo(header, divider);
  INPUT press = {};
  press.type = INPUT_MOUSE;
  press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &press, sizeof press);
  Pump();
  divider.x += 30;
  MoveTo(header, divider);
  press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &press, sizeof press);
  EXPECT_TRUE(PumpUntil([&] { return list.Send(TLM_GETCOLUMNWIDTH, 0) == before + 30; }));
  RECT cell = Cell(0, 1);
  EXPECT_EQ(before + 30 - 1, cell.left);  // the cells follow the header
}

// Scrolling moves the rows already on the screen and paints only the strip
// that comes into view: the result must match a view painted whole.
TEST_F(TreeListEditing, RowsScrolledIntoViewMatchAViewPaintedWhole) {
  for (int i = 0; i < 60; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Zeile %d", i);
    list.SetItemText(list.InsertItem(name), name, 1 + i % 3);
  }
  SelectCell(1, 1);
  for (WPARAM step : {SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_LINEUP}) {
    list.Send(WM_VSCROLL, step);
    UpdateWindow(hwnd);
  }
  list.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  UpdateWindow(hwnd);
  Pump();
  ASSERT_GT(list.Send(TLM_GETROWOFITEM, 0, list.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)), 2);
  Shot scrolled = Capture(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  Shot whole = Capture(hwnd);
  EXPECT_TRUE(scrolled.bgr == whole.bgr);
}

// ---- The screenshot ----

TEST_F(TreeListEditing, ScreenshotShowsGridLinesAndAlternatingRows) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
  Shot shot = Capture(hwnd);
  if (const char* folder = std::getenv("TOLMARIC_SHOT_DIR")) SaveBmp(shot, std::string(folder) + "/tree_list.bmp");
  COLORREF grid = static_cast<COLORREF>(list.Send(TVM_GETBKCOLOR, 3));
  COLORREF odd = static_cast<COLORREF>(list.Send(TVM_GETBKCOLOR, 1));
  COLORREF even = static_cast<COLORREF>(list.Send(TVM_GETBKCOLOR, 2));
  ASSERT_NE(odd, even);
  for (int row = 0; row < 4; ++row) {
    RECT cell = Cell(row, 0);
    // Right part of the name cell: past the short names, inside the row.
    COLORREF background = shot.At(cell.right - 8, (cell.top + cell.bottom) / 2);
    EXPECT_EQ(row % 2 ? odd : even, background) << "row " << row;
    for (int x : {4, static_cast<int>(cell.right) - 8, shot.width / 2})
      EXPECT_EQ(grid, shot.At(x, cell.bottom - 1)) << "grid under row " << row << " at " << x;
  }
  RECT last = Cell(3, 0);
  EXPECT_EQ(static_cast<COLORREF>(list.Send(TVM_GETBKCOLOR, 0)), shot.At(40, last.bottom + 5));  // below the rows
}

}  // namespace
