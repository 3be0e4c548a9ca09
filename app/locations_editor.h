// The locations list on the main dialog: one row per location (name,
// longitude, latitude, radius as text cells) and always one empty row at the
// end, into which a new location is typed. The rules live here, over a small
// rows interface; the dialog backs it with the tree-list control, the tests
// with a vector.
//
// Two choices differ from a plain reading of the cells:
// - degrees, minutes and seconds ("-10°30'") give minutes and seconds the
//   sign of the degrees, as everybody reading that notation means it;
// - a comma in a number cell is read as the decimal point ("12,5" is 12.5),
//   since users of a German program type it so; the file keeps the period.
// Saving keeps every named row in the file, also beyond the 2048 that an
// export run uses, so nothing typed is lost.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/locations.h"

// Columns of the list.
constexpr int kColumnName = 0;
constexpr int kColumnLongitude = 1;
constexpr int kColumnLatitude = 2;
constexpr int kColumnRadius = 3;
constexpr int kLocationColumns = 4;

// The rows of the list as the editor needs them. Row handles are opaque and
// never 0; 0 means "no row".
class ILocationRows {
 public:
  using Row = std::uintptr_t;
  virtual ~ILocationRows() = default;
  virtual Row FirstRow() = 0;
  virtual Row NextRow(Row row) = 0;
  virtual std::string GetCell(Row row, int column) = 0;
  virtual void SetCell(Row row, int column, const std::string& text) = 0;
  virtual Row AppendRow(const std::string& name) = 0;
  virtual void DeleteRow(Row row) = 0;
};

// The text of a number cell: "%+3.6f" for longitude and latitude, "%3.2f"
// for the radius.
std::string FormatLocationCell(int column, double value);

// The value of a number cell as typed: a comma counts as the decimal point;
// in the longitude and latitude columns a degree sign after the first
// character introduces minutes and seconds (47°30'36 is 47.51).
double LocationCellValue(int column, const std::string& text);

// Fills the list from the locations, then appends the empty row.
void LoadLocationRows(ILocationRows& rows, const std::vector<Location>& locations);

// Every named row in order, its number cells read as typed.
std::vector<Location> NamedLocationRows(ILocationRows& rows);

// The locations an export run takes: the first kMaxLocations of them.
CLocationTable LocationTableOf(const std::vector<Location>& locations);

// Save: the run's table from the rows, and every named row written to the
// file at path. False when the file could not be written (nothing is shown).
bool SaveLocationRows(ILocationRows& rows, const std::string& path, CLocationTable& table);

// The end of an edit of row/column with the new text (null when the edit
// was cancelled). A number cell's text is rewritten in place; a cleared name
// deletes its row unless it is the last one; naming the last row appends a
// new empty row. The control then stores the (rewritten) text.
void EndLocationEdit(ILocationRows& rows, ILocationRows::Row row, int column, std::string* text);
