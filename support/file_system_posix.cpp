// POSIX backend of the file and path helpers. Path texts may come from the
// Windows side of the program (typed folders, stored settings), so "\" is
// read as "/" before a path reaches the system, and a drive-letter path
// names nothing. Searches keep their open directories in a table of live
// handles, so a handle used after SearchClose is refused instead of touching
// freed memory.
#include "support/file_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace {

const std::int64_t kUnixEpochInFileTimeSeconds = 11644473600LL;

std::string NativePath(const char* path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool HasDriveLetter(const char* path) {
  return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// "." and ".." and doubled separators resolved on the text alone, as
// GetFullPathNameA does; a trailing separator is kept.
std::string CleanAbsolutePath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string clean;
  for (const std::string& part : parts) clean += "/" + part;
  if (clean.empty()) return "/";
  if (path.back() == '/') clean += '/';
  return clean;
}

std::uint64_t UnixToFileTime(const struct timespec& time) {
  std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec);
  if (seconds < -kUnixEpochInFileTimeSeconds) return 1;  // before 1601: still "before 1970"
  return static_cast<std::uint64_t>(seconds + kUnixEpochInFileTimeSeconds) * 10000000ULL +
         static_cast<std::uint64_t>(time.tv_nsec) / 100;
}

bool IsHiddenName(const std::string& name) {
  return name.size() > 1 && name[0] == '.' && name != "..";
}

void FillRecord(const struct stat& info, const std::string& name, SearchRecord* record) {
  record->attributes = kSearchAttrPresent;
  if (info.st_mode & S_IWUSR) record->attributes |= kSearchAttrWritable;
  if (S_ISDIR(info.st_mode)) record->attributes |= kSearchAttrDirectory;
  if (IsHiddenName(name)) record->attributes |= kSearchAttrHidden;
  record->size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::int64_t>(info.st_size);
  record->creationTime = FileTimeToUnixSeconds(UnixToFileTime(info.st_ctim));
  record->lastAccessTime = FileTimeToUnixSeconds(UnixToFileTime(info.st_atim));
  record->lastWriteTime = FileTimeToUnixSeconds(UnixToFileTime(info.st_mtim));
  record->name = name;
}

void ClearRecord(SearchRecord* record) {
  if (record) *record = SearchRecord();
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

struct PosixSearch {
  DIR* directory = nullptr;  // null: a search for one exact name
  std::string folder;
  std::string pattern;
};

std::mutex liveSearchesLock;
std::set<PosixSearch*> liveSearches;

PosixSearch* LiveSearch(SearchHandle handle) {
  std::lock_guard<std::mutex> guard(liveSearchesLock);
  auto found = liveSearches.find(reinterpret_cast<PosixSearch*>(handle));
  return found == liveSearches.end() ? nullptr : *found;
}

SearchHandle Register(PosixSearch* search) {
  std::lock_guard<std::mutex> guard(liveSearchesLock);
  liveSearches.insert(search);
  return reinterpret_cast<SearchHandle>(search);
}

bool Unregister(PosixSearch* search) {
  std::lock_guard<std::mutex> guard(liveSearchesLock);
  return liveSearches.erase(search) == 1;
}

// Next directory entry that matches; false at the end.
bool ReadMatch(PosixSearch* search, SearchRecord* record) {
  while (struct dirent* entry = readdir(search->directory)) {
    if (!MatchFileName(search->pattern.c_str(), entry->d_name)) continue;
    std::string full = search->folder + "/" + entry->d_name;
    struct stat info;
    if (stat(full.c_str(), &info) != 0 && lstat(full.c_str(), &info) != 0) continue;
    FillRecord(info, entry->d_name, record);
    return true;
  }
  return false;
}

// Fills record with the first entry the new search yields; false when none.
// A pattern without wildcards names one entry, found without listing its
// folder, just as FindFirstFileA finds a plain path.
bool FindFirst(PosixSearch* search, const std::string& native, SearchRecord* record) {
  if (search->pattern.empty()) return false;
  if (!HasWildcard(search->pattern)) {
    struct stat info;
    if (stat(native.c_str(), &info) != 0 && lstat(native.c_str(), &info) != 0) return false;
    FillRecord(info, search->pattern, record);
    return true;
  }
  search->directory = opendir(search->folder.c_str());
  return search->directory && ReadMatch(search, record);
}

}  // namespace

char PathSeparator() { return '/'; }

bool EndsDirectory(char c) { return IsPathSeparator(c); }

int GetFileKind(const char* path) {
  if (!path || !*path || HasDriveLetter(path)) return kFileKindNone;
  struct stat info;
  if (stat(NativePath(path).c_str(), &info) != 0) return kFileKindNone;
  if (S_ISDIR(info.st_mode)) return kFileKindFolder;
  return S_ISREG(info.st_mode) ? kFileKindFile : kFileKindSpecial;
}

bool IsSameFile(const char* a, const char* b) {
  if (!a || !b || !*a || !*b || HasDriveLetter(a) || HasDriveLetter(b)) return false;
  struct stat first, second;
  if (stat(NativePath(a).c_str(), &first) != 0 || stat(NativePath(b).c_str(), &second) != 0)
    return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool CanListFolder(const char* path) {
  if (!path || !*path || HasDriveLetter(path)) return false;
  DIR* folder = opendir(NativePath(path).c_str());
  if (folder == nullptr) return false;
  closedir(folder);
  return true;
}

std::string FullPath(const char* path) {
  if (!path || !*path) return std::string();
  std::string native = NativePath(path);
  if (native[0] != '/') {
    std::vector<char> current(4096);
    while (!getcwd(current.data(), current.size())) {
      if (errno != ERANGE || current.size() > (1u << 20)) return std::string();
      current.resize(current.size() * 2);
    }
    native = std::string(current.data()) + "/" + native;
  }
  return CleanAbsolutePath(native);
}

std::string GetProgramFile() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    if (buffer.size() > (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

int GetProgramFile(char* buffer, int size) {
  if (!buffer || size < 1) return 0;
  std::string program = GetProgramFile();
  if (program.size() >= static_cast<std::size_t>(size)) program.clear();
  std::memcpy(buffer, program.c_str(), program.size() + 1);
  return static_cast<int>(program.size());
}

SearchHandle SearchFirst(const char* pattern, SearchRecord* record) {
  ClearRecord(record);
  if (!pattern || !*pattern || !record || HasDriveLetter(pattern)) return 0;
  std::string native = NativePath(pattern);
  std::size_t slash = native.rfind('/');
  auto search = new PosixSearch;
  search->folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
  search->pattern = slash == std::string::npos ? native : native.substr(slash + 1);
  if (FindFirst(search, native, record)) return Register(search);
  if (search->directory) closedir(search->directory);
  delete search;
  ClearRecord(record);
  return 0;
}

int SearchNext(SearchHandle handle, SearchRecord* record) {
  PosixSearch* search = handle == 0 ? nullptr : LiveSearch(handle);
  if (!search || !record) {
    ClearRecord(record);
    return kSearchInvalidHandle;
  }
  if (search->directory && ReadMatch(search, record)) return kSearchOk;
  ClearRecord(record);
  return kSearchNoMoreFiles;
}

int SearchClose(SearchHandle handle) {
  auto search = reinterpret_cast<PosixSearch*>(handle);
  if (handle == 0 || !Unregister(search)) return -1;
  bool closed = !search->directory || closedir(search->directory) == 0;
  delete search;
  return closed ? 0 : -1;
}
