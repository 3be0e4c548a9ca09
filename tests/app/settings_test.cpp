// Settings and path histories as the dialog and the command line see them
// across two starts of the program.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/registry.h"
#include "tests/app/registry_sandbox.h"
#include "tests/common/test_paths.h"

namespace {

class SettingsTest : public RegistrySandbox {
 protected:
  std::vector<std::string> StoredHistory(const char* name) {
    CRegistry key;
    std::vector<char> data;
    std::vector<std::string> strings;
    if (!key.Open(0, path_.c_str(), CRegistry::kReadOnly) || !key.GetMultiString(data, name)) return strings;
    for (size_t at = 0; at < data.size() && data[at]; at += std::strlen(&data[at]) + 1) strings.push_back(&data[at]);
    return strings;
  }
  void StoreDword(const char* name, std::uint32_t value) {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetDword(value, name));
  }

  CListComboBox route_, tiles_;
};

TEST_F(SettingsTest, AFirstStartShowsTheDefaultsAndCreatesTheKey) {
  ExportOptions options;
  LoadSettings(options, route_, tiles_, path_.c_str());
  ExportOptions defaults;
  EXPECT_EQ(defaults.BmpOn, options.BmpOn);
  EXPECT_EQ(0u, options.TextOn);
  EXPECT_EQ(1024u, options.BmpWidth);
  EXPECT_EQ(768u, options.BmpHeight);
  EXPECT_EQ("25", options.StepWidthText);
  EXPECT_EQ(4, options.PercentSel);
  EXPECT_EQ(1, options.StatSel);
  EXPECT_EQ("", options.RoutePath);
  EXPECT_EQ(0, route_.GetCount());
  CRegistry key;
  EXPECT_TRUE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
}

TEST_F(SettingsTest, StoredSizesFollowTheStartUpRules) {
  StoreDword("BmpWidth", 0);
  StoreDword("BmpHeight", 20000);
  ExportOptions options;
  LoadSettings(options, route_, tiles_, path_.c_str());
  EXPECT_EQ(1024u, options.BmpWidth);
  EXPECT_EQ(16000u, options.BmpHeight);
}

TEST_F(SettingsTest, ARunStoresTheValuesAsTheyStand) {
  ExportOptions options;
  options.BmpWidth = 0;  // corrected by the run, but stored as entered
  options.TextOn = 1;
  options.BmpAddStat = 0;
  options.StepWidthText = "50";
  options.PercentSel = 12;
  options.FixedHeightText = "1234";
  route_.SetEditText("/routes/a.kml");
  tiles_.SetEditText("/tiles");
  SaveSettings(options, route_, tiles_, path_.c_str());

  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
  std::uint32_t value = 99;
  EXPECT_TRUE(key.GetDword(value, "BmpWidth"));
  EXPECT_EQ(0u, value);
  EXPECT_TRUE(key.GetDword(value, "PercentSel"));
  EXPECT_EQ(12u, value);
  key.Close();

  ExportOptions next;
  CListComboBox route, tiles;
  LoadSettings(next, route, tiles, path_.c_str());
  EXPECT_EQ(1u, next.TextOn);
  EXPECT_EQ(0u, next.BmpAddStat);
  EXPECT_EQ("50", next.StepWidthText);
  EXPECT_EQ(12, next.PercentSel);         // out of the list: the run uses 4
  EXPECT_EQ("300", next.FixedHeightText); // never stored
  EXPECT_EQ("/routes/a.kml", next.RoutePath);
  EXPECT_EQ("/tiles", next.TileFolder);
  EXPECT_EQ("/routes/a.kml", route.GetEditText());
}

TEST_F(SettingsTest, AnEmptyStepWidthKeepsTheDefault) {
  {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetString("", "StepWidth"));
  }
  ExportOptions options;
  LoadSettings(options, route_, tiles_, path_.c_str());
  EXPECT_EQ("25", options.StepWidthText);
}

TEST_F(SettingsTest, ChoosingAListedRouteMovesItToTheFront) {
  route_.AddString("C:\\a.kml");
  route_.AddString("C:\\b.kml");
  route_.SetCurSel(1);
  route_.SetEditText("C:\\b.kml");
  SaveComboHistory(route_, kRouteHistory, path_.c_str());
  std::vector<std::string> expected{"\x02" "C:\\b.kml", "C:\\b.kml", "C:\\a.kml"};
  EXPECT_EQ(expected, StoredHistory("KmlPath"));
}

TEST_F(SettingsTest, ASelectedEntryCountsWhenTheEditTextIsEmpty) {
  route_.AddString("first");
  route_.AddString("second");
  route_.SetCurSel(1);
  SaveComboHistory(route_, kRouteHistory, path_.c_str());
  std::vector<std::string> expected{"\x02second", "second", "first"};
  EXPECT_EQ(expected, StoredHistory("KmlPath"));
}

TEST_F(SettingsTest, TheHistoryKeepsFifteenOthers) {
  for (int i = 0; i < 20; ++i) route_.AddString("route" + std::to_string(i));
  route_.SetEditText("typed");
  SaveComboHistory(route_, kRouteHistory, path_.c_str());
  std::vector<std::string> stored = StoredHistory("KmlPath");
  ASSERT_EQ(17u, stored.size());
  EXPECT_EQ("\x02typed", stored[0]);
  EXPECT_EQ("typed", stored[1]);
  EXPECT_EQ("route0", stored[2]);
  EXPECT_EQ("route14", stored[16]);
  // A typed text goes to the top of the drop-down list.
  EXPECT_EQ("typed", route_.GetItemText(0));
  EXPECT_EQ(16, route_.GetCount());
}

TEST_F(SettingsTest, AnEmptyRouteLeavesTheHistoryUnchanged) {
  route_.SetEditText("kept.kml");
  SaveComboHistory(route_, kRouteHistory, path_.c_str());
  CListComboBox empty;
  empty.AddString("");
  SaveComboHistory(empty, kRouteHistory, path_.c_str());
  std::vector<std::string> expected{"\x02kept.kml", "kept.kml"};
  EXPECT_EQ(expected, StoredHistory("KmlPath"));
}

TEST_F(SettingsTest, EntriesDifferingInCaseStaySeparate) {
  route_.AddString("Route.kml");
  route_.AddString("");
  route_.AddString("route.KML");
  route_.SetEditText("ROUTE.kml");
  SaveComboHistory(route_, kRouteHistory, path_.c_str());
  std::vector<std::string> expected{"\x02ROUTE.kml", "ROUTE.kml", "Route.kml", "route.KML"};
  EXPECT_EQ(expected, StoredHistory("KmlPath"));
}

TEST_F(SettingsTest, LoadingAHistoryWithoutMarkFillsOnlyTheList) {
  {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetMultiString("one\0\0two\0", "HgtPath"));  // an empty entry is skipped
  }
  std::string current = LoadComboHistory(tiles_, kTileHistory, path_.c_str());
  EXPECT_EQ("one", current);
  EXPECT_EQ("", tiles_.GetEditText());
  ASSERT_EQ(1, tiles_.GetCount());
  EXPECT_EQ("one", tiles_.GetItemText(0));
}

TEST_F(SettingsTest, LongHistoryEntriesAreCut) {
  std::string longText(3000, 'x');
  std::string value = "\x02" + longText + '\0' + longText + '\0' + '\0';
  {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetValue(value.data(), static_cast<std::uint32_t>(value.size()), "KmlPath", registry::kTypeMultiString));
  }
  std::string current = LoadComboHistory(route_, kRouteHistory, path_.c_str());
  EXPECT_EQ(2047u, current.size());
  ASSERT_EQ(1, route_.GetCount());
  EXPECT_EQ(255u, route_.GetItemText(0).size());
}

}  // namespace

// The dialog neither reads nor writes the command line's PNG choice: a
// dialog run must not switch off what the command line remembered.
TEST_F(SettingsTest, ThePngChoiceIsTheCommandLinesOwn) {
  std::uint32_t png = 7;
  LoadCommandLinePng(png, path_.c_str());
  EXPECT_EQ(7u, png);  // nothing stored: left alone
  ASSERT_TRUE(SaveCommandLinePng(1, path_.c_str()));

  ExportOptions dialog;
  LoadSettings(dialog, route_, tiles_, path_.c_str());
  EXPECT_EQ(0u, dialog.PngOn);
  route_.SetEditText("/routes/a.kml");
  SaveSettings(dialog, route_, tiles_, path_.c_str());
  LoadCommandLinePng(png, path_.c_str());
  EXPECT_EQ(1u, png);
}
