// zlib as the oracle: every stream zlib makes, at every level and strategy,
// over incompressible, text and real tile data, must decode to exactly the
// original bytes and CRC, through every kind of source and sink. Cutting such
// a stream short anywhere must end in kind 4 ("source ended"), never in a
// wrong kind, a crash or success.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"
#include "tests/common/test_paths.h"

namespace {

std::string RawDeflate(const std::string& data, int level, int strategy) {
  z_stream stream{};
  EXPECT_EQ(Z_OK, deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy));
  std::string out(deflateBound(&stream, data.size()) + 16, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::uint32_t ZlibCrc(const std::string& data) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

// Words from a small vocabulary: long matches at all distances, many
// literals of skewed frequency.
std::string Text(std::size_t size) {
  static const char* const kWords[] = {"Route", "Kilometer", "Hoehe", "the", "profile", "of",
                                       "N47E009", "slope", "\n", "1201", "  ", "Andorra"};
  std::mt19937 random(7);
  std::string text;
  while (text.size() < size) {
    text += kWords[random() % 12];
    text += ' ';
  }
  text.resize(size);
  return text;
}

std::string TileBytes() {
  const std::string tile = ReadWholeFile(SourcePath("examples/tiles/N47E009.hgt"));
  EXPECT_EQ(2884802u, tile.size());
  return tile.substr(0, 1201 * 2 * 300);  // 300 rows keep the 50 runs quick
}

struct Corpus {
  std::string name;
  std::string data;
};

const std::vector<Corpus>& Corpora() {
  static const std::vector<Corpus> corpora = {
      {"empty", ""},
      {"one byte", "x"},
      {"random", RandomBytes(100000, 1)},
      {"text", Text(300000)},
      {"window edges", std::string(32768, 'a') + Text(32769) + std::string(65537, '\0')},
      {"tile", TileBytes()},
  };
  return corpora;
}

struct Strategy {
  const char* name;
  int value;
};
const Strategy kStrategies[] = {{"default", Z_DEFAULT_STRATEGY},
                                {"filtered", Z_FILTERED},
                                {"huffman only", Z_HUFFMAN_ONLY},
                                {"rle", Z_RLE},
                                {"fixed", Z_FIXED}};

// A caller's sink collecting everything in a string.
std::int32_t AppendToString(void* context, const void* data, std::uint32_t size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
  return static_cast<std::int32_t>(size);
}

// A caller's source handing out at most `step` bytes per call.
struct Trickle {
  const std::string* data;
  std::size_t position;
  std::size_t step;
};
std::int32_t ReadTrickle(void* context, void* out, std::uint32_t size) {
  Trickle& trickle = *static_cast<Trickle*>(context);
  const std::size_t count = std::min<std::size_t>({size, trickle.step, trickle.data->size() - trickle.position});
  std::memcpy(out, trickle.data->data() + trickle.position, count);
  trickle.position += count;
  return static_cast<std::int32_t>(count);
}

void ExpectDecodesIntoMemory(const std::string& original, const std::string& compressed) {
  CDeflateCodec codec;
  std::string out(original.size(), '\0');
  codec.SetSourceMemory(static_cast<std::uint32_t>(compressed.size()), compressed.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(static_cast<std::uint32_t>(out.size()), &out[0], 0);
  ASSERT_EQ(original.size(), codec.Decode(CDeflateCodec::kMethodDeflate));
  EXPECT_TRUE(out == original);
  EXPECT_EQ(ZlibCrc(original), codec.GetValue(CDeflateCodec::kValueOutputCrc));
  EXPECT_EQ(compressed.size(), codec.GetValue(CDeflateCodec::kValueBytesTaken));
  EXPECT_EQ(original.size(), codec.GetValue(CDeflateCodec::kValueBytesDelivered));
}

TEST(InflateAgainstZlib, EveryLevelAndStrategyDecodesExactly) {
  for (const Corpus& corpus : Corpora()) {
    for (const Strategy& strategy : kStrategies) {
      for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(corpus.name + ", " + strategy.name + ", level " + std::to_string(level));
        ExpectDecodesIntoMemory(corpus.data, RawDeflate(corpus.data, level, strategy.value));
      }
    }
  }
}

TEST(InflateAgainstZlib, WindowSinkAndSlowSourcesGiveTheSameBytes) {
  for (const Corpus& corpus : Corpora()) {
    const std::string compressed = RawDeflate(corpus.data, 6, Z_DEFAULT_STRATEGY);
    for (std::size_t step : {std::size_t(1), std::size_t(7), std::size_t(4096), std::size_t(1) << 20}) {
      SCOPED_TRACE(corpus.name + ", reads of " + std::to_string(step));
      CDeflateCodec codec;
      Trickle trickle{&compressed, 0, step};
      std::string out;
      codec.SetSourceFunction(&ReadTrickle, &trickle, 0);
      codec.SetSinkFunction(&AppendToString, &out, 0);
      ASSERT_EQ(corpus.data.size(), codec.Decode(CDeflateCodec::kMethodDeflate));
      EXPECT_TRUE(out == corpus.data);
      EXPECT_EQ(ZlibCrc(corpus.data), codec.GetValue(CDeflateCodec::kValueOutputCrc));
      EXPECT_EQ(compressed.size(), codec.GetValue(CDeflateCodec::kValueBytesTaken));
    }
  }
}

TEST(InflateAgainstZlib, FileSourceAndFileSinkRespectTheirLimits) {
  const std::string& data = Corpora()[3].data;  // text
  const std::string compressed = RawDeflate(data, 9, Z_DEFAULT_STRATEGY);
  const std::string trailer = "data of the next entry";
  std::istringstream archive(compressed + trailer);
  std::ostringstream extracted;
  CDeflateCodec codec;
  codec.SetSourceFile(&archive, static_cast<std::int32_t>(compressed.size()), 0);
  codec.SetSinkFile(&extracted, -1, 0);
  ASSERT_EQ(data.size(), codec.Decode(CDeflateCodec::kMethodDeflate));
  EXPECT_TRUE(extracted.str() == data);
  EXPECT_EQ(ZlibCrc(data), codec.GetValue(CDeflateCodec::kValueOutputCrc));
  EXPECT_EQ(ZlibCrc(compressed), codec.GetValue(CDeflateCodec::kValueInputCrc));
  EXPECT_EQ(compressed.size() + data.size(), codec.GetValue(CDeflateCodec::kValueBytesPassed));
  // The source stopped at its limit: the next entry's bytes are still there.
  std::string rest;
  std::getline(archive, rest);
  EXPECT_EQ(trailer, rest);
}

TEST(InflateAgainstZlib, FileSinkLimitEndsInWriteFailure) {
  const std::string& data = Corpora()[3].data;
  const std::string compressed = RawDeflate(data, 9, Z_DEFAULT_STRATEGY);
  std::ostringstream extracted;
  CDeflateCodec codec;
  codec.SetSourceMemory(static_cast<std::uint32_t>(compressed.size()), compressed.data(), CDeflateCodec::NoCrc);
  codec.SetSinkFile(&extracted, 100000, 0);
  EXPECT_THROW(codec.Decode(CDeflateCodec::kMethodDeflate), EDeflateError);
  EXPECT_EQ(CDeflateCodec::kErrorWrite, codec.ErrorKind());
}

// Every prefix of a valid stream lacks the bits its last codes need.
TEST(InflateAgainstZlib, EveryTruncationReportsTheSourceEnded) {
  for (const std::string& data : {Text(5000), RandomBytes(3000, 2)}) {
    for (const Strategy& strategy : kStrategies) {
      const std::string compressed = RawDeflate(data, 6, strategy.value);
      std::string out(data.size(), '\0');
      for (std::size_t cut = 0; cut < compressed.size(); ++cut) {
        SCOPED_TRACE(std::string(strategy.name) + ", cut at " + std::to_string(cut));
        CDeflateCodec codec;
        codec.SetSourceMemory(static_cast<std::uint32_t>(cut), compressed.data(), CDeflateCodec::NoCrc);
        codec.SetSinkMemory(static_cast<std::uint32_t>(out.size()), &out[0], CDeflateCodec::NoCrc);
        ASSERT_THROW(codec.Decode(CDeflateCodec::kMethodDeflate), EDeflateError);
        ASSERT_EQ(CDeflateCodec::kErrorSourceEnded, codec.ErrorKind());
      }
    }
  }
}

TEST(InflateAgainstZlib, Crc32MatchesZlibOnEveryLengthAndAlignment) {
  const std::string data = RandomBytes(300, 3);
  for (std::size_t start = 0; start < 9; ++start) {
    for (std::size_t length = 0; start + length <= data.size(); length += 13) {
      const std::string piece = data.substr(start, length);
      EXPECT_EQ(ZlibCrc(piece), Crc32Update(0, piece.data(), static_cast<std::int32_t>(piece.size())));
    }
  }
  // Pieces chain like one block.
  const std::uint32_t first = Crc32Update(0, data.data(), 101);
  EXPECT_EQ(ZlibCrc(data), Crc32Update(first, data.data() + 101, static_cast<std::int32_t>(data.size() - 101)));
}

}  // namespace
