// CDirListing: everything the folder chooser asks of the machine, behind one
// small interface: the entries of a drive list, a network server or share
// list and a folder, shell icon numbers, and the few file-system questions
// (absolute path, current folder, kind, "does anything match", create).
// The chooser's logic runs on any implementation, so its tests hand it a
// listing made of plain data; the Windows program uses MakeShellDirListing.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct DirEntry {
  std::string name;        // what the list shows: "C:\", "Netzwerksumgebung", "Karten"
  std::string path;        // the full path it stands for
  bool directory = true;
  bool network = false;    // the network neighbourhood entry of the drive list
  int icon = -1;           // small system image list index, -1 = none known
};

class CDirListing {
 public:
  // Option bits of List.
  static constexpr unsigned kWithNetwork = 0x0400;  // ":" also yields the network neighbourhood
  static constexpr unsigned kSorted = 0x8000;       // names in case-blind order
  // The path that lists the drives.
  static constexpr const char* kDrives = ":";

  enum GenericIcon { kClosedFolder, kOpenFolder, kDriveRoot, kNetwork };

  virtual ~CDirListing() = default;

  // ":" gives the drive roots ("C:\" ...) and, with kWithNetwork, the entry
  // "Netzwerksumgebung"; a path beginning with two separators gives servers
  // ("\\") or a server's shares ("\\server"); any other path gives the
  // subfolders of that folder. Nothing found, or a failure: empty.
  virtual std::vector<DirEntry> List(const std::string& path, unsigned options) = 0;
  // Small icon of a path (its open form where asked), -1 when unknown.
  virtual int Icon(const std::string& path, bool open) = 0;
  virtual int Generic(GenericIcon which) = 0;

  // Absolute form, "" when it cannot be made (or would not fit 260 bytes).
  virtual std::string FullPath(const std::string& path) = 0;
  // The process's current folder, "" on failure.
  virtual std::string CurrentDirectory() = 0;
  // One of the FileKind values of support/file_path.h.
  virtual int FileKind(const std::string& path) = 0;
  // True when a search for pattern finds anything (network paths).
  virtual bool AnyMatch(const std::string& pattern) = 0;
  // Creates path with every missing level; true when it is a folder after.
  virtual bool CreateFolders(const std::string& path) = 0;
};

// The real thing: drives, folders, network servers and shares, shell icons.
// Windows only.
std::unique_ptr<CDirListing> MakeShellDirListing();
