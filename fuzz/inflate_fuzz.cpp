// Decode over arbitrary bytes. Besides surviving them, the two output paths
// must agree: whatever decodes into a memory sink decodes to the same bytes
// through the sliding window of a function sink, and a source read in
// trickles behaves like the same bytes read in place.
//
// First input byte: bit 0 stored method instead of deflate; bits 1..7 pick
// the memory sink's capacity (0 .. 127 KiB in 1 KiB steps, plus 1).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/archive/deflate_codec.h"

namespace {

const std::size_t kMaxOutput = 4u << 20;

std::int32_t Collect(void* context, const void* data, std::uint32_t size) {
  std::string& out = *static_cast<std::string*>(context);
  if (out.size() + size > kMaxOutput) return -1;
  out.append(static_cast<const char*>(data), size);
  return static_cast<std::int32_t>(size);
}

struct Trickle {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
};

std::int32_t ReadTrickle(void* context, void* out, std::uint32_t size) {
  Trickle& source = *static_cast<Trickle*>(context);
  std::size_t count = source.size - source.position;
  if (count > 3) count = 3;
  if (count > size) count = size;
  std::memcpy(out, source.data + source.position, count);
  source.position += count;
  return static_cast<std::int32_t>(count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int method = (data[0] & 1) ? CDeflateCodec::kMethodStored : CDeflateCodec::kMethodDeflate;
  const std::uint32_t capacity = (data[0] >> 1) * 1024u + 1;
  ++data;
  --size;

  // Exactly sized, so that ASan sees every write past the capacity.
  std::vector<std::uint8_t> memory(capacity);
  CDeflateCodec codec;
  codec.SetSourceMemory(static_cast<std::uint32_t>(size), data, 0);
  codec.SetSinkMemory(capacity, memory.data(), 0);
  int memoryKind = 0;
  std::uint32_t memoryCount = 0;
  try {
    memoryCount = codec.Decode(method);
  } catch (const EDeflateError& error) {
    memoryKind = error.Kind();
    if (memoryKind != codec.ErrorKind() || memoryKind < 1 || memoryKind > 7) std::abort();
  }
  if (codec.GetValue(CDeflateCodec::kValueBytesTaken) > size) std::abort();
  if (codec.GetValue(CDeflateCodec::kValueBytesDelivered) > capacity) std::abort();

  std::string window;
  Trickle trickle{data, size, 0};
  codec.SetSourceFunction(&ReadTrickle, &trickle, 0);
  codec.SetSinkFunction(&Collect, &window, 0);
  int windowKind = 0;
  try {
    codec.Decode(method);
  } catch (const EDeflateError& error) {
    windowKind = error.Kind();
  }
  if (memoryKind == 0) {
    // The window path has no capacity, so it must succeed with the same bytes.
    if (windowKind != 0 || window.size() != memoryCount ||
        std::memcmp(window.data(), memory.data(), memoryCount) != 0) {
      std::abort();
    }
  } else if (memoryKind != CDeflateCodec::kErrorSinkFull && windowKind != 2 && windowKind != memoryKind) {
    std::abort();
  }
  return 0;
}
