// The commands of the tolmaric command line. Each lives in its own file
// (route_command.cpp ...) and is listed in main.cpp's table; a command gets
// the arguments behind the program name, its own name first, handles its own
// --help and returns the process exit code.
#pragma once
#include <string>

// Exit codes shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // unknown command or bad arguments
// A route reader failure exits with kExitRouteBase - result: 10 for "no
// point" (result 0), 11 for -1 ... 14 for -4.
constexpr int kExitRouteBase = 10;

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

// tolmaric export ROUTE.kml [--tiles DIR] [options]
int RunExportCommand(int argc, char** argv);
void PrintExportHelp();
