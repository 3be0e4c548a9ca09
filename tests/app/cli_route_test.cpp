// "tolmaric route" as a user and a script see it: the summary line, the
// point list, a message and an exit code of its own for every failure. The
// test runs the program built beside it, through the system's shell, with
// standard output and standard error sent to files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/file_path.h"
#include "tests/common/test_paths.h"

namespace {

#ifdef _WIN32
const char kProgram[] = "app/cli/tolmaric.exe";
int ExitCodeOf(int status) { return status; }
// cmd /c drops the first and the last quote of a line that starts with one.
std::string ShellLine(const std::string& command) { return "\"" + command + "\""; }
// Redirected output keeps the program texts' code page 1252 bytes.
const char kNotOpened[] = "Die Datei kann nicht ge\xF6" "ffnet werden !\n";
#else
const char kProgram[] = "app/cli/tolmaric";
int ExitCodeOf(int status) { return (status >> 8) & 0xFF; }
std::string ShellLine(const std::string& command) { return command; }
// On POSIX the program texts go out in UTF-8.
const char kNotOpened[] = "Die Datei kann nicht ge\xC3\xB6" "ffnet werden !\n";
#endif

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

class CliRoute : public ::testing::Test {
 protected:
  void TearDown() override { RemoveTree(folder_); }

  // The build folder is two levels above this test program (tests/app/).
  static std::string ProgramPath() {
    std::string folder = GetProgramFolder();
    return folder + "../../" + kProgram;
  }

  Outcome Tolmaric(const std::string& arguments) {
    std::string out = folder_ + "/out.txt", err = folder_ + "/err.txt";
    std::string command = "\"" + ProgramPath() + "\" " + arguments + " > \"" + out + "\" 2> \"" +
                          err + "\"";
    int status = std::system(ShellLine(command).c_str());
    return {ExitCodeOf(status), ReadWholeFile(out), ReadWholeFile(err)};
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = folder_ + "/" + name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }

  static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

  std::string folder_ = MakeTempDir();
};

TEST_F(CliRoute, PrintsPointCountAndLength) {
  // A degree of latitude, then one of longitude at 1 degree north, then a
  // repeated point: long legs, whose length no C library's last bit moves.
  std::string route = Write("legs.kml", "<LineString><coordinates>0.0,0.0,0 0.0,1.0,0 1.0,1.0,0 "
                                        "1.0,1.0,0</coordinates></LineString>");
  Outcome run = Tolmaric("route " + Quoted(route));
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("4 points, 222338.01 m\n", run.out);
  EXPECT_EQ("", run.err);
}

TEST_F(CliRoute, ReadsTheBundledExampleRoute) {
  Outcome run = Tolmaric("route " + Quoted(SourcePath("examples/routes/from-gpx/test_route_andorra.kml")));
  EXPECT_EQ(0, run.exitCode) << run.err;
  // The same length in both builds: distances use the program's own
  // trigonometry, because legs of a few metres make acos sensitive to the
  // last bit of cos, where the C runtimes differ.
  EXPECT_EQ("550 points, 15492.03 m\n", run.out);
}

TEST_F(CliRoute, NamesEveryFormatButTheKmlList) {
  const char* expected[][2] = {
      {"test_route_andorra.gpx", "550 points, 15492.03 m (GPX)\n"},
      {"test_route_andorra.kmz", "550 points, 15492.03 m (KMZ)\n"},
      {"skytraq_track.kml", "217 points, 2377.25 m (KML track)\n"},
  };
  for (auto& route : expected) {
    Outcome run = Tolmaric("route " + Quoted(SourcePath(std::string("examples/routes/") + route[0])));
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(route[1], run.out);
  }
}

TEST_F(CliRoute, PrintsEveryPointWithSeventeenDigits) {
  std::string route = Write("two.kml", "<LineString><coordinates>11.5,47.25,0 -0.1,1e-5,0"
                                       "</coordinates></LineString>");
  Outcome run = Tolmaric("route --points " + Quoted(route));
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("2 points, ", run.out.substr(0, 10));
  EXPECT_NE(std::string::npos, run.out.find("\n11.5 47.25\n-0.10000000000000001 1.0000000000000001e-05\n"));
}

TEST_F(CliRoute, IdenticalConsecutivePointsGiveALengthNotNaN) {
  std::string route = Write("same.kml", "<LineString><coordinates>11.5,47.25,0 11.5,47.25,0"
                                        "</coordinates></LineString>");
  Outcome run = Tolmaric("route " + Quoted(route));
  EXPECT_EQ("2 points, 0.00 m\n", run.out);
}

TEST_F(CliRoute, EachReaderFailureHasItsMessageAndExitCode) {
  Outcome missing = Tolmaric("route " + Quoted(folder_ + "/missing.kml"));
  EXPECT_EQ(11, missing.exitCode);
  EXPECT_EQ(kNotOpened, missing.err);
  EXPECT_EQ("", missing.out);

  EXPECT_EQ(11, Tolmaric("route " + Quoted(folder_)).exitCode);

  Outcome format = Tolmaric("route " + Quoted(Write("plain.kml", "no geometry here")));
  EXPECT_EQ(12, format.exitCode);
  EXPECT_EQ("Die Datei hat ein falsches Format !\n", format.err);

  Outcome none = Tolmaric("route " + Quoted(Write("one.kml", "<LineString><coordinates>1.5")));
  EXPECT_EQ(14, none.exitCode);
  EXPECT_EQ("Es wurden keine Koortinaten gefunden !\n", none.err);

  Outcome two = Tolmaric("route " + Quoted(Write("two.kml", "<LineString><coordinates>1.5 2.5")));
  EXPECT_EQ(10, two.exitCode);
  EXPECT_EQ("Unbekannter Fehler !\n", two.err);
}

TEST_F(CliRoute, HelpAndWrongArguments) {
  Outcome help = Tolmaric("--help");
  EXPECT_EQ(0, help.exitCode);
  EXPECT_NE(std::string::npos, help.out.find("route"));
  Outcome routeHelp = Tolmaric("route --help");
  EXPECT_EQ(0, routeHelp.exitCode);
  EXPECT_NE(std::string::npos, routeHelp.out.find("--points"));

  EXPECT_EQ(2, Tolmaric("").exitCode);
  EXPECT_EQ(2, Tolmaric("route").exitCode);
  EXPECT_EQ(2, Tolmaric("route a.kml b.kml").exitCode);
  EXPECT_EQ(2, Tolmaric("route --bogus a.kml").exitCode);
  Outcome unknown = Tolmaric("bogus");
  EXPECT_EQ(2, unknown.exitCode);
  EXPECT_NE(std::string::npos, unknown.err.find("bogus"));
}

}  // namespace
