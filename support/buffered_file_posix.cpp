// POSIX system calls behind CBufferedFile. Interrupted calls are resumed, and
// a write counts as done only when every byte went out.
#include "support/buffered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace buffered_file_os {

namespace {

int Flags(Access access) {
  switch (access) {
    case kRead: return O_RDONLY;
    case kReadWriteExisting: return O_RDWR;
    case kCreate: return O_RDWR | O_CREAT | O_TRUNC;
  }
  return O_RDONLY;
}

}  // namespace

std::intptr_t Open(const char* name, Access access) {
  int fd;
  do {
    fd = open(name, Flags(access) | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

bool ClearReadOnly(const char* name) {
  struct stat info;
  if (stat(name, &info) != 0 || (info.st_mode & S_IWUSR)) return false;
  return chmod(name, (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool Exists(const char* name) {
  struct stat info;
  return stat(name, &info) == 0;
}

int Read(std::intptr_t handle, void* data, int count) {
  ssize_t got;
  do {
    got = read(static_cast<int>(handle), data, static_cast<std::size_t>(count));
  } while (got < 0 && errno == EINTR);
  return got < 0 ? -1 : static_cast<int>(got);
}

bool Write(std::intptr_t handle, const void* data, int count) {
  const char* bytes = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t written = write(static_cast<int>(handle), bytes, static_cast<std::size_t>(count));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    count -= static_cast<int>(written);
  }
  return true;
}

bool Seek(std::intptr_t handle, std::int64_t offset) {
  return lseek(static_cast<int>(handle), static_cast<off_t>(offset), SEEK_CUR) != -1;
}

bool SeekToEnd(std::intptr_t handle) { return lseek(static_cast<int>(handle), 0, SEEK_END) != -1; }

bool Close(std::intptr_t handle) { return close(static_cast<int>(handle)) == 0; }

}  // namespace buffered_file_os
