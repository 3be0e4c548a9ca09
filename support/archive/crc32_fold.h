// The ways Crc32Update computes its sum: a table walk that runs everywhere,
// and folding with carry-less multiplication on x86 processors that have it
// (PCLMULQDQ; over 256-bit registers where VPCLMULQDQ and AVX2 are there
// too), chosen at run time. All give the same sums; tests compare them
// through these entries.
#pragma once
#include <cstddef>
#include <cstdint>

// Crc32Update by the slicing tables only.
std::uint32_t Crc32UpdateByTable(std::uint32_t crc, const unsigned char* data, std::size_t length);

// True when this processor can fold (asked once).
bool Crc32FoldingSupported();

// Crc32Update by folding; only when Crc32FoldingSupported(). Lengths below
// kCrc32FoldMinimum go to the table walk.
const std::size_t kCrc32FoldMinimum = 64;
std::uint32_t Crc32UpdateByFolding(std::uint32_t crc, const unsigned char* data, std::size_t length);

// True when this processor can fold 256-bit registers (asked once).
bool Crc32WideFoldingSupported();

// Crc32Update by folding 256-bit registers; only when
// Crc32WideFoldingSupported(). Lengths below kCrc32WideFoldMinimum go to
// Crc32UpdateByFolding.
const std::size_t kCrc32WideFoldMinimum = 256;
std::uint32_t Crc32UpdateByWideFolding(std::uint32_t crc, const unsigned char* data, std::size_t length);

// Lets tests send Crc32Update down the table walk even where folding is
// supported; on by default.
void Crc32AllowFolding(bool allow);
