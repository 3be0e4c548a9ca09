// "tolmaric height" and "tolmaric tiles" as a user and a script see them:
// the printed heights and tile lines, the program's message and an exit code
// for every failure. The program built beside the test runs through the
// system's shell with its output sent to files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/file_path.h"
#include "tests/common/test_paths.h"
#include "tests/core/tile_fixtures.h"

using namespace tile_fixtures;

namespace {

#ifdef _WIN32
const char kProgram[] = "app/cli/tolmaric.exe";
int ExitCodeOf(int status) { return status; }
#else
const char kProgram[] = "app/cli/tolmaric";
int ExitCodeOf(int status) { return (status >> 8) & 0xFF; }
#endif

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  static std::string ProgramPath() { return GetProgramFolder() + "../../" + kProgram; }

  Outcome Tolmaric(const std::string& arguments) {
    std::string out = scratch_.File("out.txt"), err = scratch_.File("err.txt");
    std::string command = "\"" + ProgramPath() + "\" " + arguments + " > \"" + out + "\" 2> \"" +
                          err + "\"";
#ifdef _WIN32
    // cmd /c drops the first and the last quote of a line that starts with one.
    command = "\"" + command + "\"";
#endif
    int status = std::system(command.c_str());
    return {ExitCodeOf(status), ReadWholeFile(out), ReadWholeFile(err)};
  }

  static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

  TempFolder scratch_, tiles_;
};

}  // namespace

TEST_F(Cli, HeightsOfTheExampleTilesInOrder) {
  Outcome o = Tolmaric("height --tiles " + Quoted(SourcePath("examples/tiles")) +
                       " 9.5 47.5 -71.1 -28.5 1.5 42.0 9.25 47.75");
  EXPECT_EQ(o.exitCode, 0) << o.err;
  // Lake Constance 396 m; the others lie exactly on grid points: column 1080
  // and row 600 of S29W072, row 1200 of N42E001, row and column 300 of N47E009.
  std::vector<std::uint16_t> n47 =
      DecodeSamples(ReadWholeFile(SourcePath("examples/tiles/N47E009.hgt")));
  EXPECT_EQ(o.out, "396.00\n72.00\n701.00\n" + std::to_string(n47[300 * 1201 + 300]) + ".00\n");
  EXPECT_EQ(o.err, "");
}

TEST_F(Cli, HeightsShareOneStoreSoVoidsTakeTheLastValidHeight) {
  // One void on the grid point at 10.5 N 10.5 E; 500 m everywhere else.
  WriteWholeFile(tiles_.File("N10E010.hgt"), MakeTileBytes([](int row, int column) {
    return std::uint16_t(row == 600 && column == 600 ? 0x8000 : 500);
  }));
  WriteWholeFile(tiles_.File("N10E011.hgt"), FlatTileBytes(321));
  Outcome first = Tolmaric("height --tiles " + Quoted(tiles_.Path()) + " 10.5 10.5");
  EXPECT_EQ(first.out, "100.00\n");  // nothing valid seen yet in this process
  Outcome carried = Tolmaric("height --tiles " + Quoted(tiles_.Path()) + " 11.5 10.5 10.5 10.5");
  EXPECT_EQ(carried.out, "321.00\n321.00\n");
}

TEST_F(Cli, AMissingTileStopsWithTheProgramTextAfterTheHeightsFound) {
  Outcome o = Tolmaric("height --tiles " + Quoted(SourcePath("examples/tiles")) +
                       " 9.5 47.5 10.5 47.5 9.5 47.5");
  EXPECT_EQ(o.exitCode, 20);
  EXPECT_EQ(o.out, "396.00\n");
  EXPECT_EQ(o.err.rfind("Die Datei N47E010.hgt konnte nicht gefunden werden !\n", 0), 0u) << o.err;
  EXPECT_NE(o.err.find("tolmaric height: tiles looked for in " + SourcePath("examples/tiles") + "\n"),
            std::string::npos) << o.err;
}

TEST_F(Cli, HeightArgumentsAreChecked) {
  const std::string tiles = " --tiles " + Quoted(SourcePath("examples/tiles"));
  for (const std::string& arguments : std::vector<std::string>{
           "height 9.5 47.5", "height" + tiles, "height" + tiles + " 9.5",
        "height" + tiles + " 9.5 47.5x", "height --tiles",
        "height --tiles " + Quoted(scratch_.File("no-such-folder")) + " 9.5 47.5"}) {
    Outcome o = Tolmaric(arguments);
    EXPECT_EQ(o.exitCode, 2) << arguments;
    EXPECT_EQ(o.out, "") << arguments;
    EXPECT_NE(o.err, "") << arguments;
  }
  EXPECT_EQ(Tolmaric("height --help").exitCode, 0);
}

TEST_F(Cli, TilesOfTheExampleFolder) {
  Outcome o = Tolmaric("tiles " + Quoted(SourcePath("examples/tiles")));
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out,
            "N41E001.hgt.zip  usable, SRTM3, lowest -20 m, highest 1204 m, 134 void, 0 invalid\n"
            "N42E001.hgt.zip  usable, SRTM3, lowest 349 m, highest 3100 m, 7652 void, 0 invalid\n"
            "N47E009.hgt      usable, SRTM3, lowest 388 m, highest 2937 m, 0 void, 0 invalid\n"
            "S29W072.hgt.zip  usable, SRTM3, lowest -5 m, highest 1899 m, 21 void, 0 invalid\n");
}

TEST_F(Cli, TilesSaysWhyATileIsNotUsable) {
  WriteWholeFile(tiles_.File("N10E010.hgt"), "short");
  WriteWholeFile(tiles_.File("N10E011.hgt.zip"), "not a zip");
  WriteWholeFile(tiles_.File("N10E012.hgt.zip"),
                 MakeStoredZip({{"N10E012.hgt", FlatTileBytes(7), /*corruptCrc=*/true}}));
  WriteWholeFile(tiles_.File("N10E013.hgt"), FlatTileBytes(7));
  WriteWholeFile(tiles_.File("N10E013.hgt.zip"), MakeStoredZip({{"x", FlatTileBytes(8)}}));
  WriteWholeFile(tiles_.File("n10e014.hgt"), FlatTileBytes(9));
  WriteWholeFile(tiles_.File("N10E015-old.hgt"), FlatTileBytes(9));
  WriteWholeFile(tiles_.File("notes.txt"), "not a tile");
  Outcome o = Tolmaric("tiles " + Quoted(tiles_.Path()));
  EXPECT_EQ(o.exitCode, 21);
  EXPECT_EQ(o.out,
            "N10E010.hgt      NOT USABLE: neither 2884802 (SRTM3) nor 25934402 (SRTM1) bytes long "
            "(the run stops with a message)\n"
            "N10E011.hgt.zip  NOT USABLE: not a ZIP archive, or no entry is a tile "
            "(the run stops with a message)\n"
            "N10E012.hgt.zip  NOT USABLE: the tile entry fails to unpack (the run stops with a "
            "message)\n"
            "N10E013.hgt      usable, SRTM3, lowest 7 m, highest 7 m, 0 void, 0 invalid\n"
            "N10E013.hgt.zip  usable, SRTM3, lowest 8 m, highest 8 m, 0 void, 0 invalid; never read: "
            "N10E013.hgt beside it wins\n"
            "N10E015-old.hgt  usable, SRTM3, lowest 9 m, highest 9 m, 0 void, 0 invalid; never read: "
            "the name is not N00E000.hgt style\n"
            "n10e014.hgt      usable, SRTM3, lowest 9 m, highest 9 m, 0 void, 0 invalid\n");
}

TEST_F(Cli, TilesAlongARouteSayWhereEachIsOrThatItIsMissing) {
  WriteWholeFile(tiles_.File("N10E010.hgt"), std::string(static_cast<std::size_t>(kTileBytesSrtm1), '\0'));
  WriteWholeFile(tiles_.File("N10E011.zip"), MakeStoredZip({{"N10E011.hgt", FlatTileBytes(7)}}));
  WriteWholeFile(tiles_.File("N10E012.hgt.zip"), "not a zip");
  // East along 10.5 N, then back over the corner of N11E012 to N10E013.
  WriteWholeFile(scratch_.File("route.gpx"),
                 "<gpx><trk><trkseg><trkpt lat=\"10.5\" lon=\"10.5\"/><trkpt lat=\"10.5\" lon=\"12.5\"/>"
                 "<trkpt lat=\"11.5\" lon=\"12.6\"/><trkpt lat=\"10.5\" lon=\"13.5\"/></trkseg></trk></gpx>");
  Outcome o = Tolmaric("tiles " + Quoted(tiles_.Path()) + " --route " + Quoted(scratch_.File("route.gpx")));
  EXPECT_EQ(o.exitCode, 21) << o.err;
  EXPECT_EQ(o.out,
            "N10E010.hgt  loose  SRTM1  N10E010.hgt\n"
            "N10E011.hgt  zipped SRTM3  N10E011.zip\n"
            "N10E012.hgt  damaged       N10E012.hgt.zip: NOT USABLE: not a ZIP archive, or no entry "
            "is a tile (the run stops with a message)\n"
            "N11E012.hgt  missing\n"
            "N11E013.hgt  missing\n"
            "N10E013.hgt  missing\n");
  EXPECT_EQ(Tolmaric("tiles " + Quoted(tiles_.Path()) + " --route").exitCode, 2);
  EXPECT_EQ(Tolmaric("tiles " + Quoted(tiles_.Path()) + " --route " + Quoted(tiles_.File("none.gpx"))).exitCode,
            11);
}

TEST_F(Cli, TilesOfAnEmptyOrMissingFolder) {
  Outcome empty = Tolmaric("tiles " + Quoted(tiles_.Path()));
  EXPECT_EQ(empty.exitCode, 21);
  EXPECT_NE(empty.err, "");
  EXPECT_EQ(Tolmaric("tiles " + Quoted(tiles_.File("missing"))).exitCode, 2);
  EXPECT_EQ(Tolmaric("tiles").exitCode, 2);
}
