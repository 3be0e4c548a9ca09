// tolmaric height: terrain heights at given points, looked up exactly as an
// export run looks them up: one tile store for all points of the call, so
// the four-tile cache and the last valid height carry from one point to the
// next as they do along a route.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
#include "core/tile_store.h"
#include "support/text_scan.h"

namespace {

struct HeightArguments {
  const char* tileFolder = nullptr;
  std::vector<double> coordinates;  // longitude, latitude, longitude, ...
  bool help = false;
};

void UsageError(const std::string& problem) { ReportUsageError("height", problem); }

// The whole argument must be a number: "9.5x" is a typing error, not 9.5.
bool ParseCoordinate(const char* text, double& value) {
  const char* end = nullptr;
  value = ParseDecimal(text, &end);
  return end != text && *end == 0;
}

bool ParseArguments(int argc, char** argv, HeightArguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    double value = 0;
    if (IsHelpArgument(argument)) {
      arguments.help = true;
    } else if (std::strcmp(argument, "--tiles") == 0) {
      if (i + 1 >= argc) {
        UsageError("--tiles needs a folder");
        return false;
      }
      arguments.tileFolder = argv[++i];
    } else if (ParseCoordinate(argument, value)) {
      arguments.coordinates.push_back(value);
    } else {
      UsageError(std::string("not a coordinate: ") + argument);
      return false;
    }
  }
  if (arguments.help) return true;
  if (!arguments.tileFolder) {
    UsageError("no tile folder given (--tiles DIR)");
    return false;
  }
  if (arguments.coordinates.empty() || arguments.coordinates.size() % 2 != 0) {
    UsageError("give points as pairs LON LAT");
    return false;
  }
  return true;
}

}  // namespace

void PrintHeightHelp() {
  WriteConsoleText(stdout,
                   "usage: tolmaric height --tiles DIR LON LAT [LON LAT ...]\n"
                   "\n"
                   "Prints the terrain height in metres (%.2f) at each point, one line per\n"
                   "point in the order given, from the SRTM3 tiles in DIR (N47E011.hgt or\n"
                   "N47E011.hgt.zip). Longitudes and latitudes are decimal degrees, east and\n"
                   "north positive. All points share one tile store, as the points of a\n"
                   "route do: void samples take the last valid height before them.\n"
                   "\n"
                   "When a tile is missing or damaged, the heights found so far are printed,\n"
                   "the program's message and the folder looked in go to standard error and\n"
                   "the exit code is 20; 2 for wrong arguments or a folder that does not exist.\n");
}

int RunHeightCommand(int argc, char** argv) {
  HeightArguments arguments;
  if (!ParseArguments(argc, argv, arguments)) return kExitUsage;
  if (arguments.help) {
    PrintHeightHelp();
    return kExitOk;
  }
  if (!CheckFolderArgument("height", "--tiles", arguments.tileFolder)) return kExitUsage;
  std::string errorText, out;
  CTileStore store(errorText, arguments.tileFolder);
  for (std::size_t i = 0; i + 1 < arguments.coordinates.size(); i += 2) {
    double height = 0;
    try {
      height = store.GetHeight(arguments.coordinates[i], arguments.coordinates[i + 1]);
    } catch (int) {
      WriteConsoleText(stdout, out);
      WriteConsoleText(stderr, errorText + "\n");
      ReportTileFolder("height", arguments.tileFolder);
      return kExitTile;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%.2f\n", height);
    out += line;
  }
  WriteConsoleText(stdout, out);
  return kExitOk;
}
