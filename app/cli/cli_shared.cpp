// What every command shares: the help argument, the tile folder and folder
// argument messages, and the exit code list.
#include <cstring>
#include <string>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"
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
