// Text scanning and number conversion over 8-bit, zero-terminated texts in
// code page 1252: a character-class table with run scanners, bounded copying
// and searching, token extraction, integer and scaled-value formatting, a
// small wildcard matcher, UTF-8 decoding and a locale-free decimal reader.
//
// Counts and indexes are ints: the texts handled here are file names, lines
// and route files held in memory, never beyond 2 GB. Every function stops at
// the terminating zero, so a scanner never runs past the end of a text.
#pragma once
#include <cstdint>
#include <string>

// ---- Character classes ------------------------------------------------------
// A byte belongs to every class whose bit is set in its table entry.
constexpr std::uint32_t kClassDigit = 0x1;              // 0-9
constexpr std::uint32_t kClassUpper = 0x2;              // A-Z
constexpr std::uint32_t kClassLower = 0x4;              // a-z
constexpr std::uint32_t kClassUnderscore = 0x8;         // _
constexpr std::uint32_t kClassHighOther = 0x10;         // 0x80-0xBF, 0xDE, 0xFE, 0xFF
constexpr std::uint32_t kClassBlank = 0x20;             // space, tab
constexpr std::uint32_t kClassLineBreak = 0x40;         // CR, LF
constexpr std::uint32_t kClassDoubleQuote = 0x80;       // "
constexpr std::uint32_t kClassOpening = 0x100;          // ! ( , ; [ ^ { < @ and 0x7F
constexpr std::uint32_t kClassFullStop = 0x200;         // .
constexpr std::uint32_t kClassApostrophe = 0x400;       // '
constexpr std::uint32_t kClassClosing = 0x800;          // ) > ] }
constexpr std::uint32_t kClassParenthesis = 0x1000;     // ( )
constexpr std::uint32_t kClassSquareBracket = 0x2000;   // [ ]
constexpr std::uint32_t kClassCurlyBracket = 0x4000;    // { }
constexpr std::uint32_t kClassAngleBracket = 0x8000;    // < >
constexpr std::uint32_t kClassBinaryDigit = 0x10000;    // 0 1
constexpr std::uint32_t kClassOctalDigit = 0x20000;     // 0-7
constexpr std::uint32_t kClassHexLetter = 0x40000;      // A-F a-f
constexpr std::uint32_t kClassHash = 0x80000;           // #
constexpr std::uint32_t kClassBackslash = 0x100000;     // backslash
constexpr std::uint32_t kClassSlash = 0x200000;         // /
constexpr std::uint32_t kClassColon = 0x400000;         // :
constexpr std::uint32_t kClassStar = 0x800000;          // *
constexpr std::uint32_t kClassQuestion = 0x1000000;     // ?
constexpr std::uint32_t kClassMinus = 0x2000000;        // -
constexpr std::uint32_t kClassPlus = 0x4000000;         // +
constexpr std::uint32_t kClassPercent = 0x8000000;      // %
constexpr std::uint32_t kClassAccentedUpper = 0x10000000;  // 0xC0-0xDD
constexpr std::uint32_t kClassAccentedLower = 0x20000000;  // 0xDF-0xFD
constexpr std::uint32_t kClassOther = 0x40000000;       // other controls, $ & = ` | ~
constexpr std::uint32_t kClassTerminator = 0x80000000;  // the terminating zero

// White space as the route reader sees it: space, tab, CR, LF.
constexpr std::uint32_t kClassWhite = kClassBlank | kClassLineBreak;
constexpr std::uint32_t kClassLetter =
    kClassUpper | kClassLower | kClassAccentedUpper | kClassAccentedLower;

// The class bits of one byte.
std::uint32_t CharClass(char c);

// ---- Scanners: the length of the leading run ---------------------------------
int SkipClass(const char* text, std::uint32_t mask);                // in a class of mask
int SkipClassN(const char* text, std::uint32_t mask, int limit);    // ... at most limit
int SkipNotClass(const char* text, std::uint32_t mask);             // in no class of mask
int SkipNotClassN(const char* text, std::uint32_t mask, int limit); // ... at most limit

// ---- Searching and copying ----------------------------------------------------
// Index of the first occurrence of pattern, -1 when absent, 0 for "".
int FindText(const char* text, const char* pattern);
// The same with ASCII letters compared without regard to case.
int FindNoCase(const char* text, const char* pattern);
// Copies at most size - 1 characters and always terminates; writes nothing
// for size < 1. Returns the number of characters copied.
int CopyN(char* destination, const char* source, int size);
// Appends like CopyN behind the text in destination (size is the whole
// buffer); a destination without a terminator within size is left alone.
// Returns the number of characters appended.
int AppendN(char* destination, const char* source, int size);
// Index of the first character or terminating zero, or limit if neither
// comes first.
int FindCharN(const char* text, char character, int limit);

// Length of a floating-point number as printf writes it at the start of
// text: blanks, sign, digits, "." with digits or a special form ("#INF",
// "#IND", "#QNAN", any case), exponent with optional sign and digits.
int NumberTextLength(const char* text);

// Reads one token of source into destination (size bytes, always terminated)
// and returns the number of source characters consumed, at most limit (a
// negative limit means up to the terminating zero). Leading blanks are
// skipped. Unquoted tokens end before a control character, space, comma or
// semicolon. A token opened by quote ends at its closing character (the
// quote itself, or the partner of ( [ { <), which is consumed, or at the end
// of the line; with escape != 0 an escaped closing character is part of it.
int GetToken(char* destination, const char* source, int size, char escape, char quote,
             int limit);

// Decodes one well-formed UTF-8 sequence of 2 to 4 bytes and returns its
// length; any other byte is its own code point with length 1. Returns 0
// (code point 0) at the terminating zero.
int DecodeUtf8(const char* text, std::uint32_t& codePoint);

// ---- Code page 1252 -------------------------------------------------------------------
// The program's texts and files are code page 1252. Its five undefined bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for their own value, as Windows maps
// them, so every byte has a code point and back.

std::uint32_t Cp1252ToCodePoint(unsigned char byte);
// The byte of a code point, '?' for one that code page 1252 lacks.
char CodePointToCp1252(std::uint32_t codePoint);
// True when the bytes (zero bytes included) are well-formed UTF-8 with at
// least one sequence beyond ASCII: such a text is taken for UTF-8, not for
// code page 1252, whose letters rarely form valid sequences.
bool IsUtf8BeyondAscii(const std::string& text);
// A well-formed UTF-8 text in code page 1252.
std::string Utf8ToCp1252(const std::string& text);
// A code page 1252 text in UTF-8, every byte as its code point.
std::string Cp1252ToUtf8(const std::string& text);

// Rewrites letter case by word. With kNormalizeCaseNames a name holding a
// small letter is copied unchanged; otherwise each letter after a letter or
// digit becomes small. Bit 0x200 also lowers the whole extension behind the
// last full stop. destination needs the source's length + 1 bytes and may be
// the source itself. Returns the length.
constexpr std::uint32_t kNormalizeCaseNames = 0xA200;
int NormalizeCase(char* destination, const char* source, std::uint32_t flags);

// ---- Integer to text ------------------------------------------------------------
// Low byte of flags: the form.
constexpr std::uint32_t kIntSigned = 0;         // -123
constexpr std::uint32_t kIntHexPrefix = 1;      // 0xFF
constexpr std::uint32_t kIntBinaryPrefix = 2;   // 0b101
constexpr std::uint32_t kIntOctalPrefix = 3;    // 0o17
constexpr std::uint32_t kIntHexSuffix = 4;      // 0FFh
constexpr std::uint32_t kIntBinarySuffix = 5;   // 101b
constexpr std::uint32_t kIntOctalSuffix = 6;    // 17o
constexpr std::uint32_t kIntUnsigned = 7;       // 7 and above: unsigned decimal
// Bits 8-13: minimum number of digits (zeros in front).
constexpr std::uint32_t IntMinDigits(int digits) { return (std::uint32_t(digits) & 0x3F) << 8; }
constexpr std::uint32_t kIntLimitDigits = 0x4000;  // also at most that many (lowest stay)
constexpr std::uint32_t kIntRadix = 0x8000;        // the low byte is the radix (2-36), no marker
constexpr std::uint32_t kIntPadSpaces = 0x10000;   // reach the minimum with spaces in front

// Buffer size that holds every IntToText result with its terminator.
constexpr int kIntTextCapacity = 72;

// Writes value in the form of flags; returns the text length. Non-decimal
// forms show the value's bit pattern (unsigned).
int IntToText(std::int32_t value, char* destination, std::uint32_t flags);
int IntToText(std::int64_t value, char* destination, std::uint32_t flags);

// ---- Scaled values with SI prefix -----------------------------------------------
constexpr std::uint32_t kScaledSigned = 0x1;
constexpr std::uint32_t kScaledTrimZeros = 0x2;      // drop trailing zeros (and the point)
constexpr std::uint32_t kScaledAppendUnit = 0x4;     // prefix and unit behind the number
constexpr std::uint32_t kScaledSpaceBeforeUnit = 0x8;
constexpr std::uint32_t ScaledDecimals(int count) { return (std::uint32_t(count) & 0xF) << 4; }
constexpr std::uint32_t ScaledThreshold(int exponent) { return (std::uint32_t(exponent) & 0xF) << 8; }
constexpr std::uint32_t ScaledStartPrefix(int index) { return (std::uint32_t(index) & 0xF) << 12; }
constexpr std::uint32_t ScaledPointChar(char c) { return (std::uint32_t(c) & 0x7F) << 16; }
constexpr std::uint32_t kScaledAligned = 0x800000;   // spaces where separators/prefix are absent
constexpr std::uint32_t ScaledThousandsChar(char c) { return (std::uint32_t(c) & 0x7F) << 24; }
constexpr std::uint32_t kScaledBinary = 0x80000000;  // steps of 1024

// Prefix row: y z a f p n u m (7), none (8), k M G T P E (14).
constexpr int kPrefixNone = 8;
// The flags the export run uses with unit "m": metres, and millimetres.
constexpr std::uint32_t kScaledMetres = 0x831D;
constexpr std::uint32_t kScaledMillimetres = 0x731D;

// Pass as unit for byte counts: "Byte" without prefix, else prefix + "B".
extern const char kUnitBytes[];

// Writes value as a scaled decimal with prefix and unit (no unit for null)
// into destination of size bytes (truncated, always terminated). Returns the
// length written; stores the prefix index used when prefixIndex is given.
int FormatScaled(std::int64_t value, char* destination, int size, std::uint32_t flags,
                 const char* unit, int* prefixIndex = nullptr);

// ---- Fixed-point decimals -----------------------------------------------------------
// Appends value as printf's "%.<decimals>f" writes it ("%+..." with
// plusSign, right-aligned in at least width characters): correctly rounded,
// exact halves to even, "-" for negative values and -0. A fraction of
// printf's cost for the values a report holds; magnitudes of 1e9 and
// beyond, infinities, NaN and decimals beyond 9 are left to snprintf itself.
void AppendFixed(std::string& text, double value, int decimals, int width = 0, bool plusSign = false);

// ---- Wildcard pattern ---------------------------------------------------------------
// Matches pattern against the start of text (both with explicit lengths).
// "?" matches any one character, "\_" a run of blanks (at least one except at
// the very start of the pattern), a final "*" the rest of the text; "\" before
// any other character makes it literal.
constexpr int kMatchNoCase = 1;       // ASCII letters without regard to case
constexpr int kMatchTextLength = 4;   // result: text characters matched
// Without kMatchTextLength: 1 for a match, 0 for none. With it: the number of
// text characters matched, 0 for none.
int MatchPattern(const char* pattern, int patternLength, const char* text, int textLength,
                 int flags);

// ---- Decimal numbers ------------------------------------------------------------------
// Reads optional white space and sign, digits, an optional fraction and an
// optional exponent, correctly rounded and independent of the process locale.
// "inf", "nan" and hexadecimal forms are not numbers: they read as their
// decimal prefix. Without any digit the result is 0 and *end == text.
// Values beyond the range of double give +-infinity or +-0 like strtod.
double ParseDecimal(const char* text, const char** end);

// The whole number at the start of an entry field's text: blanks and tabs,
// an optional sign, decimal digits; anything after them is ignored. Values
// beyond 32 bits saturate at INT32_MIN / INT32_MAX; no digits give 0.
std::int32_t SaturatedIntFromText(const std::string& text);
