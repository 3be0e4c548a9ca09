#include "app/language_texts.h"

#include <cstdio>

#include "app/registry.h"
#include "core/program_texts.h"

const ControlText kControlTexts[kControlTextCount] = {
    {1, 1067, "Pfadangaben aus Google-Eath (*.kml) :"},
    {2, 1068, "Pfad mit H\xF6henprofilen (*.hgt) :"},
    {3, 1069, "Bitmap"},
    {4, 1001, "Bitmap erzeugen"},
    {5, 1002, "Ortsangaben einf\xFCgen"},
    {6, 1003, "Steigungsstatistick"},
    {7, 1004, "Kilometer ausgeben"},
    {8, 1005, "H\xF6he ausgeben"},
    {9, 1006, "H\xF6henprofil mit fixer H\xF6he"},
    {10, 1007, "Bild anzeigen"},
    {11, 1070, "Breite in Pixel :"},
    {12, 1071, "H\xF6he in Pixel :"},
    {13, 1072, "Fixe H\xF6he in Meter :"},
    {14, 1073, "Schritbreite :"},
    {15, 1074, "Schritte :"},
    {16, 1075, "Textausgabe "},
    {17, 1011, "Ortsangaben einf\xFCgen"},
    {18, 1012, "Steigungsstatistick"},
    {19, 1013, "Den Text anzeigen"},
    {20, 1076, "Schrittbreite in Meter :"},
    {21, 2, "Abbruch"},
    {22, 1, "OK"},
};

namespace {

std::string ValueName(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "Text%02u", static_cast<unsigned>(number));
  return name;
}

}  // namespace

void ApplyLanguageTexts(IControlTexts* controls, const char* keyPath) {
  CRegistryBatch batch;  // the missing texts go into the store in one write
  CRegistry key;
  if (!key.Open(0, keyPath, CRegistry::kOpenOrCreate) || !key.OpenSubKey("Language")) return;
  for (const ControlText& control : kControlTexts) {
    std::string name = ValueName(control.number), text;
    if (key.GetString(text, name.c_str()) && !text.empty()) {
      if (controls) controls->SetControlText(control.controlId, text);
    } else {
      std::string current = controls ? controls->GetControlText(control.controlId) : control.builtIn;
      key.SetString(current.c_str(), name.c_str());
    }
  }
  for (int number = kFirstProgramText; number <= kLastProgramText; ++number) {
    std::string name = ValueName(number), text;
    if (key.GetString(text, name.c_str()) && !text.empty())
      SetProgramText(number, text);
    else
      key.SetString(ProgramText(number), name.c_str());
  }
}
