// The deflate compressor: exact bytes where the format leaves no choice,
// the block form it picks, code lengths within their limits, and round
// trips through our own inflate over the kinds of data the program
// compresses, at every size where the encoder changes course.
#include "support/archive/deflate_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"
#include "tests/common/test_paths.h"

namespace {

std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::string Zlib(const std::string& data) {
  return Bytes(CDeflateEncoder::Compress(data.data(), data.size(), CDeflateEncoder::kZlibStream));
}
std::string Raw(const std::string& data) {
  return Bytes(CDeflateEncoder::Compress(data.data(), data.size(), CDeflateEncoder::kRawDeflate));
}

std::string Inflate(const std::string& raw, std::size_t expectedSize) {
  std::string out(expectedSize + 1, '\0');
  CDeflateCodec codec;
  codec.SetSourceMemory(std::uint32_t(raw.size()), raw.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(std::uint32_t(out.size()), &out[0], CDeflateCodec::NoCrc);
  out.resize(codec.Decode(CDeflateCodec::kMethodDeflate));
  EXPECT_EQ(raw.size(), codec.GetValue(CDeflateCodec::kValueBytesTaken)) << "bytes after the final block";
  return out;
}

std::uint32_t Be32(const std::string& s, std::size_t at) {
  return std::uint32_t(std::uint8_t(s[at])) << 24 | std::uint8_t(s[at + 1]) << 16 | std::uint8_t(s[at + 2]) << 8 |
         std::uint8_t(s[at + 3]);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (char& c : data) c = char(random());
  return data;
}

std::string Text(std::size_t size) {
  static const char* const kWords[] = {"Route ", "Kilometer ", "H\xF6he ", "Steigung ", "N47E009 ",
                                       "12.35 ", "\r\n", "Encamp ", "Canillo ", "-3.5 % "};
  std::mt19937 random(7);
  std::string text;
  while (text.size() < size) text += kWords[random() % 10];
  text.resize(size);
  return text;
}

// The first bytes of source, repeated as often as size needs.
std::string Cycle(const std::string& source, std::size_t size) {
  std::string out;
  while (out.size() < size) out += source.substr(0, size - out.size());
  return out;
}

// ---- Adler-32 ----

TEST(Adler32, KnownSumsWholeAndInPieces) {
  EXPECT_EQ(1u, Adler32Update(1, "", 0));
  EXPECT_EQ(0x024D0127u, Adler32Update(1, "abc", 3));
  EXPECT_EQ(0x11E60398u, Adler32Update(1, "Wikipedia", 9));
  // 0xFF bytes push both sums hardest between two reductions.
  const std::string ones(1000000, '\xFF');
  EXPECT_EQ(0x3843E1BEu, Adler32Update(1, ones.data(), ones.size()));
  std::uint32_t pieces = 1;
  for (std::size_t at = 0, step = 1; at < ones.size(); at += step, step = step * 3 + 1)
    pieces = Adler32Update(pieces, ones.data() + at, std::min(step, ones.size() - at));
  EXPECT_EQ(0x3843E1BEu, pieces);
}

// ---- Exact streams ----

TEST(DeflateEncoderStream, ShortestInputsGiveTheShortestStreams) {
  // An empty fixed block; then 'a' and the end code in a fixed block.
  EXPECT_EQ(std::string("\x03\x00", 2), Raw(""));
  EXPECT_EQ(std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8), Zlib(""));
  EXPECT_EQ(std::string("\x78\x9C\x4B\x04\x00\x00\x62\x00\x62", 9), Zlib("a"));
}

TEST(DeflateEncoderStream, PiecesDoNotChangeTheStream) {
  const std::string text = Text(1100000);
  const std::string whole = Zlib(text);
  CDeflateEncoder encoder;
  std::string pieces;
  const std::size_t steps[] = {1, 7, 4093, 65536, 300001};
  for (std::size_t at = 0, k = 0; at < text.size(); ++k) {
    const std::size_t step = std::min(steps[k % 5], text.size() - at);
    encoder.Write(text.data() + at, step);
    at += step;
    pieces.append(reinterpret_cast<const char*>(encoder.Output()), encoder.OutputSize());
    encoder.ClearOutput();
  }
  encoder.Finish();
  encoder.Finish();
  encoder.Write("more", 4);  // ignored: the stream has ended
  pieces.append(reinterpret_cast<const char*>(encoder.Output()), encoder.OutputSize());
  EXPECT_EQ(whole, pieces);
}

// The first block's type is in bits 1 and 2 of the first byte.
TEST(DeflateEncoderBlocks, EachBlockTakesItsCheapestForm) {
  struct Case {
    const char* name;
    std::string data;
    int blockType;
  };
  const Case cases[] = {
      {"short text: fixed", "Steigung 12 %, Steigung 13 %", 1},
      {"long text: dynamic", Text(20000), 2},
      {"random bytes: stored", RandomBytes(20000, 3), 0},
      {"one byte: fixed", "x", 1},
  };
  for (const Case& c : cases) {
    const std::string raw = Raw(c.data);
    EXPECT_EQ(c.blockType, (std::uint8_t(raw[0]) >> 1) & 3) << c.name;
    EXPECT_EQ(c.data, Inflate(raw, c.data.size())) << c.name;
  }
  // Incompressible data costs no more than the stored blocks' headers.
  const std::string random = RandomBytes(300000, 4);
  EXPECT_LE(Raw(random).size(), random.size() + 5 * (random.size() / 32768 + 1));
  // Long runs cost about two bits per 258 bytes.
  EXPECT_LT(Raw(std::string(1000000, '\0')).size(), 1100u);
}

// ---- Code lengths ----

double KraftSum(const std::uint8_t* lengths, int count) {
  double sum = 0;
  for (int s = 0; s < count; ++s)
    if (lengths[s] != 0) sum += 1.0 / double(1u << lengths[s]);
  return sum;
}

TEST(DeflateCodeLengths, DeepTreesAreCutToTheLimitAndStayComplete) {
  struct Case {
    const char* name;
    int count, limit;
  };
  // Fibonacci frequencies make the deepest possible tree: count - 1 levels.
  const Case cases[] = {{"literals", 286, 15}, {"distances", 30, 15}, {"code lengths", 19, 7}};
  for (const Case& c : cases) {
    std::vector<std::uint32_t> frequency(std::size_t(c.count));
    std::uint32_t a = 1, b = 1;
    for (std::uint32_t& f : frequency) {
      f = a;
      const std::uint32_t next = std::min<std::uint32_t>(a + b, 1u << 20);
      a = b;
      b = next;
    }
    std::vector<std::uint8_t> lengths(std::size_t(c.count));
    DeflateCodeLengths(frequency.data(), c.count, c.limit, lengths.data());
    EXPECT_EQ(c.limit, *std::max_element(lengths.begin(), lengths.end())) << c.name;
    EXPECT_EQ(1.0, KraftSum(lengths.data(), c.count)) << c.name;
    for (int s = 1; s < c.count; ++s) EXPECT_LE(lengths[s], lengths[s - 1]) << c.name << " symbol " << s;
  }
}

TEST(DeflateCodeLengths, SmallAlphabets) {
  std::uint8_t lengths[30];
  // Unlimited, the lengths are Huffman's: 1, 2, 3, 4, 4.
  const std::uint32_t halving[5] = {16, 8, 4, 2, 2};
  DeflateCodeLengths(halving, 5, 15, lengths);
  EXPECT_EQ(std::string("\x01\x02\x03\x04\x04", 5), std::string(lengths, lengths + 5));
  // One used symbol, or none: two one-bit codes all the same.
  const std::uint32_t one[30] = {0, 0, 0, 0, 0, 0, 9};
  DeflateCodeLengths(one, 30, 15, lengths);
  EXPECT_EQ(std::string("\x01\x00\x00\x00\x00\x00\x01", 7), std::string(lengths, lengths + 7));
  const std::uint32_t first[2] = {5, 0};
  DeflateCodeLengths(first, 2, 15, lengths);
  EXPECT_EQ(std::string("\x01\x01", 2), std::string(lengths, lengths + 2));
  const std::uint32_t none[30] = {};
  DeflateCodeLengths(none, 30, 15, lengths);
  EXPECT_EQ(1.0, KraftSum(lengths, 30));
  EXPECT_EQ(std::string("\x01\x01", 2), std::string(lengths, lengths + 2));
}

// ---- Round trips ----

// Sizes at which the encoder changes course: the end of a fixed or longest
// match, the window, the longest stored block; and its full 1 MiB input
// buffer, parsed up to the lookahead it keeps back, then slid.
const std::size_t kSmallBoundaries[] = {1, 2, 3, 258, 259, 32767, 32768, 32769, 65535, 65536, 65537};
const std::size_t kBufferBoundaries[] = {1048575, 1048576, 1048577};

void ExpectRoundTrip(const char* name, const std::string& data) {
  const std::string stream = Zlib(data);
  ASSERT_GE(stream.size(), 6u);
  EXPECT_EQ(0x789C, std::uint8_t(stream[0]) << 8 | std::uint8_t(stream[1]));
  EXPECT_EQ(Adler32Update(1, data.data(), data.size()), Be32(stream, stream.size() - 4)) << name << " " << data.size();
  const std::string back = Inflate(stream.substr(2, stream.size() - 6), data.size());
  EXPECT_TRUE(back == data) << name << " " << data.size() << " bytes come back as " << back.size();
}

TEST(DeflateEncoderRoundTrip, EveryKindOfDataAtEveryBoundary) {
  const std::string tile = ReadWholeFile(SourcePath("examples/tiles/N47E009.hgt"));
  const std::string chart = ReadWholeFile(SourcePath("tests/app/data/export_track.bmp"));
  ASSERT_FALSE(tile.empty());
  ASSERT_FALSE(chart.empty());
  const std::string random = RandomBytes(100000, 5);
  struct Corpus {
    const char* name;
    std::string data;
    bool pastTheBuffer;
  };
  const Corpus corpora[] = {
      {"text", Text(65537), false},
      {"tile", tile.substr(0, 65537), false},
      {"zeros", std::string(65537, '\0'), false},
      {"chart picture", Cycle(chart, 1048577), true},
      // Repeated random blocks: matches far back, and stored blocks.
      {"random", Cycle(random, 1048577), true},
  };
  for (const Corpus& corpus : corpora) {
    for (std::size_t size : kSmallBoundaries) ExpectRoundTrip(corpus.name, corpus.data.substr(0, size));
    if (corpus.pastTheBuffer)
      for (std::size_t size : kBufferBoundaries) ExpectRoundTrip(corpus.name, corpus.data.substr(0, size));
  }
}

}  // namespace
