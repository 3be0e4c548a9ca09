// CRC-32 by folding with carry-less multiplication (PCLMULQDQ), after
// Intel's white paper "Fast CRC Computation for Generic Polynomials Using
// PCLMULQDQ Instruction".
//
// The sum is taken in the reflected bit order ZIP uses: in a 128-bit lane
// loaded from memory, bit i of the lane stands for x^(127-i) relative to the
// lane's end. Moving a lane D bits further along the message multiplies it
// by x^D; folding does that modulo P for its two 64-bit halves separately,
// with the constants x^(D+32) mod P for the first half and x^(D-32) mod P
// for the second (the extra x^32 comes from where the carry-less product of
// reflected operands lands), and adds the result into the lane D bits on.
// Four lanes run side by side 512 bits apart, then fold into one, which
// takes the remaining whole 16-byte blocks; the last lane and the tail then
// go through the table walk, which does the final reduction.
//
// The functions carry their own target attribute, so the file builds for
// any x86 processor; Crc32FoldingSupported says whether they may run.
#include "support/archive/crc32_fold.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

namespace {

// x^n mod P (P = 0x104C11DB7) in the lane's bit order: reflected over 32
// bits and shifted up by one, so that degree d sits at bit 32 - d.
constexpr std::uint64_t FoldConstant(unsigned n) {
  std::uint64_t value = 1;
  for (unsigned i = 0; i < n; ++i) {
    value <<= 1;
    if (value & 0x100000000u) value ^= 0x104C11DB7u;
  }
  std::uint64_t reflected = 0;
  for (unsigned bit = 0; bit < 32; ++bit) {
    if (value & (std::uint64_t(1) << bit)) reflected |= std::uint64_t(1) << (31 - bit);
  }
  return reflected << 1;
}

constexpr std::uint64_t kFold512First = FoldConstant(512 + 32);
constexpr std::uint64_t kFold512Second = FoldConstant(512 - 32);
constexpr std::uint64_t kFold128First = FoldConstant(128 + 32);
constexpr std::uint64_t kFold128Second = FoldConstant(128 - 32);

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i lane, __m128i constants, __m128i next) {
  const __m128i first = _mm_clmulepi64_si128(lane, constants, 0x00);
  const __m128i second = _mm_clmulepi64_si128(lane, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(first, second), next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

bool DetectFolding() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool sse2 = (edx & (1u << 26)) != 0;
  const bool pclmul = (ecx & (1u << 1)) != 0;
  return sse2 && pclmul;
}

}  // namespace

bool Crc32FoldingSupported() {
  static const bool supported = DetectFolding();
  return supported;
}

// The 32-bit Windows build may be entered with a stack aligned to only four
// bytes; the vector spills need sixteen.
__attribute__((target("pclmul,sse2"), force_align_arg_pointer)) std::uint32_t Crc32UpdateByFolding(
    std::uint32_t crc, const unsigned char* data, std::size_t length) {
  if (length < kCrc32FoldMinimum) return Crc32UpdateByTable(crc, data, length);
  // The starting value enters as if it were added to the first four bytes.
  __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(~crc)));
  __m128i x1 = Load(data + 16);
  __m128i x2 = Load(data + 32);
  __m128i x3 = Load(data + 48);
  data += 64;
  length -= 64;
  const __m128i by512 = _mm_set_epi64x(static_cast<long long>(kFold512Second), static_cast<long long>(kFold512First));
  for (; length >= 64; length -= 64, data += 64) {
    x0 = Fold(x0, by512, Load(data));
    x1 = Fold(x1, by512, Load(data + 16));
    x2 = Fold(x2, by512, Load(data + 32));
    x3 = Fold(x3, by512, Load(data + 48));
  }
  const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128Second), static_cast<long long>(kFold128First));
  x1 = Fold(x0, by128, x1);
  x2 = Fold(x1, by128, x2);
  x3 = Fold(x2, by128, x3);
  for (; length >= 16; length -= 16, data += 16) x3 = Fold(x3, by128, Load(data));
  // What is left is the message's sum from a zero register: the table walk
  // of the last lane and the tail, started from ~0 so that it begins at zero.
  alignas(16) unsigned char last[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(last), x3);
  return Crc32UpdateByTable(Crc32UpdateByTable(0xFFFFFFFFu, last, 16), data, length);
}

#else

bool Crc32FoldingSupported() { return false; }

std::uint32_t Crc32UpdateByFolding(std::uint32_t crc, const unsigned char* data, std::size_t length) {
  return Crc32UpdateByTable(crc, data, length);
}

#endif
