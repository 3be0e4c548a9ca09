// Running out of memory is one more failure of a decoding run: every
// allocation the codec makes (window, input buffer, tables) is made to fail
// in turn, and each time Decode must end in kind 7 (or succeed, when the
// allocation was not needed), never crash, and work again afterwards.
//
// This program replaces the global operator new, so it lives apart from the
// other tests of the codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "support/archive/deflate_codec.h"

namespace {

// Allocations still allowed before the next one fails; negative: no limit.
long allocationsLeft = -1;

}  // namespace

void* operator new(std::size_t size) {
  if (allocationsLeft == 0) throw std::bad_alloc();
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// One fixed block ("Tolmaric", zlib with the fixed code only).
std::string FixedStream() {
  const unsigned char bytes[] = {0x0b, 0xc9, 0xcf, 0xc9, 0x4d, 0x2c, 0xca, 0x4c, 0x06, 0x00};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// One dynamic block (zlib level 9 over 714 bytes of German text).
const char kDynamicStream[] =
    "\xed\x8f\xbd\x0a\x02\x31\x10\x84\x5f\x65\x1e\x40\xc4\xb3\xb4\x14\x41\x41\x0b\x51\xc1\x3a\x5e\xc6\xcb\x6a\x6e\x0f\x92\x0d\xf8\xf8"
    "\x86\xbb\xc2\xc6\x27\x10\xab\xfd\x61\xe6\x63\xe6\x32\xc4\xde\x25\x69\x11\x85\xd9\xe0\x85\x38\x0d\xc5\x38\x83\xb9\x6c\xac\x1f\x97"
    "\xb1\x65\x74\x54\x4f\x50\x2d\x3a\xed\xe0\x99\x26\x19\xdc\x0d\x45\x3d\x72\x1b\x12\xe5\x66\xa0\x28\x15\x6b\x56\x64\x30\xf4\x62\x38"
    "\x54\x6b\x57\x79\x61\x60\x1b\x2a\xb2\x1f\x0d\x26\xbc\x8f\xc7\xb1\xe8\xd3\x66\xd8\x0d\x0c\xd4\xa2\xc6\x54\x59\x42\x3f\xaa\xce\x46"
    "\xe9\x8a\x76\xf9\x19\x5d\xce\xd4\x39\x36\x9f\x80\xfe\xcb\xba\x42\xb3\x5c\x34\x78\x4d\xe3\xca\x54\x23\x3e\x88\xbd\x6b\x03\xe3\x1c"
    "\x97\x7f\xdb\x9f\x6d\xfb\x06";

std::int32_t Discard(void*, const void*, std::uint32_t size) { return static_cast<std::int32_t>(size); }

struct Source {
  std::string bytes;
  std::size_t position = 0;
};
std::int32_t ReadSource(void* context, void* data, std::uint32_t size) {
  Source& source = *static_cast<Source*>(context);
  const std::size_t count = std::min<std::size_t>(size, source.bytes.size() - source.position);
  std::copy(source.bytes.begin() + static_cast<std::ptrdiff_t>(source.position),
            source.bytes.begin() + static_cast<std::ptrdiff_t>(source.position + count), static_cast<char*>(data));
  source.position += count;
  return static_cast<std::int32_t>(count);
}

// Decodes with n allocations allowed; returns the error kind (0: success).
int DecodeAllowing(CDeflateCodec& codec, const std::string& stream, long n, bool window) {
  Source source{stream};
  std::string out(4096, '\0');
  codec.SetSourceFunction(&ReadSource, &source, 0);
  if (window) {
    codec.SetSinkFunction(&Discard, nullptr, 0);
  } else {
    codec.SetSinkMemory(4096, &out[0], 0);
  }
  allocationsLeft = n;
  int kind = 0;
  try {
    codec.Decode(8);
  } catch (const EDeflateError& error) {
    kind = error.Kind();
  }
  allocationsLeft = -1;
  return kind;
}

TEST(OutOfMemory, EveryFailingAllocationEndsInKindSeven) {
  const std::string dynamic(kDynamicStream, sizeof kDynamicStream - 1);
  for (const std::string& stream : {FixedStream(), dynamic}) {
    for (bool window : {false, true}) {
      bool succeeded = false;
      int failures = 0;
      for (long n = 0; n < 50 && !succeeded; ++n) {
        CDeflateCodec codec;
        const int kind = DecodeAllowing(codec, stream, n, window);
        if (kind == 0) {
          succeeded = true;
          continue;
        }
        ++failures;
        EXPECT_EQ(CDeflateCodec::kErrorNoMemory, kind) << "allocation " << n;
        EXPECT_EQ(CDeflateCodec::kErrorNoMemory, codec.ErrorKind());
        EXPECT_EQ(0, DecodeAllowing(codec, stream, -1, window)) << "after failing allocation " << n;
      }
      EXPECT_TRUE(succeeded);
      EXPECT_GE(failures, 2);  // at least a buffer and a table
    }
  }
}

}  // namespace
