// Text scanning and number conversion. Every loop here looks at one byte at a
// time and stops at the terminating zero, so damaged input can shorten a
// result but never make a scanner leave its text. The class table is built
// at compile time from the ranges it documents. Decimal numbers go through
// std::from_chars, which is correctly rounded and knows nothing of locales;
// the scanner in front of it decides what counts as a number.
#include "support/text_scan.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

// ---- Character classes ------------------------------------------------------

namespace {

constexpr bool InRange(int c, int low, int high) { return c >= low && c <= high; }

constexpr bool IsOneOf(int c, const char* members) {
  for (; *members; ++members)
    if (c == static_cast<unsigned char>(*members)) return true;
  return false;
}

constexpr std::uint32_t ClassBitsOf(int c) {
  std::uint32_t bits = 0;
  if (InRange(c, '0', '9')) bits |= kClassDigit;
  if (InRange(c, 'A', 'Z')) bits |= kClassUpper;
  if (InRange(c, 'a', 'z')) bits |= kClassLower;
  if (c == '_') bits |= kClassUnderscore;
  if (InRange(c, 0x80, 0xBF) || c == 0xDE || c == 0xFE || c == 0xFF) bits |= kClassHighOther;
  if (c == ' ' || c == '\t') bits |= kClassBlank;
  if (c == '\r' || c == '\n') bits |= kClassLineBreak;
  if (c == '"') bits |= kClassDoubleQuote;
  if (IsOneOf(c, "!(,;[^{<@\x7F")) bits |= kClassOpening;
  if (c == '.') bits |= kClassFullStop;
  if (c == '\'') bits |= kClassApostrophe;
  if (IsOneOf(c, ")>]}")) bits |= kClassClosing;
  if (IsOneOf(c, "()")) bits |= kClassParenthesis;
  if (IsOneOf(c, "[]")) bits |= kClassSquareBracket;
  if (IsOneOf(c, "{}")) bits |= kClassCurlyBracket;
  if (IsOneOf(c, "<>")) bits |= kClassAngleBracket;
  if (c == '0' || c == '1') bits |= kClassBinaryDigit;
  if (InRange(c, '0', '7')) bits |= kClassOctalDigit;
  if (InRange(c, 'A', 'F') || InRange(c, 'a', 'f')) bits |= kClassHexLetter;
  if (c == '#') bits |= kClassHash;
  if (c == '\\') bits |= kClassBackslash;
  if (c == '/') bits |= kClassSlash;
  if (c == ':') bits |= kClassColon;
  if (c == '*') bits |= kClassStar;
  if (c == '?') bits |= kClassQuestion;
  if (c == '-') bits |= kClassMinus;
  if (c == '+') bits |= kClassPlus;
  if (c == '%') bits |= kClassPercent;
  if (InRange(c, 0xC0, 0xDD)) bits |= kClassAccentedUpper;
  if (InRange(c, 0xDF, 0xFD)) bits |= kClassAccentedLower;
  if (InRange(c, 0x01, 0x08) || c == 0x0B || c == 0x0C || InRange(c, 0x0E, 0x1F) ||
      IsOneOf(c, "$&=`|~"))
    bits |= kClassOther;
  if (c == 0) bits |= kClassTerminator;
  return bits;
}

struct ClassTable {
  std::uint32_t bits[256];
  constexpr ClassTable() : bits() {
    for (int c = 0; c < 256; ++c) bits[c] = ClassBitsOf(c);
  }
};

constexpr ClassTable kClassTable;

inline std::uint32_t ClassAt(const char* text, int index) {
  return kClassTable.bits[static_cast<unsigned char>(text[index])];
}

inline unsigned char Fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
}

}  // namespace

std::uint32_t CharClass(char c) { return kClassTable.bits[static_cast<unsigned char>(c)]; }

// ---- Scanners -----------------------------------------------------------------

// The unlimited scanners are the route reader's inner loops over whole
// files: one table look-up per byte, nothing else.
int SkipClass(const char* text, std::uint32_t mask) {
  mask &= ~kClassTerminator;
  const char* p = text;
  while (kClassTable.bits[static_cast<unsigned char>(*p)] & mask) ++p;
  return static_cast<int>(p - text);
}

int SkipClassN(const char* text, std::uint32_t mask, int limit) {
  mask &= ~kClassTerminator;  // asking to skip the zero must not run off the text
  int count = 0;
  while (count < limit && (ClassAt(text, count) & mask)) ++count;
  return count;
}

int SkipNotClass(const char* text, std::uint32_t mask) {
  mask |= kClassTerminator;
  const char* p = text;
  while (!(kClassTable.bits[static_cast<unsigned char>(*p)] & mask)) ++p;
  return static_cast<int>(p - text);
}

int SkipNotClassN(const char* text, std::uint32_t mask, int limit) {
  mask |= kClassTerminator;
  int count = 0;
  while (count < limit && !(ClassAt(text, count) & mask)) ++count;
  return count;
}

// ---- Searching and copying ------------------------------------------------------

int FindText(const char* text, const char* pattern) {
  const char* found = std::strstr(text, pattern);
  return found ? static_cast<int>(found - text) : -1;
}

// Jumps to candidates with strcspn (both cases of the first character), which
// the C library runs many bytes at a time: the route reader searches whole
// files for keywords that are often absent.
int FindNoCase(const char* text, const char* pattern) {
  if (!*pattern) return 0;
  unsigned char first = Fold(pattern[0]);
  char candidates[3] = {static_cast<char>(first), 0, 0};
  if (first >= 'a' && first <= 'z') candidates[1] = static_cast<char>(first - 32);
  for (const char* p = text;;) {
    p += std::strcspn(p, candidates);
    if (!*p) return -1;
    int i = 1;
    while (pattern[i] && Fold(p[i]) == Fold(pattern[i])) ++i;
    if (!pattern[i]) return static_cast<int>(p - text);
    ++p;
  }
}

int CopyN(char* destination, const char* source, int size) {
  if (size < 1) return 0;
  int count = 0;
  while (count < size - 1 && source[count]) {
    destination[count] = source[count];
    ++count;
  }
  destination[count] = 0;
  return count;
}

int AppendN(char* destination, const char* source, int size) {
  int length = FindCharN(destination, 0, size);
  if (length >= size) return 0;
  return CopyN(destination + length, source, size - length);
}

int FindCharN(const char* text, char character, int limit) {
  for (int i = 0; i < limit; ++i)
    if (text[i] == character || text[i] == 0) return i;
  return limit < 0 ? 0 : limit;
}

// ---- Number text length -----------------------------------------------------------

namespace {

int SkipDigits(const char* text) { return SkipClass(text, kClassDigit); }

// "#INF", "#IND", "#QNAN" in any case, as the Windows runtime prints them.
int SpecialFormLength(const char* text) {
  static const char* const kForms[] = {"#INF", "#IND", "#QNAN"};
  for (const char* form : kForms) {
    int length = static_cast<int>(std::strlen(form));
    int i = 0;
    while (i < length && Fold(text[i]) == Fold(form[i])) ++i;
    if (i == length) return length;
  }
  return 0;
}

}  // namespace

int NumberTextLength(const char* text) {
  int i = SkipClass(text, kClassBlank);
  if (text[i] == '+' || text[i] == '-') ++i;
  i += SkipDigits(text + i);
  if (text[i] == '.') {
    ++i;
    i += SpecialFormLength(text + i);
    i += SkipDigits(text + i);
  }
  if (text[i] == 'e' || text[i] == 'E') {
    ++i;
    if (text[i] == '+' || text[i] == '-') ++i;
    i += SkipDigits(text + i);
  }
  return i;
}

// ---- Tokens ---------------------------------------------------------------------------

namespace {

char ClosingPartner(char quote) {
  switch (quote) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return quote;
  }
}

bool IsTokenDelimiter(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || c == ' ' || c == ',' || c == ';';
}

// Appends one character to a bounded, terminated destination.
void PutBounded(char* destination, int size, int& length, char c) {
  if (length < size - 1) {
    destination[length++] = c;
    destination[length] = 0;
  }
}

int ReadQuotedToken(char* destination, const char* source, int size, char escape, char quote,
                    int limit) {
  char closing = ClosingPartner(quote);
  int length = 0;
  int i = 1;  // the opening character
  while (i < limit) {
    char c = source[i];
    if (c == 0 || c == '\r' || c == '\n') break;
    if (c == closing) return i + 1;
    if (escape != 0 && c == escape && i + 1 < limit && source[i + 1] == closing) {
      PutBounded(destination, size, length, closing);
      i += 2;
      continue;
    }
    PutBounded(destination, size, length, c);
    ++i;
  }
  return i;
}

}  // namespace

int GetToken(char* destination, const char* source, int size, char escape, char quote,
             int limit) {
  if (limit < 0) limit = INT_MAX;
  if (size >= 1) destination[0] = 0;
  int start = SkipClassN(source, kClassBlank, limit);
  if (start < limit && quote != 0 && source[start] == quote) {
    int consumed =
        ReadQuotedToken(destination, source + start, size, escape, quote, limit - start);
    return start + consumed;
  }
  int length = 0;
  int i = start;
  while (i < limit && !IsTokenDelimiter(source[i])) PutBounded(destination, size, length, source[i++]);
  return i;
}

// ---- UTF-8 ------------------------------------------------------------------------------

int DecodeUtf8(const char* text, std::uint32_t& codePoint) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(text);
  codePoint = u[0];
  if (u[0] == 0) return 0;
  int length = 0;
  std::uint32_t value = 0, minimum = 0;
  if (u[0] >= 0xC2 && u[0] <= 0xDF) { length = 2; value = u[0] & 0x1F; minimum = 0x80; }
  else if ((u[0] & 0xF0) == 0xE0) { length = 3; value = u[0] & 0x0F; minimum = 0x800; }
  else if (u[0] >= 0xF0 && u[0] <= 0xF4) { length = 4; value = u[0] & 0x07; minimum = 0x10000; }
  else return 1;
  for (int i = 1; i < length; ++i) {
    if ((u[i] & 0xC0) != 0x80) return 1;  // also stops at the terminating zero
    value = (value << 6) | (u[i] & 0x3F);
  }
  bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (value < minimum || value > 0x10FFFF || surrogate) return 1;
  codePoint = value;
  return length;
}

// ---- Code page 1252 -----------------------------------------------------------------------

namespace {

// Code points of the bytes 0x80-0x9F; the rest of code page 1252 is Latin-1.
const std::uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::uint32_t Cp1252ToCodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

char CodePointToCp1252(std::uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<char>(codePoint);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == codePoint) return static_cast<char>(0x80 + i);
  return '?';
}

bool IsUtf8BeyondAscii(const std::string& text) {
  bool beyond = false;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {  // the zero byte too
      ++i;
      continue;
    }
    std::uint32_t codePoint = 0;
    const int length = DecodeUtf8(text.c_str() + i, codePoint);
    if (length < 2) return false;
    beyond = true;
    i += static_cast<std::size_t>(length);
  }
  return beyond;
}

std::string Utf8ToCp1252(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t codePoint = static_cast<unsigned char>(text[i]);
    const int length = codePoint == 0 ? 1 : DecodeUtf8(text.c_str() + i, codePoint);
    out += CodePointToCp1252(codePoint);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const std::uint32_t codePoint = Cp1252ToCodePoint(static_cast<unsigned char>(c));
    if (codePoint < 0x80) {
      out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      out += static_cast<char>(0xC0 | (codePoint >> 6));
      out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (codePoint >> 12));
      out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
  }
  return out;
}

// ---- Letter case --------------------------------------------------------------------------

namespace {

constexpr std::uint32_t kNormalizeLowerExtension = 0x200;

char ToSmall(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  bool capital = (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7);
  return capital ? static_cast<char>(u + 32) : c;
}

}  // namespace

int NormalizeCase(char* destination, const char* source, std::uint32_t flags) {
  int length = static_cast<int>(std::strlen(source));
  bool hasSmall = false;
  for (int i = 0; i < length; ++i)
    if (ClassAt(source, i) & (kClassLower | kClassAccentedLower)) hasSmall = true;
  std::memmove(destination, source, static_cast<std::size_t>(length) + 1);
  if (hasSmall) return length;

  const char* lastStop = (flags & kNormalizeLowerExtension) ? std::strrchr(destination, '.') : nullptr;
  int extension = lastStop ? static_cast<int>(lastStop - destination) : length;
  bool afterWordCharacter = false;
  for (int i = 0; i < length; ++i) {
    std::uint32_t bits = ClassAt(destination, i);
    bool letter = (bits & kClassLetter) != 0;
    if (letter && (afterWordCharacter || i > extension)) destination[i] = ToSmall(destination[i]);
    afterWordCharacter = letter || (bits & kClassDigit);
  }
  return length;
}

// ---- Integer to text ------------------------------------------------------------------------

namespace {

struct IntForm {
  unsigned radix;
  const char* prefix;
  const char* suffix;
  bool isSigned;
  bool zeroBeforeLetter;
};

IntForm FormOf(std::uint32_t flags) {
  unsigned low = flags & 0xFF;
  if (flags & kIntRadix) {
    unsigned radix = low < 2 ? 2 : (low > 36 ? 36 : low);
    return {radix, "", "", false, false};
  }
  switch (low) {
    case kIntSigned: return {10, "", "", true, false};
    case kIntHexPrefix: return {16, "0x", "", false, false};
    case kIntBinaryPrefix: return {2, "0b", "", false, false};
    case kIntOctalPrefix: return {8, "0o", "", false, false};
    case kIntHexSuffix: return {16, "", "h", false, true};
    case kIntBinarySuffix: return {2, "", "b", false, false};
    case kIntOctalSuffix: return {8, "", "o", false, false};
    default: return {10, "", "", false, false};
  }
}

int FormatInteger(std::uint64_t magnitude, bool negative, char* destination, std::uint32_t flags) {
  IntForm form = FormOf(flags);
  char digits[64];  // lowest digit first
  int count = 0;
  do {
    unsigned digit = static_cast<unsigned>(magnitude % form.radix);
    digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'A' + digit - 10);
    magnitude /= form.radix;
  } while (magnitude != 0);

  int minimum = static_cast<int>((flags >> 8) & 0x3F);
  if (negative && minimum >= 3) --minimum;  // the "-" takes one of the places
  if ((flags & kIntLimitDigits) && minimum > 0 && count > minimum) count = minimum;
  int missing = minimum > count ? minimum - count : 0;
  bool spaces = (flags & kIntPadSpaces) != 0;

  int length = 0;
  if (spaces)
    for (int i = 0; i < missing; ++i) destination[length++] = ' ';
  if (negative) destination[length++] = '-';
  for (const char* p = form.prefix; *p; ++p) destination[length++] = *p;
  if (!spaces)
    for (int i = 0; i < missing; ++i) digits[count++] = '0';
  if (form.zeroBeforeLetter && digits[count - 1] > '9') destination[length++] = '0';
  while (count > 0) destination[length++] = digits[--count];
  for (const char* p = form.suffix; *p; ++p) destination[length++] = *p;
  destination[length] = 0;
  return length;
}

std::uint64_t Magnitude(std::int64_t value) {
  return value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
}

}  // namespace

int IntToText(std::int32_t value, char* destination, std::uint32_t flags) {
  if (FormOf(flags).isSigned) return FormatInteger(Magnitude(value), value < 0, destination, flags);
  return FormatInteger(static_cast<std::uint32_t>(value), false, destination, flags);
}

int IntToText(std::int64_t value, char* destination, std::uint32_t flags) {
  if (FormOf(flags).isSigned) return FormatInteger(Magnitude(value), value < 0, destination, flags);
  return FormatInteger(static_cast<std::uint64_t>(value), false, destination, flags);
}

// ---- Fixed-point decimals ----------------------------------------------------------------

namespace {

constexpr std::uint32_t kDecimalScales[] = {1,      10,      100,      1000,      10000,
                                            100000, 1000000, 10000000, 100000000, 1000000000};

// "00" to "99": two digits per step.
const char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// magnitude * 10^decimals rounded to a whole number, exact halves to even.
// magnitude = significand * 2^-shift exactly (from its bits), so the product
// is the 83-bit integer significand * 10^decimals shifted right by shift
// bits; it is worked in two 64-bit halves, as the Windows build has no
// wider type.
std::uint64_t ScaledAndRounded(double magnitude, int decimals) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);  // the sign bit is clear
  std::uint64_t significand = bits & ((std::uint64_t(1) << 52) - 1);
  if (biased != 0) significand |= std::uint64_t(1) << 52;
  const int shift = 1075 - (biased != 0 ? biased : 1);  // above 0: magnitude < 1e9 < 2^53
  if (significand == 0 || shift >= 86) return 0;        // below a half
  const std::uint64_t scale = kDecimalScales[decimals];
  const std::uint64_t low = (significand & 0xFFFFFFFFu) * scale;
  const std::uint64_t high = (significand >> 32) * scale;
  const std::uint64_t productLow = low + (high << 32);
  const std::uint64_t productHigh = (high >> 32) + (productLow < low ? 1 : 0);
  // Split off the whole number and compare the rest with a half.
  std::uint64_t whole, restHigh, restLow, halfHigh, halfLow;
  if (shift >= 64) {
    whole = productHigh >> (shift - 64);
    restHigh = productHigh & ((std::uint64_t(1) << (shift - 64)) - 1);
    restLow = productLow;
    halfHigh = shift == 64 ? 0 : std::uint64_t(1) << (shift - 65);
    halfLow = shift == 64 ? std::uint64_t(1) << 63 : 0;
  } else {
    whole = productLow >> shift | productHigh << (63 - shift) << 1;
    restHigh = 0;
    restLow = productLow & ((std::uint64_t(1) << shift) - 1);
    halfHigh = 0;
    halfLow = std::uint64_t(1) << (shift - 1);
  }
  const bool aboveHalf = restHigh > halfHigh || (restHigh == halfHigh && restLow > halfLow);
  const bool atHalf = restHigh == halfHigh && restLow == halfLow;
  return whole + (aboveHalf || (atHalf && (whole & 1)) ? 1 : 0);
}

// Writes the digits of value backwards, ending before end, at least count
// of them (zeros in front); returns where they start.
char* DigitsBackwards(char* end, std::uint32_t value, int count) {
  while (value >= 10 || count > 1) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
    value /= 100;
    count -= 2;
  }
  if (count > 0 || value > 0) *--end = static_cast<char>('0' + value);
  return end;
}

}  // namespace

void AppendFixed(std::string& text, double value, int decimals, int width, bool plusSign) {
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e9) || decimals < 0 || decimals > 9) {
    char buffer[400];
    int length = std::snprintf(buffer, sizeof buffer, plusSign ? "%+*.*f" : "%*.*f", width, decimals, value);
    if (length > 0) text.append(buffer, static_cast<std::size_t>(length) < sizeof buffer ? length : sizeof buffer - 1);
    return;
  }
  // scaled < 10^18: the whole part and the decimals fit 32 bits each.
  const std::uint64_t scaled = ScaledAndRounded(magnitude, decimals);
  const std::uint32_t whole = static_cast<std::uint32_t>(scaled / kDecimalScales[decimals]);
  const std::uint32_t fraction = static_cast<std::uint32_t>(scaled - std::uint64_t(whole) * kDecimalScales[decimals]);
  char digits[32];
  char* start = digits + sizeof digits;
  if (decimals > 0) {
    start = DigitsBackwards(start, fraction, decimals);
    *--start = '.';
  }
  start = DigitsBackwards(start, whole, 1);
  if (std::signbit(value))
    *--start = '-';
  else if (plusSign)
    *--start = '+';
  const int length = static_cast<int>(digits + sizeof digits - start);
  if (width > length) text.append(static_cast<std::size_t>(width - length), ' ');
  text.append(start, static_cast<std::size_t>(length));
}

// ---- Scaled values ----------------------------------------------------------------------------

const char kUnitBytes[] = "B";

namespace {

const char kPrefixRow[] = "yzafpn\xB5m kMGTPE";
constexpr int kLastPrefix = 14;

// Keeps divisor * 10 within 64 bits, so the decimals can be found by long
// division without a wider type.
constexpr std::uint64_t kMaxDivisor = std::numeric_limits<std::uint64_t>::max() / 10;

std::string WithThousands(const std::string& digits, char separator) {
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string Decimals(std::uint64_t remainder, std::uint64_t divisor, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    remainder *= 10;
    out += static_cast<char>('0' + remainder / divisor);
    remainder %= divisor;
  }
  return out;
}

}  // namespace

int FormatScaled(std::int64_t value, char* destination, int size, std::uint32_t flags,
                 const char* unit, int* prefixIndex) {
  bool negative = (flags & kScaledSigned) && value < 0;
  std::uint64_t magnitude = (flags & kScaledSigned) ? Magnitude(value) : static_cast<std::uint64_t>(value);
  int prefix = static_cast<int>((flags >> 12) & 0xF);
  if (prefix > kLastPrefix) prefix = kLastPrefix;
  std::uint64_t threshold = 1;
  for (unsigned t = (flags >> 8) & 0xF; t > 0; --t) threshold *= 10;
  std::uint64_t base = (flags & kScaledBinary) ? 1024 : 1000;

  std::uint64_t divisor = 1, whole = magnitude;
  while (whole >= threshold && prefix < kLastPrefix && divisor <= kMaxDivisor / base) {
    divisor *= base;
    whole = magnitude / divisor;
    ++prefix;
  }
  std::uint64_t remainder = magnitude - whole * divisor;

  bool aligned = (flags & kScaledAligned) != 0;
  char digits[kIntTextCapacity];
  IntToText(static_cast<std::int64_t>(whole), digits, kIntUnsigned);
  std::string text = negative ? "-" : "";
  char separator = static_cast<char>((flags >> 24) & 0x7F);
  text += separator ? WithThousands(digits, separator) : std::string(digits);

  int decimalCount = static_cast<int>((flags >> 4) & 0xF);
  if (decimalCount > 0) {
    char point = static_cast<char>((flags >> 16) & 0x7F);
    std::string decimals = Decimals(remainder, divisor, decimalCount);
    std::size_t kept = decimals.size();
    if (flags & kScaledTrimZeros)
      while (kept > 0 && decimals[kept - 1] == '0') --kept;
    if (kept > 0) text += (point ? point : '.') + decimals.substr(0, kept);
    if (aligned) text.append(decimals.size() - kept + (kept == 0 ? 1 : 0), ' ');
  }

  if (flags & kScaledSpaceBeforeUnit) text += ' ';
  if (flags & kScaledAppendUnit) {
    bool bytes = unit == kUnitBytes;
    if (prefix == kPrefixNone) {
      if (aligned) text += ' ';
      if (unit) text += bytes ? "Byte" : unit;
    } else {
      text += kPrefixRow[prefix];
      if (unit) text += bytes ? "B" : unit;
    }
  }
  if (prefixIndex) *prefixIndex = prefix;
  return CopyN(destination, text.c_str(), size);
}

// ---- Wildcard pattern ------------------------------------------------------------------------------

int MatchPattern(const char* pattern, int patternLength, const char* text, int textLength,
                 int flags) {
  bool noCase = (flags & kMatchNoCase) != 0;
  int p = 0, t = 0;
  while (p < patternLength) {
    char c = pattern[p];
    if (c == '*' && p == patternLength - 1) {
      t = textLength > t ? textLength : t;
      ++p;
      break;
    }
    if (c == '\\' && p + 1 < patternLength && pattern[p + 1] == '_') {
      int run = 0;
      while (t + run < textLength && (text[t + run] == ' ' || text[t + run] == '\t')) ++run;
      if (run == 0 && p != 0) return 0;
      t += run;
      p += 2;
      continue;
    }
    if (c == '\\' && p + 1 < patternLength) c = pattern[++p];  // a literal character
    else if (c == '?') {
      if (t >= textLength) return 0;
      ++t, ++p;
      continue;
    }
    if (t >= textLength) return 0;
    bool same = noCase ? Fold(text[t]) == Fold(c) : text[t] == c;
    if (!same) return 0;
    ++t, ++p;
  }
  return (flags & kMatchTextLength) ? t : 1;
}

// ---- Decimal numbers ------------------------------------------------------------------------------
//
// Most numbers are short: Clinger's fast path (a mantissa of at most 15
// digits, exact in a double, times or divided by an exact power of ten up to
// 1e22) rounds correctly with one IEEE operation. The rest start from the
// library's estimate and are corrected by exact big-integer comparison with
// the halfway points between neighbouring doubles: the library of the
// Windows build is not always correctly rounded, and both builds must read
// every number to the same bits.

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsStrtodSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr int kFastDigits = 15;
constexpr int kFastPower = 22;
const double kPowersOfTen[kFastPower + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Halfway points between doubles have at most 767 significant digits; a
// nonzero tail beyond this many is kept as one final digit 1, which orders
// the number correctly against every halfway point.
constexpr int kMaxSignificant = 780;
constexpr int kExponentCap = 100000;

struct DecimalSpan {
  const char* digits = nullptr;  // first digit or "."
  const char* end = nullptr;     // behind the number
  int digitCount = 0;            // digits of the mantissa
  std::uint64_t mantissa = 0;    // its value while digitCount <= kFastDigits
  int scale = 0;                 // digits after the point
  int exponent = 0;              // the exponent part, capped
  bool hugeExponent = false;
};

int ScanDigits(const char*& p, DecimalSpan& span) {
  int count = 0;
  for (; IsDigit(*p); ++p, ++count)
    if (span.digitCount + count < kFastDigits + 1)
      span.mantissa = span.mantissa * 10 + static_cast<unsigned>(*p - '0');
  span.digitCount += count;
  return count;
}

void ScanExponent(const char*& p, DecimalSpan& span) {
  if (*p != 'e' && *p != 'E') return;
  const char* q = p + 1;
  bool negative = *q == '-';
  if (*q == '+' || *q == '-') ++q;
  if (!IsDigit(*q)) return;
  long value = 0;
  for (; IsDigit(*q); ++q) {
    if (value < kExponentCap) value = value * 10 + (*q - '0');
    else span.hugeExponent = true;
  }
  span.exponent = static_cast<int>(negative ? -value : value);
  p = q;
}

bool FastPath(const DecimalSpan& span, double& value) {
  if (span.digitCount > kFastDigits || span.hugeExponent) return false;
  int power = span.exponent - span.scale;
  if (power < -kFastPower || power > kFastPower) return false;
  double mantissa = static_cast<double>(span.mantissa);
  value = power < 0 ? mantissa / kPowersOfTen[-power] : mantissa * kPowersOfTen[power];
  return true;
}

// An unsigned integer of any size, little-endian 32-bit limbs; only what the
// comparison needs.
class BigNumber {
 public:
  explicit BigNumber(std::uint64_t value) {
    for (; value != 0; value >>= 32) limbs_.push_back(static_cast<std::uint32_t>(value));
  }

  void MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::uint32_t& limb : limbs_) {
      std::uint64_t product = std::uint64_t(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }

  void MultiplyPowerOfFive(int power) {
    constexpr std::uint32_t kFiveToThe13 = 1220703125;
    for (; power >= 13; power -= 13) MultiplyAdd(kFiveToThe13, 0);
    std::uint32_t rest = 1;
    for (; power > 0; --power) rest *= 5;
    MultiplyAdd(rest, 0);
  }

  void ShiftLeft(int bits) {
    if (limbs_.empty() || bits == 0) return;
    int bitShift = bits % 32;
    if (bitShift != 0) {
      std::uint32_t carry = 0;
      for (std::uint32_t& limb : limbs_) {
        std::uint32_t next = limb >> (32 - bitShift);
        limb = (limb << bitShift) | carry;
        carry = next;
      }
      if (carry != 0) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(bits / 32), 0u);
  }

  friend int Compare(const BigNumber& a, const BigNumber& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;)
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    return 0;
  }

 private:
  std::vector<std::uint32_t> limbs_;
};

// The scanned number as digits * 10^exponent, significant digits only.
struct ExactDecimal {
  BigNumber digits{0};
  int count = 0;  // significant digits
  int exponent = 0;
};

ExactDecimal ToExactDecimal(const DecimalSpan& span) {
  ExactDecimal exact;
  int afterPoint = 0, dropped = 0;
  bool inFraction = false, nonzeroDropped = false;
  std::uint32_t chunk = 0;
  int chunkDigits = 0;
  for (const char* p = span.digits; p < span.end && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') { inFraction = true; continue; }
    if (inFraction) ++afterPoint;
    if (exact.count == 0 && *p == '0') continue;
    if (exact.count == kMaxSignificant) {
      ++dropped;
      nonzeroDropped |= *p != '0';
      continue;
    }
    chunk = chunk * 10 + static_cast<std::uint32_t>(*p - '0');
    ++exact.count;
    if (++chunkDigits == 9) {
      exact.digits.MultiplyAdd(1000000000, chunk);
      chunk = 0, chunkDigits = 0;
    }
  }
  std::uint32_t chunkScale = 1;
  for (int i = 0; i < chunkDigits; ++i) chunkScale *= 10;
  exact.digits.MultiplyAdd(chunkScale, chunk);
  exact.exponent = span.exponent - afterPoint + dropped;
  if (nonzeroDropped) {
    exact.digits.MultiplyAdd(10, 1);
    --exact.exponent;
  }
  return exact;
}

// A non-negative double as significand * 2^power, infinity as 2^1024.
struct Binary {
  std::uint64_t significand;
  int power;
};

Binary ToBinary(double value) {
  if (value == 0) return {0, -1074};
  if (std::isinf(value)) return {std::uint64_t(1) << 53, 971};
  int exponent = 0;
  double fraction = std::frexp(value, &exponent);
  Binary binary{static_cast<std::uint64_t>(std::ldexp(fraction, 53)), exponent - 53};
  if (binary.power < -1074) {  // subnormal: the low bits are zero
    binary.significand >>= (-1074 - binary.power);
    binary.power = -1074;
  }
  return binary;
}

// Sign of exact - (the point halfway between two neighbouring doubles).
int CompareWithHalfway(const ExactDecimal& exact, double low, double high) {
  Binary a = ToBinary(low), b = ToBinary(high);
  int power = a.power < b.power ? a.power : b.power;
  std::uint64_t twiceHalfway = (a.significand << (a.power - power)) + (b.significand << (b.power - power));
  // exact.digits * 10^e  against  twiceHalfway * 2^(power - 1)
  BigNumber left = exact.digits, right(twiceHalfway);
  if (exact.exponent >= 0) left.MultiplyPowerOfFive(exact.exponent);
  else right.MultiplyPowerOfFive(-exact.exponent);
  int twos = power - 1 - exact.exponent;
  if (twos >= 0) right.ShiftLeft(twos);
  else left.ShiftLeft(-twos);
  return Compare(left, right);
}

bool HasOddSignificand(double value) { return (ToBinary(value).significand & 1) != 0; }

// Moves an estimate to the correctly rounded double (ties to even).
double CorrectlyRounded(const ExactDecimal& exact, double estimate) {
  const double infinity = std::numeric_limits<double>::infinity();
  double value = estimate;
  for (int step = 0; step < 64; ++step) {
    if (value < infinity) {
      double up = std::nextafter(value, infinity);
      int above = CompareWithHalfway(exact, value, up);
      if (above > 0 || (above == 0 && HasOddSignificand(value))) {
        value = up;
        continue;
      }
    }
    if (value > 0) {
      double down = std::nextafter(value, 0.0);
      int below = CompareWithHalfway(exact, down, value);
      if (below < 0 || (below == 0 && HasOddSignificand(value))) {
        value = down;
        continue;
      }
    }
    break;
  }
  return value;
}

double SlowPath(const DecimalSpan& span) {
  const double infinity = std::numeric_limits<double>::infinity();
  ExactDecimal exact = ToExactDecimal(span);
  if (exact.count == 0) return 0.0;
  if (span.hugeExponent) return span.exponent < 0 ? 0.0 : infinity;
  // value lies in [10^(count - 1 + exponent), 10^(count + exponent))
  if (exact.count - 1 + exact.exponent > 308) return infinity;
  if (exact.count + exact.exponent < -324) return 0.0;
  double estimate = 0.0;
  std::from_chars_result result =
      std::from_chars(span.digits, span.end, estimate, std::chars_format::general);
  if (result.ec != std::errc()) estimate = exact.count + exact.exponent > 0 ? infinity : 0.0;
  return CorrectlyRounded(exact, estimate);
}

}  // namespace

double ParseDecimal(const char* text, const char** end) {
  const char* p = text;
  while (IsStrtodSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  DecimalSpan span;
  span.digits = p;
  ScanDigits(p, span);
  if (*p == '.') {
    ++p;
    span.scale = ScanDigits(p, span);
  }
  if (span.digitCount == 0) {
    if (end) *end = text;
    return 0.0;
  }
  ScanExponent(p, span);
  span.end = p;

  double value = 0.0;
  if (!FastPath(span, value)) value = SlowPath(span);
  if (end) *end = p;
  return negative ? -value : value;
}

std::int32_t SaturatedIntFromText(const std::string& text) {
  constexpr std::int64_t kBeyond = 0x80000000LL;  // |INT32_MIN|
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kBeyond) value = kBeyond;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(value < kBeyond ? value : kBeyond - 1);
}
