// The export run's host on the dialog: modal message boxes owned by the
// dialog, the hourglass while the run works, and the shell's "open".
#pragma once
#include <windows.h>

#include "core/run_host.h"

class CDialogRunHost : public IRunHost {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }

  void ShowMessage(const std::string& text, const std::string& caption, Icon icon) override;
  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  void SetWaitCursor(bool waiting) override;
  void OpenWithShell(const std::string& path) override;

 private:
  HWND owner_ = nullptr;
};
