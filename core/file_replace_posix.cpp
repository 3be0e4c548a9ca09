// rename() replaces the target atomically on POSIX file systems.
#include "core/file_replace.h"

#include <cstdio>

bool ReplaceFileWith(const char* source, const char* target) {
  return std::rename(source, target) == 0;
}
