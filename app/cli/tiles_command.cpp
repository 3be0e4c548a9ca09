// tolmaric tiles: checks every tile of a folder the way the tile store would
// read it, so a user can see why a profile jumps or stops with a message:
// wrong size, damaged archive, voids, invalid heights, or a file name the
// store never asks for. With --route it lists the tiles a route passes
// instead, so the missing ones can be fetched in one go.
#include <algorithm>
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
#include "core/tile_store.h"
#include "support/file_path.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i) {
    char a = text[text.size() - ending.size() + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != ending[i]) return false;
  }
  return true;
}

// The tile a file name belongs to by its first seven characters
// ("n47e011.zip" gives N47E011.hgt), "" when they name no cell.
std::string CellTileName(const std::string& name) {
  if (name.size() < 7) return "";
  std::string cell = name.substr(0, 7);
  for (char& c : cell)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  auto digits = [&cell](std::size_t at, std::size_t count) {
    for (std::size_t i = at; i < at + count; ++i)
      if (cell[i] < '0' || cell[i] > '9') return false;
    return true;
  };
  bool named = (cell[0] == 'N' || cell[0] == 'S') && digits(1, 2) &&
               (cell[3] == 'E' || cell[3] == 'W') && digits(4, 3);
  return named ? cell + ".hgt" : "";
}

// One of the names the store looks for: N47E011.hgt, n47e011.hgt.zip ...
bool IsStoreName(const std::string& name) {
  std::string tile = CellTileName(name);
  if (tile.empty()) return false;
  std::vector<std::string> names = TileFileNames(tile);
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsTileFile(const std::string& name) {
  return EndsWithNoCase(name, ".hgt") || EndsWithNoCase(name, ".hgt.zip") || IsStoreName(name);
}

std::vector<std::string> TileFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::string pattern = folder;
  AppendSeparator(pattern);
  pattern += "*";
  SearchRecord record;
  SearchHandle handle = SearchFirst(pattern.c_str(), &record);
  if (handle == 0) return names;
  do {
    if (!(record.attributes & kSearchAttrDirectory) && IsTileFile(record.name))
      names.push_back(record.name);
  } while (SearchNext(handle, &record) == kSearchOk);
  SearchClose(handle);
  std::sort(names.begin(), names.end());
  return names;
}

const char* StateText(TileFileState state) {
  switch (state) {
    case TileFileState::kUsable:
      return "usable";
    case TileFileState::kWrongSize:
      return "NOT USABLE: neither 2884802 (SRTM3) nor 25934402 (SRTM1) bytes long "
             "(the run stops with a message)";
    case TileFileState::kNotOpened:
      return "NOT USABLE: not a file that can be opened and read (the run stops with a message)";
    case TileFileState::kArchiveUnusable:
      return "NOT USABLE: not a ZIP archive, or no entry is a tile "
             "(the run stops with a message)";
    case TileFileState::kNotUnpacked:
      return "NOT USABLE: the tile entry fails to unpack (the run stops with a message)";
    case TileFileState::kNoMemory:
      return "NOT CHECKED: not enough memory";
  }
  return "";
}

const char* ResolutionText(int grid) { return grid == kTileSamplesSrtm1 ? "SRTM1" : "SRTM3"; }

std::string CheckLine(const std::string& folder, const std::string& name, bool& usable) {
  std::string path = folder;
  AppendSeparator(path);
  path += name;
  TileFileCheck check = CheckTileFile(path);
  usable = check.state == TileFileState::kUsable;
  char line[512];
  std::snprintf(line, sizeof line, "%-16s %s", name.c_str(), StateText(check.state));
  std::string text = line;
  if (usable) {
    std::snprintf(line, sizeof line, ", %s, lowest %d m, highest %d m, %d void, %d invalid",
                  ResolutionText(check.grid), check.lowest, check.highest, check.voidSamples,
                  check.invalidSamples);
    text += line;
  }
  TileFileLocation winner;
  if (!IsStoreName(name))
    text += "; never read: the name is not N00E000.hgt style";
  else if (FindTileFile(folder, CellTileName(name), winner) && !IsSameFile(winner.path.c_str(), path.c_str()))
    text += "; never read: " + winner.fileName + " beside it wins";
  return text + "\n";
}

// The route's points, or false after printing the reader's message; exit
// receives the route command's exit code for it.
bool ReadRoutePoints(const char* path, std::vector<double>& longitudes, std::vector<double>& latitudes,
                     int& exit) {
  int count = ReadRoute(path, longitudes, latitudes);
  if (count >= 1) return true;
  WriteConsoleText(stderr, std::string(ProgramText(RouteResultTextNumber(count))) + "\n");
  exit = RouteExitCode(count);
  return false;
}

std::vector<std::string> TilesOfRoute(const std::vector<double>& longitudes,
                                      const std::vector<double>& latitudes) {
  return RouteTileNames(longitudes.data(), latitudes.data(), static_cast<int>(longitudes.size()));
}

// "N42E001.hgt  zipped SRTM3  N42E001.hgt.zip", "N43E001.hgt  missing", or
// "N44E001.hgt  damaged       N44E001.hgt: NOT USABLE: ...".
std::string RouteTileLine(const std::string& folder, const std::string& tile, bool& usable) {
  TileFileLocation where;
  char line[512];
  usable = false;
  if (!FindTileFile(folder, tile, where)) {
    std::snprintf(line, sizeof line, "%-12s missing\n", tile.c_str());
    return line;
  }
  TileFileCheck check = CheckTileFile(where.path);
  usable = check.state == TileFileState::kUsable;
  if (usable)
    std::snprintf(line, sizeof line, "%-12s %-6s %s  %s\n", tile.c_str(), where.zipped ? "zipped" : "loose",
                  ResolutionText(check.grid), where.fileName.c_str());
  else
    std::snprintf(line, sizeof line, "%-12s damaged       %s: %s\n", tile.c_str(), where.fileName.c_str(),
                  StateText(check.state));
  return line;
}

int ListRouteTiles(const char* folder, const char* route) {
  std::vector<double> longitudes, latitudes;
  int exit = kExitOk;
  if (!ReadRoutePoints(route, longitudes, latitudes, exit)) return exit;
  bool allUsable = true;
  std::string out;
  for (const std::string& tile : TilesOfRoute(longitudes, latitudes)) {
    bool usable = false;
    out += RouteTileLine(folder, tile, usable);
    allUsable = allUsable && usable;
  }
  WriteConsoleText(stdout, out);
  return allUsable ? kExitOk : kExitUnusableTiles;
}

}  // namespace

void PrintMissingRouteTiles(const std::string& route, const std::string& folder) {
  std::vector<double> longitudes, latitudes;
  if (ReadRoute(route.c_str(), longitudes, latitudes) < 1) return;
  std::string missing;
  TileFileLocation where;
  for (const std::string& tile : TilesOfRoute(longitudes, latitudes))
    if (!FindTileFile(folder, tile, where)) missing += "  " + tile + "\n";
  if (!missing.empty())
    WriteConsoleText(stderr, "tolmaric export: every tile of the route missing there:\n" + missing);
}

void PrintTilesHelp() {
  WriteConsoleText(stdout,
                   "usage: tolmaric tiles DIR [--route ROUTE]\n"
                   "\n"
                   "Checks every tile file in DIR as the tile store reads it and prints one\n"
                   "line per file: whether it is usable (and if not, why), its resolution\n"
                   "(SRTM3 1201 x 1201 or SRTM1 3601 x 3601 samples), its lowest and highest\n"
                   "valid height in metres, its void samples and its invalid samples (below\n"
                   "-1000 m or above 30000 m; both take the last valid height).\n"
                   "\n"
                   "The store looks for the tile N47E011 under these names, in this order,\n"
                   "and reads the first it finds: N47E011.hgt, n47e011.hgt, N47E011.hgt.zip,\n"
                   "n47e011.hgt.zip, N47E011.SRTMGL1.hgt.zip, n47e011.srtmgl1.hgt.zip,\n"
                   "N47E011.SRTMGL3.hgt.zip, n47e011.srtmgl3.hgt.zip, N47E011.zip,\n"
                   "n47e011.zip. In an archive the tile is the first entry if it has a tile's\n"
                   "size, else the first entry named *.hgt that has.\n"
                   "\n"
                   "  --route ROUTE  list instead every tile the route passes, in the order\n"
                   "                 it reaches them: loose or zipped, SRTM1 or SRTM3, and\n"
                   "                 the file; or missing, or damaged and why\n"
                   "\n"
                   "Exit code 0 when every tile is usable, 21 when one is not (or missing) or\n"
                   "the folder holds none or cannot be read, 2 for wrong arguments, 10-14\n"
                   "when the route cannot be read (as tolmaric route).\n");
}

int RunTilesCommand(int argc, char** argv) {
  const char* folder = nullptr;
  const char* route = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (IsHelpArgument(argv[i])) {
      PrintTilesHelp();
      return kExitOk;
    }
    if (std::strcmp(argv[i], "--route") == 0) {
      if (i + 1 >= argc || route) {
        WriteConsoleText(stderr, "tolmaric tiles: --route needs one route (see tolmaric tiles --help)\n");
        return kExitUsage;
      }
      route = argv[++i];
      continue;
    }
    if (folder) {
      WriteConsoleText(stderr, "tolmaric tiles: one folder only (see tolmaric tiles --help)\n");
      return kExitUsage;
    }
    folder = argv[i];
  }
  if (!folder) {
    WriteConsoleText(stderr, "tolmaric tiles: no folder given (see tolmaric tiles --help)\n");
    return kExitUsage;
  }
  const int kind = GetFileKind(folder);
  if (kind != kFileKindFolder && kind != kFileKindDriveRoot) {
    WriteConsoleText(stderr, std::string("tolmaric tiles: not a folder: ") + folder + "\n");
    return kExitUsage;
  }
  if (!CanListFolder(folder)) {
    WriteConsoleText(stderr, std::string("tolmaric tiles: the folder cannot be read: ") + folder + "\n");
    return kExitUnusableTiles;
  }
  if (route) return ListRouteTiles(folder, route);
  std::vector<std::string> names = TileFilesIn(folder);
  if (names.empty()) {
    WriteConsoleText(stderr, std::string("tolmaric tiles: no .hgt or .hgt.zip files in ") +
                                 folder + "\n");
    return kExitUnusableTiles;
  }
  bool allUsable = true;
  std::string out;
  for (const std::string& name : names) {
    bool usable = false;
    out += CheckLine(folder, name, usable);
    allUsable = allUsable && usable;
  }
  WriteConsoleText(stdout, out);
  return allUsable ? kExitOk : kExitUnusableTiles;
}
