// CRegistry: one registry key and the subkeys opened below it, as a small
// stack. Settings, path histories and language texts all go through it.
// Failures are reported by the result and kept in LastError(); callers treat
// every registry failure as "keep the default".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/registry_backend.h"

class CRegistry {
 public:
  // Error codes of the class itself, besides the platform's.
  static constexpr long kErrorNoKeyOpen = 22549;
  static constexpr long kErrorTooDeep = 22550;
  static constexpr long kErrorCannotOpen = 22551;  // missing (and not to be created) or not writable
  static constexpr long kErrorNoData = 22552;

  enum Mode { kReadOnly = 0, kReadWrite = 1, kOpenOrCreate = 2 };
  static constexpr int kMaxLevels = 11;

  CRegistry() = default;
  ~CRegistry() { Close(); }
  CRegistry(const CRegistry&) = delete;
  CRegistry& operator=(const CRegistry&) = delete;

  // Closes whatever is open, then opens root\path. Without a root (0), a path
  // that starts with "HKEY_...\" selects that root, otherwise HKEY_CURRENT_USER.
  bool Open(registry::Key root, const char* path, int mode);
  // Opens a subkey of the current key as the next level; a null name takes
  // the next subkey by enumeration. In mode 2 a missing subkey is created
  // unless doNotCreate is set.
  bool OpenSubKey(const char* name, bool doNotCreate = false);
  // Closes every level, innermost first; true when all closed cleanly.
  bool Close();

  // Reads a value of the expected type into the caller's buffer. Texts get
  // their terminator added (two zero bytes for multi-strings); on failure a
  // text buffer is left empty and any other buffer unchanged.
  bool GetValue(void* buffer, std::uint32_t size, const char* name, std::uint32_t expectedType);
  // Reads a value of any size; the bytes are followed by two zero bytes.
  bool GetValueAlloc(std::vector<char>& data, const char* name, std::uint32_t expectedType);
  bool SetValue(const void* data, std::uint32_t size, const char* name, std::uint32_t type);
  bool SetDword(std::uint32_t value, const char* name);
  bool GetDword(std::uint32_t& value, const char* name);
  // A text is written without its terminator.
  bool SetString(const char* text, const char* name);
  bool GetString(std::string& text, const char* name);
  // Multi-strings: zero-separated strings ended by an empty string.
  bool GetMultiString(std::vector<char>& data, const char* name);
  bool SetMultiString(const char* strings, const char* name);

  long LastError() const { return lastError_; }
  std::uint32_t LastType() const { return lastType_; }
  std::uint32_t LastSize() const { return lastSize_; }
  int Levels() const { return static_cast<int>(levels_.size()); }

 private:
  struct Level {
    registry::Key key = 0;
    std::string name;
    std::uint32_t valueIndex = 0;
    std::uint32_t subKeyIndex = 0;
  };

  bool Fail(long error);
  registry::Key Current() const { return levels_.empty() ? 0 : levels_.back().key; }

  std::vector<Level> levels_;
  int mode_ = kReadOnly;
  long lastError_ = 0;
  std::uint32_t lastType_ = 0;
  std::uint32_t lastSize_ = 0;
};

// Gathers every change made while it lives into one save of the store: on
// POSIX the settings file is locked, read, and written once at the end (a
// single durable rewrite instead of one per value); the Windows registry
// stores each value by itself. Commit() ends the batch early and says
// whether the changes were stored; a batch inside another one leaves the
// writing, and the verdict, to the outer one.
class CRegistryBatch {
 public:
  CRegistryBatch() { registry::BeginBatch(); }
  ~CRegistryBatch() { Commit(); }
  CRegistryBatch(const CRegistryBatch&) = delete;
  CRegistryBatch& operator=(const CRegistryBatch&) = delete;

  bool Commit() {
    if (open_) {
      open_ = false;
      stored_ = registry::EndBatch() == registry::kSuccess;
    }
    return stored_;
  }

 private:
  bool open_ = true;
  bool stored_ = false;
};
