// CZipFile: reads ZIP archives (PKWARE APPNOTE: end of central directory,
// central directory, local headers) and decodes entries into memory.
//
// Zipped SRTM tiles come from many tools and many mirrors, and a damaged or
// truncated download must end in an error code, never in a crash: every
// length read from the archive is checked against the bytes that are really
// there before anything is allocated or read for it. Open verifies each
// entry's local header against the central directory, so that extraction
// can trust the offsets it uses.
//
// The end record is searched backwards from the end of the file, so
// trailing comments and appended data of any length are tolerated. The
// central directory's start is computed from the end record's position (not
// taken from its stored offset); local header offsets are used as stored.
// Only single-disk archives are read, and of ZIP64 only the extra end
// records that zip writes for piped input: entries beyond 4 GB do not occur
// in tile archives.
//
// The archive is read from a file or, for tests and fuzzing, from a block of
// memory that the caller keeps alive while the archive is open.
#pragma once
#include <cstdint>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"
#include "support/archive/pack_archive.h"

// One central-directory record, completed by its local header.
struct ZipEntry {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;             // general-purpose flags, bits 13..15 cleared
  std::uint16_t method = 0;            // 0 stored, 8 deflated
  std::uint32_t dosDateTime = 0;       // time in the low half, date in the high
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;        // after name conversion
  std::uint16_t localNameLength = 0;   // as stored in the local header
  std::uint16_t localExtraLength = 0;
  std::uint16_t centralExtraLength = 0;
  std::uint16_t commentLength = 0;     // after conversion
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  // Local header, name, extra field, data and data descriptor together.
  std::uint32_t span = 0;
  std::string centralExtra;  // raw
  std::string localExtra;    // raw
  std::string name;          // converted to code page 1252
  std::string comment;       // converted to code page 1252
  bool madeOnDos = false;    // high byte of versionMadeBy is 0
  bool deleted = false;
  bool confirmed = false;    // local header found consistent by Open
  bool damaged = false;      // tolerant reading (not provided): always false
  std::time_t modificationTime = -1;
  std::time_t accessTime = -1;
  std::time_t creationTime = -1;
};

class CZipFile : public CPackArchive {
 public:
  // Flag bit 3: sizes and CRC follow the data in a data descriptor.
  static const std::uint16_t kFlagDataDescriptor = 0x0008;
  // External attribute bit of a directory (MS-DOS attribute 0x10).
  static const std::uint32_t kAttrDirectory = 0x10;
  // Size of the blocks in which the end record is searched.
  static const int kSearchBlock = 4096;

  CZipFile();
  ~CZipFile() override;

  // Only mode 1 (read) is provided; modes 2 and 3 answer kErrNotSupported,
  // as do paths of the form "res:\\TYPE\NAME" (archives in program
  // resources), other modes kErrOpen. A missing file gives kErrNotFound, a
  // folder or unreadable file kErrOpen. Any failure leaves the object closed
  // with no entries; GetErrorText still names the path.
  int Open(const char* path, std::uint32_t flags, int level) override;
  // The same over size bytes at data, which must stay valid until Close.
  // name is used in error texts.
  int OpenMemory(const void* data, std::size_t size, const char* name);
  // Closes the file (kErrIndexOrMode when none is open). The entry table
  // stays readable until the next Open; extraction needs an open archive.
  int Close() override;

  int GetCount() const override { return static_cast<int>(entries_.size()); }
  std::uint32_t GetFileSize(int index, int which) const override;
  const char* GetName(int index) const override;
  int FindEntry(const char* name) const override;
  bool IsDirectory(int index) const override;
  std::time_t GetEntryTime(int index, int which) const override;
  // The record of entry index, or null outside the table.
  const ZipEntry* GetEntry(int index) const;
  // The archive comment, converted like the entry names.
  const std::string& GetComment() const { return comment_; }
  // kModeClosed or kModeRead.
  int GetMode() const { return mode_; }

  // The decoded length is not compared with the entry's size: callers check
  // GetFileSize first. A CRC mismatch is kErrCrc; an unknown method or bad
  // data kErrDecompress; data running past the file kErrEndOfFile.
  int ExtractToMemory(int index, void* buffer, std::uint32_t capacity) override;

 private:
  void OpenSource(const char* path);
  void ReadArchive(std::uint32_t flags, int level);
  void Reset();

  // End of central directory.
  std::uint64_t FindEndRecord();
  void ReadEndRecord();
  std::uint64_t FindZip64EndRecord();
  // Central directory.
  void ReadCentralDirectory();
  void ReadCentralHeader(std::uint64_t position, const unsigned char* header, ZipEntry& entry);
  // Local headers.
  void VerifyLocalHeader(ZipEntry& entry);
  // Data.
  void Decode(const ZipEntry& entry, void* buffer, std::uint32_t capacity);
  // Reads an entry's compressed bytes (as far as the file holds them) in one
  // piece; false when it is too large or the memory cannot be had.
  bool ReadWholeEntry(std::uint64_t dataStart, std::uint64_t compressedSize, std::vector<unsigned char>& bytes);
  static const std::uint64_t kWholeEntryLimit = 64u << 20;

  // Raw access to the archive bytes; a short read throws failCode.
  void ReadAt(std::uint64_t position, void* destination, std::size_t count, int failCode);
  std::string ReadText(std::uint64_t position, std::size_t count, int failCode);

  int mode_ = kModeClosed;
  int level_ = 9;
  std::uint32_t options_ = 0;

  std::ifstream file_;
  const unsigned char* memory_ = nullptr;  // archive held in memory
  std::uint64_t fileSize_ = 0;

  std::uint64_t endRecordPosition_ = 0;
  std::uint64_t directoryStart_ = 0;     // computed from the end record
  std::uint32_t directorySize_ = 0;
  std::uint32_t directoryOffset_ = 0;    // as stored; not used for reading
  std::uint16_t totalEntries_ = 0;
  std::uint16_t diskNumber_ = 0;
  std::uint16_t directoryDisk_ = 0;
  std::uint16_t entriesOnDisk_ = 0;
  std::string comment_;

  std::vector<ZipEntry> entries_;
  CDeflateCodec codec_;
};
