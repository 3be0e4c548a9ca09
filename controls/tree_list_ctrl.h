// CTreeListCtrl: the client's handle on a "TreeList" window. It registers the
// window class on first use, creates the window, and packs the message
// structures for the few calls the program makes often. Everything else goes
// through SendMessage with the numbers of tree_list.h and the standard
// tree-view messages.
//
// The locations list, for example:
//   list.Create(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP |
//               TVS_FULLROWSELECT | TVS_EDITLABELS, rect, dialog, 0x9123);
//   list.InsertColumn(0, "Ort", 0, -35);          // negative width: a weight
//   list.InsertColumn(1, "L\xE4ngengrad", 1, -20); // format 1: right-aligned
//   ...
//   list.SetExtendedStyle(0, TLS_EX_GRIDLINES | TLS_EX_ALTROWS | TLS_EX_CELLSELECT);
//   list.SetColumnEdit(c, TLM_EDITBOX, TLE_DBLCLICK);  // for each column
//   HTREEITEM row = list.InsertItem("Alm");
//   list.SetItemText(row, "+11.500000", 1);
// The parent answers TVN_ENDLABELEDITA (NMTVDISPINFOA, column in
// item.cChildren) with 0 to store the text left in item.pszText.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "controls/tree_list.h"

constexpr char kTreeListClassName[] = "TreeList";

// Registers "TreeList" once per process; false when registration failed.
bool RegisterTreeListClass();

class CTreeListCtrl {
 public:
  static constexpr int kNoFormat = -1;
  static constexpr int kNoMinWidth = 0x8000;

  CTreeListCtrl() = default;
  ~CTreeListCtrl() = default;  // the window belongs to its parent
  CTreeListCtrl(const CTreeListCtrl&) = delete;
  CTreeListCtrl& operator=(const CTreeListCtrl&) = delete;

  BOOL Create(DWORD exStyle, DWORD style, const RECT& rect, HWND parent, UINT id);
  HWND GetSafeHwnd() const { return hwnd_; }
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

  // width >= 0: fixed pixels; width < 0: |width| is a weight.
  int InsertColumn(int position, const char* text, int format = kNoFormat, int width = -1,
                   int minWidth = kNoMinWidth);
  HTREEITEM InsertItem(UINT mask, const char* text, int image, int selectedImage, UINT state,
                       UINT stateMask, LPARAM param, HTREEITEM parent, HTREEITEM after);
  HTREEITEM InsertItem(const char* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  BOOL SetItemText(HTREEITEM item, const char* text, int column = 0);
  // The control's own text: valid until that item or cell changes; null on failure.
  const char* GetItemText(HTREEITEM item, int column = 0);
  BOOL DeleteItem(HTREEITEM item);
  HTREEITEM GetNextItem(HTREEITEM item, UINT relation);
  DWORD SetExtendedStyle(DWORD mask, DWORD styles);
  BOOL SetColumnEdit(unsigned column, unsigned mode, unsigned flags, const void* choices = nullptr,
                     unsigned separator = 0, unsigned count = 0);

  LRESULT Send(UINT message, WPARAM wp = 0, LPARAM lp = 0) const;

 private:
  HWND hwnd_ = nullptr;
};
