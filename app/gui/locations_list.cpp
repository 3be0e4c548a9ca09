#include "app/gui/locations_list.h"

#include <cstring>

#include "core/program_texts.h"

namespace {

constexpr int kNameWeight = 35;
constexpr int kNumberWeight = 20;
constexpr int kLeft = 0, kRight = 1;

HTREEITEM Item(ILocationRows::Row row) { return reinterpret_cast<HTREEITEM>(row); }
ILocationRows::Row RowOf(HTREEITEM item) { return reinterpret_cast<ILocationRows::Row>(item); }

}  // namespace

bool CLocationsList::Create(HWND dialog, const RECT& rect, UINT id) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_FULLROWSELECT | TVS_EDITLABELS;
  if (!list_.Create(WS_EX_CLIENTEDGE, style, rect, dialog, id)) return false;
  list_.InsertColumn(kColumnName, ProgramText(kTextColumnLocation), kLeft, -kNameWeight);
  list_.InsertColumn(kColumnLongitude, ProgramText(kTextColumnLongitude), kRight, -kNumberWeight);
  list_.InsertColumn(kColumnLatitude, ProgramText(kTextColumnLatitude), kRight, -kNumberWeight);
  list_.InsertColumn(kColumnRadius, ProgramText(kTextColumnRadius), kRight, -kNumberWeight);
  list_.SetExtendedStyle(0, TLS_EX_GRIDLINES | TLS_EX_ALTROWS | TLS_EX_CELLSELECT);
  for (unsigned column = 0; column < kLocationColumns; ++column)
    list_.SetColumnEdit(column, TLM_EDITBOX, TLE_DBLCLICK);
  return true;
}

void CLocationsList::Load(const std::string& path) {
  list_.Send(WM_SETREDRAW, FALSE);
  LoadLocationRows(*this, ReadLocationsFile(path));
  list_.Send(WM_SETREDRAW, TRUE);
  InvalidateRect(list_.GetSafeHwnd(), nullptr, TRUE);
}

bool CLocationsList::Save(const std::string& path, CLocationTable& table) {
  return SaveLocationRows(*this, path, table);
}

void CLocationsList::OnEndLabelEdit(NMTVDISPINFOA& info) {
  if (!info.item.pszText) return;
  std::string text = info.item.pszText;
  EndLocationEdit(*this, RowOf(info.item.hItem), info.item.cChildren, &text);
  if (info.item.cchTextMax > 0) {
    std::strncpy(info.item.pszText, text.c_str(), static_cast<size_t>(info.item.cchTextMax) - 1);
    info.item.pszText[info.item.cchTextMax - 1] = 0;
  }
}

ILocationRows::Row CLocationsList::FirstRow() { return RowOf(list_.GetNextItem(TVI_ROOT, TVGN_CHILD)); }

ILocationRows::Row CLocationsList::NextRow(Row row) { return RowOf(list_.GetNextItem(Item(row), TVGN_NEXT)); }

std::string CLocationsList::GetCell(Row row, int column) {
  const char* text = list_.GetItemText(Item(row), column);
  return text ? text : "";
}

void CLocationsList::SetCell(Row row, int column, const std::string& text) {
  list_.SetItemText(Item(row), text.c_str(), column);
}

ILocationRows::Row CLocationsList::AppendRow(const std::string& name) { return RowOf(list_.InsertItem(name.c_str())); }

void CLocationsList::DeleteRow(Row row) { list_.DeleteItem(Item(row)); }
