// The chooser speaks Windows paths ("\" between levels, drive letters, "\\"
// for the network) on every platform: the logic is the same wherever it runs,
// and only the listing behind it touches a real file system.
#include "controls/dir_chooser_logic.h"

#include "support/file_path.h"
#include "support/text_scan.h"

namespace {

constexpr char kSeparator = '\\';

unsigned char FoldCase(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  if (CharClass(c) & (kClassUpper | kClassAccentedUpper)) return static_cast<unsigned char>(byte + 0x20);
  return byte;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

// The levels of a path between its separators, empty ones left out.
std::vector<std::string> SplitLevels(const std::string& path) {
  std::vector<std::string> levels;
  std::string level;
  for (char c : path) {
    if (!IsPathSeparator(c)) {
      level += c;
    } else if (!level.empty()) {
      levels.push_back(level);
      level.clear();
    }
  }
  if (!level.empty()) levels.push_back(level);
  return levels;
}

// "C:" alone would mean the drive's current folder, not its root.
void RootBareDrive(std::string& path) {
  if (!path.empty() && path.back() == ':') path += kSeparator;
}

std::string JoinLevel(std::string path, const std::string& name) {
  if (!path.empty() && !IsPathSeparator(path.back())) path += kSeparator;
  return path + name;
}

}  // namespace

// ---- Path texts ----------------------------------------------------------------

bool IsNetworkPath(const std::string& path) {
  return path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
}

void TrimPathEnd(std::string& path) {
  while (path.size() > 2) {
    char last = path.back();
    bool blank = last == ' ';
    bool separator = IsPathSeparator(last) && path[path.size() - 2] != ':';
    if (!blank && !separator) break;
    path.pop_back();
  }
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); i++) {
    if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
  }
  return true;
}

bool NormalizeChooserPath(const char* text, unsigned options, CDirListing& listing, std::string& result) {
  if (!text) return false;
  while (*text == ' ') text++;
  std::string path = text;
  if (IsNetworkPath(path) && !(options & kDirNoNetwork)) {
    if (path.size() > static_cast<size_t>(kDirMaxNetworkPath)) return false;
  } else {
    path = listing.FullPath(path);
    if (path.empty()) return false;
  }
  for (char& c : path) {
    if (c == '/') c = kSeparator;
  }
  TrimPathEnd(path);
  result = path;
  return true;
}

void AddToHistory(std::vector<std::string>& history, std::string path) {
  TrimPathEnd(path);
  for (size_t i = 0; i < history.size(); i++) {
    if (EqualNoCase(history[i], path)) {
      history.erase(history.begin() + i);
      break;
    }
  }
  history.insert(history.begin(), path);
  if (history.size() > static_cast<size_t>(kDirHistoryKept)) history.resize(kDirHistoryKept);
}

// ---- Type-ahead ------------------------------------------------------------------

int CTypeAhead::Key(char key, std::uint32_t nowMs, const std::vector<std::string>& texts, int selected) {
  // The more has been typed, the longer the pause that still continues it.
  std::uint32_t limit = count_ == 0 ? 500 : count_ <= 2 ? 750 : 1000;
  bool sameKeyAgain = count_ == 1 && FoldCase(keys_[0]) == FoldCase(key);
  if (nowMs - lastKeyMs_ > limit || sameKeyAgain) count_ = 0;
  lastKeyMs_ = nowMs;
  if (count_ < kMaxKeys) keys_[count_++] = key;

  int count = static_cast<int>(texts.size());
  if (count == 0) return -1;
  int start = selected < 0 ? 0 : selected;
  if (count_ == 1) start++;  // a single key steps on to the next entry
  std::string typed = Typed();
  for (int step = 0; step < count; step++) {
    int index = (start + step) % count;
    if (StartsWithNoCase(texts[index], typed)) return index;
  }
  return -1;
}

// ---- The chooser's state -------------------------------------------------------

const std::string& CDirChooserState::SetPath(const char* text) {
  NormalizeChooserPath(text, options, listing_, current_);
  return current_;
}

const std::string& CDirChooserState::SetPathFromCurrentDirectory() {
  std::string folder = listing_.CurrentDirectory();
  if (folder.empty()) return current_;
  return SetPath(folder.c_str());
}

std::string CDirChooserState::GetPath(int which) const {
  std::string path = current_;
  if (which == 1 && (path.empty() || !IsPathSeparator(path.back()))) path += kSeparator;
  return path;
}

std::string CDirChooserState::StartPath() {
  if (current_.empty()) SetPathFromCurrentDirectory();
  if (IsNetworkPath(current_) && NetworkRules()) return current_;
  int kind = listing_.FileKind(current_);
  if (kind == kFileKindFile) {
    std::string folder = current_.substr(0, current_.find_last_of("\\/") + 1);
    TrimPathEnd(folder);
    return folder;
  }
  if (kind == kFileKindNone && (options & kDirMustExist)) {
    std::string folder = listing_.CurrentDirectory();
    std::string normal;
    if (NormalizeChooserPath(folder.c_str(), options, listing_, normal)) return normal;
  }
  return current_;
}

void CDirChooserState::Open() {
  current_ = StartPath();
  ListDrives();
  BuildFolderList();  // selects the drive entry, or the network's, that the path lies on
}

void CDirChooserState::ListDrives() {
  drives_.clear();
  unsigned listOptions = CDirListing::kSorted | (NetworkRules() ? CDirListing::kWithNetwork : 0);
  for (const DirEntry& entry : listing_.List(CDirListing::kDrives, listOptions)) {
    DriveEntry drive;
    drive.text = entry.name;
    drive.kind = entry.network ? DriveEntry::kNetwork : DriveEntry::kDrive;
    drive.icon = entry.icon >= 0 ? entry.icon : listing_.Generic(CDirListing::kDriveRoot);
    drives_.push_back(drive);
  }
}

int CDirChooserState::DriveOfPath() const {
  bool network = IsNetworkPath(current_) && NetworkRules();
  for (size_t i = 0; i < drives_.size(); i++) {
    const DriveEntry& drive = drives_[i];
    if (network ? drive.kind == DriveEntry::kNetwork
                : drive.kind == DriveEntry::kDrive && StartsWithNoCase(current_, drive.text))
      return static_cast<int>(i);
  }
  return -1;
}

void CDirChooserState::BuildFolderList() {
  folders_.clear();
  int indent = 0;
  if (IsNetworkPath(current_)) {
    folders_.push_back({kNetworkNeighbourhood, listing_.Generic(CDirListing::kNetwork), indent, true});
    std::string path = "\\\\";
    for (const std::string& level : SplitLevels(current_)) {
      path = JoinLevel(path, level);
      int icon = listing_.Icon(path, false);
      if (icon < 0) icon = listing_.Generic(CDirListing::kClosedFolder);
      indent += kDirIndentStep;
      folders_.push_back({level, icon, indent, false});
    }
  } else {
    std::string path;
    for (const std::string& level : SplitLevels(current_)) {
      path = JoinLevel(path, level);
      std::string shown = path;
      RootBareDrive(shown);
      int icon = listing_.Icon(shown, true);
      if (icon < 0) icon = listing_.Generic(CDirListing::kOpenFolder);
      indent += kDirIndentStep;
      folders_.push_back({level, icon, indent, false});
    }
  }
  currentEntry_ = static_cast<int>(folders_.size()) - 1;
  AddSubfolders();
  selectedDrive_ = DriveOfPath();
}

void CDirChooserState::AddSubfolders() {
  if (currentEntry_ < 0) return;
  int indent = folders_[currentEntry_].indent + kDirIndentStep;
  unsigned listOptions = CDirListing::kSorted | (NetworkRules() ? CDirListing::kWithNetwork : 0);
  for (const DirEntry& entry : listing_.List(current_, listOptions)) {
    if (!entry.directory) continue;
    int icon = entry.icon >= 0 ? entry.icon : listing_.Generic(CDirListing::kClosedFolder);
    folders_.push_back({entry.name, icon, indent, false});
  }
}

void CDirChooserState::ChooseDrive(int index) {
  if (index < 0 || index >= static_cast<int>(drives_.size())) return;
  if (selectedDrive_ >= 0 && selectedDrive_ < static_cast<int>(drives_.size()))
    drives_[selectedDrive_].lastFolder = current_;
  const DriveEntry& drive = drives_[index];
  if (drive.kind == DriveEntry::kNetwork) {
    if (!IsNetworkPath(current_)) current_ = "\\\\";
  } else if (IsNetworkPath(current_) || !StartsWithNoCase(current_, drive.text)) {
    std::string target = drive.lastFolder.empty() ? drive.text : drive.lastFolder;
    RootBareDrive(target);
    SetPath(target.c_str());
  }
  selectedDrive_ = index;
  BuildFolderList();
}

CDirChooserState::OpenResult CDirChooserState::OpenEntry(int index) {
  if (index < 0 || index >= static_cast<int>(folders_.size())) return kNavigated;
  if (index == currentEntry_) return kAcceptCurrent;
  std::string path;
  if (index < currentEntry_) {
    bool network = folders_[0].network;
    if (network) path = "\\\\";
    for (int i = network ? 1 : 0; i <= index; i++) path = JoinLevel(path, folders_[i].text);
    RootBareDrive(path);
  } else {
    path = JoinLevel(current_, folders_[index].text);
  }
  SetPath(path.c_str());
  BuildFolderList();
  return kNavigated;
}

void CDirChooserState::TakeOver(const std::string& text) {
  SetPath(text.c_str());
  BuildFolderList();
}

std::string CDirChooserState::DroppedFolder(const std::string& name) {
  int kind = listing_.FileKind(name);
  if (kind == kFileKindNone) return std::string();
  if (kind == kFileKindFile) return name.substr(0, name.find_last_of('\\') + 1);
  return name;
}

CDirChooserState::OkResult CDirChooserState::Accept(const std::string& typed) {
  if (ComparePathsNoCase(typed.c_str(), current_.c_str()) != 0) {
    std::string path;
    if (!NormalizeChooserPath(typed.c_str(), options, listing_, path)) return kOkDoesNotExist;
    current_ = path;
    BuildFolderList();
    return kOkShown;
  }
  bool network = IsNetworkPath(current_) && NetworkRules();
  if (options & kDirCreate) {
    bool present = network && NetworkFolderFound();
    if (!present && !listing_.CreateFolders(current_)) return kOkCannotCreate;
  }
  if (options & kDirMustExist) {
    int kind = network ? kFileKindNone : listing_.FileKind(current_);
    bool present = network ? NetworkFolderFound() : kind == kFileKindFolder || kind == kFileKindDriveRoot;
    if (!present) return kOkDoesNotExist;
  }
  AddToHistory(history, current_);
  TrimPathEnd(current_);
  return kOkAccepted;
}

void CDirChooserState::ForgetEntries() {
  folders_.clear();
  drives_.clear();
  currentEntry_ = -1;
  selectedDrive_ = -1;
}
