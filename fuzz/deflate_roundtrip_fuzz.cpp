// The compressor over arbitrary bytes: whatever goes in must come back
// exactly through our own inflate and through zlib, whichever way the
// input is cut into pieces, and the stream may never be longer than the
// stored blocks of the same bytes.
//
// First input byte: bit 0 zlib stream instead of bare deflate; bits 1..3
// the size of the pieces written; bits 4..7 how often the rest is repeated:
// 1 to 15 times, so that small inputs reach far matches and the end of the
// window, and for 15 as often as fits in 1.1 MiB, beyond the end of the
// encoder's input buffer (rarely, since those runs are slow).
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"
#include "support/archive/deflate_encoder.h"

namespace {

const std::size_t kMaxInput = 1100000;
const std::size_t kPieceSizes[8] = {0, 1, 3, 64, 1000, 4096, 65536, 262147};  // 0: all at once

std::string Compress(const std::string& data, CDeflateEncoder::Wrapper wrapper, std::size_t piece) {
  CDeflateEncoder encoder(wrapper);
  std::string out;
  if (piece == 0) piece = data.size() + 1;
  for (std::size_t at = 0; at < data.size(); at += piece) {
    encoder.Write(data.data() + at, std::min(piece, data.size() - at));
    out.append(reinterpret_cast<const char*>(encoder.Output()), encoder.OutputSize());
    encoder.ClearOutput();
  }
  encoder.Finish();
  out.append(reinterpret_cast<const char*>(encoder.Output()), encoder.OutputSize());
  return out;
}

void ExpectOurInflate(const std::string& raw, const std::string& data) {
  std::string back(data.size() + 1, '\0');
  CDeflateCodec codec;
  codec.SetSourceMemory(std::uint32_t(raw.size()), raw.data(), CDeflateCodec::NoCrc);
  codec.SetSinkMemory(std::uint32_t(back.size()), &back[0], CDeflateCodec::NoCrc);
  if (codec.Decode(CDeflateCodec::kMethodDeflate) != data.size() || back.compare(0, data.size(), data) != 0 ||
      codec.GetValue(CDeflateCodec::kValueBytesTaken) != raw.size()) {
    std::abort();
  }
}

void ExpectZlibInflate(const std::string& stream, const std::string& data, bool wrapped) {
  z_stream z{};
  if (inflateInit2(&z, wrapped ? 15 : -15) != Z_OK) std::abort();
  std::string back(data.size() + 1, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = uInt(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(&back[0]);
  z.avail_out = uInt(back.size());
  const int result = inflate(&z, Z_FINISH);
  const bool same = result == Z_STREAM_END && z.total_out == data.size() && z.avail_in == 0 &&
                    back.compare(0, data.size(), data) == 0;
  inflateEnd(&z);
  if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  if (size < 1) return 0;
  const bool wrapped = input[0] & 1;
  const std::size_t piece = kPieceSizes[(input[0] >> 1) & 7];
  const std::size_t repeats = (input[0] >> 4) < 15 ? (input[0] >> 4) + 1 : kMaxInput;
  const std::string unit(reinterpret_cast<const char*>(input + 1), size - 1);
  std::string data;
  for (std::size_t k = 0; k < repeats && data.size() + unit.size() <= kMaxInput; ++k) data += unit;
  if (unit.empty() || data.empty()) data = unit.substr(0, kMaxInput);

  const std::string stream =
      Compress(data, wrapped ? CDeflateEncoder::kZlibStream : CDeflateEncoder::kRawDeflate, piece);
  const std::size_t frame = wrapped ? 6 : 0;
  // Blocks end every 32768 symbols and every 1 MiB; none costs more than
  // its bytes stored (5 bytes a stored block of up to 65535, 1 to align).
  const std::size_t blocks = 2 * (data.size() / 32768) + 2;
  if (stream.size() > frame + data.size() + 6 * blocks) std::abort();
  ExpectOurInflate(wrapped ? stream.substr(2, stream.size() - 6) : stream, data);
  ExpectZlibInflate(stream, data, wrapped);
  return 0;
}
