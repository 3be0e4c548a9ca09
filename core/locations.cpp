// The locations list. The reader mirrors the way the file has always been
// read (line pieces of at most 1023 bytes, the shared token reader with the
// double quote and the backslash), so hand-made files keep loading as they
// did. The writer is the only place that knows the quoting rules from the
// other side and keeps every written line readable as one location.
#include "core/locations.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/file_replace.h"
#include "support/text_scan.h"

bool CLocationTable::Add(const Location& location) {
  if (Count() >= kMaxLocations) return false;
  entries_.push_back(location);
  return true;
}

// ---- Reading ---------------------------------------------------------------------

int ReadLocationField(const char* text, std::string& field) {
  char buffer[kLocationFieldCapacity];
  int consumed = GetToken(buffer, text, sizeof buffer, '\\', '"', -1);
  field = buffer;
  return consumed;
}

double LocationTextToDouble(const char* text) {
  const char* end = nullptr;
  return ParseDecimal(text, &end);
}

namespace {

// The next line piece as the C library's line reader gives it: up to and
// including a line feed, at most kLocationLineLimit bytes, ending early at
// a zero byte. Returns the bytes of content used.
std::size_t NextLinePiece(const std::string& content, std::size_t start, char* line) {
  std::size_t end = start;
  while (end < content.size() && end - start < std::size_t(kLocationLineLimit)) {
    if (content[end++] == '\n') break;
  }
  std::memcpy(line, content.data() + start, end - start);
  line[end - start] = 0;
  return end - start;
}

bool ParseLocationLine(const char* line, Location& location) {
  std::string field;
  line += ReadLocationField(line, location.name);
  if (location.name.empty()) return false;
  line += ReadLocationField(line, field);
  location.longitude = LocationTextToDouble(field.c_str());
  line += ReadLocationField(line, field);
  location.latitude = LocationTextToDouble(field.c_str());
  ReadLocationField(line, field);
  location.radius = LocationTextToDouble(field.c_str());
  return true;
}

const char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// The content in the program's code page: files written on Linux often
// carry a byte-order mark or UTF-8 names, which would show as mojibake.
std::string InCodePage(const std::string& content) {
  const bool marked = content.compare(0, 3, kUtf8ByteOrderMark) == 0;
  std::string text = marked ? content.substr(3) : content;
  return IsUtf8BeyondAscii(text) ? Utf8ToCp1252(text) : text;
}

bool EndsLine(const char* piece, std::size_t length) { return length > 0 && piece[length - 1] == '\n'; }

}  // namespace

std::vector<Location> ParseLocations(const std::string& original) {
  const std::string content = InCodePage(original);
  std::vector<Location> locations;
  char line[kLocationLineLimit + 1];
  std::size_t position = 0;
  while (position < content.size()) {
    const std::size_t length = NextLinePiece(content, position, line);
    position += length;
    // A line longer than the buffer is skipped whole: its pieces would read
    // as several bogus locations. A full piece followed by the line feed is
    // a line of exactly the limit.
    if (length == std::size_t(kLocationLineLimit) && !EndsLine(line, length) &&
        position < content.size()) {
      if (content[position] == '\n') {
        ++position;
      } else {
        char rest[kLocationLineLimit + 1];
        std::size_t more = 0;
        do {
          more = NextLinePiece(content, position, rest);
          position += more;
        } while (!EndsLine(rest, more) && position < content.size());
        continue;
      }
    }
    Location location;
    if (ParseLocationLine(line, location)) locations.push_back(std::move(location));
  }
  return locations;
}

std::vector<Location> ReadLocationsFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  std::string content;
  char block[4096];
  std::size_t read;
  while ((read = std::fread(block, 1, sizeof block, file)) > 0) content.append(block, read);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return {};
  return ParseLocations(content);
}

// ---- Writing ---------------------------------------------------------------------

namespace {

// The name as it goes between the quotes, cut to at most room bytes without
// splitting an escape.
std::string QuotedNameText(const std::string& name, std::size_t room) {
  std::string text;
  for (char c : name) {
    std::string piece(1, c);
    if (c == '"') piece = "\\\"";
    if (c == '\r' || c == '\n' || c == 0) piece = " ";
    if (text.size() + piece.size() > room) break;
    text += piece;
  }
  // A backslash just before the closing quote would make that quote literal
  // and swallow the numbers; a blank behind it keeps the line readable.
  if (!text.empty() && text.back() == '\\') {
    if (text.size() >= room) text.pop_back();
    text += ' ';
  }
  return text;
}

}  // namespace

std::string FormatLocationLine(const Location& location) {
  // A double printed with %f takes at most 317 characters; three of them
  // with their tabs always fit.
  char numbers[1024];
  std::snprintf(numbers, sizeof numbers, "\t%+3.6f\t%+3.6f\t%3.2f\n", location.longitude,
                location.latitude, location.radius);
  const std::size_t fixed = 2 + std::strlen(numbers);  // the quotes and the numbers
  const std::size_t room =
      fixed < std::size_t(kLocationLineLimit) ? kLocationLineLimit - fixed : 0;
  return "\"" + QuotedNameText(location.name, room) + "\"" + numbers;
}

namespace {

bool WriteAll(std::FILE* file, const std::vector<Location>& locations) {
  for (const Location& location : locations) {
    if (location.name.empty()) continue;
    std::string line = FormatLocationLine(location);
    if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) return false;
  }
  return true;
}

}  // namespace

bool WriteLocationsFile(const std::string& path, const std::vector<Location>& locations) {
  return WriteFileReplacing(path, [&locations](std::FILE* file) { return WriteAll(file, locations); });
}

// ---- Matching ----------------------------------------------------------------------

namespace {

constexpr double kNoneNearer = 9999999.0;
constexpr int kSamplesPerThresholdStep = 100;
constexpr int kSmallestThreshold = 3;
// A great-circle distance is never shorter than the latitude difference
// alone, so a sample whose latitude is further off than the radius cannot
// match and needs no trigonometry; the margin covers the rounding of the
// law of cosines (tens of metres at worst), so no decision changes. That
// bound holds only for latitudes within the poles: the file's numbers are
// unchecked, and beyond a pole the formula folds a point over to the other
// side, so such latitudes always take the full formula.
constexpr double kLatitudeWindowMargin = 1000.0;
constexpr double kPoleLatitude = 90.0;

bool WithinPoles(double latitude) {
  return latitude >= -kPoleLatitude && latitude <= kPoleLatitude;
}

int MatchLocation(ProfileSample* samples, int count, const Location& location,
                  std::int32_t index, int threshold) {
  const double window =
      (location.radius + kLatitudeWindowMargin) / (kEarthRadius * kDegreesToRadians);
  const bool locationWithinPoles = WithinPoles(location.latitude);
  int marks = 0;
  double best = kNoneNearer;
  int bestIndex = -1;
  int outsideRun = threshold;
  for (int i = 0; i < count; ++i) {
    ProfileSample& sample = samples[i];
    const bool farOff = locationWithinPoles && WithinPoles(sample.latitude) &&
                        std::fabs(sample.latitude - location.latitude) > window;
    const double distance = farOff ? kNoneNearer
                                   : GreatCircleDistance(sample.longitude, sample.latitude,
                                                         location.longitude, location.latitude);
    if (!farOff && distance <= location.radius) {
      outsideRun = 0;
      if (best >= distance && sample.location == kNoLocation) {
        best = distance;
        bestIndex = i;
      }
    } else if (outsideRun < threshold && ++outsideRun == threshold && bestIndex >= 0) {
      samples[bestIndex].location = index;
      ++marks;
      best = kNoneNearer;
      bestIndex = -1;
    }
  }
  if (bestIndex >= 0) {
    samples[bestIndex].location = index;
    ++marks;
  }
  return marks;
}

}  // namespace

int MatchLocations(ProfileSample* samples, int count, const CLocationTable& table) {
  if (table.Count() == 0 || samples == nullptr || count < 1) return 0;
  int threshold = count / kSamplesPerThresholdStep;
  if (threshold < kSmallestThreshold) threshold = kSmallestThreshold;
  int marks = 0;
  for (int j = 0; j < table.Count(); ++j)
    marks += MatchLocation(samples, count, table[j], j, threshold);
  return marks;
}
