// CTreeListCtrl: packs the message structures for the calls clients make
// most; every call is one message to the control.
#include "controls/tree_list_ctrl.h"

namespace {

constexpr int kHeaderTextCapacity = 256;
constexpr int kItemTextCapacity = 256;

}  // namespace

BOOL CTreeListCtrl::Create(DWORD exStyle, DWORD style, const RECT& rect, HWND parent, UINT id) {
  if (!RegisterTreeListClass()) return FALSE;
  hwnd_ = CreateWindowExA(exStyle, kTreeListClassName, "", style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  return hwnd_ != nullptr;
}

LRESULT CTreeListCtrl::Send(UINT message, WPARAM wp, LPARAM lp) const {
  return SendMessageA(hwnd_, message, wp, lp);
}

int CTreeListCtrl::InsertColumn(int position, const char* text, int format, int width, int minWidth) {
  LVCOLUMNA column = {};
  if (text) {
    column.mask |= TLCF_TEXT;
    column.pszText = const_cast<char*>(text);
    column.cchTextMax = kHeaderTextCapacity;
  }
  if (format != kNoFormat) {
    column.mask |= TLCF_FMT | TLCF_MARK;
    column.fmt = format;
  }
  if (minWidth != kNoMinWidth) {
    column.mask |= TLCF_MINWIDTH;
    column.iOrder = minWidth;
  }
  column.mask |= width >= 0 ? TLCF_WIDTH : TLCF_WEIGHT;
  column.cx = width >= 0 ? width : -width;
  return static_cast<int>(Send(TLM_INSERTCOLUMN, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&column)));
}

HTREEITEM CTreeListCtrl::InsertItem(UINT mask, const char* text, int image, int selectedImage, UINT state,
                                    UINT stateMask, LPARAM param, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = mask;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  insert.item.state = state;
  insert.item.stateMask = stateMask;
  insert.item.lParam = param;
  return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM CTreeListCtrl::InsertItem(const char* text, HTREEITEM parent, HTREEITEM after) {
  return InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parent, after);
}

BOOL CTreeListCtrl::SetItemText(HTREEITEM item, const char* text, int column) {
  TVITEMA data = {};
  data.mask = TVIF_TEXT | TVIF_CELL;
  data.hItem = item;
  data.pszText = const_cast<char*>(text);
  data.cchTextMax = text ? kItemTextCapacity : 0;
  data.cChildren = column;
  return static_cast<BOOL>(Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data)));
}

const char* CTreeListCtrl::GetItemText(HTREEITEM item, int column) {
  TVITEMA data = {};
  data.mask = TVIF_TEXT | TVIF_CELL | TVIF_TEXTPTR;
  data.hItem = item;
  data.cChildren = column;
  return Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data)) ? data.pszText : nullptr;
}

BOOL CTreeListCtrl::DeleteItem(HTREEITEM item) {
  return static_cast<BOOL>(Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM CTreeListCtrl::GetNextItem(HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

DWORD CTreeListCtrl::SetExtendedStyle(DWORD mask, DWORD styles) {
  return static_cast<DWORD>(Send(TVM_SETEXTENDEDSTYLE, mask, static_cast<LPARAM>(styles)));
}

BOOL CTreeListCtrl::SetColumnEdit(unsigned column, unsigned mode, unsigned flags, const void* choices,
                                  unsigned separator, unsigned count) {
  WPARAM packed = TlEditSettings(column, mode, flags, separator, count);
  return static_cast<BOOL>(Send(TLM_SETCOLUMNEDIT, packed, reinterpret_cast<LPARAM>(choices)));
}
