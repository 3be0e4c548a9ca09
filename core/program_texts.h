// The process-wide table of numbered program texts (Text50..Text79): every
// message, caption, column header and chart label comes from here. The
// built-in texts are German, in code page 1252; the user may replace any of
// them through the registry, so a replaced text is data, never a printf
// format: FormatProgramText substitutes its argument itself.
#pragma once
#include <string>

constexpr int kFirstProgramText = 50;
constexpr int kLastProgramText = 79;
constexpr int kProgramTextCount = kLastProgramText - kFirstProgramText + 1;

// The numbers, named after what each text is used for.
constexpr int kTextColumnLocation = 50;       // "Ort"
constexpr int kTextColumnLongitude = 51;      // "L\xE4ngengrad"
constexpr int kTextColumnLatitude = 52;       // "Breitengrad"
constexpr int kTextColumnRadius = 53;         // "Umkreis (m)"
constexpr int kTextRouteFileFilter = 54;      // pairs of name and pattern, bar-separated
constexpr int kTextRouteFileTitle = 55;       // "Datei ausw\xE4hlen"
constexpr int kTextTileNoMemory = 56;
constexpr int kTextTileWrongSize = 57;        // %s: tile file
constexpr int kTextTileNotOpened = 58;        // %s: tile file
constexpr int kTextTileNotFound = 59;         // %.11s: tile file, then download sites
constexpr int kTextTileNotUnpacked = 60;      // %s: tile file
constexpr int kTextNoOutputChosen = 61;
constexpr int kTextCaptionError = 62;         // "Fehler"
constexpr int kTextRouteNotOpened = 63;       // route reader -1
constexpr int kTextRouteWrongFormat = 64;     // route reader -2
constexpr int kTextRouteNoMemory = 65;        // route reader -3
constexpr int kTextRouteNoCoordinates = 66;   // route reader -4
constexpr int kTextRouteUnknownError = 67;    // any other route reader result
constexpr int kTextReportExists = 68;         // %s: report file
constexpr int kTextCaptionQuestion = 69;      // "Frage"
constexpr int kTextReportNotCreated = 70;     // %s: report file
constexpr int kTextPictureExists = 71;        // %s: picture file
constexpr int kTextPictureNotSaved = 72;      // %s: picture file
constexpr int kTextFilesCreated = 73;
constexpr int kTextCaptionInformation = 74;   // "Information"
constexpr int kTextLabelTotalLength = 75;     // chart statistics labels ...
constexpr int kTextLabelHighestPoint = 76;
constexpr int kTextLabelLowestPoint = 77;
constexpr int kTextLabelHeightDifference = 78;
constexpr int kTextLabelClimbed = 79;

// The current text of a number in 50..79; "" for any other number.
const char* ProgramText(int number);
// The built-in German text of a number in 50..79; "" for any other number.
const char* BuiltInProgramText(int number);
// Replaces one text; numbers outside 50..79 are ignored.
void SetProgramText(int number, const std::string& text);
// Back to the built-in texts, as at process start.
void ResetProgramTexts();

// The text of number with argument put in place of its first "%s" (or
// "%.11s", which keeps at most 11 characters of the argument); "%%" gives
// "%", every other character, further "%s" included, is copied as it is.
std::string FormatProgramText(int number, const std::string& argument);
