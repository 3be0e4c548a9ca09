// Whole export runs as the user sees them: which files appear, which single
// message (if any) comes up, and what is stored first. The route is a real
// track in the bundled Andorra tile; every run works in a folder of its own
// because the outputs are written next to the route.
#include "core/export_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/locations.h"
#include "core/program_texts.h"
#include "core/tile_store.h"
#include "support/file_path.h"
#include "tests/common/test_paths.h"
#include "tests/core/recording_host.h"

namespace {

class RecordingSaver : public ISettingsSaver {
 public:
  void SaveSettings(const ExportOptions& options) override { saved.push_back(options); }
  std::vector<ExportOptions> saved;
};

class ExportRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramTexts();
    route_ = folder_ + "/track.kml";
    ASSERT_TRUE(WriteWholeFile(route_, ReadWholeFile(SourcePath("examples/routes/from-gpx/andorra_for_map_matching.kml"))));
    options_.RoutePath = route_;
    options_.TileFolder = SourcePath("examples/tiles");
    options_.BmpWidth = 400;
    options_.BmpHeight = 300;
    options_.BmpShow = 0;
  }
  void TearDown() override { RemoveTree(folder_); }

  ExportOutcome Run() {
    CTileStore tiles(errorText_);
    ExportOutcome outcome = RunExport(options_, locations_, tiles, host_, saver_, errorText_);
    EXPECT_FALSE(tiles.HasTileMemory());
    if (!host_.cursor.empty()) {
      EXPECT_FALSE(host_.cursor.back());
    }
    return outcome;
  }
  std::string Report() const { return folder_ + "/track.txt"; }
  std::string Picture() const { return folder_ + "/track.bmp"; }
  static bool Exists(const std::string& path) { return GetFileKind(path.c_str()) != 0; }

  std::string folder_ = MakeTempDir();
  std::string route_, errorText_;
  ExportOptions options_;
  CLocationTable locations_;
  RecordingHost host_;
  RecordingSaver saver_;
};

TEST_F(ExportRun, NoOutputChosenIsTheOnlyMessageAfterTheSettingsAreStored) {
  options_.BmpOn = options_.TextOn = 0;
  EXPECT_EQ(ExportOutcome::kNoOutputChosen, Run());
  ASSERT_EQ(1u, saver_.saved.size());
  ASSERT_EQ(1u, host_.messages.size());
  EXPECT_EQ("Es ist werder der Bild noch der Text-Export ausgew\xE4hlt !", host_.messages[0].text);
  EXPECT_EQ("Fehler", host_.messages[0].caption);
  EXPECT_EQ(IRunHost::Icon::Error, host_.messages[0].icon);
  EXPECT_TRUE(host_.cursor.empty());
}

TEST_F(ExportRun, RouteFailuresShowTheReadersMessage) {
  struct Case {
    std::string route;
    const char* message;
  } cases[] = {
      {"", "Die Datei kann nicht ge\xF6" "ffnet werden !"},
      {folder_, "Die Datei kann nicht ge\xF6" "ffnet werden !"},
      {folder_ + "/plain.kml", "Die Datei hat ein falsches Format !"},
      {folder_ + "/empty.kml", "Es wurden keine Koortinaten gefunden !"},
      {folder_ + "/two.kml", "Unbekannter Fehler !"},
  };
  WriteWholeFile(folder_ + "/plain.kml", "<kml>no geometry here</kml>");
  WriteWholeFile(folder_ + "/empty.kml", "<LineString><coordinates></coordinates></LineString>");
  WriteWholeFile(folder_ + "/two.kml", "<LineString><coordinates>1.5 42.6</coordinates></LineString>");
  for (const Case& test : cases) {
    host_ = RecordingHost();
    saver_ = RecordingSaver();
    options_.RoutePath = test.route;
    EXPECT_EQ(ExportOutcome::kRouteFailed, Run()) << test.route;
    ASSERT_EQ(1u, host_.messages.size()) << test.route;
    EXPECT_EQ(test.message, host_.messages[0].text) << test.route;
    EXPECT_EQ(1u, saver_.saved.size());  // stored before the route was read
    EXPECT_EQ((std::vector<bool>{true, false}), host_.cursor);
  }
}

TEST_F(ExportRun, OnlyTheReportIsWrittenAndOpenedWhenAsked) {
  options_.BmpOn = 0;
  options_.TextOn = 1;
  options_.TextShow = 1;
  EXPECT_EQ(ExportOutcome::kSuccess, Run());
  EXPECT_TRUE(Exists(Report()));
  EXPECT_FALSE(Exists(Picture()));
  EXPECT_EQ(std::vector<std::string>{Report()}, host_.opened);
  ASSERT_EQ(1u, host_.messages.size());
  EXPECT_EQ("Die Dateien wurden erzeugt.", host_.messages[0].text);
  EXPECT_EQ("Information", host_.messages[0].caption);
  EXPECT_EQ(IRunHost::Icon::Information, host_.messages[0].icon);
}

TEST_F(ExportRun, DecliningThePictureKeepsTheReportAndShowsNothing) {
  options_.TextOn = 1;
  options_.TextShow = 1;
  ASSERT_TRUE(WriteWholeFile(Picture(), "old picture"));
  host_.answerOk = false;
  EXPECT_EQ(ExportOutcome::kDeclined, Run());
  EXPECT_TRUE(Exists(Report()));
  EXPECT_EQ(std::vector<std::string>{Report()}, host_.opened);
  EXPECT_EQ("old picture", ReadWholeFile(Picture()));
  ASSERT_EQ(1u, host_.questions.size());
  EXPECT_EQ("Die Datei " + Picture() + " existiert bereits !\nSoll sie \xFC" "berschrieben werden ?",
            host_.questions[0].text);
  EXPECT_EQ("Frage", host_.questions[0].caption);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ExportRun, AConfirmedQuestionReplacesTheReport) {
  options_.BmpOn = 0;
  options_.TextOn = 1;
  ASSERT_TRUE(WriteWholeFile(Report(), "old report"));
  EXPECT_EQ(ExportOutcome::kSuccess, Run());
  EXPECT_EQ(1u, host_.questions.size());
  EXPECT_NE("old report", ReadWholeFile(Report()));
}

TEST_F(ExportRun, AMissingTileStopsBeforeThePicture) {
  options_.TextOn = 1;
  options_.TileFolder = folder_;  // holds no tiles
  EXPECT_EQ(ExportOutcome::kTileFailed, Run());
  EXPECT_FALSE(Exists(Picture()));
  ASSERT_EQ(1u, host_.messages.size());
  EXPECT_EQ(0u, host_.messages[0].text.find("Die Datei N42E001.hgt konnte nicht gefunden werden !\n"));
  EXPECT_EQ("Fehler", host_.messages[0].caption);
}

TEST_F(ExportRun, AReportThatCannotBeCreatedIsNamed) {
  options_.BmpOn = 0;
  options_.TextOn = 1;
  ASSERT_TRUE(std::filesystem::create_directory(Report()));  // the name is taken by a folder
  EXPECT_EQ(ExportOutcome::kReportFailed, Run());
  ASSERT_EQ(1u, host_.messages.size());
  EXPECT_EQ("Die Datei " + Report() + " konnte nicht erzeugt werden !", host_.messages[0].text);
}

TEST_F(ExportRun, APictureThatCannotBeSavedIsNamedAfterTheReport) {
  options_.TextOn = 1;
  ASSERT_TRUE(std::filesystem::create_directory(Picture()));
  EXPECT_EQ(ExportOutcome::kPictureFailed, Run());
  EXPECT_TRUE(Exists(Report()));
  ASSERT_EQ(1u, host_.messages.size());
  EXPECT_EQ("Die Datei " + Picture() + " konnte nicht erstellt werden !", host_.messages[0].text);
}

TEST_F(ExportRun, AnOutputIsNeverWrittenOverItsOwnRoute) {
  const std::string kml = ReadWholeFile(route_);
  options_.TextOn = 1;
  struct Case {
    std::string route;
    ExportOutcome outcome;
    std::string message;
  } cases[] = {
      {folder_ + "/route.txt", ExportOutcome::kReportFailed,
       "Die Datei " + folder_ + "/route.txt konnte nicht erzeugt werden !"},
      {folder_ + "/route.bmp", ExportOutcome::kPictureFailed,
       "Die Datei " + folder_ + "/route.bmp konnte nicht erstellt werden !"},
  };
  for (const Case& test : cases) {
    host_ = RecordingHost();
    ASSERT_TRUE(WriteWholeFile(test.route, kml));
    options_.RoutePath = test.route;
    options_.TextOn = test.outcome == ExportOutcome::kReportFailed;
    EXPECT_EQ(test.outcome, Run());
    EXPECT_EQ(kml, ReadWholeFile(test.route));
    ASSERT_EQ(1u, host_.messages.size());
    EXPECT_EQ(test.message, host_.messages[0].text);
    EXPECT_TRUE(host_.questions.empty());
  }
  // The report's name reaching the route through a second link.
  options_.RoutePath = route_;
  options_.BmpOn = 0;
  options_.TextOn = 1;
  std::filesystem::create_hard_link(route_, Report());
  EXPECT_EQ(ExportOutcome::kReportFailed, Run());
  EXPECT_EQ(kml, ReadWholeFile(route_));
  EXPECT_FALSE(Exists(Picture()));
}

TEST_F(ExportRun, ASizeOfZeroDrawsTheDefaultButIsStoredAsZero) {
  options_.BmpWidth = 0;
  options_.BmpHeight = 0;
  EXPECT_EQ(ExportOutcome::kSuccess, Run());
  ASSERT_EQ(1u, saver_.saved.size());
  EXPECT_EQ(0u, saver_.saved[0].BmpWidth);
  std::string bmp = ReadWholeFile(Picture());
  ASSERT_GE(bmp.size(), 54u);
  auto le32 = [&](int at) {
    return static_cast<unsigned char>(bmp[at]) | static_cast<unsigned char>(bmp[at + 1]) << 8 |
           static_cast<unsigned char>(bmp[at + 2]) << 16 | static_cast<unsigned char>(bmp[at + 3]) << 24;
  };
  EXPECT_EQ(1024, le32(18));
  EXPECT_EQ(768, le32(22));
}

TEST_F(ExportRun, AnOutOfRangeClassWidthCountsAsFivePercent) {
  options_.BmpOn = 0;
  options_.TextOn = 1;
  options_.TextAddStat = 1;
  options_.PercentSel = 12;
  options_.StatSel = 9;
  EXPECT_EQ(ExportOutcome::kSuccess, Run());
  std::string report = ReadWholeFile(Report());
  EXPECT_NE(std::string::npos, report.find("STAT: -20%..-15%"));
  EXPECT_NE(std::string::npos, report.find("STAT:  15%.. 20%"));
  EXPECT_EQ(12, saver_.saved[0].PercentSel);
}

// A route saved as GPX, as KMZ or as KML gives the same report and picture,
// byte for byte: the format only changes how the points are found.
TEST_F(ExportRun, TheSameRouteInAnyFormatWritesTheSameFiles) {
  options_.TextOn = options_.BmpOn = 1;
  options_.TextAddStat = 1;
  std::string firstReport, firstPicture;
  for (const char* name : {"from-gpx/test_route_andorra.kml", "test_route_andorra.gpx",
                           "test_route_andorra.kmz"}) {
    std::string path = SourcePath(std::string("examples/routes/") + name);
    options_.RoutePath = folder_ + "/track." + ExtensionPart(path.c_str());
    ASSERT_TRUE(WriteWholeFile(options_.RoutePath, ReadWholeFile(path)));
    ASSERT_EQ(ExportOutcome::kSuccess, Run()) << name;
    std::string report = ReadWholeFile(Report()), picture = ReadWholeFile(Picture());
    ASSERT_GT(report.size(), 10000u);
    if (firstReport.empty()) {
      firstReport = report;
      firstPicture = picture;
    }
    EXPECT_TRUE(report == firstReport && picture == firstPicture) << name;
    std::filesystem::remove(Report());
    std::filesystem::remove(Picture());
  }
}

}  // namespace
