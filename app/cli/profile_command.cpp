// tolmaric profile: the samples and figures of a route for scripts, plotting
// tools and spreadsheets, on standard output. It samples exactly as the text
// report does (same step, same tile store, same locations), so its numbers
// are the report's; it reads no settings and writes none, so a script can
// run it anywhere without changing what the dialog remembers.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
#include "core/climb_filter.h"
#include "core/export_options.h"
#include "core/profile_records.h"
#include "core/profile_sampler.h"
#include "core/program_texts.h"
#include "core/route_formats.h"
#include "core/route_reader.h"
#include "core/text_report.h"
#include "core/tile_store.h"
#include "support/file_path.h"
#include "support/text_scan.h"

namespace {

struct ProfileArguments {
  const char* route = nullptr;
  const char* tiles = nullptr;
  const char* locations = nullptr;
  std::string step = ExportOptions().StepWidthText;
  bool json = false;
  bool thresholdGiven = false;
  double threshold = 0.0;
  bool help = false;
};

void UsageError(const std::string& problem) { ReportUsageError("profile", problem); }

bool TakeValue(int argc, char** argv, int& i, const char*& value) {
  return TakeOptionValue("profile", argc, argv, i, value);
}

// A threshold in metres: the whole argument a number of at least 0.
bool ParseThreshold(const char* text, double& metres) {
  const char* end = nullptr;
  metres = ParseDecimal(text, &end);
  return end != text && *end == 0 && metres >= 0.0 && metres < 1e6;
}

bool ParseArguments(int argc, char** argv, ProfileArguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const char* value = nullptr;
    std::uint32_t count = 0;
    if (IsHelpArgument(argument)) {
      arguments.help = true;
    } else if (std::strcmp(argument, "--tiles") == 0) {
      if (!TakeValue(argc, argv, i, arguments.tiles)) return false;
    } else if (std::strcmp(argument, "--locations") == 0) {
      if (!TakeValue(argc, argv, i, arguments.locations)) return false;
    } else if (std::strcmp(argument, "--step") == 0) {
      if (!TakeValue(argc, argv, i, value)) return false;
      if (!ParseWholeNumber(value, count)) {
        UsageError(std::string("--step needs a whole number, not '") + value + "'");
        return false;
      }
      arguments.step = value;
    } else if (std::strcmp(argument, "--format") == 0) {
      if (!TakeValue(argc, argv, i, value)) return false;
      if (std::strcmp(value, "csv") != 0 && std::strcmp(value, "json") != 0) {
        UsageError(std::string("--format takes csv or json, not '") + value + "'");
        return false;
      }
      arguments.json = value[0] == 'j';
    } else if (std::strcmp(argument, "--climb-threshold") == 0) {
      if (!TakeValue(argc, argv, i, value)) return false;
      if (!ParseThreshold(value, arguments.threshold)) {
        UsageError(std::string("--climb-threshold needs metres of 0 or more, not '") + value + "'");
        return false;
      }
      arguments.thresholdGiven = true;
    } else if (argument[0] == '-' && argument[1] != 0) {
      UsageError(std::string("unknown option ") + argument);
      return false;
    } else if (!arguments.route) {
      arguments.route = argument;
    } else {
      UsageError(std::string("more than one route: ") + argument);
      return false;
    }
  }
  if (arguments.help) return true;
  if (!arguments.route) {
    UsageError("no route file given");
    return false;
  }
  if (!arguments.tiles || !*arguments.tiles) {
    UsageError("no tile folder given (--tiles DIR)");
    return false;
  }
  return true;
}

}  // namespace

void PrintProfileHelp() {
  WriteConsoleText(stdout,
      "usage: tolmaric profile ROUTE --tiles DIR [--step N] [--format csv|json]\n"
      "                        [--locations FILE] [--climb-threshold M]\n"
      "\n"
      "Prints the height profile of a route (KML, KMZ or GPX) for scripts and\n"
      "spreadsheets: one record per sample, every N metres as in the text report\n"
      "(longitude, latitude, height, distance, slope in percent, the location\n"
      "passed or empty), then the figures (length, highest, lowest, difference,\n"
      "metres climbed raw as the report counts them, climbed and descended\n"
      "filtered, and the slope classes of 5 % with metres and shares). Numbers\n"
      "have the report's decimals; names are UTF-8. Reads and writes no settings.\n"
      "\n"
      "  --tiles DIR            the SRTM3 or SRTM1 tiles\n"
      "  --step N               metres between samples (25)\n"
      "  --format csv|json      csv (default): RFC 4180, two tables each under its\n"
      "                         header row, an empty line between them; json: one\n"
      "                         object {\"samples\": [...], \"stats\": {...}}\n"
      "  --locations FILE       the locations list (else Locations.txt beside the\n"
      "                         program, else in the user's folder)\n"
      "  --climb-threshold M    a climb or descent counts once the profile has\n"
      "                         turned by more than M metres (10 for SRTM3 tiles,\n"
      "                         5 when every tile used is SRTM1)\n"
      "\n"
      "Example:\n"
      "  tolmaric profile tour.gpx --tiles ~/srtm --step 50 --format json > tour.json\n"
      "\n"
      "When the route or a tile cannot be read the reason goes to standard error\n"
      "and nothing to standard output; 6 when standard output cannot take it all.\n"
      "\n" + std::string(kExitCodeHelp));
}

int RunProfileCommand(int argc, char** argv) {
  ProfileArguments arguments;
  if (!ParseArguments(argc, argv, arguments)) return kExitUsage;
  if (arguments.help) {
    PrintProfileHelp();
    return kExitOk;
  }
  if (!CheckFolderArgument("profile", "--tiles", arguments.tiles)) return kExitUsage;
  if (!CheckLocationsArgument("profile", arguments.locations)) return kExitUsage;

  std::vector<double> longitudes, latitudes;
  const int points = ReadRoute(arguments.route, longitudes, latitudes);
  if (points < 1) {
    WriteConsoleText(stderr, std::string(ProgramText(RouteResultTextNumber(points))) + "\n");
    return RouteExitCode(points);
  }
  const double length = RouteLength(longitudes.data(), latitudes.data(), points);
  const double step = StepWidthFromText(arguments.step);
  const CLocationTable locations = LoadLocations(LocationsPath(arguments.locations));

  std::string errorText;
  CTileStore tiles(errorText, arguments.tiles);
  std::vector<ProfileSample> samples;
  try {
    SampleProfile(longitudes.data(), latitudes.data(), points, step,
                  MaxSamplesForStep(length, step), tiles, errorText, samples);
  } catch (int) {
    WriteConsoleText(stderr, errorText + "\n");
    ReportTileFolder("profile", arguments.tiles);
    PrintMissingRouteTiles(arguments.route, arguments.tiles);
    return kExitTile;
  } catch (const std::bad_alloc&) {
    WriteConsoleText(stderr, std::string(ProgramText(kTextRouteNoMemory)) + "\n");
    return kExitTile;
  }
  const int count = static_cast<int>(samples.size());
  MatchLocations(samples.data(), count, locations);

  const double threshold = arguments.thresholdGiven ? arguments.threshold
                           : tiles.ServedOnlySrtm1() ? kClimbThresholdSrtm1
                                                     : kClimbThresholdSrtm3;
  const ExportOptions defaults;
  const ProfileFigures figures =
      ComputeProfileFigures(samples.data(), count,
                            MakeSlopeClassConfig(defaults.PercentSel, defaults.StatSel), length,
                            threshold);
  const std::string text = arguments.json
                               ? FormatProfileJson(samples.data(), count, locations, figures)
                               : FormatProfileCsv(samples.data(), count, locations, figures);
  if (!WriteConsoleUtf8(stdout, text)) {
    WriteConsoleText(stderr, "tolmaric profile: standard output could not take the whole profile\n");
    return kExitReport;
  }
  return kExitOk;
}
