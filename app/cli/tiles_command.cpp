// tolmaric tiles: checks every tile of a folder the way the tile store would
// read it, so a user can see why a profile shows 0 m, jumps, or stops with a
// message: wrong size, damaged archive, voids, negative heights, or a file
// name the store never asks for.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
#include "core/tile_store.h"
#include "support/file_path.h"

// Some tile was not usable, or the folder held none.
constexpr int kExitUnusableTiles = 21;

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

bool IsTileFile(const std::string& name) {
  return EndsWithNoCase(name, ".hgt") || EndsWithNoCase(name, ".hgt.zip");
}

// Exactly the names the store forms: N47E011.hgt, S34W001.hgt(.zip).
bool IsStoreName(const std::string& name) {
  auto digits = [&name](std::size_t at, std::size_t count) {
    for (std::size_t i = at; i < at + count; ++i)
      if (name[i] < '0' || name[i] > '9') return false;
    return true;
  };
  if (name.size() != 11 && name.size() != 15) return false;
  if (name.compare(7, std::string::npos, name.size() == 11 ? ".hgt" : ".hgt.zip") != 0) return false;
  return (name[0] == 'N' || name[0] == 'S') && digits(1, 2) && (name[3] == 'E' || name[3] == 'W') &&
         digits(4, 3);
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
      return "NOT USABLE: not 2884802 bytes long (the run stops with a message)";
    case TileFileState::kNotOpened:
      return "NOT USABLE: cannot be opened or read (the run stops with a message)";
    case TileFileState::kArchiveUnusable:
      return "NOT USABLE: not a ZIP archive, or its first entry is not a tile "
             "(the profile shows 0 m there)";
    case TileFileState::kNotUnpacked:
      return "NOT USABLE: the first entry fails to unpack (the run stops with a message)";
    case TileFileState::kNoMemory:
      return "NOT CHECKED: not enough memory";
  }
  return "";
}

std::string CheckLine(const std::string& folder, const std::string& name,
                      const std::vector<std::string>& all, bool& usable) {
  std::string path = folder;
  AppendSeparator(path);
  path += name;
  TileFileCheck check = CheckTileFile(path);
  usable = check.state == TileFileState::kUsable;
  char line[512];
  std::snprintf(line, sizeof line, "%-16s %s", name.c_str(), StateText(check.state));
  std::string text = line;
  if (usable) {
    std::snprintf(line, sizeof line, ", lowest %d m, highest %d m, %d void, %d negative",
                  check.lowest, check.highest, check.voidSamples, check.invalidSamples);
    text += line;
  }
  if (!IsStoreName(name)) text += "; never read: the name is not N00E000.hgt style";
  if (EndsWithNoCase(name, ".zip") &&
      std::find(all.begin(), all.end(), name.substr(0, name.size() - 4)) != all.end())
    text += "; never read: the loose tile beside it wins";
  return text + "\n";
}

}  // namespace

void PrintTilesHelp() {
  WriteConsoleText(stdout,
                   "usage: tolmaric tiles DIR\n"
                   "\n"
                   "Checks every .hgt and .hgt.zip file in DIR as the tile store reads it and\n"
                   "prints one line per file: whether it is usable (and if not, why), its\n"
                   "lowest and highest valid height in metres, its void samples (which take\n"
                   "the last valid height) and its negative heights (treated like voids).\n"
                   "\n"
                   "Exit code 0 when every tile is usable, 21 when one is not or the folder\n"
                   "holds none, 2 for wrong arguments.\n");
}

int RunTilesCommand(int argc, char** argv) {
  const char* folder = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintTilesHelp();
      return kExitOk;
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
    out += CheckLine(folder, name, names, usable);
    allUsable = allUsable && usable;
  }
  WriteConsoleText(stdout, out);
  return allUsable ? kExitOk : kExitUnusableTiles;
}
