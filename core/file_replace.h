// Putting a finished file in place of another in one step: the target is
// either still the old file or already the new one, never missing or half
// written. The platform decides how (rename on POSIX, MoveFileEx on Windows,
// where a plain rename refuses to replace).
#pragma once
#include <cstdio>
#include <functional>
#include <string>

// Moves source onto target, replacing target when it exists. False on
// failure; source is then left where it was.
bool ReplaceFileWith(const char* source, const char* target);

// Writes a whole file through write, which gets the open file and returns
// false when it could not write everything. The bytes go to a temporary file
// beside target, "<target>.<process id>.tmp", which replaces target only
// when it is complete, so a full disk or a killed run never leaves target
// truncated and two runs never write into one file. The temporary file is
// removed on every failure, and those of runs that were killed before (their
// process is gone) are removed first. False when anything failed; target is
// then as it was.
bool WriteFileReplacing(const std::string& target, const std::function<bool(std::FILE*)>& write);

// The temporary file WriteFileReplacing uses for target in this process.
std::string ReplacingTemporaryPath(const std::string& target);

// The running process's id, and whether a process with the id still runs.
unsigned long CurrentProcessId();
bool ProcessIsRunning(unsigned long id);
