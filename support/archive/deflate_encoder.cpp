// Deflate compressor in the classic form: LZ77 over a 32 KiB window with
// hash chains and one step of lazy matching, then per block the cheapest of
// a dynamic Huffman block, a fixed Huffman block or stored blocks.
//
// Why it is fast enough: input collects in a buffer of about 1 MiB and is
// parsed in one tight pass per buffer (no per-byte checks for more input);
// matches are compared eight bytes at a time; a block's symbols are kept as
// 32-bit words and written with a 64-bit bit buffer. The search gives up
// early where little is to be won, with the usual limits: a 128-step chain,
// a quarter of it once a match of 8 is in hand, no second look past 16, and
// any match of 128 is taken at once; the inside of a long match is mostly
// left out of the chains.
//
// The file follows the stream: format tables, Adler-32, Huffman code
// construction, block writing (stored, coded, the block's end), matching,
// and the streaming entry points.
#include "support/archive/deflate_encoder.h"

#include <algorithm>
#include <cstring>

namespace {

// ---- The format ----

const int kWindowSize = 32768;
const int kWindowMask = kWindowSize - 1;
const int kMaxDistance = kWindowSize - 1;  // see InsertAndFindMatch
const int kMinMatch = 3;
const int kMaxMatch = 258;
const int kMaxStoredLength = 65535;
const int kEndOfBlock = 256;
const int kLiteralCodes = 286;
const int kFixedLiteralCodes = 288;
const int kDistanceCodes = 30;
const int kCodeLengthCodes = 19;
const int kMaxCodeBits = 15;
const int kMaxCodeLengthBits = 7;

// Order in which the code-length code's lengths are sent.
const std::uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                         11, 4,  12, 3, 13, 2, 14, 1, 15};

// Length codes 257..285 and distance codes 0..29 with their extra bits and
// bases, built from the rule the format states: each group of four codes
// has one more extra bit than the last; length 258 has a code of its own.
struct FormatTables {
  std::uint8_t lengthExtra[29];
  std::uint16_t lengthBase[29];
  std::uint8_t lengthCode[kMaxMatch + 1];  // length -> code - 257
  std::uint8_t distanceExtra[kDistanceCodes];
  std::uint16_t distanceBase[kDistanceCodes];
};

constexpr FormatTables MakeFormatTables() {
  FormatTables t{};
  int base = kMinMatch;
  for (int k = 0; k < 28; ++k) {
    t.lengthExtra[k] = std::uint8_t(k < 8 ? 0 : k / 4 - 1);
    t.lengthBase[k] = std::uint16_t(base);
    for (int i = 0; i < (1 << t.lengthExtra[k]) && base + i < kMaxMatch; ++i) t.lengthCode[base + i] = std::uint8_t(k);
    base += 1 << t.lengthExtra[k];
  }
  t.lengthExtra[28] = 0;
  t.lengthBase[28] = kMaxMatch;
  t.lengthCode[kMaxMatch] = 28;
  for (int c = 0; c < kDistanceCodes; ++c) {
    t.distanceExtra[c] = std::uint8_t(c < 4 ? 0 : c / 2 - 1);
    t.distanceBase[c] = std::uint16_t(c < 4 ? c + 1 : ((2 | (c & 1)) << (c / 2 - 1)) + 1);
  }
  return t;
}

constexpr FormatTables kFormat = MakeFormatTables();

inline int DistanceCode(int distance) {
  const unsigned d = unsigned(distance - 1);
  if (d < 4) return int(d);
  const int top = 31 - __builtin_clz(d);
  return 2 * top + int((d >> (top - 1)) & 1);
}

// ---- The matcher's settings ----

const int kHashBits = 15;
const int kHashSize = 1 << kHashBits;
const std::int32_t kNoPosition = -kWindowSize;  // older than any reachable position
const int kMaxChain = 128;
const int kGoodLength = 8;     // a match this long: search a quarter of the chain for a better one
const int kLazyLength = 16;    // a match this long is taken without looking one byte ahead
const int kNiceLength = 128;   // a match this long ends the search
const int kFarThreeMatch = 4096;  // a 3-byte match further back costs more than its literals
// The positions inside a match go into the chains, except that of a match
// longer than kFullInsertLength only the last kTailInsertLength do: long
// matches come from long runs (a picture's blank rows), where any position
// serves as well as the next, and inserting them all took a third of the
// time on charts.
const int kFullInsertLength = 64;
const int kTailInsertLength = 16;

// Input buffer: the window, the bytes to parse, and the lookahead the last
// of them needs (a match at the next byte), plus slack for 8-byte loads.
const int kBufferSize = 1 << 20;
const int kLookahead = kMaxMatch + 1;
const int kLoadSlack = 8;
const int kMaxBlockSymbols = 1 << 15;  // a block ends after this many, to follow the data's mix

inline std::uint32_t Load32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
inline std::uint64_t Load64(const std::uint8_t* p) { return Load32(p) | std::uint64_t(Load32(p + 4)) << 32; }

inline std::uint32_t Hash3(const std::uint8_t* p) {
  return ((Load32(p) & 0xFFFFFF) * 0x9E3779B1u) >> (32 - kHashBits);
}

// Length of the common start of a and b, at most limit; reads up to 7
// bytes past the limit.
inline int MatchLength(const std::uint8_t* a, const std::uint8_t* b, int limit) {
  for (int length = 0; length < limit; length += 8) {
    const std::uint64_t difference = Load64(a + length) ^ Load64(b + length);
    if (difference != 0) return std::min(limit, length + (__builtin_ctzll(difference) >> 3));
  }
  return limit;
}

}  // namespace

// ---- Adler-32 ----

std::uint32_t Adler32Update(std::uint32_t adler, const void* data, std::size_t length) {
  const std::uint32_t kModulus = 65521;
  // The most bytes the two sums can take in 32 bits before a reduction.
  const std::size_t kRun = 5552;
  const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (length > 0) {
    std::size_t n = std::min(length, kRun);
    length -= n;
    for (; n >= 8; n -= 8, p += 8) {
      a += p[0]; b += a; a += p[1]; b += a; a += p[2]; b += a; a += p[3]; b += a;
      a += p[4]; b += a; a += p[5]; b += a; a += p[6]; b += a; a += p[7]; b += a;
    }
    for (; n > 0; --n) {
      a += *p++;
      b += a;
    }
    a %= kModulus;
    b %= kModulus;
  }
  return b << 16 | a;
}

// ---- Huffman codes ----

// A plain Huffman tree is built first; where it is too deep, pairs of the
// deepest leaves move up and a shallower leaf splits to make room, which
// keeps the code complete. The least frequent symbols get the longest
// codes.
void DeflateCodeLengths(const std::uint32_t* frequency, int count, int limit, std::uint8_t* lengths) {
  int symbols[kFixedLiteralCodes];
  int used = 0;
  for (int s = 0; s < count; ++s) {
    lengths[s] = 0;
    if (frequency[s] != 0) symbols[used++] = s;
  }
  if (used < 2) {
    const int first = used == 1 ? symbols[0] : 0;
    lengths[first] = 1;
    lengths[first == 0 ? 1 : 0] = 1;
    return;
  }
  std::sort(symbols, symbols + used, [frequency](int a, int b) {
    return frequency[a] != frequency[b] ? frequency[a] < frequency[b] : a < b;
  });

  // Two queues: the sorted leaves, and the inner nodes in order of making
  // (their weights never decrease).
  std::uint32_t nodeWeight[kFixedLiteralCodes];
  int nodeParent[kFixedLiteralCodes], leafParent[kFixedLiteralCodes];
  int leaf = 0, inner = 0;
  for (int node = 0; node < used - 1; ++node) {
    std::uint32_t weight = 0;
    for (int child = 0; child < 2; ++child) {
      if (leaf < used && (inner == node || frequency[symbols[leaf]] <= nodeWeight[inner])) {
        weight += frequency[symbols[leaf]];
        leafParent[leaf++] = node;
      } else {
        weight += nodeWeight[inner];
        nodeParent[inner++] = node;
      }
    }
    nodeWeight[node] = weight;
  }

  int nodeDepth[kFixedLiteralCodes];
  int lengthCount[kFixedLiteralCodes + 1] = {};
  nodeDepth[used - 2] = 0;
  for (int node = used - 3; node >= 0; --node) nodeDepth[node] = nodeDepth[nodeParent[node]] + 1;
  int deepest = 0;
  for (int i = 0; i < used; ++i) {
    const int depth = nodeDepth[leafParent[i]] + 1;
    ++lengthCount[depth];
    deepest = std::max(deepest, depth);
  }

  for (int depth = deepest; depth > limit; --depth) {
    while (lengthCount[depth] > 0) {
      int shallower = depth - 2;
      while (lengthCount[shallower] == 0) --shallower;
      lengthCount[depth] -= 2;
      lengthCount[depth - 1] += 1;
      lengthCount[shallower + 1] += 2;
      lengthCount[shallower] -= 1;
    }
  }

  int next = 0;
  for (int length = std::min(deepest, limit); length >= 1; --length)
    for (int k = 0; k < lengthCount[length]; ++k) lengths[symbols[next++]] = std::uint8_t(length);
}

namespace {

// Canonical codes for the lengths, bit-reversed, since deflate sends
// Huffman codes starting with their first bit in the lowest position.
void AssignCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
  int lengthCount[kMaxCodeBits + 1] = {};
  for (int s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  lengthCount[0] = 0;
  int nextCode[kMaxCodeBits + 1] = {};
  for (int bits = 1, code = 0; bits <= kMaxCodeBits; ++bits) {
    code = (code + lengthCount[bits - 1]) << 1;
    nextCode[bits] = code;
  }
  for (int s = 0; s < count; ++s) {
    const int length = lengths[s];
    if (length == 0) continue;
    unsigned code = unsigned(nextCode[length]++), reversed = 0;
    for (int i = 0; i < length; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
    codes[s] = std::uint16_t(reversed);
  }
}

}  // namespace

// The codes of one block, and for a dynamic block how its header sends them.
struct BlockCodes {
  std::uint8_t literalLength[kFixedLiteralCodes] = {};
  std::uint16_t literalCode[kFixedLiteralCodes] = {};
  std::uint8_t distanceLength[kDistanceCodes] = {};
  std::uint16_t distanceCode[kDistanceCodes] = {};

  // Dynamic header: counts, the code-length code, and the run-length coded
  // lengths (symbol 0..18 in the low byte, its extra bits above).
  int literalCount = 0, distanceCount = 0, codeLengthCount = 0;
  std::uint8_t codeLengthLength[kCodeLengthCodes] = {};
  std::uint16_t codeLengthCode[kCodeLengthCodes] = {};
  std::uint16_t runs[kLiteralCodes + kDistanceCodes] = {};
  int runCount = 0;
  std::uint64_t headerBits = 0;

  void MakeFixed() {
    for (int s = 0; s < kFixedLiteralCodes; ++s) literalLength[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    for (int c = 0; c < kDistanceCodes; ++c) distanceLength[c] = 5;
    AssignCodes(literalLength, kFixedLiteralCodes, literalCode);
    AssignCodes(distanceLength, kDistanceCodes, distanceCode);
  }

  void MakeDynamic(const std::uint32_t* literalFrequency, const std::uint32_t* distanceFrequency) {
    DeflateCodeLengths(literalFrequency, kLiteralCodes, kMaxCodeBits, literalLength);
    DeflateCodeLengths(distanceFrequency, kDistanceCodes, kMaxCodeBits, distanceLength);
    AssignCodes(literalLength, kLiteralCodes, literalCode);
    AssignCodes(distanceLength, kDistanceCodes, distanceCode);
    literalCount = kLiteralCodes;
    while (literalCount > 257 && literalLength[literalCount - 1] == 0) --literalCount;
    distanceCount = kDistanceCodes;
    while (distanceCount > 1 && distanceLength[distanceCount - 1] == 0) --distanceCount;

    // Both length lists form one sequence, so a run may cross from one to
    // the other.
    std::uint8_t all[kLiteralCodes + kDistanceCodes];
    std::memcpy(all, literalLength, literalCount);
    std::memcpy(all + literalCount, distanceLength, distanceCount);
    const int total = literalCount + distanceCount;
    std::uint32_t frequency[kCodeLengthCodes] = {};
    runCount = 0;
    auto add = [&](int symbol, int extra) {
      runs[runCount++] = std::uint16_t(symbol | extra << 8);
      ++frequency[symbol];
    };
    for (int i = 0; i < total;) {
      const int value = all[i];
      int run = 1;
      while (i + run < total && all[i + run] == value) ++run;
      i += run;
      if (value == 0) {
        for (; run >= 11; run -= std::min(run, 138)) add(18, std::min(run, 138) - 11);
        if (run >= 3) add(17, run - 3), run = 0;
      } else {
        add(value, 0);
        --run;
        for (; run >= 3; run -= std::min(run, 6)) add(16, std::min(run, 6) - 3);
      }
      for (; run > 0; --run) add(value, 0);
    }
    DeflateCodeLengths(frequency, kCodeLengthCodes, kMaxCodeLengthBits, codeLengthLength);
    AssignCodes(codeLengthLength, kCodeLengthCodes, codeLengthCode);
    codeLengthCount = kCodeLengthCodes;
    while (codeLengthCount > 4 && codeLengthLength[kCodeLengthOrder[codeLengthCount - 1]] == 0) --codeLengthCount;

    static const int kRunExtraBits[3] = {2, 3, 7};
    headerBits = 5 + 5 + 4 + 3 * codeLengthCount;
    for (int s = 0; s < kCodeLengthCodes; ++s)
      headerBits += std::uint64_t(frequency[s]) * (codeLengthLength[s] + (s >= 16 ? kRunExtraBits[s - 16] : 0));
  }

  // Bits of the block's symbols under these codes, without extra bits.
  std::uint64_t SymbolBits(const std::uint32_t* literalFrequency, const std::uint32_t* distanceFrequency) const {
    std::uint64_t bits = 0;
    for (int s = 0; s < kLiteralCodes; ++s) bits += std::uint64_t(literalFrequency[s]) * literalLength[s];
    for (int c = 0; c < kDistanceCodes; ++c) bits += std::uint64_t(distanceFrequency[c]) * distanceLength[c];
    return bits;
  }
};

namespace {

const BlockCodes& FixedCodes() {
  static const BlockCodes codes = [] {
    BlockCodes fixed;
    fixed.MakeFixed();
    return fixed;
  }();
  return codes;
}

// Output bits gathered in a 64-bit buffer and stored four bytes at a time;
// the caller makes room for them first.
struct BitWriter {
  std::uint64_t bits;
  int count;
  std::uint8_t* out;

  // count + n stays below 64: count is below 32 and n at most 32.
  void Put(std::uint32_t value, int n) {
    bits |= std::uint64_t(value) << count;
    count += n;
    if (count >= 32) {
      const std::uint32_t word = std::uint32_t(bits);
      out[0] = std::uint8_t(word);
      out[1] = std::uint8_t(word >> 8);
      out[2] = std::uint8_t(word >> 16);
      out[3] = std::uint8_t(word >> 24);
      out += 4;
      bits >>= 32;
      count -= 32;
    }
  }
};

}  // namespace

// ---- Blocks ----

void CDeflateEncoder::EnsureOutputRoom(std::size_t bytes) {
  const std::size_t needed = outputSize_ + bytes + 8;
  if (output_.size() < needed) output_.resize(std::max(needed, 2 * output_.size()));
}

void CDeflateEncoder::PutBits(std::uint32_t bits, int count) {
  EnsureOutputRoom(8);
  BitWriter writer{bitBuffer_, bitCount_, output_.data() + outputSize_};
  writer.Put(bits, count);
  bitBuffer_ = writer.bits;
  bitCount_ = writer.count;
  outputSize_ = std::size_t(writer.out - output_.data());
}

void CDeflateEncoder::AlignToByte() {
  EnsureOutputRoom(8);
  for (; bitCount_ > 0; bitCount_ -= 8, bitBuffer_ >>= 8) output_[outputSize_++] = std::uint8_t(bitBuffer_);
  bitCount_ = 0;
  bitBuffer_ = 0;
}

void CDeflateEncoder::WriteStoredBlocks(bool final) {
  int start = blockStart_;
  const int end = position_;
  do {
    const int length = std::min(end - start, kMaxStoredLength);
    PutBits((final && start + length == end) ? 1 : 0, 3);
    AlignToByte();
    EnsureOutputRoom(4 + std::size_t(length));
    std::uint8_t* out = output_.data() + outputSize_;
    out[0] = std::uint8_t(length);
    out[1] = std::uint8_t(length >> 8);
    out[2] = std::uint8_t(~length);
    out[3] = std::uint8_t(~length >> 8);
    std::memcpy(out + 4, buffer_.data() + start, std::size_t(length));
    outputSize_ += 4 + std::size_t(length);
    start += length;
  } while (start < end);
}

void CDeflateEncoder::WriteCodedBlock(bool final, bool dynamic, const BlockCodes& codes) {
  PutBits((final ? 1 : 0) | (dynamic ? 2 : 1) << 1, 3);
  if (dynamic) {
    PutBits(std::uint32_t(codes.literalCount - 257), 5);
    PutBits(std::uint32_t(codes.distanceCount - 1), 5);
    PutBits(std::uint32_t(codes.codeLengthCount - 4), 4);
    for (int i = 0; i < codes.codeLengthCount; ++i) PutBits(codes.codeLengthLength[kCodeLengthOrder[i]], 3);
    static const int kRunExtraBits[3] = {2, 3, 7};
    for (int i = 0; i < codes.runCount; ++i) {
      const int symbol = codes.runs[i] & 0xFF, extra = codes.runs[i] >> 8;
      PutBits(codes.codeLengthCode[symbol], codes.codeLengthLength[symbol]);
      if (symbol >= 16) PutBits(std::uint32_t(extra), kRunExtraBits[symbol - 16]);
    }
  }

  // At most 15 + 5 + 15 + 13 bits a symbol.
  EnsureOutputRoom(std::size_t(symbolCount_) * 6 + 8);
  BitWriter writer{bitBuffer_, bitCount_, output_.data() + outputSize_};
  const std::uint32_t* symbols = symbols_.data();
  for (int i = 0; i < symbolCount_; ++i) {
    const std::uint32_t symbol = symbols[i];
    if (symbol < 256) {
      writer.Put(codes.literalCode[symbol], codes.literalLength[symbol]);
      continue;
    }
    const int length = int(symbol & 511), distance = int(symbol >> 9);
    const int lengthCode = kFormat.lengthCode[length];
    const int literal = 257 + lengthCode;
    const int lengthExtra = kFormat.lengthExtra[lengthCode];
    writer.Put(codes.literalCode[literal] | std::uint32_t(length - kFormat.lengthBase[lengthCode])
                                               << codes.literalLength[literal],
               codes.literalLength[literal] + lengthExtra);
    const int distanceCode = DistanceCode(distance);
    writer.Put(codes.distanceCode[distanceCode] | std::uint32_t(distance - kFormat.distanceBase[distanceCode])
                                                      << codes.distanceLength[distanceCode],
               codes.distanceLength[distanceCode] + kFormat.distanceExtra[distanceCode]);
  }
  writer.Put(codes.literalCode[kEndOfBlock], codes.literalLength[kEndOfBlock]);
  bitBuffer_ = writer.bits;
  bitCount_ = writer.count;
  outputSize_ = std::size_t(writer.out - output_.data());
}

// Ends the open block in the cheapest of the three forms.
void CDeflateEncoder::EndBlock(bool final) {
  literalFrequency_[kEndOfBlock] = 1;
  BlockCodes dynamic;
  dynamic.MakeDynamic(literalFrequency_, distanceFrequency_);
  std::uint64_t extraBits = 0;
  for (int k = 0; k < 29; ++k) extraBits += std::uint64_t(literalFrequency_[257 + k]) * kFormat.lengthExtra[k];
  for (int c = 0; c < kDistanceCodes; ++c) extraBits += std::uint64_t(distanceFrequency_[c]) * kFormat.distanceExtra[c];
  const std::uint64_t dynamicBits =
      3 + dynamic.headerBits + dynamic.SymbolBits(literalFrequency_, distanceFrequency_) + extraBits;
  const std::uint64_t fixedBits = 3 + FixedCodes().SymbolBits(literalFrequency_, distanceFrequency_) + extraBits;

  const std::uint64_t storedLength = std::uint64_t(position_ - blockStart_);
  const std::uint64_t pieces = std::max<std::uint64_t>(1, (storedLength + kMaxStoredLength - 1) / kMaxStoredLength);
  const std::uint64_t firstPad = (8 - (bitCount_ + 3) % 8) % 8;
  const std::uint64_t storedBits = pieces * (3 + 32) + firstPad + (pieces - 1) * 5 + 8 * storedLength;

  if (storedBits < std::min(dynamicBits, fixedBits)) {
    WriteStoredBlocks(final);
  } else if (fixedBits < dynamicBits) {
    WriteCodedBlock(final, false, FixedCodes());
  } else {
    WriteCodedBlock(final, true, dynamic);
  }
  std::fill(std::begin(literalFrequency_), std::end(literalFrequency_), 0);
  std::fill(std::begin(distanceFrequency_), std::end(distanceFrequency_), 0);
  symbolCount_ = 0;
  blockStart_ = position_;
}

// ---- Matching ----

void CDeflateEncoder::InsertPosition(int position) {
  const std::uint32_t hash = Hash3(buffer_.data() + position);
  previous_[std::size_t(position & kWindowMask)] = head_[hash];
  head_[hash] = position;
}

// Inserts position into its hash chain and searches the chain for the
// longest match longer than longerThan; length 0 when there is none. The
// distance stays below the window size: the chain entry of a position a
// full window back has already been reused by the position itself.
CDeflateEncoder::Match CDeflateEncoder::InsertAndFindMatch(int position, int longerThan, int chainLength) {
  const std::uint8_t* base = buffer_.data();
  const std::uint32_t hash = Hash3(base + position);
  std::int32_t candidate = head_[hash];
  previous_[std::size_t(position & kWindowMask)] = candidate;
  head_[hash] = position;

  const int limit = std::min(kMaxMatch, filled_ - position);
  if (limit <= longerThan) return {0, 0};
  const std::uint8_t* scan = base + position;
  const std::int32_t oldest = position - kMaxDistance;
  int bestLength = longerThan, bestDistance = 0;
  for (; candidate >= oldest && chainLength > 0; --chainLength) {
    const std::uint8_t* match = base + candidate;
    if (match[bestLength] == scan[bestLength] && match[0] == scan[0] && match[1] == scan[1]) {
      const int length = MatchLength(match, scan, limit);
      if (length > bestLength) {
        bestLength = length;
        bestDistance = position - candidate;
        if (length >= kNiceLength || length == limit) break;
      }
    }
    candidate = previous_[std::size_t(candidate & kWindowMask)];
  }
  if (bestDistance == 0 || (bestLength == kMinMatch && bestDistance > kFarThreeMatch)) return {0, 0};
  return {bestLength, bestDistance};
}

inline void CDeflateEncoder::RecordLiteral(std::uint8_t byte) {
  symbols_[std::size_t(symbolCount_++)] = byte;
  ++literalFrequency_[byte];
}

inline void CDeflateEncoder::RecordMatch(const Match& match) {
  symbols_[std::size_t(symbolCount_++)] = std::uint32_t(match.length) | std::uint32_t(match.distance) << 9;
  ++literalFrequency_[257 + kFormat.lengthCode[match.length]];
  ++distanceFrequency_[DistanceCode(match.distance)];
}

// Parses the buffered input up to its lookahead (or to its end when
// finishing). A match found one byte ahead is taken only when it is longer
// than the match here; the byte here then goes out as a literal.
void CDeflateEncoder::CompressBuffered(bool finishing) {
  const int end = finishing ? filled_ : filled_ - kLookahead;
  while (position_ < end) {
    Match current;
    if (havePending_) {
      current = pending_;
      havePending_ = false;
    } else {
      current = InsertAndFindMatch(position_, kMinMatch - 1, kMaxChain);
    }
    if (current.length == 0) {
      RecordLiteral(buffer_[std::size_t(position_++)]);
    } else {
      int inserted = 1;
      if (current.length < kLazyLength) {
        const int chain = current.length >= kGoodLength ? kMaxChain / 4 : kMaxChain;
        const Match next = InsertAndFindMatch(position_ + 1, current.length, chain);
        if (next.length != 0) {
          RecordLiteral(buffer_[std::size_t(position_++)]);
          pending_ = next;
          havePending_ = true;
          if (symbolCount_ == kMaxBlockSymbols) EndBlock(false);
          continue;
        }
        inserted = 2;
      }
      RecordMatch(current);
      const int matchEnd = position_ + current.length;
      int from = position_ + inserted;
      if (current.length > kFullInsertLength) from = std::max(from, matchEnd - kTailInsertLength);
      for (int p = from; p < matchEnd; ++p) InsertPosition(p);
      position_ = matchEnd;
    }
    if (symbolCount_ == kMaxBlockSymbols) EndBlock(false);
  }
}

// Keeps at least the last window of parsed bytes and the unparsed ones;
// positions in the chains move down with them, and those that fall out of
// the window become kNoPosition. The shift is a whole number of windows,
// so every position keeps its slot in previous_.
void CDeflateEncoder::SlideWindow() {
  const int shift = (position_ - kWindowSize) & ~kWindowMask;
  if (shift <= 0) return;
  std::memmove(buffer_.data(), buffer_.data() + shift, std::size_t(filled_ - shift));
  filled_ -= shift;
  position_ -= shift;
  blockStart_ -= shift;
  for (std::int32_t& p : head_) p = std::max(p - shift, kNoPosition);
  for (std::int32_t& p : previous_) p = std::max(p - shift, kNoPosition);
}

// ---- The stream ----

CDeflateEncoder::CDeflateEncoder(Wrapper wrapper)
    : wrapper_(wrapper),
      buffer_(std::size_t(kBufferSize + kLoadSlack)),
      head_(std::size_t(kHashSize), kNoPosition),
      previous_(std::size_t(kWindowSize), kNoPosition),
      symbols_(std::size_t(kMaxBlockSymbols)) {
  if (wrapper_ == kZlibStream) {
    // Deflate with a 32 KiB window, the default level, no dictionary; the
    // two bytes read as a big-endian number are a multiple of 31.
    EnsureOutputRoom(2);
    output_[outputSize_++] = 0x78;
    output_[outputSize_++] = 0x9C;
  }
}

CDeflateEncoder::~CDeflateEncoder() = default;

void CDeflateEncoder::Write(const void* data, std::size_t size) {
  if (finished_) return;
  if (wrapper_ == kZlibStream) adler_ = Adler32Update(adler_, data, size);
  const std::uint8_t* in = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const std::size_t count = std::min(size, std::size_t(kBufferSize - filled_));
    std::memcpy(buffer_.data() + filled_, in, count);
    filled_ += int(count);
    in += count;
    size -= count;
    if (filled_ == kBufferSize) {
      CompressBuffered(false);
      EndBlock(false);  // a stored block needs its bytes, and the slide drops them
      SlideWindow();
    }
  }
}

void CDeflateEncoder::Finish() {
  if (finished_) return;
  finished_ = true;
  CompressBuffered(true);
  EndBlock(true);
  AlignToByte();
  if (wrapper_ == kZlibStream) {
    EnsureOutputRoom(4);
    for (int shift = 24; shift >= 0; shift -= 8) output_[outputSize_++] = std::uint8_t(adler_ >> shift);
  }
}

std::vector<std::uint8_t> CDeflateEncoder::Compress(const void* data, std::size_t size, Wrapper wrapper) {
  CDeflateEncoder encoder(wrapper);
  encoder.Write(data, size);
  encoder.Finish();
  return std::vector<std::uint8_t>(encoder.Output(), encoder.Output() + encoder.OutputSize());
}
