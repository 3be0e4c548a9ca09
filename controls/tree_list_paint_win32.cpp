// Geometry, painting, hit testing and scrolling of the tree-list.
//
// Rows are counted from the top of the row table; the view shows them from
// firstVisibleRow down, below the header. Horizontal positions are content
// positions minus scrollX. The whole client area is painted into a buffer
// when the theme library offers buffered painting, so a repaint never
// flickers; without it only the update area is painted, directly.
#include <algorithm>

#include "controls/tree_list_window.h"

namespace {

constexpr int kTextPad = 2;       // between a cell's text start and its text
constexpr int kButtonHalf = 4;    // the plain expand button is 9 x 9 pixels
constexpr int kLineStep = 16;     // horizontal arrow scrolling
constexpr int kThumbLimit = 0x7F00;
constexpr int kGlyphPart = 2;     // tree-view theme part: expand glyph
constexpr int kGlyphClosed = 1, kGlyphOpened = 2;
constexpr int kBufferCompatible = 0;

int RowHeight(TreeListWindow* w) { return std::max(1, w->model.ItemHeight()); }
bool GridLines(TreeListWindow* w) { return (w->model.ExtendedStyle() & TLS_EX_GRIDLINES) != 0; }

int ImageWidth(HIMAGELIST list) {
  int cx = 0, cy = 0;
  return list && ImageList_GetIconSize(list, &cx, &cy) ? cx : 0;
}

// Content edges of a column (the whole width when there are no columns).
void ColumnEdges(TreeListWindow* w, int column, int* left, int* right) {
  const TreeColumn* c = w->model.Column(column);
  if (!c) {
    *left = 0;
    *right = std::max(w->model.ClientWidth(), w->widestText);
    return;
  }
  *left = c->left;
  *right = c->right;
}

int Levels(TreeListWindow* w, const TreeItem& item) {
  return static_cast<int>(item.level) + (w->rootLines ? 1 : 0);
}

// Content x where column 0's state image starts (after the indent).
int IndentEnd(TreeListWindow* w, const TreeItem& item) {
  int left, right;
  ColumnEdges(w, 0, &left, &right);
  return left + w->model.Indent() * Levels(w, item);
}

}  // namespace

int TextWidth(TreeListWindow* w, const std::string& text, bool bold) {
  if (text.empty()) return 0;
  HDC dc = GetDC(w->hwnd);
  HGDIOBJ old = SelectObject(dc, bold ? w->boldFont : w->font);
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(w->hwnd, dc);
  return size.cx;
}

void MeasureFont(TreeListWindow* w) {
  HDC dc = GetDC(w->hwnd);
  HGDIOBJ old = SelectObject(dc, w->font);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SIZE dots = {};
  GetTextExtentPoint32A(dc, "...", 3, &dots);
  SelectObject(dc, old);
  ReleaseDC(w->hwnd, dc);
  w->textHeight = metrics.tmHeight;
  w->ellipsisWidth = dots.cx;
}

// Content x of a cell's text start: after the indent, check box and image.
int TextStart(TreeListWindow* w, TreeHandle handle, int column) {
  const TreeItem* item = w->model.Item(handle);
  int left, right;
  ColumnEdges(w, column, &left, &right);
  if (!item) return left - w->scrollX;
  int x = left;
  if (column == 0) {
    x = IndentEnd(w, *item);
    if (w->stateImages) x += ImageWidth(w->stateImages);
    if (w->images) x += ImageWidth(w->images);
  } else {
    const TreeCell* cell = w->model.FindCell(handle, column);
    if (cell && cell->image >= 0 && w->images) x += ImageWidth(w->images);
  }
  return x - w->scrollX;
}

int RowTop(TreeListWindow* w, size_t row) {
  long offset = static_cast<long>(row) - static_cast<long>(w->model.firstVisibleRow);
  return w->headerHeight + static_cast<int>(offset) * RowHeight(w);
}

bool RowRect(TreeListWindow* w, TreeHandle item, RECT* rect) {
  int row = w->model.RowOfItem(item);
  if (row < 0 || static_cast<size_t>(row) < w->model.firstVisibleRow) return false;
  int top = RowTop(w, static_cast<size_t>(row));
  if (top >= w->clientHeight) return false;
  SetRect(rect, 0, top, w->model.ClientWidth(), top + RowHeight(w));
  return true;
}

bool CellRect(TreeListWindow* w, TreeHandle item, int column, RECT* rect) {
  if (column < 0 || (column > 0 && column >= w->model.ColumnCount())) return false;
  if (!RowRect(w, item, rect)) return false;
  int left, right;
  ColumnEdges(w, column, &left, &right);
  rect->left = left - w->scrollX;
  rect->right = right - w->scrollX;
  return true;
}

void InvalidateItem(TreeListWindow* w, TreeHandle item) {
  RECT rect;
  if (w->redraw && RowRect(w, item, &rect)) InvalidateRect(w->hwnd, &rect, FALSE);
}

// ---- Header and scrolling --------------------------------------------------------

namespace {

int HorizontalExtent(TreeListWindow* w) {
  int count = w->model.ColumnCount();
  return count ? w->model.Column(count - 1)->right : w->widestText;
}

bool NoHorizontalScroll(TreeListWindow* w) {
  return (w->style & TVS_NOSCROLL) || (w->model.ExtendedStyle() & TLS_EX_NOHSCROLL);
}

long LastFirstRow(TreeListWindow* w) {
  long rows = static_cast<long>(w->model.RowCount());
  long visible = static_cast<long>(w->model.visibleRows);
  return std::max(0L, rows - visible + 1);
}

void EndEditForScroll(TreeListWindow* w) {
  if (w->edit.active) EndEdit(w, kEndFocusLost);
}

}  // namespace

void PlaceHeader(TreeListWindow* w) {
  w->headerHeight = 0;
  if (!w->header) return;
  bool hidden = (w->model.ExtendedStyle() & TLS_EX_HIDEHEADER) != 0;
  w->headerHeight = hidden ? 0 : GetSystemMetrics(SM_CYHSCROLL);
  int width = std::max(w->model.ClientWidth() + w->scrollX, HorizontalExtent(w)) + 64;
  SetWindowPos(w->header, nullptr, -w->scrollX, 0, width, w->headerHeight,
               SWP_NOZORDER | SWP_NOACTIVATE | (hidden ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
}

void ApplyColumnWidthsToHeader(TreeListWindow* w) {
  if (!w->header) return;
  w->applyingWidths = true;
  for (int c = 0; c < w->model.ColumnCount(); ++c) {
    HDITEMA item = {};
    item.mask = HDI_WIDTH;
    item.cxy = w->model.Column(c)->width;
    SendMessageA(w->header, HDM_SETITEMA, c, reinterpret_cast<LPARAM>(&item));
  }
  w->applyingWidths = false;
  PlaceHeader(w);
}

void UpdateScrollRanges(TreeListWindow* w) {
  CTreeListModel& m = w->model;
  int usable = w->clientHeight - w->headerHeight;
  m.visibleRows = usable > 0 ? static_cast<size_t>(usable / RowHeight(w)) : 0;
  m.firstVisibleRow = std::min<size_t>(m.firstVisibleRow, static_cast<size_t>(LastFirstRow(w)));
  int extent = NoHorizontalScroll(w) ? 0 : HorizontalExtent(w);
  int lastX = std::max(0, extent - m.ClientWidth());
  if (w->scrollX > lastX) {
    w->scrollX = lastX;
    PlaceHeader(w);
  }
  // Drawing a scroll bar is what makes filling a shown list slow; with
  // redrawing off the bars are set once when it is turned on again.
  if (!w->redraw) return;
  SCROLLINFO vertical = {sizeof vertical, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                         static_cast<int>(m.RowCount()), static_cast<UINT>(m.visibleRows),
                         static_cast<int>(m.firstVisibleRow), 0};
  SetScrollInfo(w->hwnd, SB_VERT, &vertical, TRUE);
  SCROLLINFO horizontal = {sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                           std::max(0, extent - 1), static_cast<UINT>(std::max(0, m.ClientWidth())),
                           w->scrollX, 0};
  SetScrollInfo(w->hwnd, SB_HORZ, &horizontal, TRUE);
}

void OnSetRedraw(TreeListWindow* w, bool on) {
  if (on == w->redraw) return;
  w->redraw = on;
  if (!on) return;
  UpdateScrollRanges(w);
  RepaintAll(w);
}

void ScrollToRow(TreeListWindow* w, long firstRow) {
  long row = std::clamp(firstRow, 0L, LastFirstRow(w));
  long old = static_cast<long>(w->model.firstVisibleRow);
  if (row == old) return;
  EndEditForScroll(w);
  HideTooltip(w);
  w->model.firstVisibleRow = static_cast<size_t>(row);
  if (!w->redraw) return;
  SetScrollPos(w->hwnd, SB_VERT, static_cast<int>(row), TRUE);
  // The rows still in view are moved on the screen; only the strip that
  // comes into view is painted. The partly shown last row counts as shown.
  RECT rows = {0, w->headerHeight, w->model.ClientWidth(), w->clientHeight};
  long shown = static_cast<long>(w->model.visibleRows) + 1;
  if (std::abs(row - old) >= shown || rows.bottom <= rows.top) return RepaintAll(w);
  int dy = static_cast<int>(old - row) * RowHeight(w);
  ScrollWindowEx(w->hwnd, 0, dy, &rows, &rows, nullptr, nullptr, SW_INVALIDATE);
}

void ScrollToX(TreeListWindow* w, int x) {
  int extent = NoHorizontalScroll(w) ? 0 : HorizontalExtent(w);
  x = std::clamp(x, 0, std::max(0, extent - w->model.ClientWidth()));
  if (x == w->scrollX) return;
  EndEditForScroll(w);
  HideTooltip(w);
  w->scrollX = x;
  if (w->redraw) SetScrollPos(w->hwnd, SB_HORZ, x, TRUE);
  PlaceHeader(w);
  RepaintAll(w);
}

void EnsureRowVisible(TreeListWindow* w, TreeHandle item) {
  int row = w->model.RowOfItem(item);
  if (row < 0) return;
  long visible = std::max(1L, static_cast<long>(w->model.visibleRows));
  long first = static_cast<long>(w->model.firstVisibleRow);
  if (row < first) ScrollToRow(w, row);
  else if (row >= first + visible) ScrollToRow(w, row - visible + 1);
}

void EnsureCellVisible(TreeListWindow* w, TreeHandle item, int column) {
  EnsureRowVisible(w, item);
  const TreeColumn* c = w->model.Column(column);
  if (!c || column == 0) return;
  int width = w->model.ClientWidth();
  if (c->left < w->scrollX) ScrollToX(w, c->left);
  else if (c->right > w->scrollX + width) ScrollToX(w, std::min(c->left, c->right - width));
}

void OnVScroll(TreeListWindow* w, WPARAM wp) {
  long first = static_cast<long>(w->model.firstVisibleRow);
  long page = std::max(1L, static_cast<long>(w->model.visibleRows) - 1);
  switch (LOWORD(wp)) {
    case SB_LINEUP: ScrollToRow(w, first - 1); break;
    case SB_LINEDOWN: ScrollToRow(w, first + 1); break;
    case SB_PAGEUP: ScrollToRow(w, first - page); break;
    case SB_PAGEDOWN: ScrollToRow(w, first + page); break;
    case SB_TOP: ScrollToRow(w, 0); break;
    case SB_BOTTOM: ScrollToRow(w, LastFirstRow(w)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      long position = HIWORD(wp);
      if (w->model.RowCount() >= static_cast<size_t>(kThumbLimit)) {
        SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(w->hwnd, SB_VERT, &info);
        position = info.nTrackPos;
      }
      ScrollToRow(w, position);
      break;
    }
    default: break;
  }
}

void OnHScroll(TreeListWindow* w, WPARAM wp) {
  int x = w->scrollX, page = std::max(1, w->model.ClientWidth());
  switch (LOWORD(wp)) {
    case SB_LINELEFT: ScrollToX(w, x - kLineStep); break;
    case SB_LINERIGHT: ScrollToX(w, x + kLineStep); break;
    case SB_PAGELEFT: ScrollToX(w, x - page); break;
    case SB_PAGERIGHT: ScrollToX(w, x + page); break;
    case SB_LEFT: ScrollToX(w, 0); break;
    case SB_RIGHT: ScrollToX(w, HorizontalExtent(w)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(w->hwnd, SB_HORZ, &info);
      ScrollToX(w, info.nTrackPos);
      break;
    }
    default: break;
  }
}

// ---- Hit testing ---------------------------------------------------------------------

namespace {

UINT HitCell(TreeListWindow* w, TreeHandle handle, int column, int x) {
  const TreeColumn* c = w->model.Column(column);
  UINT base = static_cast<UINT>(column) << 24;
  std::string text = DisplayText(w, handle, column);
  int left = c->left - w->scrollX, right = c->right - w->scrollX;
  const TreeCell* cell = w->model.FindCell(handle, column);
  int icon = 0;
  if (c->editMode >= TLM_EDITCHECK && w->stateImages) icon = ImageWidth(w->stateImages);
  else if (cell && cell->image >= 0 && w->images) icon = ImageWidth(w->images);
  if (icon && x < left + icon) return base | TLHT_ONCELLICON;
  if (text.empty()) return base | TLHT_ONCELLRIGHT;
  int width = TextWidth(w, text, false);
  int start = TextStart(w, handle, column);
  bool on = false;
  if (c->align == 2) on = x >= right - kTextPad - width - 5;
  else if (c->align == 1) on = std::abs(x - (start + right) / 2) <= width / 2 + 3;
  else on = x >= start && x < start + kTextPad + width + 5;
  return base | (on ? TLHT_ONCELLLABEL : TLHT_ONCELLRIGHT);
}

UINT HitTreeColumn(TreeListWindow* w, TreeHandle handle, int x, int y, int rowTop) {
  const TreeItem& item = *w->model.Item(handle);
  int indentEnd = IndentEnd(w, item) - w->scrollX;
  if (x < indentEnd) {
    int levels = Levels(w, item);
    if ((w->style & TVS_HASBUTTONS) && levels > 0 && w->model.HasChildren(handle)) {
      int cx = indentEnd - w->model.Indent() + w->model.Indent() / 2;
      int cy = rowTop + (RowHeight(w) - (GridLines(w) ? 1 : 0)) / 2;  // as painted, above the grid line
      if (x >= cx - 6 && x <= cx + 7 && y >= cy - 6 && y <= cy + 7) return TVHT_ONITEMBUTTON;
    }
    return TVHT_ONITEMINDENT;
  }
  int at = indentEnd;
  if (w->stateImages) {
    at += ImageWidth(w->stateImages);
    if (x < at) return TVHT_ONITEMSTATEICON;
  }
  if (w->images) {
    at += ImageWidth(w->images);
    if (x < at) return TVHT_ONITEMICON;
  }
  int width = TextWidth(w, DisplayText(w, handle, 0), (item.state & tv::kBold) != 0);
  return x < at + kTextPad + width + 5 ? TVHT_ONITEMLABEL : TVHT_ONITEMRIGHT;
}

}  // namespace

TreeHandle HitTest(TreeListWindow* w, POINT pt, UINT* flags) {
  UINT result = 0;
  if (pt.x < 0) result |= TVHT_TOLEFT;
  if (pt.x >= w->model.ClientWidth()) result |= TVHT_TORIGHT;
  if (pt.y < w->headerHeight) result |= TVHT_ABOVE;
  if (pt.y >= w->clientHeight) result |= TVHT_BELOW;
  *flags = result;
  if (result) return 0;
  size_t row = w->model.firstVisibleRow + static_cast<size_t>((pt.y - w->headerHeight) / RowHeight(w));
  TreeHandle item = w->model.ItemOfRow(row);
  if (!item) {
    *flags = TVHT_NOWHERE;
    return 0;
  }
  int x = pt.x + w->scrollX;
  int column = 0;
  if (w->model.ColumnCount() > 0) {
    column = -1;
    for (int c = 0; c < w->model.ColumnCount() && column < 0; ++c)
      if (x >= w->model.Column(c)->left && x < w->model.Column(c)->right) column = c;
    if (column < 0) {
      *flags = TLHT_RIGHTOFCOLUMNS;
      return item;
    }
  }
  *flags = column > 0 ? HitCell(w, item, column, pt.x) : HitTreeColumn(w, item, pt.x, pt.y, RowTop(w, row));
  return item;
}

// ---- Painting -------------------------------------------------------------------------

namespace {

struct RowPaint {
  HDC dc;
  TreeHandle handle;
  const TreeItem* item;
  size_t row;
  int top, bottom;  // bottom excludes the grid line
  COLORREF background;
  bool selected;
};

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

COLORREF RowBackground(TreeListWindow* w, size_t row, bool selected) {
  const TreeColor* slot = w->model.colors;
  uint32_t ex = w->model.ExtendedStyle();
  bool odd = (row & 1) != 0;
  if (selected && (ex & TLS_EX_ROWMARK)) return (ex & TLS_EX_ALTROWS) && odd ? slot[kSlotMarkedOdd] : slot[kSlotMarkedEven];
  if (ex & TLS_EX_ALTROWS) return odd ? slot[kSlotOddRows] : slot[kSlotEvenRows];
  return slot[kSlotBackground];
}

bool CellHighlighted(TreeListWindow* w, const RowPaint& p, int column) {
  if (!p.selected || (w->model.ExtendedStyle() & TLS_EX_ROWMARK)) return false;
  if (w->model.ExtendedStyle() & TLS_EX_CELLSELECT)
    return p.handle == w->model.Caret() && column == w->model.CaretColumn();
  return (w->style & TVS_FULLROWSELECT) || column == 0;
}

void DrawCellText(TreeListWindow* w, HDC dc, const std::string& text, RECT area, int align, COLORREF color) {
  if (text.empty() || area.right <= area.left) return;
  SetTextColor(dc, color);
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  format |= align == 2 ? DT_RIGHT : align == 1 ? DT_CENTER : DT_LEFT;
  area.left += kTextPad;
  area.right -= kTextPad;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
  (void)w;
}

void DrawTreeLines(TreeListWindow* w, const RowPaint& p, int left) {
  int levels = Levels(w, *p.item);
  if (levels == 0 || !(w->style & TVS_HASLINES)) return;
  int indent = w->model.Indent();
  int cx = left + indent * (levels - 1) + indent / 2;
  int cy = (p.top + p.bottom) / 2;
  HGDIOBJ old = SelectObject(p.dc, SharedResources().dottedPen);
  bool firstOfAll = p.item->parent == 0 && p.item->previous == 0;
  MoveToEx(p.dc, cx, firstOfAll ? cy : p.top, nullptr);
  LineTo(p.dc, cx, p.item->next ? p.bottom + (GridLines(w) ? 1 : 0) : cy);
  MoveToEx(p.dc, cx, cy, nullptr);
  LineTo(p.dc, left + indent * levels, cy);
  int level = levels - 2;
  for (TreeHandle up = p.item->parent; up && level >= 0; up = w->model.Item(up)->parent, --level) {
    if (!w->model.Item(up)->next) continue;
    int x = left + indent * level + indent / 2;
    MoveToEx(p.dc, x, p.top, nullptr);
    LineTo(p.dc, x, p.bottom + (GridLines(w) ? 1 : 0));
  }
  SelectObject(p.dc, old);
}

void DrawButton(TreeListWindow* w, const RowPaint& p, int left) {
  int levels = Levels(w, *p.item);
  if (levels == 0 || !(w->style & TVS_HASBUTTONS) || !w->model.HasChildren(p.handle)) return;
  int indent = w->model.Indent();
  int cx = left + indent * (levels - 1) + indent / 2;
  int cy = (p.top + p.bottom) / 2;
  RECT box = {cx - kButtonHalf, cy - kButtonHalf, cx + kButtonHalf + 1, cy + kButtonHalf + 1};
  bool open = (p.item->state & tv::kExpanded) != 0;
  const TreeListTheme& theme = SharedResources().theme;
  if (w->theme && theme.DrawThemeBackground) {
    RECT glyph = {cx - 8, cy - 8, cx + 8, cy + 8};
    theme.DrawThemeBackground(w->theme, p.dc, kGlyphPart, open ? kGlyphOpened : kGlyphClosed, &glyph, nullptr);
    return;
  }
  Fill(p.dc, box, w->model.colors[kSlotBackground]);
  HPEN frame = CreatePen(PS_SOLID, 1, w->model.colors[kSlotButtonFrame]);
  HPEN sign = CreatePen(PS_SOLID, 1, w->model.colors[kSlotLines]);
  HGDIOBJ old = SelectObject(p.dc, frame);
  HGDIOBJ oldBrush = SelectObject(p.dc, GetStockObject(NULL_BRUSH));
  Rectangle(p.dc, box.left, box.top, box.right, box.bottom);
  SelectObject(p.dc, sign);
  MoveToEx(p.dc, cx - 2, cy, nullptr);
  LineTo(p.dc, cx + 3, cy);
  if (!open) {
    MoveToEx(p.dc, cx, cy - 2, nullptr);
    LineTo(p.dc, cx, cy + 3);
  }
  SelectObject(p.dc, oldBrush);
  SelectObject(p.dc, old);
  DeleteObject(frame);
  DeleteObject(sign);
}

int ItemImage(TreeListWindow* w, const RowPaint& p) {
  bool selected = (p.item->state & tv::kSelected) != 0;
  bool asks = selected ? (p.item->callbacks & kAskSelectedImage) : (p.item->callbacks & kAskImage);
  if (!asks) return selected ? p.item->selectedImage : p.item->image;
  NMTVDISPINFOA info = {};
  info.item.mask = selected ? TVIF_SELECTEDIMAGE : TVIF_IMAGE;
  info.item.hItem = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(p.handle));
  info.item.lParam = p.item->param;
  info.item.state = p.item->state;
  Notify(w, &info.hdr, TVN_GETDISPINFOA);
  return selected ? info.item.iSelectedImage : info.item.iImage;
}

void PaintTreeCell(TreeListWindow* w, const RowPaint& p, RECT cell) {
  DrawTreeLines(w, p, cell.left);
  DrawButton(w, p, cell.left);
  int x = cell.left + w->model.Indent() * Levels(w, *p.item);
  int height = p.bottom - p.top;
  if (w->stateImages) {
    int index = static_cast<int>((p.item->state >> 12) & 0xF);
    int cy = 0, cx = 0;
    ImageList_GetIconSize(w->stateImages, &cx, &cy);
    if (index > 0) ImageList_Draw(w->stateImages, index, p.dc, x, p.top + (height - cy) / 2, ILD_TRANSPARENT);
    x += cx;
  }
  if (w->images) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(w->images, &cx, &cy);
    int image = ItemImage(w, p);
    if (image >= 0 && w->model.Exists(p.handle))
      ImageList_Draw(w->images, image, p.dc, x, p.top + (height - cy) / 2, ILD_TRANSPARENT);
    x += cx;
  }
  if (!w->model.Exists(p.handle)) return;
  RECT text = {x, p.top, cell.right, p.bottom};
  std::string label = DisplayText(w, p.handle, 0);
  bool highlighted = CellHighlighted(w, p, 0);
  const TreeColors& own = p.item->colors;
  COLORREF color = own.hasText ? own.text : w->model.colors[kSlotText];
  if (highlighted) {
    RECT mark = text;
    if (!(w->style & TVS_FULLROWSELECT) && !(w->model.ExtendedStyle() & TLS_EX_CELLSELECT))
      mark.right = std::min<LONG>(cell.right, x + kTextPad * 2 + TextWidth(w, label, (p.item->state & tv::kBold) != 0));
    Fill(p.dc, mark, GetSysColor(w->input.hasFocus ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    color = GetSysColor(w->input.hasFocus ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  }
  HGDIOBJ old = SelectObject(p.dc, (p.item->state & tv::kBold) ? w->boldFont : w->font);
  DrawCellText(w, p.dc, label, text, 0, color);
  SelectObject(p.dc, old);
}

void PaintCell(TreeListWindow* w, const RowPaint& p, int column, RECT cell) {
  const TreeColumn* c = w->model.Column(column);
  const TreeCell* data = w->model.FindCell(p.handle, column);
  int x = cell.left;
  if (c->editMode >= TLM_EDITCHECK && w->stateImages) {
    int index = static_cast<int>((p.item->state >> 12) & 0xF);
    if (index > 0) ImageList_Draw(w->stateImages, index, p.dc, x, p.top, ILD_TRANSPARENT);
    x += ImageWidth(w->stateImages);
  } else if (data && data->image >= 0 && w->images) {
    ImageList_Draw(w->images, data->image, p.dc, x, p.top, ILD_TRANSPARENT);
    x += ImageWidth(w->images);
  }
  COLORREF color = data && data->colors.hasText ? data->colors.text : w->model.colors[kSlotText];
  RECT text = {x, p.top, cell.right, p.bottom};
  if (CellHighlighted(w, p, column)) {
    Fill(p.dc, text, GetSysColor(w->input.hasFocus ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    color = GetSysColor(w->input.hasFocus ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  }
  HGDIOBJ old = SelectObject(p.dc, (data && (data->state & tv::kBold)) ? w->boldFont : w->font);
  if (data) DrawCellText(w, p.dc, data->text, text, c->align, color);
  SelectObject(p.dc, old);
}

void PaintGrid(TreeListWindow* w, HDC dc, int top, int bottom) {
  RECT line = {0, bottom, w->model.ClientWidth(), bottom + 1};
  Fill(dc, line, w->model.colors[kSlotGrid]);
  for (int c = 0; c < w->model.ColumnCount(); ++c) {
    int x = w->model.Column(c)->right - w->scrollX - 1;
    RECT border = {x, top, x + 1, bottom};
    if (x >= 0) Fill(dc, border, w->model.colors[kSlotGrid]);
  }
}

void PaintRow(TreeListWindow* w, HDC dc, size_t row, int top) {
  RowPaint p;
  p.dc = dc;
  p.handle = w->model.ItemOfRow(row);
  p.item = w->model.Item(p.handle);
  if (!p.item) return;
  p.row = row;
  p.top = top;
  p.bottom = top + RowHeight(w) - (GridLines(w) ? 1 : 0);
  p.selected = (p.item->state & tv::kSelected) != 0;
  p.background = RowBackground(w, row, p.selected);
  RECT whole = {0, p.top, w->model.ClientWidth(), p.bottom};
  Fill(dc, whole, p.background);
  int columns = std::max(1, w->model.ColumnCount());
  for (int c = 0; c < columns && w->model.Exists(p.handle); ++c) {
    int left, right;
    ColumnEdges(w, c, &left, &right);
    RECT cell = {left - w->scrollX, p.top, right - w->scrollX, p.bottom};
    if (cell.right <= 0 || cell.left >= w->model.ClientWidth()) continue;
    TreeColors* own = c == 0 ? &w->model.Item(p.handle)->colors
                             : (w->model.FindCell(p.handle, c) ? &w->model.Cell(p.handle, c)->colors : nullptr);
    if (own && own->hasBackground) Fill(dc, cell, own->background);
    if (p.handle == w->insertMark && c == 0) Fill(dc, cell, w->model.colors[kSlotInsertMark]);
    if (c == 0) PaintTreeCell(w, p, cell); else PaintCell(w, p, c, cell);
    p.item = w->model.Item(p.handle);
    if (!p.item) return;
    if (w->input.hasFocus && p.handle == w->model.Caret() && !w->edit.active &&
        (w->model.ExtendedStyle() & TLS_EX_CELLSELECT) && c == w->model.CaretColumn())
      DrawFocusRect(dc, &cell);
  }
  if (GridLines(w)) PaintGrid(w, dc, p.top, p.bottom);
}

// Paints the rows that reach into area (client coordinates) and the empty
// space below the last row.
void PaintRows(TreeListWindow* w, HDC dc, const RECT& area) {
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, w->font);
  int top = w->headerHeight;
  int height = RowHeight(w);
  size_t row = w->model.firstVisibleRow;
  for (; row < w->model.RowCount() && top < area.bottom; ++row, top += height)
    if (top + height > area.top) PaintRow(w, dc, row, top);
  RECT rest = {0, std::max<LONG>(top, area.top), w->model.ClientWidth(), area.bottom};
  if (row >= w->model.RowCount() && rest.top < rest.bottom) Fill(dc, rest, w->model.colors[kSlotBackground]);
  SelectObject(dc, oldFont);
}

}  // namespace

void OnPaint(TreeListWindow* w, HDC given) {
  if (given) {
    RECT client = {0, 0, w->model.ClientWidth(), w->clientHeight};
    PaintRows(w, given, client);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w->hwnd, &ps);
  // The header's strip stays out of the buffer, which would paint over it.
  RECT rows = {0, w->headerHeight, w->model.ClientWidth(), w->clientHeight};
  RECT area;
  if (!w->redraw || !IntersectRect(&area, &rows, &ps.rcPaint)) {
    EndPaint(w->hwnd, &ps);
    return;
  }
  // The open editor is a child window; painting the rows must not cover it.
  if (w->edit.window && IsWindowVisible(w->edit.window)) {
    RECT editor;
    GetWindowRect(w->edit.window, &editor);
    MapWindowPoints(nullptr, w->hwnd, reinterpret_cast<POINT*>(&editor), 2);
    ExcludeClipRect(dc, editor.left, editor.top, editor.right, editor.bottom);
  }
  const TreeListTheme& theme = SharedResources().theme;
  HANDLE buffer = nullptr;
  HDC target = nullptr;
  if (theme.BeginBufferedPaint && theme.EndBufferedPaint)
    buffer = theme.BeginBufferedPaint(dc, &area, kBufferCompatible, nullptr, &target);
  if (buffer && target) {
    PaintRows(w, target, area);
    theme.EndBufferedPaint(buffer, TRUE);
  } else {
    PaintRows(w, dc, area);
  }
  EndPaint(w->hwnd, &ps);
}
