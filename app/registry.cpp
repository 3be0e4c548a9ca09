#include "app/registry.h"

#include <cstring>

using namespace registry;

namespace {

const struct {
  const char* prefix;
  Key root;
} kRootPrefixes[] = {
    {"HKEY_CLASSES_ROOT\\", kClassesRoot}, {"HKEY_CURRENT_USER\\", kCurrentUser},
    {"HKEY_LOCAL_MACHINE\\", kLocalMachine}, {"HKEY_USERS\\", kUsers},
    {"HKEY_CURRENT_CONFIG\\", kCurrentConfig}, {"HKEY_DYN_DATA\\", kDynData},
};

}  // namespace

bool CRegistry::Fail(long error) {
  lastError_ = error;
  return false;
}

bool CRegistry::Open(Key root, const char* path, int mode) {
  Close();
  mode_ = mode;
  if (!path) path = "Software\\Tolmaric";  // the program always names its key
  if (!root) {
    root = kCurrentUser;
    for (const auto& entry : kRootPrefixes) {
      size_t length = std::strlen(entry.prefix);
      if (std::strncmp(path, entry.prefix, length) == 0) {
        root = entry.root;
        path += length;
        break;
      }
    }
  }
  Key key = 0;
  long error = OpenKey(root, path, mode != kReadOnly, &key);
  if (error != kSuccess && mode == kOpenOrCreate) error = CreateKey(root, path, &key);
  if (error != kSuccess) return Fail(mode == kOpenOrCreate ? error : kErrorCannotOpen);
  levels_.push_back(Level{key, path, 0, 0});
  lastError_ = kSuccess;
  return true;
}

bool CRegistry::OpenSubKey(const char* name, bool doNotCreate) {
  if (levels_.empty()) return Fail(kErrorNoKeyOpen);
  if (Levels() >= kMaxLevels) return Fail(kErrorTooDeep);
  char enumerated[257];
  if (!name) {
    long error = EnumKey(Current(), levels_.back().subKeyIndex, enumerated, sizeof enumerated);
    if (error != kSuccess) return Fail(error);
    levels_.back().subKeyIndex++;
    name = enumerated;
  }
  Key key = 0;
  long error = OpenKey(Current(), name, mode_ != kReadOnly, &key);
  if (error != kSuccess && mode_ == kOpenOrCreate && !doNotCreate) error = CreateKey(Current(), name, &key);
  if (error != kSuccess) return Fail(kErrorCannotOpen);
  levels_.push_back(Level{key, name, 0, 0});
  lastError_ = kSuccess;
  return true;
}

bool CRegistry::Close() {
  bool clean = true;
  while (!levels_.empty()) {
    if (CloseKey(levels_.back().key) != kSuccess) clean = false;
    levels_.pop_back();
  }
  return clean;
}

bool CRegistry::GetValue(void* buffer, std::uint32_t size, const char* name, std::uint32_t expectedType) {
  char* bytes = static_cast<char*>(buffer);
  std::uint32_t terminator = expectedType == kTypeMultiString ? 2 : expectedType == kTypeString ? 1 : 0;
  auto emptyText = [&] {
    for (std::uint32_t i = 0; i < terminator && i < size; ++i) bytes[i] = 0;
  };
  if (levels_.empty()) {
    emptyText();
    return Fail(kErrorNoKeyOpen);
  }
  std::vector<unsigned char> data(size + 2, 0);
  std::uint32_t got = size;
  std::uint32_t type = 0;
  long error = QueryValue(Current(), name, &type, data.data(), &got);
  if (error == kSuccess && type != expectedType) error = kInvalidParameter;
  // Texts may be stored with or without their terminator; either way the
  // caller's buffer must hold it.
  bool terminated = terminator == 0 || got + terminator <= size ||
                    (got >= terminator && data[got - 1] == 0 && (terminator == 1 || data[got - 2] == 0));
  if (error == kSuccess && !terminated) error = kMoreData;
  if (error != kSuccess) {
    emptyText();
    return Fail(error);
  }
  std::memcpy(bytes, data.data(), got);
  for (std::uint32_t i = got; i < got + terminator && i < size; ++i) bytes[i] = 0;
  lastType_ = type;
  lastSize_ = got;
  lastError_ = kSuccess;
  return true;
}

bool CRegistry::GetValueAlloc(std::vector<char>& data, const char* name, std::uint32_t expectedType) {
  data.clear();
  if (levels_.empty()) return Fail(kErrorNoKeyOpen);
  std::uint32_t size = 0, type = 0;
  long error = QueryValue(Current(), name, &type, nullptr, &size);
  if (error == kSuccess && type != expectedType) error = kInvalidParameter;
  if (error != kSuccess) return Fail(error);
  data.assign(size + 2, 0);
  error = QueryValue(Current(), name, &type, reinterpret_cast<unsigned char*>(data.data()), &size);
  if (error != kSuccess) {
    data.clear();
    return Fail(error);
  }
  data.resize(size + 2);
  data[size] = data[size + 1] = 0;
  lastType_ = type;
  lastSize_ = size;
  lastError_ = kSuccess;
  return true;
}

bool CRegistry::SetValue(const void* data, std::uint32_t size, const char* name, std::uint32_t type) {
  if (levels_.empty()) return Fail(kErrorNoKeyOpen);
  if (mode_ == kReadOnly) return Fail(kErrorCannotOpen);
  if (!data) return Fail(kErrorNoData);
  long error = registry::SetValue(Current(), name, type, static_cast<const unsigned char*>(data), size);
  if (error != kSuccess) return Fail(error);
  lastError_ = kSuccess;
  return true;
}

bool CRegistry::SetDword(std::uint32_t value, const char* name) {
  unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return SetValue(bytes, 4, name, kTypeDword);
}

bool CRegistry::GetDword(std::uint32_t& value, const char* name) {
  unsigned char bytes[4];
  if (!GetValue(bytes, 4, name, kTypeDword) || lastSize_ != 4) return false;
  value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return true;
}

bool CRegistry::SetString(const char* text, const char* name) {
  if (!text) return SetValue(nullptr, 0, name, kTypeString);
  return SetValue(text, static_cast<std::uint32_t>(std::strlen(text)), name, kTypeString);
}

bool CRegistry::GetString(std::string& text, const char* name) {
  std::vector<char> data;
  text.clear();
  if (!GetValueAlloc(data, name, kTypeString)) return false;
  text = data.data();  // a stored terminator ends the text
  return true;
}

bool CRegistry::GetMultiString(std::vector<char>& data, const char* name) {
  return GetValueAlloc(data, name, kTypeMultiString);
}

bool CRegistry::SetMultiString(const char* strings, const char* name) {
  if (!strings) return SetValue(nullptr, 0, name, kTypeMultiString);
  std::uint32_t size = 0;
  while (strings[size]) size += static_cast<std::uint32_t>(std::strlen(strings + size)) + 1;
  return SetValue(strings, size + 1, name, kTypeMultiString);
}
