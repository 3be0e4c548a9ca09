// Items, cells, rows and selection of the tree-list model. The row table is
// kept in step with every change by splicing the affected range instead of
// rebuilding it, so appending thousands of rows stays linear.
#include "controls/tree_list_model.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t kGrowthExtra = 64;
constexpr uint32_t kCellStateHidden = tv::kSelected | tv::kExpanded | tv::kExpandedOnce |
                                      tv::kExpandPartial;

unsigned char UpperCase1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224 && c <= 254 && c != 247) return static_cast<unsigned char>(c - 32);
  return c;
}

// A plain bottom-up merge sort: a client's comparison need not be consistent,
// and the library sorts may run off the range when it is not.
void StableSortHandles(std::vector<TreeHandle>& handles, const CTreeListModel::ItemCompare& compare) {
  std::vector<TreeHandle> merged(handles.size());
  for (size_t width = 1; width < handles.size(); width *= 2) {
    for (size_t low = 0; low < handles.size(); low += 2 * width) {
      size_t middle = std::min(low + width, handles.size());
      size_t high = std::min(low + 2 * width, handles.size());
      size_t a = low, b = middle, out = low;
      while (a < middle && b < high)
        merged[out++] = compare(handles[b], handles[a]) < 0 ? handles[b++] : handles[a++];
      while (a < middle) merged[out++] = handles[a++];
      while (b < high) merged[out++] = handles[b++];
    }
    handles.swap(merged);
  }
}

}  // namespace

int CompareTextNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d = UpperCase1252(static_cast<unsigned char>(a[i])) -
            UpperCase1252(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

CTreeListModel::CTreeListModel() { SetComputedItemHeight(16); }

// ---- Item table --------------------------------------------------------------

bool CTreeListModel::Exists(TreeHandle handle) const {
  return handle > 0 && handle < items_.size() && items_[handle] != nullptr;
}

TreeItem* CTreeListModel::Item(TreeHandle handle) {
  return Exists(handle) ? items_[handle].get() : nullptr;
}

const TreeItem* CTreeListModel::Item(TreeHandle handle) const {
  return Exists(handle) ? items_[handle].get() : nullptr;
}

bool CTreeListModel::GrowTables() {
  size_t old = items_.size();
  size_t capacity = old + old / 2 + kGrowthExtra;
  try {
    for (auto& table : cells_) table.reserve(capacity);
    items_.reserve(capacity);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (auto& table : cells_) table.resize(capacity);
  items_.resize(capacity);
  return true;
}

TreeHandle CTreeListModel::AllocateHandle() {
  if (items_.empty() || count_ + 1 >= items_.size()) {
    if (!GrowTables()) return 0;
  }
  size_t capacity = items_.size();
  TreeHandle handle = lastHandle_;
  for (size_t tries = 0; tries < capacity; ++tries) {
    handle = handle + 1 >= capacity ? 1 : handle + 1;
    if (!items_[handle]) return handle;
  }
  return 0;
}

// ---- Inserting -----------------------------------------------------------------

TreeHandle CTreeListModel::SortedInsertPoint(TreeHandle parent, const TreeItemData& data,
                                             const SiblingCompare& compare, bool* first) {
  std::vector<TreeHandle> siblings;
  for (TreeHandle s = parent ? Item(parent)->firstChild : firstRoot_; s; s = Item(s)->next)
    siblings.push_back(s);
  std::string newText = (data.mask & tv::kText) && data.text && data.text != TextCallbackMarker()
                            ? std::string(data.text) : std::string();
  size_t low = 0, high = siblings.size();
  sortedInsertBusy_ = true;
  while (low < high) {
    size_t middle = (low + high) / 2;
    TreeHandle sibling = siblings[middle];
    int order = !Exists(sibling) ? -1
                : compare      ? compare(sibling)
                               : CompareTextNoCase(Item(sibling)->text, newText);
    if (order == 0) {
      low = high = middle;
      break;
    }
    if (order < 0) low = middle + 1; else high = middle;
  }
  sortedInsertBusy_ = false;
  *first = low == 0;
  return low == 0 ? 0 : siblings[low - 1];
}

TreeHandle CTreeListModel::FindInsertPoint(TreeHandle parent, TreeHandle after,
                                           const TreeItemData& data,
                                           const SiblingCompare& compare, bool* first) {
  *first = false;
  TreeHandle lastChild = parent ? Item(parent)->lastChild : lastRoot_;
  if (after == kTreeFirst) {
    *first = true;
    return 0;
  }
  if (after == kTreeLast || after == kTreeRoot) return lastChild;
  if (after == kTreeSort || after == TLI_SORTEX) return SortedInsertPoint(parent, data, compare, first);
  if (after >= TLI_ROWBASE && after < TLI_ROWBASE + TLI_ROWLIMIT) {
    uint32_t n = after - TLI_ROWBASE;
    if (n == 0) {
      *first = true;
      return 0;
    }
    TreeHandle child = parent ? Item(parent)->firstChild : firstRoot_;
    for (uint32_t i = 1; child && i < n; ++i) child = Item(child)->next;
    return child ? child : lastChild;
  }
  const TreeItem* sibling = Item(after);
  if (sibling && sibling->parent == parent) return after;
  return lastChild;
}

void CTreeListModel::Link(TreeHandle handle, TreeHandle parent, TreeHandle previous, bool first) {
  TreeItem* item = Item(handle);
  TreeItem* up = Item(parent);
  TreeHandle& head = up ? up->firstChild : firstRoot_;
  TreeHandle& tail = up ? up->lastChild : lastRoot_;
  if (first || !previous) previous = 0;
  TreeHandle next = previous ? Item(previous)->next : head;
  item->parent = parent;
  item->previous = previous;
  item->next = next;
  if (previous) Item(previous)->next = handle; else head = handle;
  if (next) Item(next)->previous = handle; else tail = handle;
}

void CTreeListModel::Unlink(TreeHandle handle) {
  TreeItem* item = Item(handle);
  TreeItem* up = Item(item->parent);
  TreeHandle& head = up ? up->firstChild : firstRoot_;
  TreeHandle& tail = up ? up->lastChild : lastRoot_;
  if (item->previous) Item(item->previous)->next = item->next; else head = item->next;
  if (item->next) Item(item->next)->previous = item->previous; else tail = item->previous;
  item->previous = item->next = 0;
}

bool CTreeListModel::IsVisibleBranch(TreeHandle parent) const {
  const TreeItem* up = Item(parent);
  return !up || (up->row != 0 && (up->state & tv::kExpanded));
}

namespace {

void FillNewItem(TreeItem& item, const TreeItemData& data, uint32_t windowStyle) {
  if ((data.mask & tv::kText) && data.text == TextCallbackMarker()) item.callbacks |= kAskText;
  else if ((data.mask & tv::kText) && data.text) item.text = data.text;
  if (data.mask & tv::kImage) {
    item.image = data.image;
    if (data.image == -1) item.callbacks |= kAskImage;
  }
  if (data.mask & tv::kSelectedImage) {
    item.selectedImage = data.selectedImage;
    if (data.selectedImage == -1) item.callbacks |= kAskSelectedImage;
  }
  if (data.mask & tv::kState) item.state = data.state & data.stateMask;
  else if (windowStyle & tv::kStyleCheckBoxes) item.state = TLIS_UNCHECKED;
  item.state |= tv::kExpandedOnce;
  if (windowStyle & tv::kStyleSingleExpand) item.state &= ~tv::kExpanded;
  if (data.mask & tv::kParam) item.param = data.param;
  if (!(data.mask & tv::kChildren)) item.childrenFlags = kChildrenUnknown;
  else if (data.children == -1) item.callbacks |= kAskChildren;
  else if (data.children == 1) item.childrenFlags = kHasChildren;
  else if (data.children != 0) item.childrenFlags = kChildrenUnknown;
}

}  // namespace

TreeHandle CTreeListModel::InsertItem(const TreeItemData& data, TreeHandle parent,
                                      TreeHandle after, uint32_t windowStyle,
                                      const SiblingCompare& compare) {
  if (sortedInsertBusy_) return 0;
  if (parent == kTreeRoot || after == kTreeRoot) parent = 0;
  if (parent && !Exists(parent)) return 0;
  if (after == TLI_AFTERPARENT || after == TLI_BEFOREPARENT) {
    if (!parent) {
      after = kTreeLast;
    } else {
      TreeHandle sibling = parent;
      parent = Item(sibling)->parent;
      after = after == TLI_AFTERPARENT ? sibling : Item(sibling)->previous;
      if (!after) after = kTreeFirst;
    }
  }
  bool first = false;
  TreeHandle previous = FindInsertPoint(parent, after, data, compare, &first);
  // The comparison may have called the client, which may have deleted things.
  if (parent && !Exists(parent)) return 0;
  if (previous && (!Exists(previous) || Item(previous)->parent != parent)) {
    previous = parent ? Item(parent)->lastChild : lastRoot_;
    first = false;
  }
  std::unique_ptr<TreeItem> item;
  TreeHandle handle = 0;
  try {
    item = std::make_unique<TreeItem>();
    FillNewItem(*item, data, windowStyle);
    item->userData.assign(userDataSize_, 0);
    handle = AllocateHandle();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (!handle) return 0;
  if (TreeItem* up = Item(parent)) {
    item->level = up->level + 1;
    if (up->childrenFlags & kChildrenUnknown) up->childrenFlags |= kHasChildren;
  }
  items_[handle] = std::move(item);
  lastHandle_ = handle;
  ++count_;
  Link(handle, parent, previous, first);
  if (IsVisibleBranch(parent)) {
    size_t index = previous ? static_cast<size_t>(RowOfItem(previous)) + 1
                            : (parent ? Item(parent)->row : 0);
    if (previous) {
      uint32_t level = Item(previous)->level;
      while (index < rows_.size() && Item(rows_[index])->level > level) ++index;
    }
    rows_.insert(rows_.begin() + index, handle);
    for (size_t i = index; i < rows_.size(); ++i) Item(rows_[i])->row = static_cast<uint32_t>(i + 1);
  }
  return handle;
}

// ---- Deleting -----------------------------------------------------------------

void CTreeListModel::FreeItem(TreeHandle handle) {
  TreeItem* item = Item(handle);
  if (item->row) {
    size_t index = item->row - 1;
    rows_.erase(rows_.begin() + index);
    for (size_t i = index; i < rows_.size(); ++i) Item(rows_[i])->row = static_cast<uint32_t>(i + 1);
  }
  Unlink(handle);
  for (auto& table : cells_) {
    if (handle < table.size()) table[handle].reset();
  }
  if (caret_ == handle) caret_ = 0;
  items_[handle].reset();
  --count_;
}

bool CTreeListModel::DeleteItem(TreeHandle handle, const DeleteNotify& notify) {
  if (handle == kTreeRoot) {
    while (lastRoot_) DeleteItem(lastRoot_, notify);
    return true;
  }
  if (!Exists(handle)) return false;
  // Leaves go first, taken from the end so the row table shrinks at its tail.
  // The notification may change the tree, so every step starts afresh.
  while (Exists(handle)) {
    TreeHandle leaf = handle;
    while (Item(leaf)->lastChild) leaf = Item(leaf)->lastChild;
    TreeItem* item = Item(leaf);
    if (!item->deleting) {
      item->deleting = true;
      if (notify) notify(leaf);
      if (!Exists(leaf) || Item(leaf)->lastChild) continue;
    }
    FreeItem(leaf);
  }
  return true;
}

// ---- Reading and writing items and cells -----------------------------------------

void CTreeListModel::DeliverText(TreeItemData& data, const std::string& text) const {
  if (data.mask & TVIF_TEXTPTR) {
    data.text = const_cast<char*>(text.c_str());
    data.textMax = static_cast<int>(text.size() + 1);
    return;
  }
  if (!data.text || data.text == TextCallbackMarker() || data.textMax <= 0) return;
  size_t length = std::min(text.size(), static_cast<size_t>(data.textMax - 1));
  std::memcpy(data.text, text.data(), length);
  data.text[length] = '\0';
}

TreeCell* CTreeListModel::Cell(TreeHandle handle, int column) {
  TreeItem* item = Item(handle);
  if (!item || column < 1 || column >= ColumnCount()) return nullptr;
  auto& table = cells_[column - 1];
  if (handle >= table.size()) return nullptr;
  if (!table[handle]) {
    table[handle] = std::make_unique<TreeCell>();
    table[handle]->state = item->state & (0x01 | tv::kBold);
  }
  return table[handle].get();
}

const TreeCell* CTreeListModel::FindCell(TreeHandle handle, int column) const {
  if (!Exists(handle) || column < 1 || column >= ColumnCount()) return nullptr;
  const auto& table = cells_[column - 1];
  return handle < table.size() ? table[handle].get() : nullptr;
}

const std::string* CTreeListModel::CellText(TreeHandle handle, int column) {
  if (column == 0) return Exists(handle) ? &Item(handle)->text : nullptr;
  TreeCell* cell = Cell(handle, column);
  return cell ? &cell->text : nullptr;
}

bool CTreeListModel::SetCellText(TreeHandle handle, int column, const std::string& text) {
  TreeItemData data;
  data.mask = tv::kText | TVIF_CELL;
  data.item = handle;
  data.text = const_cast<char*>(text.c_str());
  data.children = column;
  return SetItem(data);
}

TreeColors* CTreeListModel::CellColors(TreeHandle handle, int column) {
  if (column == 0) return Exists(handle) ? &Item(handle)->colors : nullptr;
  TreeCell* cell = Cell(handle, column);
  return cell ? &cell->colors : nullptr;
}

bool CTreeListModel::GetCell(TreeItemData& data, TreeItem& item, int column) {
  TreeCell* cell = Cell(data.item, column);
  if (!cell) return false;
  if (data.mask & tv::kParam) data.param = item.param;
  if (data.mask & tv::kImage) data.image = cell->image;
  if (data.mask & tv::kText) DeliverText(data, cell->text);
  if (data.mask & tv::kState) data.state = cell->state & data.stateMask & ~kCellStateHidden;
  return true;
}

bool CTreeListModel::GetItem(TreeItemData& data) {
  TreeItem* item = Item(data.item);
  if (!item) return false;
  int column = (data.mask & TVIF_CELL) ? data.children : 0;
  if (column < 0 || column >= std::max(1, ColumnCount())) return false;
  if (column > 0) return GetCell(data, *item, column);
  if (data.mask & tv::kParam) data.param = item->param;
  if (data.mask & tv::kImage) data.image = (item->callbacks & kAskImage) ? -1 : item->image;
  if (data.mask & tv::kSelectedImage)
    data.selectedImage = (item->callbacks & kAskSelectedImage) ? -1 : item->selectedImage;
  if (data.mask & tv::kChildren)
    data.children = (item->callbacks & kAskChildren) ? -1 : (item->firstChild ? 1 : 0);
  if (data.mask & tv::kText) {
    if (item->callbacks & kAskText) data.text = TextCallbackMarker();
    else DeliverText(data, item->text);
  }
  if (data.mask & tv::kState) data.state = item->state & data.stateMask;
  return true;
}

bool CTreeListModel::SetCell(const TreeItemData& data, TreeItem& item, int column) {
  TreeCell* cell = Cell(data.item, column);
  if (!cell) return false;
  if (data.mask & tv::kText) {
    bool plain = data.text && data.text != TextCallbackMarker();
    cell->text = plain ? data.text : "";
  }
  if (data.mask & tv::kImage) cell->image = data.image;
  if (data.mask & tv::kState)
    cell->state = (cell->state & ~data.stateMask) | (data.state & data.stateMask);
  if (data.mask & tv::kParam) item.param = data.param;
  return true;
}

bool CTreeListModel::SetItem(const TreeItemData& data) {
  TreeItem* item = Item(data.item);
  if (!item) return false;
  int column = (data.mask & TVIF_CELL) ? data.children : 0;
  if (column < 0 || column >= std::max(1, ColumnCount())) return false;
  if (column > 0) return SetCell(data, *item, column);
  if (data.mask & tv::kText) {
    item->callbacks &= ~kAskText;
    if (data.text == TextCallbackMarker()) item->callbacks |= kAskText;
    item->text = data.text && data.text != TextCallbackMarker() ? data.text : "";
  }
  if (data.mask & tv::kImage) {
    item->image = data.image;
    item->callbacks = static_cast<uint8_t>((item->callbacks & ~kAskImage) | (data.image == -1 ? kAskImage : 0));
  }
  if (data.mask & tv::kSelectedImage) {
    item->selectedImage = data.selectedImage;
    item->callbacks = static_cast<uint8_t>((item->callbacks & ~kAskSelectedImage) |
                                           (data.selectedImage == -1 ? kAskSelectedImage : 0));
  }
  if (data.mask & tv::kChildren) {
    item->callbacks &= ~kAskChildren;
    item->childrenFlags = 0;
    if (data.children == -1) item->callbacks |= kAskChildren;
    else if (data.children == 1) item->childrenFlags = kHasChildren;
    else if (data.children != 0) item->childrenFlags = kChildrenUnknown;
  }
  if (data.mask & tv::kParam) item->param = data.param;
  if (data.mask & tv::kState) {
    uint32_t mask = data.stateMask & ~tv::kExpanded;
    item->state = (item->state & ~mask) | (data.state & mask);
    if (data.stateMask & tv::kExpanded)
      Expand(data.item, (data.state & tv::kExpanded) ? tv::kExpand : tv::kCollapse);
  }
  return true;
}

// ---- Relations ---------------------------------------------------------------

TreeHandle CTreeListModel::GetNextItem(int relation, TreeHandle handle) const {
  const TreeItem* item = Item(handle);
  switch (relation) {
    case tv::kRoot: return firstRoot_;
    case tv::kNext: return item ? item->next : 0;
    case tv::kPrevious: return item ? item->previous : 0;
    case tv::kParent: return item ? item->parent : 0;
    case tv::kChild:
      if (handle == 0 || handle == kTreeRoot) return firstRoot_;
      return item ? item->firstChild : 0;
    case tv::kFirstVisible: return ItemOfRow(firstVisibleRow);
    case tv::kNextVisible: return item && item->row ? ItemOfRow(item->row) : 0;
    case tv::kPreviousVisible: return item && item->row > 1 ? ItemOfRow(item->row - 2) : 0;
    case tv::kCaret: return caret_;
    case tv::kLastVisible: return rows_.empty() ? 0 : rows_.back();
    case tv::kNextSelected: {
      size_t start = item && item->row ? item->row : 0;
      for (size_t row = start; row < rows_.size(); ++row)
        if (Item(rows_[row])->state & tv::kSelected) return rows_[row];
      return 0;
    }
    default: return 0;
  }
}

bool CTreeListModel::SortChildren(TreeHandle parent, bool recurse, const ItemCompare& compare) {
  if (parent == kTreeRoot) parent = 0;
  if (parent && !Exists(parent)) return false;
  std::vector<TreeHandle> children;
  for (TreeHandle c = parent ? Item(parent)->firstChild : firstRoot_; c; c = Item(c)->next)
    children.push_back(c);
  sortedInsertBusy_ = true;
  StableSortHandles(children, compare);
  sortedInsertBusy_ = false;
  size_t still = 0;
  for (TreeHandle c = parent ? Item(parent)->firstChild : firstRoot_; c; c = Item(c)->next) ++still;
  for (TreeHandle c : children)
    if (!Exists(c) || Item(c)->parent != parent) return false;
  if (still != children.size()) return false;
  for (TreeHandle c : children) Unlink(c);
  TreeHandle previous = 0;
  for (TreeHandle c : children) {
    Link(c, parent, previous, previous == 0);
    previous = c;
  }
  if (recurse) {
    for (TreeHandle c : children)
      if (Exists(c) && Item(c)->firstChild && !SortChildren(c, true, compare)) return false;
  }
  if (IsVisibleBranch(parent)) RebuildRows();
  return true;
}

// ---- Expanding and the row table -----------------------------------------------------

bool CTreeListModel::HasChildren(TreeHandle handle) const {
  const TreeItem* item = Item(handle);
  return item && (item->firstChild || (item->childrenFlags & kHasChildren) ||
                  (item->callbacks & kAskChildren));
}

bool CTreeListModel::WouldExpand(TreeHandle handle, int code) const {
  const TreeItem* item = Item(handle);
  if (!item) return false;
  bool expanded = (item->state & tv::kExpanded) != 0;
  switch (code & 3) {
    case tv::kExpand: return !expanded;
    case tv::kCollapse: return expanded;
    case tv::kToggle: return true;
    default: return false;
  }
}

void CTreeListModel::AppendRows(TreeHandle top) {
  // Visible descendants of top in display order, inserted right after top's row.
  std::vector<TreeHandle> visible;
  TreeHandle at = top ? Item(top)->firstChild : firstRoot_;
  while (at) {
    visible.push_back(at);
    TreeItem* item = Item(at);
    if ((item->state & tv::kExpanded) && item->firstChild) {
      at = item->firstChild;
      continue;
    }
    while (at && at != top && !Item(at)->next) at = Item(at)->parent;
    if (!at || at == top) break;
    at = Item(at)->next;
  }
  size_t index = top ? Item(top)->row : 0;
  rows_.insert(rows_.begin() + index, visible.begin(), visible.end());
  for (size_t i = index; i < rows_.size(); ++i) Item(rows_[i])->row = static_cast<uint32_t>(i + 1);
}

bool CTreeListModel::Expand(TreeHandle handle, int code) {
  if (!WouldExpand(handle, code)) return false;
  TreeItem* item = Item(handle);
  bool expand = !(item->state & tv::kExpanded);
  item->state ^= tv::kExpanded;
  if (expand) item->state |= tv::kExpandedOnce;
  if (!item->row) return true;
  if (expand) {
    AppendRows(handle);
    return true;
  }
  size_t begin = item->row, end = begin;
  while (end < rows_.size() && Item(rows_[end])->level > item->level) Item(rows_[end++])->row = 0;
  rows_.erase(rows_.begin() + begin, rows_.begin() + end);
  for (size_t i = begin; i < rows_.size(); ++i) Item(rows_[i])->row = static_cast<uint32_t>(i + 1);
  return true;
}

void CTreeListModel::RebuildRows() {
  for (TreeHandle row : rows_) Item(row)->row = 0;
  rows_.clear();
  AppendRows(0);
}

int CTreeListModel::RowOfItem(TreeHandle handle) const {
  const TreeItem* item = Item(handle);
  return item && item->row ? static_cast<int>(item->row) - 1 : -1;
}

// ---- Selection -----------------------------------------------------------------------

size_t CTreeListModel::SelectedCount() const {
  size_t selected = 0;
  for (const auto& item : items_)
    if (item && (item->state & tv::kSelected)) ++selected;
  return selected;
}

void CTreeListModel::SetCaret(TreeHandle item, int column) {
  caret_ = Exists(item) ? item : 0;
  caretColumn_ = std::clamp(column, 0, std::max(0, ColumnCount() - 1));
}

void CTreeListModel::SetSelected(TreeHandle handle, bool selected) {
  if (TreeItem* item = Item(handle)) {
    if (selected) item->state |= tv::kSelected; else item->state &= ~tv::kSelected;
  }
}

void CTreeListModel::ClearSelection(TreeHandle except) {
  for (size_t h = 1; h < items_.size(); ++h)
    if (items_[h] && h != except) items_[h]->state &= ~tv::kSelected;
}

// ---- User data -------------------------------------------------------------------------

bool CTreeListModel::SetUserDataSize(uint32_t size) {
  if (count_ != 0 || size > kTreeMaxUserData) return false;
  userDataSize_ = size;
  return true;
}

void* CTreeListModel::UserData(TreeHandle handle) {
  TreeItem* item = Item(handle);
  return item && userDataSize_ ? item->userData.data() : nullptr;
}

// ---- Sizes and styles -------------------------------------------------------------------

int CTreeListModel::SetIndent(int value) {
  int old = indent_;
  indent_ = std::clamp(value, 5, 64);
  return old;
}

int CTreeListModel::SetItemHeight(int value) {
  int old = ItemHeight();
  if (value == -1) {
    fixedHeight_ = 0;
    return old;
  }
  if ((value & 1) && !(extendedStyle_ & TLS_EX_ODDHEIGHT)) value -= 1;
  fixedHeight_ = std::clamp(value, 1, 256);
  return old;
}

void CTreeListModel::SetComputedItemHeight(int value) { computedHeight_ = std::clamp(value, 1, 256); }

uint32_t CTreeListModel::SetExtendedStyle(uint32_t mask, uint32_t styles) {
  uint32_t old = extendedStyle_;
  if (mask == 0) mask = 0xFFFFFFFF;
  extendedStyle_ = (old & ~mask) | (styles & mask);
  return old;
}
