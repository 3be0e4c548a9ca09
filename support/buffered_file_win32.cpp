// Windows system calls behind CBufferedFile, one API call each. Files are
// shared for reading and writing, as the runtime library's own open does.
#include "support/buffered_file.h"

#include <windows.h>

namespace buffered_file_os {

namespace {

HANDLE ToHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

std::intptr_t Open(const char* name, Access access) {
  DWORD desired = access == kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = access == kCreate ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE handle = CreateFileA(name, desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  return reinterpret_cast<std::intptr_t>(handle);
}

bool ClearReadOnly(const char* name) {
  DWORD attributes = GetFileAttributesA(name);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return SetFileAttributesA(name, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

bool Exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

int Read(std::intptr_t handle, void* data, int count) {
  DWORD got = 0;
  if (!ReadFile(ToHandle(handle), data, static_cast<DWORD>(count), &got, nullptr)) return -1;
  return static_cast<int>(got);
}

bool Write(std::intptr_t handle, const void* data, int count) {
  const char* bytes = static_cast<const char*>(data);
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(ToHandle(handle), bytes, static_cast<DWORD>(count), &written, nullptr)) return false;
    if (written == 0) return false;
    bytes += written;
    count -= static_cast<int>(written);
  }
  return true;
}

bool Seek(std::intptr_t handle, std::int64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return SetFilePointerEx(ToHandle(handle), distance, nullptr, FILE_CURRENT) != 0;
}

bool SeekToEnd(std::intptr_t handle) {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  return SetFilePointerEx(ToHandle(handle), zero, nullptr, FILE_END) != 0;
}

bool Close(std::intptr_t handle) { return CloseHandle(ToHandle(handle)) != 0; }

}  // namespace buffered_file_os
