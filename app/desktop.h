// The two things the front ends need of the desktop besides the registry:
// handing a finished file to the program the user opens it with, and the
// user's own folder for the program's files.
#pragma once
#include <string>

// Asks the desktop to open the file (the shell's "open" verb on Windows,
// xdg-open on POSIX) without waiting for it; false when that could not start.
bool ShellOpen(const std::string& path);

// The folder for the user's own files of the program, with a final
// separator: %APPDATA%\Tolmaric\ on Windows, $XDG_CONFIG_HOME/tolmaric/ (else
// ~/.config/tolmaric/) on POSIX. Empty when there is none. Not created.
std::string UserConfigFolder();
