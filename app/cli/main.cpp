// tolmaric: the command-line front end of the profile engine. A command is a
// name, a one-line summary and a function; adding one means one file with
// its function and one row in kCommands.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/cli_commands.h"
#include "app/cli/console_text.h"

namespace {

struct CliCommand {
  const char* name;
  const char* summary;
  int (*run)(int argc, char** argv);
};

const CliCommand kCommands[] = {
    {"route", "read a route (KML, KMZ, GPX), print its point count and length", RunRouteCommand},
    {"height", "print the terrain height at points from a tile folder", RunHeightCommand},
    {"tiles", "check every tile of a folder: usable, lowest, highest, voids", RunTilesCommand},
    {"profile", "print a route's height profile and figures as CSV or JSON", RunProfileCommand},
    {"export", "make the text report and the height-profile picture of a route", RunExportCommand},
};

void PrintHelp() {
  std::string text =
      "usage: tolmaric COMMAND [ARGUMENTS]\n"
      "\n"
      "Turns a route (KML, KMZ or GPX) and SRTM3 elevation tiles into a height\n"
      "profile. Commands:\n"
      "\n";
  for (const CliCommand& command : kCommands) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-10s %s\n", command.name, command.summary);
    text += line;
  }
  text += "\ntolmaric COMMAND --help explains one command.\n\n";
  text += kExitCodeHelp;
  WriteConsoleText(stdout, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintHelp();
    return kExitUsage;
  }
  const char* name = argv[1];
  if (IsHelpArgument(name) || std::strcmp(name, "help") == 0) {
    PrintHelp();
    return kExitOk;
  }
  for (const CliCommand& command : kCommands)
    if (std::strcmp(name, command.name) == 0) return command.run(argc - 1, argv + 1);
  WriteConsoleText(stderr, std::string("tolmaric: unknown command '") + name +
                               "' (see tolmaric --help)\n");
  return kExitUsage;
}
