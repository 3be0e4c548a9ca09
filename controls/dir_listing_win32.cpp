// The folder chooser's view of a Windows machine: drives from
// GetLogicalDrives, subfolders through the search wrappers, servers and
// shares from the network API, and the shell's small icon numbers.
#include "controls/dir_listing.h"

#include <windows.h>
#include <lm.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "support/file_path.h"

namespace {

constexpr const char* kNetworkEntry = "Netzwerksumgebung";
constexpr DWORD kCurrentDirectoryBytes = 2048;

bool LessNoCase(const DirEntry& a, const DirEntry& b) { return ComparePathsNoCase(a.name.c_str(), b.name.c_str()) < 0; }

std::wstring Wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  return wide;
}

std::string Narrow(const wchar_t* text) {
  int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(length > 0 ? length : 1, '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], length, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
}

int ShellIcon(const char* path, DWORD attributes, UINT flags) {
  SHFILEINFOA info = {};
  DWORD_PTR found = SHGetFileInfoA(path, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | flags);
  return found ? info.iIcon : -1;
}

int NetworkIcon() {
  LPITEMIDLIST network = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &network) != S_OK) return -1;
  int icon = ShellIcon(reinterpret_cast<const char*>(network), 0, SHGFI_PIDL);
  CoTaskMemFree(network);
  return icon;
}

class CShellDirListing : public CDirListing {
 public:
  std::vector<DirEntry> List(const std::string& path, unsigned options) override {
    std::vector<DirEntry> entries;
    if (path == kDrives) entries = Drives(options);
    else if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && Server(path).empty())
      entries = Servers();
    else if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && IsServerOnly(path))
      entries = Shares(Server(path));
    else entries = Subfolders(path);
    if ((options & kSorted) && path != kDrives) std::sort(entries.begin(), entries.end(), LessNoCase);
    return entries;
  }

  int Icon(const std::string& path, bool open) override {
    return ShellIcon(path.c_str(), 0, open ? SHGFI_OPENICON : 0);
  }

  int Generic(GenericIcon which) override {
    switch (which) {
      case kClosedFolder: return ShellIcon("Hallo", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES);
      case kOpenFolder: return ShellIcon("Hallo", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
      case kDriveRoot: return ShellIcon("C:\\", 0, SHGFI_USEFILEATTRIBUTES);
      case kNetwork: {
        int icon = NetworkIcon();
        return icon >= 0 ? icon : Generic(kClosedFolder);
      }
    }
    return -1;
  }

  std::string FullPath(const std::string& path) override { return ::FullPath(path.c_str()); }

  std::string CurrentDirectory() override {
    char folder[kCurrentDirectoryBytes];
    DWORD length = GetCurrentDirectoryA(kCurrentDirectoryBytes, folder);
    if (length == 0 || length >= kCurrentDirectoryBytes) return std::string();
    return std::string(folder, length);
  }

  int FileKind(const std::string& path) override { return GetFileKind(path.c_str()); }

  bool AnyMatch(const std::string& pattern) override {
    SearchRecord record;
    SearchHandle search = SearchFirst(pattern.c_str(), &record);
    if (!search) return false;
    SearchClose(search);
    return true;
  }

  bool CreateFolders(const std::string& path) override {
    // Each level below the root in turn: behind "C:\" or "\\server\share\".
    size_t rootEnd = 2;
    if (IsPathSeparator(path[0]) && path.size() >= 2 && IsPathSeparator(path[1])) {
      rootEnd = path.find_first_of("\\/", 2);
      if (rootEnd != std::string::npos) rootEnd = path.find_first_of("\\/", rootEnd + 1);
    }
    for (size_t end = rootEnd; end != std::string::npos && end < path.size();) {
      end = path.find_first_of("\\/", end + 1);
      CreateDirectoryA(path.substr(0, end).c_str(), nullptr);
    }
    int kind = GetFileKind(path.c_str());
    return kind == kFileKindFolder || kind == kFileKindDriveRoot;
  }

 private:
  static std::vector<DirEntry> Drives(unsigned options) {
    std::vector<DirEntry> entries;
    DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; letter++) {
      if (!((drives >> letter) & 1)) continue;
      std::string root = {static_cast<char>('A' + letter), ':', '\\'};
      entries.push_back({root, root, true, false, ShellIcon(root.c_str(), 0, 0)});
    }
    if (options & kWithNetwork) entries.push_back({kNetworkEntry, "\\\\", true, true, NetworkIcon()});
    return entries;
  }

  // The server of "\\server[\...]", "" for the network root.
  static std::string Server(const std::string& path) {
    size_t end = path.find_first_of("\\/", 2);
    return path.substr(2, end == std::string::npos ? std::string::npos : end - 2);
  }
  static bool IsServerOnly(const std::string& path) {
    size_t end = path.find_first_of("\\/", 2);
    return end == std::string::npos || end + 1 == path.size();
  }

  static std::vector<DirEntry> Servers() {
    std::vector<DirEntry> entries;
    BYTE* buffer = nullptr;
    DWORD read = 0, total = 0;
    NET_API_STATUS status = NetServerEnum(nullptr, 100, &buffer, MAX_PREFERRED_LENGTH, &read, &total,
                                          SV_TYPE_ALL, nullptr, nullptr);
    if (status == NERR_Success || status == ERROR_MORE_DATA) {
      auto* servers = reinterpret_cast<SERVER_INFO_100*>(buffer);
      for (DWORD i = 0; i < read; i++) {
        std::string name = Narrow(servers[i].sv100_name);
        entries.push_back({name, "\\\\" + name, true, false, -1});
      }
    }
    if (buffer) NetApiBufferFree(buffer);
    return entries;
  }

  static std::vector<DirEntry> Shares(const std::string& server) {
    std::vector<DirEntry> entries;
    std::wstring wideServer = Wide(server);
    BYTE* buffer = nullptr;
    DWORD read = 0, total = 0;
    NET_API_STATUS status = NetShareEnum(&wideServer[0], 1, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    if (status == NERR_Success || status == ERROR_MORE_DATA) {
      auto* shares = reinterpret_cast<SHARE_INFO_1*>(buffer);
      for (DWORD i = 0; i < read; i++) {
        if ((shares[i].shi1_type & 0xFF) != STYPE_DISKTREE) continue;  // folders only, no printers or IPC$
        std::string name = Narrow(shares[i].shi1_netname);
        entries.push_back({name, "\\\\" + server + "\\" + name, true, false, -1});
      }
    }
    if (buffer) NetApiBufferFree(buffer);
    return entries;
  }

  static std::vector<DirEntry> Subfolders(const std::string& folder) {
    std::vector<DirEntry> entries;
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, folder.c_str(), "*", MAX_PATH)) return entries;
    SearchRecord record;
    SearchHandle search = SearchFirst(pattern, &record);
    if (!search) return entries;
    do {
      if (!(record.attributes & kSearchAttrDirectory) || record.name == "." || record.name == "..") continue;
      char path[MAX_PATH];
      if (!JoinPath(path, folder.c_str(), record.name.c_str(), MAX_PATH)) continue;
      entries.push_back({record.name, path, true, false, ShellIcon(path, 0, 0)});
    } while (SearchNext(search, &record) == kSearchOk);
    SearchClose(search);
    return entries;
  }
};

}  // namespace

std::unique_ptr<CDirListing> MakeShellDirListing() { return std::make_unique<CShellDirListing>(); }
