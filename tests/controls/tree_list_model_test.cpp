// The tree-list's data and layout rules as a client sees them through the
// messages: handles, insert positions, rows, cells, columns and sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/tree_list_model.h"

namespace {

TreeHandle Add(CTreeListModel& model, const char* text, TreeHandle parent = kTreeRoot,
               TreeHandle after = kTreeLast, uint32_t style = 0) {
  TreeItemData data;
  data.mask = tv::kText;
  data.text = const_cast<char*>(text);
  return model.InsertItem(data, parent, after, style);
}

std::vector<std::string> Children(CTreeListModel& model, TreeHandle parent) {
  std::vector<std::string> texts;
  for (TreeHandle h = model.GetNextItem(tv::kChild, parent); h; h = model.GetNextItem(tv::kNext, h))
    texts.push_back(model.Item(h)->text);
  return texts;
}

std::vector<std::string> Rows(CTreeListModel& model) {
  std::vector<std::string> texts;
  for (size_t row = 0; row < model.RowCount(); ++row) texts.push_back(model.Item(model.ItemOfRow(row))->text);
  return texts;
}

TreeColumnInfo Weighted(int weight) {
  TreeColumnInfo info;
  info.mask = TLCF_WEIGHT;
  info.width = weight;
  return info;
}

TreeColumnInfo Fixed(int width) {
  TreeColumnInfo info;
  info.mask = TLCF_WIDTH;
  info.width = width;
  return info;
}

// The locations list: weights 35, 20, 20, 20.
void AddLocationColumns(CTreeListModel& model, int clientWidth) {
  model.SetClientWidth(clientWidth);
  for (int weight : {35, 20, 20, 20}) model.InsertColumn(model.ColumnCount(), Weighted(weight));
}

std::vector<int> Widths(CTreeListModel& model) {
  std::vector<int> widths;
  for (int c = 0; c < model.ColumnCount(); ++c) widths.push_back(model.Column(c)->width);
  return widths;
}

TEST(TreeListItems, EmptyTreeHasNoFirstChildAndNoItems) {
  CTreeListModel model;
  EXPECT_EQ(0u, model.GetNextItem(tv::kChild, kTreeRoot));
  EXPECT_EQ(0u, model.Count());
  EXPECT_EQ(0u, model.RowCount());
  EXPECT_FALSE(model.DeleteItem(1));
}

TEST(TreeListItems, HandlesKeepIncreasingThenWrapToFreedSlots) {
  CTreeListModel model;
  std::vector<TreeHandle> handles;
  for (int i = 0; i < 63; ++i) handles.push_back(Add(model, "x"));
  EXPECT_EQ(1u, handles.front());
  EXPECT_EQ(63u, handles.back());  // a first table of 64 slots, slot 0 unused
  EXPECT_EQ(64u, model.Capacity());
  model.DeleteItem(5);
  model.DeleteItem(7);
  EXPECT_EQ(5u, Add(model, "y"));  // wrapped to the first free slot
  EXPECT_EQ(7u, Add(model, "y"));
  EXPECT_EQ(64u, Add(model, "z"));  // full: the table grows by half plus 64
  EXPECT_EQ(64u + 32u + 64u, model.Capacity());
  model.DeleteItem(64);
  EXPECT_EQ(65u, Add(model, "z"));  // not reused at once
}

TEST(TreeListItems, InsertAfterFormsPlaceItemsAsAsked) {
  CTreeListModel model;
  TreeHandle b = Add(model, "b");
  Add(model, "d");
  Add(model, "a", kTreeRoot, kTreeFirst);
  Add(model, "c", kTreeRoot, b);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), Children(model, kTreeRoot));

  TreeHandle parent = Add(model, "p");
  Add(model, "x", parent);
  Add(model, "z", parent);
  Add(model, "y", parent, TLI_ROWBASE + 1);     // after the first child
  Add(model, "w", parent, TLI_ROWBASE + 0);     // first
  Add(model, "end", parent, TLI_ROWBASE + 99);  // past the end: last
  Add(model, "last", parent, b);                // b is no child of p: last
  EXPECT_EQ((std::vector<std::string>{"w", "x", "y", "z", "end", "last"}), Children(model, parent));

  Add(model, "after-p", parent, TLI_AFTERPARENT);
  Add(model, "before-p", parent, TLI_BEFOREPARENT);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "before-p", "p", "after-p"}),
            Children(model, kTreeRoot));
}

TEST(TreeListItems, SortedInsertComparesWithoutCaseAndGoesBeforeEqualTexts) {
  CTreeListModel model;
  for (const char* text : {"delta", "Alpha", "charlie", "\xC4rger", "Bravo"})
    Add(model, text, kTreeRoot, kTreeSort);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta", "\xC4rger"}),
            Children(model, kTreeRoot));
  TreeHandle equal = Add(model, "BRAVO", kTreeRoot, kTreeSort);
  EXPECT_EQ(equal, model.GetNextItem(tv::kNext, model.GetNextItem(tv::kChild, kTreeRoot)));
}

TEST(TreeListItems, SortedInsertWithClientComparisonRefusesNestedInserts) {
  CTreeListModel model;
  for (const char* text : {"1", "3", "5"}) Add(model, text);
  TreeHandle nested = 1;
  TreeItemData data;
  data.mask = tv::kText;
  data.text = const_cast<char*>("4");
  TreeHandle added = model.InsertItem(data, kTreeRoot, TLI_SORTEX, 0, [&](TreeHandle sibling) {
    nested = Add(model, "nested");
    return std::strcmp(model.Item(sibling)->text.c_str(), "4");
  });
  EXPECT_NE(0u, added);
  EXPECT_EQ(0u, nested);
  EXPECT_EQ((std::vector<std::string>{"1", "3", "4", "5"}), Children(model, kTreeRoot));
}

TEST(TreeListItems, InsertUnderMissingParentFails) {
  CTreeListModel model;
  EXPECT_EQ(0u, Add(model, "x", 42));
  EXPECT_EQ(0u, model.Count());
}

TEST(TreeListItems, NewItemStateFollowsWindowStyle) {
  CTreeListModel model;
  TreeHandle plain = Add(model, "p");
  TreeHandle checked = Add(model, "c", kTreeRoot, kTreeLast, tv::kStyleCheckBoxes);
  TreeItemData data;
  data.mask = tv::kState;
  data.state = data.stateMask = tv::kExpanded | tv::kBold;
  TreeHandle single = model.InsertItem(data, kTreeRoot, kTreeLast, tv::kStyleSingleExpand);
  EXPECT_EQ(tv::kExpandedOnce, model.Item(plain)->state);
  EXPECT_EQ(tv::kExpandedOnce | TLIS_UNCHECKED, model.Item(checked)->state);
  EXPECT_EQ(tv::kExpandedOnce | tv::kBold, model.Item(single)->state);
}

TEST(TreeListItems, DeletingRemovesTheSubtreeAndNotifiesEachItem) {
  CTreeListModel model;
  TreeHandle a = Add(model, "a");
  TreeHandle a1 = Add(model, "a1", a);
  Add(model, "a11", a1);
  TreeHandle b = Add(model, "b");
  std::vector<TreeHandle> told;
  EXPECT_TRUE(model.DeleteItem(a, [&](TreeHandle h) {
    EXPECT_TRUE(model.Exists(h));  // still readable while the parent is told
    told.push_back(h);
  }));
  EXPECT_EQ(3u, told.size());
  EXPECT_EQ(a, told.back());
  EXPECT_EQ(1u, model.Count());
  EXPECT_EQ(b, model.GetNextItem(tv::kChild, kTreeRoot));
  EXPECT_EQ(0, model.RowOfItem(b));
}

TEST(TreeListItems, ANotificationThatDeletesOtherItemsIsSafe) {
  CTreeListModel model;
  TreeHandle a = Add(model, "a");
  Add(model, "a1", a);
  TreeHandle b = Add(model, "b");
  model.DeleteItem(kTreeRoot, [&](TreeHandle h) {
    if (h == b) model.DeleteItem(a);
  });
  EXPECT_EQ(0u, model.Count());
  EXPECT_EQ(0u, model.RowCount());
}

TEST(TreeListItems, ExpandingAndCollapsingUpdatesTheRowTable) {
  CTreeListModel model;
  TreeHandle a = Add(model, "a");
  TreeHandle a1 = Add(model, "a1", a);
  Add(model, "a11", a1);
  Add(model, "b");
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), Rows(model));
  EXPECT_EQ(-1, model.RowOfItem(a1));
  EXPECT_TRUE(model.Expand(a, tv::kExpand));
  EXPECT_FALSE(model.Expand(a, tv::kExpand));
  model.Expand(a1, tv::kToggle);
  EXPECT_EQ((std::vector<std::string>{"a", "a1", "a11", "b"}), Rows(model));
  Add(model, "a2", a);
  EXPECT_EQ((std::vector<std::string>{"a", "a1", "a11", "a2", "b"}), Rows(model));
  model.Expand(a, tv::kCollapse);
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), Rows(model));
  EXPECT_EQ(1, model.RowOfItem(model.ItemOfRow(1)));
  model.Expand(a, tv::kExpand);  // a1 stayed expanded underneath
  EXPECT_EQ(5u, model.RowCount());
  EXPECT_EQ(2u, model.Item(model.ItemOfRow(2))->level);
}

TEST(TreeListItems, ChildrenFlagsFromInsertAndRead) {
  CTreeListModel model;
  TreeItemData data;
  data.mask = tv::kChildren;
  data.children = -1;
  TreeHandle asks = model.InsertItem(data, kTreeRoot, kTreeLast, 0);
  TreeHandle unknown = Add(model, "u");
  Add(model, "child", unknown);
  TreeItemData read;
  read.mask = tv::kChildren;
  read.item = asks;
  ASSERT_TRUE(model.GetItem(read));
  EXPECT_EQ(-1, read.children);
  read.item = unknown;
  model.GetItem(read);
  EXPECT_EQ(1, read.children);
  EXPECT_TRUE(model.Item(unknown)->childrenFlags & kHasChildren);
}

// ---- Reading and writing ----

class TreeListCells : public ::testing::Test {
 protected:
  void SetUp() override {
    AddLocationColumns(model, 400);
    item = Add(model, "Alm");
  }
  CTreeListModel model;
  TreeHandle item = 0;
};

TEST_F(TreeListCells, ANeverWrittenCellReadsEmptyAndIsCreated) {
  TreeItemData data;
  data.mask = tv::kText | TVIF_CELL | TVIF_TEXTPTR;
  data.item = item;
  data.children = 2;
  EXPECT_EQ(nullptr, model.FindCell(item, 2));
  ASSERT_TRUE(model.GetItem(data));
  EXPECT_STREQ("", data.text);
  EXPECT_EQ(1, data.textMax);
  EXPECT_NE(nullptr, model.FindCell(item, 2));
  EXPECT_EQ(-2, model.FindCell(item, 2)->image);
}

TEST_F(TreeListCells, TextPointerFormHandsOutTheOwnText) {
  model.SetCellText(item, 1, "+11.500000");
  TreeItemData data;
  data.mask = tv::kText | TVIF_CELL | TVIF_TEXTPTR;
  data.item = item;
  data.children = 1;
  ASSERT_TRUE(model.GetItem(data));
  EXPECT_EQ(model.CellText(item, 1)->c_str(), data.text);
  EXPECT_EQ(11, data.textMax);
}

TEST_F(TreeListCells, CopyingFormTruncatesAndTerminates) {
  model.SetCellText(item, 3, "100.00");
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  TreeItemData data;
  data.mask = tv::kText | TVIF_CELL;
  data.item = item;
  data.children = 3;
  data.text = buffer;
  data.textMax = 4;
  ASSERT_TRUE(model.GetItem(data));
  EXPECT_STREQ("100", buffer);
  data.textMax = 1;
  model.GetItem(data);
  EXPECT_STREQ("", buffer);
  std::memset(buffer, 'x', sizeof buffer);
  data.textMax = 0;
  model.GetItem(data);
  EXPECT_EQ('x', buffer[0]);  // capacity 0: nothing written
}

TEST_F(TreeListCells, ColumnZeroAndMissingColumnsAddressTheItemOrFail) {
  TreeItemData data;
  data.mask = tv::kText | TVIF_CELL | TVIF_TEXTPTR;
  data.item = item;
  data.children = 0;
  ASSERT_TRUE(model.GetItem(data));
  EXPECT_STREQ("Alm", data.text);
  data.children = 4;
  EXPECT_FALSE(model.GetItem(data));
  EXPECT_FALSE(model.SetCellText(item, 4, "x"));
  data.children = 1;
  data.item = 999;
  EXPECT_FALSE(model.GetItem(data));
}

TEST_F(TreeListCells, CellStateParamAndImage) {
  TreeItemData set;
  set.mask = tv::kState | tv::kImage | tv::kParam | TVIF_CELL;
  set.item = item;
  set.children = 1;
  set.state = TLIS_READONLY | tv::kSelected | tv::kBold;
  set.stateMask = 0xFFFF;
  set.image = 7;
  set.param = 1234;
  ASSERT_TRUE(model.SetItem(set));
  TreeItemData get;
  get.mask = tv::kState | tv::kImage | tv::kParam | TVIF_CELL;
  get.item = item;
  get.children = 1;
  get.stateMask = 0xFFFFFFFF;
  ASSERT_TRUE(model.GetItem(get));
  EXPECT_EQ(TLIS_READONLY | tv::kBold, get.state);  // selection bits are the item's business
  EXPECT_EQ(7, get.image);
  EXPECT_EQ(1234, get.param);
  EXPECT_EQ(1234, model.Item(item)->param);
}

TEST_F(TreeListCells, ItemTextImagesAndCallbacks) {
  TreeItemData set;
  set.mask = tv::kText | tv::kImage | tv::kSelectedImage;
  set.item = item;
  set.text = TextCallbackMarker();
  set.image = -1;
  set.selectedImage = 3;
  ASSERT_TRUE(model.SetItem(set));
  char buffer[16] = "unchanged";
  TreeItemData get;
  get.mask = tv::kText | tv::kImage | tv::kSelectedImage;
  get.item = item;
  get.text = buffer;
  get.textMax = sizeof buffer;
  ASSERT_TRUE(model.GetItem(get));
  EXPECT_EQ(TextCallbackMarker(), get.text);
  EXPECT_EQ(-1, get.image);
  EXPECT_EQ(3, get.selectedImage);
  EXPECT_STREQ("unchanged", buffer);
}

TEST_F(TreeListCells, StateChangeThroughSetItemExpandsRows) {
  Add(model, "child", item);
  TreeItemData set;
  set.mask = tv::kState;
  set.item = item;
  set.state = tv::kExpanded;
  set.stateMask = tv::kExpanded;
  model.SetItem(set);
  EXPECT_EQ(2u, model.RowCount());
}

TEST_F(TreeListCells, UserDataOnlyWhileEmpty) {
  EXPECT_FALSE(model.SetUserDataSize(8));
  EXPECT_EQ(nullptr, model.UserData(item));
  CTreeListModel empty;
  EXPECT_FALSE(empty.SetUserDataSize(kTreeMaxUserData + 1));
  EXPECT_TRUE(empty.SetUserDataSize(8));
  TreeHandle h = Add(empty, "x");
  unsigned char* block = static_cast<unsigned char*>(empty.UserData(h));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(0, block[0] | block[7]);
}

TEST_F(TreeListCells, DeletedItemTakesItsCellsAlong) {
  model.SetCellText(item, 1, "x");
  model.DeleteItem(item);
  TreeHandle again = Add(model, "new");
  EXPECT_NE(item, again);
  EXPECT_EQ(nullptr, model.FindCell(again, 1));
}

// ---- Columns ----

TEST(TreeListColumns, GrowingByAWholeWeightTotalWidensEachColumnByItsWeight) {
  CTreeListModel model;
  AddLocationColumns(model, 501);
  std::vector<int> before = Widths(model);
  EXPECT_EQ(501, before[0] + before[1] + before[2] + before[3]);
  model.SetClientWidth(501 + 95);
  std::vector<int> after = Widths(model);
  EXPECT_EQ(35, after[0] - before[0]);
  EXPECT_EQ(20, after[1] - before[1]);
  EXPECT_EQ(20, after[2] - before[2]);
  EXPECT_EQ(20, after[3] - before[3]);
}

TEST(TreeListColumns, GrowingByOnePixelChangesExactlyOneColumnWhichDependsOnTheWidth) {
  std::vector<int> changed;
  for (int width : {400, 430, 460, 480}) {
    CTreeListModel model;
    AddLocationColumns(model, width);
    std::vector<int> before = Widths(model);
    model.SetClientWidth(width + 1);
    std::vector<int> after = Widths(model);
    int columnsChanged = 0, which = -1;
    for (size_t c = 0; c < before.size(); ++c) {
      if (after[c] != before[c]) {
        ++columnsChanged;
        which = static_cast<int>(c);
        EXPECT_EQ(1, after[c] - before[c]);
      }
    }
    EXPECT_EQ(1, columnsChanged) << width;
    changed.push_back(which);
  }
  EXPECT_NE(changed.front(), changed[1]);
}

TEST(TreeListColumns, WeightsShareTheWidthAndAddUpExactly) {
  CTreeListModel model;
  AddLocationColumns(model, 950);
  EXPECT_EQ((std::vector<int>{350, 200, 200, 200}), Widths(model));
  for (int width = 950; width > 900; width -= 7) {
    model.SetClientWidth(width);
    std::vector<int> w = Widths(model);
    EXPECT_EQ(width, w[0] + w[1] + w[2] + w[3]);
  }
}

TEST(TreeListColumns, MinimumWidthHoldsWhileIdealWidthKeepsItsShare) {
  CTreeListModel model;
  AddLocationColumns(model, 950);
  model.SetClientWidth(40);
  for (int width : Widths(model)) EXPECT_EQ(16, width);
  model.SetClientWidth(950);
  EXPECT_EQ((std::vector<int>{350, 200, 200, 200}), Widths(model));
}

TEST(TreeListColumns, FixedColumnsAreLeftOutOfTheShare) {
  CTreeListModel model;
  model.SetClientWidth(300);
  model.InsertColumn(0, Weighted(1));
  model.InsertColumn(1, Fixed(100));
  EXPECT_EQ((std::vector<int>{200, 100}), Widths(model));
  model.SetClientWidth(350);
  EXPECT_EQ((std::vector<int>{250, 100}), Widths(model));
  EXPECT_TRUE(model.DeleteColumn(1));
  EXPECT_EQ((std::vector<int>{350}), Widths(model));
}

TEST(TreeListColumns, EdgesFollowShownWidthsAndCloseAtTheClientEdge) {
  CTreeListModel model;
  AddLocationColumns(model, 950);
  EXPECT_EQ(0, model.Column(0)->left);
  EXPECT_EQ(349, model.Column(0)->right);
  EXPECT_EQ(349, model.Column(1)->left);
  EXPECT_EQ(549, model.Column(1)->right);
  EXPECT_EQ(950, model.Column(3)->right);  // 949 moved one further
}

TEST(TreeListColumns, ThirtyThirdColumnIsRefusedAndPositionsAreClamped) {
  CTreeListModel model;
  model.SetClientWidth(1000);
  for (int i = 0; i < 3; ++i) model.InsertColumn(i, Fixed(10));
  EXPECT_EQ(3, model.InsertColumn(10, Fixed(10)));
  while (model.ColumnCount() < 32) model.InsertColumn(model.ColumnCount(), Fixed(10));
  EXPECT_EQ(-1, model.InsertColumn(5, Fixed(10)));
  EXPECT_EQ(32, model.ColumnCount());
}

TEST(TreeListColumns, InsertingAColumnMovesCellsAndTheCaretColumn) {
  CTreeListModel model;
  AddLocationColumns(model, 400);
  TreeHandle h = Add(model, "x");
  model.SetCellText(h, 2, "two");
  model.SetCaret(h, 2);
  EXPECT_EQ(1, model.InsertColumn(1, Weighted(10)));
  EXPECT_EQ("two", *model.CellText(h, 3));
  EXPECT_EQ("", *model.CellText(h, 1));
  EXPECT_EQ(3, model.CaretColumn());
  EXPECT_TRUE(model.DeleteColumn(1));
  EXPECT_EQ("two", *model.CellText(h, 2));
  EXPECT_EQ(2, model.CaretColumn());
  EXPECT_FALSE(model.DeleteColumn(0));  // the tree column goes last
}

TEST(TreeListColumns, ColumnStructureFieldsAreRead) {
  CTreeListModel model;
  model.SetClientWidth(400);
  TreeColumnInfo info;
  info.mask = TLCF_FMT | TLCF_WEIGHT | TLCF_MINWIDTH | TLCF_FIXED;
  info.format = 1 | TLCFMT_FIXED;
  info.width = 999;
  info.minWidth = -40;
  model.InsertColumn(0, info);
  const TreeColumn* column = model.Column(0);
  EXPECT_EQ(2, column->align);  // right
  EXPECT_EQ(255, column->weight);
  EXPECT_EQ(40, column->minWidth);
  EXPECT_TRUE(column->noResize);
  EXPECT_FALSE(column->marked);
}

TEST(TreeListColumns, EditSettingsAreUnpackedAndCheckedModesRefusedOnTheTreeColumn) {
  CTreeListModel model;
  AddLocationColumns(model, 400);
  EXPECT_EQ(1, model.SetColumnEdit(0x0902, nullptr));
  EXPECT_EQ(1u, model.Column(1)->editMode);
  EXPECT_EQ(TLE_DBLCLICK, model.Column(1)->editFlags);
  EXPECT_EQ(0, model.SetColumnEdit(TlEditSettings(0, 6, 0), nullptr));
  EXPECT_EQ(0, model.SetColumnEdit(TlEditSettings(4, 1, 0), nullptr));
  bool repaint = false;
  EXPECT_EQ(1, model.SetColumnEdit(TlEditSettings(2, 6, 0x20, ';', 3), "a;b;c", &repaint));
  EXPECT_TRUE(repaint);
  EXPECT_EQ(';', model.Column(2)->separator);
  EXPECT_EQ(3u, model.Column(2)->choiceCount);
  EXPECT_TRUE(model.SetColumnImageBase(2, 4));
  EXPECT_EQ(1, model.SetColumnEdit(TlEditSettings(2, 0, 0x20, ';', 3), "kept", &repaint));
  EXPECT_EQ(0u, model.Column(2)->editFlags);
  EXPECT_EQ(0u, model.Column(2)->choiceCount);
  EXPECT_EQ(-1, model.Column(2)->imageBase);
  EXPECT_STREQ("kept", static_cast<const char*>(model.Column(2)->choices));
  EXPECT_FALSE(model.SetColumnImageBase(2, 4));  // no edit mode
}

// ---- Sizes, styles, colours ----

TEST(TreeListSizes, ItemHeightIsMadeEvenAndClamped) {
  CTreeListModel model;
  model.SetComputedItemHeight(17);
  EXPECT_EQ(17, model.SetItemHeight(7));
  EXPECT_EQ(6, model.ItemHeight());
  model.SetItemHeight(0);
  EXPECT_EQ(1, model.ItemHeight());
  model.SetItemHeight(300);
  EXPECT_EQ(256, model.ItemHeight());
  model.SetItemHeight(-1);
  EXPECT_EQ(17, model.ItemHeight());
  model.SetExtendedStyle(TLS_EX_ODDHEIGHT, TLS_EX_ODDHEIGHT);
  model.SetItemHeight(7);
  EXPECT_EQ(7, model.ItemHeight());
}

TEST(TreeListSizes, IndentIsClamped) {
  CTreeListModel model;
  EXPECT_EQ(19, model.SetIndent(2));
  EXPECT_EQ(5, model.Indent());
  model.SetIndent(100);
  EXPECT_EQ(64, model.Indent());
}

TEST(TreeListSizes, RowHeightGrowsByOneWithGridLines) {
  TreeRowMetrics metrics;
  metrics.textHeight = 13;
  EXPECT_EQ(15, ComputeRowHeight(metrics));
  metrics.gridLines = true;
  EXPECT_EQ(16, ComputeRowHeight(metrics));
  metrics.evenHeights = true;
  metrics.gridLines = false;
  EXPECT_EQ(16, ComputeRowHeight(metrics));
  metrics.textHeight = 2;
  metrics.stateImageHeight = 16;
  EXPECT_EQ(18, ComputeRowHeight(metrics));
}

TEST(TreeListSizes, ExtendedStyleMaskZeroReplacesAllBits) {
  CTreeListModel model;
  model.SetExtendedStyle(0, 0x00070000);
  EXPECT_EQ(0x00070000u, model.SetExtendedStyle(TLS_EX_ALTROWS, 0));
  EXPECT_EQ(TLS_EX_GRIDLINES | TLS_EX_CELLSELECT, model.ExtendedStyle());
}

TEST(TreeListColours, DefaultsComeFromTheSystemColours) {
  CTreeListModel model;
  TreeSystemColors system;
  system.window = 0xFFFFFF;
  system.infoBackground = 0xE1FFFF;
  system.highlight = 0xFF0000;
  system.windowText = 0x000000;
  system.scrollBar = 0x808080;
  ComputeDefaultColors(model, system);
  EXPECT_EQ(0xFFFFFFu, model.colors[0]);
  EXPECT_EQ(0xE1FFFFu, model.colors[1]);
  EXPECT_EQ(0xFF0000u, model.colors[7]);
  EXPECT_EQ(0x1F1F1Fu * 7 + 0x1F0000u, model.colors[9]);
  EXPECT_EQ(0xEFEFEFu, model.colors[12]);
  EXPECT_EQ(0xBFBFBFu, model.colors[15]);
}

TEST(TreeListColours, AlternateRowColourTooCloseToTheWindowIsShiftedInBlue) {
  CTreeListModel model;
  TreeSystemColors system;
  system.window = 0xF0F0F0;
  system.infoBackground = 0xF0F3F0;
  ComputeDefaultColors(model, system);
  EXPECT_EQ(0xE8F0F0u, model.colors[1]);
  model.colors[4] = 0x123456;
  model.colorSet[4] = true;
  ComputeDefaultColors(model, system);
  EXPECT_EQ(0x123456u, model.colors[4]);  // the client's own slot stays
}

TEST(TreeListColours, DarkeningLeavesDarkChannelsAlone) {
  EXPECT_EQ(0x0F2010u, DarkenColor(0x0F3020));
}

// ---- Choice lists and typing ahead ----

TEST(TreeListChoices, SeparatedStringAndStringArray) {
  TreeColumn column;
  column.choices = "Nord|S\xFC" "d||West";
  column.separator = '|';
  EXPECT_EQ((std::vector<std::string>{"Nord", "S\xFC" "d", "", "West"}), ColumnChoices(column));
  column.choiceCount = 2;
  EXPECT_EQ(2u, ColumnChoices(column).size());
  const char* array[] = {"a", "b", nullptr};
  column.choices = array;
  column.choiceCount = 0;
  column.editFlags = TLE_STRINGARRAY;
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), ColumnChoices(column));
}

TEST(TreeListSearch, TypedTextGrowsAndRestartsAfterAPause) {
  CIncrementalSearch search;
  bool skip = false;
  EXPECT_EQ("a", search.Type('a', 1000, &skip));
  EXPECT_TRUE(skip);
  EXPECT_EQ("al", search.Type('l', 1400, &skip));
  EXPECT_FALSE(skip);
  EXPECT_EQ("al", search.Recent(2150));
  EXPECT_EQ("", search.Recent(2151));
  EXPECT_EQ("b", search.Type('b', 2200, &skip));  // paused longer than 750 ms
  EXPECT_EQ("B", search.Type('B', 2300, &skip));  // the same single character again
  EXPECT_TRUE(skip);
}

TEST(TreeListSearch, FindsTheFirstRowFromTheStartWrappingRound) {
  CTreeListModel model;
  for (const char* text : {"Alm", "Berg", "alpe", "\xE4hre"}) Add(model, text);
  EXPECT_EQ(2, FindRowByPrefix(model, 0, 1, "AL"));
  EXPECT_EQ(0, FindRowByPrefix(model, 0, 3, "al"));
  EXPECT_EQ(3, FindRowByPrefix(model, 0, 0, "\xC4"));
  EXPECT_EQ(-1, FindRowByPrefix(model, 0, 0, "x"));
}

}  // namespace

namespace {

TEST(TreeListSorting, ChildrenAreSortedStablyAndRowsFollow) {
  CTreeListModel model;
  for (const char* text : {"b", "a2", "c", "a1"}) Add(model, text);
  bool sorted = model.SortChildren(kTreeRoot, false, [&](TreeHandle a, TreeHandle b) {
    return model.Item(a)->text[0] - model.Item(b)->text[0];
  });
  EXPECT_TRUE(sorted);
  EXPECT_EQ((std::vector<std::string>{"a2", "a1", "b", "c"}), Rows(model));
}

TEST(TreeListSorting, AComparisonThatDeletesItemsStopsTheSort) {
  CTreeListModel model;
  for (const char* text : {"b", "a", "c"}) Add(model, text);
  EXPECT_FALSE(model.SortChildren(kTreeRoot, false, [&](TreeHandle, TreeHandle) {
    if (model.Exists(2)) model.DeleteItem(2);
    return 1;
  }));
  EXPECT_EQ((std::vector<std::string>{"b", "c"}), Rows(model));
}

}  // namespace

namespace {

TEST(TreeListRelations, VisibleRelationsFollowTheRowTable) {
  CTreeListModel model;
  TreeHandle a = Add(model, "a");
  TreeHandle a1 = Add(model, "a1", a);
  TreeHandle b = Add(model, "b");
  EXPECT_EQ(b, model.GetNextItem(tv::kNextVisible, a));  // a is collapsed
  model.Expand(a, tv::kExpand);
  EXPECT_EQ(a1, model.GetNextItem(tv::kNextVisible, a));
  EXPECT_EQ(a1, model.GetNextItem(tv::kPreviousVisible, b));
  EXPECT_EQ(0u, model.GetNextItem(tv::kPreviousVisible, a));
  EXPECT_EQ(b, model.GetNextItem(tv::kLastVisible, 0));
  EXPECT_EQ(a, model.GetNextItem(tv::kParent, a1));
  EXPECT_EQ(a, model.GetNextItem(tv::kPrevious, b));
  model.firstVisibleRow = 1;
  EXPECT_EQ(a1, model.GetNextItem(tv::kFirstVisible, 0));
  model.SetSelected(b, true);
  EXPECT_EQ(b, model.GetNextItem(tv::kNextSelected, 0));
  EXPECT_EQ(0u, model.GetNextItem(tv::kNextSelected, b));
  EXPECT_EQ(0u, model.GetNextItem(tv::kNext, 999));
}

TEST(TreeListRelations, InsertingAfterAnExpandedSiblingSkipsItsRows) {
  CTreeListModel model;
  TreeHandle a = Add(model, "a");
  Add(model, "a1", a);
  Add(model, "c");
  model.Expand(a, tv::kExpand);
  Add(model, "b", kTreeRoot, a);
  EXPECT_EQ((std::vector<std::string>{"a", "a1", "b", "c"}), Rows(model));
  for (size_t row = 0; row < model.RowCount(); ++row) EXPECT_EQ(static_cast<int>(row), model.RowOfItem(model.ItemOfRow(row)));
}

TEST(TreeListRelations, ColumnWithoutWidthOrWeightWeighsOne) {
  CTreeListModel model;
  model.SetClientWidth(300);
  model.InsertColumn(0, TreeColumnInfo());
  model.InsertColumn(1, Weighted(2));
  EXPECT_TRUE(model.Column(0)->isWeight);
  EXPECT_EQ(1, model.Column(0)->weight);
  EXPECT_EQ((std::vector<int>{100, 200}), Widths(model));
}

}  // namespace

namespace {

// Walks the tree as a display would and compares with the row table.
void ExpectRowsMatchTheTree(CTreeListModel& model) {
  std::vector<TreeHandle> expected;
  std::vector<TreeHandle> stack;
  for (TreeHandle h = model.GetNextItem(tv::kRoot, 0); h; h = model.GetNextItem(tv::kNext, h)) stack.push_back(h);
  std::vector<TreeHandle> order(stack.rbegin(), stack.rend());
  while (!order.empty()) {
    TreeHandle h = order.back();
    order.pop_back();
    expected.push_back(h);
    if (!(model.Item(h)->state & tv::kExpanded)) continue;
    std::vector<TreeHandle> children;
    for (TreeHandle c = model.Item(h)->firstChild; c; c = model.Item(c)->next) children.push_back(c);
    order.insert(order.end(), children.rbegin(), children.rend());
  }
  ASSERT_EQ(expected.size(), model.RowCount());
  for (size_t row = 0; row < expected.size(); ++row) {
    ASSERT_EQ(expected[row], model.ItemOfRow(row)) << row;
    ASSERT_EQ(static_cast<int>(row), model.RowOfItem(expected[row]));
  }
}

TEST(TreeListRows, RowTableStaysInStepThroughRandomEdits) {
  CTreeListModel model;
  AddLocationColumns(model, 400);
  std::vector<TreeHandle> live;
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  for (int step = 0; step < 3000; ++step) {
    uint32_t action = next(10);
    TreeHandle some = live.empty() ? 0 : live[next(static_cast<uint32_t>(live.size()))];
    if (action < 5 || live.empty()) {
      TreeHandle parent = action < 2 || !some ? kTreeRoot : some;
      TreeHandle afters[] = {kTreeFirst, kTreeLast, kTreeSort, TLI_ROWBASE + next(4)};
      TreeHandle h = Add(model, step % 2 ? "x" : "y", parent, afters[next(4)]);
      ASSERT_NE(0u, h);
      live.push_back(h);
      model.SetCellText(h, 1 + static_cast<int>(next(3)), "cell");
    } else if (action < 7) {
      model.Expand(some, tv::kToggle);
    } else {
      model.DeleteItem(some);
      std::vector<TreeHandle> still;
      for (TreeHandle h : live)
        if (model.Exists(h)) still.push_back(h);
      live.swap(still);
    }
    if (step % 50 == 0) ExpectRowsMatchTheTree(model);
  }
  ExpectRowsMatchTheTree(model);
  EXPECT_EQ(live.size(), model.Count());
}

}  // namespace
