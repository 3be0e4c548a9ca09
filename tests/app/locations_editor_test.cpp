// The locations list's rules over plain rows: what a finished cell edit
// turns the text into, how rows come and go, and what a save keeps.
#include "app/locations_editor.h"

#include <gtest/gtest.h>

#include <array>
#include <list>
#include <string>

#include "tests/common/test_paths.h"

namespace {

class FakeRows : public ILocationRows {
 public:
  Row FirstRow() override { return rows_.empty() ? 0 : Handle(rows_.begin()); }
  Row NextRow(Row row) override {
    auto next = std::next(Find(row));
    return next == rows_.end() ? 0 : Handle(next);
  }
  std::string GetCell(Row row, int column) override { return (*Find(row))[column]; }
  void SetCell(Row row, int column, const std::string& text) override { (*Find(row))[column] = text; }
  Row AppendRow(const std::string& name) override {
    rows_.push_back({name, "", "", ""});
    return Handle(std::prev(rows_.end()));
  }
  void DeleteRow(Row row) override { rows_.erase(Find(row)); }
  int Count() const { return static_cast<int>(rows_.size()); }
  Row RowAt(int index) {
    auto it = rows_.begin();
    std::advance(it, index);
    return Handle(it);
  }

 private:
  using Cells = std::array<std::string, kLocationColumns>;
  Row Handle(std::list<Cells>::iterator it) { return reinterpret_cast<Row>(&*it); }
  std::list<Cells>::iterator Find(Row row) {
    for (auto it = rows_.begin(); it != rows_.end(); ++it)
      if (Handle(it) == row) return it;
    ADD_FAILURE() << "no such row";
    return rows_.begin();
  }
  std::list<Cells> rows_;
};

std::string Edited(int column, const std::string& typed) {
  FakeRows rows;
  ILocationRows::Row row = rows.AppendRow("Alm");
  std::string text = typed;
  EndLocationEdit(rows, row, column, &text);
  return text;
}

TEST(LocationsEditor, NumberCellsAreRewrittenAsTheFileWritesThem) {
  EXPECT_EQ("+47.500000", Edited(kColumnLongitude, "47\xB0" "30'"));
  EXPECT_EQ("+47.510000", Edited(kColumnLongitude, "47\xB0" "30'36"));
  EXPECT_EQ("-10.500000", Edited(kColumnLatitude, "-10\xB0" "30'"));
  EXPECT_EQ("-0.500000", Edited(kColumnLatitude, "-0\xB0" "30'"));
  EXPECT_EQ("+47.000000", Edited(kColumnLatitude, "47 \xB0" "30'"));  // minutes only right behind the degrees
  EXPECT_EQ("+0.000000", Edited(kColumnLongitude, "\xB0" "30"));
  EXPECT_EQ("+12.500000", Edited(kColumnLongitude, "12,5"));
  EXPECT_EQ("+11.250000", Edited(kColumnLongitude, "11\xB0" "15,0'"));
  EXPECT_EQ("+0.000000", Edited(kColumnLatitude, "Nord"));
  EXPECT_EQ("12.50", Edited(kColumnRadius, "12,5"));
  EXPECT_EQ("100.00", Edited(kColumnRadius, "100\xB0" "30"));  // no degrees in the radius
}

TEST(LocationsEditor, ClearingANameDeletesItsRowAndNamingTheLastRowAddsAnEmptyOne) {
  FakeRows rows;
  LoadLocationRows(rows, {{"Alm", 11.5, 47.2, 100}, {"Quelle", 11.6, 47.3, 50}});
  ASSERT_EQ(3, rows.Count());
  EXPECT_EQ("", rows.GetCell(rows.RowAt(2), kColumnName));
  EXPECT_EQ("+47.200000", rows.GetCell(rows.RowAt(0), kColumnLatitude));

  std::string text;
  EndLocationEdit(rows, rows.RowAt(2), kColumnName, &text);  // the empty row stays
  EXPECT_EQ(3, rows.Count());
  EndLocationEdit(rows, rows.RowAt(0), kColumnName, &text);
  ASSERT_EQ(2, rows.Count());
  EXPECT_EQ("Quelle", rows.GetCell(rows.FirstRow(), kColumnName));

  text = "H\xFCtte";
  EndLocationEdit(rows, rows.RowAt(1), kColumnName, &text);
  EXPECT_EQ(3, rows.Count());
  text = "Gipfel";
  EndLocationEdit(rows, rows.RowAt(0), kColumnName, &text);  // renaming elsewhere adds nothing
  EndLocationEdit(rows, rows.RowAt(0), kColumnName, nullptr);  // a cancelled edit does nothing
  EXPECT_EQ(3, rows.Count());
}

TEST(LocationsEditor, SavingKeepsEveryNamedRowButTheRunTakesTheFirst2048) {
  FakeRows rows;
  for (int i = 0; i <= kMaxLocations; ++i) {
    ILocationRows::Row row = rows.AppendRow("Ort " + std::to_string(i));
    rows.SetCell(row, kColumnRadius, "5,5");
    if (i == 3) rows.AppendRow("");  // an unnamed row in between is skipped
  }
  std::string folder = MakeTempDir();
  std::string path = folder + "/Locations.txt";
  CLocationTable table;
  ASSERT_TRUE(SaveLocationRows(rows, path, table));
  EXPECT_EQ(kMaxLocations, table.Count());
  EXPECT_EQ(5.5, table[0].radius);
  std::vector<Location> written = ReadLocationsFile(path);
  ASSERT_EQ(kMaxLocations + 1, static_cast<int>(written.size()));
  EXPECT_EQ("Ort 2048", written.back().name);
  EXPECT_EQ(0.0, written.back().longitude);  // an empty number cell saves as 0

  FakeRows reloaded;
  LoadLocationRows(reloaded, ReadLocationsFile(folder + "/missing.txt"));
  EXPECT_EQ(1, reloaded.Count());
  RemoveTree(folder);
}

}  // namespace
