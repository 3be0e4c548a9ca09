#include "app/gui/dialog_controls.h"

#include <vector>

std::string WindowText(HWND window) {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1);
  int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(length > 0 ? length : 0));
}

bool CDialogControls::GetCheck(int id) { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void CDialogControls::SetCheck(int id, bool checked) {
  CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string CDialogControls::GetText(int id) { return WindowText(Item(id)); }

void CDialogControls::SetText(int id, const std::string& text) { SetWindowTextA(Item(id), text.c_str()); }

int CDialogControls::GetListIndex(int id) {
  return static_cast<int>(SendMessageA(Item(id), CB_GETCURSEL, 0, 0));
}

void CDialogControls::SetListIndex(int id, int index) { SendMessageA(Item(id), CB_SETCURSEL, index, 0); }

void CDialogControls::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }

void CComboBoxWindow::ResetContent() { SendMessageA(combo_, CB_RESETCONTENT, 0, 0); }

void CComboBoxWindow::SetEditText(const std::string& text) { SetWindowTextA(combo_, text.c_str()); }

int CComboBoxWindow::GetCount() const { return static_cast<int>(SendMessageA(combo_, CB_GETCOUNT, 0, 0)); }

std::string CComboBoxWindow::GetItemText(int index) const {
  LRESULT length = SendMessageA(combo_, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return "";
  std::vector<char> text(static_cast<size_t>(length) + 1);
  SendMessageA(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

void CComboBoxWindow::AddString(const std::string& text) {
  SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int CComboBoxWindow::GetCurSel() const { return static_cast<int>(SendMessageA(combo_, CB_GETCURSEL, 0, 0)); }
