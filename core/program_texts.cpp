// The program texts live in one process-wide table, as the dialog and the
// engine share them for the whole run of the program. A replacement comes
// from the user's registry and may contain any "%" sequence, so the one
// placeholder is substituted here and nothing is ever handed to printf.
#include "core/program_texts.h"

namespace {

// Code page 1252. A \x escape is closed by splitting the literal where a hex
// digit follows it ("\xFC" "ber").
const char* const kBuiltInTexts[kProgramTextCount] = {
    "Ort",                                                        // 50
    "L\xE4ngengrad",                                              // 51
    "Breitengrad",                                                // 52
    "Umkreis (m)",                                                // 53
    "Google-Earth-Pfad ( *.kml )|*.kml|Alle Dateien|*.*|",        // 54
    "Datei ausw\xE4hlen",                                         // 55
    "Zuwenig Speicher !",                                         // 56
    "Die Datei %s hat die falsche Gr\xF6\xDF" "e !",              // 57
    "Die Datei %s konnte nicht ge\xF6" "ffnet werden !",          // 58
    "Die Datei %.11s konnte nicht gefunden werden !\n"            // 59
    "Download der SRTM3 Daten :\n"
    "   https://dds.cr.usgs.gov/srtm/version2_1/SRTM3/\n"
    "   http://viewfinderpanoramas.org/dem3.html",
    "Die Datei %s konnte nicht entpackt werden !",                // 60
    "Es ist werder der Bild noch der Text-Export ausgew\xE4hlt !",  // 61
    "Fehler",                                                     // 62
    "Die Datei kann nicht ge\xF6" "ffnet werden !",               // 63
    "Die Datei hat ein falsches Format !",                        // 64
    "Zu wenig Speicher !",                                        // 65
    "Es wurden keine Koortinaten gefunden !",                     // 66
    "Unbekannter Fehler !",                                       // 67
    "Die Datei %s existiert bereits !\n"                          // 68
    "Soll sie \xFC" "berschrieben werden ?",
    "Frage",                                                      // 69
    "Die Datei %s konnte nicht erzeugt werden !",                 // 70
    "Die Datei %s existiert bereits !\n"                          // 71
    "Soll sie \xFC" "berschrieben werden ?",
    "Die Datei %s konnte nicht erstellt werden !",                // 72
    "Die Dateien wurden erzeugt.",                                // 73
    "Information",                                                // 74
    "Gesamtl\xE4nge:",                                            // 75
    "H\xF6" "chster Punkt:",                                      // 76
    "Tiefster Punkt:",                                            // 77
    "H\xF6henunterschied:",                                       // 78
    "Gemachte H\xF6henmeter:",                                    // 79
};

struct TextTable {
  std::string texts[kProgramTextCount];
  TextTable() { Reset(); }
  void Reset() {
    for (int i = 0; i < kProgramTextCount; ++i) texts[i] = kBuiltInTexts[i];
  }
};

TextTable& Table() {
  static TextTable table;
  return table;
}

bool IsProgramTextNumber(int number) {
  return number >= kFirstProgramText && number <= kLastProgramText;
}

constexpr std::size_t kShortNameLength = 11;  // "%.11s": a tile name such as N47E011.hgt

}  // namespace

const char* ProgramText(int number) {
  if (!IsProgramTextNumber(number)) return "";
  return Table().texts[number - kFirstProgramText].c_str();
}

const char* BuiltInProgramText(int number) {
  if (!IsProgramTextNumber(number)) return "";
  return kBuiltInTexts[number - kFirstProgramText];
}

void SetProgramText(int number, const std::string& text) {
  if (IsProgramTextNumber(number)) Table().texts[number - kFirstProgramText] = text;
}

void ResetProgramTexts() { Table().Reset(); }

std::string FormatProgramText(int number, const std::string& argument) {
  if (!IsProgramTextNumber(number)) return "";
  const std::string& text = Table().texts[number - kFirstProgramText];
  std::string out;
  bool substituted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "%%") == 0) {
      out += '%';
      ++i;
    } else if (!substituted && text.compare(i, 2, "%s") == 0) {
      out += argument;
      substituted = true;
      ++i;
    } else if (!substituted && text.compare(i, 5, "%.11s") == 0) {
      out += argument.substr(0, kShortNameLength);
      substituted = true;
      i += 4;
    } else {
      out += text[i];
    }
  }
  return out;
}
