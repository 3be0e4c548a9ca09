// tolmaric route: reads a route the way an export run does and prints its
// point count and length, optionally every point. A reader failure shows the
// same program text the dialog would show and exits with its own code, so
// scripts can tell the failures apart.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
#include "core/profile_sampler.h"
#include "core/program_texts.h"
#include "core/route_formats.h"
#include "core/route_reader.h"

namespace {

struct RouteArguments {
  const char* path = nullptr;
  bool points = false;
  bool help = false;
};

void UsageError(const std::string& problem) { ReportUsageError("route", problem); }

bool ParseArguments(int argc, char** argv, RouteArguments& arguments) {
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (options && std::strcmp(argument, "--") == 0) {
      options = false;
    } else if (options && IsHelpArgument(argument)) {
      arguments.help = true;
    } else if (options && std::strcmp(argument, "--points") == 0) {
      arguments.points = true;
    } else if (options && argument[0] == '-' && argument[1] != 0) {
      UsageError(std::string("unknown option ") + argument);
      return false;
    } else if (!arguments.path) {
      arguments.path = argument;
    } else {
      UsageError(std::string("more than one route: ") + argument);
      return false;
    }
  }
  if (!arguments.path && !arguments.help) {
    UsageError("no route file given");
    return false;
  }
  return true;
}

// Millions of points: collect the lines and write them in large pieces.
void PrintPoints(const std::vector<double>& longitudes, const std::vector<double>& latitudes) {
  constexpr std::size_t kChunk = 1 << 16;
  std::string out;
  char line[64];
  for (std::size_t i = 0; i < longitudes.size(); ++i) {
    int length = std::snprintf(line, sizeof line, "%.17g %.17g\n", longitudes[i], latitudes[i]);
    out.append(line, static_cast<std::size_t>(length));
    if (out.size() >= kChunk) {
      WriteConsoleText(stdout, out);
      out.clear();
    }
  }
  WriteConsoleText(stdout, out);
}

}  // namespace

void PrintRouteHelp() {
  WriteConsoleText(stdout,
                   "usage: tolmaric route ROUTE [--points]\n"
                   "\n"
                   "Reads a route as an export run does and prints \"N points, L m\": the\n"
                   "number of points and the route's length in metres with two decimals.\n"
                   "The route may be KML (a LineString list, or a gx:Track), KMZ or GPX,\n"
                   "recognised by its content; for any but a KML LineString list the line\n"
                   "ends with the format found, for example \"550 points, 15492.03 m (GPX)\".\n"
                   "\n"
                   "  --points   then one line per point: longitude and latitude in degrees\n"
                   "             (%.17g), separated by one space\n"
                   "  --help     this text\n"
                   "\n"
                   "When the route cannot be read, the reason goes to standard error and the\n"
                   "exit code says which: 11 cannot be opened, 12 wrong format, 13 not enough\n"
                   "memory, 14 no coordinates, 10 no complete point; 2 for wrong arguments.\n");
}

int RunRouteCommand(int argc, char** argv) {
  RouteArguments arguments;
  if (!ParseArguments(argc, argv, arguments)) return kExitUsage;
  if (arguments.help) {
    PrintRouteHelp();
    return kExitOk;
  }

  std::vector<double> longitudes, latitudes;
  RouteFormat format = RouteFormat::kNone;
  int count = ReadRoute(arguments.path, longitudes, latitudes, &format);
  if (count < 1) {
    WriteConsoleText(stderr, std::string(ProgramText(RouteResultTextNumber(count))) + "\n");
    return RouteExitCode(count);
  }

  double length = RouteLength(longitudes.data(), latitudes.data(), count);
  // A KML list prints as it always did, so scripts reading it keep working.
  std::string named = format == RouteFormat::kKml ? "" : std::string(" (") + RouteFormatName(format) + ")";
  char summary[128];
  std::snprintf(summary, sizeof summary, "%d points, %.2f m%s\n", count, length, named.c_str());
  WriteConsoleText(stdout, summary);
  if (arguments.points) PrintPoints(longitudes, latitudes);
  return kExitOk;
}
