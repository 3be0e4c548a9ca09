// The portable half of the file and path helpers: pure text work on paths,
// the file-time conversion and the name matcher of the POSIX search. Which
// characters end a directory comes from the platform backend, so the same
// code reads "C:\a" as a drive path on Windows and as a plain name on POSIX.
#include "support/file_path.h"

#include <cstring>

namespace {

const std::uint64_t kFileTimeTicksPerSecond = 10000000;
// 100-ns ticks from 1601-01-01 to 1970-01-01.
const std::uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;
const std::uint64_t kLargestFileTime = 0x7FFFFFFFFFFFFFFFULL;

// Index just behind the last separator (or drive colon); 0 when none.
std::size_t DirectoryEnd(const char* path) {
  std::size_t end = 0;
  for (std::size_t i = 0; path[i]; ++i) {
    if (EndsDirectory(path[i])) end = i + 1;
  }
  return end;
}

unsigned char FoldForCompare(char c, bool ignoreCase) {
  if (IsPathSeparator(c)) return static_cast<unsigned char>(PathSeparator());
  if (ignoreCase && c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
  return static_cast<unsigned char>(c);
}

int CompareFolded(const char* a, const char* b, bool ignoreCase) {
  if (!a) a = "";
  if (!b) b = "";
  for (;; ++a, ++b) {
    int difference = FoldForCompare(*a, ignoreCase) - FoldForCompare(*b, ignoreCase);
    if (difference != 0 || *a == 0) return difference;
  }
}

}  // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// ---- Path texts ------------------------------------------------------------

const char* FileNamePart(const char* path, int* length) {
  if (!path) {
    if (length) *length = 0;
    return nullptr;
  }
  const char* name = path + DirectoryEnd(path);
  if (length) *length = static_cast<int>(std::strlen(name));
  return name;
}

const char* ExtensionPart(const char* path, int* length) {
  const char* name = FileNamePart(path);
  if (!name) {
    if (length) *length = 0;
    return nullptr;
  }
  const char* dot = std::strrchr(name, '.');
  const char* extension = dot ? dot + 1 : name + std::strlen(name);
  if (length) *length = static_cast<int>(std::strlen(extension));
  return extension;
}

std::string DirectoryPart(const char* path) {
  std::string full = FullPath(path);
  return full.substr(0, DirectoryEnd(full.c_str()));
}

int JoinPath(char* destination, const char* directory, const char* name, int size) {
  if (!destination || size < 1) return 0;
  if (!directory) directory = "";
  if (!name) name = "";
  std::size_t directoryLength = std::strlen(directory);
  if (directoryLength > 0 && IsPathSeparator(directory[directoryLength - 1])) --directoryLength;
  if (IsPathSeparator(name[0])) ++name;
  std::size_t nameLength = std::strlen(name);
  std::size_t joined = directoryLength + 1 + nameLength;
  if (joined >= static_cast<std::size_t>(size) - 1) return 0;
  std::memcpy(destination, directory, directoryLength);
  destination[directoryLength] = PathSeparator();
  std::memcpy(destination + directoryLength + 1, name, nameLength + 1);
  return static_cast<int>(joined);
}

std::string ChangeExtension(const char* path, const char* extension) {
  if (!path) path = "";
  if (!extension) extension = "";
  if (*extension == '*') ++extension;
  if (*extension == '.') ++extension;
  const char* name = FileNamePart(path);
  const char* dot = std::strrchr(name, '.');
  std::string result(path, dot ? static_cast<std::size_t>(dot - path) : std::strlen(path));
  if (*extension) {
    result += '.';
    result += extension;
  }
  return result;
}

std::string ReplaceFileName(const char* path, const char* name) {
  std::string result;
  if (path) result.assign(path, DirectoryEnd(path));
  if (name) result += name;
  return result;
}

int AppendSeparator(std::string& path) {
  if (path.empty() || !IsPathSeparator(path.back())) path += PathSeparator();
  return static_cast<int>(path.size());
}

int RemoveSeparator(std::string& path) {
  if (!path.empty() && IsPathSeparator(path.back())) path.pop_back();
  return static_cast<int>(path.size());
}

std::string GetProgramFolder() {
  std::string program = GetProgramFile();
  return program.substr(0, DirectoryEnd(program.c_str()));
}

int ComparePaths(const char* a, const char* b) { return CompareFolded(a, b, false); }

int ComparePathsNoCase(const char* a, const char* b) { return CompareFolded(a, b, true); }

int ComparePaths(const char* a, const char* b, int flags) {
  std::string fullA, fullB;
  if ((flags & kCompareAbsoluteA) && a) {
    fullA = FullPath(a);
    a = fullA.c_str();
  }
  if ((flags & kCompareAbsoluteB) && b) {
    fullB = FullPath(b);
    b = fullB.c_str();
  }
  return CompareFolded(a, b, (flags & kCompareIgnoreCase) != 0);
}

// ---- Sizes and times ---------------------------------------------------------

std::int64_t GetFileSizeByName(const char* path) {
  if (!path || !*path) return -1;
  SearchRecord record;
  SearchHandle handle = SearchFirst(path, &record);
  if (handle == 0) return -1;
  SearchClose(handle);
  if (record.attributes & kSearchAttrDirectory) return -1;
  return record.size;
}

std::int64_t FileTimeToUnixSeconds(std::uint64_t fileTime) {
  if (fileTime == 0) return -1;
  if (fileTime > kLargestFileTime) return -2;
  if (fileTime < kFileTimeUnixEpoch) return 0;
  return static_cast<std::int64_t>((fileTime - kFileTimeUnixEpoch) / kFileTimeTicksPerSecond);
}

// ---- Name matching -----------------------------------------------------------

// Backtracking over the last "*" only: linear enough for file names, and it
// cannot blow up on patterns full of stars.
bool MatchFileName(const char* pattern, const char* name) {
  if (!pattern || !name) return false;
  if (std::strcmp(pattern, "*.*") == 0) return true;
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern && (*pattern == '?' || *pattern == *name)) {
      ++pattern;
      ++name;
    } else if (starPattern) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}
