// The registry seam on POSIX: the registry tree kept in one text file,
// $XDG_CONFIG_HOME/tolmaric/registry (else ~/.config/tolmaric/registry):
//
//   [HKEY_CURRENT_USER\Software\Orvane\Tolmaric]
//   "BmpOn"=dword:00000001
//   "StepWidth"=sz:"25"
//   "KmlPath"=hex(7):02,2f,61,00,2f,61,00,00
//
// Key paths and value names compare without regard to ASCII case, as in the
// registry. Text values escape every byte outside printable ASCII as \xHH, so
// any code page 1252 text (line breaks and all) round-trips exactly and stays
// editable by hand, which is how a user translates the program texts.
// Every change rewrites the whole file through a temporary file and a rename:
// a crash or a full disk leaves the old store or the new one, never half of
// one. A file that does not parse is taken as an empty store and, before the
// first write replaces it, kept beside it as "registry.corrupt" (or
// "registry.corrupt.2" ... when an earlier copy is kept there). A store that
// exists but cannot be read (permissions, a folder) is never written: the
// program goes on with its defaults and every change fails.
#include "app/registry_backend.h"

#include "app/desktop.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace registry {

namespace {

struct Value {
  std::string name;
  std::uint32_t type = kTypeNone;
  std::string data;
};

struct KeyNode {
  std::string path;  // as first written
  std::vector<Value> values;
};

struct Handle {
  std::string path;
  bool writable = false;
};

const struct {
  Key key;
  const char* name;
} kRoots[] = {
    {kClassesRoot, "HKEY_CLASSES_ROOT"}, {kCurrentUser, "HKEY_CURRENT_USER"},
    {kLocalMachine, "HKEY_LOCAL_MACHINE"}, {kUsers, "HKEY_USERS"},
    {kCurrentConfig, "HKEY_CURRENT_CONFIG"}, {kDynData, "HKEY_DYN_DATA"},
};

std::string Fold(const std::string& text) {
  std::string folded = text;
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return folded;
}

// ---- the file ----

std::string StorePath() {
  std::string folder = UserConfigFolder();
  return folder.empty() ? folder : folder + "registry";
}

const char kHex[] = "0123456789abcdef";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Quote(const std::string& bytes) {
  std::string text = "\"";
  for (unsigned char c : bytes) {
    if (c == '\\' || c == '"') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 15];
    }
  }
  return text + "\"";
}

// Reads a quoted text at text[pos]; false when it is malformed.
bool Unquote(const std::string& text, size_t& pos, std::string& bytes) {
  if (pos >= text.size() || text[pos] != '"') return false;
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c != '\\') {
      bytes += c;
      continue;
    }
    if (++pos >= text.size()) return false;
    c = text[pos];
    if (c == '\\' || c == '"') {
      bytes += c;
    } else if (c == 'x' && pos + 2 < text.size() && HexDigit(text[pos + 1]) >= 0 && HexDigit(text[pos + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[pos + 1]) * 16 + HexDigit(text[pos + 2]));
      pos += 2;
    } else {
      return false;
    }
  }
  return false;
}

std::string FormatValue(const Value& value) {
  std::string line = Quote(value.name) + "=";
  if (value.type == kTypeDword && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(number));
    return line + "dword:" + digits;
  }
  if (value.type == kTypeString) return line + "sz:" + Quote(value.data);
  line += "hex(" + std::to_string(value.type) + "):";
  for (size_t i = 0; i < value.data.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(value.data[i]);
    if (i) line += ',';
    line += kHex[c >> 4];
    line += kHex[c & 15];
  }
  return line;
}

bool ParseHexBytes(const std::string& text, size_t pos, std::string& bytes) {
  while (pos < text.size()) {
    if (pos + 1 >= text.size() || HexDigit(text[pos]) < 0 || HexDigit(text[pos + 1]) < 0) return false;
    bytes += static_cast<char>(HexDigit(text[pos]) * 16 + HexDigit(text[pos + 1]));
    pos += 2;
    if (pos == text.size()) break;
    if (text[pos++] != ',' || pos == text.size()) return false;
  }
  return true;
}

bool ParseValue(const std::string& line, Value& value) {
  size_t pos = 0;
  if (!Unquote(line, pos, value.name) || pos >= line.size() || line[pos++] != '=') return false;
  std::string rest = line.substr(pos);
  if (rest.compare(0, 6, "dword:") == 0) {
    if (rest.size() != 14) return false;
    std::uint32_t number = 0;
    for (size_t i = 6; i < 14; ++i) {
      int digit = HexDigit(rest[i]);
      if (digit < 0) return false;
      number = number << 4 | static_cast<std::uint32_t>(digit);
    }
    value.type = kTypeDword;
    for (int i = 0; i < 4; ++i) value.data += static_cast<char>(number >> (8 * i) & 0xFF);
    return true;
  }
  if (rest.compare(0, 3, "sz:") == 0) {
    size_t at = 3;
    value.type = kTypeString;
    return Unquote(rest, at, value.data) && at == rest.size();
  }
  if (rest.compare(0, 4, "hex(") == 0) {
    size_t close = rest.find("):");
    if (close == std::string::npos || close == 4) return false;
    std::uint32_t type = 0;
    for (size_t i = 4; i < close; ++i) {
      if (rest[i] < '0' || rest[i] > '9' || type > 100000000u) return false;
      type = type * 10 + static_cast<std::uint32_t>(rest[i] - '0');
    }
    value.type = type;
    return ParseHexBytes(rest, close + 2, value.data);
  }
  return false;
}

// ---- the tree in memory ----

class Store {
 public:
  // Reads the file again, so that every top-level open sees the latest state.
  void Load();
  long Save();

  bool HasKey(const std::string& path) const { return IsRoot(path) || keys_.count(Fold(path)) > 0; }
  bool AddKey(const std::string& path);  // true when something was created
  KeyNode* Find(const std::string& path);
  std::vector<std::string> Children(const std::string& path) const;

  std::map<Key, Handle> handles;
  Key nextHandle = 0x100;

 private:
  static bool IsRoot(const std::string& path) { return path.find('\\') == std::string::npos; }
  bool Parse(const std::string& text);

  std::map<std::string, KeyNode> keys_;  // by folded path
  bool unreadable_ = false;
  bool corrupt_ = false;
};

Store& TheStore() {
  static Store store;
  return store;
}

bool Store::AddKey(const std::string& path) {
  bool created = false;
  for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
    std::string prefix = path.substr(0, at);
    if (!IsRoot(prefix) && !keys_.count(Fold(prefix))) {
      keys_[Fold(prefix)].path = prefix;
      created = true;
    }
  }
  if (!HasKey(path)) {
    keys_[Fold(path)].path = path;
    created = true;
  }
  return created;
}

KeyNode* Store::Find(const std::string& path) {
  if (IsRoot(path)) {  // roots always exist, and are written under their name
    KeyNode& root = keys_[Fold(path)];
    if (root.path.empty()) root.path = path;
    return &root;
  }
  auto found = keys_.find(Fold(path));
  return found == keys_.end() ? nullptr : &found->second;
}

std::vector<std::string> Store::Children(const std::string& path) const {
  std::vector<std::string> names;
  std::string prefix = Fold(path) + "\\";
  for (const auto& [folded, node] : keys_) {
    if (folded.compare(0, prefix.size(), prefix) != 0) continue;
    std::string rest = node.path.substr(prefix.size());
    if (!rest.empty() && rest.find('\\') == std::string::npos) names.push_back(rest);
  }
  return names;
}

bool Store::Parse(const std::string& text) {
  KeyNode* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // edited on Windows
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3) return false;
      std::string path = line.substr(1, line.size() - 2);
      AddKey(path);
      current = Find(path);
      continue;
    }
    Value value;
    if (!current || !ParseValue(line, value)) return false;
    current->values.push_back(value);
  }
  return true;
}

void Store::Load() {
  keys_.clear();
  corrupt_ = false;
  unreadable_ = false;
  std::string path = StorePath();
  if (path.empty()) return;
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    unreadable_ = errno != ENOENT;
    return;
  }
  std::FILE* file = S_ISREG(info.st_mode) ? std::fopen(path.c_str(), "rb") : nullptr;
  if (!file) {
    unreadable_ = true;
    return;
  }
  std::string text;
  char block[4096];
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
  unreadable_ = std::ferror(file) != 0;
  std::fclose(file);
  if (unreadable_) {
    keys_.clear();
    return;
  }
  if (!Parse(text)) {
    keys_.clear();
    corrupt_ = true;
  }
}

void MakeFolders(const std::string& file) {
  for (size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1))
    mkdir(file.substr(0, at).c_str(), 0700);
}

// "registry.corrupt", else the first "registry.corrupt.N" not taken.
std::string KeptAsidePath(const std::string& path) {
  std::string kept = path + ".corrupt";
  struct stat info;
  for (int n = 2; lstat(kept.c_str(), &info) == 0; ++n) kept = path + ".corrupt." + std::to_string(n);
  return kept;
}

long Store::Save() {
  std::string path = StorePath();
  if (path.empty() || unreadable_) return kAccessDenied;
  MakeFolders(path);
  if (corrupt_) {
    if (std::rename(path.c_str(), KeptAsidePath(path).c_str()) != 0) return kAccessDenied;
    corrupt_ = false;
  }
  std::string text = "; Tolmaric settings\n";
  for (const auto& entry : keys_) {
    if (entry.second.path.find('\\') == std::string::npos && entry.second.values.empty()) continue;
    text += "[" + entry.second.path + "]\n";
    for (const Value& value : entry.second.values) text += FormatValue(value) + "\n";
  }
  std::string temporary = path + ".tmp" + std::to_string(getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return kAccessDenied;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = std::fflush(file) == 0 && written;
  written = fsync(fileno(file)) == 0 && written;
  written = std::fclose(file) == 0 && written;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return kWriteFault;
  }
  return kSuccess;
}

// Every change reads the file again and writes it back under an exclusive
// lock, so two programs saving at once never drop each other's values.
class StoreLock {
 public:
  StoreLock() {
    std::string path = StorePath();
    if (path.empty()) return;
    MakeFolders(path);
    descriptor_ = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor_ >= 0) flock(descriptor_, LOCK_EX);
  }
  ~StoreLock() {
    if (descriptor_ >= 0) close(descriptor_);  // closing releases the lock
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int descriptor_ = -1;
};

// ---- handles ----

const char* RootName(Key key) {
  for (const auto& root : kRoots)
    if (root.key == key) return root.name;
  return nullptr;
}

// The full path of parent\subKey, empty segments dropped; false for a bad parent.
bool ChildPath(Key parent, const char* subKey, std::string& path) {
  Store& store = TheStore();
  if (const char* root = RootName(parent)) {
    store.Load();
    path = root;
  } else {
    auto found = store.handles.find(parent);
    if (found == store.handles.end()) return false;
    path = found->second.path;
  }
  std::string rest = subKey ? subKey : "";
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    if (end > start) path += "\\" + rest.substr(start, end - start);
    start = end + 1;
  }
  return true;
}

Key NewHandle(const std::string& path, bool writable) {
  Store& store = TheStore();
  Key key = store.nextHandle++;
  store.handles[key] = Handle{path, writable};
  return key;
}

const Handle* FindHandle(Key key) {
  Store& store = TheStore();
  auto found = store.handles.find(key);
  return found == store.handles.end() ? nullptr : &found->second;
}

}  // namespace

long OpenKey(Key parent, const char* subKey, bool writable, Key* result) {
  *result = 0;
  std::string path;
  if (!ChildPath(parent, subKey, path)) return kInvalidHandle;
  if (!TheStore().HasKey(path)) return kFileNotFound;
  *result = NewHandle(path, writable);
  return kSuccess;
}

long CreateKey(Key parent, const char* subKey, Key* result) {
  *result = 0;
  StoreLock lock;
  TheStore().Load();
  std::string path;
  if (!ChildPath(parent, subKey, path)) return kInvalidHandle;
  if (TheStore().AddKey(path)) {
    long error = TheStore().Save();
    if (error != kSuccess) return error;
  }
  *result = NewHandle(path, true);
  return kSuccess;
}

long CloseKey(Key key) { return TheStore().handles.erase(key) ? kSuccess : kInvalidHandle; }

long QueryValue(Key key, const char* name, std::uint32_t* type, unsigned char* data, std::uint32_t* size) {
  const Handle* handle = FindHandle(key);
  if (!handle) return kInvalidHandle;
  KeyNode* node = TheStore().Find(handle->path);
  if (!node) return kFileNotFound;
  std::string wanted = Fold(name ? name : "");
  for (const Value& value : node->values) {
    if (Fold(value.name) != wanted) continue;
    if (type) *type = value.type;
    std::uint32_t needed = static_cast<std::uint32_t>(value.data.size());
    if (data && *size < needed) {
      *size = needed;
      return kMoreData;
    }
    if (data) std::memcpy(data, value.data.data(), needed);
    *size = needed;
    return kSuccess;
  }
  return kFileNotFound;
}

long SetValue(Key key, const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t size) {
  const Handle* handle = FindHandle(key);
  if (!handle) return kInvalidHandle;
  if (!handle->writable) return kAccessDenied;
  if (!data && size) return kInvalidParameter;
  StoreLock lock;
  TheStore().Load();
  KeyNode* node = TheStore().Find(handle->path);
  if (!node) return kFileNotFound;  // deleted by another process meanwhile
  std::string valueName = name ? name : "";
  std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  for (Value& value : node->values) {
    if (Fold(value.name) == Fold(valueName)) {
      value.type = type;
      value.data = bytes;
      return TheStore().Save();
    }
  }
  node->values.push_back(Value{valueName, type, bytes});
  return TheStore().Save();
}

long EnumKey(Key key, std::uint32_t index, char* name, std::uint32_t nameSize) {
  const Handle* handle = FindHandle(key);
  std::string path;
  if (handle) {
    path = handle->path;
  } else if (const char* root = RootName(key)) {
    path = root;
  } else {
    return kInvalidHandle;
  }
  std::vector<std::string> children = TheStore().Children(path);
  if (index >= children.size()) return kNoMoreItems;
  if (children[index].size() + 1 > nameSize) return kMoreData;
  std::memcpy(name, children[index].c_str(), children[index].size() + 1);
  return kSuccess;
}

}  // namespace registry
