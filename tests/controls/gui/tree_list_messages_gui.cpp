// The "TreeList" window driven by messages as the locations list drives it:
// rows in, texts back out in both forms, rows deleted, and the end of an edit
// with a parent that rewrites the text, one that refuses it and one that
// deletes the row meanwhile. The parent's handlers call back into the
// control, which only works when the control releases its semaphore around
// every notification.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/tree_list_ctrl.h"

namespace {

constexpr UINT kControlId = 0x9123;

struct ParentLog {
  std::vector<int> codes;
  std::vector<HTREEITEM> deleted;
  UINT endMask = 0;
  int endColumn = -1;
  std::string endText;
  bool endTextNull = false;
  std::function<LRESULT(NMHDR*)> handler;
};

ParentLog* g_log = nullptr;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY && g_log) {
    NMHDR* header = reinterpret_cast<NMHDR*>(lp);
    g_log->codes.push_back(static_cast<int>(header->code));
    if (header->code == TVN_DELETEITEMA)
      g_log->deleted.push_back(reinterpret_cast<NMTREEVIEWA*>(lp)->itemOld.hItem);
    if (header->code == TVN_ENDLABELEDITA) {
      TVITEMA& item = reinterpret_cast<NMTVDISPINFOA*>(lp)->item;
      g_log->endMask = item.mask;
      g_log->endColumn = item.cChildren;
      g_log->endTextNull = item.pszText == nullptr;
      g_log->endText = item.pszText ? item.pszText : "";
    }
    if (g_log->handler) return g_log->handler(header);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeParent() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TreeListTestParent";
    RegisterClassA(&wc);
    registered = true;
  }
  return CreateWindowExA(0, "TreeListTestParent", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 400, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

class TreeListWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    g_log = &log;
    parent = MakeParent();
    ASSERT_NE(nullptr, parent);
    RECT rect = {10, 10, 510, 310};
    ASSERT_TRUE(list.Create(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_FULLROWSELECT | TVS_EDITLABELS,
                            rect, parent, kControlId));
    hwnd = list.GetSafeHwnd();
    const char* headers[] = {"Ort", "L\xE4ngengrad", "Breitengrad", "Umkreis (m)"};
    const int weights[] = {35, 20, 20, 20};
    for (int c = 0; c < 4; ++c) ASSERT_EQ(c, list.InsertColumn(c, headers[c], c == 0 ? 0 : 1, -weights[c]));
    list.SetExtendedStyle(0, TLS_EX_GRIDLINES | TLS_EX_ALTROWS | TLS_EX_CELLSELECT);
    for (WPARAM packed : {0x0102, 0x0902, 0x1102, 0x1902}) ASSERT_EQ(1, list.Send(TLM_SETCOLUMNEDIT, packed, 0));
  }
  void TearDown() override {
    DestroyWindow(parent);
    g_log = nullptr;
  }
  HTREEITEM AddRow(const char* name, const char* lon, const char* lat, const char* radius) {
    HTREEITEM item = list.InsertItem(name);
    list.SetItemText(item, lon, 1);
    list.SetItemText(item, lat, 2);
    list.SetItemText(item, radius, 3);
    return item;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (HTREEITEM h = list.GetNextItem(TVI_ROOT, TVGN_CHILD); h; h = list.GetNextItem(h, TVGN_NEXT))
      names.push_back(list.GetItemText(h, 0));
    return names;
  }
  HWND OpenEditor(HTREEITEM item, int column) {
    return reinterpret_cast<HWND>(list.Send(TVM_EDITLABELA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(item)));
  }
  ParentLog log;
  HWND parent = nullptr;
  HWND hwnd = nullptr;
  CTreeListCtrl list;
};

TEST_F(TreeListWindowTest, EmptyControlHasNoRows) {
  EXPECT_EQ(0, list.Send(TVM_GETCOUNT));
  EXPECT_EQ(nullptr, list.GetNextItem(TVI_ROOT, TVGN_CHILD));
  EXPECT_EQ(4, list.Send(TLM_GETCOLUMNCOUNT));
  EXPECT_NE(0, list.Send(TLM_GETHEADER));
  EXPECT_EQ(0, list.Send(TVM_GETUNICODEFORMAT));
}

TEST_F(TreeListWindowTest, RowsReadBackThroughBothTextForms) {
  HTREEITEM alm = AddRow("Alm", "+11.500000", "+47.200000", "100.00");
  AddRow("H\xFCtte am See", "+11.123456", "+47.000001", "50.00");
  EXPECT_EQ(2, list.Send(TVM_GETCOUNT));
  EXPECT_EQ((std::vector<std::string>{"Alm", "H\xFCtte am See"}), Names());
  EXPECT_STREQ("+47.200000", list.GetItemText(alm, 2));

  char buffer[6];
  TVITEMA item = {};
  item.mask = TVIF_TEXT | TVIF_CELL;
  item.hItem = alm;
  item.cChildren = 1;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  ASSERT_TRUE(list.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ("+11.5", buffer);  // cut to the capacity, terminated

  TVITEMA pointer = {};
  pointer.mask = TVIF_TEXT | TVIF_CELL | TVIF_TEXTPTR;
  pointer.hItem = alm;
  pointer.cChildren = 3;
  ASSERT_TRUE(list.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&pointer)));
  EXPECT_STREQ("100.00", pointer.pszText);
  EXPECT_EQ(7, pointer.cchTextMax);
}

TEST_F(TreeListWindowTest, BadHandlesAndColumnsAreRefused) {
  HTREEITEM alm = AddRow("Alm", "1", "2", "3");
  EXPECT_EQ(nullptr, list.GetItemText(reinterpret_cast<HTREEITEM>(99), 0));
  EXPECT_EQ(nullptr, list.GetItemText(alm, 4));
  EXPECT_FALSE(list.SetItemText(alm, "x", 7));
  EXPECT_FALSE(list.DeleteItem(reinterpret_cast<HTREEITEM>(99)));
  EXPECT_EQ(-1, list.Send(TVM_SETBKCOLOR, 16, 0));
  EXPECT_EQ(-1, list.Send(TVM_GETBKCOLOR, 16, 0));
  EXPECT_EQ(0, list.Send(TLM_SETCOLUMNEDIT, TlEditSettings(0, 6, 0), 0));
  EXPECT_EQ(0, list.Send(TLM_SETUSERDATASIZE, 0, 16));  // not while rows exist
  EXPECT_EQ(-1, list.Send(TLM_GETROWOFITEM, 0, 99));
}

TEST_F(TreeListWindowTest, DeletingSendsOneNotificationPerItem) {
  HTREEITEM a = AddRow("A", "", "", "");
  HTREEITEM b = AddRow("B", "", "", "");
  HTREEITEM child = list.InsertItem("child", a);
  EXPECT_TRUE(list.DeleteItem(a));
  EXPECT_EQ((std::vector<HTREEITEM>{child, a}), log.deleted);
  EXPECT_EQ((std::vector<std::string>{"B"}), Names());
  EXPECT_EQ(0, list.Send(TLM_GETROWOFITEM, 0, reinterpret_cast<LPARAM>(b)));
  EXPECT_TRUE(list.DeleteItem(TVI_ROOT));
  EXPECT_EQ(0, list.Send(TVM_GETCOUNT));
}

TEST_F(TreeListWindowTest, ColumnsAreLimitedToThirtyTwo) {
  for (int c = 4; c < 32; ++c) ASSERT_EQ(c, list.InsertColumn(100, "x", 0, 10));
  EXPECT_EQ(-1, list.InsertColumn(1, "x", 0, 10));
  EXPECT_EQ(32, list.Send(TLM_GETCOLUMNCOUNT));
}

TEST_F(TreeListWindowTest, ColumnsShareTheWidthByWeight) {
  RECT client;
  GetClientRect(hwnd, &client);
  int total = 0;
  for (int c = 0; c < 4; ++c) total += static_cast<int>(list.Send(TLM_GETCOLUMNWIDTH, c));
  EXPECT_EQ(client.right, total);
  std::vector<int> before;
  for (int c = 0; c < 4; ++c) before.push_back(static_cast<int>(list.Send(TLM_GETCOLUMNWIDTH, c)));
  SetWindowPos(hwnd, nullptr, 0, 0, 500 + 95, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(before[0] + 35, list.Send(TLM_GETCOLUMNWIDTH, 0));
  EXPECT_EQ(before[3] + 20, list.Send(TLM_GETCOLUMNWIDTH, 3));
}

TEST_F(TreeListWindowTest, SizesAreClampedThroughMessages) {
  list.Send(TVM_SETITEMHEIGHT, 7);
  EXPECT_EQ(6, list.Send(TVM_GETITEMHEIGHT));
  list.Send(TVM_SETITEMHEIGHT, 300);
  EXPECT_EQ(256, list.Send(TVM_GETITEMHEIGHT));
  list.Send(TVM_SETITEMHEIGHT, static_cast<WPARAM>(-1));
  int withGrid = static_cast<int>(list.Send(TVM_GETITEMHEIGHT));
  list.SetExtendedStyle(TLS_EX_GRIDLINES, 0);
  EXPECT_EQ(withGrid - 1, list.Send(TVM_GETITEMHEIGHT));
  EXPECT_EQ(19, list.Send(TVM_SETINDENT, 2));
  EXPECT_EQ(5, list.Send(TVM_GETINDENT));
  list.Send(TVM_SETINDENT, 100);
  EXPECT_EQ(64, list.Send(TVM_GETINDENT));
}

TEST_F(TreeListWindowTest, ColourSlotsRememberTheClientsValue) {
  EXPECT_EQ(static_cast<LRESULT>(GetSysColor(COLOR_WINDOW)), list.Send(TVM_GETBKCOLOR, 0));
  list.Send(TVM_SETBKCOLOR, 3, RGB(1, 2, 3));
  EXPECT_EQ(RGB(1, 2, 3), list.Send(TVM_GETBKCOLOR, 3));
  list.Send(TVM_SETBKCOLOR, 3, -1);
  EXPECT_EQ(static_cast<LRESULT>(GetSysColor(COLOR_BTNFACE)), list.Send(TVM_GETBKCOLOR, 3));
  list.Send(TVM_SETTEXTCOLOR, 0, RGB(9, 9, 9));
  EXPECT_EQ(RGB(9, 9, 9), list.Send(TVM_GETBKCOLOR, 4));
}

TEST_F(TreeListWindowTest, HitTestNamesTheCellColumn) {
  HTREEITEM alm = AddRow("Alm", "+11.500000", "", "");
  RECT cell = {};
  std::memcpy(&cell, &alm, sizeof alm);  // the item travels in the rectangle's first field
  ASSERT_TRUE(list.Send(TVM_GETITEMRECT, TLR_CELL | (2u << 24), reinterpret_cast<LPARAM>(&cell)));
  TVHITTESTINFO hit = {};
  hit.pt.x = (cell.left + cell.right) / 2;
  hit.pt.y = (cell.top + cell.bottom) / 2;
  EXPECT_EQ(alm, reinterpret_cast<HTREEITEM>(list.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
  EXPECT_EQ(2u << 24 | TLHT_ONCELLRIGHT, hit.flags);  // an empty cell
  hit.pt.y = cell.bottom + 100;
  EXPECT_EQ(nullptr, reinterpret_cast<HTREEITEM>(list.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
  EXPECT_EQ(static_cast<UINT>(TVHT_NOWHERE), hit.flags);
}

TEST_F(TreeListWindowTest, ReturnIsWantedFromTheDialog) {
  MSG msg = {};
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_RETURN;
  EXPECT_EQ(DLGC_WANTALLKEYS, SendMessageA(hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&msg)));
  EXPECT_EQ(DLGC_WANTARROWS | DLGC_WANTCHARS, SendMessageA(hwnd, WM_GETDLGCODE, 0, 0));
}

// ---- The end of an edit ----

TEST_F(TreeListWindowTest, ParentRewritingTheBufferGetsTheRewrittenTextStored) {
  HTREEITEM alm = AddRow("Alm", "+11.500000", "", "");
  log.handler = [&](NMHDR* header) -> LRESULT {
    if (header->code != TVN_ENDLABELEDITA) return 0;
    TVITEMA& item = reinterpret_cast<NMTVDISPINFOA*>(header)->item;
    // Calling back into the control from the handler must not block.
    EXPECT_STREQ("+11.500000", list.GetItemText(item.hItem, 1));
    std::strcpy(item.pszText, "+47.500000");
    return 0;
  };
  HWND editor = OpenEditor(alm, 1);
  ASSERT_NE(nullptr, editor);
  EXPECT_EQ(editor, reinterpret_cast<HWND>(list.Send(TVM_GETEDITCONTROL)));
  SetWindowTextA(editor, "47\xB0" "30'");
  list.Send(TVM_ENDEDITLABELNOW, 0);
  EXPECT_EQ("47\xB0" "30'", log.endText);
  EXPECT_EQ(1, log.endColumn);
  EXPECT_EQ(0x801Du, log.endMask);
  EXPECT_STREQ("+47.500000", list.GetItemText(alm, 1));
  EXPECT_FALSE(IsWindowVisible(editor));
}

TEST_F(TreeListWindowTest, ParentAnsweringNonzeroKeepsTheOldText) {
  HTREEITEM alm = AddRow("Alm", "+11.500000", "", "");
  log.handler = [](NMHDR* header) -> LRESULT { return header->code == TVN_ENDLABELEDITA; };
  HWND editor = OpenEditor(alm, 1);
  ASSERT_NE(nullptr, editor);
  SetWindowTextA(editor, "garbage");
  list.Send(TVM_ENDEDITLABELNOW, 0);
  EXPECT_EQ("garbage", log.endText);
  EXPECT_STREQ("+11.500000", list.GetItemText(alm, 1));
}

TEST_F(TreeListWindowTest, CancelSendsNoTextAndKeepsTheOldOne) {
  HTREEITEM alm = AddRow("Alm", "", "", "100.00");
  HWND editor = OpenEditor(alm, 3);
  ASSERT_NE(nullptr, editor);
  SetWindowTextA(editor, "5");
  list.Send(TVM_ENDEDITLABELNOW, 1);
  EXPECT_TRUE(log.endTextNull);
  EXPECT_EQ(0x801Cu, log.endMask);
  EXPECT_STREQ("100.00", list.GetItemText(alm, 3));
}

TEST_F(TreeListWindowTest, ReturnInTheEditorCommitsAndMarksTheMask) {
  HTREEITEM alm = AddRow("Alm", "", "", "");
  HWND editor = OpenEditor(alm, 0);
  ASSERT_NE(nullptr, editor);
  SetWindowTextA(editor, "Almh\xFCtte");
  SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(0x801Du | TVIF_EDITBYRETURN, log.endMask);
  EXPECT_STREQ("Almh\xFCtte", list.GetItemText(alm, 0));
}

TEST_F(TreeListWindowTest, ParentDeletingTheRowDuringTheEndOfAnEditIsSafe) {
  HTREEITEM first = AddRow("Alm", "", "", "");
  AddRow("", "", "", "");
  log.handler = [&](NMHDR* header) -> LRESULT {
    if (header->code == TVN_ENDLABELEDITA) list.DeleteItem(reinterpret_cast<NMTVDISPINFOA*>(header)->item.hItem);
    return 0;
  };
  HWND editor = OpenEditor(first, 0);
  ASSERT_NE(nullptr, editor);
  SetWindowTextA(editor, "");
  list.Send(TVM_ENDEDITLABELNOW, 0);
  EXPECT_EQ((std::vector<std::string>{""}), Names());
}

TEST_F(TreeListWindowTest, ParentDestroyingTheControlDuringANotificationIsSafe) {
  HTREEITEM alm = AddRow("Alm", "", "", "");
  log.handler = [&](NMHDR* header) -> LRESULT {
    if (header->code == TVN_ENDLABELEDITA) DestroyWindow(hwnd);
    return 0;
  };
  ASSERT_NE(nullptr, OpenEditor(alm, 1));
  list.Send(TVM_ENDEDITLABELNOW, 0);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(TreeListWindowTest, EndingAnEditWhoseRowIsGoneDoesNothing) {
  HTREEITEM alm = AddRow("Alm", "", "", "");
  ASSERT_NE(nullptr, OpenEditor(alm, 2));
  log.codes.clear();
  list.DeleteItem(alm);
  list.Send(TVM_ENDEDITLABELNOW, 0);
  for (int code : log.codes) EXPECT_NE(static_cast<int>(TVN_ENDLABELEDITA), code);
}

TEST_F(TreeListWindowTest, BeginEditRefusedByTheParentOpensNoEditor) {
  HTREEITEM alm = AddRow("Alm", "", "", "");
  TVITEMA seen = {};
  log.handler = [&](NMHDR* header) -> LRESULT {
    if (header->code != TVN_BEGINLABELEDITA) return 0;
    seen = reinterpret_cast<NMTVDISPINFOA*>(header)->item;
    return 1;
  };
  EXPECT_EQ(nullptr, OpenEditor(alm, 0));
  EXPECT_EQ(0x801Du, seen.mask);
  EXPECT_EQ(alm, seen.hItem);
  EXPECT_EQ(0, seen.cChildren);
  EXPECT_EQ(0, list.Send(TVM_GETEDITCONTROL));  // no editor was made
}

TEST_F(TreeListWindowTest, EditingNeedsTheEditLabelsStyle) {
  HTREEITEM alm = AddRow("Alm", "", "", "");
  SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) & ~TVS_EDITLABELS);
  EXPECT_EQ(nullptr, OpenEditor(alm, 1));
}

TEST_F(TreeListWindowTest, SelectingACellNeedsCellSelection) {
  HTREEITEM alm = AddRow("Alm", "", "", "");
  EXPECT_EQ(1, list.Send(TLM_SELECTCELL, 2, reinterpret_cast<LPARAM>(alm)));
  EXPECT_EQ(alm, list.GetNextItem(nullptr, TVGN_CARET));
  EXPECT_EQ(0, list.Send(TLM_SELECTCELL, 9, reinterpret_cast<LPARAM>(alm)));
  list.SetExtendedStyle(TLS_EX_CELLSELECT, 0);
  EXPECT_EQ(0, list.Send(TLM_SELECTCELL, 1, reinterpret_cast<LPARAM>(alm)));
}

TEST_F(TreeListWindowTest, SelectionChangeCanBeRefused) {
  HTREEITEM a = AddRow("A", "", "", "");
  HTREEITEM b = AddRow("B", "", "", "");
  list.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
  log.handler = [](NMHDR* header) -> LRESULT { return header->code == TVN_SELCHANGINGA; };
  EXPECT_FALSE(list.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b)));
  EXPECT_EQ(a, list.GetNextItem(nullptr, TVGN_CARET));
}

TEST_F(TreeListWindowTest, DeletingTheCaretRowSelectsTheRowThatTakesItsPlace) {
  HTREEITEM a = AddRow("A", "", "", "");
  HTREEITEM b = AddRow("B", "", "", "");
  list.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
  log.codes.clear();
  list.DeleteItem(a);
  EXPECT_EQ(b, list.GetNextItem(nullptr, TVGN_CARET));
  EXPECT_NE(log.codes.end(), std::find(log.codes.begin(), log.codes.end(), static_cast<int>(TVN_SELCHANGEDA)));
}

TEST_F(TreeListWindowTest, ExpandingCanBeRefusedByTheParent) {
  HTREEITEM a = AddRow("A", "", "", "");
  list.InsertItem("child", a);
  EXPECT_EQ(1, list.Send(TLM_GETROWCOUNT));
  log.handler = [](NMHDR* header) -> LRESULT { return header->code == TVN_ITEMEXPANDINGA; };
  EXPECT_FALSE(list.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
  EXPECT_EQ(1, list.Send(TLM_GETROWCOUNT));
  log.handler = nullptr;
  EXPECT_TRUE(list.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
  EXPECT_EQ(2, list.Send(TLM_GETROWCOUNT));
  EXPECT_EQ(TVIS_EXPANDED | TVIS_EXPANDEDONCE, list.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(a)) & 0xFF);
}

int CALLBACK ByLength(HWND, HTREEITEM, LPCSTR siblingText, LPCSTR newText, LPARAM, LPARAM) {
  return static_cast<int>(std::strlen(siblingText)) - static_cast<int>(std::strlen(newText));
}

TEST_F(TreeListWindowTest, SortedInsertCallsTheClientsComparison) {
  for (const char* name : {"a", "ccc", "eeeee"}) list.InsertItem(name);
  TVINSERTSTRUCTA insert = {};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(TLI_SORTEX));
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>("dddd");
  insert.item.hItem = reinterpret_cast<HTREEITEM>(&ByLength);
  ASSERT_NE(0, list.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  EXPECT_EQ((std::vector<std::string>{"a", "ccc", "dddd", "eeeee"}), Names());
}

TEST_F(TreeListWindowTest, OwnColoursAndUserDataThroughMessages) {
  HTREEITEM a = AddRow("A", "", "", "");
  WPARAM cell = reinterpret_cast<WPARAM>(a) | 2u << 24;
  EXPECT_EQ(-1, list.Send(TLM_SETITEMTEXTCOLOR, cell, RGB(200, 0, 0)));
  EXPECT_EQ(RGB(200, 0, 0), list.Send(TLM_GETITEMTEXTCOLOR, reinterpret_cast<WPARAM>(a), 2));
  EXPECT_EQ(RGB(200, 0, 0), list.Send(TLM_SETITEMTEXTCOLOR, cell, -1));
  EXPECT_EQ(-1, list.Send(TLM_GETITEMTEXTCOLOR, reinterpret_cast<WPARAM>(a), 2));
  EXPECT_EQ(-1, list.Send(TLM_GETITEMBKCOLOR, reinterpret_cast<WPARAM>(a), 9));
  list.DeleteItem(TVI_ROOT);
  EXPECT_EQ(1, list.Send(TLM_SETUSERDATASIZE, 0, 12));
  HTREEITEM b = list.InsertItem("B");
  unsigned char* data = reinterpret_cast<unsigned char*>(list.Send(TLM_GETUSERDATA, 0, reinterpret_cast<LPARAM>(b)));
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(0, data[11]);
  EXPECT_EQ(12, list.Send(TLM_GETUSERDATASIZE));
}

TEST_F(TreeListWindowTest, ColumnStructureReadsBackFromTheHeader) {
  char text[32] = "";
  LVCOLUMNA column = {};
  column.mask = TLCF_TEXT | TLCF_FMT | TLCF_WIDTH;
  column.pszText = text;
  column.cchTextMax = sizeof text;
  ASSERT_TRUE(list.Send(TLM_GETCOLUMN, 1, reinterpret_cast<LPARAM>(&column)));
  EXPECT_STREQ("L\xE4ngengrad", text);
  EXPECT_EQ(LVCFMT_RIGHT, column.fmt);
  EXPECT_EQ(list.Send(TLM_GETCOLUMNWIDTH, 1), column.cx);
  EXPECT_FALSE(list.Send(TLM_GETCOLUMN, 4, reinterpret_cast<LPARAM>(&column)));
  EXPECT_TRUE(list.Send(TLM_DELETECOLUMN, 3));
  EXPECT_EQ(3, list.Send(TLM_GETCOLUMNCOUNT));
}

// ---- Scrolling and redrawing under real use ----

class TreeListScrollTest : public TreeListWindowTest {
 protected:
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) AddRow("Ort", "+11.500000", "+47.200000", "100.00");
  }
  long FirstVisibleRow() {
    HTREEITEM first = list.GetNextItem(nullptr, TVGN_FIRSTVISIBLE);
    return static_cast<long>(list.Send(TLM_GETROWOFITEM, 0, reinterpret_cast<LPARAM>(first)));
  }
  void Wheel(int delta) { list.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(100, 100)); }
  // Shows the list and paints it, so that what follows starts with nothing to paint.
  void ShowPainted() {
    ShowWindow(parent, SW_SHOW);
    UpdateWindow(parent);
    UpdateWindow(hwnd);
  }
  RECT Client() {
    RECT client;
    GetClientRect(hwnd, &client);
    return client;
  }
};

// Touchpads and fine-step mice send deltas below WHEEL_DELTA.
TEST_F(TreeListScrollTest, SmallWheelDeltasAddUpToWholeSteps) {
  AddRows(100);
  UINT lines = 3;
  SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  ASSERT_GT(lines, 0u);
  ASSERT_LT(lines, 20u);
  for (int i = 0; i < 3; ++i) Wheel(-30);
  EXPECT_EQ(0, FirstVisibleRow());
  Wheel(-30);
  EXPECT_EQ(static_cast<long>(lines), FirstVisibleRow());
  Wheel(-90);
  Wheel(60);  // turning back drops what was carried
  EXPECT_EQ(static_cast<long>(lines), FirstVisibleRow());
  Wheel(60);
  EXPECT_EQ(0, FirstVisibleRow());
  Wheel(-2 * WHEEL_DELTA);
  EXPECT_EQ(2 * static_cast<long>(lines), FirstVisibleRow());
}

// The locations editor fills the list with redrawing off: the scroll bars are
// left alone until it is turned on, then set once and the rows repainted.
TEST_F(TreeListScrollTest, RowsAddedWithRedrawOffShowWhenItIsTurnedOn) {
  ShowPainted();
  list.Send(WM_SETREDRAW, FALSE);
  AddRows(40);
  SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(hwnd, SB_VERT, &info);
  EXPECT_EQ(0, info.nMax);
  RECT dirty;
  EXPECT_FALSE(GetUpdateRect(hwnd, &dirty, FALSE));

  list.Send(WM_SETREDRAW, TRUE);
  GetScrollInfo(hwnd, SB_VERT, &info);
  EXPECT_EQ(40, info.nMax);
  EXPECT_EQ(list.Send(TVM_GETVISIBLECOUNT), static_cast<LRESULT>(info.nPage));
  ASSERT_TRUE(GetUpdateRect(hwnd, &dirty, FALSE));
  RECT client = Client();
  EXPECT_TRUE(EqualRect(&client, &dirty));
}

// A one-row scroll moves what is on the screen and repaints one row's strip.
TEST_F(TreeListScrollTest, ScrollingOneRowRepaintsOnlyTheUncoveredStrip) {
  AddRows(60);
  ShowPainted();
  int rowHeight = static_cast<int>(list.Send(TVM_GETITEMHEIGHT));
  RECT client = Client();
  list.Send(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(1, FirstVisibleRow());
  RECT dirty;
  ASSERT_TRUE(GetUpdateRect(hwnd, &dirty, FALSE));
  RECT bottomStrip = {0, client.bottom - rowHeight, client.right, client.bottom};
  EXPECT_TRUE(EqualRect(&bottomStrip, &dirty));

  UpdateWindow(hwnd);
  list.Send(WM_VSCROLL, SB_LINEUP);
  EXPECT_EQ(0, FirstVisibleRow());
  ASSERT_TRUE(GetUpdateRect(hwnd, &dirty, FALSE));
  RECT header;
  GetWindowRect(reinterpret_cast<HWND>(list.Send(TLM_GETHEADER)), &header);
  int top = header.bottom - header.top;
  RECT topStrip = {0, top, client.right, top + rowHeight};
  EXPECT_TRUE(EqualRect(&topStrip, &dirty));
}

// ---- A plain tree with buttons and check boxes ----

class TreeListTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    g_log = &log;
    parent = MakeParent();
    ASSERT_NE(nullptr, parent);
    RECT rect = {0, 0, 300, 200};
    DWORD style = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_CHECKBOXES;
    ASSERT_TRUE(tree.Create(0, style, rect, parent, kControlId));
    top = tree.InsertItem("Tirol");
    child = tree.InsertItem("Innsbruck", top);
  }
  void TearDown() override {
    DestroyWindow(parent);
    g_log = nullptr;
  }
  // The first point of the top row whose hit test gives these flags.
  POINT Find(UINT flags) {
    RECT row = {};
    std::memcpy(&row, &top, sizeof top);
    tree.Send(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    for (int x = 0; x < row.right; ++x) {
      TVHITTESTINFO hit = {};
      hit.pt = {x, (row.top + row.bottom) / 2};
      tree.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.flags == flags && hit.hItem == top) return hit.pt;
    }
    return POINT{-1, -1};
  }
  void ClickAt(POINT pt) {
    SendMessageA(tree.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    SendMessageA(tree.GetSafeHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  }
  ParentLog log;
  HWND parent = nullptr;
  CTreeListCtrl tree;
  HTREEITEM top = nullptr, child = nullptr;
};

TEST_F(TreeListTreeTest, NewItemsStartUncheckedAndAClickOnTheBoxChecksThem) {
  EXPECT_EQ(TLIS_UNCHECKED, tree.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(top)) & 0xF000);
  POINT box = Find(TVHT_ONITEMSTATEICON);
  ASSERT_GE(box.x, 0);
  ClickAt(box);
  EXPECT_EQ(TLIS_CHECKED, tree.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(top)) & 0xF000);
  EXPECT_NE(log.codes.end(), std::find(log.codes.begin(), log.codes.end(), TVN_CHECKCHANGED));
  ClickAt(box);
  EXPECT_EQ(TLIS_UNCHECKED, tree.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(top)) & 0xF000);
}

TEST_F(TreeListTreeTest, AClickOnTheButtonExpandsAndCollapses) {
  POINT button = Find(TVHT_ONITEMBUTTON);
  ASSERT_GE(button.x, 0);
  ClickAt(button);
  EXPECT_EQ(2, tree.Send(TLM_GETROWCOUNT));
  EXPECT_EQ(1, tree.Send(TLM_GETROWOFITEM, 0, reinterpret_cast<LPARAM>(child)));
  ClickAt(button);
  EXPECT_EQ(1, tree.Send(TLM_GETROWCOUNT));
  EXPECT_EQ(-1, tree.Send(TLM_GETROWOFITEM, 0, reinterpret_cast<LPARAM>(child)));
}

TEST_F(TreeListTreeTest, HitTestFlagsFollowTheRowFromLeftToRight) {
  std::vector<UINT> order;
  RECT row = {};
  std::memcpy(&row, &top, sizeof top);
  tree.Send(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  for (int x = 0; x < row.right; ++x) {
    TVHITTESTINFO hit = {};
    hit.pt = {x, (row.top + row.bottom) / 2};
    tree.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (order.empty() || order.back() != hit.flags) order.push_back(hit.flags);
  }
  std::vector<UINT> expected = {TVHT_ONITEMINDENT, TVHT_ONITEMBUTTON, TVHT_ONITEMINDENT, TVHT_ONITEMSTATEICON,
                                TVHT_ONITEMLABEL, TVHT_ONITEMRIGHT};
  EXPECT_EQ(expected, order);
}

}  // namespace
