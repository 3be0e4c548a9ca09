// CPackArchive: what the program asks of an archive, whatever its format.
//
// The tile store opens an archive, asks for the size of its first entry and
// decodes that entry into a block of its own; nothing else. Those operations,
// plus the read-only look-ups that make an opened archive inspectable (entry
// names, find by name, directory test, times), are the whole interface here.
// Writing, updating, extraction to disk, archives held in program resources,
// sorting and progress callbacks are not part of this program and not
// offered; CZipFile answers an Open that would need them with
// kErrNotSupported.
//
// Every operation reports by result code and keeps it in LastError, so that a
// caller who only wants a message can ask GetErrorText afterwards. Codes and
// texts are shared by every archive format.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

class CPackArchive {
 public:
  // Result codes. Texts (GetErrorText) are German, code page 1252.
  enum ErrorCode {
    kErrIndexOrMode = -1,    // bad entry index, or no archive open
    kErrNone = 0,
    kErrEndOfFile = 2,       // archive data ended early
    kErrFormat = 3,          // not an archive, or a damaged one
    kErrInternal = 5,        // out of memory and the like
    kErrRead = 11,
    kErrNotFound = 12,
    kErrWrite = 14,
    kErrCreate = 15,
    kErrOpen = 18,
    kErrMultiDisk = 19,
    kErrPathName = 20,
    kErrCrc = 21,
    kErrDecompress = 22,
    kErrUserAbort = 23,
    kErrOpenEntry = 24,
    kErrCreateEntry = 25,
    kErrWriteEntry = 26,
    kErrReadEntry = 27,
    kErrSkipped = 28,
    kErrNotSupported = 29,
    kErrVersion = 30,
    kErrCompress = 31,
    kErrPassword = 32,
    kErrNotOpen = 33,
    kErrModeForbids = 34,
    kErrExists = 35,
    kErrOlder = 36,
  };

  // Open modes, bits 0..3 of the flags of Open.
  enum OpenMode {
    kModeClosed = 0,
    kModeRead = 1,     // an existing archive, read only
    kModeUpdate = 2,   // an existing archive, or a new one when missing
    kModeCreate = 3,   // a new, empty archive (replaces an existing file)
  };
  static const std::uint32_t kOpenModeMask = 0x0F;

  // Which size GetFileSize reports.
  enum SizeKind { kUncompressedSize = 0, kCompressedSize = 1 };

  // Which time GetEntryTime reports.
  enum TimeKind { kModificationTime = 0, kCreationTime = 1, kAccessTime = 2 };

  // Composed error texts never exceed this many characters.
  static const int kErrorTextMax = 515;

  CPackArchive() = default;
  virtual ~CPackArchive() = default;
  CPackArchive(const CPackArchive&) = delete;
  CPackArchive& operator=(const CPackArchive&) = delete;

  // Opens path with the mode in flags bits 0..3 and the compression level
  // (clamped to 0..9) for later writes. Returns LastError: 0 on success.
  virtual int Open(const char* path, std::uint32_t flags, int level) = 0;
  // Ends the work on the archive; 0, or -1 when no archive is open.
  virtual int Close() = 0;

  // Number of entries in the table (deleted ones included).
  virtual int GetCount() const = 0;
  // Size of entry index (SizeKind); 0 for an index outside the table.
  virtual std::uint32_t GetFileSize(int index, int which) const = 0;
  // Name of entry index, or of the archive itself for index -1; null for an
  // index outside the table.
  virtual const char* GetName(int index) const = 0;
  // Index of the entry called name (same length, letter case ignored,
  // deleted entries skipped); -1 when there is none.
  virtual int FindEntry(const char* name) const = 0;
  // True when entry index is a directory.
  virtual bool IsDirectory(int index) const = 0;
  // One of the entry's times (TimeKind) in seconds since 1970; -1 when
  // unknown or for an index outside the table.
  virtual std::time_t GetEntryTime(int index, int which) const = 0;

  // Decodes entry index into buffer (capacity bytes) and checks its CRC.
  // Returns LastError: 0 when the whole entry is in the buffer and sound.
  virtual int ExtractToMemory(int index, void* buffer, std::uint32_t capacity) = 0;

  // Code of the last operation (0: none).
  int GetLastError() const { return LastError; }
  // LastError as a text of at most kErrorTextMax characters: for codes 0 and
  // 23 the fixed text, otherwise "\nBei Datei : <archive>" (or a note that no
  // archive is open), the code's text and, for codes that concern an entry,
  // the entry's name. Valid until the next call.
  const char* GetErrorText();
  // The code's own text, without the names around it.
  static const char* GetCodeText(int code);

 protected:
  // Sets LastError and returns it, for "return Fail(code);".
  int SetLastError(int code) {
    LastError = code;
    return code;
  }

  std::int32_t LastError = 0;
  std::string archiveName_;  // named first in error texts ("" when none)
  std::string entryName_;    // named second, for codes about one entry

 private:
  char errorText_[kErrorTextMax + 1] = {};
};
