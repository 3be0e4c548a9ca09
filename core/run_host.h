// What an export run needs from whoever started it: the dialog, the command
// line and the tests each supply their own host. The engine never talks to a
// window or a terminal directly.
#pragma once
#include <string>

class IRunHost {
 public:
  enum class Icon { Error, Exclamation, Information };

  virtual ~IRunHost() = default;

  // A modal message with one OK button.
  virtual void ShowMessage(const std::string& text, const std::string& caption, Icon icon) = 0;
  // A modal OK/Cancel question with the exclamation icon; true for OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
  // The hourglass while a run works (true), the arrow again afterwards (false).
  virtual void SetWaitCursor(bool waiting) = 0;
  // Hands a finished file to the desktop to be opened (the shell's "open").
  virtual void OpenWithShell(const std::string& path) = 0;
};
