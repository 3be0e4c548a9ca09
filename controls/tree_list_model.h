// The data behind a "TreeList" control: items, cells, rows and columns, and
// the arithmetic that lays the columns out. No window and no Windows header
// here, so every rule can be checked without a display; the window procedure
// (tree_list_win32.cpp) only converts messages into these calls.
//
// Items are addressed by small integers: the index of their slot in a table
// that grows by half its size plus 64. New handles are searched forward from
// the last one given out, so a deleted item's handle is not reused at once
// and a stale handle held by a client rarely hits a new item.
//
// Column widths are either fixed or weights. Weighted columns keep an ideal
// width that absorbs every change of the client width exactly (no pixel is
// lost to rounding); what is shown is that width, but at least the column's
// minimum, so shrinking and growing again restores the proportions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/tree_list.h"

using TreeHandle = uint32_t;
using TreeColor = uint32_t;  // COLORREF: 0x00BBGGRR

constexpr TreeHandle kTreeRoot = 0xFFFF0000;   // TVI_ROOT
constexpr TreeHandle kTreeFirst = 0xFFFF0001;  // TVI_FIRST
constexpr TreeHandle kTreeLast = 0xFFFF0002;   // TVI_LAST
constexpr TreeHandle kTreeSort = 0xFFFF0003;   // TVI_SORT
constexpr int kTreeMaxColumns = 32;
constexpr uint32_t kTreeMaxUserData = 0x1000000;
constexpr TreeColor kNoColor = 0xFFFFFFFF;

// Standard tree-view numbers the model needs (same values as the Windows headers).
namespace tv {
constexpr uint32_t kText = 0x0001, kImage = 0x0002, kParam = 0x0004, kState = 0x0008,
                   kHandle = 0x0010, kSelectedImage = 0x0020, kChildren = 0x0040;
constexpr uint32_t kSelected = 0x0002, kBold = 0x0010, kExpanded = 0x0020,
                   kExpandedOnce = 0x0040, kExpandPartial = 0x0080;
constexpr uint32_t kStyleCheckBoxes = 0x0100, kStyleSingleExpand = 0x0400;
enum Relation { kRoot = 0, kNext, kPrevious, kParent, kChild, kFirstVisible, kNextVisible,
                kPreviousVisible, kDropHilite, kCaret, kLastVisible, kNextSelected };
enum Expand { kCollapse = 1, kExpand = 2, kToggle = 3 };
}  // namespace tv

// Callback flags of an item.
constexpr uint8_t kAskText = 0x01, kAskImage = 0x02, kAskSelectedImage = 0x20,
                  kAskChildren = 0x40;
// Children flags of an item.
constexpr uint8_t kChildrenUnknown = 0x01, kHasChildren = 0x02;

// The text pointer that marks a text held by the parent (LPSTR_TEXTCALLBACKA).
inline char* TextCallbackMarker() { return reinterpret_cast<char*>(static_cast<intptr_t>(-1)); }

// Same fields, same order as TVITEMA; the window copies between the two.
struct TreeItemData {
  uint32_t mask = 0;
  TreeHandle item = 0;
  uint32_t state = 0;
  uint32_t stateMask = 0;
  char* text = nullptr;
  int textMax = 0;
  int image = 0;
  int selectedImage = 0;
  int children = 0;  // the column when mask has TVIF_CELL
  intptr_t param = 0;
};

// The colour slots (TVM_SETBKCOLOR's wParam) and what each one paints. Slots
// the client has not set follow the system colours.
enum TreeColorSlot : int {
  kSlotBackground = 0,
  kSlotOddRows = 1,       // every other row, with TLS_EX_ALTROWS
  kSlotEvenRows = 2,      // the other rows
  kSlotGrid = 3,
  kSlotText = 4,          // TVM_SETTEXTCOLOR
  kSlotLines = 5,         // TVM_SETLINECOLOR: tree lines, the plain button's sign
  kSlotButtonFrame = 6,   // the plain expand button's frame
  kSlotInvertedText = 7,
  kSlotMarkedOdd = 8,     // selected rows on kSlotOddRows, with TLS_EX_ROWMARK
  kSlotMarkedEven = 9,    // selected rows on kSlotEvenRows
  kSlotInsertMark = 10,   // TVM_SETINSERTMARKCOLOR
  kSlotWindow = 11,
  kSlotWindowDark = 12,
  kSlotOddRowsDark = 13,
  kSlotEvenRowsDark = 14,
  kSlotScrollMix = 15,
};

struct TreeColors {
  TreeColor text = 0, background = 0;
  bool hasText = false, hasBackground = false;
};

struct TreeItem {
  intptr_t param = 0;
  std::string text;
  uint32_t state = 0;
  int image = 0;
  int selectedImage = 0;
  uint32_t row = 0;  // 1-based; 0 while hidden under a collapsed ancestor
  TreeHandle firstChild = 0, lastChild = 0;
  TreeHandle previous = 0, next = 0;
  TreeHandle parent = 0;
  uint32_t level = 0;
  uint8_t callbacks = 0;
  uint8_t childrenFlags = 0;
  bool deleting = false;  // its delete notification has been sent
  TreeColors colors;
  std::vector<unsigned char> userData;
};

struct TreeCell {
  std::string text;
  uint32_t state = 0;
  int image = -2;  // -2: no image
  TreeColors colors;
};

struct TreeColumn {
  const void* choices = nullptr;  // not owned; must outlive the column
  int imageBase = -1;
  int left = 0, right = 0;        // pixel edges
  int width = 0;                  // shown width
  int idealWidth = 0;             // weighted columns: exact share before the minimum
  int fixedWidth = 0;
  int minWidth = TLC_DEFAULT_MINWIDTH;
  bool isWeight = false;
  int weight = 1;
  unsigned editMode = 0;
  unsigned editFlags = 0;
  unsigned choiceCount = 0;
  char separator = 0;
  int align = 0;  // 0 left, 1 centred, 2 right
  bool noResize = false;
  bool marked = false;
};

// What TLM_INSERTCOLUMN reads from the column structure.
struct TreeColumnInfo {
  uint32_t mask = 0;
  int format = 0;
  int width = 0;
  int minWidth = 0;
};

class CTreeListModel {
 public:
  // Asked during sorted inserts: <0, 0 or >0 comparing the sibling with the new item.
  using SiblingCompare = std::function<int(TreeHandle sibling)>;
  // Told about each item just before its record is freed.
  using DeleteNotify = std::function<void(TreeHandle)>;

  CTreeListModel();

  // ---- Items ----
  bool Exists(TreeHandle handle) const;
  TreeItem* Item(TreeHandle handle);
  const TreeItem* Item(TreeHandle handle) const;
  size_t Count() const { return count_; }
  size_t Capacity() const { return items_.size(); }

  // 0 when refused. windowStyle supplies TVS_CHECKBOXES and TVS_SINGLEEXPAND.
  // compare is used by the sorted forms; without it texts are compared
  // case-insensitively.
  TreeHandle InsertItem(const TreeItemData& data, TreeHandle parent, TreeHandle after,
                        uint32_t windowStyle, const SiblingCompare& compare = nullptr);
  // kTreeRoot deletes everything. notify may call back into the model.
  bool DeleteItem(TreeHandle handle, const DeleteNotify& notify = nullptr);
  bool InSortedInsert() const { return sortedInsertBusy_; }

  // TVM_GETITEMA / TVM_SETITEMA with every mask bit, cells included.
  bool GetItem(TreeItemData& data);
  bool SetItem(const TreeItemData& data);
  // The cell of column >= 1, made on first use; nullptr for a bad item or column.
  TreeCell* Cell(TreeHandle handle, int column);
  const TreeCell* FindCell(TreeHandle handle, int column) const;
  // Own text of an item (column 0) or cell; nullptr for a bad address.
  const std::string* CellText(TreeHandle handle, int column);
  bool SetCellText(TreeHandle handle, int column, const std::string& text);
  // Own colours of a cell (column 0: the item's first cell).
  TreeColors* CellColors(TreeHandle handle, int column);

  TreeHandle GetNextItem(int relation, TreeHandle handle) const;

  // Reorders the children of parent (kTreeRoot: top level) by compare(a, b) < 0,
  // keeping equal ones in order; with recurse, all levels below as well. False
  // when the comparison changed the tree underneath.
  using ItemCompare = std::function<int(TreeHandle a, TreeHandle b)>;
  bool SortChildren(TreeHandle parent, bool recurse, const ItemCompare& compare);

  // ---- Expanding ----
  // True when the state changed; the caller sends the notifications around it.
  bool Expand(TreeHandle handle, int code);
  bool WouldExpand(TreeHandle handle, int code) const;
  bool HasChildren(TreeHandle handle) const;

  // ---- Rows ----
  size_t RowCount() const { return rows_.size(); }
  TreeHandle ItemOfRow(size_t row) const { return row < rows_.size() ? rows_[row] : 0; }
  int RowOfItem(TreeHandle handle) const;  // 0-based, -1 hidden or missing

  // ---- Selection ----
  // The caret is an item and, with cell selection, a column. A missing item
  // makes it 0; the column is kept within the existing columns.
  TreeHandle Caret() const { return caret_; }
  int CaretColumn() const { return caretColumn_; }
  void SetCaret(TreeHandle item, int column);
  size_t SelectedCount() const;
  void SetSelected(TreeHandle handle, bool selected);
  void ClearSelection(TreeHandle except = 0);

  // ---- User data ----
  bool SetUserDataSize(uint32_t size);
  uint32_t UserDataSize() const { return userDataSize_; }
  void* UserData(TreeHandle handle);

  // ---- Columns ----
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  TreeColumn* Column(int column);
  int ClampColumnPosition(int position) const;
  // -1 when 32 exist; otherwise the new index, laid out for the client width.
  int InsertColumn(int position, const TreeColumnInfo& info);
  bool DeleteColumn(int column);
  // TLM_SETCOLUMNEDIT: 0 refused, 1 stored. repaint tells whether the column looks different.
  int SetColumnEdit(uint32_t packed, const void* choices, bool* repaint = nullptr);
  bool SetColumnImageBase(int column, int base);
  // The header reported a new width for a column (a user's drag or TLM_SETCOLUMNWIDTH).
  void SetColumnWidth(int column, int width);
  // WM_SIZE: spreads the change over the weighted columns.
  void SetClientWidth(int width);
  int ClientWidth() const { return clientWidth_; }
  int WeightTotal() const;
  // Recomputes every column's left and right edge from the shown widths.
  void ComputeEdges();

  // ---- Sizes ----
  int Indent() const { return indent_; }
  // TVM_SETINDENT: 5..64; returns the old one.
  int SetIndent(int value);
  // TVM_SETITEMHEIGHT: -1 back to computed; returns the old height.
  int SetItemHeight(int value);
  void SetComputedItemHeight(int value);
  int ItemHeight() const { return fixedHeight_ > 0 ? fixedHeight_ : computedHeight_; }

  // ---- Extended style ----
  uint32_t ExtendedStyle() const { return extendedStyle_; }
  // TVM_SETEXTENDEDSTYLE: mask 0 means all bits; returns the old word.
  uint32_t SetExtendedStyle(uint32_t mask, uint32_t styles);

  // ---- Colour slots (TreeColorSlot) ----
  static constexpr int kColorSlots = 16;
  TreeColor colors[kColorSlots] = {};
  bool colorSet[kColorSlots] = {};

  // Scroll position shared with the relations that ask for visible items.
  size_t firstVisibleRow = 0;
  size_t visibleRows = 0;

 private:
  TreeHandle AllocateHandle();
  bool GrowTables();
  TreeHandle FindInsertPoint(TreeHandle parent, TreeHandle after, const TreeItemData& data,
                             const SiblingCompare& compare, bool* first);
  TreeHandle SortedInsertPoint(TreeHandle parent, const TreeItemData& data,
                               const SiblingCompare& compare, bool* first);
  void Link(TreeHandle handle, TreeHandle parent, TreeHandle previous, bool first);
  void Unlink(TreeHandle handle);
  void FreeItem(TreeHandle handle);
  bool IsVisibleBranch(TreeHandle parent) const;
  void RebuildRows();
  void AppendRows(TreeHandle first);
  bool GetCell(TreeItemData& data, TreeItem& item, int column);
  bool SetCell(const TreeItemData& data, TreeItem& item, int column);
  void DeliverText(TreeItemData& data, const std::string& text) const;
  void SpreadWidthChange(int delta, int referenceWidth);
  void ApplyShownWidths();

  std::vector<std::unique_ptr<TreeItem>> items_;  // slot 0 unused
  std::vector<std::vector<std::unique_ptr<TreeCell>>> cells_;  // per column >= 1
  std::vector<TreeHandle> rows_;
  std::vector<TreeColumn> columns_;
  TreeHandle caret_ = 0;
  int caretColumn_ = 0;
  int indent_ = 19;
  uint32_t extendedStyle_ = 0;
  TreeHandle firstRoot_ = 0, lastRoot_ = 0;
  TreeHandle lastHandle_ = 0;
  size_t count_ = 0;
  uint32_t userDataSize_ = 0;
  bool sortedInsertBusy_ = false;
  int clientWidth_ = 0;
  int fixedHeight_ = 0;
  int computedHeight_ = 16;
};

// Case-insensitive comparison of code page 1252 texts, as TVI_SORT uses it.
int CompareTextNoCase(const std::string& a, const std::string& b);

// ---- Behaviour shared by painting and input (tree_list_behaviour.cpp) ----

// The system colours the default colour slots are made from.
struct TreeSystemColors {
  TreeColor window = 0xFFFFFF, windowText = 0, infoBackground = 0xE1FFFF,
            buttonFace = 0xF0F0F0, buttonShadow = 0xA0A0A0, highlight = 0xD77800,
            scrollBar = 0xC8C8C8;
};
// Recomputes every slot the client has not set.
void ComputeDefaultColors(CTreeListModel& model, const TreeSystemColors& system);
TreeColor DarkenColor(TreeColor color);

struct TreeRowMetrics {
  int textHeight = 0;
  int stateImageHeight = 0;  // 0: no state images
  int imageHeight = 0;       // 0: no normal images
  int otherImageHeight = 0;  // tallest further image list, 0: none
  bool gridLines = false;
  bool evenHeights = false;  // window style bit 0x4000
};
int ComputeRowHeight(const TreeRowMetrics& metrics);

// The choices of a column's choice list (an array of strings with edit flag
// 0x08, else one string cut at the separator), at most the choice count
// (1024 when 0), each cut to 1023 characters.
std::vector<std::string> ColumnChoices(const TreeColumn& column);

// Typing ahead over a column's texts. Times in milliseconds.
class CIncrementalSearch {
 public:
  // Adds a typed character; returns the text to look for and whether the
  // search should start one row below the caret (a repeated single character).
  const std::string& Type(char c, uint32_t now, bool* skipCaretRow);
  // The string typed within the last 750 ms ("" otherwise).
  std::string Recent(uint32_t now) const;
 private:
  std::string text_;
  uint32_t last_ = 0;
};
// The first row from start (wrapping) whose text in column begins with prefix,
// compared as upper case; -1 when none.
int FindRowByPrefix(CTreeListModel& model, int column, size_t start, const std::string& prefix);
