// Mouse, keyboard and typed characters of the tree-list. Each reaction works
// out the item and column concerned, moves the caret through SelectCaret
// (which asks the parent) and then tells the parent what happened; the model
// may have changed during any of those notifications, so handles are checked
// again after each.
#include <algorithm>

#include "controls/tree_list_window.h"

namespace {

constexpr UINT kMaxWheelLines = 32;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

POINT PointOf(LPARAM lp) {
  POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  return pt;
}

int HitColumn(TreeListWindow* w, UINT flags) {
  if (!(w->model.ExtendedStyle() & TLS_EX_CELLSELECT)) return 0;
  if (!(flags & (TLHT_ONCELLICON | TLHT_ONCELLLABEL | TLHT_ONCELLRIGHT))) return 0;
  return static_cast<int>(flags >> 24);
}

// The column under a hit, whatever the selection mode.
int CellColumn(UINT flags) {
  return (flags & (TLHT_ONCELLICON | TLHT_ONCELLLABEL | TLHT_ONCELLRIGHT)) ? static_cast<int>(flags >> 24) : 0;
}

void SelectRange(TreeListWindow* w, TreeHandle from, TreeHandle to) {
  CTreeListModel& m = w->model;
  int a = m.RowOfItem(from), b = m.RowOfItem(to);
  if (a < 0) a = b;
  m.ClearSelection();
  for (int row = std::min(a, b); row <= std::max(a, b); ++row) m.SetSelected(m.ItemOfRow(static_cast<size_t>(row)), true);
  RepaintAll(w);
}

void SelectByClick(TreeListWindow* w, TreeHandle item, int column) {
  CTreeListModel& m = w->model;
  bool multi = (m.ExtendedStyle() & TLS_EX_MULTISELECT) != 0;
  if (multi && KeyHeld(VK_CONTROL)) {
    TreeItem* record = m.Item(item);
    m.SetSelected(item, !(record->state & tv::kSelected));
    w->input.anchor = item;
    m.SetCaret(item, m.CaretColumn());
    RepaintAll(w);
    return;
  }
  if (multi && KeyHeld(VK_SHIFT)) {
    TreeHandle anchor = m.Exists(w->input.anchor) ? w->input.anchor : item;
    SelectRange(w, anchor, item);
    m.SetCaret(item, m.CaretColumn());
    w->input.anchor = anchor;
    return;
  }
  if (multi) {
    m.ClearSelection(item);
    RepaintAll(w);
  }
  w->input.anchor = item;
  SelectCaret(w, item, column, TVC_BYMOUSE);
}

// Modes 4 to 7 have no editor: a click steps the cell to the next choice.
void StepChoice(TreeListWindow* w, TreeHandle item, int column) {
  const TreeColumn* c = w->model.Column(column);
  if (!c) return;
  std::vector<std::string> choices = ColumnChoices(*c);
  if (!choices.empty()) {
    const std::string* text = w->model.CellText(item, column);
    size_t next = 0;
    for (size_t i = 0; text && i < choices.size(); ++i)
      if (choices[i] == *text) next = (i + 1) % choices.size();
    w->model.SetCellText(item, column, choices[next]);
    if (c->imageBase >= 0) {
      TreeCell* cell = w->model.Cell(item, column);
      if (cell) cell->image = c->imageBase + static_cast<int>(next);
    }
  }
  if (c->editMode >= TLM_EDITCHECK) ToggleCheckBox(w, item);
  InvalidateItem(w, item);
}

bool OpensOnDoubleClick(const TreeColumn* c) {
  return c && c->editMode != TLM_EDITNONE && (c->editFlags & TLE_DBLCLICK);
}

void OnDoubleClick(TreeListWindow* w, TreeHandle item, int column, UINT flags, POINT pt) {
  const TreeColumn* c = w->model.Column(column);
  if (OpensOnDoubleClick(c)) {
    StartEditByUser(w, item, column, 0, false, pt, -1);
    return;
  }
  bool asked = (!c || c->editMode == TLM_EDITNONE) && AskParentToEdit(w, item, column, 0, false, pt);
  if (!asked && column == 0 && (flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON))) w->input.pendingToggle = item;
}

int NotifyClick(TreeListWindow* w, UINT msg) {
  int code = msg == WM_LBUTTONDOWN ? NM_CLICK : msg == WM_LBUTTONDBLCLK ? NM_DBLCLK
           : msg == WM_RBUTTONDOWN ? NM_RCLICK : NM_RDBLCLK;
  return static_cast<int>(NotifySimple(w, code));
}

}  // namespace

bool ToggleCheckBox(TreeListWindow* w, TreeHandle item) {
  TreeItem* record = w->model.Item(item);
  if (!record) return false;
  if (w->model.ExtendedStyle() & TLS_EX_STATEBIT) {
    record->state ^= TLIS_UNCHECKED;
  } else {
    uint32_t image = (record->state >> 12) & 0xF;
    record->state = (record->state & ~0xF000u) | (image == 2 ? TLIS_UNCHECKED : TLIS_CHECKED);
  }
  InvalidateItem(w, item);
  NMTREEVIEWA nm = {};
  FillNotifyItem(w, nm.itemNew, item, 0);
  nm.itemNew.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_HANDLE;
  Notify(w, &nm.hdr, TVN_CHECKCHANGED);
  return true;
}

void KeepAnchor(TreeListWindow* w, TreeHandle fallback) {
  if (!w->model.Exists(w->input.anchor)) w->input.anchor = fallback;
}

void OnButtonDown(TreeListWindow* w, UINT msg, WPARAM, LPARAM lp) {
  if (!w->enabled) return;
  if (GetFocus() != w->hwnd) SetFocus(w->hwnd);
  POINT pt = PointOf(lp);
  UINT flags = 0;
  TreeHandle item = HitTest(w, pt, &flags);
  bool left = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
  bool doubleClick = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK;
  w->input.pendingToggle = 0;
  w->input.clickedSelected = 0;
  int column = HitColumn(w, flags);
  if (item && (flags & TVHT_ONITEMBUTTON) && left) {
    w->input.pendingToggle = item;
  } else if (item && (flags & TVHT_ONITEMSTATEICON) && left && (w->style & TVS_CHECKBOXES)) {
    ToggleCheckBox(w, item);
  } else if (item) {
    const TreeColumn* c = w->model.Column(CellColumn(flags));
    bool wasSelected = item == w->model.Caret() && column == w->model.CaretColumn();
    SelectByClick(w, item, column);
    if (left && !doubleClick && c && c->editMode >= TLM_EDITSTEP && w->model.Exists(item))
      StepChoice(w, item, CellColumn(flags));
    if (left && !doubleClick && wasSelected) {
      w->input.clickedSelected = item;
      w->input.clickedColumn = column;
    }
    if (left && doubleClick && w->model.Exists(item)) OnDoubleClick(w, item, CellColumn(flags), flags, pt);
    if (left && !doubleClick) {
      w->input.dragArmed = true;
      w->input.dragStart = pt;
    }
  }
  TreeHandle toggle = w->input.pendingToggle;
  if (NotifyClick(w, msg) == 0 && toggle && w->model.Exists(toggle)) ExpandItem(w, toggle, TVE_TOGGLE);
  w->input.pendingToggle = 0;
}

void OnButtonUp(TreeListWindow* w, UINT msg, WPARAM, LPARAM lp) {
  w->input.dragArmed = false;
  TreeHandle item = w->input.clickedSelected;
  w->input.clickedSelected = 0;
  if (msg != WM_LBUTTONUP || !item || !(w->model.ExtendedStyle() & TLS_EX_EDITCLICK)) return;
  if (!w->model.Exists(item) || item != w->model.Caret() || w->edit.active) return;
  POINT pt = PointOf(lp);
  StartEditByUser(w, item, w->input.clickedColumn, 0, false, pt, pt.x);
}

void OnMouseMove(TreeListWindow* w, WPARAM wp, LPARAM lp) {
  POINT pt = PointOf(lp);
  if (w->input.dragArmed && (wp & MK_LBUTTON)) {
    int dx = std::abs(pt.x - w->input.dragStart.x), dy = std::abs(pt.y - w->input.dragStart.y);
    if (dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG)) {
      w->input.dragArmed = false;
      w->input.clickedSelected = 0;
      UINT flags = 0;
      TreeHandle item = HitTest(w, w->input.dragStart, &flags);
      if (item && !(w->style & TVS_DISABLEDRAGDROP)) {
        NMTREEVIEWA nm = {};
        FillNotifyItem(w, nm.itemNew, item, CellColumn(flags));
        nm.ptDrag = w->input.dragStart;
        Notify(w, &nm.hdr, TVN_BEGINDRAGA);
      }
    }
  }
  if (w->enabled) UpdateTooltip(w, pt);
}

// Wheel deltas come in multiples of WHEEL_DELTA from a notched wheel and in
// smaller steps from touchpads and fine-step mice. What is left over from a
// message is carried to the next, so four deltas of 30 scroll as one of 120;
// turning the other way starts afresh.
void OnMouseWheel(TreeListWindow* w, WPARAM wp) {
  int delta = GET_WHEEL_DELTA_WPARAM(wp);
  int& carry = w->input.wheelCarry;
  if ((carry < 0 && delta > 0) || (carry > 0 && delta < 0)) carry = 0;
  carry += delta;
  int notches = carry / WHEEL_DELTA;
  carry -= notches * WHEEL_DELTA;
  if (notches == 0) return;
  UINT lines = 3;
  SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  long page = std::max(1L, static_cast<long>(w->model.visibleRows) - 1);
  long step = lines == WHEEL_PAGESCROLL ? page : static_cast<long>(std::min<UINT>(lines, kMaxWheelLines));
  ScrollToRow(w, static_cast<long>(w->model.firstVisibleRow) - notches * step);
}

// ---- Keyboard ---------------------------------------------------------------------

namespace {

bool ScrollWithCtrl(TreeListWindow* w, WPARAM key) {
  long first = static_cast<long>(w->model.firstVisibleRow);
  long page = std::max(1L, static_cast<long>(w->model.visibleRows) - 1);
  bool vertical = !(w->style & TVS_NOSCROLL);
  switch (key) {
    case VK_UP: if (vertical) ScrollToRow(w, first - 1); return true;
    case VK_DOWN: if (vertical) ScrollToRow(w, first + 1); return true;
    case VK_PRIOR: if (vertical) ScrollToRow(w, first - page); return true;
    case VK_NEXT: if (vertical) ScrollToRow(w, first + page); return true;
    case VK_HOME: if (vertical) ScrollToRow(w, 0); return true;
    case VK_END: if (vertical) ScrollToRow(w, static_cast<long>(w->model.RowCount())); return true;
    case VK_LEFT: ScrollToX(w, w->scrollX - 16); return true;
    case VK_RIGHT: ScrollToX(w, w->scrollX + 16); return true;
    case VK_SPACE: {
      TreeHandle caret = w->model.Caret();
      if (caret && w->model.HasChildren(caret)) ExpandItem(w, caret, TVE_TOGGLE);
      return true;
    }
    default: return false;
  }
}

void OnReturn(TreeListWindow* w) {
  NotifySimple(w, NM_RETURN);
  TreeHandle caret = w->model.Caret();
  if (!w->model.Exists(caret) || w->edit.active) return;
  int column = w->model.CaretColumn();
  const TreeColumn* c = w->model.Column(column);
  POINT none = {-1, -1};
  if (c && c->editMode >= TLM_EDITSTEP) {
    if (KeyHeld(VK_CONTROL)) StepChoice(w, caret, column);
    return;
  }
  StartEditByUser(w, caret, column, VK_RETURN, false, none, -1);
}

// Left and Right without cell selection: collapse, or go to the parent;
// expand, or go to the first child.
TreeHandle TreeStep(TreeListWindow* w, TreeHandle caret, bool right) {
  CTreeListModel& m = w->model;
  const TreeItem* item = m.Item(caret);
  if (!item) return 0;
  bool expanded = (item->state & tv::kExpanded) != 0;
  if (!right) {
    if (expanded && m.HasChildren(caret)) {
      ExpandItem(w, caret, TVE_COLLAPSE);
      return caret;
    }
    return item->parent ? item->parent : caret;
  }
  if (!expanded && m.HasChildren(caret)) {
    ExpandItem(w, caret, TVE_EXPAND);
    return caret;
  }
  return item->firstChild ? item->firstChild : caret;
}

void MoveCaret(TreeListWindow* w, WPARAM key) {
  CTreeListModel& m = w->model;
  long rows = static_cast<long>(m.RowCount());
  if (rows == 0) return;
  long row = m.RowOfItem(m.Caret());
  int column = m.CaretColumn();
  bool cells = (m.ExtendedStyle() & TLS_EX_CELLSELECT) && m.ColumnCount() > 1;
  long page = std::max(1L, static_cast<long>(m.visibleRows) - 1);
  TreeHandle target = 0;
  switch (key) {
    case VK_UP: row = row < 0 ? 0 : row - 1; break;
    case VK_DOWN: row = row + 1; break;
    case VK_PRIOR: row -= page; break;
    case VK_NEXT: row = std::max(row, 0L) + page; break;
    case VK_HOME: row = 0; break;
    case VK_END: row = rows - 1; break;
    case VK_LEFT:
      if (cells) column -= 1; else target = TreeStep(w, m.Caret(), false);
      break;
    case VK_RIGHT:
      if (cells) column += 1; else target = TreeStep(w, m.Caret(), true);
      break;
    case VK_BACK: {
      const TreeItem* item = m.Item(m.Caret());
      target = item && item->parent ? item->parent : m.ItemOfRow(0);
      break;
    }
    default: return;
  }
  if (!target) target = m.ItemOfRow(static_cast<size_t>(std::clamp(row, 0L, rows - 1)));
  if (!m.Exists(target) || m.RowOfItem(target) < 0) return;
  column = std::clamp(column, 0, std::max(0, m.ColumnCount() - 1));
  if ((m.ExtendedStyle() & TLS_EX_MULTISELECT) && KeyHeld(VK_SHIFT)) {
    TreeHandle anchor = m.Exists(w->input.anchor) ? w->input.anchor : target;
    SelectRange(w, anchor, target);
    m.SetCaret(target, column);
    w->input.anchor = anchor;
  } else {
    w->input.anchor = target;
    if ((m.ExtendedStyle() & TLS_EX_MULTISELECT)) m.ClearSelection(m.Caret());
    SelectCaret(w, target, column, TVC_BYKEYBOARD);
  }
  if (m.Exists(target)) EnsureCellVisible(w, target, m.CaretColumn());
}

}  // namespace

void OnKeyDown(TreeListWindow* w, WPARAM wp, LPARAM) {
  if (!w->enabled) return;
  if (GetFocus() != w->hwnd) SetFocus(w->hwnd);
  if (wp == VK_RETURN) {
    OnReturn(w);
    return;
  }
  bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT);
  if (!(ctrl && !shift && ScrollWithCtrl(w, wp))) {
    if (wp == VK_SPACE && (w->style & TVS_CHECKBOXES) && w->model.Caret()) ToggleCheckBox(w, w->model.Caret());
    else MoveCaret(w, wp);
  }
  NMTVKEYDOWN nm = {};
  nm.wVKey = static_cast<WORD>(wp);
  w->input.suppressChar = Notify(w, &nm.hdr, TVN_KEYDOWN) != 0;
}

void OnChar(TreeListWindow* w, WPARAM wp, LPARAM) {
  bool suppressed = w->input.suppressChar;
  w->input.suppressChar = false;
  if (suppressed || !w->enabled || wp < 32) return;
  CTreeListModel& m = w->model;
  TreeHandle caret = m.Caret();
  int column = m.CaretColumn();
  const TreeColumn* c = m.Column(column);
  unsigned mode = c ? c->editMode : 0;
  bool takesChars = c && (mode == 1 || mode == 2 || mode == 5 || mode == 7) && !(c->editFlags & TLE_NOCHARS);
  POINT none = {-1, -1};
  if (takesChars) {
    if (wp >= '0' && m.Exists(caret) && (mode == 1 || mode == 2)) StartEditByUser(w, caret, column, static_cast<UINT>(wp), true, none, -1);
    return;
  }
  if (m.Exists(caret) && AskParentToEdit(w, caret, column, static_cast<UINT>(wp), true, none)) return;
  if (m.ExtendedStyle() & TLS_EX_NOSEARCH) return;
  bool skip = false;
  std::string text = w->input.search.Type(static_cast<char>(wp), GetTickCount(), &skip);
  long caretRow = std::max(0, m.RowOfItem(caret));
  int row = FindRowByPrefix(m, column, static_cast<size_t>(caretRow + (skip ? 1 : 0)), text);
  if (row >= 0) SelectCaret(w, m.ItemOfRow(static_cast<size_t>(row)), column, TVC_BYKEYBOARD);
}

LRESULT OnGetDlgCode(TreeListWindow*, WPARAM, LPARAM lp) {
  const MSG* msg = reinterpret_cast<const MSG*>(lp);
  if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) return DLGC_WANTALLKEYS;
  return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void OnFocus(TreeListWindow* w, bool gained) {
  w->input.hasFocus = gained;
  if (!gained) HideTooltip(w);
  RepaintAll(w);
  NotifySimple(w, gained ? NM_SETFOCUS : NM_KILLFOCUS);
}
