// tolmaric export: one export run from the command line, the same run the
// dialog's OK button starts. Options not given take the stored settings (or
// the built-in defaults); like the dialog, every run stores its settings and
// updates the route and tile folder histories, so a remembered tile folder
// need not be given again.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
#include "app/desktop.h"
#include "app/language_texts.h"
#include "app/registry.h"
#include "app/settings.h"
#include "core/export_run.h"
#include "core/locations.h"
#include "core/profile_chart.h"
#include "core/program_texts.h"
#include "core/route_formats.h"
#include "core/route_reader.h"
#include "core/run_host.h"
#include "core/text_report.h"
#include "core/tile_store.h"
#include "support/file_path.h"

namespace {

// A yes/no setting with its two spellings.
struct Switch {
  const char* on;
  const char* off;
  std::uint32_t ExportOptions::*field;
};
const Switch kSwitches[] = {
    {"--bitmap", "--no-bitmap", &ExportOptions::BmpOn},
    {"--png", "--no-png", &ExportOptions::PngOn},
    {"--text", "--no-text", &ExportOptions::TextOn},
    {"--bitmap-locations", "--no-bitmap-locations", &ExportOptions::BmpAddLoc},
    {"--bitmap-stats", "--no-bitmap-stats", &ExportOptions::BmpAddStat},
    {"--km-axis", "--no-km-axis", &ExportOptions::BmpAddKm},
    {"--height-axis", "--no-height-axis", &ExportOptions::BmpAddHeight},
    {"--text-locations", "--no-text-locations", &ExportOptions::TextAddLoc},
    {"--text-stats", "--no-text-stats", &ExportOptions::TextAddStat},
};

struct ExportArguments {
  std::vector<const char*> routes;
  const char* tiles = nullptr;
  const char* locations = nullptr;
  std::vector<std::pair<std::uint32_t ExportOptions::*, std::uint32_t>> switches;
  std::optional<std::uint32_t> width, height;
  std::optional<std::string> fixedHeight, step;
  std::optional<std::int32_t> percentSel, statSel;
  bool open = false, yes = false, help = false;
};

void UsageError(const std::string& problem) { ReportUsageError("export", problem); }

bool TakeValue(int argc, char** argv, int& i, const char*& value) {
  return TakeOptionValue("export", argc, argv, i, value);
}

bool TakeCount(int argc, char** argv, int& i, std::uint32_t& count) {
  const char* option = argv[i];
  const char* text = nullptr;
  if (!TakeValue(argc, argv, i, text)) return false;
  if (ParseWholeNumber(text, count)) return true;
  UsageError(std::string(option) + " needs a whole number, not '" + text + "'");
  return false;
}

bool ParseSwitch(const char* argument, ExportArguments& arguments) {
  for (const Switch& option : kSwitches) {
    if (std::strcmp(argument, option.on) == 0) {
      arguments.switches.emplace_back(option.field, 1);
      return true;
    }
    if (std::strcmp(argument, option.off) == 0) {
      arguments.switches.emplace_back(option.field, 0);
      return true;
    }
  }
  return false;
}

bool ParseArguments(int argc, char** argv, ExportArguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    std::uint32_t count = 0;
    if (IsHelpArgument(argument)) {
      arguments.help = true;
    } else if (ParseSwitch(argument, arguments)) {
    } else if (std::strcmp(argument, "--tiles") == 0) {
      if (!TakeValue(argc, argv, i, arguments.tiles)) return false;
      if (!*arguments.tiles) {
        UsageError("--tiles needs a folder");
        return false;
      }
    } else if (std::strcmp(argument, "--locations") == 0) {
      if (!TakeValue(argc, argv, i, arguments.locations)) return false;
    } else if (std::strcmp(argument, "--width") == 0) {
      if (!TakeCount(argc, argv, i, count)) return false;
      arguments.width = count;
    } else if (std::strcmp(argument, "--height") == 0) {
      if (!TakeCount(argc, argv, i, count)) return false;
      arguments.height = count;
    } else if (std::strcmp(argument, "--fixed-height") == 0) {
      if (!TakeCount(argc, argv, i, count)) return false;
      arguments.fixedHeight = std::to_string(count);
      arguments.switches.emplace_back(&ExportOptions::BmpFixHeight, 1);
    } else if (std::strcmp(argument, "--no-fixed-height") == 0) {
      arguments.switches.emplace_back(&ExportOptions::BmpFixHeight, 0);
    } else if (std::strcmp(argument, "--step") == 0) {
      if (!TakeCount(argc, argv, i, count)) return false;
      arguments.step = std::to_string(count);
    } else if (std::strcmp(argument, "--class-width") == 0) {
      if (!TakeCount(argc, argv, i, count)) return false;
      if (count < 1 || count > 10) {
        UsageError("--class-width takes 1 to 10 (percent)");
        return false;
      }
      arguments.percentSel = static_cast<std::int32_t>(count) - 1;
    } else if (std::strcmp(argument, "--classes") == 0) {
      if (!TakeCount(argc, argv, i, count)) return false;
      if (count < 6 || count > 14 || count % 2 != 0) {
        UsageError("--classes takes 6, 8, 10, 12 or 14");
        return false;
      }
      arguments.statSel = static_cast<std::int32_t>(count - 6) / 2;
    } else if (std::strcmp(argument, "--open") == 0) {
      arguments.open = true;
    } else if (std::strcmp(argument, "--yes") == 0) {
      arguments.yes = true;
    } else if (argument[0] == '-' && argument[1] != 0) {
      UsageError(std::string("unknown option ") + argument);
      return false;
    } else {
      arguments.routes.push_back(argument);
    }
  }
  if (arguments.routes.empty() && !arguments.help) {
    UsageError("no route file given");
    return false;
  }
  return true;
}

// The user of a command-line run: messages on the terminal, questions
// answered by --yes, at the terminal, or declined when nobody can answer.
class ConsoleHost : public IRunHost {
 public:
  // quiet: a batch's status lines take the place of "files created".
  ConsoleHost(bool yes, bool open, bool quiet) : yes_(yes), open_(open), quiet_(quiet) {}

  void ShowMessage(const std::string& text, const std::string&, Icon icon) override {
    if (icon == Icon::Information && quiet_) return;
    WriteConsoleText(icon == Icon::Information ? stdout : stderr, text + "\n");
  }
  bool AskOkCancel(const std::string& text, const std::string&) override {
    lastQuestion = text;
    if (yes_) return true;
    if (!CanAskAtConsole()) return false;
    WriteConsoleText(stderr, text + " [j/N] ");
    char answer[16] = "";
    if (!std::fgets(answer, sizeof answer, stdin)) return false;
    return answer[0] == 'j' || answer[0] == 'J' || answer[0] == 'y' || answer[0] == 'Y';
  }
  void SetWaitCursor(bool) override {}
  void OpenWithShell(const std::string& path) override {
    if (open_) ShellOpen(path);
  }

  std::string lastQuestion;  // the overwrite question asked last

 private:
  bool yes_, open_, quiet_;
};

// Stores the run's settings as the dialog would, through the two combo boxes
// that hold the route and the tile folder histories, and a given fixed height
// as the command line's own value. The show flags stay as stored: the
// command line opens files only when asked with --open. A store that cannot
// be written is said once; the run goes on.
class RegistrySaver : public ISettingsSaver {
 public:
  RegistrySaver(IComboBox& routes, IComboBox& tiles, const ExportOptions& stored, bool fixedHeightGiven)
      : routes_(routes), tiles_(tiles), stored_(stored), fixedHeightGiven_(fixedHeightGiven) {}
  void SaveSettings(const ExportOptions& options) override {
    if (saved_) return;  // a batch stores its settings once, with its first route
    saved_ = true;
    ExportOptions kept = options;
    kept.BmpShow = stored_.BmpShow;
    kept.TextShow = stored_.TextShow;
    CRegistryBatch batch;  // one write of the store for all of it
    bool saved = ::SaveSettings(kept, routes_, tiles_);
    saved = SaveCommandLinePng(options.PngOn) && saved;
    if (fixedHeightGiven_) saved = SaveCommandLineFixedHeight(options.FixedHeightText) && saved;
    saved = batch.Commit() && saved;
    if (!saved)
      WriteConsoleText(stderr, "tolmaric export: the settings store cannot be read or written; "
                               "settings will not be saved\n");
  }

 private:
  IComboBox& routes_;
  IComboBox& tiles_;
  ExportOptions stored_;
  bool fixedHeightGiven_;
  bool saved_ = false;
};

// A route failure exits with the route command's code for the reader's
// result, read once more now that the run has failed.
int RouteFailureExitCode(const std::string& route) {
  std::vector<double> longitudes, latitudes;
  return RouteExitCode(ReadRoute(route.c_str(), longitudes, latitudes));
}

int ExitCodeOf(ExportOutcome outcome, const std::string& route) {
  switch (outcome) {
    case ExportOutcome::kSuccess: return kExitOk;
    case ExportOutcome::kNoOutputChosen: return kExitNoOutput;
    case ExportOutcome::kRouteFailed: return RouteFailureExitCode(route);
    case ExportOutcome::kTileFailed: return kExitTile;
    case ExportOutcome::kReportFailed: return kExitReport;
    case ExportOutcome::kPictureFailed: return kExitPicture;
    case ExportOutcome::kDeclined: return kExitDeclined;
  }
  return kExitUsage;
}

void ApplyArguments(const ExportArguments& arguments, ExportOptions& options) {
  bool pngChosen = false, bitmapGiven = false;
  for (const auto& [field, value] : arguments.switches) {
    options.*field = value;
    if (field == &ExportOptions::PngOn) pngChosen = value != 0;
    if (field == &ExportOptions::BmpOn) bitmapGiven = true;
  }
  // --png alone means the PNG instead of the BMP; --bitmap --png both.
  if (pngChosen && !bitmapGiven) options.BmpOn = 0;
  if (arguments.width) options.BmpWidth = *arguments.width;
  if (arguments.height) options.BmpHeight = *arguments.height;
  if (arguments.fixedHeight) options.FixedHeightText = *arguments.fixedHeight;
  if (arguments.step) options.StepWidthText = *arguments.step;
  if (arguments.percentSel) options.PercentSel = *arguments.percentSel;
  if (arguments.statSel) options.StatSel = *arguments.statSel;
  if (arguments.open) options.BmpShow = options.TextShow = 1;
}

// How bad an exit code is, for the one a batch ends with: a file that could
// not be written is worst, then missing data, then what the user chose.
int ExitSeverity(int exit) {
  const int kOrder[] = {kExitOk, kExitDeclined, kExitNoOutput, kExitRouteBase, kExitTile, kExitReport,
                        kExitPicture};
  if (exit > kExitRouteBase && exit < kExitTile) exit = kExitRouteBase;
  for (int rank = 0; rank < static_cast<int>(sizeof kOrder / sizeof kOrder[0]); ++rank)
    if (kOrder[rank] == exit) return rank;
  return 0;
}

std::string BatchStatusLine(const std::string& route, int exit) {
  if (exit == kExitOk) return route + ": done\n";
  const char* what = exit == kExitDeclined  ? "an existing output was kept"
                     : exit == kExitNoOutput ? "no output chosen"
                     : exit == kExitTile     ? "tile missing or damaged"
                     : exit == kExitReport   ? "report not created"
                     : exit == kExitPicture  ? "picture not saved"
                                             : "route file unusable";
  return route + ": failed, " + what + " (exit code " + std::to_string(exit) + ")\n";
}

// One route's run and what the terminal is told about it; the exit code.
int ExportRoute(ExportOptions& options, const CLocationTable& locations, CTileStore& tileStore,
                ConsoleHost& host, RegistrySaver& saver, std::string& errorText, bool batch) {
  const ExportOutcome outcome = RunExport(options, locations, tileStore, host, saver, errorText,
                                          TileMemory::kKeepForNextRun);
  const std::string report = TextReportPath(options.RoutePath);
  const std::string picture = ProfileChartPath(options.RoutePath);
  const std::string png = ProfileChartPngPath(options.RoutePath);
  if (outcome == ExportOutcome::kSuccess) {
    if (batch) return kExitOk;
    if (options.TextOn) WriteConsoleText(stdout, report + "\n");
    if (options.BmpOn) WriteConsoleText(stdout, picture + "\n");
    if (options.PngOn) WriteConsoleText(stdout, png + "\n");
  } else if (outcome == ExportOutcome::kDeclined) {
    const std::string& kept = host.lastQuestion == FormatProgramText(kTextReportExists, report) ? report
                              : host.lastQuestion == FormatProgramText(kTextPictureExists, png) ? png
                                                                                               : picture;
    WriteConsoleText(stderr, "tolmaric export: kept the existing " + kept +
                                 "; give --yes (or answer j) to replace it\n");
  } else if (outcome == ExportOutcome::kTileFailed) {
    ReportTileFolder("export", options.TileFolder);
    PrintMissingRouteTiles(options.RoutePath, options.TileFolder);
  }
  return ExitCodeOf(outcome, options.RoutePath);
}

}  // namespace

void PrintExportHelp() {
  std::string user = UserConfigFolder();
  WriteConsoleText(stdout,
      "usage: tolmaric export ROUTE [ROUTE ...] [--tiles DIR] [options]\n"
      "\n"
      "Makes the height profile of a route (KML, KMZ or GPX) from the SRTM3 or\n"
      "SRTM1 tiles in DIR (N47E011.hgt, N47E011.hgt.zip ...; the names are listed\n"
      "by tolmaric tiles --help): the text report ROUTE.txt and/or the picture\n"
      "ROUTE.bmp (or ROUTE.png) next to the route, as the dialog's OK button\n"
      "does. When a tile is missing, every missing tile of the route is listed.\n"
      "\n"
      "Options not given take the stored settings, else the built-in defaults.\n"
      "Every run stores its settings and remembers the route and the tile folder,\n"
      "so --tiles may be left out once a tile folder is remembered. Remembered:\n"
      "every switch below, --width, --height, --step, --class-width, --classes,\n"
      "the tile folder, and --fixed-height M with its value (the dialog starts\n"
      "with 300 m); not remembered: --locations, --open, --yes. A --tiles folder\n"
      "or --locations file that does not exist is refused before anything is\n"
      "stored.\n"
      "\n"
      "  --bitmap, --no-bitmap                  write the picture (default on)\n"
      "  --png, --no-png                        the picture as ROUTE.png instead of\n"
      "                                         ROUTE.bmp; with --bitmap both\n"
      "  --text, --no-text                      write the text report (default off)\n"
      "  --width N, --height N                  picture size in pixels (1024 x 768)\n"
      "  --fixed-height M, --no-fixed-height    vertical scale of M metres\n"
      "  --bitmap-locations, --no-bitmap-locations  label the locations passed\n"
      "  --bitmap-stats, --no-bitmap-stats      slope statistics box\n"
      "  --km-axis, --no-km-axis                kilometre axis\n"
      "  --height-axis, --no-height-axis        height axis\n"
      "  --text-locations, --no-text-locations  LOC: lines in the report\n"
      "  --text-stats, --no-text-stats          statistics block in the report\n"
      "  --step N                               report step width in metres (25)\n"
      "  --class-width P                        slope class width, 1 to 10 % (5)\n"
      "  --classes N                            slope classes: 6, 8, 10, 12, 14 (8)\n"
      "  --locations FILE                       the locations list to use\n"
      "  --open                                 open the outputs on the desktop\n"
      "  --yes                                  replace existing outputs without asking\n"
      "\n"
      "Without --yes an existing output is replaced only when confirmed at a\n"
      "terminal; without a terminal the run stops and keeps it.\n"
      "\n"
      "The locations list is FILE, else Locations.txt beside the program\n"
      "(" + GetProgramFolder() + "), else " +
      (user.empty() ? std::string("none") : user + "Locations.txt") + ".\n"
      "Settings and texts live in the settings store; messages are the program\n"
      "texts (German unless replaced through its \"Language\" key).\n"
      "\n"
      "A route is never replaced by its own output (ROUTE.txt, .bmp or .png).\n"
      "\n"
      "Several routes make one batch in one process: each route is exported in\n"
      "turn with the same options and tiles (read once for routes in the same\n"
      "area), one status line per route (\"ROUTE: done\" or \"ROUTE: failed, ...\"),\n"
      "a failed route does not stop the others, and the settings are stored once\n"
      "(with the first route). The exit code is that of the worst failure: 7, 6,\n"
      "20, 10-14, 3, 8 from worst to least.\n"
      "\n"
      "Examples:\n"
      "  tolmaric export tour.kml --tiles ~/srtm --text --png\n"
      "  tolmaric export season/*.gpx --tiles ~/srtm --bitmap --png --yes\n"
      "\n" + std::string(kExitCodeHelp));
}

int RunExportCommand(int argc, char** argv) {
  ExportArguments arguments;
  if (!ParseArguments(argc, argv, arguments)) return kExitUsage;
  if (arguments.help) {
    PrintExportHelp();
    return kExitOk;
  }
  // Bad paths are refused before the store is touched.
  if (arguments.tiles && !CheckFolderArgument("export", "--tiles", arguments.tiles)) return kExitUsage;
  if (!CheckLocationsArgument("export", arguments.locations)) return kExitUsage;
  if (!arguments.tiles && RememberedTileFolder().empty()) {
    UsageError("no tile folder given or remembered (--tiles DIR)");
    return kExitUsage;
  }
  ApplyLanguageTexts(nullptr);
  ExportOptions options;
  CListComboBox routes, tiles;
  LoadSettings(options, routes, tiles);
  LoadCommandLineFixedHeight(options.FixedHeightText);
  LoadCommandLinePng(options.PngOn);
  const ExportOptions stored = options;

  ApplyArguments(arguments, options);
  // A batch remembers its first route, as the one run it stores settings for.
  routes.SetEditText(FullPath(arguments.routes.front()));
  if (arguments.tiles) {
    options.TileFolder = FullPath(arguments.tiles);
    tiles.SetEditText(options.TileFolder);
  }
  if (options.TileFolder.empty()) {
    UsageError("no tile folder given or remembered (--tiles DIR)");
    return kExitUsage;
  }

  const CLocationTable locations = LoadLocations(LocationsPath(arguments.locations));
  std::string errorText;
  CTileStore tileStore(errorText);
  const bool batch = arguments.routes.size() > 1;
  ConsoleHost host(arguments.yes, arguments.open, batch);
  RegistrySaver saver(routes, tiles, stored, arguments.fixedHeight.has_value());
  int worst = kExitOk;
  for (const char* route : arguments.routes) {
    options.RoutePath = FullPath(route);
    const int exit = ExportRoute(options, locations, tileStore, host, saver, errorText, batch);
    if (batch) WriteConsoleText(stdout, BatchStatusLine(options.RoutePath, exit));
    if (ExitSeverity(exit) > ExitSeverity(worst)) worst = exit;
  }
  tileStore.Release();
  return worst;
}
