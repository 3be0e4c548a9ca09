// Rules of the tree-list that painting and input share but that need no
// window: default colours, row height, choice lists and typing ahead.
//
// Colour mixes work on values shifted per channel and masked, so that no
// channel ever carries into its neighbour.
#include <algorithm>
#include <cstring>

#include "controls/tree_list_model.h"

namespace {

constexpr TreeColor kEighthMask = 0x1F1F1F;
constexpr TreeColor kHalfMask = 0x7F7F7F;
constexpr int kMaxChoices = 1024;
constexpr size_t kMaxChoiceLength = 1023;
constexpr size_t kMaxSearchLength = 16;

int Channel(TreeColor color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

int SquaredDistance(TreeColor a, TreeColor b) {
  int distance = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int d = Channel(a, shift) - Channel(b, shift);
    distance += d * d;
  }
  return distance;
}

TreeColor SevenEighthsWith(TreeColor base, TreeColor tint) {
  return ((base >> 3) & kEighthMask) * 7 + ((tint >> 3) & kEighthMask);
}

TreeColor HalfAndHalf(TreeColor a, TreeColor b) {
  return ((a >> 1) & kHalfMask) + ((b >> 1) & kHalfMask);
}

// Blue lowered by 8; a blue too dark for that is raised instead, so the two
// row colours still differ.
TreeColor ShiftBlue(TreeColor color) {
  int blue = Channel(color, 16);
  blue = blue >= 8 ? blue - 8 : blue + 8;
  return (color & 0x00FFFF) | static_cast<TreeColor>(blue) << 16;
}

unsigned char SearchUpper(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 224 && c <= 254) return static_cast<unsigned char>(c - 32);
  return c;
}

}  // namespace

TreeColor DarkenColor(TreeColor color) {
  TreeColor result = color & 0xFF000000;
  for (int shift = 0; shift <= 16; shift += 8) {
    int channel = Channel(color, shift);
    if (channel & 0xF0) channel -= 16;
    result |= static_cast<TreeColor>(channel) << shift;
  }
  return result;
}

void ComputeDefaultColors(CTreeListModel& model, const TreeSystemColors& system) {
  TreeColor* slot = model.colors;
  auto set = [&](int index, TreeColor value) {
    if (!model.colorSet[index]) slot[index] = value;
  };
  set(kSlotBackground, system.window);
  set(kSlotEvenRows, system.window);
  TreeColor info = system.infoBackground;
  set(kSlotOddRows, SquaredDistance(info, slot[kSlotEvenRows]) < 64 ? ShiftBlue(slot[kSlotEvenRows]) : info);
  set(kSlotGrid, system.buttonFace);
  set(kSlotText, system.windowText);
  set(kSlotLines, system.windowText);
  set(kSlotButtonFrame, system.buttonShadow);
  set(kSlotInvertedText, system.windowText ^ 0xFF0000);
  set(kSlotMarkedOdd, SevenEighthsWith(slot[kSlotOddRows], system.highlight));
  set(kSlotMarkedEven, SevenEighthsWith(slot[kSlotEvenRows], system.highlight));
  set(kSlotInsertMark, system.infoBackground);
  set(kSlotWindow, system.window);
  set(kSlotWindowDark, DarkenColor(system.window));
  set(kSlotOddRowsDark, DarkenColor(slot[kSlotOddRows]));
  set(kSlotEvenRowsDark, DarkenColor(system.window));
  set(kSlotScrollMix, HalfAndHalf(system.scrollBar, system.window));
}

int ComputeRowHeight(const TreeRowMetrics& metrics) {
  int height = 10;
  if (metrics.stateImageHeight > 0) height = std::max(height, metrics.stateImageHeight + 2);
  if (metrics.imageHeight > 0) height = std::max(height, metrics.imageHeight + 2);
  if (metrics.otherImageHeight > 0) height = std::max(height, metrics.otherImageHeight + 2);
  height = std::max(height, metrics.textHeight + 2);
  if (metrics.gridLines) ++height;
  if (metrics.evenHeights && (height & 1)) ++height;
  return std::min(height, 256);
}

std::vector<std::string> ColumnChoices(const TreeColumn& column) {
  std::vector<std::string> choices;
  if (!column.choices) return choices;
  size_t limit = column.choiceCount ? column.choiceCount : kMaxChoices;
  auto add = [&](const char* text, size_t length) {
    choices.emplace_back(text, std::min(length, kMaxChoiceLength));
  };
  if (column.editFlags & TLE_STRINGARRAY) {
    const char* const* list = static_cast<const char* const*>(column.choices);
    for (size_t i = 0; i < limit && list[i]; ++i) add(list[i], std::strlen(list[i]));
    return choices;
  }
  const char* text = static_cast<const char*>(column.choices);
  while (choices.size() < limit && *text) {
    const char* end = column.separator ? std::strchr(text, column.separator) : nullptr;
    size_t length = end ? static_cast<size_t>(end - text) : std::strlen(text);
    add(text, length);
    if (!end) break;
    text = end + 1;
  }
  return choices;
}

const std::string& CIncrementalSearch::Type(char c, uint32_t now, bool* skipCaretRow) {
  size_t length = text_.size();
  uint32_t limit = length == 0 ? 500 : length <= 2 ? 750 : 1000;
  if (now - last_ > limit) text_.clear();
  if (text_.size() == 1 && SearchUpper(static_cast<unsigned char>(text_[0])) ==
                               SearchUpper(static_cast<unsigned char>(c)))
    text_.clear();
  if (text_.size() < kMaxSearchLength) text_ += c;
  last_ = now;
  *skipCaretRow = text_.size() == 1;
  return text_;
}

std::string CIncrementalSearch::Recent(uint32_t now) const {
  return now - last_ <= 750 ? text_ : std::string();
}

int FindRowByPrefix(CTreeListModel& model, int column, size_t start, const std::string& prefix) {
  size_t rows = model.RowCount();
  if (rows == 0 || prefix.empty()) return -1;
  for (size_t i = 0; i < rows; ++i) {
    size_t row = (start + i) % rows;
    const std::string* text = model.CellText(model.ItemOfRow(row), column);
    if (!text || text->size() < prefix.size()) continue;
    bool match = true;
    for (size_t k = 0; k < prefix.size() && match; ++k)
      match = SearchUpper(static_cast<unsigned char>((*text)[k])) ==
              SearchUpper(static_cast<unsigned char>(prefix[k]));
    if (match) return static_cast<int>(row);
  }
  return -1;
}
