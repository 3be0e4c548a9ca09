#include "app/dir_chooser_memory.h"

#include <cstring>

#include "app/registry.h"

namespace {

constexpr const char* kHistorySuffix = "Last";

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c != '\\' && c != '/') {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(part);
      part.clear();
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace

bool CRegistryFolderMemory::OpenKey(CRegistry& registry, const std::string& keyPath, std::string& valueName) {
  bool belowUser = !keyPath.empty() && keyPath[0] == '#';
  std::vector<std::string> parts = SplitKeyPath(belowUser ? keyPath.substr(1) : keyPath);
  if (parts.empty()) return false;
  bool opened = belowUser ? registry.Open(registry::kCurrentUser, "", CRegistry::kOpenOrCreate)
                          : registry.Open(0, nullptr, CRegistry::kOpenOrCreate);
  if (!opened) return false;
  for (size_t i = 0; i + 1 < parts.size(); i++) {
    if (!registry.OpenSubKey(parts[i].c_str())) return false;
  }
  valueName = parts.back();
  return true;
}

bool CRegistryFolderMemory::Read(const std::string& keyPath, std::string& folder, std::vector<std::string>& history) {
  CRegistry registry;
  std::string name;
  if (!OpenKey(registry, keyPath, name)) return false;
  registry.GetString(folder, name.c_str());
  history.clear();
  std::vector<char> strings;
  if (registry.GetMultiString(strings, (name + kHistorySuffix).c_str())) {
    for (const char* entry = strings.data(); *entry; entry += std::strlen(entry) + 1) history.push_back(entry);
  }
  return true;
}

void CRegistryFolderMemory::Write(const std::string& keyPath, const std::string& folder,
                                  const std::vector<std::string>& history) {
  CRegistry registry;
  std::string name;
  if (!OpenKey(registry, keyPath, name)) return;
  registry.SetString(folder.c_str(), name.c_str());
  std::string strings;
  for (const std::string& entry : history) {
    if (entry.empty()) continue;  // an empty string would end the list early
    strings += entry;
    strings += '\0';
  }
  strings += '\0';
  registry.SetMultiString(strings.c_str(), (name + kHistorySuffix).c_str());
}
