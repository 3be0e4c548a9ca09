// Facts the route reader, the locations list, the ZIP reader and the folder
// chooser rely on when they scan texts and write numbers.
#include "support/text_scan.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A locale whose decimal mark is a comma: glibc's name, then the Windows one.
bool SetGermanLocale() {
  bool set = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "German_Germany.1252");
  if (set && *std::localeconv()->decimal_point == ',') return true;
  std::setlocale(LC_ALL, "C");
  return false;
}

// ---- Classes and scanners ---------------------------------------------------

TEST(CharacterClasses, BytesBelongToTheDocumentedClasses) {
  EXPECT_EQ(kClassDigit | kClassBinaryDigit | kClassOctalDigit, CharClass('1'));
  EXPECT_EQ(kClassDigit, CharClass('9'));
  EXPECT_EQ(kClassUpper | kClassHexLetter, CharClass('F'));
  EXPECT_EQ(kClassLower, CharClass('g'));
  EXPECT_EQ(kClassOpening | kClassParenthesis, CharClass('('));
  EXPECT_EQ(kClassClosing | kClassAngleBracket, CharClass('>'));
  EXPECT_EQ(kClassOpening, CharClass('@'));
  EXPECT_EQ(kClassOpening, CharClass('\x7F'));
  EXPECT_EQ(kClassOther, CharClass('\x0B'));
  EXPECT_EQ(kClassOther, CharClass('|'));
  EXPECT_EQ(kClassAccentedUpper, CharClass('\xC4'));    // A umlaut
  EXPECT_EQ(kClassAccentedLower, CharClass('\xDF'));    // sharp s
  EXPECT_EQ(kClassHighOther, CharClass('\xDE'));
  EXPECT_EQ(kClassHighOther, CharClass('\x80'));
  EXPECT_EQ(kClassTerminator, CharClass('\0'));
  EXPECT_EQ(kClassBlank, CharClass('\t'));
  EXPECT_EQ(kClassLineBreak, CharClass('\r'));
}

TEST(Scanners, WhiteSpaceAndTokensAsTheRouteReaderSeesThem) {
  EXPECT_EQ(4, SkipClass(" \t\r\n11.5", kClassWhite));
  EXPECT_EQ(4, SkipNotClass("11.5 47.2", kClassWhite));
  EXPECT_EQ(2, SkipClassN("   x", kClassBlank, 2));
  EXPECT_EQ(0, SkipClassN("   x", kClassBlank, -1));
  EXPECT_EQ(3, SkipNotClassN("abcdef", kClassWhite, 3));
}

TEST(Scanners, NeverRunPastTheTerminatingZero) {
  const char text[] = "ab\0cd";
  EXPECT_EQ(2, SkipNotClass(text, 0));
  EXPECT_EQ(2, SkipNotClass(text, kClassDigit));
  // Even a mask that names the terminator's class stops there.
  EXPECT_EQ(2, SkipClass(text, kClassLower | kClassTerminator));
  EXPECT_EQ(2, SkipNotClassN(text, 0, 100));
}

// ---- Searching and copying ------------------------------------------------------

TEST(Searching, FindsTheFirstOccurrence) {
  EXPECT_EQ(2, FindText("abc abc", "c a"));
  EXPECT_EQ(-1, FindText("abc", "abcd"));
  EXPECT_EQ(0, FindText("abc", ""));
  EXPECT_EQ(0, FindText("", ""));
  EXPECT_EQ(-1, FindText("", "a"));
}

TEST(Searching, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(4, FindNoCase("<kmlLINESTRING", "linestring"));
  EXPECT_EQ(5, FindNoCase("xxxx MultiGeometry", "MULTIGEOMETRY"));
  EXPECT_EQ(-1, FindNoCase("\xC4rger", "\xE4rger"));  // accented letters stay apart
  EXPECT_EQ(0, FindNoCase("\xC4rger", "\xC4RGER"));
  EXPECT_EQ(0, FindNoCase("anything", ""));
  EXPECT_EQ(-1, FindNoCase("coordinate", "coordinates"));
  EXPECT_EQ(2, FindNoCase("x:C:coord", "c:c"));
  EXPECT_EQ(3, FindNoCase("aaaaaab", "AAAB"));  // restarts after a partial match
}

TEST(Copying, CopyNTruncatesAndAlwaysTerminates) {
  char out[8];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(0, CopyN(out, "abc", 1));
  EXPECT_EQ('\0', out[0]);
  EXPECT_EQ('x', out[1]);
  EXPECT_EQ(4, CopyN(out, "abcdefgh", 5));
  EXPECT_STREQ("abcd", out);
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(0, CopyN(out, "abc", 0));
  EXPECT_EQ(0, CopyN(out, "abc", -3));
  EXPECT_EQ('x', out[0]);
}

TEST(Copying, AppendNFillsTheRestOfTheBuffer) {
  char out[8] = "abc";
  EXPECT_EQ(2, AppendN(out, "de", sizeof out));
  EXPECT_STREQ("abcde", out);
  EXPECT_EQ(2, AppendN(out, "fghij", sizeof out));
  EXPECT_STREQ("abcdefg", out);
  EXPECT_EQ(0, AppendN(out, "z", sizeof out));
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(0, AppendN(unterminated, "z", sizeof unterminated));
  EXPECT_EQ('d', unterminated[3]);
}

TEST(Searching, FindCharNStopsAtTheCharacterTheZeroOrTheLimit) {
  EXPECT_EQ(2, FindCharN("ab,cd", ',', 10));
  EXPECT_EQ(5, FindCharN("abcde", ',', 10));
  EXPECT_EQ(3, FindCharN("abcde", ',', 3));
  EXPECT_EQ(3, FindCharN("abc", 0, 10));
}

// ---- Number text length ---------------------------------------------------------

TEST(NumberTextLength, MeasuresNumbersAsPrintfWritesThem) {
  struct Case { const char* text; int length; } cases[] = {
      {"-1.#INF", 7},      {"12e", 3},         {"11.5\xB0", 4},   {" \t+47.25e-3x", 11},
      {"1.#qnan0", 8},     {"-1.#IND00", 9},   {"abc", 0},        {"", 0},
      {"1.5E+", 5},        {".5", 2},          {"7.#INFINITY", 6}, {"3", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.length, NumberTextLength(c.text)) << c.text;
}

// ---- Tokens -------------------------------------------------------------------------

std::string Token(const char* source, int* consumed, int size = 1024, char escape = '\\',
                  char quote = '"', int limit = -1) {
  char out[1024];
  *consumed = GetToken(out, source, size, escape, quote, limit);
  return out;
}

TEST(GetToken, ReadsTheFieldsOfALocationsLine) {
  int consumed = 0;
  EXPECT_EQ("Berg H\xFCtte", Token("\"Berg H\xFCtte\",8.5", &consumed));
  EXPECT_EQ(12, consumed);
  EXPECT_EQ("Berg", Token("Berg,8.5", &consumed));
  EXPECT_EQ(4, consumed);
  EXPECT_EQ("8.5", Token("  8.5;9", &consumed));
  EXPECT_EQ(5, consumed);
  EXPECT_EQ("", Token(",x", &consumed));
  EXPECT_EQ(0, consumed);
}

TEST(GetToken, EscapedQuotesAndBracketQuotes) {
  int consumed = 0;
  EXPECT_EQ("Sagt \"Hallo\"", Token("\"Sagt \\\"Hallo\\\"\" rest", &consumed));
  EXPECT_EQ(16, consumed);
  EXPECT_EQ("a\\b", Token("\"a\\b\"", &consumed));  // an escape before anything else stays
  EXPECT_EQ("x)y", Token("(x\\)y) z", &consumed, 1024, '\\', '('));
  EXPECT_EQ(6, consumed);
  EXPECT_EQ("list", Token("[list]", &consumed, 1024, 0, '['));
  EXPECT_EQ(6, consumed);
  EXPECT_EQ("a\\", Token("\"a\\\"", &consumed, 1024, 0, '"'));  // no escape: the quote closes
}

TEST(GetToken, QuotedTokenEndsAtTheLineEnd) {
  int consumed = 0;
  EXPECT_EQ("open", Token("\"open\r\nnext", &consumed));
  EXPECT_EQ(5, consumed);
  EXPECT_EQ("open", Token("\"open", &consumed));
  EXPECT_EQ(5, consumed);
}

TEST(GetToken, SmallDestinationAndLimit) {
  int consumed = 0;
  EXPECT_EQ("abc", Token("abcdef ghi", &consumed, 4));
  EXPECT_EQ(6, consumed);  // the whole token is consumed even when cut
  EXPECT_EQ("ab", Token("abcdef", &consumed, 1024, '\\', '"', 2));
  EXPECT_EQ(2, consumed);
  EXPECT_EQ("ab", Token("\"ab\"", &consumed, 1024, '\\', '"', 3));
  EXPECT_EQ(3, consumed);
  char none[1] = {'x'};
  EXPECT_EQ(3, GetToken(none, "abc", 1, 0, '"', -1));
  EXPECT_EQ('\0', none[0]);
}

// ---- UTF-8 ------------------------------------------------------------------------------

TEST(DecodeUtf8, WellFormedSequencesAndEverythingElse) {
  struct Case { const char* text; int length; std::uint32_t codePoint; } cases[] = {
      {"A", 1, 0x41},
      {"\xC3\xA4", 2, 0xE4},
      {"\xE2\x82\xAC", 3, 0x20AC},
      {"\xF0\x9F\x98\x80", 4, 0x1F600},
      {"\xC0\x80", 1, 0xC0},          // overlong zero
      {"\xE0\x80\xAF", 1, 0xE0},      // overlong slash
      {"\xED\xA0\x80", 1, 0xED},      // surrogate
      {"\xF4\x90\x80\x80", 1, 0xF4},  // above U+10FFFF
      {"\xC3", 1, 0xC3},              // cut short by the end of the text
      {"\xE2\x82", 1, 0xE2},
      {"\x80", 1, 0x80},
      {"\xFC", 1, 0xFC},              // a cp1252 u umlaut
  };
  for (const Case& c : cases) {
    std::uint32_t codePoint = 0;
    EXPECT_EQ(c.length, DecodeUtf8(c.text, codePoint)) << c.text;
    EXPECT_EQ(c.codePoint, codePoint) << c.text;
  }
  std::uint32_t codePoint = 7;
  EXPECT_EQ(0, DecodeUtf8("", codePoint));
  EXPECT_EQ(0u, codePoint);
}

// ---- Letter case --------------------------------------------------------------------------

std::string Normalized(const char* name) {
  char out[256];
  NormalizeCase(out, name, kNormalizeCaseNames);
  return out;
}

TEST(NormalizeCase, CapitalNamesBecomeWordCase) {
  EXPECT_EQ("Program Files", Normalized("PROGRAM FILES"));
  EXPECT_EQ("Stra\xDF" "e", Normalized("Stra\xDF" "e"));  // has a small letter: unchanged
  EXPECT_EQ("Mixed Case", Normalized("Mixed Case"));
  EXPECT_EQ("\xC4rger-M\xFCll", Normalized("\xC4RGER-M\xDCLL"));
  EXPECT_EQ("Readme.txt", Normalized("README.TXT"));
  EXPECT_EQ("A1b_C", Normalized("A1B_C"));
  EXPECT_EQ("", Normalized(""));
  char inPlace[] = "WINDOWS";
  EXPECT_EQ(7, NormalizeCase(inPlace, inPlace, kNormalizeCaseNames));
  EXPECT_STREQ("Windows", inPlace);
}

// ---- Integers -------------------------------------------------------------------------------

std::string Int32(std::int32_t value, std::uint32_t flags) {
  char out[kIntTextCapacity];
  int length = IntToText(value, out, flags);
  EXPECT_EQ(static_cast<int>(std::strlen(out)), length);
  return out;
}

std::string Int64(std::int64_t value, std::uint32_t flags) {
  char out[kIntTextCapacity];
  int length = IntToText(value, out, flags);
  EXPECT_EQ(static_cast<int>(std::strlen(out)), length);
  return out;
}

TEST(IntToText, EveryForm) {
  EXPECT_EQ("0xFF", Int32(255, kIntHexPrefix));
  EXPECT_EQ("0FFh", Int32(255, kIntHexSuffix));
  EXPECT_EQ("7Fh", Int32(127, kIntHexSuffix));
  EXPECT_EQ("-5", Int32(-5, kIntSigned));
  EXPECT_EQ("0b101", Int32(5, kIntBinaryPrefix));
  EXPECT_EQ("0o17", Int32(15, kIntOctalPrefix));
  EXPECT_EQ("101b", Int32(5, kIntBinarySuffix));
  EXPECT_EQ("17o", Int32(15, kIntOctalSuffix));
  EXPECT_EQ("4294967295", Int32(-1, kIntUnsigned));
  EXPECT_EQ("4294967295", Int32(-1, 200));
  EXPECT_EQ("0xFFFFFFFF", Int32(-1, kIntHexPrefix));
  EXPECT_EQ("0", Int32(0, kIntSigned));
  EXPECT_EQ("0b0", Int32(0, kIntBinaryPrefix));
  EXPECT_EQ("-2147483648", Int32(INT32_MIN, kIntSigned));
}

TEST(IntToText, SixtyFourBitValues) {
  EXPECT_EQ("-9223372036854775808", Int64(INT64_MIN, kIntSigned));
  EXPECT_EQ("18446744073709551615", Int64(-1, kIntUnsigned));
  EXPECT_EQ("0xFFFFFFFFFFFFFFFF", Int64(-1, kIntHexPrefix));
  EXPECT_EQ("0b" + std::string(64, '1'), Int64(-1, kIntBinaryPrefix));
  EXPECT_EQ("12345678901", Int64(12345678901LL, kIntSigned));
}

TEST(IntToText, MinimumDigitsLimitsAndPadding) {
  EXPECT_EQ("007", Int32(7, kIntSigned | IntMinDigits(3)));
  EXPECT_EQ("-07", Int32(-7, kIntSigned | IntMinDigits(3)));  // the "-" takes a place
  EXPECT_EQ("-07", Int32(-7, kIntSigned | IntMinDigits(2)));  // below 3 it does not
  EXPECT_EQ("12345", Int32(12345, kIntSigned | IntMinDigits(3)));
  EXPECT_EQ("345", Int32(12345, kIntSigned | IntMinDigits(3) | kIntLimitDigits));
  EXPECT_EQ("  7", Int32(7, kIntSigned | IntMinDigits(3) | kIntPadSpaces));
  EXPECT_EQ(" -7", Int32(-7, kIntSigned | IntMinDigits(3) | kIntPadSpaces));
  EXPECT_EQ("0x00FF", Int32(255, kIntHexPrefix | IntMinDigits(4)));
  EXPECT_EQ("  0xFF", Int32(255, kIntHexPrefix | IntMinDigits(4) | kIntPadSpaces));
  EXPECT_EQ("0A0h", Int32(160, kIntHexSuffix | IntMinDigits(2)));
  EXPECT_EQ("00A0h", Int32(160, kIntHexSuffix | IntMinDigits(4)));
  EXPECT_EQ(std::string(61, '0') + "10b", Int64(2, kIntBinarySuffix | IntMinDigits(63)));
  EXPECT_EQ("0b" + std::string(64, '1'), Int64(-1, kIntBinaryPrefix | IntMinDigits(63)));
}

TEST(IntToText, OwnRadix) {
  EXPECT_EQ("ZZ", Int32(36 * 36 - 1, kIntRadix | 36));
  EXPECT_EQ("120", Int32(15, kIntRadix | 3));
  EXPECT_EQ("1111", Int32(15, kIntRadix | 1));  // below 2 counts as 2
  EXPECT_EQ("ZZ", Int32(36 * 36 - 1, kIntRadix | 99));  // above 36 counts as 36
}

// ---- Scaled values ---------------------------------------------------------------------------

std::string Scaled(std::int64_t value, std::uint32_t flags, const char* unit = "m",
                   int* prefix = nullptr) {
  char out[128];
  int length = FormatScaled(value, out, sizeof out, flags, unit, prefix);
  EXPECT_EQ(static_cast<int>(std::strlen(out)), length);
  return out;
}

TEST(FormatScaled, MetresAndMillimetresAsTheExportRunWritesThem) {
  EXPECT_EQ("12.3 km", Scaled(12345, kScaledMetres));
  EXPECT_EQ("999.0 m", Scaled(999, kScaledMetres));
  EXPECT_EQ("-2.5 km", Scaled(-2500, kScaledMetres));
  EXPECT_EQ("1.0 km", Scaled(1000, kScaledMetres));
  EXPECT_EQ("1.0 Mm", Scaled(1000000, kScaledMetres));
  EXPECT_EQ("150.0 mm", Scaled(150, kScaledMillimetres));
  EXPECT_EQ("12.3 m", Scaled(12345, kScaledMillimetres));
  EXPECT_EQ("0.0 m", Scaled(0, kScaledMetres));
  EXPECT_EQ("-999.0 m", Scaled(-999, kScaledMetres));
  int prefix = -1;
  Scaled(12345, kScaledMetres, "m", &prefix);
  EXPECT_EQ(9, prefix);
}

TEST(FormatScaled, DecimalsAreTruncatedNotRounded) {
  EXPECT_EQ("1.99 km", Scaled(1999, kScaledSigned | kScaledAppendUnit | kScaledSpaceBeforeUnit |
                                        ScaledDecimals(2) | ScaledThreshold(3) |
                                        ScaledStartPrefix(kPrefixNone)));
}

TEST(FormatScaled, TrimmingSeparatorsAndBytes) {
  std::uint32_t base = ScaledThreshold(3) | ScaledStartPrefix(kPrefixNone) | kScaledAppendUnit;
  EXPECT_EQ("1.5k", Scaled(1500, base | ScaledDecimals(3) | kScaledTrimZeros, nullptr));
  EXPECT_EQ("2k", Scaled(2000, base | ScaledDecimals(3) | kScaledTrimZeros, nullptr));
  EXPECT_EQ("1,000,000", Scaled(1000000, ScaledThreshold(9) | ScaledThousandsChar(','), nullptr));
  EXPECT_EQ("1,5 km", Scaled(1500, base | ScaledDecimals(1) | ScaledPointChar(',') |
                                       kScaledSpaceBeforeUnit));
  EXPECT_EQ("512 Byte", Scaled(512, base | kScaledSpaceBeforeUnit, kUnitBytes));
  EXPECT_EQ("1.5 kB", Scaled(1536, kScaledBinary | base | ScaledDecimals(1) |
                                       kScaledSpaceBeforeUnit, kUnitBytes));
  EXPECT_EQ("1.50 MB", Scaled(1572864, kScaledBinary | base | ScaledDecimals(2) |
                                           kScaledSpaceBeforeUnit, kUnitBytes));
  // Aligned: as wide as "2.50 km".
  EXPECT_EQ("2     m", Scaled(2, ScaledThreshold(3) | ScaledStartPrefix(kPrefixNone) | kScaledAligned |
                                    kScaledAppendUnit | ScaledDecimals(2) | kScaledTrimZeros |
                                    kScaledSpaceBeforeUnit));
}

TEST(FormatScaled, ExtremesNeitherOverflowNorRunOffTheRow) {
  EXPECT_EQ("-9.2 Em", Scaled(INT64_MIN, kScaledMetres));
  EXPECT_EQ("18.4 E", Scaled(-1, ScaledThreshold(1) | ScaledStartPrefix(kPrefixNone) |
                                     kScaledAppendUnit | ScaledDecimals(1) |
                                     kScaledSpaceBeforeUnit, nullptr));
  // From the smallest prefix the divisor stops growing before 64 bits overflow.
  EXPECT_EQ("1.000000000000000 \xB5",
            Scaled(1000000000000000000LL, ScaledThreshold(0) | ScaledStartPrefix(0) |
                                              kScaledAppendUnit | ScaledDecimals(15) |
                                              kScaledSpaceBeforeUnit,
                   nullptr));
  char small[6];
  EXPECT_EQ(5, FormatScaled(12345, small, sizeof small, kScaledMetres, "m"));
  EXPECT_STREQ("12.3 ", small);
}

// ---- Wildcard pattern --------------------------------------------------------------------------

const char kRoutePattern[] = "coordinates\\_LineString\\_LineString\\_coordinates";

int MatchRoute(const char* text) {
  return MatchPattern(kRoutePattern, static_cast<int>(std::strlen(kRoutePattern)), text,
                      static_cast<int>(std::strlen(text)), kMatchNoCase | kMatchTextLength);
}

TEST(MatchPattern, CoversTheTagsBetweenTwoLineStrings) {
  EXPECT_EQ(46, MatchRoute("COORDINATES  LineString LineString coordinates 8.1"));
  EXPECT_EQ(0, MatchRoute("COORDINATESLineString LineString coordinates 8.1"));
  EXPECT_EQ(45, MatchRoute("coordinates\tlinestring linestring coordinates"));
  EXPECT_EQ(0, MatchRoute("coordinates   LineString   tessellate LineString coordinates"));
  EXPECT_EQ(0, MatchRoute("coordinates LineString LineString coordinate"));
  EXPECT_EQ(0, MatchRoute(""));
}

int Match(const char* pattern, const char* text, int flags) {
  return MatchPattern(pattern, static_cast<int>(std::strlen(pattern)), text,
                      static_cast<int>(std::strlen(text)), flags);
}

TEST(MatchPattern, WildcardsCaseAndLengths) {
  EXPECT_EQ(3, Match("a?c", "abcd", kMatchTextLength));
  EXPECT_EQ(0, Match("a?c", "ab", kMatchTextLength));
  EXPECT_EQ(0, Match("ABC", "abc", kMatchTextLength));
  EXPECT_EQ(3, Match("ABC", "abc", kMatchTextLength | kMatchNoCase));
  EXPECT_EQ(1, Match("ABC", "abc", kMatchNoCase));
  EXPECT_EQ(0, Match("ABC", "abd", kMatchNoCase));
  EXPECT_EQ(6, Match("ab*", "abcdef", kMatchTextLength));
  EXPECT_EQ(2, Match("ab*", "ab", kMatchTextLength));
  EXPECT_EQ(3, Match("\\_x", "  x", kMatchTextLength));   // blanks at the start
  EXPECT_EQ(1, Match("\\_x", "x", kMatchTextLength));     // may be none at the start
  EXPECT_EQ(0, Match("x\\_y", "xy", kMatchTextLength));   // but not later
  EXPECT_EQ(3, Match("a\\?b", "a?b", kMatchTextLength));  // escaped: literal
  EXPECT_EQ(0, Match("a\\?b", "axb", kMatchTextLength));
  EXPECT_EQ(3, Match("a*b", "a*b", kMatchTextLength));    // a "*" inside is literal
  EXPECT_EQ(2, Match("a\\", "a\\", kMatchTextLength));    // a final backslash is literal
  EXPECT_EQ(0, Match("", "abc", kMatchTextLength));
  EXPECT_EQ(1, Match("", "abc", 0));
}

TEST(MatchPattern, RespectsTheTextLengthNotTheTerminator) {
  const char text[] = "abc";
  EXPECT_EQ(0, MatchPattern("abc", 3, text, 2, kMatchTextLength));
  EXPECT_EQ(2, MatchPattern("ab*", 3, text, 2, kMatchTextLength));
}

// ---- Decimal numbers ---------------------------------------------------------------------------

struct Parsed {
  double value;
  int used;
};

Parsed Parse(const char* text) {
  const char* end = nullptr;
  double value = ParseDecimal(text, &end);
  return {value, static_cast<int>(end - text)};
}

TEST(ParseDecimal, DecimalSyntaxOnly) {
  struct Case { const char* text; double value; int used; } cases[] = {
      {"11.5", 11.5, 4},         {"  -47.25,", -47.25, 8},  {"+.5x", 0.5, 3},
      {"5.", 5.0, 2},            {"1e3", 1000.0, 3},        {"1E-2", 0.01, 4},
      {"1e", 1.0, 1},            {"1e+", 1.0, 1},           {"2.5e+x", 2.5, 3},
      {"inf", 0.0, 0},           {"-nan", 0.0, 0},          {"0x1A", 0.0, 1},
      {"infinity", 0.0, 0},      {"", 0.0, 0},              {"-", 0.0, 0},
      {".", 0.0, 0},             {"-.e5", 0.0, 0},          {"\n\t 3", 3.0, 4},
      {"1,5", 1.0, 1},           {"00012.50", 12.5, 8},     {"-abc", 0.0, 0},
  };
  for (const Case& c : cases) {
    Parsed got = Parse(c.text);
    EXPECT_EQ(c.value, got.value) << c.text;
    EXPECT_EQ(c.used, got.used) << c.text;
  }
  EXPECT_TRUE(std::signbit(Parse("-0.0").value));
}

TEST(ParseDecimal, CorrectlyRoundedLikeStrtod) {
  EXPECT_EQ(0.1, Parse("0.1").value);
  EXPECT_EQ(47.123456789012345, Parse("47.123456789012345").value);
  EXPECT_EQ(2.2250738585072014e-308, Parse("2.2250738585072014e-308").value);
  EXPECT_EQ(4.9406564584124654e-324, Parse("4.9406564584124654e-324").value);
  // Exactly between two doubles: round to even.
  EXPECT_EQ(9007199254740992.0, Parse("9007199254740993").value);
  // Many more digits than a double holds.
  std::string longDigits = "1." + std::string(5000, '0') + "1";
  EXPECT_EQ(1.0, Parse(longDigits.c_str()).value);
  EXPECT_EQ(static_cast<int>(longDigits.size()), Parse(longDigits.c_str()).used);
}

// Both builds must read every number to the same, correctly rounded bits.
// The C library's strtod serves as the oracle here (glibc, and mingw's own
// with __USE_MINGW_ANSI_STDIO); the tests run in the "C" locale.
TEST(ParseDecimal, HardCasesRoundLikeStrtod) {
  const char* const cases[] = {
      "2.2250738585072011e-308", "2.2250738585072012e-308", "1.7976931348623157e308",
      "1.7976931348623158e308",  "1.7976931348623159e308",  "4.9406564584124654e-324",
      "2.4703282292062327e-324", "2.4703282292062328e-324", "9007199254740993",
      "9007199254740995",        "390509155204.151e14",     "0.30000000000000004441",
      "123456789012345678901234567890", "1e23", "8.98846567431158e307",
      "2.470328229206232720882538e-324", "7.2057594037927933e16",
      "0.000000000000000000000000000000000000000001000000000000000000000000001e-280",
  };
  for (const char* text : cases)
    EXPECT_EQ(std::strtod(text, nullptr), Parse(text).value) << text;
  // The exact halfway point between 1 and the next double, then a digit far behind.
  std::string halfway = "1.00000000000000011102230246251565404236316680908203125";
  EXPECT_EQ(1.0, Parse(halfway.c_str()).value);
  EXPECT_EQ(std::nextafter(1.0, 2.0), Parse((halfway + std::string(900, '0') + "1").c_str()).value);
}

TEST(ParseDecimal, RandomNumbersRoundLikeStrtod) {
  std::uint64_t state = 88172645463325252ULL;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int i = 0; i < 100000; ++i) {
    int length = 1 + static_cast<int>(next() % 30);
    std::string text;
    for (int d = 0; d < length; ++d) text += static_cast<char>('0' + next() % 10);
    int point = static_cast<int>(next() % (length + 1));
    if (point < length) text.insert(static_cast<std::size_t>(point), ".");
    if (i % 2 == 0) text += "e" + std::to_string(static_cast<int>(next() % 680) - 350);
    Parsed got = Parse(text.c_str());
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), got.value) << text;
    ASSERT_EQ(static_cast<int>(text.size()), got.used) << text;
  }
}

TEST(ParseDecimal, OutOfRangeGoesToInfinityOrZeroLikeStrtod) {
  EXPECT_EQ(std::numeric_limits<double>::infinity(), Parse("1e400").value);
  EXPECT_EQ(-std::numeric_limits<double>::infinity(), Parse("-1e400").value);
  EXPECT_EQ(std::numeric_limits<double>::infinity(), Parse("0.001e312").value);
  EXPECT_EQ(0.0, Parse("1e-400").value);
  EXPECT_EQ(0.0, Parse("1000e-330").value);
  EXPECT_EQ(std::numeric_limits<double>::infinity(), Parse("1e99999999999999999999").value);
  EXPECT_EQ(0.0, Parse("1e-99999999999999999999").value);
  EXPECT_EQ(5, Parse("1e400").used);
}

TEST(ParseDecimal, IgnoresTheProcessLocale) {
  if (!SetGermanLocale()) GTEST_SKIP() << "no German locale installed";
  Parsed got = Parse("11.5");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(11.5, got.value);
  EXPECT_EQ(4, got.used);
}

// ---- Fixed-point decimals ------------------------------------------------------------------------

// The report's numbers must keep the bytes printf gave them, in both builds:
// printf itself is the oracle (glibc's, and mingw's own).
std::string Printf(double value, int decimals, int width, bool plusSign) {
  char text[512];
  std::snprintf(text, sizeof text, plusSign ? "%+*.*f" : "%*.*f", width, decimals, value);
  return text;
}

std::string Fixed(double value, int decimals, int width, bool plusSign) {
  std::string text = "<";
  AppendFixed(text, value, decimals, width, plusSign);
  return text.substr(1);
}

TEST(AppendFixed, WritesWhatPrintfWritesForHalvesEdgesAndRandomValues) {
  const double infinity = std::numeric_limits<double>::infinity();
  const double cases[] = {
      0.0, -0.0, 0.125, 0.375, -0.625, 2.5, 3.5, 1.05, 1.0 / 128, 3.0 / 128, -1.0078125, 1234.625,
      0.9999995, 9.9999995, 99.995, 0.0049999999999999, 1e-7, -4e-7, 5e-7, 4.9406564584124654e-324,
      -1e-300, 42.54247199999999, -179.9999999, 999999999.99999994, 999999999.4999999, 1e9, -1e9,
      1e20, 12345678901234567.0, infinity, -infinity, std::nan(""),
  };
  for (double value : cases)
    for (int decimals : {0, 1, 2, 6, 9, 10})
      for (bool plusSign : {false, true})
        for (int width : {0, 7, 14})
          ASSERT_EQ(Printf(value, decimals, width, plusSign), Fixed(value, decimals, width, plusSign))
              << value << " " << decimals << " " << width << " " << plusSign;

  std::uint64_t state = 2463534242ULL;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int i = 0; i < 100000; ++i) {
    // Any 53-bit significand from 2^-40 to 2^31, or a value just off a half.
    double value = std::ldexp(static_cast<double>(next() >> 11), static_cast<int>(next() % 72) - 93);
    const int decimals = static_cast<int>(next() % 10);
    if (i % 4 == 0) value = (std::floor(value * 1e3) + 0.5) / 1e3 + (static_cast<int>(next() % 3) - 1) * 1e-12;
    if (i % 2 == 0) value = -value;
    ASSERT_EQ(Printf(value, decimals, 0, i % 3 == 0), Fixed(value, decimals, 0, i % 3 == 0))
        << value << " " << decimals;
  }
}

}  // namespace
