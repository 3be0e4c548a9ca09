// tolmaric export: one export run from the command line, the same run the
// dialog's OK button starts. Options not given take the stored settings (or
// the built-in defaults); like the dialog, every run stores its settings and
// updates the route and tile folder histories, so a remembered tile folder
// need not be given again.
#include <unistd.h>

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
#include "core/run_host.h"
#include "core/text_report.h"
#include "core/tile_store.h"
#include "support/file_path.h"

namespace {

// Exit codes of this command, one per failure class.
constexpr int kExitNoOutput = 3;
constexpr int kExitRoute = 4;
constexpr int kExitTile = 5;
constexpr int kExitReport = 6;
constexpr int kExitPicture = 7;
constexpr int kExitDeclined = 8;

// A yes/no setting with its two spellings.
struct Switch {
  const char* on;
  const char* off;
  std::uint32_t ExportOptions::*field;
};
const Switch kSwitches[] = {
    {"--bitmap", "--no-bitmap", &ExportOptions::BmpOn},
    {"--text", "--no-text", &ExportOptions::TextOn},
    {"--bitmap-locations", "--no-bitmap-locations", &ExportOptions::BmpAddLoc},
    {"--bitmap-stats", "--no-bitmap-stats", &ExportOptions::BmpAddStat},
    {"--km-axis", "--no-km-axis", &ExportOptions::BmpAddKm},
    {"--height-axis", "--no-height-axis", &ExportOptions::BmpAddHeight},
    {"--text-locations", "--no-text-locations", &ExportOptions::TextAddLoc},
    {"--text-stats", "--no-text-stats", &ExportOptions::TextAddStat},
};

struct ExportArguments {
  const char* route = nullptr;
  const char* tiles = nullptr;
  const char* locations = nullptr;
  std::vector<std::pair<std::uint32_t ExportOptions::*, std::uint32_t>> switches;
  std::optional<std::uint32_t> width, height;
  std::optional<std::string> fixedHeight, step;
  std::optional<std::int32_t> percentSel, statSel;
  bool open = false, yes = false, help = false;
};

void UsageError(const std::string& problem) {
  WriteConsoleText(stderr, "tolmaric export: " + problem + " (see tolmaric export --help)\n");
}

// A whole argument of decimal digits that fits 32 bits.
bool ParseCount(const char* text, std::uint32_t& value) {
  if (!*text) return false;
  std::uint64_t number = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return false;
    number = number * 10 + static_cast<unsigned>(*c - '0');
    if (number > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::uint32_t>(number);
  return true;
}

bool TakeValue(int argc, char** argv, int& i, const char*& value) {
  if (i + 1 >= argc) {
    UsageError(std::string(argv[i]) + " needs a value");
    return false;
  }
  value = argv[++i];
  return true;
}

bool TakeCount(int argc, char** argv, int& i, std::uint32_t& count) {
  const char* option = argv[i];
  const char* text = nullptr;
  if (!TakeValue(argc, argv, i, text)) return false;
  if (ParseCount(text, count)) return true;
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
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
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
    } else if (!arguments.route) {
      arguments.route = argument;
    } else {
      UsageError(std::string("more than one route: ") + argument);
      return false;
    }
  }
  if (!arguments.route && !arguments.help) {
    UsageError("no route file given");
    return false;
  }
  return true;
}

// The user of a command-line run: messages on the terminal, questions
// answered by --yes, at the terminal, or declined when nobody can answer.
class ConsoleHost : public IRunHost {
 public:
  ConsoleHost(bool yes, bool open) : yes_(yes), open_(open) {}

  void ShowMessage(const std::string& text, const std::string&, Icon icon) override {
    WriteConsoleText(icon == Icon::Information ? stdout : stderr, text + "\n");
  }
  bool AskOkCancel(const std::string& text, const std::string&) override {
    if (yes_) return true;
    if (!isatty(0)) return false;
    WriteConsoleText(stderr, text + " [j/N] ");
    char answer[16] = "";
    if (!std::fgets(answer, sizeof answer, stdin)) return false;
    return answer[0] == 'j' || answer[0] == 'J' || answer[0] == 'y' || answer[0] == 'Y';
  }
  void SetWaitCursor(bool) override {}
  void OpenWithShell(const std::string& path) override {
    if (open_) ShellOpen(path);
  }

 private:
  bool yes_, open_;
};

// Stores the run's settings as the dialog would, through the two combo boxes
// that hold the route and the tile folder histories. The show flags stay as
// stored: the command line opens files only when asked with --open.
class RegistrySaver : public ISettingsSaver {
 public:
  RegistrySaver(IComboBox& routes, IComboBox& tiles, const ExportOptions& stored)
      : routes_(routes), tiles_(tiles), stored_(stored) {}
  void SaveSettings(const ExportOptions& options) override {
    ExportOptions kept = options;
    kept.BmpShow = stored_.BmpShow;
    kept.TextShow = stored_.TextShow;
    ::SaveSettings(kept, routes_, tiles_);
  }

 private:
  IComboBox& routes_;
  IComboBox& tiles_;
  ExportOptions stored_;
};

// --locations FILE, else Locations.txt beside the program, else in the
// user's folder (for installs whose program folder is read-only).
std::string LocationsPath(const char* given) {
  if (given) return given;
  std::string beside = GetProgramFolder() + kLocationsFileName;
  if (GetFileKind(beside.c_str()) == 1) return beside;
  std::string user = UserConfigFolder();
  return user.empty() ? beside : user + kLocationsFileName;
}

CLocationTable LoadLocations(const std::string& path) {
  CLocationTable table;
  for (const Location& location : ReadLocationsFile(path))
    if (!table.Add(location)) break;
  return table;
}

// Whether the store names a tile folder, looked up without creating or
// writing anything, so that a run refused for want of one leaves no trace.
bool TileFolderRemembered() {
  CRegistry key;
  std::vector<char> data;
  if (!key.Open(0, kSettingsKeyPath, CRegistry::kReadOnly) || !key.GetMultiString(data, kTileHistory + 1))
    return false;
  return data[0] != 0 && !(data[0] == '\x02' && data[1] == 0);
}

int ExitCodeOf(ExportOutcome outcome) {
  switch (outcome) {
    case ExportOutcome::kSuccess: return kExitOk;
    case ExportOutcome::kNoOutputChosen: return kExitNoOutput;
    case ExportOutcome::kRouteFailed: return kExitRoute;
    case ExportOutcome::kTileFailed: return kExitTile;
    case ExportOutcome::kReportFailed: return kExitReport;
    case ExportOutcome::kPictureFailed: return kExitPicture;
    case ExportOutcome::kDeclined: return kExitDeclined;
  }
  return kExitUsage;
}

void ApplyArguments(const ExportArguments& arguments, ExportOptions& options) {
  for (const auto& [field, value] : arguments.switches) options.*field = value;
  if (arguments.width) options.BmpWidth = *arguments.width;
  if (arguments.height) options.BmpHeight = *arguments.height;
  if (arguments.fixedHeight) options.FixedHeightText = *arguments.fixedHeight;
  if (arguments.step) options.StepWidthText = *arguments.step;
  if (arguments.percentSel) options.PercentSel = *arguments.percentSel;
  if (arguments.statSel) options.StatSel = *arguments.statSel;
  if (arguments.open) options.BmpShow = options.TextShow = 1;
}

}  // namespace

void PrintExportHelp() {
  std::string user = UserConfigFolder();
  WriteConsoleText(stdout,
      "usage: tolmaric export ROUTE [--tiles DIR] [options]\n"
      "\n"
      "Makes the height profile of a route (KML, KMZ or GPX) from the SRTM3 or\n"
      "SRTM1 tiles in DIR (N47E011.hgt, N47E011.hgt.zip ...; the names are listed\n"
      "by tolmaric tiles --help): the text report ROUTE.txt and/or the picture\n"
      "ROUTE.bmp next to the route, as the dialog's OK button does. When a tile\n"
      "is missing, every missing tile of the route is listed.\n"
      "\n"
      "Options not given take the stored settings, else the built-in defaults.\n"
      "Every run stores its settings and remembers the route and the tile folder,\n"
      "so --tiles may be left out once a tile folder is remembered.\n"
      "\n"
      "  --bitmap, --no-bitmap                  write the picture (default on)\n"
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
      "Exit codes: 0 done, 2 bad arguments, 3 no output chosen, 4 route file\n"
      "unusable, 5 tile missing or damaged, 6 report not created, 7 picture not\n"
      "saved, 8 an existing output was kept.\n");
}

int RunExportCommand(int argc, char** argv) {
  ExportArguments arguments;
  if (!ParseArguments(argc, argv, arguments)) return kExitUsage;
  if (arguments.help) {
    PrintExportHelp();
    return kExitOk;
  }
  if (!arguments.tiles && !TileFolderRemembered()) {
    UsageError("no tile folder given or remembered (--tiles DIR)");
    return kExitUsage;
  }
  ApplyLanguageTexts(nullptr);
  ExportOptions options;
  CListComboBox routes, tiles;
  LoadSettings(options, routes, tiles);
  const ExportOptions stored = options;

  ApplyArguments(arguments, options);
  options.RoutePath = FullPath(arguments.route);
  routes.SetEditText(options.RoutePath);
  if (arguments.tiles) {
    options.TileFolder = FullPath(arguments.tiles);
    tiles.SetEditText(options.TileFolder);
  }
  if (options.TileFolder.empty()) {
    UsageError("no tile folder given or remembered (--tiles DIR)");
    return kExitUsage;
  }

  CLocationTable locations = LoadLocations(LocationsPath(arguments.locations));
  std::string errorText;
  CTileStore tileStore(errorText);
  ConsoleHost host(arguments.yes, arguments.open);
  RegistrySaver saver(routes, tiles, stored);
  ExportOutcome outcome = RunExport(options, locations, tileStore, host, saver, errorText);
  if (outcome == ExportOutcome::kTileFailed) PrintMissingRouteTiles(options.RoutePath, options.TileFolder);
  if (outcome == ExportOutcome::kSuccess) {
    ExportOptions written = CorrectedOptions(options);
    if (written.TextOn) WriteConsoleText(stdout, TextReportPath(written.RoutePath) + "\n");
    if (written.BmpOn) WriteConsoleText(stdout, ChangeExtension(written.RoutePath.c_str(), "bmp") + "\n");
  }
  return ExitCodeOf(outcome);
}
