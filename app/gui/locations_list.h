// The locations list on the main dialog: the tree-list control with its four
// editable columns over the dialog's placeholder frame, and the rows
// interface of the locations editor on top of it.
#pragma once
#include <windows.h>

#include <string>

#include "app/locations_editor.h"
#include "controls/tree_list_ctrl.h"

class CLocationsList : public ILocationRows {
 public:
  // Creates the control over rect (dialog client coordinates) with the
  // program texts as column headers.
  bool Create(HWND dialog, const RECT& rect, UINT id);
  CTreeListCtrl& Control() { return list_; }

  // Fills the rows from the file, with redrawing suspended meanwhile.
  void Load(const std::string& path);
  // Rebuilds the run's table from the rows and writes the file.
  bool Save(const std::string& path, CLocationTable& table);
  // TVN_ENDLABELEDITA: rewrites the text in the notification's buffer.
  void OnEndLabelEdit(NMTVDISPINFOA& info);

  Row FirstRow() override;
  Row NextRow(Row row) override;
  std::string GetCell(Row row, int column) override;
  void SetCell(Row row, int column, const std::string& text) override;
  Row AppendRow(const std::string& name) override;
  void DeleteRow(Row row) override;

 private:
  CTreeListCtrl list_;
};
