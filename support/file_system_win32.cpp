// Windows backend of the file and path helpers: thin wrappers over the ANSI
// file API. Drive paths are checked against the drives present first, so a
// path on a missing drive answers at once instead of provoking the system's
// "no disk" handling.
#include "support/file_path.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

const DWORD kFullPathBytes = 260;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool DrivePresent(char letter) {
  int index = (letter | 0x20) - 'a';
  return (GetLogicalDrives() >> index) & 1;
}

std::uint64_t Join32(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

std::int64_t ToUnixSeconds(const FILETIME& time) {
  return FileTimeToUnixSeconds(Join32(time.dwHighDateTime, time.dwLowDateTime));
}

void FillRecord(const WIN32_FIND_DATAA& data, SearchRecord* record) {
  DWORD system = data.dwFileAttributes;
  record->attributes = kSearchAttrPresent;
  if (!(system & FILE_ATTRIBUTE_READONLY)) record->attributes |= kSearchAttrWritable;
  if (system & FILE_ATTRIBUTE_DIRECTORY) record->attributes |= kSearchAttrDirectory;
  if (system & FILE_ATTRIBUTE_HIDDEN) record->attributes |= kSearchAttrHidden;
  if (system & FILE_ATTRIBUTE_ARCHIVE) record->attributes |= kSearchAttrArchive;
  if (system & FILE_ATTRIBUTE_SYSTEM) record->attributes |= kSearchAttrSystem;
  record->size = static_cast<std::int64_t>(Join32(data.nFileSizeHigh, data.nFileSizeLow));
  record->creationTime = ToUnixSeconds(data.ftCreationTime);
  record->lastAccessTime = ToUnixSeconds(data.ftLastAccessTime);
  record->lastWriteTime = ToUnixSeconds(data.ftLastWriteTime);
  record->name = data.cFileName;
}

void ClearRecord(SearchRecord* record) {
  if (record) *record = SearchRecord();
}

HANDLE ToHandle(SearchHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

char PathSeparator() { return '\\'; }

bool EndsDirectory(char c) { return IsPathSeparator(c) || c == ':'; }

int GetFileKind(const char* path) {
  if (!path) return kFileKindNone;
  if (IsAsciiLetter(path[0]) && path[1] == ':') {
    if (!DrivePresent(path[0])) return kFileKindNone;
    if (IsPathSeparator(path[2]) && path[3] == 0) return kFileKindDriveRoot;
    if (path[2] == 0) {
      std::string full = FullPath(path);
      if (full.empty()) return kFileKindNone;
      return full.size() < 4 ? kFileKindDriveRoot : kFileKindFolder;
    }
  }
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return kFileKindNone;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kFileKindFolder;
  return (attributes & FILE_ATTRIBUTE_DEVICE) ? kFileKindSpecial : kFileKindFile;
}

namespace {

bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& information) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  return known;
}

}  // namespace

bool IsSameFile(const char* a, const char* b) {
  if (!a || !b || !*a || !*b) return false;
  BY_HANDLE_FILE_INFORMATION first, second;
  if (!FileIdentity(a, first) || !FileIdentity(b, second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

bool CanListFolder(const char* path) {
  if (!path || !*path) return false;
  std::string pattern = path;
  AppendSeparator(pattern);
  pattern += "*";
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  FindClose(search);
  return true;
}

std::string FullPath(const char* path) {
  if (!path || !*path) return std::string();
  char full[kFullPathBytes];
  DWORD length = GetFullPathNameA(path, kFullPathBytes, full, nullptr);
  if (length == 0 || length >= kFullPathBytes) return std::string();
  return std::string(full, length);
}

int GetProgramFile(char* buffer, int size) {
  if (!buffer || size < 1) return 0;
  DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  if (length == 0 || length >= static_cast<DWORD>(size)) length = 0;
  buffer[length] = 0;
  return static_cast<int>(length);
}

std::string GetProgramFile() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    int length = GetProgramFile(buffer.data(), static_cast<int>(buffer.size()));
    if (length > 0) return std::string(buffer.data(), length);
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

SearchHandle SearchFirst(const char* pattern, SearchRecord* record) {
  ClearRecord(record);
  if (!pattern || !*pattern || !record) return 0;
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA(pattern, &data);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  FillRecord(data, record);
  return reinterpret_cast<SearchHandle>(handle);
}

int SearchNext(SearchHandle handle, SearchRecord* record) {
  ClearRecord(record);
  if (handle == 0 || ToHandle(handle) == INVALID_HANDLE_VALUE || !record) return kSearchInvalidHandle;
  WIN32_FIND_DATAA data;
  if (FindNextFileA(ToHandle(handle), &data)) {
    FillRecord(data, record);
    return kSearchOk;
  }
  return GetLastError() == ERROR_NO_MORE_FILES ? kSearchNoMoreFiles : kSearchInvalidHandle;
}

int SearchClose(SearchHandle handle) {
  if (handle == 0 || ToHandle(handle) == INVALID_HANDLE_VALUE) return -1;
  return FindClose(ToHandle(handle)) ? 0 : -1;
}
