// A modal dialog from an in-memory template: its controls exist with the
// texts and ids given, handlers see the running window, notification answers
// reach the sender, and the dialog ends with what OK or Cancel give.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/dialog_window.h"

namespace {

constexpr int kLabelId = 300;

CDialogTemplate SmallTemplate() {
  CDialogTemplate form(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 120, 60,
                       "Pr\xFC" "fen", "MS Sans Serif", 8, 0, 0, 1);
  form.AddControl(CDialogTemplate::kButton, IDOK, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 5, 40, 50, 14, "OK");
  form.AddControl(CDialogTemplate::kStatic, kLabelId, WS_CHILD | WS_VISIBLE, 0, 5, 5, 100, 8, "Gr\xF6\xDF" "e:");
  return form;
}

std::string TextOf(HWND window) {
  char text[64] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Looks at itself from inside, then ends through the command it is told.
class ProbeDialog : public CDialogWindow {
 public:
  explicit ProbeDialog(WORD command) : command_(command) {}
  std::string caption, label;
  bool sawOkButton = false;
  LRESULT notifyAnswer = 0;
  int okCalls = 0, destroyCalls = 0;

 protected:
  BOOL OnInitDialog() override {
    caption = TextOf(Window());
    label = TextOf(Item(kLabelId));
    sawOkButton = Item(IDOK) != nullptr;
    NMHDR header = {Item(kLabelId), static_cast<UINT_PTR>(kLabelId), 12345};
    notifyAnswer = SendMessageA(Window(), WM_NOTIFY, kLabelId, reinterpret_cast<LPARAM>(&header));
    PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(command_, BN_CLICKED), 0);
    return TRUE;
  }
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override {
    if (id != kLabelId || header->code != 12345) return false;
    result = 77;
    return true;
  }
  void OnOK() override {
    okCalls++;
    CDialogWindow::OnOK();
  }
  void OnDestroy() override { destroyCalls++; }

 private:
  WORD command_;
};

TEST(DialogWindow, InMemoryTemplateOpensWithItsControlsAndEndsWithOk) {
  CDialogTemplate form = SmallTemplate();
  ProbeDialog dialog(IDOK);
  EXPECT_EQ(IDOK, dialog.DoModalIndirect(nullptr, form.Get()));
  EXPECT_EQ("Pr\xFC" "fen", dialog.caption);
  EXPECT_EQ("Gr\xF6\xDF" "e:", dialog.label);
  EXPECT_TRUE(dialog.sawOkButton);
  EXPECT_EQ(77, dialog.notifyAnswer);
  EXPECT_EQ(1, dialog.okCalls);
  EXPECT_EQ(1, dialog.destroyCalls);
  EXPECT_EQ(nullptr, dialog.Window());
}

TEST(DialogWindow, CancelEndsWithCancelWithoutCallingOk) {
  CDialogTemplate form = SmallTemplate();
  ProbeDialog dialog(IDCANCEL);
  EXPECT_EQ(IDCANCEL, dialog.DoModalIndirect(nullptr, form.Get()));
  EXPECT_EQ(0, dialog.okCalls);
}

}  // namespace
