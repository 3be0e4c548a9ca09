// The "TreeList" window procedure: creation and destruction, the standard
// tree-view messages, the control's own messages and the notifications to
// the parent. The data rules live in the model; this file converts between
// messages and model calls and keeps the window in step (scroll ranges,
// repainting, the header).
//
// Every notification is sent with the instance semaphore released, so the
// parent may call back into the control from its handler; whatever the
// handler did, the code after a notification re-checks that its item exists.
#include <algorithm>
#include <cstring>
#include <new>

#include "controls/tree_list_ctrl.h"
#include "controls/tree_list_window.h"

namespace {

constexpr LONG kMaxSemaphoreCount = 0x70000000;
constexpr int kHeaderId = 1;
constexpr int kSlotCount = CTreeListModel::kColorSlots;
constexpr uint32_t kRepaintStyles = TLS_EX_MULTISELECT | TLS_EX_ALTROWS | TLS_EX_CELLSELECT |
                                    TLS_EX_ROWMARK | TLS_EX_REPAINTBIT;
constexpr DWORD kRootLineStyles = 0x0347;
constexpr DWORD kEvenHeightStyle = 0x4000;

bool g_classRegistered = false;

// ---- Semaphore and notifications -----------------------------------------------

}  // namespace

TreeListWindow* RecordOf(HWND hwnd) {
  return reinterpret_cast<TreeListWindow*>(GetWindowLongPtrA(hwnd, 0));
}

TreeListLock::TreeListLock(TreeListWindow* window) : window_(window) {
  if (window_->lockDepth++ == 0) WaitForSingleObject(window_->semaphore, INFINITE);
}

TreeListLock::~TreeListLock() {
  if (--window_->lockDepth == 0) ReleaseSemaphore(window_->semaphore, 1, nullptr);
}

TreeListUnlock::TreeListUnlock(TreeListWindow* window) : window_(window), depth_(window->lockDepth) {
  window_->lockDepth = 0;
  if (depth_) ReleaseSemaphore(window_->semaphore, 1, nullptr);
}

TreeListUnlock::~TreeListUnlock() {
  if (depth_) WaitForSingleObject(window_->semaphore, INFINITE);
  window_->lockDepth = depth_;
}

LRESULT Notify(TreeListWindow* w, NMHDR* header, int code) {
  header->hwndFrom = w->hwnd;
  header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(w->hwnd));
  header->code = static_cast<UINT>(code);
  HWND parent = GetParent(w->hwnd);
  TreeListUnlock unlock(w);
  return SendMessageA(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

LRESULT NotifySimple(TreeListWindow* w, int code) {
  NMHDR header = {};
  return Notify(w, &header, code);
}

void FillNotifyItem(TreeListWindow* w, TVITEMA& item, TreeHandle handle, int column) {
  item = TVITEMA();
  TreeItem* record = w->model.Item(handle);
  if (!record) return;
  item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_HANDLE | (column > 0 ? TVIF_CELL : 0);
  item.hItem = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(handle));
  item.stateMask = 0xFFFFFFFF;
  item.cChildren = column;
  item.lParam = record->param;
  item.state = record->state;
  if (column > 0) {
    TreeCell* cell = w->model.Cell(handle, column);
    item.state = (cell ? cell->state : 0) | (record->state & (tv::kSelected | tv::kExpanded |
                                                              tv::kExpandedOnce | tv::kExpandPartial));
  }
  const std::string* text = w->model.CellText(handle, column);
  if (column == 0 && (record->callbacks & kAskText)) item.pszText = LPSTR_TEXTCALLBACKA;
  else item.pszText = text ? const_cast<char*>(text->c_str()) : nullptr;
  if (item.pszText && item.pszText != LPSTR_TEXTCALLBACKA) item.cchTextMax = static_cast<int>(text->size() + 1);
}

LRESULT NotifyItem(TreeListWindow* w, int code, TreeHandle item, int column, UINT action) {
  NMTREEVIEWA nm = {};
  nm.action = action;
  FillNotifyItem(w, nm.itemNew, item, column);
  return Notify(w, &nm.hdr, code);
}

namespace {

// Like the platform's tree view, the item being deleted travels in itemOld.
void NotifyDeleted(TreeListWindow* w, TreeHandle item) {
  NMTREEVIEWA nm = {};
  FillNotifyItem(w, nm.itemOld, item, 0);
  nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
  Notify(w, &nm.hdr, TVN_DELETEITEMA);
}

}  // namespace

std::string DisplayText(TreeListWindow* w, TreeHandle handle, int column) {
  TreeItem* item = w->model.Item(handle);
  if (!item) return std::string();
  if (column > 0) {
    const TreeCell* cell = w->model.FindCell(handle, column);
    return cell ? cell->text : std::string();
  }
  if (!(item->callbacks & kAskText)) return item->text;
  char buffer[260] = "";
  NMTVDISPINFOA info = {};
  info.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM;
  info.item.hItem = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(handle));
  info.item.lParam = item->param;
  info.item.pszText = buffer;
  info.item.cchTextMax = sizeof buffer;
  Notify(w, &info.hdr, TVN_GETDISPINFOA);
  if (!info.item.pszText || info.item.pszText == LPSTR_TEXTCALLBACKA) return std::string();
  return std::string(info.item.pszText, strnlen(info.item.pszText, sizeof buffer - 1));
}

// ---- Selection and expanding ----------------------------------------------------

namespace {

bool IsAncestor(CTreeListModel& m, TreeHandle ancestor, TreeHandle item) {
  for (const TreeItem* up = m.Item(item); up && up->parent; up = m.Item(up->parent))
    if (up->parent == ancestor) return true;
  return false;
}

// Under TVS_SINGLEEXPAND the newly selected branch opens and the old one
// closes, unless the parent's answer skips either.
void SingleExpand(TreeListWindow* w, TreeHandle old, TreeHandle item) {
  NMTREEVIEWA nm = {};
  FillNotifyItem(w, nm.itemOld, old, 0);
  FillNotifyItem(w, nm.itemNew, item, 0);
  LRESULT answer = Notify(w, &nm.hdr, TLN_SINGLEEXPAND);
  CTreeListModel& m = w->model;
  if (!(answer & TVNRET_SKIPOLD) && m.Exists(old) && !IsAncestor(m, old, item)) ExpandItem(w, old, TVE_COLLAPSE);
  if (!(answer & TVNRET_SKIPNEW) && m.Exists(item) && m.HasChildren(item)) ExpandItem(w, item, TVE_EXPAND);
}

}  // namespace

bool SelectCaret(TreeListWindow* w, TreeHandle item, int column, UINT action) {
  CTreeListModel& m = w->model;
  if (item && !m.Exists(item)) return false;
  if (!(m.ExtendedStyle() & TLS_EX_CELLSELECT)) column = 0;
  column = std::clamp(column, 0, std::max(0, m.ColumnCount() - 1));
  TreeHandle old = m.Caret();
  if (old == item && m.CaretColumn() == column) {
    if (item) m.SetSelected(item, true);
    return true;
  }
  NMTREEVIEWA nm = {};
  nm.action = action;
  FillNotifyItem(w, nm.itemOld, old, m.CaretColumn());
  FillNotifyItem(w, nm.itemNew, item, column);
  if (Notify(w, &nm.hdr, TVN_SELCHANGINGA)) return false;
  if (item && !m.Exists(item)) return false;
  if (!(m.ExtendedStyle() & TLS_EX_MULTISELECT)) m.ClearSelection();
  m.SetSelected(item, true);
  m.SetCaret(item, column);
  KeepAnchor(w, item);
  RepaintAll(w);
  if (item) EnsureCellVisible(w, item, column);
  FillNotifyItem(w, nm.itemOld, m.Exists(old) ? old : 0, 0);
  FillNotifyItem(w, nm.itemNew, item, column);
  Notify(w, &nm.hdr, TVN_SELCHANGEDA);
  if (w->style & TVS_SINGLEEXPAND) SingleExpand(w, m.Exists(old) ? old : 0, item);
  return true;
}

bool ExpandItem(TreeListWindow* w, TreeHandle item, int code) {
  CTreeListModel& m = w->model;
  if (!m.WouldExpand(item, code)) return false;
  if (NotifyItem(w, TVN_ITEMEXPANDINGA, item, 0, static_cast<UINT>(code))) return false;
  if (!m.Exists(item) || !m.Expand(item, code)) return false;
  if (m.Caret() && m.RowOfItem(m.Caret()) < 0 && m.RowOfItem(item) >= 0) SelectCaret(w, item, 0, TVC_UNKNOWN);
  UpdateScrollRanges(w);
  RepaintAll(w);
  if (m.Exists(item)) NotifyItem(w, TVN_ITEMEXPANDEDA, item, 0, static_cast<UINT>(code));
  return true;
}

void RepaintAll(TreeListWindow* w) {
  if (w->redraw) InvalidateRect(w->hwnd, nullptr, FALSE);
}

// ---- Sizes and colours ----------------------------------------------------------

namespace {

int ImageHeight(HIMAGELIST list) {
  int cx = 0, cy = 0;
  return list && ImageList_GetIconSize(list, &cx, &cy) ? cy : 0;
}

}  // namespace

void ComputeRowHeight(TreeListWindow* w) {
  TreeRowMetrics metrics;
  metrics.textHeight = w->textHeight;
  metrics.stateImageHeight = ImageHeight(w->stateImages);
  metrics.imageHeight = ImageHeight(w->images);
  for (HIMAGELIST list : w->extraImages) metrics.otherImageHeight = std::max(metrics.otherImageHeight, ImageHeight(list));
  metrics.gridLines = (w->model.ExtendedStyle() & TLS_EX_GRIDLINES) != 0;
  metrics.evenHeights = (w->style & kEvenHeightStyle) != 0;
  int old = w->model.ItemHeight();
  w->model.SetComputedItemHeight(ComputeRowHeight(metrics));
  if (old != w->model.ItemHeight()) {
    UpdateScrollRanges(w);
    RepaintAll(w);
  }
}

void ResetDefaultColors(TreeListWindow* w) {
  TreeSystemColors system;
  system.window = GetSysColor(COLOR_WINDOW);
  system.windowText = GetSysColor(COLOR_WINDOWTEXT);
  system.infoBackground = GetSysColor(COLOR_INFOBK);
  system.buttonFace = GetSysColor(COLOR_BTNFACE);
  system.buttonShadow = GetSysColor(COLOR_BTNSHADOW);
  system.highlight = GetSysColor(COLOR_HIGHLIGHT);
  system.scrollBar = GetSysColor(COLOR_SCROLLBAR);
  ComputeDefaultColors(w->model, system);
}

namespace {

bool WantsRootLines(DWORD style) {
  return (style & (TVS_HASBUTTONS | TVS_HASLINES)) && (style & TVS_LINESATROOT);
}

TreeHandle HandleOf(LPARAM lp) { return static_cast<TreeHandle>(static_cast<UINT_PTR>(lp)); }
LRESULT Result(TreeHandle handle) { return static_cast<LRESULT>(handle); }

void ToModel(const TVITEMA& in, TreeItemData& out) {
  out.mask = in.mask;
  out.item = static_cast<TreeHandle>(reinterpret_cast<UINT_PTR>(in.hItem));
  out.state = in.state;
  out.stateMask = in.stateMask;
  out.text = in.pszText;
  out.textMax = in.cchTextMax;
  out.image = in.iImage;
  out.selectedImage = in.iSelectedImage;
  out.children = in.cChildren;
  out.param = in.lParam;
}

void FromModel(const TreeItemData& in, TVITEMA& out) {
  out.state = in.state;
  out.pszText = in.text;
  out.cchTextMax = in.textMax;
  out.iImage = in.image;
  out.iSelectedImage = in.selectedImage;
  out.cChildren = in.children;
  out.lParam = in.param;
}

// ---- Window class reactions: creation and destruction -------------------------------

LRESULT OnCreate(HWND hwnd) {
  TreeListWindow* w = new (std::nothrow) TreeListWindow;
  if (!w) return -1;
  w->semaphore = CreateSemaphoreA(nullptr, 1, kMaxSemaphoreCount, nullptr);
  if (!w->semaphore) {
    delete w;
    return -1;
  }
  w->hwnd = hwnd;
  AcquireSharedResources();
  SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(w));
  TreeListLock lock(w);
  w->style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  w->enabled = IsWindowEnabled(hwnd) != FALSE;
  w->rootLines = WantsRootLines(w->style);
  w->font = SharedResources().normalFont;
  w->boldFont = SharedResources().boldFont;
  RECT client;
  GetClientRect(hwnd, &client);
  w->model.SetClientWidth(client.right);
  w->clientHeight = client.bottom;
  if (!(w->style & TVS_NOTOOLTIPS)) CreateTooltip(w);
  MeasureFont(w);
  ResetDefaultColors(w);
  OpenTheme(w);
  if (w->style & TVS_CHECKBOXES) BuildCheckBoxImages(w);
  ComputeRowHeight(w);
  UpdateScrollRanges(w);
  return 0;
}

void DestroyImageLists(TreeListWindow* w) {
  bool onlyOwn = (w->model.ExtendedStyle() & TLS_EX_OWNLISTSONLY) != 0;
  if (w->stateImages && (w->ownStateImages || !onlyOwn)) ImageList_Destroy(w->stateImages);
  w->stateImages = nullptr;
  w->ownStateImages = false;
  if (onlyOwn) return;
  if (w->images) ImageList_Destroy(w->images);
  if (w->headerImages) ImageList_Destroy(w->headerImages);
  for (HIMAGELIST& list : w->extraImages) {
    if (list) ImageList_Destroy(list);
    list = nullptr;
  }
  w->images = w->headerImages = nullptr;
}

void OnDestroy(TreeListWindow* w) {
  w->model.DeleteItem(kTreeRoot, [w](TreeHandle h) { NotifyDeleted(w, h); });
  DestroyEditor(w);
  DestroyTooltip(w);
  if (w->header) DestroyWindow(w->header);
  w->header = nullptr;
  DestroyImageLists(w);
  CloseTheme(w);
  while (w->model.ColumnCount() > 0) w->model.DeleteColumn(w->model.ColumnCount() - 1);
}

void FreeRecord(TreeListWindow* w) {
  CloseHandle(w->semaphore);
  delete w;
  ReleaseSharedResources();
}

// A parent may destroy the control from a notification handler; the code that
// sent the notification still holds the record, so it is freed only when the
// outermost call returns.
void OnNcDestroy(HWND hwnd, TreeListWindow* w) {
  SetWindowLongPtrA(hwnd, 0, 0);
  if (w->activeCalls > 0) w->pendingFree = true;
  else FreeRecord(w);
}

// ---- Window reactions --------------------------------------------------------------

void OnSize(TreeListWindow* w, LPARAM lp) {
  w->model.SetClientWidth(static_cast<short>(LOWORD(lp)));
  w->clientHeight = static_cast<short>(HIWORD(lp));
  PlaceHeader(w);
  ApplyColumnWidthsToHeader(w);
  UpdateScrollRanges(w);
  RepaintAll(w);
}

void OnEnable(TreeListWindow* w, bool enabled) {
  w->enabled = enabled;
  if (!enabled) HideTooltip(w);
  RepaintAll(w);
}

void OnSetFont(TreeListWindow* w, WPARAM wp, LPARAM lp) {
  HFONT font = wp ? reinterpret_cast<HFONT>(wp) : SharedResources().normalFont;
  w->font = font;
  w->boldFont = wp ? font : SharedResources().boldFont;
  MeasureFont(w);
  if (w->header) SendMessageA(w->header, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ComputeRowHeight(w);
  UpdateScrollRanges(w);
  if (lp) RepaintAll(w);
}

void OnStyleChanged(TreeListWindow* w, WPARAM which, const STYLESTRUCT* change) {
  if (which != static_cast<WPARAM>(GWL_STYLE) || !change) return;
  DWORD old = w->style, now = change->styleNew;
  w->style = now;
  DWORD changed = old ^ now;
  if (changed & (TVS_CHECKBOXES | kEvenHeightStyle)) {
    if ((now & TVS_CHECKBOXES) && !w->stateImages) BuildCheckBoxImages(w);
    if (!(now & TVS_CHECKBOXES)) DestroyOwnCheckBoxImages(w);
    ComputeRowHeight(w);
    UpdateScrollRanges(w);
  }
  if (changed & kRootLineStyles) {
    w->rootLines = WantsRootLines(now);
    RepaintAll(w);
  }
  if (changed & TVS_NOSCROLL) UpdateScrollRanges(w);
  if (changed & WS_DISABLED) OnEnable(w, !(now & WS_DISABLED));
}

void OnSysColorChange(TreeListWindow* w) {
  CloseTheme(w);
  OpenTheme(w);
  if (w->ownStateImages) {
    DestroyOwnCheckBoxImages(w);
    BuildCheckBoxImages(w);
  }
  if (w->header) SendMessageA(w->header, WM_SYSCOLORCHANGE, 0, 0);
  ResetDefaultColors(w);
  RepaintAll(w);
}

void OnShowWindow(TreeListWindow* w, bool shown) {
  if (!shown) return;
  SetScrollPos(w->hwnd, SB_VERT, 0, FALSE);
  SetScrollPos(w->hwnd, SB_HORZ, 0, FALSE);
  UpdateScrollRanges(w);
}

LRESULT OnHeaderNotify(TreeListWindow* w, NMHDR* header) {
  NMHEADERA* nm = reinterpret_cast<NMHEADERA*>(header);
  switch (header->code) {
    case HDN_BEGINTRACKA:
    case HDN_BEGINTRACKW: {
      const TreeColumn* column = w->model.Column(nm->iItem);
      return column && column->noResize;
    }
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW:
    case HDN_TRACKA:
    case HDN_TRACKW:
    case HDN_ENDTRACKA:
    case HDN_ENDTRACKW:
      if (w->applyingWidths || !nm->pitem || !(nm->pitem->mask & HDI_WIDTH)) return 0;
      w->model.SetColumnWidth(nm->iItem, nm->pitem->cxy);
      UpdateScrollRanges(w);
      RepaintAll(w);
      return 0;
    default:
      return 0;
  }
}

LRESULT OnNotify(TreeListWindow* w, NMHDR* header) {
  if (!header) return 0;
  if (header->hwndFrom == w->header && w->header) return OnHeaderNotify(w, header);
  if (header->hwndFrom == w->tips.window && w->tips.window) return OnTooltipNotify(w, header);
  return 0;
}

// ---- Tree-view messages ------------------------------------------------------------

int CallbackSortCompare(TreeListWindow* w, TreeHandle sibling, const TVINSERTSTRUCTA* insert) {
  std::string siblingText = DisplayText(w, sibling, 0);
  const char* text = insert->item.pszText;
  std::string newText = (insert->item.mask & TVIF_TEXT) && text && text != LPSTR_TEXTCALLBACKA ? text : "";
  if (insert->hInsertAfter != reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(TLI_SORTEX)))
    return CompareTextNoCase(siblingText, newText);
  using Compare = int(CALLBACK*)(HWND, HTREEITEM, LPCSTR, LPCSTR, LPARAM, LPARAM);
  Compare compare = reinterpret_cast<Compare>(insert->item.hItem);
  if (!compare) return CompareTextNoCase(siblingText, newText);
  const TreeItem* item = w->model.Item(sibling);
  LPARAM siblingParam = item ? item->param : 0;
  TreeListUnlock unlock(w);
  return compare(w->hwnd, reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(sibling)), siblingText.c_str(),
                 newText.c_str(), siblingParam, insert->item.lParam);
}

LRESULT OnInsertItem(TreeListWindow* w, const TVINSERTSTRUCTA* insert) {
  if (!insert) return 0;
  TreeItemData data;
  ToModel(insert->item, data);
  TreeHandle parent = static_cast<TreeHandle>(reinterpret_cast<UINT_PTR>(insert->hParent));
  TreeHandle after = static_cast<TreeHandle>(reinterpret_cast<UINT_PTR>(insert->hInsertAfter));
  TreeHandle handle = w->model.InsertItem(data, parent, after, w->style, [w, insert](TreeHandle sibling) {
    return CallbackSortCompare(w, sibling, insert);
  });
  if (!handle) return 0;
  if (w->model.ColumnCount() == 0) w->widestText = std::max(w->widestText, TextStart(w, handle, 0) +
                                                               TextWidth(w, w->model.Item(handle)->text, false));
  if (w->model.RowOfItem(handle) >= 0) {
    UpdateScrollRanges(w);
    RepaintAll(w);
  }
  return Result(handle);
}

LRESULT OnDeleteItem(TreeListWindow* w, LPARAM lp) {
  TreeHandle target = lp == 0 ? kTreeRoot : HandleOf(lp);
  CTreeListModel& m = w->model;
  TreeHandle caret = m.Caret();
  int caretRow = m.RowOfItem(caret);
  bool ok = m.DeleteItem(target, [w](TreeHandle h) { NotifyDeleted(w, h); });
  if (!ok) return FALSE;
  if (w->edit.active && !m.Exists(w->edit.item)) DestroyEditor(w);
  if (caret && !m.Exists(caret)) {
    // The row that moved into the deleted one's place takes the caret.
    TreeHandle next = m.RowCount() ? m.ItemOfRow(std::min<size_t>(std::max(caretRow, 0), m.RowCount() - 1)) : 0;
    m.SetSelected(next, true);
    m.SetCaret(next, m.CaretColumn());
    NMTREEVIEWA nm = {};
    nm.action = TVC_UNKNOWN;
    FillNotifyItem(w, nm.itemNew, next, m.CaretColumn());
    Notify(w, &nm.hdr, TVN_SELCHANGEDA);
  }
  KeepAnchor(w, m.Caret());
  if (!m.Exists(w->insertMark)) w->insertMark = 0;
  if (m.Count() == 0) w->widestText = 0;
  UpdateScrollRanges(w);
  RepaintAll(w);
  return TRUE;
}

LRESULT OnGetItemRect(TreeListWindow* w, WPARAM wp, RECT* rect) {
  if (!rect) return FALSE;
  TreeHandle item = static_cast<TreeHandle>(reinterpret_cast<UINT_PTR>(*reinterpret_cast<HTREEITEM*>(rect)));
  bool cellForm = (wp & 0xFC) == TLR_CELL;
  int column = cellForm ? static_cast<int>(wp >> 24) : 0;
  bool textOnly = (wp & 1) != 0;
  RECT result;
  bool visible = cellForm || textOnly ? CellRect(w, item, column, &result) : RowRect(w, item, &result);
  if (!visible) {
    SetRectEmpty(rect);
    return FALSE;
  }
  if (textOnly) {
    result.left = TextStart(w, item, column);
    int width = TextWidth(w, DisplayText(w, item, column), (w->model.Item(item)->state & tv::kBold) != 0);
    result.right = std::min<LONG>(result.right, result.left + width + 4);
  }
  *rect = result;
  return TRUE;
}

LRESULT OnSelectItem(TreeListWindow* w, WPARAM wp, TreeHandle item) {
  switch (wp & 0xFF) {
    case TVGN_CARET:
      return SelectCaret(w, item, w->model.CaretColumn(), TVC_UNKNOWN);
    case TVGN_FIRSTVISIBLE:
      if (w->model.RowOfItem(item) < 0) return FALSE;
      ScrollToRow(w, w->model.RowOfItem(item));
      return TRUE;
    case TVGN_DROPHILITE:
      w->dropHighlight = w->model.Exists(item) ? item : 0;
      RepaintAll(w);
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT OnGetItem(TreeListWindow* w, TVITEMA* item) {
  if (!item) return FALSE;
  TreeItemData data;
  ToModel(*item, data);
  if (!w->model.GetItem(data)) return FALSE;
  FromModel(data, *item);
  return TRUE;
}

LRESULT OnSetItem(TreeListWindow* w, const TVITEMA* item) {
  if (!item) return FALSE;
  TreeItemData data;
  ToModel(*item, data);
  bool wasVisible = w->model.RowOfItem(data.item) >= 0;
  size_t rows = w->model.RowCount();
  if (!w->model.SetItem(data)) return FALSE;
  if ((item->mask & TVIF_TEXT) && w->model.ColumnCount() == 0) {
    w->widestText = std::max(w->widestText, TextStart(w, data.item, 0) +
                                                TextWidth(w, w->model.Item(data.item)->text, false));
    UpdateScrollRanges(w);
  }
  if (rows != w->model.RowCount()) {
    UpdateScrollRanges(w);
    RepaintAll(w);
  } else if (wasVisible) {
    InvalidateItem(w, data.item);
  }
  return TRUE;
}

LRESULT OnEditLabel(TreeListWindow* w, WPARAM wp, TreeHandle item) {
  if (!(w->style & TVS_EDITLABELS)) return 0;
  if ((wp & 0xFFFFFF00) == TLE_ASKPARENT) {
    POINT none = {-1, -1};
    return reinterpret_cast<LRESULT>(StartEditByUser(w, item, static_cast<int>(wp & 0xFF), VK_RETURN, false, none, -1));
  }
  TreeEditKind kind = static_cast<TreeEditKind>(std::min<WPARAM>((wp >> 29) & 3, kEditList));
  return reinterpret_cast<LRESULT>(OpenEditor(w, item, static_cast<int>(wp & 0xFF), kind, 0, -1));
}

LRESULT OnEnsureVisible(TreeListWindow* w, TreeHandle item) {
  if (!w->model.Exists(item)) return FALSE;
  std::vector<TreeHandle> ancestors;
  for (TreeHandle up = w->model.Item(item)->parent; up; up = w->model.Item(up)->parent) ancestors.push_back(up);
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    if (w->model.Exists(*it) && !(w->model.Item(*it)->state & tv::kExpanded)) ExpandItem(w, *it, TVE_EXPAND);
  }
  if (!w->model.Exists(item)) return FALSE;
  EnsureRowVisible(w, item);
  return TRUE;
}

LRESULT OnSortChildren(TreeListWindow* w, WPARAM recurse, TreeHandle parent, PFNTVCOMPARE compare,
                       LPARAM sortParam) {
  auto byText = [w](TreeHandle a, TreeHandle b) {
    return CompareTextNoCase(DisplayText(w, a, 0), DisplayText(w, b, 0));
  };
  auto byClient = [w, compare, sortParam](TreeHandle a, TreeHandle b) {
    LPARAM pa = w->model.Exists(a) ? w->model.Item(a)->param : 0;
    LPARAM pb = w->model.Exists(b) ? w->model.Item(b)->param : 0;
    TreeListUnlock unlock(w);
    return compare(pa, pb, sortParam);
  };
  bool ok = compare ? w->model.SortChildren(parent, recurse != 0, byClient)
                    : w->model.SortChildren(parent, recurse != 0, byText);
  RepaintAll(w);
  return ok;
}

HIMAGELIST* ExtraImageList(TreeListWindow* w, WPARAM kind) {
  if (kind < kFirstExtraImageList || kind >= kFirstExtraImageList + kExtraImageLists) return nullptr;
  return &w->extraImages[kind - kFirstExtraImageList];
}

LRESULT OnSetImageList(TreeListWindow* w, WPARAM kind, HIMAGELIST list) {
  HIMAGELIST old = nullptr;
  HIMAGELIST* extra = ExtraImageList(w, kind);
  if (extra) {
    old = *extra;
    *extra = list;
  } else if (kind == TVSIL_NORMAL) {
    old = w->images;
    w->images = list;
  } else if (kind == TVSIL_STATE) {
    old = w->ownStateImages ? nullptr : w->stateImages;
    if (w->ownStateImages) DestroyOwnCheckBoxImages(w);
    w->stateImages = list;
  } else if (kind == kHeaderImageList) {
    old = w->headerImages;
    w->headerImages = list;
    if (w->header) SendMessageA(w->header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  } else {
    return 0;
  }
  ComputeRowHeight(w);
  RepaintAll(w);
  return reinterpret_cast<LRESULT>(old);
}

LRESULT OnGetImageList(TreeListWindow* w, WPARAM kind) {
  if (HIMAGELIST* extra = ExtraImageList(w, kind)) return reinterpret_cast<LRESULT>(*extra);
  if (kind == TVSIL_NORMAL) return reinterpret_cast<LRESULT>(w->images);
  if (kind == TVSIL_STATE) return reinterpret_cast<LRESULT>(w->stateImages);
  if (kind == kHeaderImageList) return reinterpret_cast<LRESULT>(w->headerImages);
  return 0;
}

LRESULT OnSetExtendedStyle(TreeListWindow* w, WPARAM mask, LPARAM styles) {
  uint32_t old = w->model.SetExtendedStyle(static_cast<uint32_t>(mask), static_cast<uint32_t>(styles));
  uint32_t changed = old ^ w->model.ExtendedStyle();
  if (!changed) return old;
  if (changed & TLS_EX_HIDEHEADER) {
    PlaceHeader(w);
    UpdateScrollRanges(w);
    RepaintAll(w);
  }
  if (changed & TLS_EX_NOHSCROLL) UpdateScrollRanges(w);
  if ((changed & TLS_EX_CELLSELECT) && !(w->model.ExtendedStyle() & TLS_EX_CELLSELECT)) {
    w->model.SetCaret(w->model.Caret(), 0);
    w->model.SetSelected(w->model.Caret(), true);
  }
  if (changed & kRepaintStyles) RepaintAll(w);
  if (changed & TLS_EX_GRIDLINES) {
    ComputeRowHeight(w);
    UpdateScrollRanges(w);
    RepaintAll(w);
  }
  return old;
}

LRESULT OnSetColorSlot(TreeListWindow* w, WPARAM slot, LPARAM color) {
  if (slot >= static_cast<WPARAM>(kSlotCount)) return -1;
  LRESULT old = static_cast<LRESULT>(w->model.colors[slot]);
  if (static_cast<COLORREF>(color) == CLR_DEFAULT || color == -1) {
    w->model.colorSet[slot] = false;
    ResetDefaultColors(w);
  } else {
    w->model.colors[slot] = static_cast<COLORREF>(color);
    w->model.colorSet[slot] = true;
    if (slot == kSlotOddRows || slot == kSlotEvenRows) ResetDefaultColors(w);  // slots made from these follow
  }
  RepaintAll(w);
  return old;
}

LRESULT OnGetColorSlot(TreeListWindow* w, WPARAM slot) {
  if (slot >= static_cast<WPARAM>(kSlotCount)) return -1;
  return static_cast<LRESULT>(w->model.colors[slot]);
}

LRESULT OnSetItemHeight(TreeListWindow* w, WPARAM wp) {
  int value = static_cast<int>(static_cast<short>(LOWORD(wp)));
  if (static_cast<int>(wp) == -1) value = -1;
  LRESULT old = w->model.SetItemHeight(value);
  UpdateScrollRanges(w);
  RepaintAll(w);
  return old;
}

LRESULT OnSetIndent(TreeListWindow* w, WPARAM wp) {
  LRESULT old = w->model.SetIndent(static_cast<int>(wp));
  RepaintAll(w);
  return old;
}

LRESULT OnGetSearchString(TreeListWindow* w, char* buffer) {
  std::string text = w->input.search.Recent(GetTickCount());
  if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<LRESULT>(text.size());
}

LRESULT OnSetInsertMark(TreeListWindow* w, TreeHandle item) {
  w->insertMark = w->model.Exists(item) ? item : 0;
  RepaintAll(w);
  return TRUE;
}

// ---- The control's own messages: columns ---------------------------------------------

bool EnsureHeader(TreeListWindow* w) {
  if (w->header) return true;
  HWND header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 0, 0,
                                w->model.ClientWidth(), GetSystemMetrics(SM_CYHSCROLL), w->hwnd,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kHeaderId)),
                                GetModuleHandleA(nullptr), nullptr);
  if (!header) return false;
  w->header = header;
  SendMessageA(header, WM_SETFONT, reinterpret_cast<WPARAM>(w->font), FALSE);
  if (w->headerImages) SendMessageA(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(w->headerImages));
  PlaceHeader(w);
  return true;
}

int HeaderFormat(int align) {
  return HDF_STRING | (align == 2 ? HDF_RIGHT : align == 1 ? HDF_CENTER : HDF_LEFT);
}

TreeColumnInfo InfoOf(const LVCOLUMNA& column) {
  TreeColumnInfo info;
  info.mask = column.mask;
  info.format = column.fmt;
  info.width = column.cx;
  info.minWidth = column.iOrder;
  return info;
}

LRESULT OnInsertColumn(TreeListWindow* w, WPARAM wp, const LVCOLUMNA* column) {
  CTreeListModel& m = w->model;
  if (!column || m.ColumnCount() >= kTreeMaxColumns) return -1;
  if (!EnsureHeader(w)) return -1;
  int position = m.ClampColumnPosition(static_cast<int>(wp));
  TreeColumnInfo info = InfoOf(*column);
  HDITEMA item = {};
  item.mask = HDI_WIDTH | HDI_FORMAT;
  int low = (column->mask & TLCF_FMT) ? (column->fmt & 3) : 0;
  item.fmt = HeaderFormat(low == 1 ? 2 : low == 2 ? 1 : 0);
  if ((column->mask & TLCF_TEXT) && column->pszText) {
    item.mask |= HDI_TEXT;
    item.pszText = column->pszText;
    item.cchTextMax = static_cast<int>(std::strlen(column->pszText));
  }
  if (column->mask & TLCF_IMAGE) {
    item.mask |= HDI_IMAGE;
    item.fmt |= HDF_IMAGE;
    item.iImage = column->iImage;
  }
  w->applyingWidths = true;
  int headerIndex = static_cast<int>(SendMessageA(w->header, HDM_INSERTITEMA, position, reinterpret_cast<LPARAM>(&item)));
  w->applyingWidths = false;
  if (headerIndex < 0) return -1;
  int index = m.InsertColumn(position, info);
  if (index < 0) {
    SendMessageA(w->header, HDM_DELETEITEM, headerIndex, 0);
    return -1;
  }
  if (m.ColumnCount() > 1) {
    EditorFollowsColumnInsert(w, index);
    TooltipFollowsColumnInsert(w, index);
  }
  if (w->insertMark && index > 0) {
    TreeColors* colors = m.CellColors(w->insertMark, index);
    if (colors) {
      colors->background = m.colors[kSlotInsertMark];
      colors->hasBackground = true;
    }
  }
  ApplyColumnWidthsToHeader(w);
  UpdateScrollRanges(w);
  RepaintAll(w);
  return index;
}

LRESULT OnDeleteColumn(TreeListWindow* w, WPARAM wp) {
  int column = static_cast<int>(wp);
  if (w->edit.active && w->edit.column == column) EndEdit(w, kEndCancel);
  if (!w->model.DeleteColumn(column)) return FALSE;
  SendMessageA(w->header, HDM_DELETEITEM, column, 0);
  EditorFollowsColumnDelete(w, column);
  HideTooltip(w);
  ApplyColumnWidthsToHeader(w);
  UpdateScrollRanges(w);
  RepaintAll(w);
  return TRUE;
}

LRESULT OnGetColumn(TreeListWindow* w, WPARAM wp, LVCOLUMNA* column) {
  int index = static_cast<int>(wp);
  if (!column || !w->model.Column(index) || !w->header) return FALSE;
  HDITEMA item = {};
  item.mask = HDI_FORMAT | HDI_WIDTH | HDI_IMAGE;
  if ((column->mask & TLCF_TEXT) && column->pszText && column->cchTextMax > 0) {
    item.mask |= HDI_TEXT;
    item.pszText = column->pszText;
    item.cchTextMax = column->cchTextMax;
  }
  if (!SendMessageA(w->header, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return FALSE;
  if (column->mask & TLCF_FMT) {
    int align = w->model.Column(index)->align;
    column->fmt = align == 2 ? LVCFMT_RIGHT : align == 1 ? LVCFMT_CENTER : LVCFMT_LEFT;
  }
  if (column->mask & (TLCF_WIDTH | TLCF_WEIGHT)) column->cx = item.cxy;
  if (column->mask & TLCF_IMAGE) column->iImage = item.iImage;
  return TRUE;
}

LRESULT OnSetColumn(TreeListWindow* w, WPARAM wp, const LVCOLUMNA* column) {
  int index = static_cast<int>(wp);
  TreeColumn* target = w->model.Column(index);
  if (!column || !target || !w->header) return FALSE;
  HDITEMA item = {};
  if (column->mask & TLCF_FMT) {
    int low = column->fmt & 3;
    target->align = low == 1 ? 2 : low == 2 ? 1 : 0;
    item.mask |= HDI_FORMAT;
    item.fmt = HeaderFormat(target->align);
  }
  if ((column->mask & TLCF_TEXT) && column->pszText) {
    item.mask |= HDI_TEXT;
    item.pszText = column->pszText;
  }
  if (column->mask & TLCF_IMAGE) {
    item.mask |= HDI_IMAGE | HDI_FORMAT;
    item.fmt = HeaderFormat(target->align) | HDF_IMAGE;
    item.iImage = column->iImage;
  }
  if (item.mask) SendMessageA(w->header, HDM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
  if (column->mask & TLCF_WIDTH) w->model.SetColumnWidth(index, column->cx);
  ApplyColumnWidthsToHeader(w);
  UpdateScrollRanges(w);
  RepaintAll(w);
  return TRUE;
}

LRESULT OnGetColumnWidth(TreeListWindow* w, WPARAM wp) {
  const TreeColumn* column = w->model.Column(static_cast<int>(wp));
  return column ? column->width : 0;
}

LRESULT OnSetColumnWidth(TreeListWindow* w, WPARAM wp, LPARAM width) {
  int index = static_cast<int>(wp);
  if (!w->model.Column(index)) return FALSE;
  w->model.SetColumnWidth(index, static_cast<int>(width));
  ApplyColumnWidthsToHeader(w);
  UpdateScrollRanges(w);
  RepaintAll(w);
  return TRUE;
}

LRESULT OnSetColumnEdit(TreeListWindow* w, WPARAM wp, LPARAM lp) {
  bool repaint = false;
  if (!w->model.SetColumnEdit(static_cast<uint32_t>(wp), reinterpret_cast<const void*>(lp), &repaint)) return 0;
  unsigned mode = (wp >> 8) & 7;
  if (mode >= TLM_EDITCHECK && !w->stateImages) BuildCheckBoxImages(w);
  if (repaint) RepaintAll(w);
  return 1;
}

LRESULT OnSelectCell(TreeListWindow* w, WPARAM column, TreeHandle item) {
  if (!(w->model.ExtendedStyle() & TLS_EX_CELLSELECT)) return 0;
  if (!w->model.Exists(item) || static_cast<int>(column) >= w->model.ColumnCount()) return 0;
  return SelectCaret(w, item, static_cast<int>(column), TVC_UNKNOWN) ? 1 : 0;
}

LRESULT OnGetItemColor(TreeListWindow* w, WPARAM item, LPARAM column, bool text) {
  int index = static_cast<int>(column);
  if (!w->model.Exists(static_cast<TreeHandle>(item)) || index < 0 ||
      index >= std::max(1, w->model.ColumnCount()))
    return -1;
  TreeColors* colors = w->model.CellColors(static_cast<TreeHandle>(item), index);
  if (!colors) return -1;
  if (text) return colors->hasText ? static_cast<LRESULT>(colors->text) : -1;
  return colors->hasBackground ? static_cast<LRESULT>(colors->background) : -1;
}

LRESULT OnSetItemColor(TreeListWindow* w, WPARAM wp, LPARAM color, bool text) {
  TreeHandle item = static_cast<TreeHandle>(wp & 0xFFFFFF);
  int column = static_cast<int>((wp >> 24) & 0xFF);
  if (column >= std::max(1, w->model.ColumnCount())) return -1;
  TreeColors* colors = w->model.CellColors(item, column);
  if (!colors) return -1;
  bool& has = text ? colors->hasText : colors->hasBackground;
  TreeColor& value = text ? colors->text : colors->background;
  LRESULT old = has ? static_cast<LRESULT>(value) : -1;
  has = color != -1;
  value = has ? static_cast<TreeColor>(color) : 0;
  InvalidateItem(w, item);
  return old;
}

LRESULT OnGetNextItem(TreeListWindow* w, WPARAM relation, LPARAM lp) {
  if (relation == TVGN_DROPHILITE) return Result(w->dropHighlight);
  return Result(w->model.GetNextItem(static_cast<int>(relation), HandleOf(lp)));
}

// ---- Dispatch ---------------------------------------------------------------------------

LRESULT TreeViewMessage(TreeListWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  CTreeListModel& m = w->model;
  *handled = true;
  switch (msg) {
    case TVM_INSERTITEMA: return OnInsertItem(w, reinterpret_cast<const TVINSERTSTRUCTA*>(lp));
    case TVM_DELETEITEM: return OnDeleteItem(w, lp);
    case TVM_EXPAND: return ExpandItem(w, HandleOf(lp), static_cast<int>(wp));
    case TVM_GETITEMRECT: return OnGetItemRect(w, wp, reinterpret_cast<RECT*>(lp));
    case TVM_GETCOUNT: return static_cast<LRESULT>(m.Count());
    case TVM_GETINDENT: return m.Indent();
    case TVM_SETINDENT: return OnSetIndent(w, wp);
    case TVM_GETIMAGELIST: return OnGetImageList(w, wp);
    case TVM_SETIMAGELIST: return OnSetImageList(w, wp, reinterpret_cast<HIMAGELIST>(lp));
    case TVM_GETNEXTITEM: return OnGetNextItem(w, wp, lp);
    case TVM_SELECTITEM: return OnSelectItem(w, wp, HandleOf(lp));
    case TVM_GETITEMA: return OnGetItem(w, reinterpret_cast<TVITEMA*>(lp));
    case TVM_SETITEMA: return OnSetItem(w, reinterpret_cast<const TVITEMA*>(lp));
    case TVM_EDITLABELA: return OnEditLabel(w, wp, HandleOf(lp));
    case TVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(w->edit.window);
    case TVM_GETVISIBLECOUNT: return static_cast<LRESULT>(m.visibleRows);
    case TVM_HITTEST: {
      TVHITTESTINFO* info = reinterpret_cast<TVHITTESTINFO*>(lp);
      if (!info) return 0;
      TreeHandle item = HitTest(w, info->pt, &info->flags);
      info->hItem = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(item));
      return Result(item);
    }
    case TVM_CREATEDRAGIMAGE: return 0;
    case TVM_SORTCHILDREN: return OnSortChildren(w, wp, lp ? HandleOf(lp) : kTreeRoot, nullptr, 0);
    case TVM_ENSUREVISIBLE: return OnEnsureVisible(w, HandleOf(lp));
    case TVM_SORTCHILDRENCB: {
      const TVSORTCB* sort = reinterpret_cast<const TVSORTCB*>(lp);
      if (!sort || !sort->lpfnCompare) return FALSE;
      TreeHandle parent = sort->hParent ? static_cast<TreeHandle>(reinterpret_cast<UINT_PTR>(sort->hParent)) : kTreeRoot;
      return OnSortChildren(w, wp, parent, sort->lpfnCompare, sort->lParam);
    }
    case TVM_ENDEDITLABELNOW: EndEdit(w, wp ? kEndCancel : kEndFocusLost); return 0;
    case TVM_GETISEARCHSTRINGA: return OnGetSearchString(w, reinterpret_cast<char*>(lp));
    case TVM_SETTOOLTIPS: return reinterpret_cast<LRESULT>(SetTooltipWindow(w, reinterpret_cast<HWND>(wp)));
    case TVM_GETTOOLTIPS: return reinterpret_cast<LRESULT>(w->tips.window);
    case TVM_SETINSERTMARK: return OnSetInsertMark(w, HandleOf(lp));
    case TVM_SETITEMHEIGHT: return OnSetItemHeight(w, wp);
    case TVM_GETITEMHEIGHT: return m.ItemHeight();
    case TVM_SETBKCOLOR: return OnSetColorSlot(w, wp, lp);
    case TVM_SETTEXTCOLOR: return OnSetColorSlot(w, kSlotText, lp);
    case TVM_GETBKCOLOR: return OnGetColorSlot(w, wp);
    case TVM_GETTEXTCOLOR: return OnGetColorSlot(w, kSlotText);
    case TVM_SETINSERTMARKCOLOR: return OnSetColorSlot(w, kSlotInsertMark, lp);
    case TVM_GETINSERTMARKCOLOR: return OnGetColorSlot(w, kSlotInsertMark);
    case TVM_GETITEMSTATE: return m.Exists(static_cast<TreeHandle>(wp)) ? m.Item(static_cast<TreeHandle>(wp))->state : 0;
    case TVM_SETLINECOLOR: return OnSetColorSlot(w, kSlotLines, lp);
    case TVM_GETLINECOLOR: return OnGetColorSlot(w, kSlotLines);
    case TVM_SETEXTENDEDSTYLE: return OnSetExtendedStyle(w, wp, lp);
    case TVM_GETEXTENDEDSTYLE: return m.ExtendedStyle();
    case TVM_GETUNICODEFORMAT: return 0;
    default: break;
  }
  *handled = false;
  return 0;
}

LRESULT OwnMessage(TreeListWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  CTreeListModel& m = w->model;
  *handled = true;
  switch (msg) {
    case TLM_SETCOLUMNIMAGEBASE: return m.SetColumnImageBase(static_cast<int>(wp), static_cast<int>(lp)) ? 1 : 0;
    case TLM_SETCOLUMNEDIT: return OnSetColumnEdit(w, wp, lp);
    case TLM_GETUSERDATA: return reinterpret_cast<LRESULT>(m.UserData(HandleOf(lp)));
    case TLM_GETUSERDATASIZE: return m.UserDataSize();
    case TLM_SETUSERDATASIZE: return lp >= 0 && m.SetUserDataSize(static_cast<uint32_t>(lp)) ? 1 : 0;
    case TLM_GETCOLUMNWIDTH: return OnGetColumnWidth(w, wp);
    case TLM_SETCOLUMNWIDTH: return OnSetColumnWidth(w, wp, lp);
    case TLM_GETCOLUMN: return OnGetColumn(w, wp, reinterpret_cast<LVCOLUMNA*>(lp));
    case TLM_SETCOLUMN: return OnSetColumn(w, wp, reinterpret_cast<const LVCOLUMNA*>(lp));
    case TLM_GETROWOFITEM: return m.RowOfItem(HandleOf(lp));
    case TLM_GETROWCOUNT: return static_cast<LRESULT>(m.RowCount());
    case TLM_GETITEMOFROW: return lp < 0 ? 0 : Result(m.ItemOfRow(static_cast<size_t>(lp)));
    case TLM_GETITEMTEXTCOLOR: return OnGetItemColor(w, wp, lp, true);
    case TLM_SETITEMTEXTCOLOR: return OnSetItemColor(w, wp, lp, true);
    case TLM_GETITEMBKCOLOR: return OnGetItemColor(w, wp, lp, false);
    case TLM_SETITEMBKCOLOR: return OnSetItemColor(w, wp, lp, false);
    case TLM_SELECTCELL: return OnSelectCell(w, wp, HandleOf(lp));
    case TLM_INSERTCOLUMN: return OnInsertColumn(w, wp, reinterpret_cast<const LVCOLUMNA*>(lp));
    case TLM_DELETECOLUMN: return OnDeleteColumn(w, wp);
    case TLM_GETCOLUMNCOUNT: return m.ColumnCount();
    case TLM_GETHEADER: return reinterpret_cast<LRESULT>(w->header);
    case TLM_RESERVED_114B:
    case TLM_RESERVED_115A: return 0;
    default:
      if (msg >= TLM_FIRST_RESERVED && msg <= TLM_LAST_RESERVED) return 0;
      break;
  }
  *handled = false;
  return 0;
}

LRESULT WindowMessage(TreeListWindow* w, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  switch (msg) {
    case WM_DESTROY: OnDestroy(w); return 0;
    case WM_SIZE: OnSize(w, lp); return 0;
    case WM_ENABLE: OnEnable(w, wp != 0); return 0;
    case WM_SETFOCUS: OnFocus(w, true); return 0;
    case WM_KILLFOCUS: OnFocus(w, false); return 0;
    case WM_PAINT: OnPaint(w, reinterpret_cast<HDC>(wp)); return 0;
    case WM_PRINTCLIENT: OnPaint(w, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SHOWWINDOW: OnShowWindow(w, wp != 0); return 0;
    case WM_SYSCOLORCHANGE: OnSysColorChange(w); return 0;
    case WM_SETFONT: OnSetFont(w, wp, lp); return 0;
    case WM_SETREDRAW: OnSetRedraw(w, wp != 0); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_STYLECHANGED: OnStyleChanged(w, wp, reinterpret_cast<const STYLESTRUCT*>(lp)); return 0;
    case WM_DRAWITEM: return SendMessageA(GetParent(w->hwnd), msg, wp, lp);
    case WM_NOTIFY: return OnNotify(w, reinterpret_cast<NMHDR*>(lp));
    case WM_GETDLGCODE: return OnGetDlgCode(w, wp, lp);
    case WM_KEYDOWN: OnKeyDown(w, wp, lp); return 0;
    case WM_KEYUP: return 0;
    case WM_CHAR: OnChar(w, wp, lp); return 0;
    case WM_COMMAND: OnEditorCommand(w, wp, lp); return 0;
    case WM_TIMER: OnTooltipTimer(w); return 0;
    case WM_HSCROLL: OnHScroll(w, wp); return 0;
    case WM_VSCROLL: OnVScroll(w, wp); return 0;
    case WM_MOUSEMOVE: OnMouseMove(w, wp, lp); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: OnButtonDown(w, msg, wp, lp); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: OnButtonUp(w, msg, wp, lp); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(w, wp); return 0;
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
      if (w->edit.active && w->edit.window) PostMessageA(w->edit.window, msg, wp, lp);
      return 0;
    default: break;
  }
  *handled = false;
  return 0;
}

LRESULT CALLBACK TreeListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CREATE) return OnCreate(hwnd);
  TreeListWindow* w = RecordOf(hwnd);
  if (!w) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    OnNcDestroy(hwnd, w);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  bool handled = false;
  LRESULT result = 0;
  ++w->activeCalls;
  {
    TreeListLock lock(w);
    if (msg >= TV_FIRST && msg < TV_FIRST + 0x40) result = TreeViewMessage(w, msg, wp, lp, &handled);
    else if (msg == TVM_GETUNICODEFORMAT) result = 0, handled = true;
    if (!handled && msg >= TLM_FIRST_RESERVED && msg <= TLM_GETHEADER) result = OwnMessage(w, msg, wp, lp, &handled);
    if (!handled) result = WindowMessage(w, msg, wp, lp, &handled);
  }
  if (--w->activeCalls == 0 && w->pendingFree) FreeRecord(w);
  return handled ? result : DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

// ---- Registration ------------------------------------------------------------------------

bool RegisterTreeListClass() {
  if (g_classRegistered) return true;
  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = TreeListProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kTreeListClassName;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  g_classRegistered = true;
  return true;
}
