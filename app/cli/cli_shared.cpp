// What every command shares: the help argument, usage errors and option
// values, the tile folder and folder argument messages, the locations file,
// whole-number arguments and the exit code list.
#include <cstring>
#include <string>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
#include "app/desktop.h"
#include "support/file_path.h"

bool IsHelpArgument(const char* argument) {
  return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 ||
         std::strcmp(argument, "/?") == 0;
}

void ReportTileFolder(const char* command, const std::string& folder) {
  const char* what = CanListFolder(folder.c_str()) ? "tiles looked for in " : "the tile folder cannot be read: ";
  WriteConsoleText(stderr, std::string("tolmaric ") + command + ": " + what + folder + "\n");
}

bool CheckFolderArgument(const char* command, const char* option, const char* folder) {
  const int kind = GetFileKind(folder);
  if (kind == kFileKindFolder || kind == kFileKindDriveRoot) return true;
  WriteConsoleText(stderr, std::string("tolmaric ") + command + ": " + option + " " + folder +
                               ": no such folder (see tolmaric " + command + " --help)\n");
  return false;
}

void ReportUsageError(const char* command, const std::string& problem) {
  WriteConsoleText(stderr, std::string("tolmaric ") + command + ": " + problem + " (see tolmaric " + command +
                               " --help)\n");
}

bool TakeOptionValue(const char* command, int argc, char** argv, int& i, const char*& value) {
  if (i + 1 >= argc) {
    ReportUsageError(command, std::string(argv[i]) + " needs a value");
    return false;
  }
  value = argv[++i];
  return true;
}

bool CheckLocationsArgument(const char* command, const char* given) {
  if (!given || GetFileKind(given) == kFileKindFile) return true;
  ReportUsageError(command, std::string("--locations ") + given + ": no such file");
  return false;
}

// --locations FILE, else Locations.txt beside the program, else in the
// user's folder (for installs whose program folder is read-only).
std::string LocationsPath(const char* given) {
  if (given) return given;
  std::string beside = GetProgramFolder() + kLocationsFileName;
  if (GetFileKind(beside.c_str()) == kFileKindFile) return beside;
  std::string user = UserConfigFolder();
  return user.empty() ? beside : user + kLocationsFileName;
}

CLocationTable LoadLocations(const std::string& path) {
  CLocationTable table;
  for (const Location& location : ReadLocationsFile(path))
    if (!table.Add(location)) break;
  return table;
}

bool ParseWholeNumber(const char* text, std::uint32_t& value) {
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

const char kExitCodeHelp[] =
    "Exit codes of every command:\n"
    "  0      done\n"
    "  2      bad arguments, or a given folder or file that does not exist\n"
    "  3      no output chosen\n"
    "  6      report not created\n"
    "  7      picture not saved\n"
    "  8      an existing output was kept\n"
    "  10-14  route file unusable: 10 no complete point, 11 cannot be opened,\n"
    "         12 wrong format, 13 not enough memory, 14 no coordinates\n"
    "  20     tile missing or damaged\n"
    "  21     some tile of a checked folder not usable\n";
