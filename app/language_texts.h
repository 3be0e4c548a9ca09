// Every visible text can be replaced without rebuilding: the registry subkey
// "Language" of the settings key holds "Text01".."Text22" for the dialog's
// controls and "Text50".."Text79" for the program texts. At each start the
// missing or empty values are written with the built-in texts and the present
// ones are taken over, so a translation is made by editing existing values.
#pragma once
#include <string>

#include "app/settings.h"

// One control text: its value number, the control's id and its text in the
// dialog template.
struct ControlText {
  int number;
  int controlId;
  const char* builtIn;
};
constexpr int kControlTextCount = 22;
extern const ControlText kControlTexts[kControlTextCount];

// What ApplyLanguageTexts needs of the dialog's controls.
class IControlTexts {
 public:
  virtual ~IControlTexts() = default;
  virtual std::string GetControlText(int controlId) = 0;
  virtual void SetControlText(int controlId, const std::string& text) = 0;
};

// Writes the missing or empty values and takes over the present ones: control
// texts through controls (null: no dialog, so the template texts are written
// and replacements are not applied anywhere), program texts into the
// process-wide table. Registry failures are silent; the built-in texts stay.
void ApplyLanguageTexts(IControlTexts* controls, const char* keyPath = kSettingsKeyPath);
