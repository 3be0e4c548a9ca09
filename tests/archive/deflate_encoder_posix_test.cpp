// zlib as the oracle for the compressor: it must read back every stream we
// write, and our streams must stay within a tenth of the size of its own
// at level 6 on the data the program compresses.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/archive/deflate_encoder.h"
#include "tests/common/test_paths.h"

namespace {

std::string Compress(const std::string& data) {
  const std::vector<std::uint8_t> stream = CDeflateEncoder::Compress(data.data(), data.size());
  return std::string(stream.begin(), stream.end());
}

std::string ZlibLevel6(const std::string& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::string out(size, '\0');
  EXPECT_EQ(Z_OK, compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
                            reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), 6));
  out.resize(size);
  return out;
}

TEST(DeflateEncoderZlib, ZlibReadsBackEveryStreamWithinATenthOfItsOwnSize) {
  std::mt19937 random(11);
  std::string noise(400000, '\0');
  for (char& c : noise) c = char(random());
  std::string text;
  for (int line = 0; text.size() < 1500000; ++line)
    text += "    " + std::to_string(line * 25) + " m  " + std::to_string(1200 + (line * 37) % 900) +
            ".0 m  " + std::to_string((line * 7919) % 240 - 120) + " %\r\n";
  struct Case {
    const char* name;
    std::string data;
  };
  const Case cases[] = {
      {"empty", ""},
      {"report text", text},
      {"tile", ReadWholeFile(SourcePath("examples/tiles/N47E009.hgt"))},
      {"chart picture", ReadWholeFile(SourcePath("tests/app/data/export_track.bmp"))},
      {"zeros", std::string(1 << 21, '\0')},
      {"random", noise},
  };
  for (const Case& c : cases) {
    const std::string stream = Compress(c.data);
    std::string back(c.data.size() + 1, '\0');
    uLongf size = uLongf(back.size());
    ASSERT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&back[0]), &size,
                               reinterpret_cast<const Bytef*>(stream.data()), uLong(stream.size())))
        << c.name;
    back.resize(size);
    EXPECT_TRUE(back == c.data) << c.name;
    EXPECT_LE(double(stream.size()), 1.10 * double(ZlibLevel6(c.data).size())) << c.name;
  }
}

}  // namespace
