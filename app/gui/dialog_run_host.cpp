#include "app/gui/dialog_run_host.h"

#include <shellapi.h>

namespace {

UINT IconStyle(IRunHost::Icon icon) {
  switch (icon) {
    case IRunHost::Icon::Error: return MB_ICONERROR;
    case IRunHost::Icon::Exclamation: return MB_ICONEXCLAMATION;
    case IRunHost::Icon::Information: return MB_ICONINFORMATION;
  }
  return 0;
}

}  // namespace

void CDialogRunHost::ShowMessage(const std::string& text, const std::string& caption, Icon icon) {
  MessageBoxA(owner_, text.c_str(), caption.c_str(), MB_OK | IconStyle(icon));
}

bool CDialogRunHost::AskOkCancel(const std::string& text, const std::string& caption) {
  return MessageBoxA(owner_, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

// The cursor is set directly: the run keeps the message loop busy, so no
// WM_SETCURSOR comes to put the arrow back until it ends.
void CDialogRunHost::SetWaitCursor(bool waiting) {
  SetCursor(LoadCursor(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
}

void CDialogRunHost::OpenWithShell(const std::string& path) {
  ShellExecuteA(owner_, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
