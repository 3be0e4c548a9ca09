// rename() replaces the target atomically on POSIX file systems.
#include "core/file_replace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

bool ReplaceFileWith(const char* source, const char* target) {
  return std::rename(source, target) == 0;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

// kill with signal 0 only asks; EPERM means a process of another user.
bool ProcessIsRunning(unsigned long id) {
  return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}
