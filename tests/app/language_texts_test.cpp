// Replacing the program's texts through the "Language" subkey.
#include "app/language_texts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/registry.h"
#include "core/program_texts.h"
#include "tests/app/registry_sandbox.h"
#include "tests/common/test_paths.h"

namespace {

// The dialog's controls, starting with their template texts.
class FakeControls : public IControlTexts {
 public:
  FakeControls() {
    for (const ControlText& control : kControlTexts) texts[control.controlId] = control.builtIn;
  }
  std::string GetControlText(int controlId) override { return texts[controlId]; }
  void SetControlText(int controlId, const std::string& text) override { texts[controlId] = text; }
  std::map<int, std::string> texts;
};

class LanguageTexts : public RegistrySandbox {
 protected:
  void SetUp() override {
    RegistrySandbox::SetUp();
    ResetProgramTexts();
  }
  void TearDown() override {
    ResetProgramTexts();
    RegistrySandbox::TearDown();
  }
  void StoreText(const char* name, const char* text) {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.OpenSubKey("Language"));
    ASSERT_TRUE(key.SetString(text, name));
  }
  std::string StoredText(const char* name) {
    CRegistry key;
    std::string text;
    if (key.Open(0, path_.c_str(), CRegistry::kReadOnly) && key.OpenSubKey("Language", true))
      key.GetString(text, name);
    return text;
  }
};

TEST_F(LanguageTexts, AFirstStartWritesAllFiftyTwoTexts) {
  FakeControls controls;
  ApplyLanguageTexts(&controls, path_.c_str());
  EXPECT_EQ("Pfadangaben aus Google-Eath (*.kml) :", StoredText("Text01"));
  EXPECT_EQ("Steigungsstatistick", StoredText("Text18"));
  EXPECT_EQ("OK", StoredText("Text22"));
  EXPECT_EQ("Ort", StoredText("Text50"));
  EXPECT_EQ("Es wurden keine Koortinaten gefunden !", StoredText("Text66"));
  EXPECT_EQ("Gemachte H\xF6henmeter:", StoredText("Text79"));
  int present = 0;
  for (int number : {1, 5, 10, 15, 20, 22, 50, 59, 68, 79}) {
    char name[8];
    std::snprintf(name, sizeof name, "Text%02d", number);
    present += !StoredText(name).empty();
  }
  EXPECT_EQ(10, present);
  EXPECT_EQ("", StoredText("Text23"));
  EXPECT_EQ("", StoredText("Text49"));
  EXPECT_EQ("OK", controls.texts[1]);  // the dialog looks unchanged
}

TEST_F(LanguageTexts, StoredTextsReplaceControlAndProgramTexts) {
  StoreText("Text22", "Start");
  StoreText("Text50", "Name");
  FakeControls controls;
  ApplyLanguageTexts(&controls, path_.c_str());
  EXPECT_EQ("Start", controls.texts[1]);
  EXPECT_STREQ("Name", ProgramText(50));
  EXPECT_STREQ("Breitengrad", ProgramText(52));
}

TEST_F(LanguageTexts, AnEmptyTextRestoresTheBuiltInOne) {
  StoreText("Text62", "");
  StoreText("Text04", "");
  FakeControls controls;
  ApplyLanguageTexts(&controls, path_.c_str());
  EXPECT_STREQ("Fehler", ProgramText(62));
  EXPECT_EQ("Fehler", StoredText("Text62"));
  EXPECT_EQ("Bitmap erzeugen", StoredText("Text04"));
}

TEST_F(LanguageTexts, WithoutADialogTheTemplateTextsAreWritten) {
  StoreText("Text21", "Cancel");
  ApplyLanguageTexts(nullptr, path_.c_str());
  EXPECT_EQ("Cancel", StoredText("Text21"));  // kept for the dialog
  EXPECT_STREQ("Ort", ProgramText(50));
  EXPECT_EQ("Schrittbreite in Meter :", StoredText("Text20"));
}

}  // namespace
