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
// go through the table walk, which does the final reduction. Where the
// processor multiplies 256-bit registers (VPCLMULQDQ), the wide variant
// runs four such lanes 1024 bits apart, each two 128-bit lanes in one, and
// then folds down to the single lane of the narrow one.
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
constexpr std::uint64_t kFold1024First = FoldConstant(1024 + 32);
constexpr std::uint64_t kFold1024Second = FoldConstant(1024 - 32);
constexpr std::uint64_t kFold256First = FoldConstant(256 + 32);
constexpr std::uint64_t kFold256Second = FoldConstant(256 - 32);

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i lane, __m128i constants, __m128i next) {
  const __m128i first = _mm_clmulepi64_si128(lane, constants, 0x00);
  const __m128i second = _mm_clmulepi64_si128(lane, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(first, second), next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

__attribute__((target("avx2,vpclmulqdq,pclmul"))) inline __m256i FoldWide(__m256i lane, __m256i constants,
                                                                          __m256i next) {
  const __m256i first = _mm256_clmulepi64_epi128(lane, constants, 0x00);
  const __m256i second = _mm256_clmulepi64_epi128(lane, constants, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(first, second), next);
}

__attribute__((target("avx2,vpclmulqdq,pclmul"))) inline __m256i LoadWide(const unsigned char* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2,vpclmulqdq,pclmul"))) inline __m256i WideConstants(std::uint64_t first,
                                                                               std::uint64_t second) {
  return _mm256_set_epi64x(static_cast<long long>(second), static_cast<long long>(first),
                           static_cast<long long>(second), static_cast<long long>(first));
}

// The one lane left takes the remaining whole 16-byte blocks; then the lane
// and the tail go through the table walk.
__attribute__((target("pclmul,sse2"))) inline std::uint32_t FinishFolding(__m128i lane, const unsigned char* data,
                                                                         std::size_t length) {
  const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128Second), static_cast<long long>(kFold128First));
  for (; length >= 16; length -= 16, data += 16) lane = Fold(lane, by128, Load(data));
  // What is left is the message's sum from a zero register: the table walk
  // of the last lane and the tail, started from ~0 so that it begins at zero.
  alignas(16) unsigned char last[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(last), lane);
  return Crc32UpdateByTable(Crc32UpdateByTable(0xFFFFFFFFu, last, 16), data, length);
}

bool DetectFolding() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool sse2 = (edx & (1u << 26)) != 0;
  const bool pclmul = (ecx & (1u << 1)) != 0;
  return sse2 && pclmul;
}

// 256-bit registers need AVX2 and VPCLMULQDQ, and an operating system that
// saves their upper halves (XCR0 bits 1 and 2).
bool DetectWideFolding() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!DetectFolding() || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool osxsave = (ecx & (1u << 27)) != 0;
  const bool avx = (ecx & (1u << 28)) != 0;
  if (!osxsave || !avx) return false;
  unsigned xcr0 = 0, xcr0High = 0;
  __asm__ volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
  if ((xcr0 & 6) != 6) return false;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  const bool avx2 = (ebx & (1u << 5)) != 0;
  const bool vpclmulqdq = (ecx & (1u << 10)) != 0;
  return avx2 && vpclmulqdq;
}

}  // namespace

bool Crc32FoldingSupported() {
  static const bool supported = DetectFolding();
  return supported;
}

bool Crc32WideFoldingSupported() {
  static const bool supported = DetectWideFolding();
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
  return FinishFolding(x3, data, length);
}

__attribute__((target("avx2,vpclmulqdq,pclmul"), force_align_arg_pointer)) std::uint32_t Crc32UpdateByWideFolding(
    std::uint32_t crc, const unsigned char* data, std::size_t length) {
  if (length < kCrc32WideFoldMinimum) return Crc32UpdateByFolding(crc, data, length);
  __m256i y0 = _mm256_xor_si256(LoadWide(data), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(~crc)));
  __m256i y1 = LoadWide(data + 32);
  __m256i y2 = LoadWide(data + 64);
  __m256i y3 = LoadWide(data + 96);
  data += 128;
  length -= 128;
  const __m256i by1024 = WideConstants(kFold1024First, kFold1024Second);
  for (; length >= 128; length -= 128, data += 128) {
    y0 = FoldWide(y0, by1024, LoadWide(data));
    y1 = FoldWide(y1, by1024, LoadWide(data + 32));
    y2 = FoldWide(y2, by1024, LoadWide(data + 64));
    y3 = FoldWide(y3, by1024, LoadWide(data + 96));
  }
  const __m256i by256 = WideConstants(kFold256First, kFold256Second);
  y1 = FoldWide(y0, by256, y1);
  y2 = FoldWide(y1, by256, y2);
  y3 = FoldWide(y2, by256, y3);
  // The last lane's first half comes 128 bits before its second.
  const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128Second), static_cast<long long>(kFold128First));
  const __m128i x = Fold(_mm256_castsi256_si128(y3), by128, _mm256_extracti128_si256(y3, 1));
  return FinishFolding(x, data, length);
}

#else

bool Crc32FoldingSupported() { return false; }
bool Crc32WideFoldingSupported() { return false; }

std::uint32_t Crc32UpdateByFolding(std::uint32_t crc, const unsigned char* data, std::size_t length) {
  return Crc32UpdateByTable(crc, data, length);
}

std::uint32_t Crc32UpdateByWideFolding(std::uint32_t crc, const unsigned char* data, std::size_t length) {
  return Crc32UpdateByTable(crc, data, length);
}

#endif
