// The commands of the tolmaric command line. Each lives in its own file
// (route_command.cpp ...) and is listed in main.cpp's table; a command gets
// the arguments behind the program name, its own name first, handles its own
// --help and returns the process exit code.
#pragma once
#include <cstdint>
#include <string>

#include "core/locations.h"

// Exit codes, one scheme for every command (listed by tolmaric --help).
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;      // unknown command, bad arguments or paths
constexpr int kExitNoOutput = 3;   // export: neither report nor picture chosen
constexpr int kExitReport = 6;     // export: the report could not be created
constexpr int kExitPicture = 7;    // export: the picture could not be saved
constexpr int kExitDeclined = 8;   // export: an existing output was kept
// A route reader failure exits with kExitRouteBase - result: 10 for "no
// point" (result 0), 11 for -1 ... 14 for -4.
constexpr int kExitRouteBase = 10;
constexpr int kExitTile = 20;            // a tile is missing or damaged
constexpr int kExitUnusableTiles = 21;   // tiles: some tile is not usable

// The exit code of a route reader result below 1.
constexpr int RouteExitCode(int result) { return kExitRouteBase - (result < 1 ? result : 0); }

// "--help", "-h", and "/?" as Windows users type it.
bool IsHelpArgument(const char* argument);

// After a tile failure: the folder the tiles were looked for in, or that it
// cannot be read, so a typo or a permission problem shows at once.
void ReportTileFolder(const char* command, const std::string& folder);

// True for an existing folder (or drive root); false after saying on
// standard error that option's folder does not exist.
bool CheckFolderArgument(const char* command, const char* option, const char* folder);

// "tolmaric COMMAND: PROBLEM (see tolmaric COMMAND --help)" on standard error.
void ReportUsageError(const char* command, const std::string& problem);

// The value after the option argv[i] (i moves on to it); false after saying
// that it is missing.
bool TakeOptionValue(const char* command, int argc, char** argv, int& i, const char*& value);

// True without --locations or when it names an existing file; false after
// saying that it does not.
bool CheckLocationsArgument(const char* command, const char* given);

// The locations list a command uses: --locations FILE when given, else
// Locations.txt beside the program, else in the user's folder (for installs
// whose program folder is read-only); and its first kMaxLocations entries.
std::string LocationsPath(const char* given);
CLocationTable LoadLocations(const std::string& path);

// A whole argument of decimal digits that fits 32 bits.
bool ParseWholeNumber(const char* text, std::uint32_t& value);

// The exit codes as --help lists them.
extern const char kExitCodeHelp[];

// tolmaric route ROUTE.kml [--points]
int RunRouteCommand(int argc, char** argv);
void PrintRouteHelp();

// tolmaric height --tiles DIR LON LAT ...
int RunHeightCommand(int argc, char** argv);
void PrintHeightHelp();

// tolmaric tiles DIR [--route ROUTE]
int RunTilesCommand(int argc, char** argv);
void PrintTilesHelp();
// After an export stopped on a tile: the names of every tile of the route
// that the folder lacks, on standard error (nothing when none is missing).
void PrintMissingRouteTiles(const std::string& route, const std::string& folder);

// tolmaric profile ROUTE --tiles DIR [--step N] [--format csv|json] ...
int RunProfileCommand(int argc, char** argv);
void PrintProfileHelp();

// tolmaric export ROUTE.kml [--tiles DIR] [options]
int RunExportCommand(int argc, char** argv);
void PrintExportHelp();
