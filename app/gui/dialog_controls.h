// The main dialog's controls behind the plain interfaces that the exchange,
// the language texts and the path histories are written against: each call
// is one window message.
#pragma once
#include <windows.h>

#include <string>

#include "app/dialog_data.h"
#include "app/language_texts.h"
#include "app/settings.h"

std::string WindowText(HWND window);

class CDialogControls : public IDialogControls, public IControlTexts {
 public:
  explicit CDialogControls(HWND dialog) : dialog_(dialog) {}

  bool GetCheck(int id) override;
  void SetCheck(int id, bool checked) override;
  std::string GetText(int id) override;
  void SetText(int id, const std::string& text) override;
  int GetListIndex(int id) override;
  void SetListIndex(int id, int index) override;
  void Enable(int id, bool enabled) override;

  std::string GetControlText(int controlId) override { return GetText(controlId); }
  void SetControlText(int controlId, const std::string& text) override { SetText(controlId, text); }

 private:
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  HWND dialog_;
};

// A drop-down combo box with an edit field: a path history.
class CComboBoxWindow : public IComboBox {
 public:
  explicit CComboBoxWindow(HWND combo = nullptr) : combo_(combo) {}
  void Attach(HWND combo) { combo_ = combo; }

  void ResetContent() override;
  std::string GetEditText() const override { return WindowText(combo_); }
  void SetEditText(const std::string& text) override;
  int GetCount() const override;
  std::string GetItemText(int index) const override;
  void AddString(const std::string& text) override;
  int GetCurSel() const override;

 private:
  HWND combo_;
};
