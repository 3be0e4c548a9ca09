// CBufferedFile: a file with one buffer in front of it, made for the BMP
// writer, which hands over a picture in many small rows.
//
// Writes collect in the buffer and go to the file when it is full; a block
// larger than the whole buffer goes straight to the file after the buffered
// bytes. Nothing is lost silently: a write or flush that fails reports it,
// and once a write has failed Close reports failure as well, so a caller that
// only checks Close still learns that the file is incomplete.
//
// Reading is supported as far as a mixed read/write file needs it: Read
// fills the buffer ahead, and the first write after reading moves the file
// position back over the bytes read ahead but not consumed. The resource and
// in-memory forms are not provided.
#pragma once
#include <cstdint>

class CBufferedFile {
 public:
  static constexpr int kDefaultBufferSize = 32768;

  enum OpenMode {
    kModeRead = 0,    // existing file, read only
    kModeUpdate = 1,  // existing file, read and write; created when missing
    kModeCreate = 2,  // created or truncated, read and write
  };

  // A closed file; Open allocates bufferSize + 2 bytes (values below 1 mean
  // kDefaultBufferSize).
  explicit CBufferedFile(int bufferSize = kDefaultBufferSize);
  ~CBufferedFile();  // closes
  CBufferedFile(const CBufferedFile&) = delete;
  CBufferedFile& operator=(const CBufferedFile&) = delete;

  // Opens name in mode (OpenMode); append makes every write go to the end of
  // the file. Closes whatever was open first. A created file is readable and
  // writable; when creating fails because the file is read-only, the
  // read-only attribute is cleared and creating is tried once more.
  // Mode 1 creates the file only when it does not exist: an existing file
  // that cannot be opened for writing is never truncated.
  bool Open(const char* name, int mode, bool append = false);

  // Bytes read into data (up to count), 0 at the end of the file or for a
  // count below 1, -1 when not open or on a read error.
  int Read(void* data, int count);

  // count when all bytes were taken; 0 for a count below 1; -1 when the file
  // is not open for writing or a write to the file failed.
  int Write(const void* data, int count);

  // Writes the buffered bytes; false when that fails or the file is not open.
  bool Flush();

  // Flushes (when writable), frees the buffer, closes the handle and resets
  // the object (buffer size back to kDefaultBufferSize). True when the
  // flush and the close succeeded and no earlier write had failed; false
  // when nothing was open.
  bool Close();

  bool IsOpen() const { return handle_ != kNoHandle; }
  bool IsWritable() const { return IsOpen() && mode_ != kModeRead; }
  int BufferSize() const { return bufferSize_; }

 private:
  static constexpr std::intptr_t kNoHandle = -1;

  std::intptr_t OpenHandle(const char* name, int mode);
  void Release();
  bool WriteOut(const void* data, int count);
  bool WriteBuffered();
  bool DropReadAhead();

  std::intptr_t handle_ = kNoHandle;
  int mode_ = kModeRead;
  bool append_ = false;
  int bufferSize_;
  char* buffer_ = nullptr;
  int pending_ = 0;     // bytes waiting to be written
  int readPos_ = 0;     // next unread byte of the read-ahead
  int readEnd_ = 0;     // end of the read-ahead
  bool failed_ = false; // a write failed since Open
};

// ---- Platform seam (buffered_file_win32.cpp / buffered_file_posix.cpp) ----
// Raw handles as std::intptr_t; -1 is "no handle".
namespace buffered_file_os {
enum Access { kRead, kReadWriteExisting, kCreate };
// Folders are refused. Append mode is the caller's: it seeks to the end.
std::intptr_t Open(const char* name, Access access);
bool ClearReadOnly(const char* name);
bool Exists(const char* name);
// Bytes read (0 at the end), -1 on error.
int Read(std::intptr_t handle, void* data, int count);
// Writes all count bytes or returns false.
bool Write(std::intptr_t handle, const void* data, int count);
// Moves the file position by offset bytes (negative: backwards).
bool Seek(std::intptr_t handle, std::int64_t offset);
bool SeekToEnd(std::intptr_t handle);
bool Close(std::intptr_t handle);
}  // namespace buffered_file_os
