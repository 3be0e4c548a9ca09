// Reading ZIP archives: end record, central directory, local headers, data.
//
// Each length field in an archive is a claim, not a fact: before a name,
// extra field or comment is read, its end is checked against the region it
// must lie in (the central directory against the end record's position, the
// local header against the directory's start). So a damaged archive can
// make Open fail but never makes it read outside the file or allocate more
// than the file could hold.
//
// Failures travel as ZipError inside an operation and are turned into the
// result code at its end, together with out-of-memory and codec failures.
#include "support/archive/zip_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "support/file_path.h"

namespace {

struct ZipError {
  int code;
};

[[noreturn]] void Fail(int code) { throw ZipError{code}; }

// Runs one operation's body and turns whatever it raised into a result
// code: archive errors as they are, exhausted memory as an internal error.
template <typename Body>
int CatchErrors(Body body) {
  try {
    body();
    return CPackArchive::kErrNone;
  } catch (const ZipError& error) {
    return error.code;
  } catch (const std::bad_alloc&) {
    return CPackArchive::kErrInternal;
  }
}

// ---- Little-endian fields --------------------------------------------------

std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// ---- Record layouts --------------------------------------------------------

const std::uint32_t kEndSignature = 0x06054B50;
const std::uint32_t kCentralSignature = 0x02014B50;
const std::uint32_t kLocalSignature = 0x04034B50;
const std::uint32_t kDescriptorSignature = 0x08074B50;
const std::uint32_t kZip64EndSignature = 0x06064B50;
const std::uint32_t kZip64LocatorSignature = 0x07064B50;

// End of central directory (offsets from the signature; comment at 22).
enum EndField {
  kEndDiskNumber = 4,        // u16
  kEndDirectoryDisk = 6,     // u16
  kEndEntriesOnDisk = 8,     // u16
  kEndTotalEntries = 10,     // u16
  kEndDirectorySize = 12,    // u32
  kEndDirectoryOffset = 16,  // u32
  kEndCommentLength = 20,    // u16
  kEndRecordSize = 22,
};

// ZIP64 end locator, right before the end record; the ZIP64 end record
// itself is 56 bytes plus extensible data. Only their positions are used.
enum Zip64Field {
  kZip64LocatorOffset = 8,  // u64: position of the ZIP64 end record
  kZip64LocatorSize = 20,
  kZip64EndRecordSize = 56,
};

// Central header (name, extra field, comment follow at 46).
enum CentralField {
  kCenVersionMadeBy = 4,        // u16
  kCenVersionNeeded = 6,        // u16
  kCenFlags = 8,                // u16
  kCenMethod = 10,              // u16
  kCenDosDateTime = 12,         // u32
  kCenCrc32 = 16,               // u32
  kCenCompressedSize = 20,      // u32
  kCenUncompressedSize = 24,    // u32
  kCenNameLength = 28,          // u16
  kCenExtraLength = 30,         // u16
  kCenCommentLength = 32,       // u16
  kCenDiskNumberStart = 34,     // u16
  kCenInternalAttributes = 36,  // u16
  kCenExternalAttributes = 38,  // u32
  kCenLocalHeaderOffset = 42,   // u32
  kCentralHeaderSize = 46,
};

// Local header (name and extra field follow at 30).
enum LocalField {
  kLocVersionNeeded = 4,     // u16
  kLocFlags = 6,             // u16
  kLocMethod = 8,            // u16
  kLocDosDateTime = 10,      // u32
  kLocCrc32 = 14,            // u32
  kLocCompressedSize = 18,   // u32
  kLocUncompressedSize = 22, // u32
  kLocNameLength = 26,       // u16
  kLocExtraLength = 28,      // u16
  kLocalHeaderSize = 30,
};

const int kDescriptorSize = 16;  // signature, CRC-32, both sizes
const std::uint16_t kKeptFlagBits = 0x1FFF;

// ---- Names and comments ----------------------------------------------------
// Names arrive as UTF-8 (newer tools) or in the DOS code page 437 (older
// ones, as APPNOTE prescribes); the program works in code page 1252.

// Code page 1252 byte of a Unicode code point, '?' when it has none.
unsigned char ToCodePage1252(std::uint32_t codePoint) {
  static const std::uint16_t kHighHalf[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  if (codePoint <= 0xFF) return static_cast<unsigned char>(codePoint);
  for (int i = 0; i < 32; ++i) {
    if (kHighHalf[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  return '?';
}

// Code points of code page 437's bytes 0x80..0xFF.
const std::uint16_t kCodePage437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
    0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
    0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1,
    0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD,
    0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562,
    0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534,
    0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
    0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393,
    0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
    0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0,
    0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Length of the well-formed UTF-8 sequence of 2 to 4 bytes at text[0], with
// its code point; 0 when there is none (ASCII, stray or overlong bytes,
// surrogates, code points above U+10FFFF, sequences cut by the end).
int Utf8Sequence(const unsigned char* text, std::size_t available, std::uint32_t* codePoint) {
  unsigned char lead = text[0];
  int length;
  std::uint32_t value;
  std::uint32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (available < static_cast<std::size_t>(length)) return 0;
  for (int i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (text[i] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

bool HasUtf8Sequence(const std::string& raw) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(raw.data());
  std::uint32_t codePoint;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (Utf8Sequence(text + i, raw.size() - i, &codePoint) != 0) return true;
  }
  return false;
}

// A name or comment as stored, in code page 1252. Code points without a
// code page 1252 character become '?': cutting them to their low byte would
// turn letters into NULs or separators.
std::string ConvertText(const std::string& raw) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(raw.data());
  std::string converted;
  converted.reserve(raw.size());
  if (HasUtf8Sequence(raw)) {
    for (std::size_t i = 0; i < raw.size();) {
      std::uint32_t codePoint;
      int length = Utf8Sequence(text + i, raw.size() - i, &codePoint);
      if (length == 0) {
        converted += static_cast<char>(text[i++]);
      } else {
        converted += static_cast<char>(ToCodePage1252(codePoint));
        i += length;
      }
    }
    return converted;
  }
  for (unsigned char c : raw) {
    converted += static_cast<char>(c < 0x80 ? c : ToCodePage1252(kCodePage437[c - 0x80]));
  }
  return converted;
}

// Code page 1252 letters folded to upper case.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// ---- Times -----------------------------------------------------------------

// DOS date and time are the local time of the machine that made the entry.
std::time_t DosToTime(std::uint32_t dosDateTime) {
  std::tm parts{};
  parts.tm_year = static_cast<int>((dosDateTime >> 25) & 0x7F) + 80;
  parts.tm_mon = static_cast<int>((dosDateTime >> 21) & 0x0F) - 1;
  parts.tm_mday = static_cast<int>((dosDateTime >> 16) & 0x1F);
  parts.tm_hour = static_cast<int>((dosDateTime >> 11) & 0x1F);
  parts.tm_min = static_cast<int>((dosDateTime >> 5) & 0x3F);
  parts.tm_sec = static_cast<int>(dosDateTime & 0x1F) * 2;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

std::time_t UnixTime(const unsigned char* p) {
  return static_cast<std::time_t>(static_cast<std::int32_t>(Get32(p)));
}

const std::uint16_t kExtendedTimestamp = 0x5455;  // flags, then mtime, atime, ctime
const std::uint16_t kInfoZipUnix1 = 0x5855;       // atime, mtime (older form)
const std::uint16_t kInfoZipUnix2 = 0x7855;       // uid and gid only

// Replaces the entry's times by those of the extra field's timestamp blocks.
void ParseExtraTimes(const std::string& extra, ZipEntry& entry) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(extra.data());
  std::size_t remaining = extra.size();
  bool newerFormSeen = false;
  while (remaining >= 4) {
    std::uint16_t tag = Get16(p);
    std::size_t size = Get16(p + 2);
    if (size > remaining - 4) break;
    const unsigned char* data = p + 4;
    if (tag == kExtendedTimestamp && size >= 1) {
      std::time_t* targets[3] = {&entry.modificationTime, &entry.accessTime, &entry.creationTime};
      std::size_t at = 1;
      for (int bit = 0; bit < 3; ++bit) {
        if (!(data[0] & (1 << bit))) continue;
        if (at + 4 > size) break;
        *targets[bit] = UnixTime(data + at);
        at += 4;
      }
      newerFormSeen = true;
    } else if (tag == kInfoZipUnix2) {
      newerFormSeen = true;
    } else if (tag == kInfoZipUnix1 && size >= 8 && !newerFormSeen) {
      entry.accessTime = UnixTime(data);
      entry.modificationTime = UnixTime(data + 4);
    }
    p += 4 + size;
    remaining -= 4 + size;
  }
}

}  // namespace

// ---- Object life -----------------------------------------------------------

CZipFile::CZipFile() = default;

CZipFile::~CZipFile() {
  if (mode_ != kModeClosed) Close();
}

void CZipFile::Reset() {
  if (file_.is_open()) file_.close();
  file_.clear();
  memory_ = nullptr;
  mode_ = kModeClosed;
  fileSize_ = 0;
  endRecordPosition_ = directoryStart_ = 0;
  directorySize_ = directoryOffset_ = 0;
  totalEntries_ = diskNumber_ = directoryDisk_ = entriesOnDisk_ = 0;
  comment_.clear();
  std::vector<ZipEntry>().swap(entries_);
}

int CZipFile::Close() {
  if (mode_ == kModeClosed) return SetLastError(kErrIndexOrMode);
  if (file_.is_open()) file_.close();
  file_.clear();
  memory_ = nullptr;
  mode_ = kModeClosed;
  archiveName_.clear();
  return SetLastError(kErrNone);
}

// ---- Opening ---------------------------------------------------------------

namespace {

bool IsResourcePath(const char* path) {
  return (path[0] == 'r' || path[0] == 'R') && (path[1] == 'e' || path[1] == 'E') &&
         (path[2] == 's' || path[2] == 'S') && path[3] == ':' &&
         (path[4] == '\\' || path[4] == '/') && (path[5] == '\\' || path[5] == '/');
}

}  // namespace

int CZipFile::Open(const char* path, std::uint32_t flags, int level) {
  Reset();
  archiveName_.clear();
  entryName_.clear();
  int mode = static_cast<int>(flags & kOpenModeMask);
  if (mode == kModeUpdate || mode == kModeCreate) return SetLastError(kErrNotSupported);
  if (mode != kModeRead) return SetLastError(kErrOpen);
  int code = CatchErrors([&] {
    OpenSource(path);
    ReadArchive(flags, level);
  });
  if (code != kErrNone) Reset();
  return SetLastError(code);
}

int CZipFile::OpenMemory(const void* data, std::size_t size, const char* name) {
  Reset();
  archiveName_.clear();
  entryName_.clear();
  if (data == nullptr && size != 0) return SetLastError(kErrIndexOrMode);
  int code = CatchErrors([&] {
    archiveName_ = name ? name : "";
    memory_ = static_cast<const unsigned char*>(data);
    fileSize_ = size;
    ReadArchive(kModeRead, 9);
  });
  if (code != kErrNone) Reset();
  return SetLastError(code);
}

// Leaves archiveName_ naming the file for the error text, also on failure.
void CZipFile::OpenSource(const char* path) {
  if (path == nullptr || *path == 0) Fail(kErrPathName);
  archiveName_ = path;
  if (IsResourcePath(path)) Fail(kErrNotSupported);
  std::string fullPath = FullPath(path);
  if (fullPath.empty()) Fail(kErrPathName);
  archiveName_ = fullPath;
  int kind = GetFileKind(fullPath.c_str());
  if (kind == kFileKindNone) Fail(kErrNotFound);
  if (kind != kFileKindFile) Fail(kErrOpen);
  file_.open(fullPath, std::ios::in | std::ios::binary);
  if (!file_.is_open()) Fail(kErrOpen);
  file_.seekg(0, std::ios::end);
  std::streamoff size = file_.tellg();
  if (!file_ || size < 0) Fail(kErrOpen);
  fileSize_ = static_cast<std::uint64_t>(size);
}

void CZipFile::ReadArchive(std::uint32_t flags, int level) {
  mode_ = kModeRead;
  level_ = std::max(0, std::min(9, level));
  options_ = flags & ~kOpenModeMask;
  if (fileSize_ == 0) return;  // an empty archive
  endRecordPosition_ = FindEndRecord();
  ReadEndRecord();
  ReadCentralDirectory();
  for (ZipEntry& entry : entries_) VerifyLocalHeader(entry);
}

// ---- Raw access ------------------------------------------------------------

void CZipFile::ReadAt(std::uint64_t position, void* destination, std::size_t count, int failCode) {
  if (position > fileSize_ || count > fileSize_ - position) Fail(failCode);
  if (count == 0) return;
  if (memory_) {
    std::memcpy(destination, memory_ + position, count);
    return;
  }
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(position));
  file_.read(static_cast<char*>(destination), static_cast<std::streamsize>(count));
  if (!file_ || file_.gcount() != static_cast<std::streamsize>(count)) {
    file_.clear();
    Fail(failCode);
  }
}

std::string CZipFile::ReadText(std::uint64_t position, std::size_t count, int failCode) {
  std::string text(count, '\0');
  if (count) ReadAt(position, &text[0], count, failCode);
  return text;
}

// ---- End of central directory ----------------------------------------------

// Blocks are aligned to multiples of kSearchBlock, the partial block at the
// end of the file first; the first three bytes of the block behind are kept
// so that a signature across a block border is found too. The occurrence
// nearest to the end of the file wins.
std::uint64_t CZipFile::FindEndRecord() {
  unsigned char buffer[kSearchBlock + 3];
  unsigned char carry[3];
  std::size_t carried = 0;
  std::uint64_t blockStart = (fileSize_ - 1) / kSearchBlock * kSearchBlock;
  for (;;) {
    std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kSearchBlock, fileSize_ - blockStart));
    std::memcpy(carry, buffer, carried);
    ReadAt(blockStart, buffer, length, kErrRead);
    std::memcpy(buffer + length, carry, carried);
    for (std::size_t i = length + carried; i >= 4; --i) {
      if (Get32(buffer + i - 4) == kEndSignature) return blockStart + i - 4;
    }
    if (blockStart == 0) Fail(kErrFormat);
    carried = std::min<std::size_t>(3, length);
    blockStart -= kSearchBlock;
  }
}

void CZipFile::ReadEndRecord() {
  unsigned char record[kEndRecordSize];
  ReadAt(endRecordPosition_, record, kEndRecordSize, kErrRead);
  diskNumber_ = Get16(record + kEndDiskNumber);
  directoryDisk_ = Get16(record + kEndDirectoryDisk);
  entriesOnDisk_ = Get16(record + kEndEntriesOnDisk);
  totalEntries_ = Get16(record + kEndTotalEntries);
  directorySize_ = Get32(record + kEndDirectorySize);
  directoryOffset_ = Get32(record + kEndDirectoryOffset);
  if (diskNumber_ != 0 || directoryDisk_ != 0 || entriesOnDisk_ != totalEntries_)
    Fail(kErrMultiDisk);

  // A comment cut short by the end of the file keeps what is there: it
  // carries nothing the archive needs.
  std::uint64_t commentStart = endRecordPosition_ + kEndRecordSize;
  std::size_t commentLength = std::min<std::uint64_t>(Get16(record + kEndCommentLength),
                                                      fileSize_ - commentStart);
  comment_ = ConvertText(ReadText(commentStart, commentLength, kErrRead));

  std::uint64_t directoryEnd = FindZip64EndRecord();
  if (directorySize_ > directoryEnd) Fail(kErrFormat);
  directoryStart_ = directoryEnd - directorySize_;
}

// zip writes a ZIP64 end record and its locator between the directory and
// the end record when it cannot know the sizes in advance (input from a
// pipe), even for small archives. The directory then ends where the ZIP64
// record begins; without this step such an archive would read as empty.
// Returns where the directory ends: the ZIP64 record or the end record.
std::uint64_t CZipFile::FindZip64EndRecord() {
  if (endRecordPosition_ < kZip64LocatorSize + kZip64EndRecordSize) return endRecordPosition_;
  std::uint64_t locatorPosition = endRecordPosition_ - kZip64LocatorSize;
  unsigned char locator[kZip64LocatorSize];
  ReadAt(locatorPosition, locator, kZip64LocatorSize, kErrRead);
  if (Get32(locator) != kZip64LocatorSignature) return endRecordPosition_;

  // Usually the record lies right before the locator; otherwise (extensible
  // data) where the locator says.
  std::uint64_t candidates[2] = {locatorPosition - kZip64EndRecordSize,
                                 Get32(locator + kZip64LocatorOffset) |
                                     (std::uint64_t(Get32(locator + kZip64LocatorOffset + 4)) << 32)};
  for (std::uint64_t candidate : candidates) {
    if (candidate > locatorPosition - kZip64EndRecordSize) continue;
    unsigned char signature[4];
    ReadAt(candidate, signature, 4, kErrRead);
    if (Get32(signature) == kZip64EndSignature) return candidate;
  }
  return endRecordPosition_;
}

// ---- Central directory -----------------------------------------------------

// Records follow each other from the computed start until four bytes are
// not a central header's signature; the end record's own signature stops a
// sound directory. Every record and its texts must end at or before the end
// record.
void CZipFile::ReadCentralDirectory() {
  std::uint64_t position = directoryStart_;
  for (;;) {
    unsigned char header[kCentralHeaderSize];
    ReadAt(position, header, 4, kErrRead);
    if (Get32(header) != kCentralSignature) return;
    if (position + kCentralHeaderSize > endRecordPosition_) Fail(kErrFormat);
    ReadAt(position + 4, header + 4, kCentralHeaderSize - 4, kErrRead);
    entries_.emplace_back();
    ReadCentralHeader(position, header, entries_.back());
    position += kCentralHeaderSize + Get16(header + kCenNameLength) +
                Get16(header + kCenExtraLength) + Get16(header + kCenCommentLength);
  }
}

void CZipFile::ReadCentralHeader(std::uint64_t position, const unsigned char* header,
                                 ZipEntry& entry) {
  entry.versionMadeBy = Get16(header + kCenVersionMadeBy);
  entry.versionNeeded = Get16(header + kCenVersionNeeded);
  entry.flags = Get16(header + kCenFlags) & kKeptFlagBits;
  entry.method = Get16(header + kCenMethod);
  entry.dosDateTime = Get32(header + kCenDosDateTime);
  entry.crc32 = Get32(header + kCenCrc32);
  entry.compressedSize = Get32(header + kCenCompressedSize);
  entry.uncompressedSize = Get32(header + kCenUncompressedSize);
  entry.diskNumberStart = Get16(header + kCenDiskNumberStart);
  entry.internalAttributes = Get16(header + kCenInternalAttributes);
  entry.externalAttributes = Get32(header + kCenExternalAttributes);
  entry.localHeaderOffset = Get32(header + kCenLocalHeaderOffset);
  entry.madeOnDos = (entry.versionMadeBy >> 8) == 0;

  std::uint16_t nameLength = Get16(header + kCenNameLength);
  std::uint16_t extraLength = Get16(header + kCenExtraLength);
  std::uint16_t commentLength = Get16(header + kCenCommentLength);
  if (nameLength == 0) Fail(kErrFormat);
  std::uint64_t nameStart = position + kCentralHeaderSize;
  std::uint64_t extraStart = nameStart + nameLength;
  std::uint64_t commentStart = extraStart + extraLength;
  if (commentStart + commentLength > endRecordPosition_) Fail(kErrFormat);

  entry.name = ConvertText(ReadText(nameStart, nameLength, kErrRead));
  entry.centralExtra = ReadText(extraStart, extraLength, kErrRead);
  entry.comment = ConvertText(ReadText(commentStart, commentLength, kErrRead));
  entry.nameLength = static_cast<std::uint16_t>(entry.name.size());
  entry.centralExtraLength = extraLength;
  entry.commentLength = static_cast<std::uint16_t>(entry.comment.size());
  entry.modificationTime = DosToTime(entry.dosDateTime);
  ParseExtraTimes(entry.centralExtra, entry);
}

// ---- Local headers ---------------------------------------------------------

void CZipFile::VerifyLocalHeader(ZipEntry& entry) {
  std::uint64_t offset = entry.localHeaderOffset;
  if (offset + kLocalHeaderSize >= directoryStart_) Fail(kErrFormat);
  unsigned char header[kLocalHeaderSize];
  ReadAt(offset, header, kLocalHeaderSize, kErrRead);
  if (Get32(header) != kLocalSignature) Fail(kErrFormat);

  entry.localNameLength = Get16(header + kLocNameLength);
  entry.localExtraLength = Get16(header + kLocExtraLength);
  std::uint64_t nameStart = offset + kLocalHeaderSize;
  std::uint64_t extraStart = nameStart + entry.localNameLength;
  std::uint64_t dataStart = extraStart + entry.localExtraLength;
  if (dataStart > directoryStart_) Fail(kErrFormat);
  entry.span = kLocalHeaderSize + entry.localNameLength + entry.localExtraLength +
               entry.compressedSize;

  std::string localName = ConvertText(ReadText(nameStart, entry.localNameLength, kErrRead));
  if (!EqualIgnoringCase(localName, entry.name)) Fail(kErrFormat);
  entry.localExtra = ReadText(extraStart, entry.localExtraLength, kErrRead);
  ParseExtraTimes(entry.localExtra, entry);

  if (Get16(header + kLocFlags) & kFlagDataDescriptor) {
    std::uint32_t compressedSize = Get32(header + kLocCompressedSize);
    if (compressedSize == 0) compressedSize = entry.compressedSize;
    unsigned char signature[4];
    ReadAt(dataStart + compressedSize, signature, 4, kErrFormat);
    if (Get32(signature) != kDescriptorSignature) Fail(kErrFormat);
    entry.span += kDescriptorSize;
  }
  if (Get16(header + kLocVersionNeeded) != entry.versionNeeded) Fail(kErrFormat);
  entry.confirmed = true;
}

// ---- Entries ---------------------------------------------------------------

const ZipEntry* CZipFile::GetEntry(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &entries_[static_cast<std::size_t>(index)];
}

std::uint32_t CZipFile::GetFileSize(int index, int which) const {
  const ZipEntry* entry = GetEntry(index);
  if (!entry) return 0;
  if (which == kUncompressedSize) return entry->uncompressedSize;
  if (which == kCompressedSize) return entry->compressedSize;
  return 0;
}

const char* CZipFile::GetName(int index) const {
  if (index == -1) return archiveName_.c_str();
  const ZipEntry* entry = GetEntry(index);
  return entry ? entry->name.c_str() : nullptr;
}

int CZipFile::FindEntry(const char* name) const {
  if (!name) return -1;
  std::string wanted(name);
  for (int i = 0; i < GetCount(); ++i) {
    const ZipEntry& entry = entries_[static_cast<std::size_t>(i)];
    if (!entry.deleted && EqualIgnoringCase(entry.name, wanted)) return i;
  }
  return -1;
}

bool CZipFile::IsDirectory(int index) const {
  const ZipEntry* entry = GetEntry(index);
  return entry && (entry->externalAttributes & kAttrDirectory) != 0;
}

std::time_t CZipFile::GetEntryTime(int index, int which) const {
  const ZipEntry* entry = GetEntry(index);
  if (!entry) return -1;
  switch (which) {
    case kModificationTime: return entry->modificationTime;
    case kCreationTime: return entry->creationTime;
    case kAccessTime: return entry->accessTime;
    default: return -1;
  }
}

// ---- Data ------------------------------------------------------------------

int CZipFile::ExtractToMemory(int index, void* buffer, std::uint32_t capacity) {
  const ZipEntry* entry = GetEntry(index);
  if (mode_ != kModeRead || !entry || !entry->confirmed || (!buffer && capacity != 0))
    return SetLastError(kErrIndexOrMode);
  return SetLastError(CatchErrors([&] {
    entryName_ = entry->name;
    Decode(*entry, buffer, capacity);
  }));
}

namespace {

// Archive error for a codec failure.
int ErrorOfCodec(int kind) {
  switch (kind) {
    case CDeflateCodec::kErrorSourceEnded: return CPackArchive::kErrEndOfFile;
    case CDeflateCodec::kErrorRead: return CPackArchive::kErrRead;
    case CDeflateCodec::kErrorWrite: return CPackArchive::kErrWrite;
    case CDeflateCodec::kErrorNoMemory: return CPackArchive::kErrInternal;
    default: return CPackArchive::kErrDecompress;
  }
}

// A stream source for entries whose compressed size does not fit the
// codec's signed file limit.
struct LargeEntrySource {
  std::istream* file;
  std::uint32_t remaining;

  static std::int32_t Read(void* context, void* data, std::uint32_t size) {
    LargeEntrySource& self = *static_cast<LargeEntrySource*>(context);
    std::uint32_t count = std::min(std::min(size, self.remaining), 0x40000000u);
    if (count == 0) return 0;
    self.file->read(static_cast<char*>(data), count);
    std::streamsize got = self.file->gcount();
    if (self.file->bad()) return -1;
    self.file->clear();
    self.remaining -= static_cast<std::uint32_t>(got);
    return static_cast<std::int32_t>(got);
  }
};

}  // namespace

// The source is limited to the entry's compressed size, so a damaged
// stream can never run into the next entry or the directory.
bool CZipFile::ReadWholeEntry(std::uint64_t dataStart, std::uint64_t compressedSize, std::vector<unsigned char>& bytes) {
  if (dataStart > fileSize_) return false;
  std::uint64_t size = std::min<std::uint64_t>(compressedSize, fileSize_ - dataStart);
  if (size > kWholeEntryLimit) return false;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;  // the file source needs no more than its small buffer
  }
  ReadAt(dataStart, bytes.data(), bytes.size(), kErrRead);
  return true;
}

void CZipFile::Decode(const ZipEntry& entry, void* buffer, std::uint32_t capacity) {
  std::uint64_t dataStart = std::uint64_t(entry.localHeaderOffset) + kLocalHeaderSize +
                            entry.localNameLength + entry.localExtraLength;
  LargeEntrySource largeSource{&file_, entry.compressedSize};
  std::vector<unsigned char> entryBytes;
  if (memory_) {
    // Open has checked that the data start lies within the archive.
    std::uint32_t size = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(entry.compressedSize, fileSize_ - dataStart));
    codec_.SetSourceMemory(size, memory_ + dataStart, CDeflateCodec::NoCrc);
  } else if (ReadWholeEntry(dataStart, entry.compressedSize, entryBytes)) {
    // One read and a source in memory: the decoder then never stops for the
    // 4 KB refills of a file source, which is what keeps tiles as fast as zlib.
    codec_.SetSourceMemory(static_cast<std::uint32_t>(entryBytes.size()), entryBytes.data(), CDeflateCodec::NoCrc);
  } else {
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(dataStart));
    if (!file_) Fail(kErrRead);
    if (entry.compressedSize <= 0x7FFFFFFFu) {
      codec_.SetSourceFile(&file_, static_cast<std::int32_t>(entry.compressedSize), CDeflateCodec::NoCrc);
    } else {
      codec_.SetSourceFunction(&LargeEntrySource::Read, &largeSource, CDeflateCodec::NoCrc);
    }
  }
  codec_.SetSinkMemory(capacity, buffer, 0);
  try {
    codec_.Decode(entry.method);
  } catch (const EDeflateError& error) {
    Fail(ErrorOfCodec(error.Kind()));
  }
  if (codec_.GetValue(CDeflateCodec::kValueOutputCrc) != entry.crc32) Fail(kErrCrc);
}
