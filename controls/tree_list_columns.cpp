// Columns of the tree-list model and their layout arithmetic.
//
// A change of the client width by delta pixels is spread over the weighted
// columns so that their ideal widths change by exactly delta in total. Where
// the rounding remainder lands is decided by the width itself (W mod T picks
// the start column), so growing a pixel at a time visits the columns in turn
// and a round trip restores every width.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "controls/tree_list_model.h"

TreeColumn* CTreeListModel::Column(int column) {
  return column >= 0 && column < ColumnCount() ? &columns_[column] : nullptr;
}

int CTreeListModel::ClampColumnPosition(int position) const {
  // The tree column holds the items themselves, so it stays first.
  int lowest = columns_.empty() ? 0 : 1;
  return std::clamp(position, lowest, ColumnCount());
}

int CTreeListModel::WeightTotal() const {
  int total = 0;
  for (const auto& column : columns_)
    if (column.isWeight) total += column.weight;
  return total;
}

void CTreeListModel::SpreadWidthChange(int delta, int referenceWidth) {
  std::vector<TreeColumn*> weighted;
  for (auto& column : columns_)
    if (column.isWeight) weighted.push_back(&column);
  if (weighted.empty() || delta == 0) return;
  if (weighted.size() == 1) {
    weighted[0]->idealWidth += delta;
    return;
  }
  const int total = WeightTotal();
  const int rest = std::max(referenceWidth, 0) % total;
  size_t start = 0;
  int running = 0;
  for (; start < weighted.size(); ++start) {
    running += weighted[start]->weight;
    if (running > rest) break;
  }
  const int part = running - rest;
  const int q = delta / total, m = delta % total;
  weighted[start]->idealWidth += q * part + (m * part) / total;
  int carry = (m * part) % total;
  int budget = m - (m * part) / total;
  for (size_t i = (start + 1) % weighted.size(); i != start; i = (i + 1) % weighted.size()) {
    int w = weighted[i]->weight;
    int share = (carry + m * w) / total;
    weighted[i]->idealWidth += q * w + share;
    carry = (carry + m * w) % total;
    budget -= share;
  }
  if (part < weighted[start]->weight)
    weighted[start]->idealWidth += (weighted[start]->weight - part) * q + budget;
}

void CTreeListModel::ApplyShownWidths() {
  for (auto& column : columns_)
    column.width = column.isWeight ? std::max(column.idealWidth, column.minWidth) : column.fixedWidth;
  ComputeEdges();
}

void CTreeListModel::ComputeEdges() {
  int edge = 0;
  for (size_t c = 0; c < columns_.size(); ++c) {
    TreeColumn& column = columns_[c];
    column.left = edge;
    column.right = std::max(edge, edge + column.width - (c == 0 ? 1 : 0));
    edge = column.right;
  }
  if (!columns_.empty() && columns_.back().right == clientWidth_ - 1) columns_.back().right += 1;
}

void CTreeListModel::SetClientWidth(int width) {
  int delta = width - clientWidth_;
  int reference = delta > 0 ? width : clientWidth_;
  clientWidth_ = width;
  SpreadWidthChange(delta, reference);
  ApplyShownWidths();
}

namespace {

TreeColumn ColumnFromInfo(const TreeColumnInfo& info) {
  TreeColumn column;
  if (info.mask & TLCF_FMT) {
    int low = info.format & 3;
    column.align = low == 1 ? 2 : low == 2 ? 1 : 0;
  }
  column.marked = (info.mask & TLCF_MARK) && (info.format & TLCFMT_MARK);
  column.noResize = (info.mask & TLCF_FIXED) && (info.format & TLCFMT_FIXED);
  if (info.mask & TLCF_MINWIDTH) column.minWidth = std::abs(info.minWidth);
  if (info.mask & TLCF_WEIGHT) {
    column.isWeight = true;
    column.weight = std::clamp(info.width, 1, 255);
  } else if (info.mask & TLCF_WIDTH) {
    column.fixedWidth = std::max(info.width, 0);
  } else {
    column.isWeight = true;
    column.weight = 1;
  }
  return column;
}

}  // namespace

int CTreeListModel::InsertColumn(int position, const TreeColumnInfo& info) {
  if (ColumnCount() >= kTreeMaxColumns) return -1;
  position = ClampColumnPosition(position);
  TreeColumn column = ColumnFromInfo(info);
  try {
    if (!columns_.empty()) {
      cells_.insert(cells_.begin() + (position - 1), std::vector<std::unique_ptr<TreeCell>>());
      cells_[position - 1].resize(items_.size());
    }
    columns_.reserve(columns_.size() + 1);
  } catch (const std::bad_alloc&) {
    if (!columns_.empty() && cells_.size() == columns_.size()) cells_.erase(cells_.begin() + (position - 1));
    return -1;
  }
  int sharedWidth = 0, weights = WeightTotal();
  for (const auto& other : columns_)
    if (other.isWeight) sharedWidth += other.idealWidth;
  if (!column.isWeight) {
    SpreadWidthChange(-column.fixedWidth, clientWidth_);
  } else if (weights == 0) {
    int fixed = 0;
    for (const auto& other : columns_) fixed += other.isWeight ? 0 : other.fixedWidth;
    column.idealWidth = std::max(clientWidth_ - fixed, 0);
  } else {
    column.idealWidth = sharedWidth * column.weight / (weights + column.weight);
    SpreadWidthChange(-column.idealWidth, clientWidth_);
  }
  columns_.insert(columns_.begin() + position, column);
  if (ColumnCount() > 1 && caretColumn_ >= position) ++caretColumn_;
  ApplyShownWidths();
  return position;
}

bool CTreeListModel::DeleteColumn(int column) {
  if (column < 0 || column >= ColumnCount()) return false;
  if (column == 0 && ColumnCount() > 1) return false;  // the tree column goes last
  TreeColumn gone = columns_[column];
  columns_.erase(columns_.begin() + column);
  if (column > 0) cells_.erase(cells_.begin() + (column - 1));
  SpreadWidthChange(gone.isWeight ? gone.idealWidth : gone.fixedWidth, clientWidth_);
  if (caretColumn_ >= column && caretColumn_ > 0) --caretColumn_;
  ApplyShownWidths();
  return true;
}

void CTreeListModel::SetColumnWidth(int column, int width) {
  TreeColumn* target = Column(column);
  if (!target) return;
  width = std::max(width, 0);
  if (target->isWeight) target->idealWidth = width; else target->fixedWidth = width;
  ApplyShownWidths();
}

int CTreeListModel::SetColumnEdit(uint32_t packed, const void* choices, bool* repaint) {
  unsigned flags = packed & 0xFF;
  unsigned mode = (packed >> 8) & 7;
  int index = static_cast<int>((packed >> 11) & 0x3F);
  unsigned separator = (packed >> 17) & 0xFF;
  unsigned count = packed >> 25;
  TreeColumn* column = Column(index);
  if (!column || (mode >= TLM_EDITCHECK && index == 0)) return 0;
  if (mode == TLM_EDITNONE) flags = separator = count = 0;
  bool oldCheck = column->editMode >= TLM_EDITCHECK, newCheck = mode >= TLM_EDITCHECK;
  bool changed = (column->editMode != mode && (oldCheck || newCheck)) ||
                 ((oldCheck || newCheck) && ((column->editFlags ^ flags) & TLE_READONLYBIT));
  if (repaint) *repaint = changed;
  column->editMode = mode;
  column->editFlags = flags;
  column->separator = static_cast<char>(separator);
  column->choiceCount = count;
  column->choices = choices;
  column->imageBase = -1;
  return 1;
}

bool CTreeListModel::SetColumnImageBase(int column, int base) {
  TreeColumn* target = Column(column);
  if (!target || target->editMode == TLM_EDITNONE) return false;
  target->imageBase = base;
  return true;
}
