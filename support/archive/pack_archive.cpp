// The error vocabulary shared by all archive formats. The texts are the
// program's own German messages in code page 1252, typos included: users and
// translators know them by their wording.
#include "support/archive/pack_archive.h"

#include <cstring>

namespace {

struct CodeText {
  int code;
  const char* text;
  bool withEntryName;  // the entry's name follows the text
};

// "\xD6" "ffnen": a hex escape would swallow the following hex letters.
const CodeText kCodeTexts[] = {
    {-1, "\nFalscher Index oder Modus !", false},
    {0, "\nEs ist kein Fehler aufgetreten.", false},
    {2, "\nvorzeitiges Dateiende erreicht !", false},
    {3, "\nhat ein ung\xFCltiges Format ", false},
    {5, "\nSchwerer interner Fehler !", false},
    {11, "\nFehler beim Lesen der Datei !", false},
    {12, "\nDatei wurde nicht gefunden !", false},
    {14, "\nFehler beim Schreiben in Datei !", false},
    {15, "\nFehler beim Erzeugen der Datei !", false},
    {18, "\nFehler beim \xD6" "ffnen der Datei !", false},
    {19, "\nFehler sie geht \xFC" "ber mehrere Disketten !", false},
    {20, "\nFalsche pPathName-Angabe !", false},
    {21, "\nCRC32 Fehler bei Datei :", true},
    {22, "\nFehler beim Endkomprimieren von :", true},
    {23, "\nBenutzer Abbruch.", false},
    {24, "\nFehler beim \xD6" "ffnen der Datei: ", true},
    {25, "\nFehler beim Erzeugen der Datei: ", true},
    {26, "\nFehler beim Schreiben in Datei: ", true},
    {27, "\nFehler beim Lesen der Datei: ", true},
    {28, "\nDie Datei wurde \xFC" "bersprungen: ", true},
    {29, "\nDie Funktion wird nicht unterst\xFCtzt :", false},
    {30, "\nDiese Version wird nicht unterst\xFCtzt :", false},
    {31, "\nFehler beim Komprimieren :", false},
    {32, "\nFalsches Passwort : ", true},
    {33, "\nDar Archiv ist nicht ge\xF6" "ffnet !", false},
    {34, "\nIn diesem Modus ist die Funktion nicht m\xF6glich !", false},
    {35, "\nDie Datei ist bereits vorhanden: ", true},
    {36, "\nDie Datei ist \xE4lter als die vorhandene: ", true},
};
const CodeText kUnknownCode = {0, "\nUnbekannter Fehler", true};

const char kArchivePrefix[] = "\nBei Datei : ";
const char kNoArchive[] = "\n< keine Datei ge\xF6" "ffnet >";

const CodeText& FindCodeText(int code) {
  for (const CodeText& entry : kCodeTexts) {
    if (entry.code == code) return entry;
  }
  return kUnknownCode;
}

// Appends text to buffer (holding length characters) without passing max.
void AppendCut(char* buffer, std::size_t& length, std::size_t max, const char* text) {
  std::size_t add = std::strlen(text);
  if (add > max - length) add = max - length;
  std::memcpy(buffer + length, text, add);
  length += add;
  buffer[length] = 0;
}

}  // namespace

const char* CPackArchive::GetCodeText(int code) { return FindCodeText(code).text; }

const char* CPackArchive::GetErrorText() {
  const CodeText& entry = FindCodeText(LastError);
  if (LastError == kErrNone || LastError == kErrUserAbort) return entry.text;

  std::size_t length = 0;
  errorText_[0] = 0;
  if (archiveName_.empty()) {
    AppendCut(errorText_, length, kErrorTextMax, kNoArchive);
  } else {
    AppendCut(errorText_, length, kErrorTextMax, kArchivePrefix);
    AppendCut(errorText_, length, kErrorTextMax, archiveName_.c_str());
  }
  AppendCut(errorText_, length, kErrorTextMax, entry.text);
  if (entry.withEntryName) AppendCut(errorText_, length, kErrorTextMax, entryName_.c_str());
  return errorText_;
}
