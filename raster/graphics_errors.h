// The exceptions of the raster graphics library.
//
// Each carries its German message in a fixed 256-byte buffer, so an exception
// is a plain block that copies without touching the heap. EGraphicsAbort (the
// user stopped a save through the progress hook) is deliberately not an
// EGraphicsException: a handler for failures must not swallow a cancel.
#pragma once

class EGraphicsException {
 public:
  static const int kMessageSize = 256;

  const char* Message() const { return message_; }

 protected:
  explicit EGraphicsException(const char* message);

 private:
  char message_[kMessageSize];
};

class EBmpFileOpenError : public EGraphicsException {
 public:
  EBmpFileOpenError();
};

class EBmpFileWriteError : public EGraphicsException {
 public:
  EBmpFileWriteError();
};

class EBmpNotSupported : public EGraphicsException {
 public:
  EBmpNotSupported();
};

class EBmpDataError : public EGraphicsException {
 public:
  EBmpDataError();
};

// The PNG writer's failures, the same cases as the BMP writer's.
class EPngFileOpenError : public EGraphicsException {
 public:
  EPngFileOpenError();
};

class EPngFileWriteError : public EGraphicsException {
 public:
  EPngFileWriteError();
};

class EPngDataError : public EGraphicsException {
 public:
  EPngDataError();
};

class EGraphicsAbort {
 public:
  static const int kMessageSize = 256;

  EGraphicsAbort();
  const char* Message() const { return message_; }

 private:
  char message_[kMessageSize];
};
