// The buffer logic of CBufferedFile; the system calls sit behind
// buffered_file_os (buffered_file_win32.cpp, buffered_file_posix.cpp).
//
// The buffer holds either bytes waiting to be written (pending_) or bytes
// read ahead (readPos_..readEnd_), never both: reading flushes first, and
// writing first moves the file position back over the unread read-ahead.
// A failed write discards what it could not write and leaves the file marked
// failed; further writes, Flush and Close then all report failure.
#include "support/buffered_file.h"

#include <cstring>
#include <new>

namespace os = buffered_file_os;

CBufferedFile::CBufferedFile(int bufferSize)
    : bufferSize_(bufferSize > 0 ? bufferSize : kDefaultBufferSize) {}

CBufferedFile::~CBufferedFile() { Close(); }

// ---- Opening and closing -------------------------------------------------------

std::intptr_t CBufferedFile::OpenHandle(const char* name, int mode) {
  if (mode == kModeRead) return os::Open(name, os::kRead);
  if (mode == kModeUpdate) {
    std::intptr_t handle = os::Open(name, os::kReadWriteExisting);
    if (handle != kNoHandle) return handle;
    if (os::Exists(name)) {
      // Never fall back to truncating a file that is only read-only.
      if (!os::ClearReadOnly(name)) return kNoHandle;
      return os::Open(name, os::kReadWriteExisting);
    }
  }
  std::intptr_t handle = os::Open(name, os::kCreate);
  if (handle == kNoHandle && os::ClearReadOnly(name)) handle = os::Open(name, os::kCreate);
  return handle;
}

bool CBufferedFile::Open(const char* name, int mode, bool append) {
  if (IsOpen()) {
    int keptSize = bufferSize_;
    Close();
    bufferSize_ = keptSize;
  }
  if (!name || !*name || mode < kModeRead || mode > kModeCreate) return false;
  std::intptr_t handle = OpenHandle(name, mode);
  if (handle == kNoHandle) return false;
  buffer_ = new (std::nothrow) char[static_cast<std::size_t>(bufferSize_) + 2];
  if (!buffer_) {
    os::Close(handle);
    return false;
  }
  handle_ = handle;
  mode_ = mode;
  append_ = append;
  pending_ = readPos_ = readEnd_ = 0;
  failed_ = false;
  return true;
}

void CBufferedFile::Release() {
  delete[] buffer_;
  buffer_ = nullptr;
  handle_ = kNoHandle;
  mode_ = kModeRead;
  append_ = false;
  bufferSize_ = kDefaultBufferSize;
  pending_ = readPos_ = readEnd_ = 0;
  failed_ = false;
}

bool CBufferedFile::Close() {
  if (!IsOpen()) return false;
  bool flushed = !IsWritable() || Flush();
  bool closed = os::Close(handle_);
  Release();
  return flushed && closed;
}

// ---- Writing ---------------------------------------------------------------------

bool CBufferedFile::WriteOut(const void* data, int count) {
  if (append_ && !os::SeekToEnd(handle_)) return false;
  return os::Write(handle_, data, count);
}

bool CBufferedFile::WriteBuffered() {
  if (pending_ == 0) return true;
  bool written = WriteOut(buffer_, pending_);
  pending_ = 0;
  if (!written) failed_ = true;
  return written;
}

bool CBufferedFile::DropReadAhead() {
  int unread = readEnd_ - readPos_;
  readPos_ = readEnd_ = 0;
  return unread == 0 || os::Seek(handle_, -static_cast<std::int64_t>(unread));
}

int CBufferedFile::Write(const void* data, int count) {
  if (!IsWritable() || failed_) return -1;
  if (count < 1) return 0;
  if (!data) return -1;
  if (!DropReadAhead()) {
    failed_ = true;
    return -1;
  }
  const char* bytes = static_cast<const char*>(data);
  int room = bufferSize_ - pending_;
  if (count <= room) {
    std::memcpy(buffer_ + pending_, bytes, count);
    pending_ += count;
    return count;
  }
  std::memcpy(buffer_ + pending_, bytes, room);
  pending_ = bufferSize_;
  if (!WriteBuffered()) return -1;
  int rest = count - room;
  if (rest > bufferSize_) {
    if (!WriteOut(bytes + room, rest)) {
      failed_ = true;
      return -1;
    }
  } else {
    std::memcpy(buffer_, bytes + room, rest);
    pending_ = rest;
  }
  return count;
}

bool CBufferedFile::Flush() {
  if (!IsOpen()) return false;
  return WriteBuffered() && !failed_;
}

// ---- Reading ---------------------------------------------------------------------

int CBufferedFile::Read(void* data, int count) {
  if (!IsOpen() || !data) return -1;
  if (count < 1) return 0;
  if (!WriteBuffered()) return -1;
  char* out = static_cast<char*>(data);
  int served = 0;
  while (served < count) {
    if (readPos_ < readEnd_) {
      int take = readEnd_ - readPos_ < count - served ? readEnd_ - readPos_ : count - served;
      std::memcpy(out + served, buffer_ + readPos_, take);
      readPos_ += take;
      served += take;
      continue;
    }
    int left = count - served;
    bool direct = left >= bufferSize_;
    int got = direct ? os::Read(handle_, out + served, left) : os::Read(handle_, buffer_, bufferSize_);
    if (got < 0) return served > 0 ? served : -1;
    if (got == 0) break;
    if (direct) {
      served += got;
    } else {
      readPos_ = 0;
      readEnd_ = got;
    }
  }
  return served;
}
