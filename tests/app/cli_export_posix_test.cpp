// "tolmaric export" as a user and a script see it: the files it writes, the
// program texts it prints, one exit code per failure class, the settings it
// remembers, and a settings store that can never stop a run. Each test has
// its own folder for the route, the outputs and the settings store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/file_path.h"
#include "tests/common/test_paths.h"

namespace {

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

class CliExport : public ::testing::Test {
 protected:
  void SetUp() override {
    route_ = folder_ + "/track.kml";
    ASSERT_TRUE(WriteWholeFile(route_, ReadWholeFile(SourcePath("examples/routes/from-gpx/andorra_for_map_matching.kml"))));
    config_ = folder_ + "/config";
  }
  void TearDown() override { RemoveTree(folder_); }

  Outcome Tolmaric(const std::string& arguments) {
    std::string out = folder_ + "/out.txt", err = folder_ + "/err.txt";
    std::string command = "XDG_CONFIG_HOME='" + config_ + "' '" + GetProgramFolder() + "../../app/cli/tolmaric' " +
                          arguments + " < /dev/null > '" + out + "' 2> '" + err + "'";
    int status = std::system(command.c_str());
    return {(status >> 8) & 0xFF, ReadWholeFile(out), ReadWholeFile(err)};
  }
  std::string Tiles() const { return " --tiles '" + SourcePath("examples/tiles") + "'"; }
  std::string Route() const { return "export '" + route_ + "'"; }
  std::string Report() const { return folder_ + "/track.txt"; }
  std::string Picture() const { return folder_ + "/track.bmp"; }
  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

  std::string folder_ = MakeTempDir();
  std::string route_, config_;
};

TEST_F(CliExport, WritesBothOutputsAndSaysWhere) {
  Outcome run = Tolmaric(Route() + Tiles() + " --text --width 400 --height 300");
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("Die Dateien wurden erzeugt.\n" + Report() + "\n" + Picture() + "\n", run.out);
  EXPECT_EQ("", run.err);
  EXPECT_TRUE(Exists(Report()));
  EXPECT_TRUE(Exists(Picture()));
}

// The expected files were made by this program once and checked: the report
// line by line by hand (28 samples 25 m apart over the 675.35 m track, each
// LOC line after the sample nearest its place, the class metres adding up to
// 675 m, heights rounded in the statistics), the picture by eye.
TEST_F(CliExport, WritesTheCheckedReportAndPictureByteForByte) {
  Outcome run = Tolmaric(Route() + Tiles() + " --locations '" + SourcePath("tests/app/data/export_locations.txt") +
                         "' --text --text-locations --text-stats --bitmap --no-bitmap-stats"
                         " --width 480 --height 360 --yes");
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_TRUE(ReadWholeFile(Report()) == ReadWholeFile(SourcePath("tests/app/data/export_track.txt")));
  EXPECT_TRUE(ReadWholeFile(Picture()) == ReadWholeFile(SourcePath("tests/app/data/export_track.bmp")));
}

TEST_F(CliExport, BadArgumentsWriteNothing) {
  const char* cases[] = {" --frobnicate", " --width abc", " --width", " --class-width 11", " --class-width 0",
                         " --classes 7",  " --step -5",   " --png=1",     " --tiles ''",
                         " --tiles '/no/such/folder'", " --tiles 'C:\\SRTM\" --yes'",
                         " --locations '/no/such/Locations.txt'"};
  for (const char* arguments : cases) {
    Outcome run = Tolmaric(Route() + Tiles() + arguments);
    EXPECT_EQ(2, run.exitCode) << arguments;
    EXPECT_NE(std::string::npos, run.err.find("tolmaric export: ")) << arguments;
    EXPECT_EQ("", run.out) << arguments;
  }
  Outcome noTiles = Tolmaric(Route());  // no tile folder given, none remembered
  EXPECT_EQ(2, noTiles.exitCode);
  EXPECT_NE(std::string::npos, noTiles.err.find("--tiles DIR"));
  EXPECT_FALSE(Exists(config_));
  EXPECT_FALSE(Exists(Report()));
  EXPECT_FALSE(Exists(Picture()));
}

TEST_F(CliExport, EveryFailureClassHasItsMessageAndCode) {
  Outcome none = Tolmaric(Route() + Tiles() + " --no-bitmap --no-text");
  EXPECT_EQ(3, none.exitCode);
  EXPECT_EQ("Es ist werder der Bild noch der Text-Export ausgew\xC3\xA4hlt !\n", none.err);

  // The run above stored both outputs as off: every later run names its own.
  Outcome route = Tolmaric("export '" + folder_ + "/missing.kml'" + Tiles() + " --bitmap");
  EXPECT_EQ(11, route.exitCode);
  EXPECT_EQ("Die Datei kann nicht ge\xC3\xB6" "ffnet werden !\n", route.err);

  Outcome tile = Tolmaric(Route() + " --tiles '" + folder_ + "' --bitmap");
  EXPECT_EQ(20, tile.exitCode);
  EXPECT_EQ(0u, tile.err.find("Die Datei N42E001.hgt konnte nicht gefunden werden !\n"));
  EXPECT_NE(std::string::npos, tile.err.find("tolmaric export: tiles looked for in " + folder_ + "\n"));

  std::filesystem::create_directory(Report());
  Outcome report = Tolmaric(Route() + Tiles() + " --text --bitmap --yes");
  EXPECT_EQ(6, report.exitCode);
  EXPECT_EQ("Die Datei " + Report() + " konnte nicht erzeugt werden !\n", report.err);
  std::filesystem::remove(Report());

  std::filesystem::create_directory(Picture());
  Outcome picture = Tolmaric(Route() + Tiles() + " --text --bitmap --yes");
  EXPECT_EQ(7, picture.exitCode);
  EXPECT_EQ("Die Datei " + Picture() + " konnte nicht erstellt werden !\n", picture.err);
  EXPECT_TRUE(Exists(Report()));  // written before the picture failed
}

TEST_F(CliExport, AGpxRouteFailsWithTheCodeOfItsOwnResult) {
  ASSERT_TRUE(WriteWholeFile(route_, "<gpx><trk><trkseg></trkseg></trk></gpx>"));
  Outcome run = Tolmaric(Route() + Tiles());
  EXPECT_EQ(14, run.exitCode);
  EXPECT_EQ(0u, run.err.find("Es wurden keine Koortinaten gefunden !\n")) << run.err;
}

TEST_F(CliExport, AStopOnAMissingTileListsEveryMissingTileOfTheRoute) {
  ASSERT_TRUE(WriteWholeFile(route_, "<gpx><rte><rtept lat=\"42.5\" lon=\"1.5\"/><rtept lat=\"44.5\" "
                                     "lon=\"2.5\"/></rte></gpx>"));
  Outcome run = Tolmaric(Route() + Tiles() + " --text");
  EXPECT_EQ(20, run.exitCode);
  EXPECT_EQ(0u, run.err.find("Die Datei N43E001.hgt konnte nicht gefunden werden !\n"));
  EXPECT_NE(std::string::npos, run.err.find("tolmaric export: every tile of the route missing there:\n"
                                            "  N43E001.hgt\n  N43E002.hgt\n  N44E002.hgt\n"))
      << run.err;
}

TEST_F(CliExport, AnExistingOutputIsKeptUnlessConfirmed) {
  ASSERT_TRUE(WriteWholeFile(Picture(), "keep me"));
  Outcome declined = Tolmaric(Route() + Tiles());
  EXPECT_EQ(8, declined.exitCode);
  EXPECT_EQ("keep me", ReadWholeFile(Picture()));
  EXPECT_EQ(std::string::npos, declined.err.find("Fehler"));
  EXPECT_EQ("tolmaric export: kept the existing " + Picture() + "; give --yes (or answer j) to replace it\n",
            declined.err);
  EXPECT_EQ("", declined.out);

  Outcome accepted = Tolmaric(Route() + Tiles() + " --yes");
  EXPECT_EQ(0, accepted.exitCode) << accepted.err;
  EXPECT_EQ("BM", ReadWholeFile(Picture()).substr(0, 2));
}

TEST_F(CliExport, RemembersTheTileFolderAndTheSettings) {
  Outcome first = Tolmaric(Route() + Tiles() + " --text --no-bitmap --step 50 --fixed-height 2000");
  ASSERT_EQ(0, first.exitCode) << first.err;
  std::string store = ReadWholeFile(config_ + "/tolmaric/registry");
  EXPECT_NE(std::string::npos, store.find("\"StepWidth\"=sz:\"50\""));
  EXPECT_NE(std::string::npos, store.find("\"BmpFixHeight\"=dword:00000001"));
  EXPECT_NE(std::string::npos, store.find("\"CliFixedHeight\"=sz:\"2000\""));
  EXPECT_NE(std::string::npos, store.find("\"KmlPath\"=hex(7):02,"));
  EXPECT_NE(std::string::npos, store.find("\"Text73\"=sz:\"Die Dateien wurden erzeugt.\""));
  std::filesystem::remove(Report());

  Outcome second = Tolmaric(Route());  // tile folder, text output and step from the store
  EXPECT_EQ(0, second.exitCode) << second.err;
  EXPECT_TRUE(Exists(Report()));
  EXPECT_FALSE(Exists(Picture()));
}

// A damaged tile archive stops the run with the unpack message and leaves the
// old picture whole; a route named like an output is refused untouched; a
// leftover of a killed run goes with the next successful one.
TEST_F(CliExport, NothingReportedAsDoneThatWasNotDoneAndNothingLost) {
  const std::string tiles = folder_ + "/tiles";
  std::filesystem::create_directory(tiles);
  const std::string archive = ReadWholeFile(SourcePath("examples/tiles/N42E001.hgt.zip"));
  ASSERT_TRUE(WriteWholeFile(tiles + "/N42E001.hgt.zip", archive.substr(0, archive.size() / 2)));
  ASSERT_TRUE(WriteWholeFile(Picture(), "old picture"));
  Outcome damaged = Tolmaric(Route() + " --tiles '" + tiles + "' --yes");
  EXPECT_EQ(20, damaged.exitCode);
  EXPECT_EQ(0u, damaged.err.find("Die Datei N42E001.hgt konnte nicht entpackt werden !\n")) << damaged.err;
  EXPECT_EQ("", damaged.out);
  EXPECT_EQ("old picture", ReadWholeFile(Picture()));

  const std::string textRoute = folder_ + "/track2.txt";
  ASSERT_TRUE(WriteWholeFile(textRoute, ReadWholeFile(route_)));
  Outcome ownRoute = Tolmaric("export '" + textRoute + "'" + Tiles() + " --text --no-bitmap --yes");
  EXPECT_EQ(6, ownRoute.exitCode);
  EXPECT_EQ("Die Datei " + textRoute + " konnte nicht erzeugt werden !\n", ownRoute.err);
  EXPECT_EQ(ReadWholeFile(route_), ReadWholeFile(textRoute));

  ASSERT_TRUE(WriteWholeFile(Picture() + ".999999999.tmp", "half a picture"));
  Outcome good = Tolmaric(Route() + Tiles() + " --bitmap --no-text --width 400 --height 300 --yes");
  EXPECT_EQ(0, good.exitCode) << good.err;
  EXPECT_EQ("BM", ReadWholeFile(Picture()).substr(0, 2));
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) files += entry.path().extension() == ".tmp";
  EXPECT_EQ(0u, files);
}

// --png alone puts the PNG in the BMP's place and is remembered; --bitmap
// --png writes both from one drawing; a PNG that cannot be put in place
// fails the run with the picture's code and leaves no piece behind.
TEST_F(CliExport, ThePngTakesTheBitmapsPlaceOrGoesBesideIt) {
  const std::string png = folder_ + "/track.png";
  Outcome alone = Tolmaric(Route() + Tiles() + " --png --width 400 --height 300");
  ASSERT_EQ(0, alone.exitCode) << alone.err;
  EXPECT_EQ("Die Dateien wurden erzeugt.\n" + png + "\n", alone.out);
  EXPECT_EQ("\x89PNG\r\n\x1a\n", ReadWholeFile(png).substr(0, 8));
  EXPECT_FALSE(Exists(Picture()));
  std::filesystem::remove(png);
  Outcome remembered = Tolmaric(Route());
  EXPECT_EQ(0, remembered.exitCode) << remembered.err;
  EXPECT_TRUE(Exists(png));
  EXPECT_FALSE(Exists(Picture()));

  Outcome both = Tolmaric(Route() + " --bitmap --png --yes");
  EXPECT_EQ("Die Dateien wurden erzeugt.\n" + Picture() + "\n" + png + "\n", both.out);
  EXPECT_EQ("BM", ReadWholeFile(Picture()).substr(0, 2));

  std::filesystem::remove(png);
  std::filesystem::create_directory(png);
  Outcome failed = Tolmaric(Route() + " --text --no-bitmap --png --yes");
  EXPECT_EQ(7, failed.exitCode);
  EXPECT_EQ("Die Datei " + png + " konnte nicht erstellt werden !\n", failed.err);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) files += entry.path().extension() == ".tmp";
  EXPECT_EQ(0u, files);
}

// Three routes, the middle one over a tile the folder lacks: the others are
// made, each gets its status line, the exit code is the failure's, and the
// settings are stored once, with the first route.
TEST_F(CliExport, ABatchGoesOnAfterAFailedRouteAndEndsWithItsCode) {
  const std::string far = folder_ + "/far.gpx", last = folder_ + "/last.kml";
  ASSERT_TRUE(WriteWholeFile(far, "<gpx><rte><rtept lat=\"47.5\" lon=\"20.5\"/><rtept lat=\"47.6\" "
                                  "lon=\"20.6\"/></rte></gpx>"));
  ASSERT_TRUE(WriteWholeFile(last, ReadWholeFile(route_)));
  Outcome run = Tolmaric("export '" + route_ + "' '" + far + "' '" + last + "'" + Tiles() +
                         " --text --no-bitmap --yes");
  EXPECT_EQ(20, run.exitCode);
  EXPECT_EQ(route_ + ": done\n" + far + ": failed, tile missing or damaged (exit code 20)\n" + last +
                ": done\n",
            run.out);
  EXPECT_EQ(0u, run.err.find("Die Datei N47E020.hgt konnte nicht gefunden werden !\n")) << run.err;
  EXPECT_EQ(ReadWholeFile(Report()), ReadWholeFile(folder_ + "/last.txt"));
  const std::string store = ReadWholeFile(config_ + "/tolmaric/registry");
  EXPECT_EQ(std::string::npos, store.find("2f,66,61,72,2e,67,70,78"));  // "/far.gpx" never stored
  EXPECT_EQ(std::string::npos, store.find("2f,6c,61,73,74,2e,6b,6d,6c"));  // nor "/last.kml"
}

TEST_F(CliExport, ReplacedTextsAreUsed) {
  ASSERT_EQ(0, Tolmaric(Route() + Tiles() + " --no-bitmap --text").exitCode);
  std::string store = ReadWholeFile(config_ + "/tolmaric/registry");
  std::string from = "\"Text73\"=sz:\"Die Dateien wurden erzeugt.\"";
  store.replace(store.find(from), from.size(), "\"Text73\"=sz:\"Fertig: %s %n\"");
  ASSERT_TRUE(WriteWholeFile(config_ + "/tolmaric/registry", store));
  Outcome run = Tolmaric(Route() + " --yes");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(0u, run.out.find("Fertig: %s %n\n"));
}

TEST_F(CliExport, ADamagedOrUnwritableStoreNeverStopsARun) {
  std::filesystem::create_directories(config_ + "/tolmaric");
  ASSERT_TRUE(WriteWholeFile(config_ + "/tolmaric/registry", std::string("\x00garbage[[[\n\"", 13)));
  Outcome damaged = Tolmaric(Route() + Tiles() + " --width 400 --height 300");
  EXPECT_EQ(0, damaged.exitCode) << damaged.err;
  EXPECT_TRUE(Exists(config_ + "/tolmaric/registry.corrupt"));

  config_ = "/dev/null/no-store";
  Outcome unwritable = Tolmaric(Route() + Tiles() + " --width 400 --height 300 --yes");
  EXPECT_EQ(0, unwritable.exitCode) << unwritable.err;
  EXPECT_EQ("tolmaric export: the settings store cannot be read or written; settings will not be saved\n",
            unwritable.err);
}

TEST_F(CliExport, HelpSaysWhereTheLocationsAreAndWhatTheCodesMean) {
  Outcome help = Tolmaric("export --help");
  EXPECT_EQ(0, help.exitCode);
  EXPECT_NE(std::string::npos, help.out.find("Locations.txt"));
  EXPECT_NE(std::string::npos, help.out.find(config_ + "/tolmaric/Locations.txt"));
  EXPECT_NE(std::string::npos, help.out.find("--tiles may be left out"));
  EXPECT_NE(std::string::npos, help.out.find("  8      an existing output was kept\n"));
  EXPECT_NE(std::string::npos, help.out.find("  10-14  route file unusable"));
  EXPECT_NE(std::string::npos, help.out.find("--fixed-height M with its value"));
}

}  // namespace
