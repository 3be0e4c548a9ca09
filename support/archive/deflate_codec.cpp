// Inflate (RFC 1951) and CRC-32 for ZIP entries.
//
// Every zipped tile passes through here, so the decoder is built for speed
// without giving up safety:
// - Output goes straight into a memory sink, which then doubles as the
//   history for matches; only file and function sinks use the 64 KiB buffer
//   as a sliding 32 KiB window, flushed and slid whenever it fills.
// - A fast loop runs while at least 16 input bytes and a full match (plus
//   its copy overshoot) of output room remain: the 64-bit bit buffer is
//   refilled a word at a time (one refill covers a whole length/distance
//   pair), the next symbol's table entry is looked up before the current
//   match is copied, and matches are copied eight bytes at a time. Near
//   either end a careful loop takes over that takes input byte by byte.
// - The careful loop reads bits past the end of the source as zeros and
//   counts them; only a code that really consumes them fails (kind 4). So a
//   valid stream whose last code is shorter than the lookup width decodes,
//   and nothing ever reads beyond the source's limit.
// - Tables are multi-level (first-level widths 11/8/7 whatever the code
//   lengths, so that the fast loop masks with constants), so nearly every
//   code takes one lookup; a length or distance entry carries
//   its extra bits' count, so that code and extra bits leave the buffer in
//   one shift. A sub-table that starts below the end-of-block code's length
//   is narrowed to end at that length, so the lookup that finds end-of-block
//   never asks for bits beyond it. Tables live in vectors owned by the codec
//   that only grow: at most 288 codes of at most 15 bits bound them, and an
//   allocation failure surfaces as kind 7 like every other one. Entries an
//   incomplete code leaves unused are reset to invalid in every block.
// - A distance reaching back before the first output byte is bad data at
//   once; the window holds nothing defined there.
#include "support/archive/deflate_codec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <istream>
#include <new>
#include <ostream>
#include <vector>

#include "support/archive/crc32_fold.h"

// ---- CRC-32 ----------------------------------------------------------------

namespace {

// Slicing by sixteen: table k gives the CRC of a byte followed by k zero
// bytes, which lets sixteen input bytes be folded in with sixteen
// independent lookups.
const int kCrcSlices = 16;

struct Crc32Tables {
  std::uint32_t t[kCrcSlices][256];
};

constexpr Crc32Tables MakeCrc32Tables() {
  Crc32Tables tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables.t[0][n] = c;
  }
  for (int k = 1; k < kCrcSlices; ++k) {
    for (std::uint32_t n = 0; n < 256; ++n) {
      const std::uint32_t c = tables.t[k - 1][n];
      tables.t[k][n] = (c >> 8) ^ tables.t[0][c & 0xFF];
    }
  }
  return tables;
}

constexpr Crc32Tables kCrc32 = MakeCrc32Tables();

std::uint32_t LoadLittleEndian32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

}  // namespace

std::uint32_t Crc32UpdateByTable(std::uint32_t crc, const unsigned char* p, std::size_t length) {
  std::uint32_t c = ~crc;
  const auto& t = kCrc32.t;
  for (; length >= 16; length -= 16, p += 16) {
    const std::uint32_t one = c ^ LoadLittleEndian32(p);
    const std::uint32_t two = LoadLittleEndian32(p + 4);
    const std::uint32_t three = LoadLittleEndian32(p + 8);
    const std::uint32_t four = LoadLittleEndian32(p + 12);
    c = t[15][one & 0xFF] ^ t[14][(one >> 8) & 0xFF] ^ t[13][(one >> 16) & 0xFF] ^ t[12][one >> 24] ^
        t[11][two & 0xFF] ^ t[10][(two >> 8) & 0xFF] ^ t[9][(two >> 16) & 0xFF] ^ t[8][two >> 24] ^
        t[7][three & 0xFF] ^ t[6][(three >> 8) & 0xFF] ^ t[5][(three >> 16) & 0xFF] ^ t[4][three >> 24] ^
        t[3][four & 0xFF] ^ t[2][(four >> 8) & 0xFF] ^ t[1][(four >> 16) & 0xFF] ^ t[0][four >> 24];
  }
  for (; length > 0; --length) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

namespace {

std::atomic<bool> foldingAllowed{true};

}  // namespace

void Crc32AllowFolding(bool allow) { foldingAllowed.store(allow, std::memory_order_relaxed); }

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::int32_t length) {
  if (length < 1) return crc;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  const std::size_t size = static_cast<std::size_t>(length);
  if (size >= kCrc32FoldMinimum && Crc32FoldingSupported() && foldingAllowed.load(std::memory_order_relaxed)) {
    if (size >= kCrc32WideFoldMinimum && Crc32WideFoldingSupported()) return Crc32UpdateByWideFolding(crc, p, size);
    return Crc32UpdateByFolding(crc, p, size);
  }
  return Crc32UpdateByTable(crc, p, size);
}

namespace {

// Crc32Update takes a signed length; memory blocks may be larger.
std::uint32_t CrcOfBlock(std::uint32_t crc, const unsigned char* data, std::uint32_t size) {
  const std::uint32_t kPiece = 0x40000000;
  for (; size > kPiece; size -= kPiece, data += kPiece) crc = Crc32Update(crc, data, kPiece);
  return Crc32Update(crc, data, static_cast<std::int32_t>(size));
}

}  // namespace

// ---- Messages --------------------------------------------------------------

namespace {

const char kTextRead[] = "Fehler beim Lesen";
const char kTextWriteStored[] = "Fehler beim Schreiben in die Datei";
const char kTextWriteWindow[] = "Fehler beim Schreiben in Datei !";
const char kTextSinkFullStored[] = "Fehler Speicher\xFC" "berlauf des Ausgabepuffers";
const char kTextSinkFullWindow[] = "Fehler \xDC" "berlauf des Ausgabepuffers !";
const char kTextFileEnded[] = "Dateiende erreicht beim Lesen!";
const char kTextMemoryEnded[] = "Speicher-Ende erreicht beim Lesen !";
const char kTextMethod[] = "Falscher Modus beim Endkomprimieren !";
const char kTextBadData[] = "Ung\xFC" "ldige Huffmann-Tabelle !";
const char kTextNoMemory[] = "Nicht genug Speicher zum Entpacken !";

}  // namespace

// ---- Settings and bindings -------------------------------------------------

CDeflateCodec::CDeflateCodec() = default;

CDeflateCodec::~CDeflateCodec() { ReleaseBuffers(); }

void CDeflateCodec::SetLevel(int level) { level_ = std::min(9, std::max(0, level)); }
void CDeflateCodec::SetFlags(std::uint32_t flags) { flags_ = flags; }
void CDeflateCodec::SetMethod(int method) { method_ = method; }

namespace {

template <typename Binding>
void SetCrcSeed(Binding& binding, std::uint32_t seed) {
  binding.crcOn = seed != CDeflateCodec::NoCrc;
  binding.seed = binding.crcOn ? seed : 0;
  binding.crc = binding.seed;
}

}  // namespace

void CDeflateCodec::SetSourceFile(std::istream* file, std::int32_t limit, std::uint32_t seed) {
  source_ = Source();
  source_.mode = kBindFile;
  source_.read = &CDeflateCodec::ReadFile;
  source_.context = this;
  source_.file = file;
  source_.limit = limit;
  SetCrcSeed(source_, seed);
}

void CDeflateCodec::SetSourceMemory(std::uint32_t size, const void* base, std::uint32_t seed) {
  source_ = Source();
  source_.mode = kBindMemory;
  source_.read = &CDeflateCodec::ReadMemory;
  source_.context = this;
  source_.base = static_cast<const unsigned char*>(base);
  source_.size = base ? size : 0;
  SetCrcSeed(source_, seed);
}

void CDeflateCodec::SetSourceFunction(ReadFunction read, void* context, std::uint32_t seed) {
  source_ = Source();
  source_.mode = kBindFunction;
  source_.read = read;
  source_.context = context;
  SetCrcSeed(source_, seed);
}

void CDeflateCodec::SetSinkMemory(std::uint32_t capacity, void* base, std::uint32_t seed) {
  sink_ = Sink();
  sink_.mode = kBindMemory;
  sink_.base = static_cast<unsigned char*>(base);
  sink_.capacity = base ? capacity : 0;
  SetCrcSeed(sink_, seed);
}

void CDeflateCodec::SetSinkFile(std::ostream* file, std::int32_t limit, std::uint32_t seed) {
  sink_ = Sink();
  sink_.mode = kBindFile;
  sink_.write = &CDeflateCodec::WriteFile;
  sink_.context = this;
  sink_.file = file;
  sink_.limit = limit;
  SetCrcSeed(sink_, seed);
}

void CDeflateCodec::SetSinkFunction(WriteFunction write, void* context, std::uint32_t seed) {
  sink_ = Sink();
  sink_.mode = kBindFunction;
  sink_.write = write;
  sink_.context = context;
  SetCrcSeed(sink_, seed);
}

std::uint32_t CDeflateCodec::GetValue(int index) const {
  switch (index) {
    case kValueLevel: return static_cast<std::uint32_t>(level_);
    case kValueFlags: return flags_;
    case kValueMethod: return static_cast<std::uint32_t>(method_);
    case kValueOutputCrc: return sink_.crc;
    case kValueInputCrc: return source_.crc;
    case kValueBytesTaken: return bytesTaken_;
    case kValueBytesDelivered: return bytesDelivered_;
    case kValueBytesPassed: return bytesPassed_;
    default: return 0;
  }
}

// ---- Built-in read and write functions ---------------------------------------

namespace {

// Cuts a request to a remaining limit (negative: none) and lowers the limit.
std::uint32_t TakeFromLimit(std::int32_t& limit, std::uint32_t size) {
  if (limit < 0) return size;
  size = std::min(size, static_cast<std::uint32_t>(limit));
  limit -= static_cast<std::int32_t>(size);
  return size;
}

}  // namespace

std::int32_t CDeflateCodec::ReadFile(void* context, void* data, std::uint32_t size) {
  CDeflateCodec& codec = *static_cast<CDeflateCodec*>(context);
  Source& source = codec.source_;
  if (size == 0) return 0;
  size = std::min(TakeFromLimit(source.limit, size), 0x7FFFFFFFu);
  if (size == 0) return 0;
  if (!source.file) return -1;
  source.file->read(static_cast<char*>(data), static_cast<std::streamsize>(size));
  const std::int32_t got = static_cast<std::int32_t>(source.file->gcount());
  if (source.file->bad()) return -1;
  // A short read at the end of the file must not leave the caller's stream
  // unusable for its next seek.
  if (!source.file->good()) source.file->clear();
  if (source.crcOn) source.crc = Crc32Update(source.crc, data, got);
  codec.bytesPassed_ += static_cast<std::uint32_t>(got);
  return got;
}

std::int32_t CDeflateCodec::ReadMemory(void* context, void* data, std::uint32_t size) {
  Source& source = static_cast<CDeflateCodec*>(context)->source_;
  if (source.position >= source.size) return 0;
  const std::uint32_t count = std::min(std::min(size, source.size - source.position), 0x7FFFFFFFu);
  std::memcpy(data, source.base + source.position, count);
  if (source.crcOn) source.crc = Crc32Update(source.crc, data, static_cast<std::int32_t>(count));
  source.position += count;
  return static_cast<std::int32_t>(count);
}

std::int32_t CDeflateCodec::WriteFile(void* context, const void* data, std::uint32_t size) {
  CDeflateCodec& codec = *static_cast<CDeflateCodec*>(context);
  Sink& sink = codec.sink_;
  if (size == 0) return 0;
  size = std::min(TakeFromLimit(sink.limit, size), 0x7FFFFFFFu);
  if (size == 0) return 0;
  if (!sink.file) return -1;
  sink.file->write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!*sink.file) return -1;
  if (sink.crcOn) sink.crc = Crc32Update(sink.crc, data, static_cast<std::int32_t>(size));
  codec.bytesPassed_ += size;
  return static_cast<std::int32_t>(size);
}

// Function sources and sinks are the caller's own: the codec keeps their CRC.
std::int32_t CDeflateCodec::ReadSource(void* data, std::uint32_t size) {
  if (!source_.read) return -1;
  const std::int32_t got = source_.read(source_.context, data, size);
  if (got > 0 && source_.mode == kBindFunction && source_.crcOn) {
    source_.crc = Crc32Update(source_.crc, data, got);
  }
  return got;
}

bool CDeflateCodec::WriteSink(const void* data, std::uint32_t size) {
  if (!sink_.write) return false;
  const std::int32_t written = sink_.write(sink_.context, data, size);
  if (written < 0 || static_cast<std::uint32_t>(written) != size) return false;
  if (sink_.mode == kBindFunction && sink_.crcOn) {
    sink_.crc = Crc32Update(sink_.crc, data, static_cast<std::int32_t>(size));
  }
  return true;
}

// ---- Failures and buffers ------------------------------------------------------

void CDeflateCodec::Fail(int kind, const char* text) {
  errorKind_ = kind;
  throw EDeflateError(kind, text);
}

void CDeflateCodec::AllocateBuffers(bool needWindow, bool needInput) {
  if (needWindow && !buffer_) {
    buffer_ = new (std::nothrow) unsigned char[kBufferSize];
    if (!buffer_) Fail(kErrorNoMemory, kTextNoMemory);
  }
  if (needInput && !inputBuffer_) {
    inputBuffer_ = new (std::nothrow) unsigned char[kInputBufferSize];
    if (!inputBuffer_) Fail(kErrorNoMemory, kTextNoMemory);
  }
}

// ---- Decoding tables ---------------------------------------------------------
//
// An entry is 32 bits: bits 0..5 how many bits it consumes, bit 6 set on a
// link to a sub-table, the end of block or an invalid code (so that one
// test sends all three off the fast loop's way), bit 7 set on a literal (or
// code-length symbol), bits 8..15 the literal or the operation, 16..31 the
// value. A literal sits where a byte store can take it straight from the
// entry. Operations: a length or distance base (the value) with 0..13
// extra bits, which the bit count includes besides the code (so that the
// fast loop drops both at once); kOpEndOfBlock; kOpInvalid; on a link the
// width of the sub-table (at most 15) indexed by the next bits, whose
// offset in the same vector is the value.

namespace {

typedef std::uint32_t Entry;

const unsigned kOpEndOfBlock = 64;
const unsigned kOpInvalid = 99;
const Entry kSpecialFlag = 0x40;  // a link, the end of block or invalid
const Entry kLiteralFlag = 0x80;
const unsigned kMaxBits = 15;
const unsigned kMaxLiteralCodes = 288;
const unsigned kMaxDistanceCodes = 32;
const unsigned kLiteralRootWidth = 11;  // every literal/length table's first level
const unsigned kDistanceRootWidth = 8;  // every distance table's first level

constexpr Entry MakeEntry(unsigned op, unsigned bits, unsigned value) {
  return bits | (op >= kOpEndOfBlock ? kSpecialFlag : 0) | op << 8 | value << 16;
}
constexpr Entry MakeLiteral(unsigned bits, unsigned literal) { return bits | kLiteralFlag | literal << 8; }
constexpr Entry MakeLink(unsigned bits, unsigned width, unsigned offset) {
  return bits | kSpecialFlag | width << 8 | offset << 16;
}
// Bit counts never exceed 28; the mask lets a shift use the entry as it is.
inline unsigned EntryBits(Entry e) { return e & 0x3F; }
inline unsigned EntryOp(Entry e) { return (e >> 8) & 0xFF; }
inline unsigned EntryLiteral(Entry e) { return (e >> 8) & 0xFF; }
inline unsigned EntryValue(Entry e) { return e >> 16; }
inline bool IsLiteral(Entry e) { return (e & kLiteralFlag) != 0; }
inline bool IsSpecial(Entry e) { return (e & kSpecialFlag) != 0; }
inline bool IsLink(Entry e) { return IsSpecial(e) && EntryOp(e) < kOpEndOfBlock; }
// Bits of a length or distance code alone, without its extra bits.
inline unsigned CodeBits(Entry e) { return EntryOp(e) < kOpEndOfBlock ? EntryBits(e) - EntryOp(e) : EntryBits(e); }
inline std::uint32_t LowMask(unsigned bits) { return (std::uint32_t(1) << bits) - 1; }

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                         33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                         1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// What a table's symbols mean.
enum TableKind { kCodeLengthTable, kLiteralTable, kDistanceTable };

// Each symbol's entry without its code's bits, which are simply added.
struct SymbolEntries {
  Entry codeLength[19];
  Entry literal[kMaxLiteralCodes];
  Entry distance[kMaxDistanceCodes];
};

constexpr SymbolEntries MakeSymbolEntries() {
  SymbolEntries entries{};
  for (unsigned symbol = 0; symbol < 19; ++symbol) entries.codeLength[symbol] = MakeLiteral(0, symbol);
  for (unsigned symbol = 0; symbol < kMaxLiteralCodes; ++symbol) {
    Entry& entry = entries.literal[symbol];
    if (symbol < 256) {
      entry = MakeLiteral(0, symbol);
    } else if (symbol == 256) {
      entry = MakeEntry(kOpEndOfBlock, 0, 0);
    } else if (symbol < 286) {
      const unsigned extra = kLengthExtra[symbol - 257];
      entry = MakeEntry(extra, extra, kLengthBase[symbol - 257]);
    } else {
      entry = MakeEntry(kOpInvalid, 0, 0);
    }
  }
  for (unsigned symbol = 0; symbol < kMaxDistanceCodes; ++symbol) {
    entries.distance[symbol] =
        symbol < 30 ? MakeEntry(kDistanceExtra[symbol], kDistanceExtra[symbol], kDistanceBase[symbol])
                    : MakeEntry(kOpInvalid, 0, 0);
  }
  return entries;
}

constexpr SymbolEntries kSymbolEntries = MakeSymbolEntries();

const Entry* SymbolEntriesOf(TableKind kind) {
  switch (kind) {
    case kCodeLengthTable: return kSymbolEntries.codeLength;
    case kLiteralTable: return kSymbolEntries.literal;
    case kDistanceTable: return kSymbolEntries.distance;
  }
  return kSymbolEntries.distance;
}

// Results of BuildTable.
enum BuildResult { kBuildComplete = 0, kBuildIncomplete = 1, kBuildOversubscribed = 2 };

// A table as the decoder uses it; width 0 means no codes at all.
struct Table {
  std::vector<Entry> entries;
  unsigned width = 0;
};

// Width of a sub-table that starts after `start` bits for a code of length
// `length`: grown while the codes still to place would fill it.
unsigned SubTableWidth(unsigned start, unsigned length, unsigned maxLength, const unsigned* remaining) {
  unsigned width = length - start;
  int left = 1 << width;
  while (start + width < maxLength) {
    left -= static_cast<int>(remaining[start + width]);
    if (left <= 0) break;
    ++width;
    left <<= 1;
  }
  return width;
}

constexpr std::array<std::uint8_t, 256> MakeReversedBytes() {
  std::array<std::uint8_t, 256> reversed{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (unsigned bit = 0; bit < 8; ++bit) reversed[byte] |= ((byte >> bit) & 1) << (7 - bit);
  }
  return reversed;
}

constexpr std::array<std::uint8_t, 256> kReversedBytes = MakeReversedBytes();

// A canonical code of `length` bits (at most 15) as the stream delivers it:
// first bit lowest. A table rather than a loop: the loop's exits are as
// irregular as the codes.
inline std::uint32_t ReversedCode(std::uint32_t code, unsigned length) {
  return (std::uint32_t(kReversedBytes[code & 0xFF]) << 8 | kReversedBytes[(code >> 8) & 0xFF]) >> (16 - length);
}

// Canonical Huffman table over lengths[0..count) (count <= 288, lengths <=
// 15) with a first level of rootWidth bits whatever the lengths, so that the
// fast loop masks with constants. Codes are placed in canonical order, so
// the codes sharing a prefix come together and one stack of open
// sub-tables suffices.
int BuildTable(const std::uint8_t* lengths, unsigned count, TableKind kind, unsigned rootWidth, Table& table) {
  // Even and odd symbols are counted apart: neighbours often share a
  // length, and a counter bumped right after itself waits for its own store.
  unsigned lengthCount[kMaxBits + 1] = {};
  unsigned oddCount[kMaxBits + 1] = {};
  for (unsigned symbol = 0; symbol + 1 < count; symbol += 2) {
    ++lengthCount[lengths[symbol]];
    ++oddCount[lengths[symbol + 1]];
  }
  if (count & 1) ++lengthCount[lengths[count - 1]];
  for (unsigned length = 0; length <= kMaxBits; ++length) lengthCount[length] += oddCount[length];
  table.width = 0;
  if (lengthCount[0] == count) return kBuildComplete;

  int left = 1;
  for (unsigned length = 1; length <= kMaxBits; ++length) {
    left = (left << 1) - static_cast<int>(lengthCount[length]);
    if (left < 0) return kBuildOversubscribed;
  }
  unsigned minLength = 1, maxLength = kMaxBits;
  while (lengthCount[minLength] == 0) ++minLength;
  while (lengthCount[maxLength] == 0) --maxLength;

  // Symbols sorted by length, then by value: the canonical order. Unused
  // symbols go behind the codes, which spares a branch per symbol.
  const unsigned codes = count - lengthCount[0];
  unsigned offset[kMaxBits + 1];
  offset[0] = codes;
  offset[1] = 0;
  for (unsigned length = 1; length < kMaxBits; ++length) offset[length + 1] = offset[length] + lengthCount[length];
  std::uint16_t sorted[kMaxLiteralCodes];
  for (unsigned symbol = 0; symbol < count; ++symbol) sorted[offset[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);

  // End of block counts as length 16 where it has no code (or the table has
  // no such symbol): then no sub-table is ever narrowed.
  const Entry* const symbolEntries = SymbolEntriesOf(kind);
  const unsigned endOfBlockLength = (kind == kLiteralTable && count > 256 && lengths[256]) ? lengths[256] : 16;

  struct Level {
    unsigned start;   // code bits consumed before this table
    unsigned width;
    unsigned offset;  // in table.entries
    std::uint32_t prefix;
  };
  Level stack[kMaxBits + 1];
  unsigned depth = 0;
  stack[0] = {0, rootWidth, 0, 0};
  // The vector only grows, so that a block reuses the previous block's
  // storage; entries are preset as invalid only where an incomplete code
  // leaves some unfilled.
  const bool complete = left == 0;
  std::size_t used = 0;
  auto addLevel = [&](unsigned width) {
    const std::size_t offset = used;
    used += std::size_t(1) << width;
    if (table.entries.size() < used) table.entries.resize(used);
    if (!complete) {
      // An unused code is known as such after its table's bits, or after
      // the longest code's where a distance table is wider than that.
      const Entry invalid = MakeEntry(kOpInvalid, std::min(width, maxLength), 0);
      std::fill(table.entries.begin() + offset, table.entries.begin() + used, invalid);
    }
    return static_cast<unsigned>(offset);
  };
  addLevel(rootWidth);

  // Codes that fit the root table fill it by doubling: the codes of each
  // length go into a table of that many bits, which is then copied behind
  // itself to serve the next length.
  Entry* const root = table.entries.data();
  std::uint32_t canonical = 0;  // the next code, as the canonical order counts
  unsigned i = 0;
  for (unsigned length = minLength; length <= rootWidth; ++length, canonical <<= 1) {
    for (unsigned n = lengthCount[length]; n > 0; --n, ++i, ++canonical) {
      root[ReversedCode(canonical, length)] = symbolEntries[sorted[i]] + length;
    }
    if (length < rootWidth) std::copy(root, root + (std::size_t(1) << length), root + (std::size_t(1) << length));
  }

  // Longer codes go into sub-tables.
  unsigned remaining[kMaxBits + 1];
  std::copy(lengthCount, lengthCount + kMaxBits + 1, remaining);
  unsigned canonicalLength = rootWidth + 1;
  for (; i < codes; ++i) {
    const unsigned symbol = sorted[i];
    const unsigned length = lengths[symbol];
    canonical <<= length - canonicalLength;
    canonicalLength = length;
    const std::uint32_t code = ReversedCode(canonical++, length);
    while (depth > 0 && (code & LowMask(stack[depth].start)) != stack[depth].prefix) --depth;
    while (length > stack[depth].start + stack[depth].width) {
      const Level& parent = stack[depth];
      const unsigned start = parent.start + parent.width;
      unsigned width = SubTableWidth(start, length, maxLength, remaining);
      if (start < endOfBlockLength && start + width > endOfBlockLength) width = endOfBlockLength - start;
      const unsigned subOffset = addLevel(width);
      const std::uint32_t index = (code >> parent.start) & LowMask(parent.width);
      table.entries[parent.offset + index] = MakeLink(parent.width, width, subOffset);
      stack[++depth] = {start, width, subOffset, code & LowMask(start)};
    }
    const Level& level = stack[depth];
    const Entry entry = symbolEntries[symbol] + (length - level.start);
    const std::uint32_t step = std::uint32_t(1) << (length - level.start);
    for (std::uint32_t index = code >> level.start; index < (std::uint32_t(1) << level.width); index += step) {
      table.entries[level.offset + index] = entry;
    }
    --remaining[length];
  }
  table.width = rootWidth;
  return left > 0 ? kBuildIncomplete : kBuildComplete;
}

// The distance table of a block that has no distance codes: any use is bad.
constexpr std::array<Entry, 1 << kDistanceRootWidth> MakeNoDistances() {
  std::array<Entry, 1 << kDistanceRootWidth> entries{};
  for (Entry& entry : entries) entry = MakeEntry(kOpInvalid, 0, 0);
  return entries;
}

constexpr std::array<Entry, 1 << kDistanceRootWidth> kNoDistances = MakeNoDistances();

}  // namespace

struct CDeflateCodec::TablePool {
  Table fixedLiterals, fixedDistances;
  bool fixedBuilt = false;
  Table literals, distances, codeLengths;
};

// ---- One decoding run ----------------------------------------------------------

namespace {

const unsigned kCopyOvershoot = 16;            // bytes a fast match copy may write past its end
const unsigned kFastInputMargin = 24;           // three word refills
const unsigned kFastOutputMargin = 2 + 258 + kCopyOvershoot;  // literals, a longest match, overshoot

// The tables of one block as the decoding loops see them; their first
// levels are kLiteralRootWidth and kDistanceRootWidth bits wide.
struct Codes {
  const Entry* literals;
  const Entry* distances;
};

inline std::uint64_t LoadLittleEndian64(const unsigned char* p) {
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  value = __builtin_bswap64(value);
#endif
  return value;
}

// The fast loops' bit reader: a local copy of the run's, so that it lives
// in registers (a byte stored through the output pointer could alias any
// member and force reloads).
struct FastBits {
  std::uint64_t bits;
  unsigned count;
  const unsigned char* input;

  // Tops the buffer up to 56..63 counted bits with one unaligned load; the
  // caller guarantees eight readable bytes. All 64 bits then hold input in
  // order: those above the count are the next bits of the last byte loaded
  // but not yet counted, so a lookup may peek at them before the next
  // refill as long as the bits consumed since leave room for it.
  //
  // Only the low six bits of count are kept exact (the real count never
  // leaves 0..63): dropping subtracts a whole entry, whose bits above its
  // bit count only disturb count's bits above those six.
  void Refill() {
    bits |= LoadLittleEndian64(input) << (count & 63);
    input += 7 - ((count >> 3) & 7);
    count |= 56;
  }
  void Drop(Entry entry) {
    bits >>= EntryBits(entry);
    count -= entry;
  }
  unsigned Count() const { return count & 63; }
  // The same steps under the names the careful reader has, for code that
  // runs on either.
  void Need(unsigned) { Refill(); }
  std::uint64_t Peek() const { return bits; }
  std::uint32_t Take(unsigned n) {
    const std::uint32_t value = static_cast<std::uint32_t>(bits) & LowMask(n);
    bits >>= n;
    count -= n;
    return value;
  }
  // Follows sub-table links from a first-level entry.
  Entry Resolve(const Entry* table, Entry entry) {
    while (IsLink(entry)) {
      Drop(entry);
      entry = table[EntryValue(entry) + (bits & LowMask(EntryOp(entry)))];
    }
    return entry;
  }
  // Base plus extra bits of a length or distance entry; code and extra bits
  // leave the buffer in one shift, the extra bits are read from the copy.
  unsigned TakeBase(Entry entry) {
    static const std::uint16_t kExtraMask[14] = {0, 1, 3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191};
    const std::uint64_t saved = bits;
    Drop(entry);
    const unsigned extra = EntryOp(entry);
    return EntryValue(entry) + (static_cast<unsigned>(saved >> (EntryBits(entry) - extra)) & kExtraMask[extra]);
  }
};

}  // namespace

struct CDeflateCodec::Run {
  explicit Run(CDeflateCodec& owner);

  // Input and bits.
  bool TopUpInput();
  unsigned NextByte();
  void LoadWord();
  void NeedBits(unsigned count);
  void NeedBitsInline(unsigned count);
  void DropBits(unsigned count);
  std::uint32_t TakeBits(unsigned count);
  unsigned RealBits() const { return bitCount - 8 * phantomBytes; }
  void AdoptBits(const FastBits& reader);
  // The run's own reader under FastBits' names.
  struct CarefulBits {
    Run& run;
    void Need(unsigned count) { run.NeedBitsInline(count); }
    std::uint64_t Peek() const { return run.bitBuffer; }
    void Drop(Entry entry) { run.DropBits(EntryBits(entry)); }
    std::uint32_t Take(unsigned count) { return run.TakeBits(count); }
  };
  [[noreturn]] void SourceEnded();
  [[noreturn]] void BadData() { codec.Fail(kErrorBadData, kTextBadData); }

  // Output.
  void MakeRoom();
  void Flush();
  void PutByte(unsigned value);
  void CopyMatchCarefully(unsigned distance, unsigned length);
  void CheckDistance(unsigned distance);

  // Blocks.
  void StoredBlock();
  Entry DecodeSymbol(const Entry* root, unsigned width);
  bool DecodeOneCarefully(const Codes& codes);
  bool DecodeFast(const Codes& codes);
  void DecodeCodes(const Codes& codes);
  void DecodeWith(const Table& literals, const Table& distances);
  void FixedBlock();
  void DynamicBlock();
  void DecodeBlocks();
  void SumOutput();
  void SaveCounters();

  CDeflateCodec& codec;
  Source& source;
  Sink& sink;

  const unsigned char* in;
  const unsigned char* inEnd;
  std::uint32_t bytesRead = 0;  // file and function sources: into the input buffer
  bool sourceDone = false;      // the source has said it has no more
  unsigned phantomBytes = 0;    // zero bytes in the bit buffer past the source's end
  std::uint64_t bitBuffer = 0;
  unsigned bitCount = 0;

  unsigned char* outBegin;  // oldest byte a distance may reach
  unsigned char* out;
  unsigned char* outEnd;
  unsigned char* flushed;   // window sinks: output before here has been written
  std::uint32_t delivered = 0;
  bool memorySink;
  const unsigned char* summed = nullptr;  // memory sinks: the CRC covers the output before here
  std::uint32_t outputCrc;
};

CDeflateCodec::Run::Run(CDeflateCodec& owner)
    : codec(owner),
      source(owner.source_),
      sink(owner.sink_),
      memorySink(owner.sink_.mode == kBindMemory),
      outputCrc(owner.sink_.crc) {
  if (source.mode == kBindMemory) {
    in = source.base;
    inEnd = source.base + source.size;
  } else {
    in = inEnd = codec.inputBuffer_;
  }
  if (memorySink) {
    outBegin = out = flushed = sink.base;
    outEnd = sink.base + sink.capacity;
    summed = out;
  } else {
    outBegin = out = flushed = codec.buffer_;
    outEnd = codec.buffer_ + kBufferSize;
  }
}

// -- Bits --

// Moves the unread input to the front of the input buffer and reads behind
// it. False when no input is left at all.
bool CDeflateCodec::Run::TopUpInput() {
  if (source.mode == kBindMemory || sourceDone) return in != inEnd;
  const std::size_t kept = static_cast<std::size_t>(inEnd - in);
  unsigned char* buffer = codec.inputBuffer_;
  std::memmove(buffer, in, kept);
  const std::int32_t got = codec.ReadSource(buffer + kept, static_cast<std::uint32_t>(kInputBufferSize - kept));
  if (got < 1) {
    sourceDone = true;
  } else {
    bytesRead += static_cast<std::uint32_t>(got);
  }
  in = buffer;
  inEnd = buffer + kept + (got > 0 ? got : 0);
  return in != inEnd;
}

unsigned CDeflateCodec::Run::NextByte() {
  if (in == inEnd && !TopUpInput()) {
    ++phantomBytes;
    return 0;
  }
  return *in++;
}

// Away from the input's end whole bytes come in by one word load, as many
// as the buffer takes, so that the bits above the count stay zero.
inline void CDeflateCodec::Run::LoadWord() {
  const unsigned bytes = (63 - bitCount) >> 3;
  bitBuffer |= (LoadLittleEndian64(in) & ((std::uint64_t(1) << (8 * bytes)) - 1)) << bitCount;
  in += bytes;
  bitCount += 8 * bytes;
}

// Takes over a fast reader's position. Bits above its count hold input not
// yet counted; the careful reader expects zeros there.
void CDeflateCodec::Run::AdoptBits(const FastBits& reader) {
  bitCount = reader.Count();
  bitBuffer = reader.bits & ((std::uint64_t(1) << bitCount) - 1);
  in = reader.input;
}

void CDeflateCodec::Run::NeedBits(unsigned count) {
  if (bitCount >= count) return;
  if (inEnd - in >= 8) return LoadWord();
  while (bitCount < count) {
    bitBuffer |= std::uint64_t(NextByte()) << bitCount;
    bitCount += 8;
  }
}

// NeedBits for a loop that wants its common case inline.
inline void CDeflateCodec::Run::NeedBitsInline(unsigned count) {
  if (bitCount >= count) return;
  if (inEnd - in >= 8) return LoadWord();
  NeedBits(count);
}

void CDeflateCodec::Run::DropBits(unsigned count) {
  bitBuffer >>= count;
  bitCount -= count;
  if (bitCount < 8 * phantomBytes) SourceEnded();
}

std::uint32_t CDeflateCodec::Run::TakeBits(unsigned count) {
  NeedBits(count);
  const std::uint32_t value = static_cast<std::uint32_t>(bitBuffer) & LowMask(count);
  DropBits(count);
  return value;
}

void CDeflateCodec::Run::SourceEnded() {
  codec.Fail(kErrorSourceEnded, source.mode == kBindMemory ? kTextMemoryEnded : kTextFileEnded);
}

// -- Output --

void CDeflateCodec::Run::Flush() {
  const std::uint32_t count = static_cast<std::uint32_t>(out - flushed);
  if (count == 0) return;
  if (!codec.WriteSink(flushed, count)) codec.Fail(kErrorWrite, kTextWriteWindow);
  flushed = out;
  delivered += count;
}

// A memory sink is full for good; a window is written out and slid so that
// the last 32 KiB stay behind the write position for matches.
void CDeflateCodec::Run::MakeRoom() {
  if (memorySink) codec.Fail(kErrorSinkFull, kTextSinkFullWindow);
  Flush();
  std::memmove(outBegin, out - kWindowSize, kWindowSize);
  out = flushed = outBegin + kWindowSize;
}

void CDeflateCodec::Run::PutByte(unsigned value) {
  if (out == outEnd) MakeRoom();
  *out++ = static_cast<unsigned char>(value);
}

void CDeflateCodec::Run::CheckDistance(unsigned distance) {
  if (distance > static_cast<std::size_t>(out - outBegin)) BadData();
}

void CDeflateCodec::Run::CopyMatchCarefully(unsigned distance, unsigned length) {
  CheckDistance(distance);
  for (; length > 0; --length) {
    if (out == outEnd) MakeRoom();
    *out = out[-static_cast<std::ptrdiff_t>(distance)];
    ++out;
  }
}

// -- Stored block --

void CDeflateCodec::Run::StoredBlock() {
  DropBits(bitCount & 7);
  const std::uint32_t length = TakeBits(16);
  const std::uint32_t check = TakeBits(16);
  if (length != (~check & 0xFFFF)) BadData();
  std::uint32_t left = length;
  for (; left > 0 && bitCount >= 8; --left) PutByte(TakeBits(8));
  while (left > 0) {
    if (in == inEnd && !TopUpInput()) SourceEnded();
    if (out == outEnd) MakeRoom();
    const std::size_t count = std::min({static_cast<std::size_t>(left), static_cast<std::size_t>(inEnd - in),
                                        static_cast<std::size_t>(outEnd - out)});
    std::memcpy(out, in, count);
    in += count;
    out += count;
    left -= static_cast<std::uint32_t>(count);
  }
}

// -- Huffman decoding, careful --

// One symbol, following links; bits beyond the source read as zeros, and an
// invalid code that reaches into them means the input ended.
Entry CDeflateCodec::Run::DecodeSymbol(const Entry* root, unsigned width) {
  const Entry* level = root;
  for (;;) {
    NeedBits(width);
    const Entry entry = level[bitBuffer & LowMask(width)];
    if (IsLiteral(entry)) {
      DropBits(EntryBits(entry));
      return entry;
    }
    if (EntryOp(entry) == kOpInvalid) {
      if (EntryBits(entry) > RealBits()) SourceEnded();
      BadData();
    }
    if (!IsLink(entry)) {
      DropBits(CodeBits(entry));
      return entry;
    }
    DropBits(EntryBits(entry));
    level = root + EntryValue(entry);
    width = EntryOp(entry);
  }
}

// One literal, match or end of block; true at the end of the block.
bool CDeflateCodec::Run::DecodeOneCarefully(const Codes& codes) {
  const Entry literal = DecodeSymbol(codes.literals, kLiteralRootWidth);
  if (IsLiteral(literal)) {
    PutByte(EntryLiteral(literal));
    return false;
  }
  const unsigned op = EntryOp(literal);
  if (op == kOpEndOfBlock) return true;
  const unsigned length = EntryValue(literal) + TakeBits(op);
  const Entry distanceEntry = DecodeSymbol(codes.distances, kDistanceRootWidth);
  const unsigned distance = EntryValue(distanceEntry) + TakeBits(EntryOp(distanceEntry));
  CopyMatchCarefully(distance, length);
  return false;
}

// -- Huffman decoding, fast --

namespace {

// The whole word is loaded before it is stored, so `from` may lie less than
// eight bytes behind `to`.
inline void CopyWord(unsigned char* to, const unsigned char* from) {
  std::uint64_t word;
  std::memcpy(&word, from, 8);
  std::memcpy(to, &word, 8);
}

// Stores the eight-byte pattern word from `out` until `end` is passed,
// sixteen bytes at a time: runs of one byte, the common long matches, are
// long enough for the wider stores to pay.
inline void FillWords(unsigned char* out, unsigned char* end, std::uint64_t pattern) {
  unsigned char block[16];
  std::memcpy(block, &pattern, 8);
  std::memcpy(block + 8, &pattern, 8);
  do {
    std::memcpy(out, block, 16);
    out += 16;
  } while (out < end);
}

// Copies a match whose whole length plus kCopyOvershoot bytes fits before
// the end of the output area; bytes past the match's end may be
// overwritten. A source at least eight bytes behind is copied a word at a
// time. Periods of 1, 2 and 4 bytes are stored as a repeated pattern word;
// the other short periods are first laid out byte by byte up to a multiple
// of themselves of at least eight, which then serves as the distance for
// whole words. Kept out of the loop: it serves the matches CopyMatchFast
// leaves over.
[[gnu::noinline]] void CopyMatchWhole(unsigned char* out, unsigned distance, unsigned length) {
  unsigned char* const end = out + length;
  const unsigned char* from = out - distance;
  if (distance >= 8) {
    do {
      CopyWord(out, from);
      out += 8;
      from += 8;
    } while (out < end);
    return;
  }
  // Multiplying a period held in the low bytes repeats it across the word,
  // whatever the byte order, as load and store use the same one.
  if (distance == 1) return FillWords(out, end, std::uint64_t(from[0]) * 0x0101010101010101u);
  if (distance == 2) {
    std::uint16_t period;
    std::memcpy(&period, from, 2);
    return FillWords(out, end, std::uint64_t(period) * 0x0001000100010001u);
  }
  if (distance == 4) {
    std::uint32_t period;
    std::memcpy(&period, from, 4);
    return FillWords(out, end, std::uint64_t(period) * 0x0000000100000001u);
  }
  static const std::uint8_t kStride[8] = {0, 8, 8, 9, 8, 10, 12, 14};
  const unsigned stride = kStride[distance];
  unsigned char* const patternEnd = out + stride;
  do *out++ = *from++; while (out < patternEnd);
  if (out >= end) return;
  from = out - stride;
  do {
    CopyWord(out, from);
    out += 8;
    from += 8;
  } while (out < end);
}

// The same for the matches of most streams, without a branch on the
// distance: the distance is known late, and a mispredicted branch on it
// would throw away the decoding done ahead meanwhile. Two words, the second
// stored `step` = min(distance, 8) bytes after the first and loaded after
// the first was stored, give 2 * step correct bytes whatever the distance;
// longer matches are left to CopyMatchWhole.
inline void CopyMatchFast(unsigned char* out, unsigned distance, unsigned length) {
  const unsigned step = distance < 8 ? distance : 8;
  const unsigned char* const from = out - distance;
  CopyWord(out, from);
  CopyWord(out + step, from + step);
  if (length > 2 * step) CopyMatchWhole(out, distance, length);
}

}  // namespace

// Runs while four words of input and a longest match of output room remain;
// true when it has decoded the end of the block. Each round starts with a
// refill (at least 56 bits counted, all 64 read) and the first-level entry
// of its first symbol already looked up, so that the lookup overlaps the
// previous round's stores. A round takes up to three first-level literals
// (at most 33 bits), or at most one and then a match: with the literal (11),
// a length code and its extra bits (15 + 5) and a first-level distance code
// and its extra bits (8 + 13) take at most 52 bits, which leaves the next
// round's first lookup its 11 of the 64. A match after two literals, and a
// distance code from a sub-table (15 + 13), have another refill first. A
// single literal before a match is common, and sparing its refill there is
// worth a few per cent.
bool CDeflateCodec::Run::DecodeFast(const Codes& codes) {
  const unsigned char* const inputEnd = inEnd;
  unsigned char* const outputEnd = outEnd;
  if (inputEnd - in < static_cast<std::ptrdiff_t>(kFastInputMargin) ||
      outputEnd - out < static_cast<std::ptrdiff_t>(kFastOutputMargin)) {
    return false;
  }
  const unsigned char* const inputLimit = inputEnd - kFastInputMargin;
  const unsigned char* const outputLimit = outputEnd - kFastOutputMargin;
  const Entry* const literals = codes.literals;
  const Entry* const distances = codes.distances;
  const std::uint64_t literalMask = LowMask(kLiteralRootWidth);
  const std::uint64_t distanceMask = LowMask(kDistanceRootWidth);
  FastBits reader{bitBuffer, bitCount, in};
  unsigned char* output = out;
  unsigned char* const outputBegin = outBegin;
  bool endOfBlock = false;
  bool bad = false;
  reader.Refill();
  Entry entry = literals[reader.bits & literalMask];
  do {
    reader.Refill();
    if (IsLiteral(entry)) {
      reader.Drop(entry);
      unsigned char literal = static_cast<unsigned char>(EntryLiteral(entry));
      entry = literals[reader.bits & literalMask];
      *output++ = literal;
      if (IsLiteral(entry)) {
        reader.Drop(entry);
        literal = static_cast<unsigned char>(EntryLiteral(entry));
        entry = literals[reader.bits & literalMask];
        *output++ = literal;
        if (IsLiteral(entry)) {
          reader.Drop(entry);
          literal = static_cast<unsigned char>(EntryLiteral(entry));
          entry = literals[reader.bits & literalMask];
          *output++ = literal;
          continue;
        }
        reader.Refill();  // room for a whole length/distance pair again
      }
    }
    if (IsSpecial(entry)) {
      entry = reader.Resolve(literals, entry);
      if (IsLiteral(entry)) {  // from a sub-table
        reader.Drop(entry);
        *output++ = static_cast<unsigned char>(EntryLiteral(entry));
        entry = literals[reader.bits & literalMask];
        continue;
      }
      if (IsSpecial(entry)) {  // not a length
        if (EntryOp(entry) == kOpEndOfBlock) {
          reader.Drop(entry);
          endOfBlock = true;
        } else {
          bad = true;
        }
        break;
      }
    }
    const unsigned length = reader.TakeBase(entry);
    Entry distanceEntry = distances[reader.bits & distanceMask];
    if (IsSpecial(distanceEntry)) {
      reader.Refill();  // room for the longest distance code and the next lookup
      distanceEntry = reader.Resolve(distances, distanceEntry);
      if (IsSpecial(distanceEntry)) {
        bad = true;
        break;
      }
    }
    const unsigned distance = reader.TakeBase(distanceEntry);
    if (distance > static_cast<std::size_t>(output - outputBegin)) {
      bad = true;
      break;
    }
    entry = literals[reader.bits & literalMask];
    CopyMatchFast(output, distance, length);
    output += length;
  } while (reader.input <= inputLimit && output <= outputLimit);
  AdoptBits(reader);
  out = output;
  if (bad) BadData();
  return endOfBlock;
}

void CDeflateCodec::Run::DecodeCodes(const Codes& codes) {
  for (;;) {
    if (phantomBytes == 0 && (inEnd - in >= static_cast<std::ptrdiff_t>(kFastInputMargin) || TopUpInput())) {
      if (!memorySink && outEnd - out < static_cast<std::ptrdiff_t>(kFastOutputMargin)) MakeRoom();
      if (DecodeFast(codes)) return;
    }
    if (DecodeOneCarefully(codes)) return;
  }
}

// -- Table construction per block --

void CDeflateCodec::Run::DecodeWith(const Table& literals, const Table& distances) {
  Codes codes;
  codes.literals = literals.entries.data();
  codes.distances = distances.width == 0 ? kNoDistances.data() : distances.entries.data();
  DecodeCodes(codes);
}

// -- Fixed block --

void CDeflateCodec::Run::FixedBlock() {
  TablePool& tables = *codec.tables_;
  if (!tables.fixedBuilt) {
    std::uint8_t lengths[kMaxLiteralCodes];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    if (BuildTable(lengths, 288, kLiteralTable, kLiteralRootWidth, tables.fixedLiterals) != kBuildComplete) BadData();
    std::fill(lengths, lengths + 30, 5);
    if (BuildTable(lengths, 30, kDistanceTable, kDistanceRootWidth, tables.fixedDistances) == kBuildOversubscribed) {
      BadData();
    }
    tables.fixedBuilt = true;
  }
  DecodeWith(tables.fixedLiterals, tables.fixedDistances);
}

// -- Dynamic block --

namespace {

// Each code-length symbol, with the bits of its longest repeat, takes at
// most 7 + 7 bits.
const unsigned kCodeLengthRoundBits = 7 + 7;
const unsigned kCodeLengthInputMargin = (kMaxLiteralCodes + kMaxDistanceCodes) * kCodeLengthRoundBits / 8 + 16;

// Reads a block's literal and distance code lengths through either bit
// reader; false when a repeat runs past their end.
template <typename Bits>
bool ReadCodeLengths(Bits& bits, const Entry* table, std::uint32_t mask, std::uint8_t* lengths, unsigned total) {
  unsigned previous = 0;
  for (unsigned index = 0; index < total;) {
    bits.Need(kCodeLengthRoundBits);
    const Entry entry = table[bits.Peek() & mask];
    bits.Drop(entry);
    const unsigned symbol = EntryLiteral(entry);
    if (symbol < 16) {
      lengths[index++] = static_cast<std::uint8_t>(symbol);
      previous = symbol;
      continue;
    }
    unsigned repeat, value = 0;
    if (symbol == 16) {
      repeat = 3 + bits.Take(2);
      value = previous;
    } else if (symbol == 17) {
      repeat = 3 + bits.Take(3);
      previous = 0;
    } else {
      repeat = 11 + bits.Take(7);
      previous = 0;
    }
    if (index + repeat > total) return false;
    std::fill(lengths + index, lengths + index + repeat, static_cast<std::uint8_t>(value));
    index += repeat;
  }
  return true;
}

}  // namespace

void CDeflateCodec::Run::DynamicBlock() {
  static const std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  TablePool& tables = *codec.tables_;
  const unsigned literalCount = TakeBits(5) + 257;
  const unsigned distanceCount = TakeBits(5) + 1;
  const unsigned codeLengthCount = TakeBits(4) + 4;
  // RFC 1951 allows 286; 287 is tolerated (symbols 286 and 287 stay
  // invalid), 288 is not.
  if (literalCount > kMaxLiteralCodes - 1) BadData();

  std::uint8_t lengths[kMaxLiteralCodes + kMaxDistanceCodes] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) lengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(TakeBits(3));
  if (BuildTable(lengths, 19, kCodeLengthTable, 7, tables.codeLengths) != kBuildComplete ||
      tables.codeLengths.width == 0) {
    BadData();
  }

  // A complete code of at most seven bits: one lookup in a table without
  // links or invalid entries gives each symbol. Where even the longest
  // header surely lies in the input, the bits stay in registers.
  const Entry* const codeLengths = tables.codeLengths.entries.data();
  const std::uint32_t codeLengthMask = LowMask(tables.codeLengths.width);
  const unsigned total = literalCount + distanceCount;
  bool read;
  if (phantomBytes == 0 && inEnd - in >= static_cast<std::ptrdiff_t>(kCodeLengthInputMargin)) {
    FastBits reader{bitBuffer, bitCount, in};
    read = ReadCodeLengths(reader, codeLengths, codeLengthMask, lengths, total);
    AdoptBits(reader);
  } else {
    CarefulBits reader{*this};
    read = ReadCodeLengths(reader, codeLengths, codeLengthMask, lengths, total);
  }
  if (!read) BadData();

  if (BuildTable(lengths, literalCount, kLiteralTable, kLiteralRootWidth, tables.literals) != kBuildComplete ||
      tables.literals.width == 0) {
    BadData();
  }
  const int distanceResult =
      BuildTable(lengths + literalCount, distanceCount, kDistanceTable, kDistanceRootWidth, tables.distances);
  if (distanceResult == kBuildOversubscribed || (tables.distances.width == 0 && literalCount > 257)) BadData();
  DecodeWith(tables.literals, tables.distances);
}

// -- Blocks --

void CDeflateCodec::Run::DecodeBlocks() {
  bool last;
  do {
    last = TakeBits(1) != 0;
    switch (TakeBits(2)) {
      case 0: StoredBlock(); break;
      case 1: FixedBlock(); break;
      case 2: DynamicBlock(); break;
      default: BadData();
    }
    SumOutput();
  } while (!last);
  if (!memorySink) Flush();
}

// A memory sink's CRC is taken block by block, while the block's output is
// still in the cache: over a whole tile at the end it would wait on memory.
// Window sinks take theirs as they write.
void CDeflateCodec::Run::SumOutput() {
  if (!memorySink || !sink.crcOn) return;
  outputCrc = CrcOfBlock(outputCrc, summed, static_cast<std::uint32_t>(out - summed));
  summed = out;
}

// Counters and positions as they stand, also after a failure. Whole bytes
// still unread in the bit buffer go back to the source's count.
void CDeflateCodec::Run::SaveCounters() {
  const std::uint32_t unread = bitCount >= 8 * phantomBytes ? (bitCount - 8 * phantomBytes) / 8 : 0;
  std::uint32_t advanced;
  if (source.mode == kBindMemory) {
    advanced = static_cast<std::uint32_t>(in - source.base);
    source.position = advanced - unread;
  } else {
    advanced = bytesRead - static_cast<std::uint32_t>(inEnd - in);
  }
  codec.bytesTaken_ = advanced - unread;
  if (memorySink) {
    delivered = static_cast<std::uint32_t>(out - outBegin);
    sink.position = delivered;
  }
  codec.bytesDelivered_ = delivered;
}

// ---- Entry points --------------------------------------------------------------

std::uint32_t CDeflateCodec::DecodeDeflate() {
  AllocateBuffers(sink_.mode != kBindMemory, source_.mode != kBindMemory);
  if (!tables_) {
    tables_ = new (std::nothrow) TablePool;
    if (!tables_) Fail(kErrorNoMemory, kTextNoMemory);
  }
  Run run(*this);
  try {
    run.DecodeBlocks();
  } catch (...) {
    run.SaveCounters();
    throw;
  }
  run.SaveCounters();
  if (source_.mode == kBindMemory && source_.crcOn) {
    source_.crc = CrcOfBlock(source_.crc, source_.base, bytesTaken_);
  }
  if (sink_.mode == kBindMemory && sink_.crcOn) sink_.crc = run.outputCrc;
  return bytesDelivered_;
}

std::uint32_t CDeflateCodec::DecodeStored() {
  AllocateBuffers(true, false);
  for (;;) {
    const std::int32_t got = ReadSource(buffer_, kBufferSize);
    if (got < 0) Fail(kErrorRead, kTextRead);
    if (got == 0) break;
    const std::uint32_t count = static_cast<std::uint32_t>(got);
    bytesTaken_ += count;
    if (sink_.mode != kBindMemory) {
      if (!WriteSink(buffer_, count)) Fail(kErrorWrite, kTextWriteStored);
    } else {
      if (count > sink_.capacity - sink_.position) {
        sink_.position = sink_.capacity;
        Fail(kErrorSinkFull, kTextSinkFullStored);
      }
      std::memcpy(sink_.base + sink_.position, buffer_, count);
      sink_.position += count;
    }
    bytesDelivered_ += count;
  }
  ReleaseBuffers();
  if (sink_.mode == kBindMemory && sink_.crcOn) sink_.crc = CrcOfBlock(sink_.crc, sink_.base, bytesDelivered_);
  return bytesDelivered_;
}

std::uint32_t CDeflateCodec::Decode(int method) {
  errorKind_ = kErrorNone;
  if (method == kMethodAsSet) method = method_;
  bytesTaken_ = bytesDelivered_ = bytesPassed_ = 0;
  source_.position = 0;
  source_.crc = source_.seed;
  sink_.position = 0;
  sink_.crc = sink_.seed;
  if (method != kMethodStored && method != kMethodDeflate) Fail(kErrorMethod, kTextMethod);
  try {
    return method == kMethodStored ? DecodeStored() : DecodeDeflate();
  } catch (const std::bad_alloc&) {
    Fail(kErrorNoMemory, kTextNoMemory);
  }
}

void CDeflateCodec::ReleaseBuffers() {
  delete[] buffer_;
  buffer_ = nullptr;
  delete[] inputBuffer_;
  inputBuffer_ = nullptr;
  delete tables_;
  tables_ = nullptr;
}
