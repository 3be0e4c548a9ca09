#include "app/locations_editor.h"

#include <cmath>
#include <cstdio>

#include "support/text_scan.h"

namespace {

constexpr char kDegreeSign = '\xB0';  // code page 1252
constexpr char kMinuteSign = '\'';

// Degrees, then minutes after a degree sign, then seconds after a minute
// sign, each directly behind the number before it.
double DegreeMinuteSecondValue(const char* text) {
  const double degrees = LocationTextToDouble(text);
  const int degreesEnd = NumberTextLength(text);
  if (text[degreesEnd] != kDegreeSign) return degrees;
  const char* minutesText = text + degreesEnd + 1;
  double fraction = LocationTextToDouble(minutesText) / 60;
  const int minutesEnd = NumberTextLength(minutesText);
  if (minutesText[minutesEnd] == kMinuteSign) fraction += LocationTextToDouble(minutesText + minutesEnd + 1) / 3600;
  return std::signbit(degrees) ? degrees - fraction : degrees + fraction;
}

}  // namespace

std::string FormatLocationCell(int column, double value) {
  char text[64];
  std::snprintf(text, sizeof text, column == kColumnRadius ? "%3.2f" : "%+3.6f", value);
  return text;
}

double LocationCellValue(int column, const std::string& typed) {
  std::string text = typed;
  for (char& c : text)
    if (c == ',') c = '.';
  const std::size_t degree = text.find(kDegreeSign);
  if (column != kColumnRadius && degree != std::string::npos && degree > 0)
    return DegreeMinuteSecondValue(text.c_str());
  return LocationTextToDouble(text.c_str());
}

void LoadLocationRows(ILocationRows& rows, const std::vector<Location>& locations) {
  for (const Location& location : locations) {
    ILocationRows::Row row = rows.AppendRow(location.name);
    rows.SetCell(row, kColumnLongitude, FormatLocationCell(kColumnLongitude, location.longitude));
    rows.SetCell(row, kColumnLatitude, FormatLocationCell(kColumnLatitude, location.latitude));
    rows.SetCell(row, kColumnRadius, FormatLocationCell(kColumnRadius, location.radius));
  }
  rows.AppendRow("");
}

std::vector<Location> NamedLocationRows(ILocationRows& rows) {
  std::vector<Location> locations;
  for (ILocationRows::Row row = rows.FirstRow(); row; row = rows.NextRow(row)) {
    Location location;
    location.name = rows.GetCell(row, kColumnName);
    if (location.name.empty()) continue;
    location.longitude = LocationCellValue(kColumnLongitude, rows.GetCell(row, kColumnLongitude));
    location.latitude = LocationCellValue(kColumnLatitude, rows.GetCell(row, kColumnLatitude));
    location.radius = LocationCellValue(kColumnRadius, rows.GetCell(row, kColumnRadius));
    locations.push_back(std::move(location));
  }
  return locations;
}

CLocationTable LocationTableOf(const std::vector<Location>& locations) {
  CLocationTable table;
  for (const Location& location : locations)
    if (!table.Add(location)) break;
  return table;
}

bool SaveLocationRows(ILocationRows& rows, const std::string& path, CLocationTable& table) {
  std::vector<Location> locations = NamedLocationRows(rows);
  table = LocationTableOf(locations);
  return WriteLocationsFile(path, locations);
}

void EndLocationEdit(ILocationRows& rows, ILocationRows::Row row, int column, std::string* text) {
  if (!text) return;
  if (column != kColumnName) {
    *text = FormatLocationCell(column, LocationCellValue(column, *text));
    return;
  }
  const bool last = rows.NextRow(row) == 0;
  if (text->empty() && !last) rows.DeleteRow(row);
  else if (!text->empty() && last) rows.AppendRow("");
}
