// CDeflateCodec: turns the data of one ZIP entry (raw deflate, RFC 1951, or
// stored) back into its bytes, and CRC-32 as ZIP uses it.
//
// The codec is bound to one source and one sink, then Decode runs one job:
//
//   codec.SetSourceFile(&archive, entry.compressedSize, CDeflateCodec::NoCrc);
//   codec.SetSinkMemory(capacity, buffer, 0);        // output CRC from 0
//   codec.Decode(entry.method);                      // throws EDeflateError
//   if (codec.GetValue(CDeflateCodec::kValueOutputCrc) != entry.crc32) ...
//
// Damaged data always ends in an EDeflateError, never in a read or write
// outside the bound source and sink: the decoder takes at most the source's
// limit, writes at most the sink's capacity, and rejects a distance that
// reaches back before the first byte of the output. A valid stream never
// fails for lack of lookahead: bits a table lookup wants beyond the end of
// the source read as zeros, and the run fails (kind 4) only when the code
// actually decoded needs them.
#pragma once
#include <cstdint>
#include <exception>
#include <iosfwd>

// CRC-32 of ZIP (ISO 3309, reflected polynomial 0xEDB88320). Start a fresh
// sum from 0 and feed the pieces in order; a length below 1 returns crc
// unchanged. Crc32Update(0, "abc", 3) == 0x352441C2.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::int32_t length);

// What every failure of CDeflateCodec::Decode throws. text is one of the
// codec's fixed German messages (code page 1252, static storage).
class EDeflateError : public std::exception {
 public:
  EDeflateError(int kind, const char* text) : kind_(kind), text_(text) {}
  int Kind() const { return kind_; }
  const char* what() const noexcept override { return text_; }

 private:
  int kind_;
  const char* text_;
};

class CDeflateCodec {
 public:
  // Seed that turns CRC accounting of a source or sink off; any other seed
  // turns it on and is the starting CRC (0 for a fresh sum).
  static const std::uint32_t NoCrc = 0x12345678;

  // Kinds of failure, kept by ErrorKind() until the next Decode.
  enum ErrorKindValue {
    kErrorNone = 0,
    kErrorRead = 1,         // the source's read failed (stored method)
    kErrorWrite = 2,        // the sink's write took fewer bytes than given
    kErrorSinkFull = 3,     // a memory sink is full
    kErrorSourceEnded = 4,  // the source ended (or failed) while a byte was needed
    kErrorMethod = 5,       // method neither 0 nor 8
    kErrorBadData = 6,      // block type 3, stored length check, bad code or table
    kErrorNoMemory = 7,     // a work buffer or table could not be allocated
  };

  // Methods for Decode.
  enum Method { kMethodStored = 0, kMethodDeflate = 8, kMethodAsSet = -2 };

  // Indexes for GetValue.
  enum ValueIndex {
    kValueLevel = 0,
    kValueFlags = 1,
    kValueMethod = 2,
    kValueOutputCrc = 3,
    kValueInputCrc = 4,
    kValueBytesTaken = 5,      // compressed bytes the decoder used
    kValueBytesDelivered = 6,  // bytes given to the sink
    kValueBytesPassed = 7,     // bytes through the built-in file read and write
  };

  // Sizes of the work buffers, allocated on first need and kept until
  // ReleaseBuffers: the 64 KiB buffer serves the stored method as its copy
  // buffer and file and function sinks as their sliding window; memory
  // sources are read in place.
  static const std::uint32_t kWindowSize = 32768;
  static const std::uint32_t kBufferSize = 65536;
  static const std::uint32_t kInputBufferSize = 4096;  // file and function sources

  // A caller's source: copies up to size bytes to data and returns how many
  // (0 at the end), or -1 on failure.
  typedef std::int32_t (*ReadFunction)(void* context, void* data, std::uint32_t size);
  // A caller's sink: takes up to size bytes and returns how many, or -1.
  typedef std::int32_t (*WriteFunction)(void* context, const void* data, std::uint32_t size);

  CDeflateCodec();
  ~CDeflateCodec();
  CDeflateCodec(const CDeflateCodec&) = delete;
  CDeflateCodec& operator=(const CDeflateCodec&) = delete;

  // Settings. Only the method matters for decoding: Decode(kMethodAsSet)
  // uses it. Level (0..9, default 9) and flags (default 0) are kept for
  // GetValue.
  void SetLevel(int level);
  void SetFlags(std::uint32_t flags);
  void SetMethod(int method);

  // Sources. A file source reads from the stream's current position, never
  // more than limit bytes in total (a negative limit: no limit); a stream
  // that reaches its end is left readable (its end-of-file state cleared).
  void SetSourceFile(std::istream* file, std::int32_t limit, std::uint32_t seed);
  void SetSourceMemory(std::uint32_t size, const void* base, std::uint32_t seed);
  void SetSourceFunction(ReadFunction read, void* context, std::uint32_t seed);

  // Sinks. A memory sink fills base from its start and never writes past
  // capacity bytes; deflate output goes straight into it, and a stream
  // longer than capacity fills it to the last byte before failing (kind 3).
  // File and function sinks receive the output through the 32 KiB window in
  // pieces of up to 64 KiB. A file sink writes at the stream's position, at
  // most limit bytes (negative: no limit).
  void SetSinkMemory(std::uint32_t capacity, void* base, std::uint32_t seed);
  void SetSinkFile(std::ostream* file, std::int32_t limit, std::uint32_t seed);
  void SetSinkFunction(WriteFunction write, void* context, std::uint32_t seed);

  // Runs one job with method 0 (stored), 8 (deflate) or kMethodAsSet and
  // returns the number of bytes delivered to the sink. Failures throw
  // EDeflateError with ErrorKind() set; the memory sink then holds the bytes
  // delivered so far, and bindings, buffers and counters stay as they stood.
  // Each call starts afresh: memory sources and sinks from their first byte,
  // CRCs from their seeds; a file source goes on from where its stream and
  // limit stand, so rebind it before decoding the next entry.
  std::uint32_t Decode(int method);

  // One of ValueIndex; any other index gives 0.
  std::uint32_t GetValue(int index) const;

  // Kind of the last failure (ErrorKindValue), 0 when the last run succeeded.
  int ErrorKind() const { return errorKind_; }

  // Frees the work buffers and tables; bindings and settings stay.
  void ReleaseBuffers();

 private:
  struct Run;          // one decoding job: bit reader, output, tables
  struct TablePool;    // decoding tables; the fixed ones are kept between runs

  enum BindingMode { kBindMemory, kBindFile, kBindFunction };

  struct Source {
    BindingMode mode = kBindMemory;
    ReadFunction read = nullptr;
    void* context = nullptr;
    std::istream* file = nullptr;
    std::int32_t limit = -1;  // file sources: bytes left, negative = unlimited
    const unsigned char* base = nullptr;
    std::uint32_t size = 0;
    std::uint32_t position = 0;
    std::uint32_t seed = 0;
    std::uint32_t crc = 0;
    bool crcOn = false;
  };

  struct Sink {
    BindingMode mode = kBindMemory;
    WriteFunction write = nullptr;
    void* context = nullptr;
    std::ostream* file = nullptr;
    std::int32_t limit = -1;
    unsigned char* base = nullptr;
    std::uint32_t capacity = 0;
    std::uint32_t position = 0;
    std::uint32_t seed = 0;
    std::uint32_t crc = 0;
    bool crcOn = false;
  };

  static std::int32_t ReadFile(void* context, void* data, std::uint32_t size);
  static std::int32_t ReadMemory(void* context, void* data, std::uint32_t size);
  static std::int32_t WriteFile(void* context, const void* data, std::uint32_t size);

  [[noreturn]] void Fail(int kind, const char* text);
  void AllocateBuffers(bool needWindow, bool needInput);
  std::uint32_t DecodeStored();
  std::uint32_t DecodeDeflate();
  std::int32_t ReadSource(void* data, std::uint32_t size);
  bool WriteSink(const void* data, std::uint32_t size);

  // Settings.
  int level_ = 9;
  std::uint32_t flags_ = 0;
  int method_ = kMethodDeflate;

  Source source_;
  Sink sink_;

  // Counters of the current or last run.
  std::uint32_t bytesTaken_ = 0;
  std::uint32_t bytesDelivered_ = 0;
  std::uint32_t bytesPassed_ = 0;

  // Work buffers, allocated on first need.
  unsigned char* buffer_ = nullptr;       // kBufferSize: window or stored copy buffer
  unsigned char* inputBuffer_ = nullptr;  // kInputBufferSize
  TablePool* tables_ = nullptr;

  int errorKind_ = kErrorNone;
};
