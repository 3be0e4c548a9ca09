// The program texts: German defaults byte for byte in code page 1252, and a
// formatter that stays safe whatever a user puts into a replacement text.
#include "core/program_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ProgramTexts : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramTexts(); }
  void TearDown() override { ResetProgramTexts(); }
};

TEST_F(ProgramTexts, BuiltInGermanTexts) {
  EXPECT_STREQ("Ort", ProgramText(kTextColumnLocation));
  EXPECT_STREQ("L\xE4ngengrad", ProgramText(kTextColumnLongitude));
  EXPECT_STREQ("Google-Earth-Pfad ( *.kml )|*.kml|Alle Dateien|*.*|",
               ProgramText(kTextRouteFileFilter));
  EXPECT_STREQ("Die Datei %s hat die falsche Gr\xF6\xDF" "e !", ProgramText(kTextTileWrongSize));
  EXPECT_STREQ("Es ist werder der Bild noch der Text-Export ausgew\xE4hlt !",
               ProgramText(kTextNoOutputChosen));
  EXPECT_STREQ("Die Datei kann nicht ge\xF6" "ffnet werden !", ProgramText(kTextRouteNotOpened));
  EXPECT_STREQ("Die Datei hat ein falsches Format !", ProgramText(kTextRouteWrongFormat));
  EXPECT_STREQ("Zu wenig Speicher !", ProgramText(kTextRouteNoMemory));
  EXPECT_STREQ("Zuwenig Speicher !", ProgramText(kTextTileNoMemory));
  EXPECT_STREQ("Es wurden keine Koortinaten gefunden !", ProgramText(kTextRouteNoCoordinates));
  EXPECT_STREQ("Unbekannter Fehler !", ProgramText(kTextRouteUnknownError));
  EXPECT_STREQ("Die Datei %s existiert bereits !\nSoll sie \xFC" "berschrieben werden ?",
               ProgramText(kTextReportExists));
  EXPECT_STREQ(ProgramText(kTextReportExists), ProgramText(kTextPictureExists));
  EXPECT_STREQ("H\xF6" "chster Punkt:", ProgramText(kTextLabelHighestPoint));
  EXPECT_STREQ("Gemachte H\xF6henmeter:", ProgramText(kTextLabelClimbed));
}

TEST_F(ProgramTexts, EveryNumberHasAText) {
  for (int number = kFirstProgramText; number <= kLastProgramText; ++number) {
    EXPECT_NE('\0', ProgramText(number)[0]) << number;
    EXPECT_STREQ(BuiltInProgramText(number), ProgramText(number)) << number;
    // Code page 1252 bytes, never UTF-8 sequences.
    for (const char* p = ProgramText(number); *p; ++p)
      EXPECT_FALSE(static_cast<unsigned char>(*p) == 0xC3) << number;
  }
  EXPECT_STREQ("", ProgramText(49));
  EXPECT_STREQ("", ProgramText(80));
  EXPECT_STREQ("", ProgramText(-1));
}

TEST_F(ProgramTexts, TheTileNotFoundTextNamesTwoDownloadSites) {
  std::string text = ProgramText(kTextTileNotFound);
  EXPECT_EQ(0u, text.find("Die Datei %.11s konnte nicht gefunden werden !\nDownload der SRTM3 Daten :\n   "));
  std::size_t second = text.rfind("\n   ");
  EXPECT_NE(std::string::npos, second);
  EXPECT_EQ("http", text.substr(second + 4, 4));
  EXPECT_NE('\n', text.back());
}

TEST_F(ProgramTexts, ReplacementsLastUntilReset) {
  SetProgramText(kTextColumnLocation, "Name");
  SetProgramText(kFirstProgramText - 1, "ignored");
  SetProgramText(kLastProgramText + 1, "ignored");
  EXPECT_STREQ("Name", ProgramText(kTextColumnLocation));
  EXPECT_STREQ("Ort", BuiltInProgramText(kTextColumnLocation));
  ResetProgramTexts();
  EXPECT_STREQ("Ort", ProgramText(kTextColumnLocation));
}

TEST_F(ProgramTexts, FormatPutsTheArgumentInPlaceOfThePlaceholder) {
  EXPECT_EQ("Die Datei C:\\a\\b.txt konnte nicht erzeugt werden !",
            FormatProgramText(kTextReportNotCreated, "C:\\a\\b.txt"));
  std::string notFound = FormatProgramText(kTextTileNotFound, "N47E011.hgt.zip");
  EXPECT_EQ(0u, notFound.find("Die Datei N47E011.hgt konnte nicht gefunden werden !\n"));
  EXPECT_EQ("Zuwenig Speicher !", FormatProgramText(kTextTileNoMemory, "x"));
  EXPECT_EQ("", FormatProgramText(80, "x"));
}

TEST_F(ProgramTexts, FormatNeverTreatsAReplacementAsPrintfFormat) {
  SetProgramText(kTextReportNotCreated, "%n%x %d %s %s 100%% %");
  EXPECT_EQ("%n%x %d file %s 100% %", FormatProgramText(kTextReportNotCreated, "file"));
  SetProgramText(kTextReportNotCreated, "no placeholder");
  EXPECT_EQ("no placeholder", FormatProgramText(kTextReportNotCreated, "file"));
  SetProgramText(kTextReportNotCreated, "%.11s and %s");
  EXPECT_EQ("short and %s", FormatProgramText(kTextReportNotCreated, "short"));
  // An argument is copied as it is, "%" and all.
  SetProgramText(kTextReportNotCreated, "[%s]");
  EXPECT_EQ("[%s%%d]", FormatProgramText(kTextReportNotCreated, "%s%%d"));
}

}  // namespace
