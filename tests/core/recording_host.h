// A run host for tests: answers questions as told and records every message,
// question, cursor change and file handed to the shell.
#pragma once
#include <string>
#include <vector>

#include "core/run_host.h"

struct RecordedMessage {
  std::string text, caption;
  IRunHost::Icon icon;
};

class RecordingHost : public IRunHost {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, Icon icon) override {
    messages.push_back({text, caption, icon});
  }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    questions.push_back({text, caption, Icon::Exclamation});
    return answerOk;
  }
  void SetWaitCursor(bool waiting) override { cursor.push_back(waiting); }
  void OpenWithShell(const std::string& path) override { opened.push_back(path); }

  bool answerOk = true;
  std::vector<RecordedMessage> messages, questions;
  std::vector<bool> cursor;
  std::vector<std::string> opened;
};
