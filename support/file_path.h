// File and path helpers: tests and sizes of paths, splitting and joining of
// path texts, the program's own file and folder, and directory search.
//
// Path texts are 8-bit (ANSI code page). Both "\" and "/" are read as
// separators everywhere; where the platform has drive letters (Windows) a
// drive colon ends a directory part as well. Paths are written with the
// platform's separator (PathSeparator). On POSIX drive letters do not exist:
// a path such as "C:\x" is not present (kind 0).
//
// The text functions are portable (file_path.cpp); everything that asks the
// operating system lives in file_system_win32.cpp / file_system_posix.cpp.
// Nothing here keeps state, throws or shows a message: failures come back as
// return values (0, -1, -3, false or an empty string).
#pragma once
#include <cstdint>
#include <string>

// ---- Platform facts --------------------------------------------------------

// '\\' on Windows, '/' on POSIX: the separator that joined paths get.
char PathSeparator();
// "\" or "/".
bool IsPathSeparator(char c);
// A separator, or on Windows also the colon of a drive letter.
bool EndsDirectory(char c);

// ---- Path tests and sizes --------------------------------------------------

enum FileKind {
  kFileKindNone = 0,       // missing, null path, absent drive
  kFileKindFile = 1,
  kFileKindFolder = 2,
  kFileKindDriveRoot = 3,  // "C:\" or "C:" meaning a root (Windows only)
  kFileKindSpecial = 4,    // a FIFO, device or socket: never read as a file
};

// One of FileKind. On POSIX "/" is a folder (2): there are no drive roots.
int GetFileKind(const char* path);

// Size in bytes of the first file that matches path (wildcards allowed as in
// SearchFirst); -1 when nothing matches or the match is a folder. The full
// 64-bit size: files above 4 GB do not wrap.
std::int64_t GetFileSizeByName(const char* path);

// True when both paths name one existing file, also through another
// spelling, a link or (Windows) another case.
bool IsSameFile(const char* a, const char* b);

// True when the folder's entries can be listed (it exists and may be read).
bool CanListFolder(const char* path);

// Absolute form of path (GetFullPathNameA on Windows, the current directory
// and a lexical clean-up of "." and ".." on POSIX); "" on failure.
std::string FullPath(const char* path);

// ---- Path texts ------------------------------------------------------------

// Pointer just behind the last separator (or drive colon) of path; path itself
// when there is none. *length, when given, receives the part's length.
// A null path gives null and length 0.
const char* FileNamePart(const char* path, int* length = nullptr);

// Pointer just behind the last "." of the file-name part, or to the
// terminating zero (length 0) when the name has no ".".
const char* ExtensionPart(const char* path, int* length = nullptr);

// path made absolute, cut behind its last separator (or drive colon):
// "C:\a\b.kml" gives "C:\a\". "" on failure. The length is the size().
std::string DirectoryPart(const char* path);

// Writes directory + separator + name into destination (size bytes) and
// returns the joined length. One trailing separator of directory and one
// leading separator of name are dropped, so exactly one separator joins them;
// an empty directory gives separator + name. When the joined text would need
// size - 1 characters or more nothing is written and 0 is returned.
int JoinPath(char* destination, const char* directory, const char* name, int size);

// path up to (not including) the last "." of its file-name part, then "."
// and extension unless extension is empty. One leading "*" and then one
// leading "." of extension are skipped: "*.txt", ".txt" and "txt" act alike.
// The length of the result is its size().
std::string ChangeExtension(const char* path, const char* extension);

// The directory part of path as written (up to and including its last
// separator or drive colon, empty when none), followed by name.
std::string ReplaceFileName(const char* path, const char* name);

// Appends PathSeparator() unless path already ends in "\" or "/" (an empty
// text becomes a lone separator). Returns the new length.
int AppendSeparator(std::string& path);
// Removes one trailing "\" or "/". Returns the new length.
int RemoveSeparator(std::string& path);

// Full path of the running program into buffer (size bytes); returns its
// length. On failure, or when the path does not fit, buffer holds "" and 0
// is returned: a cut program path would name some other file.
int GetProgramFile(char* buffer, int size);
// The same as a string ("" on failure).
std::string GetProgramFile();
// The program's folder including its final separator ("" on failure); the
// locations file lives here.
std::string GetProgramFolder();

// Character-by-character comparison with "\" equal to "/"; returns the
// difference of the first differing characters (as unsigned bytes), 0 when
// equal.
int ComparePaths(const char* a, const char* b);
// The same, with ASCII a..z folded to upper case.
int ComparePathsNoCase(const char* a, const char* b);

enum ComparePathsFlags {
  kCompareAbsoluteA = 1,   // make a absolute first
  kCompareAbsoluteB = 2,   // make b absolute first
  kCompareIgnoreCase = 4,  // fold ASCII letters
};
int ComparePaths(const char* a, const char* b, int flags);

// ---- Directory search ------------------------------------------------------

// Attribute bits of a SearchRecord (the program's own, not the OS's).
enum SearchAttributes {
  kSearchAttrPresent = 1,      // always set
  kSearchAttrWritable = 2,     // not read-only
  kSearchAttrDirectory = 16,
  kSearchAttrHidden = 32,      // POSIX: name starts with "." (not "." / "..")
  kSearchAttrArchive = 64,     // Windows only
  kSearchAttrSystem = 128,     // Windows only
};

// Times are seconds since 1970-01-01 00:00 UTC as made by
// FileTimeToUnixSeconds (-1 unknown, 0 before 1970, -2 out of range).
// On POSIX creationTime is the status-change time (there is no portable
// birth time).
struct SearchRecord {
  unsigned attributes = 0;
  std::int64_t size = 0;  // full 64-bit size
  std::int64_t creationTime = 0;
  std::int64_t lastAccessTime = 0;
  std::int64_t lastWriteTime = 0;
  std::string name;       // file name only, no folder
};

// Opaque; 0 means "no search".
typedef std::intptr_t SearchHandle;

enum SearchResult {
  kSearchOk = 0,
  kSearchInvalidHandle = -1,
  kSearchNoMoreFiles = -3,
};

// pattern is a path whose last component may hold "*" and "?" ("*.*" matches
// every name). Returns a handle with record filled for the first match, or 0
// when nothing matches (record cleared: size 0, empty name).
SearchHandle SearchFirst(const char* pattern, SearchRecord* record);
// kSearchOk with record filled; kSearchNoMoreFiles (record cleared) at the
// end; kSearchInvalidHandle for 0, -1 or (POSIX) a handle already closed.
int SearchNext(SearchHandle handle, SearchRecord* record);
// 0 on success, -1 otherwise.
int SearchClose(SearchHandle handle);

// A Windows file time (100-ns ticks since 1601-01-01 UTC) as seconds since
// 1970-01-01 UTC: 0 gives -1, a time before 1970 gives 0, a value beyond the
// largest valid file time (2^63 - 1) gives -2. Pure; both backends use it.
std::int64_t FileTimeToUnixSeconds(std::uint64_t fileTime);

// True when name matches pattern: "*" any run, "?" any one character, other
// characters exactly. Used by the POSIX search; portable.
bool MatchFileName(const char* pattern, const char* name);
