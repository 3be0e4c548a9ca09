// CDeflateCodec over streams built here bit by bit (so every case says
// exactly what it contains), two small streams made once by zlib and kept
// as bytes, and a real zipped tile: all without zlib, so the Windows build
// runs them too. Damaged streams each name the one kind they must fail with.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/archive/crc32_fold.h"
#include "support/archive/deflate_codec.h"
#include "tests/common/test_paths.h"

namespace {

// ---- Building streams --------------------------------------------------------

class BitWriter {
 public:
  // value's low count bits, least significant first (header fields, extra bits).
  void Bits(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  // A Huffman code, most significant bit first.
  void Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  void AlignToByte() {
    while (count_ % 8) Bit(0);
  }
  void Byte(unsigned char value) { Bits(value, 8); }
  std::size_t BitCount() const { return count_; }
  std::string Finish() {
    AlignToByte();
    return bytes_;
  }

 private:
  void Bit(std::uint32_t bit) {
    if (count_ % 8 == 0) bytes_.push_back('\0');
    if (bit) bytes_.back() = static_cast<char>(bytes_.back() | (1 << (count_ % 8)));
    ++count_;
  }
  std::string bytes_;
  std::size_t count_ = 0;
};

// Canonical codes (RFC 1951, 3.2.2) for a list of code lengths.
struct Huffman {
  explicit Huffman(std::vector<int> lengthList) : lengths(std::move(lengthList)), codes(lengths.size()) {
    int count[16] = {};
    for (int length : lengths) count[length]++;
    count[0] = 0;
    std::uint32_t next[16] = {}, code = 0;
    for (int bits = 1; bits < 16; ++bits) next[bits] = code = (code + count[bits - 1]) << 1;
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
      if (lengths[symbol]) codes[symbol] = next[lengths[symbol]]++;
    }
  }
  void Put(BitWriter& w, int symbol) const { w.Code(codes[symbol], lengths[symbol]); }
  std::vector<int> lengths;
  std::vector<std::uint32_t> codes;
};

const int kLengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27,
                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistanceBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769,
                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

const Huffman& FixedLiterals() {
  static const Huffman code([] {
    std::vector<int> lengths(288, 8);
    for (int s = 144; s < 256; ++s) lengths[s] = 9;
    for (int s = 256; s < 280; ++s) lengths[s] = 7;
    return lengths;
  }());
  return code;
}
const Huffman& FixedDistances() {
  static const Huffman code(std::vector<int>(32, 5));  // 30 and 31 included, to misuse them
  return code;
}

// Literal/length and distance codes of one block, and how to write with them.
struct BlockCodes {
  const Huffman& literals;
  const Huffman& distances;
  void Literal(BitWriter& w, int byte) const { literals.Put(w, byte); }
  void Text(BitWriter& w, const std::string& text) const {
    for (unsigned char c : text) literals.Put(w, c);
  }
  void EndOfBlock(BitWriter& w) const { literals.Put(w, 256); }
  void Match(BitWriter& w, int length, int distance) const {
    int l = 28;
    while (kLengthBase[l] > length) --l;
    if (length == 258) l = 28;
    else if (l == 28) l = 27;
    literals.Put(w, 257 + l);
    w.Bits(length - kLengthBase[l], kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > distance) --d;
    distances.Put(w, d);
    w.Bits(distance - kDistanceBase[d], kDistanceExtra[d]);
  }
};

const BlockCodes kFixed{FixedLiterals(), FixedDistances()};

void FixedHeader(BitWriter& w, bool last) {
  w.Bits(last, 1);
  w.Bits(1, 2);
}

void StoredBlock(BitWriter& w, bool last, const std::string& bytes) {
  w.Bits(last, 1);
  w.Bits(0, 2);
  w.AlignToByte();
  w.Bits(static_cast<std::uint32_t>(bytes.size()), 16);
  w.Bits(~static_cast<std::uint32_t>(bytes.size()), 16);
  for (unsigned char c : bytes) w.Byte(c);
}

// A code-length symbol with its extra bits.
struct LengthSymbol {
  int symbol;
  int extra;
};

std::vector<LengthSymbol> Plain(const std::vector<int>& literal, const std::vector<int>& distance) {
  std::vector<LengthSymbol> symbols;
  for (int length : literal) symbols.push_back({length, 0});
  for (int length : distance) symbols.push_back({length, 0});
  return symbols;
}

// The code-length code used unless a case says otherwise: complete, all 19
// symbols present (0..12 four bits, 13..18 five bits).
std::vector<int> DefaultCodeLengthLengths() {
  std::vector<int> lengths(19, 4);
  for (int s = 13; s < 19; ++s) lengths[s] = 5;
  return lengths;
}

void DynamicHeader(BitWriter& w, bool last, int literalCount, int distanceCount,
                   const std::vector<LengthSymbol>& symbols,
                   const std::vector<int>& codeLengthLengths = DefaultCodeLengthLengths()) {
  static const int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  w.Bits(last, 1);
  w.Bits(2, 2);
  w.Bits(literalCount - 257, 5);
  w.Bits(distanceCount - 1, 5);
  w.Bits(19 - 4, 4);
  for (int i = 0; i < 19; ++i) w.Bits(codeLengthLengths[kOrder[i]], 3);
  const Huffman code(codeLengthLengths);
  for (const LengthSymbol& s : symbols) {
    code.Put(w, s.symbol);
    if (s.symbol == 16) w.Bits(s.extra, 2);
    if (s.symbol == 17) w.Bits(s.extra, 3);
    if (s.symbol == 18) w.Bits(s.extra, 7);
  }
}

// Literal lengths: 'a' 2 bits, 'b' and 'c' 3 bits, end of block 1 bit; all
// other symbols absent. A complete code whose end-of-block code is short.
std::vector<int> ShortEndLiterals() {
  std::vector<int> lengths(257, 0);
  lengths['a'] = 2;
  lengths['b'] = 3;
  lengths['c'] = 3;
  lengths[256] = 1;
  return lengths;
}

// ---- Decoding ------------------------------------------------------------------

struct Outcome {
  int kind = 0;
  std::string text;
  std::string out;  // the sink's bytes as delivered
  std::uint32_t crc = 0;
  std::uint32_t taken = 0;
};

Outcome Inflate(const std::string& stream, std::uint32_t capacity = 1 << 20, int method = 8) {
  Outcome result;
  std::vector<char> sink(capacity + 1, '\x7F');
  CDeflateCodec codec;
  codec.SetSourceMemory(static_cast<std::uint32_t>(stream.size()), stream.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(capacity, sink.data(), 0);
  try {
    codec.Decode(method);
  } catch (const EDeflateError& error) {
    result.kind = error.Kind();
    result.text = error.what();
    EXPECT_EQ(error.Kind(), codec.ErrorKind());
  }
  EXPECT_EQ('\x7F', sink[capacity]) << "wrote past the sink";
  result.out.assign(sink.data(), codec.GetValue(CDeflateCodec::kValueBytesDelivered));
  result.crc = codec.GetValue(CDeflateCodec::kValueOutputCrc);
  result.taken = codec.GetValue(CDeflateCodec::kValueBytesTaken);
  return result;
}

std::int32_t AppendToString(void* context, const void* data, std::uint32_t size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
  return static_cast<std::int32_t>(size);
}

// Decodes through the 64 KiB sliding window into a string.
Outcome InflateThroughWindow(const std::string& stream) {
  Outcome result;
  CDeflateCodec codec;
  codec.SetSourceMemory(static_cast<std::uint32_t>(stream.size()), stream.data(), CDeflateCodec::NoCrc);
  codec.SetSinkFunction(&AppendToString, &result.out, 0);
  try {
    codec.Decode(CDeflateCodec::kMethodDeflate);
  } catch (const EDeflateError& error) {
    result.kind = error.Kind();
    result.text = error.what();
  }
  result.crc = codec.GetValue(CDeflateCodec::kValueOutputCrc);
  return result;
}

std::uint32_t Crc(const std::string& bytes) {
  return Crc32Update(0, bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

const char kBadDataText[] = "Ung\xFC" "ldige Huffmann-Tabelle !";
const char kMemoryEndedText[] = "Speicher-Ende erreicht beim Lesen !";

// ---- CRC-32 --------------------------------------------------------------------

TEST(Crc32, KnownValuesAndEmptyInput) {
  EXPECT_EQ(0x352441C2u, Crc32Update(0, "abc", 3));
  EXPECT_EQ(0xCBF43926u, Crc32Update(0, "123456789", 9));
  EXPECT_EQ(0u, Crc32Update(0, "", 0));
  EXPECT_EQ(0xDEADBEEFu, Crc32Update(0xDEADBEEF, "abc", 0));
  EXPECT_EQ(0xDEADBEEFu, Crc32Update(0xDEADBEEF, "abc", -5));
  // Pieces chain into the sum of the whole.
  EXPECT_EQ(Crc32Update(0, "123456789", 9), Crc32Update(Crc32Update(0, "1234", 4), "56789", 5));
}

// Folding, narrow and wide (where the processor has them), and the table
// walk agree on every length around the folding's steps of 16, 64, 128 and
// 256 bytes, at odd addresses, from fresh and from running sums.
TEST(Crc32, FoldingAndTableWalkAgree) {
  if (!Crc32FoldingSupported()) GTEST_SKIP() << "no carry-less multiplication here";
  const bool wide = Crc32WideFoldingSupported();
  std::vector<unsigned char> bytes(600 + 8);
  std::uint32_t state = 12345;
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>((state = state * 1103515245 + 12345) >> 23);
  for (std::size_t offset : {0, 1, 3, 7}) {
    for (std::size_t length = 0; length <= 600; ++length) {
      for (std::uint32_t seed : {0u, 0xFFFFFFFFu, 0x9E3779B9u}) {
        const unsigned char* data = bytes.data() + offset;
        const std::uint32_t expected = Crc32UpdateByTable(seed, data, length);
        ASSERT_EQ(expected, Crc32UpdateByFolding(seed, data, length)) << offset << " " << length << " " << seed;
        if (wide) {
          ASSERT_EQ(expected, Crc32UpdateByWideFolding(seed, data, length)) << offset << " " << length;
        }
        ASSERT_EQ(expected, Crc32Update(seed, data, static_cast<std::int32_t>(length))) << offset << " " << length;
      }
    }
  }
  // A long run of zeros and of ones: the folding's constants at work over
  // many rounds.
  const std::vector<unsigned char> zeros(100000, 0), ones(100000, 0xFF);
  for (const std::vector<unsigned char>* run : {&zeros, &ones}) {
    const std::uint32_t expected = Crc32UpdateByTable(0, run->data(), run->size());
    EXPECT_EQ(expected, Crc32UpdateByFolding(0, run->data(), run->size()));
    if (wide) {
      EXPECT_EQ(expected, Crc32UpdateByWideFolding(0, run->data(), run->size()));
    }
  }
}

// ---- Methods and the stored method ---------------------------------------------

TEST(StoredMethod, CopiesUnchangedWithOneCrcOverTheBlock) {
  std::string data;
  for (int i = 0; i < 150000; ++i) data += static_cast<char>(i * 7 + i / 300);
  const Outcome result = Inflate(data, static_cast<std::uint32_t>(data.size()), 0);
  EXPECT_EQ(0, result.kind);
  EXPECT_TRUE(result.out == data);
  EXPECT_EQ(Crc(data), result.crc);
}

TEST(StoredMethod, SinkTooSmallFailsWithoutCopyingTheChunk) {
  const Outcome result = Inflate("0123456789", 9, 0);
  EXPECT_EQ(3, result.kind);
  EXPECT_EQ("Fehler Speicher\xFC" "berlauf des Ausgabepuffers", result.text);
  EXPECT_EQ("", result.out);
}

std::int32_t FailingRead(void*, void*, std::uint32_t) { return -1; }
std::int32_t ShortWrite(void*, const void*, std::uint32_t size) { return static_cast<std::int32_t>(size / 2); }
std::int32_t CountingRead(void* context, void*, std::uint32_t) {
  ++*static_cast<int*>(context);
  return 0;
}

TEST(StoredMethod, ReadAndWriteFailuresHaveTheirKinds) {
  CDeflateCodec codec;
  std::string out(100, '\0');
  codec.SetSourceFunction(&FailingRead, nullptr, 0);
  codec.SetSinkMemory(100, &out[0], 0);
  try {
    codec.Decode(0);
    ADD_FAILURE();
  } catch (const EDeflateError& error) {
    EXPECT_EQ(1, error.Kind());
    EXPECT_STREQ("Fehler beim Lesen", error.what());
  }
  codec.SetSourceMemory(5, "hello", 0);
  codec.SetSinkFunction(&ShortWrite, nullptr, 0);
  try {
    codec.Decode(0);
    ADD_FAILURE();
  } catch (const EDeflateError& error) {
    EXPECT_EQ(2, error.Kind());
    EXPECT_STREQ("Fehler beim Schreiben in die Datei", error.what());
  }
}

TEST(Methods, OtherMethodsFailBeforeReadingAnything) {
  for (int method : {12, 1, 9, -1, 99}) {
    CDeflateCodec codec;
    int reads = 0;
    codec.SetSourceFunction(&CountingRead, &reads, 0);
    try {
      codec.Decode(method);
      ADD_FAILURE();
    } catch (const EDeflateError& error) {
      EXPECT_EQ(5, error.Kind());
      EXPECT_STREQ("Falscher Modus beim Endkomprimieren !", error.what());
    }
    EXPECT_EQ(0, reads);
  }
}

TEST(Methods, MinusTwoUsesTheSetMethodAndGetValueReportsSettings) {
  CDeflateCodec codec;
  EXPECT_EQ(9u, codec.GetValue(0));
  EXPECT_EQ(8u, codec.GetValue(2));
  codec.SetLevel(12);
  codec.SetFlags(0x55);
  codec.SetMethod(0);
  EXPECT_EQ(9u, codec.GetValue(0));
  EXPECT_EQ(0x55u, codec.GetValue(1));
  EXPECT_EQ(0u, codec.GetValue(8));
  EXPECT_EQ(0u, codec.GetValue(-1));
  char out[8] = {};
  codec.SetSourceMemory(3, "abc", 0);
  codec.SetSinkMemory(8, out, 0);
  EXPECT_EQ(3u, codec.Decode(CDeflateCodec::kMethodAsSet));  // stored: no deflate header needed
  EXPECT_EQ(0x352441C2u, codec.GetValue(3));
  EXPECT_EQ(0x352441C2u, codec.GetValue(4));  // the memory read keeps the input CRC
  EXPECT_EQ(3u, codec.GetValue(5));
  EXPECT_EQ(3u, codec.GetValue(6));
}

// ---- Deflate: the smallest streams -----------------------------------------------

TEST(Deflate, EmptyFixedBlockGivesNothingAndCrcZero) {
  BitWriter w;
  FixedHeader(w, true);
  kFixed.EndOfBlock(w);
  const std::string stream = w.Finish();
  EXPECT_EQ(std::string("\x03\x00", 2), stream);
  const Outcome result = Inflate(stream);
  EXPECT_EQ(0, result.kind);
  EXPECT_EQ("", result.out);
  EXPECT_EQ(0u, result.crc);
  EXPECT_EQ(2u, result.taken);
}

TEST(Deflate, StoredBlockOfLengthZeroIsSkipped) {
  BitWriter w;
  StoredBlock(w, false, "");
  StoredBlock(w, false, "ab");
  FixedHeader(w, true);
  kFixed.Text(w, "c");
  kFixed.EndOfBlock(w);
  EXPECT_EQ("abc", Inflate(w.Finish()).out);
}

TEST(Deflate, DistanceOneRepeatsThePreviousByte) {
  BitWriter w;
  FixedHeader(w, true);
  kFixed.Text(w, "xa");
  kFixed.Match(w, 10, 1);
  kFixed.Match(w, 258, 1);
  kFixed.EndOfBlock(w);
  const Outcome result = Inflate(w.Finish());
  EXPECT_EQ(0, result.kind);
  EXPECT_EQ("x" + std::string(1 + 10 + 258, 'a'), result.out);
}

TEST(Deflate, OverlappingMatchesRepeatTheirPattern) {
  BitWriter w;
  FixedHeader(w, true);
  kFixed.Text(w, "abcdefg");
  for (int distance = 2; distance <= 9; ++distance) kFixed.Match(w, 20, distance);
  kFixed.EndOfBlock(w);
  std::string expected = "abcdefg";
  for (int distance = 2; distance <= 9; ++distance) {
    for (int i = 0; i < 20; ++i) expected += expected[expected.size() - distance];
  }
  const std::string stream = w.Finish();
  EXPECT_EQ(expected, Inflate(stream).out);
  EXPECT_EQ(expected, InflateThroughWindow(stream).out);
}

// Every short period and the lengths around the word copies' steps, with
// enough stream behind each match that the fast loop decodes it.
TEST(Deflate, MatchesOfEveryShortDistanceAndLengthCopyExactly) {
  BitWriter w;
  FixedHeader(w, true);
  std::string expected = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  kFixed.Text(w, expected);
  for (int distance = 1; distance <= 24; ++distance) {
    for (int length : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 24, 25, 40, 258}) {
      kFixed.Match(w, length, distance);
      for (int i = 0; i < length; ++i) expected += expected[expected.size() - distance];
      const char marker = static_cast<char>('a' + (distance + length) % 26);
      kFixed.Literal(w, marker);
      expected += marker;
    }
  }
  kFixed.Text(w, std::string(40, '.'));
  expected += std::string(40, '.');
  kFixed.EndOfBlock(w);
  const std::string stream = w.Finish();
  EXPECT_EQ(expected, Inflate(stream).out);
  EXPECT_EQ(expected, InflateThroughWindow(stream).out);
}

// The most bits the fast loop decodes between two refills, before it needs
// the next lookup: one or two literals of the longest first-level code, a
// length code with the most extra bits and a distance code with the most
// extra bits, first-level or from sub-tables, again and again. The rounds
// start at every bit offset of a byte, so some start with the fewest bits
// in hand.
TEST(Deflate, LongestCodesBetweenRefillsDecodeExactly) {
  struct Case {
    int ladder;           // 'a', 'b', ... take 1, 2, ... bits up to this many letters
    int longLiterals;     // the rest up to 'k', end of block and length 227..257 (5 extra bits)
    int longDistances;    // distances 16385.. and 24577.. (13 extra bits); shorter ones 1, 2, ... bits
    int literalsPerRound;
  };
  // Complete codes: sub-table lengths and distances after one literal of
  // 11 bits, first-level ones after two.
  for (const Case c : {Case{14, 15, 15, 1}, Case{9, 11, 8, 2}}) {
    std::vector<int> literal(285, 0);
    for (int i = 0; i < c.ladder; ++i) literal['a' + i] = i + 1;
    for (int letter = 'a' + c.ladder; letter <= 'k'; ++letter) literal[letter] = c.longLiterals;
    literal[256] = literal[284] = c.longLiterals;
    std::vector<int> distance(30, 0);
    for (int i = 0; i < c.longDistances - 1; ++i) distance[i] = i + 1;
    distance[28] = distance[29] = c.longDistances;
    const Huffman literals(literal), distances(distance);
    const BlockCodes codes{literals, distances};
    BitWriter w;
    DynamicHeader(w, true, 285, 30, Plain(literal, distance));
    std::string expected;
    for (unsigned i = 1; expected.size() < 33000; ++i) {
      unsigned letter = 0;  // 'a' half the time, 'b' a quarter, ...
      while (letter < 5 && !(i >> letter & 1)) ++letter;
      expected += static_cast<char>('a' + letter);
    }
    codes.Text(w, expected);
    for (int round = 0; round < 64; ++round) {
      const std::string some(c.literalsPerRound, 'k');
      codes.Text(w, some);
      expected += some;
      const int length = 227 + round * 7 % 31, far = 24577 + round * 997 % 8192;
      codes.Match(w, length, far);
      for (int i = 0; i < length; ++i) expected += expected[expected.size() - far];
    }
    codes.EndOfBlock(w);
    const std::string stream = w.Finish();
    // Compared whole: a difference would print 50 KB.
    EXPECT_TRUE(expected == Inflate(stream).out) << c.literalsPerRound << " literals per round";
    EXPECT_TRUE(expected == InflateThroughWindow(stream).out) << c.literalsPerRound << " literals per round";
  }
}

// ---- Limits of the sink and the source -----------------------------------------

TEST(Limits, SinkOneByteTooSmallIsFilledThenFull) {
  BitWriter w;
  FixedHeader(w, true);
  kFixed.Text(w, "abc");
  kFixed.Match(w, 5, 3);
  kFixed.EndOfBlock(w);
  const std::string stream = w.Finish();
  EXPECT_EQ("abcabcab", Inflate(stream, 8).out);
  const Outcome result = Inflate(stream, 7);
  EXPECT_EQ(3, result.kind);
  EXPECT_EQ("Fehler \xDC" "berlauf des Ausgabepuffers !", result.text);
  EXPECT_EQ("abcabca", result.out);
}

TEST(Limits, SourceLimitExactlyAtTheEndIsEnough) {
  BitWriter w;
  FixedHeader(w, true);
  kFixed.Text(w, "tile");
  kFixed.EndOfBlock(w);
  const std::string stream = w.Finish();
  std::istringstream file(stream + "next entry");
  std::string out(10, '\0');
  CDeflateCodec codec;
  codec.SetSourceFile(&file, static_cast<std::int32_t>(stream.size()), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(10, &out[0], 0);
  EXPECT_EQ(4u, codec.Decode(8));
  EXPECT_EQ("tile", out.substr(0, 4));

  std::istringstream shorter(stream);
  codec.SetSourceFile(&shorter, static_cast<std::int32_t>(stream.size() - 1), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(10, &out[0], 0);
  try {
    codec.Decode(8);
    ADD_FAILURE();
  } catch (const EDeflateError& error) {
    EXPECT_EQ(4, error.Kind());
    EXPECT_STREQ("Dateiende erreicht beim Lesen!", error.what());
  }
}

// The end-of-block code is 1 bit long and is the last bit of the stream,
// while the table lookup wants more: the missing bits read as zeros.
TEST(Limits, ShortEndOfBlockCodeInTheLastByteDecodes) {
  for (int pad = 0; pad < 8; ++pad) {
    BitWriter w;
    DynamicHeader(w, true, 257, 1, Plain(ShortEndLiterals(), {1}));
    const Huffman literals(ShortEndLiterals());
    const Huffman distances({1});
    const BlockCodes codes{literals, distances};
    codes.Text(w, "abc");
    for (int i = 0; i < pad; ++i) codes.Text(w, "a");
    while ((w.BitCount() + 1) % 8 != 0) codes.Text(w, "b");
    codes.EndOfBlock(w);
    ASSERT_EQ(0u, w.BitCount() % 8);
    const std::string stream = w.Finish();
    const Outcome result = Inflate(stream);
    ASSERT_EQ(0, result.kind) << result.text;
    EXPECT_EQ(stream.size(), result.taken);
    // One byte less and the end-of-block code itself is missing.
    EXPECT_EQ(4, Inflate(stream.substr(0, stream.size() - 1)).kind);
  }
}

// Same with a first-level width of 9 bits and a 2-bit end-of-block code.
TEST(Limits, ShortEndOfBlockCodeUnderAWideTable) {
  std::vector<int> literal(257, 0);  // a complete code: 2/4 + 1/8 + 12/64 + 6/64 + 48/512
  literal[256] = 2;
  literal['x'] = 2;
  literal['y'] = 3;
  for (int s = 'A'; s < 'A' + 6; ++s) literal[s] = 5;
  for (int s = 'a'; s < 'a' + 12; ++s) literal[s] = 7;
  for (int s = 128; s < 128 + 48; ++s) literal[s] = 9;
  const Huffman literals(literal);
  const Huffman distances({1});
  const BlockCodes codes{literals, distances};
  BitWriter w;
  DynamicHeader(w, true, 257, 1, Plain(literal, {1}));
  codes.Text(w, "x\x80yAa");
  while ((w.BitCount() + 2) % 8 != 0) codes.Text(w, "y");
  codes.EndOfBlock(w);
  const std::string stream = w.Finish();
  const Outcome result = Inflate(stream);
  EXPECT_EQ(0, result.kind) << result.text;
  EXPECT_EQ("x\x80yAa", result.out.substr(0, 5));
  EXPECT_EQ(stream.size(), result.taken);
}

TEST(Limits, EmptySourceEndsAtOnce) {
  const Outcome result = Inflate("");
  EXPECT_EQ(4, result.kind);
  EXPECT_EQ(kMemoryEndedText, result.text);
}

// ---- Dynamic blocks --------------------------------------------------------------

TEST(Dynamic, LeadingRepeatSymbolRepeatsLengthZero) {
  std::vector<LengthSymbol> symbols = {{16, 3}, {16, 3}};  // 12 zeros: symbols 0..11
  std::vector<int> literal = ShortEndLiterals();
  for (int s = 12; s < 257; ++s) symbols.push_back({literal[s], 0});
  symbols.push_back({1, 0});  // one distance code
  BitWriter w;
  DynamicHeader(w, true, 257, 1, symbols);
  const Huffman literals(literal);
  const Huffman distances({1});
  BlockCodes{literals, distances}.Text(w, "cab");
  BlockCodes{literals, distances}.EndOfBlock(w);
  const Outcome result = Inflate(w.Finish());
  EXPECT_EQ(0, result.kind) << result.text;
  EXPECT_EQ("cab", result.out);
}

// 287 literal/length codes are accepted as long as 286 is not used.
TEST(Dynamic, HlitThirtyIsAcceptedAndThirtyOneIsNot) {
  for (int literalCount : {287, 288}) {
    std::vector<int> literal(literalCount, 0);
    literal['q'] = 1;
    literal[256] = 2;
    literal[286] = 2;
    const Huffman literals(literal);
    const Huffman distances({1});
    BitWriter w;
    DynamicHeader(w, true, literalCount, 1, Plain(literal, {1}));
    BlockCodes{literals, distances}.Text(w, "qq");
    BlockCodes{literals, distances}.EndOfBlock(w);
    const Outcome result = Inflate(w.Finish());
    if (literalCount == 287) {
      EXPECT_EQ(0, result.kind) << result.text;
      EXPECT_EQ("qq", result.out);
    } else {
      EXPECT_EQ(6, result.kind);
      EXPECT_EQ(kBadDataText, result.text);
    }
  }
}

TEST(Dynamic, IncompleteDistanceCodeAndNoDistancesAreAccepted) {
  BitWriter w;
  // HLIT 257: no length symbols, so no distance codes are needed at all.
  DynamicHeader(w, false, 257, 1, Plain(ShortEndLiterals(), {0}));
  const Huffman literals(ShortEndLiterals());
  const Huffman none({0});
  BlockCodes{literals, none}.Text(w, "ab");
  BlockCodes{literals, none}.EndOfBlock(w);
  // One distance code of one bit, and a length symbol to use it.
  std::vector<int> withLength = ShortEndLiterals();  // a, b, end of block, length 4: 2 bits each
  withLength['b'] = 2;
  withLength['c'] = 0;
  withLength[256] = 2;
  withLength.push_back(0);  // 257: length 3
  withLength.push_back(2);  // 258: length 4
  std::vector<int> distance(4, 0);
  distance[3] = 1;  // distance 4, the only distance code
  DynamicHeader(w, true, 259, 4, Plain(withLength, distance));
  const Huffman literals2(withLength);
  const Huffman distances2(distance);
  const BlockCodes codes{literals2, distances2};
  codes.Text(w, "ba");
  codes.Match(w, 4, 4);
  codes.EndOfBlock(w);
  const Outcome result = Inflate(w.Finish());
  EXPECT_EQ(0, result.kind) << result.text;
  EXPECT_EQ("abbaabba", result.out);
}

// The decoder keeps its table storage from block to block. An unused code of
// an incomplete distance code must stay invalid even where the block before
// had a valid entry, whether the careful loop (stream ends soon after) or
// the fast loop (plenty follows) meets it.
TEST(Dynamic, UnusedDistanceCodeIsBadEvenWhereThePreviousBlockHadOne) {
  for (int padding : {0, 64}) {
    std::vector<int> literal = ShortEndLiterals();  // a, b, end of block, length 4: 2 bits each
    literal['b'] = 2;
    literal['c'] = 0;
    literal[256] = 2;
    literal.push_back(0);  // 257: length 3
    literal.push_back(2);  // 258: length 4
    const Huffman literals(literal);
    BitWriter w;
    const std::vector<int> both = {0, 1, 1};  // distances 2 and 3: complete
    DynamicHeader(w, false, 259, 3, Plain(literal, both));
    const Huffman completeDistances(both);
    const BlockCodes first{literals, completeDistances};
    first.Text(w, std::string(100, 'a') + "ba");
    first.Match(w, 4, 2);
    first.Match(w, 4, 3);
    first.EndOfBlock(w);
    const std::vector<int> one = {0, 1, 0};  // distance 2 only: code 0, code 1 unused
    DynamicHeader(w, true, 259, 3, Plain(literal, one));
    const Huffman incompleteDistances(one);
    const BlockCodes second{literals, incompleteDistances};
    second.Text(w, std::string(100, 'b'));
    literals.Put(w, 258);
    w.Code(1, 1);  // the unused distance code
    second.Text(w, std::string(padding, 'a'));
    second.EndOfBlock(w);
    const Outcome result = Inflate(w.Finish());
    EXPECT_EQ(6, result.kind) << "padding " << padding;
    EXPECT_EQ(std::string(100, 'a') + "bababaabaa" + std::string(100, 'b'), result.out) << "padding " << padding;
  }
}

// ---- Damaged streams, each with its kind ------------------------------------------

struct DamagedCase {
  const char* name;
  std::string stream;
  int kind;
};

std::string FixedStream(void (*body)(BitWriter&)) {
  BitWriter w;
  FixedHeader(w, true);
  body(w);
  return w.Finish();
}

std::string DynamicStream(int literalCount, int distanceCount, const std::vector<LengthSymbol>& symbols,
                          const std::vector<int>& codeLengthLengths = DefaultCodeLengthLengths()) {
  BitWriter w;
  DynamicHeader(w, true, literalCount, distanceCount, symbols, codeLengthLengths);
  for (int i = 0; i < 64; ++i) w.Bits(0, 1);  // enough bits for whatever comes next
  return w.Finish();
}

std::vector<DamagedCase> DamagedCases() {
  std::vector<DamagedCase> cases;
  {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(3, 2);
    cases.push_back({"block type 3", w.Finish() + std::string(4, '\0'), 6});
  }
  {
    BitWriter w;
    w.Bits(1, 3);
    w.AlignToByte();
    w.Bits(5, 16);
    w.Bits(0xFFFA ^ 1, 16);
    cases.push_back({"stored length check", w.Finish() + "hello", 6});
  }
  {
    BitWriter w;
    StoredBlock(w, true, "hello");
    const std::string stream = w.Finish();
    cases.push_back({"stored block cut short", stream.substr(0, stream.size() - 1), 4});
  }
  cases.push_back({"literal 286", FixedStream([](BitWriter& w) { FixedLiterals().Put(w, 286); }), 6});
  cases.push_back({"literal 287", FixedStream([](BitWriter& w) { FixedLiterals().Put(w, 287); }), 6});
  cases.push_back({"distance 30", FixedStream([](BitWriter& w) {
                     kFixed.Text(w, "ab");
                     FixedLiterals().Put(w, 257);
                     FixedDistances().Put(w, 30);
                     kFixed.EndOfBlock(w);
                   }),
                   6});
  cases.push_back({"distance 31", FixedStream([](BitWriter& w) {
                     kFixed.Text(w, "ab");
                     FixedLiterals().Put(w, 257);
                     FixedDistances().Put(w, 31);
                     kFixed.EndOfBlock(w);
                   }),
                   6});
  cases.push_back({"distance before the first byte", FixedStream([](BitWriter& w) {
                     kFixed.Text(w, "ab");
                     kFixed.Match(w, 3, 3);
                     kFixed.EndOfBlock(w);
                   }),
                   6});
  cases.push_back({"match before any output", FixedStream([](BitWriter& w) {
                     kFixed.Match(w, 3, 1);
                     kFixed.EndOfBlock(w);
                   }),
                   6});
  cases.push_back({"no end of block", FixedStream([](BitWriter& w) { kFixed.Text(w, "abc"); }), 4});
  {
    std::vector<int> lengths(19, 0);
    cases.push_back({"empty code-length code", DynamicStream(257, 1, {}, lengths), 6});
    lengths[0] = 1;
    cases.push_back({"incomplete code-length code", DynamicStream(257, 1, {}, lengths), 6});
    lengths.assign(19, 1);
    cases.push_back({"oversubscribed code-length code", DynamicStream(257, 1, {}, lengths), 6});
  }
  {
    std::vector<LengthSymbol> symbols = {{18, 127}, {18, 127}, {18, 120}};  // 138 + 138 + 131 > 258
    cases.push_back({"zero run past the lists", DynamicStream(257, 1, symbols), 6});
    symbols = {{1, 0}};
    for (int i = 0; i < 86; ++i) symbols.push_back({16, 0});  // 1 + 258 > 258
    cases.push_back({"repeat past the lists", DynamicStream(257, 1, symbols), 6});
  }
  {
    std::vector<int> literal(257, 0);
    literal[256] = 1;
    literal['a'] = 2;
    cases.push_back({"incomplete literal code", DynamicStream(257, 1, Plain(literal, {1})), 6});
    literal['b'] = 2;
    literal['c'] = 2;
    cases.push_back({"oversubscribed literal code", DynamicStream(257, 1, Plain(literal, {1})), 6});
    cases.push_back({"no literal codes", DynamicStream(257, 1, Plain(std::vector<int>(257, 0), {1})), 6});
    literal['c'] = 0;
    literal.push_back(0);  // 257: a length symbol slot without distances
    cases.push_back({"no distance codes", DynamicStream(258, 1, Plain(literal, {0})), 6});
    cases.push_back({"oversubscribed distance code", DynamicStream(257, 3, Plain(ShortEndLiterals(), {1, 1, 1})), 6});
  }
  return cases;
}

TEST(DamagedStreams, EachFailsWithItsKindAndTouchesNothingOutside) {
  for (const DamagedCase& c : DamagedCases()) {
    SCOPED_TRACE(c.name);
    for (std::uint32_t capacity : {0u, 16u, 1u << 16}) {
      const Outcome memory = Inflate(c.stream, capacity);
      if (capacity == 0 && memory.kind == 3) continue;  // ran out of room before the damage
      EXPECT_EQ(c.kind, memory.kind) << "capacity " << capacity << ": " << memory.text;
      if (c.kind == 6) {
        EXPECT_EQ(kBadDataText, memory.text);
      }
    }
    EXPECT_EQ(c.kind, InflateThroughWindow(c.stream).kind);
    // Bad data stays bad with plenty of input behind it, where headers and
    // codes are read by the fast paths.
    if (c.kind == 6) {
      EXPECT_EQ(6, Inflate(c.stream + std::string(1024, '\0')).kind) << "padded";
    }
  }
}

TEST(DamagedStreams, AFailedRunLeavesTheCodecReadyForTheNext) {
  CDeflateCodec codec;
  std::string out(16, '\0');
  const std::string bad = DamagedCases()[0].stream;
  codec.SetSourceMemory(static_cast<std::uint32_t>(bad.size()), bad.data(), 0);
  codec.SetSinkMemory(16, &out[0], 0);
  EXPECT_THROW(codec.Decode(8), EDeflateError);
  EXPECT_EQ(6, codec.ErrorKind());
  const std::string good = FixedStream([](BitWriter& w) {
    kFixed.Text(w, "ok");
    kFixed.EndOfBlock(w);
  });
  codec.SetSourceMemory(static_cast<std::uint32_t>(good.size()), good.data(), 0);
  EXPECT_EQ(2u, codec.Decode(8));
  EXPECT_EQ(0, codec.ErrorKind());
  EXPECT_EQ("ok", out.substr(0, 2));
  codec.ReleaseBuffers();
  EXPECT_EQ(2u, codec.Decode(8));  // memory source and sink start again from the beginning
  EXPECT_EQ(Crc("ok"), codec.GetValue(3));
}

// ---- The window: long output through a function sink ------------------------------

TEST(Window, MatchesReachAcrossSlidesOfTheWindow) {
  std::string pattern;
  for (int i = 0; i < 40000; ++i) pattern += static_cast<char>('A' + (i * 31 + i / 977) % 26);
  BitWriter w;
  StoredBlock(w, false, pattern.substr(0, 40000));
  FixedHeader(w, false);
  std::string expected = pattern;
  for (int i = 0; i < 600; ++i) {  // 600 matches of 258 at the longest distance
    kFixed.Match(w, 258, 32768);
    for (int k = 0; k < 258; ++k) expected += expected[expected.size() - 32768];
  }
  kFixed.EndOfBlock(w);
  StoredBlock(w, true, "end");
  expected += "end";
  const std::string stream = w.Finish();
  const Outcome window = InflateThroughWindow(stream);
  EXPECT_EQ(0, window.kind) << window.text;
  EXPECT_TRUE(window.out == expected);
  EXPECT_EQ(Crc(expected), window.crc);
  const Outcome memory = Inflate(stream, static_cast<std::uint32_t>(expected.size()));
  EXPECT_TRUE(memory.out == expected);
  EXPECT_EQ(Crc(expected), memory.crc);
}

TEST(Window, FileSinkWritesEverythingAndStopsAtItsLimit) {
  BitWriter w;
  FixedHeader(w, true);
  kFixed.Text(w, "z");
  for (int i = 0; i < 400; ++i) kFixed.Match(w, 258, 1);
  kFixed.EndOfBlock(w);
  const std::string stream = w.Finish();
  CDeflateCodec codec;
  std::ostringstream file;
  codec.SetSourceMemory(static_cast<std::uint32_t>(stream.size()), stream.data(), CDeflateCodec::NoCrc);
  codec.SetSinkFile(&file, -1, 0);
  EXPECT_EQ(1u + 400 * 258, codec.Decode(8));
  EXPECT_EQ(std::string(1 + 400 * 258, 'z'), file.str());
  EXPECT_EQ(1u + 400 * 258, codec.GetValue(7));

  std::ostringstream small;
  codec.SetSinkFile(&small, 50000, 0);
  try {
    codec.Decode(8);
    ADD_FAILURE();
  } catch (const EDeflateError& error) {
    EXPECT_EQ(2, error.Kind());
    EXPECT_STREQ("Fehler beim Schreiben in Datei !", error.what());
  }
}

// ---- Streams made by zlib, kept as bytes ------------------------------------------

const char kZlibText[] =
    "Tolmaric liest die Route, tastet das Gelaende entlang der Route ab und schreibt "
    "einen Bericht mit Laenge, hoechstem und tiefstem Punkt, Hoehenunterschied und "
    "Steigungsklassen. Die Route, die Route, die Route: 1201 x 1201 Werte je Kachel. ";

// zlib 1.2.13, raw deflate, level 9 (one dynamic block) over kZlibText three times.
const char kZlibDynamic[] =
    "\xed\x8f\xbd\x0a\x02\x31\x10\x84\x5f\x65\x1e\x40\xc4\xb3\xb4\x14\x41\x41\x0b\x51\xc1\x3a\x5e\xc6\xcb\x6a\x6e\x0f\x92\x0d\xf8\xf8"
    "\x86\xbb\xc2\xc6\x27\x10\xab\xfd\x61\xe6\x63\xe6\x32\xc4\xde\x25\x69\x11\x85\xd9\xe0\x85\x38\x0d\xc5\x38\x83\xb9\x6c\xac\x1f\x97"
    "\xb1\x65\x74\x54\x4f\x50\x2d\x3a\xed\xe0\x99\x26\x19\xdc\x0d\x45\x3d\x72\x1b\x12\xe5\x66\xa0\x28\x15\x6b\x56\x64\x30\xf4\x62\x38"
    "\x54\x6b\x57\x79\x61\x60\x1b\x2a\xb2\x1f\x0d\x26\xbc\x8f\xc7\xb1\xe8\xd3\x66\xd8\x0d\x0c\xd4\xa2\xc6\x54\x59\x42\x3f\xaa\xce\x46"
    "\xe9\x8a\x76\xf9\x19\x5d\xce\xd4\x39\x36\x9f\x80\xfe\xcb\xba\x42\xb3\x5c\x34\x78\x4d\xe3\xca\x54\x23\x3e\x88\xbd\x6b\x03\xe3\x1c"
    "\x97\x7f\xdb\x9f\x6d\xfb\x06";

// The same text, level 6 with the fixed code only.
const char kZlibFixed[] =
    "\x0b\xc9\xcf\xc9\x4d\x2c\xca\x4c\x56\xc8\xc9\x4c\x2d\x2e\x51\x48\xc9\x4c\x55\x08\xca\x2f\x2d\x49\xd5\x51\x28\x49\x2c\x2e\x49\x05"
    "\x8a\x24\x16\x2b\xb8\xa7\xe6\x24\xa6\xe6\xa5\xa4\x2a\xa4\xe6\x95\xe4\x24\xe6\xa5\x2b\xa4\xa4\x16\x41\x94\x29\x24\x26\x29\x94\xe6"
    "\xa5\x28\x14\x27\x67\x14\xa5\x66\x26\x95\x28\xa4\x66\xe6\xa5\xe6\x29\x38\xa5\x02\x8d\xcc\x28\x51\xc8\xcd\x2c\x51\xf0\x01\x6a\x4d"
    "\x07\x9a\x97\x91\x9f\x9a\x9c\x01\x34\x32\x17\xac\xa1\x24\x33\x35\x0d\xcc\x09\x28\xcd\xcb\x2e\xd1\x51\xf0\xc8\x4f\xcd\x48\xcd\x2b"
    "\xcd\x2b\x49\x2d\x02\x9a\x95\x99\x9a\x02\x56\x15\x5c\x92\x9a\x99\x5e\x9a\x97\x5e\x9c\x9d\x93\x58\x5c\x9c\x9a\xa7\xa7\xe0\x82\x70"
    "\x60\x0a\x16\xa6\x95\x82\xa1\x91\x81\xa1\x42\x05\x84\x0a\x4f\x2d\x02\x3a\x31\x2b\x55\xc1\x3b\x31\x39\x23\x35\x47\x4f\x21\x64\xd4"
    "\xb7\xc3\xd6\xb7\x00";

TEST(ZlibStreams, KeptStreamsDecodeExactlyThroughBothPaths) {
  const std::string text = std::string(kZlibText) + kZlibText + kZlibText;
  for (const std::string& stream : {std::string(kZlibDynamic, sizeof kZlibDynamic - 1),
                                   std::string(kZlibFixed, sizeof kZlibFixed - 1)}) {
    const Outcome memory = Inflate(stream, static_cast<std::uint32_t>(text.size()));
    EXPECT_EQ(0, memory.kind) << memory.text;
    EXPECT_EQ(text, memory.out);
    EXPECT_EQ(stream.size(), memory.taken);
    EXPECT_EQ(text, InflateThroughWindow(stream).out);
    // Cut anywhere, the stream reports that its source ended.
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
      ASSERT_EQ(4, Inflate(stream.substr(0, cut), static_cast<std::uint32_t>(text.size())).kind) << cut;
    }
  }
}

// ---- A real tile ---------------------------------------------------------------------

std::uint32_t Le(const std::string& s, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(s[at + i]);
  return value;
}

TEST(RealTile, ZippedTileEntryDecodesWithItsCrc) {
  const std::string zip = ReadWholeFile(SourcePath("examples/tiles/N42E001.hgt.zip"));
  ASSERT_EQ(0x04034B50u, Le(zip, 0, 4));
  ASSERT_EQ(8u, Le(zip, 8, 2));
  const std::uint32_t crc = Le(zip, 14, 4);
  const std::uint32_t size = Le(zip, 18, 4);
  const std::size_t data = 30 + Le(zip, 26, 2) + Le(zip, 28, 2);
  ASSERT_EQ(2884802u, Le(zip, 22, 4));
  std::istringstream file(zip);
  file.seekg(static_cast<std::streamoff>(data));
  std::vector<unsigned char> tile(2884802);
  CDeflateCodec codec;
  codec.SetSourceFile(&file, static_cast<std::int32_t>(size), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(static_cast<std::uint32_t>(tile.size()), tile.data(), 0);
  EXPECT_EQ(2884802u, codec.Decode(8));
  EXPECT_EQ(crc, codec.GetValue(CDeflateCodec::kValueOutputCrc));
  EXPECT_EQ(size, codec.GetValue(CDeflateCodec::kValueBytesTaken));
  // The table walk alone gives the same sum.
  Crc32AllowFolding(false);
  const std::uint32_t byTable = Crc32Update(0, tile.data(), static_cast<std::int32_t>(tile.size()));
  Crc32AllowFolding(true);
  EXPECT_EQ(crc, byTable);
  // A sink one byte short of the tile.
  codec.SetSinkMemory(2884801, tile.data(), 0);
  std::istringstream again(zip);
  again.seekg(static_cast<std::streamoff>(data));
  codec.SetSourceFile(&again, static_cast<std::int32_t>(size), CDeflateCodec::NoCrc);
  EXPECT_THROW(codec.Decode(8), EDeflateError);
  EXPECT_EQ(3, codec.ErrorKind());
  EXPECT_EQ(2884801u, codec.GetValue(CDeflateCodec::kValueBytesDelivered));
}

}  // namespace
