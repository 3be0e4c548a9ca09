// CDeflateEncoder: compresses bytes into a deflate stream (RFC 1951), bare
// or wrapped as a zlib stream (RFC 1950: two header bytes, the deflate
// data, Adler-32 of the input), the form PNG keeps its pixels in.
//
// Input may come in pieces of any size; compressed bytes collect in the
// encoder's output until the caller takes them, so a writer can pass them
// on while the input is still arriving and never holds both in full:
//
//   CDeflateEncoder encoder(CDeflateEncoder::kZlibStream);
//   for (each piece) {
//     encoder.Write(piece, size);
//     Send(encoder.Output(), encoder.OutputSize());
//     encoder.ClearOutput();
//   }
//   encoder.Finish();
//   Send(encoder.Output(), encoder.OutputSize());
//
// The result is the same whatever the pieces are, and the same on every
// platform. The encoder keeps about 1.5 MB of working memory; running out
// of memory throws std::bad_alloc, nothing else throws.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Adler-32 of RFC 1950. Start a fresh sum from 1 and feed the pieces in
// order; Adler32Update(1, "abc", 3) == 0x024D0127.
std::uint32_t Adler32Update(std::uint32_t adler, const void* data, std::size_t length);

// Huffman code lengths for count symbols of the given frequencies, none
// longer than limit (2^limit >= count), as the encoder builds them for each
// block: optimal without the limit, and complete (the Kraft sum is exactly
// 1). Unused symbols get 0; when fewer than two are used, symbols 0 and 1
// make up the two codes, since some decoders refuse a code of one. count is
// at most 288, and the frequencies add up to less than 2^32.
void DeflateCodeLengths(const std::uint32_t* frequency, int count, int limit, std::uint8_t* lengths);

class CDeflateEncoder {
 public:
  enum Wrapper { kRawDeflate, kZlibStream };

  explicit CDeflateEncoder(Wrapper wrapper = kZlibStream);
  ~CDeflateEncoder();
  CDeflateEncoder(const CDeflateEncoder&) = delete;
  CDeflateEncoder& operator=(const CDeflateEncoder&) = delete;

  // Takes the next input bytes. Ignored after Finish.
  void Write(const void* data, std::size_t size);

  // Compresses what is left and ends the stream (the final block, and for
  // a zlib stream the Adler-32). Only the first call does anything.
  void Finish();

  // Compressed bytes not yet taken; ClearOutput takes them.
  const std::uint8_t* Output() const { return output_.data(); }
  std::size_t OutputSize() const { return outputSize_; }
  void ClearOutput() { outputSize_ = 0; }

  // The whole stream of data in one call.
  static std::vector<std::uint8_t> Compress(const void* data, std::size_t size,
                                            Wrapper wrapper = kZlibStream);

 private:
  struct Match {
    int length;
    int distance;
  };

  void CompressBuffered(bool finishing);
  void InsertPosition(int position);
  Match InsertAndFindMatch(int position, int longerThan, int chainLength);
  void RecordLiteral(std::uint8_t byte);
  void RecordMatch(const Match& match);
  void SlideWindow();

  void EndBlock(bool final);
  void WriteStoredBlocks(bool final);
  void WriteCodedBlock(bool final, bool dynamic, const struct BlockCodes& codes);
  void PutBits(std::uint32_t bits, int count);
  void AlignToByte();
  void EnsureOutputRoom(std::size_t bytes);

  const Wrapper wrapper_;
  bool finished_ = false;
  std::uint32_t adler_ = 1;

  // Input: the window of past bytes, then the bytes not yet compressed.
  std::vector<std::uint8_t> buffer_;
  int filled_ = 0;      // bytes in buffer_
  int position_ = 0;    // next byte to compress
  int blockStart_ = 0;  // first byte of the open block
  bool havePending_ = false;  // a match found one byte ahead waits at position_
  Match pending_ = {0, 0};

  // Hash chains: newest position of each 3-byte hash, and for each position
  // (modulo the window) the previous one with the same hash.
  std::vector<std::int32_t> head_;
  std::vector<std::int32_t> previous_;

  // The open block's symbols (a literal byte, or length | distance << 9)
  // and their frequencies.
  std::vector<std::uint32_t> symbols_;
  int symbolCount_ = 0;
  std::uint32_t literalFrequency_[286] = {};
  std::uint32_t distanceFrequency_[30] = {};

  // Output bits not yet whole bytes, and the bytes not yet taken.
  std::uint64_t bitBuffer_ = 0;
  int bitCount_ = 0;
  std::vector<std::uint8_t> output_;
  std::size_t outputSize_ = 0;
};
