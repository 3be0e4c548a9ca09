// The route reader holds the whole file in memory once and works on it in
// place, in linear passes: find the list, detect and convert decimal commas,
// detect pairs or triples, blank the tag characters, count the numbers (and
// join consecutive LineString lists), then convert. It never looks past the
// zero byte that ends the buffer; a zero byte inside the file ends the list.
//
// Tuples are read as wide as the first tuple of the list: KML allows
// (longitude,latitude) without altitude, and many converters write that.
// Reading such a list as triples would scramble the route.
#include "core/route_reader.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/program_texts.h"
#include "support/file_path.h"
#include "support/text_scan.h"

namespace {

// The keywords in order of priority: the first that occurs anywhere wins.
const char* const kGeometryKeywords[] = {"MultiGeometry", "GeometryCollection", "LineString"};
const char kCoordinates[] = "coordinates";
constexpr int kCoordinatesLength = sizeof kCoordinates - 1;
// The closing and opening tags between two LineString lists, once the tag
// characters are blanks.
const char kContinuation[] = "coordinates\\_LineString\\_LineString\\_coordinates";
constexpr int kContinuationLength = sizeof kContinuation - 1;

// Index just behind the word "coordinates" that follows the first geometry
// keyword, or -1.
int FindListStart(const char* text) {
  for (const char* keyword : kGeometryKeywords) {
    int at = FindNoCase(text, keyword);
    if (at < 0) continue;
    int word = FindNoCase(text + at, kCoordinates);
    return word < 0 ? -1 : at + word + kCoordinatesLength;
  }
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first tuple of the list: from its first character to the white space
// with no comma right before or after it (so "11.5, 47.2, 0" is one tuple),
// or to where the list's closing tag begins. Returns its end; *begin gets
// its start.
int FirstTupleEnd(const char* text, int start, int size, int* begin) {
  int i = start;
  while (i < size && (IsWhite(text[i]) || text[i] == '>' || text[i] == '/')) ++i;
  *begin = i;
  for (; i < size && text[i] != 0 && text[i] != '<'; ++i) {
    bool tupleEnd = IsWhite(text[i]) && text[i - 1] != ',' && (i + 1 >= size || text[i + 1] != ',');
    if (tupleEnd) break;
  }
  return i;
}

int CountInTuple(const char* text, int start, int size, char wanted) {
  int begin = 0;
  int end = FirstTupleEnd(text, start, size, &begin);
  int count = 0;
  for (int i = begin; i < end; ++i) count += text[i] == wanted;
  return count;
}

// A list in decimal-comma form ("11,5,47,25,0") has no period in its first
// tuple and more than the two commas of "lon,lat,alt"; "9,47.5,0" is an
// ordinary triple. Returns the comma behind the first number's digits, where
// the conversion starts, or -1.
int FindDecimalComma(const char* text, int start, int size) {
  if (CountInTuple(text, start, size, '.') != 0 || CountInTuple(text, start, size, ',') <= 2)
    return -1;
  int i = start;
  while (i < size && !IsDigit(text[i]) && text[i] != '.') ++i;
  while (i < size && IsDigit(text[i])) ++i;
  return (i < size && text[i] == ',') ? i : -1;
}

// In each space-separated group the odd commas become decimal points; a
// point already there counts like a converted comma.
void ConvertDecimalCommas(char* text, int from, int size) {
  unsigned count = 0;
  for (int i = from; i < size; ++i) {
    char c = text[i];
    if (c == ' ') count = 0;
    else if (c == '.') count = (count - 1) & 1;
    else if (c == ',' && (++count & 1)) text[i] = '.';
  }
}

// Exactly one comma in the first tuple means (longitude,latitude) pairs.
int TupleWidth(const char* text, int start, int size) {
  return CountInTuple(text, start, size, ',') == 1 ? 2 : 3;
}

// Written without branches so that the compiler can do many bytes at once:
// this pass touches every byte behind the list start.
void BlankTagCharacters(char* text, int from, int size) {
  for (int i = from; i < size; ++i) {
    char c = text[i];
    bool tag = (c == ',') | (c == '<') | (c == '>') | (c == '/') | (c == '\r') | (c == '\n');
    text[i] = tag ? ' ' : c;
  }
}

bool StartsNumber(char c) { return c == '+' || c == '-' || c == '.' || IsDigit(c); }

// True when text starts with the lower-case word, in any case; stops at the
// first difference, so never reads past a terminating zero.
bool StartsWithWord(const char* text, const char* word) {
  for (; *word; ++text, ++word)
    if ((*text | 0x20) != *word) return false;
  return true;
}

// "nan", "-inf", "Infinity": a coordinate that is no number at all.
bool IsNotANumberToken(const char* text) {
  if (*text == '+' || *text == '-') ++text;
  return StartsWithWord(text, "nan") || StartsWithWord(text, "inf");
}

constexpr int kNotANumber = -1;

// Counts the number tokens of the list, blanking the tags between
// consecutive LineString lists so that the parse pass reads straight on.
// kNotANumber for a "nan" or "inf" token.
int CountNumbers(char* text, int start, int size) {
  int count = 0;
  int i = start;
  for (;;) {
    i += SkipClass(text + i, kClassWhite);
    if (IsNotANumberToken(text + i)) return kNotANumber;
    if (StartsNumber(text[i])) {
      i += SkipNotClass(text + i, kClassWhite);
      ++count;
      continue;
    }
    int matched = MatchPattern(kContinuation, kContinuationLength, text + i, size - i,
                               kMatchNoCase | kMatchTextLength);
    if (matched == 0) return count;
    std::memset(text + i, ' ', static_cast<std::size_t>(matched));
  }
}

double ReadNumberToken(const char* text, int& i) {
  i += SkipClass(text + i, kClassWhite);
  const char* end = nullptr;
  double value = ParseDecimal(text + i, &end);
  i = static_cast<int>(end - text) > i ? static_cast<int>(end - text) : i;
  i += SkipNotClass(text + i, kClassWhite);
  return value;
}

void SkipToken(const char* text, int& i) {
  i += SkipClass(text + i, kClassWhite);
  i += SkipNotClass(text + i, kClassWhite);
}

int ParsePoints(const char* text, int start, int count, int width,
                std::vector<double>& longitudes, std::vector<double>& latitudes) {
  int n = count / width;
  try {
    longitudes.resize(static_cast<std::size_t>(n));
    latitudes.resize(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    longitudes.clear();
    latitudes.clear();
    return kRouteNoMemory;
  }
  int i = start;
  for (int point = 0; point < n; ++point) {
    longitudes[point] = ReadNumberToken(text, i);
    latitudes[point] = ReadNumberToken(text, i);
    if (width == 3) SkipToken(text, i);
    // 1e99999 overflows to infinity, which no route can be measured with.
    if (!std::isfinite(longitudes[point]) || !std::isfinite(latitudes[point])) {
      longitudes.clear();
      latitudes.clear();
      return kRouteWrongFormat;
    }
  }
  return n;
}

// The coordinate list of a zero-terminated buffer: buffer[size] == 0.
int ParseBuffer(char* buffer, int size, std::vector<double>& longitudes,
                std::vector<double>& latitudes) {
  int start = FindListStart(buffer);
  if (start < 0) return kRouteWrongFormat;

  int comma = FindDecimalComma(buffer, start, size);
  if (comma >= 0) ConvertDecimalCommas(buffer, comma, size);
  int width = TupleWidth(buffer, start, size);
  BlankTagCharacters(buffer, start, size);

  int count = CountNumbers(buffer, start, size);
  if (count == kNotANumber) return kRouteWrongFormat;
  if (count < 2) return kRouteNoCoordinates;
  return ParsePoints(buffer, start, count, width, longitudes, latitudes);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int ParseKmlRoute(std::string text, std::vector<double>& longitudes,
                  std::vector<double>& latitudes) {
  longitudes.clear();
  latitudes.clear();
  if (text.size() >= static_cast<std::size_t>(INT_MAX)) return kRouteNoMemory;
  // &text[0] + size() is the string's own terminating zero.
  return ParseBuffer(&text[0], static_cast<int>(text.size()), longitudes, latitudes);
}

int ReadKmlRoute(const char* path, std::vector<double>& longitudes,
                 std::vector<double>& latitudes) {
  longitudes.clear();
  latitudes.clear();
  std::int64_t size = GetFileSizeByName(path);
  if (size < 1) return kRouteNotOpened;
  if (size >= INT_MAX) return kRouteNoMemory;  // positions are ints
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return kRouteNotOpened;
  // Not a std::string: it would clear every byte before fread fills it.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]);
  if (!buffer) return kRouteNoMemory;
  std::size_t got = std::fread(buffer.get(), 1, static_cast<std::size_t>(size), file.get());
  file.reset();
  if (got == 0) return kRouteNotOpened;
  buffer[got] = 0;  // a file that shrank meanwhile: what was there
  try {
    return ParseBuffer(buffer.get(), static_cast<int>(got), longitudes, latitudes);
  } catch (const std::bad_alloc&) {
    return kRouteNoMemory;
  }
}

bool HasGeometryKeyword(const char* text) {
  for (const char* keyword : kGeometryKeywords)
    if (FindNoCase(text, keyword) >= 0) return true;
  return false;
}

int RouteResultTextNumber(int result) {
  switch (result) {
    case kRouteNotOpened: return kTextRouteNotOpened;
    case kRouteWrongFormat: return kTextRouteWrongFormat;
    case kRouteNoMemory: return kTextRouteNoMemory;
    case kRouteNoCoordinates: return kTextRouteNoCoordinates;
    default: return result >= 1 ? 0 : kTextRouteUnknownError;
  }
}
