// The folder chooser without its window: path normalisation, the folder and
// drive lists built from a CDirListing, navigation (drives with their last
// folders, list entries, history entries, dropped names), the OK rules, the
// history and the type-ahead search. Everything here works on plain values,
// so it is tested without a window and with a listing made of plain data;
// CDirChooserDlg (dir_chooser.h) only shows it and feeds it events.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "controls/dir_listing.h"

// Option bits of the chooser.
constexpr unsigned kDirMustExist = 1;  // OK refuses a folder that does not exist
constexpr unsigned kDirCreate = 2;     // OK creates a missing folder, every level of it
constexpr unsigned kDirNoNetwork = 4;  // paths beginning "\\" are not treated specially

constexpr int kDirHistoryKept = 16;    // entries kept after an OK
constexpr int kDirHistoryRead = 32;    // entries taken over from the remembered folders
constexpr int kDirIndentStep = 5;      // pixels per level in the folder list
constexpr int kDirMaxNetworkPath = 259;

// The first entry of the folder list on a network path.
constexpr const char* kNetworkNeighbourhood = "Netzwerkumgebung";

// ---- Path texts ----------------------------------------------------------------

// Begins with two separators ("\" or "/" in any mix).
bool IsNetworkPath(const std::string& path);
// Removes trailing blanks and separators, but never the first two characters
// and never a separator right behind a colon: "C:\" stays, "C:\a\" loses it.
void TrimPathEnd(std::string& path);
// Case-blind for ASCII and the accented letters of code page 1252.
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// Leading blanks skipped; a network path (unless kDirNoNetwork) kept as it is,
// anything else made absolute by the listing; "/" turned into "\"; the end
// trimmed. False, with result untouched, when the path cannot be made
// absolute or is longer than the 259 characters a path may have here: a cut
// path would name some other folder.
bool NormalizeChooserPath(const char* text, unsigned options, CDirListing& listing, std::string& result);

// Puts path (its end trimmed) at the front, moving an equal entry (case-blind)
// instead of repeating it, and keeps at most kDirHistoryKept entries.
void AddToHistory(std::vector<std::string>& history, std::string path);

// ---- Type-ahead in the folder list ---------------------------------------------

// Keys typed in quick succession search the entries by their beginnings.
class CTypeAhead {
 public:
  static constexpr int kMaxKeys = 8;
  // A key typed at nowMs (any millisecond clock). Returns the entry to
  // select, or -1 when none begins with the keys typed (the caller beeps and
  // keeps its selection).
  int Key(char key, std::uint32_t nowMs, const std::vector<std::string>& texts, int selected);
  std::string Typed() const { return std::string(keys_, count_); }

 private:
  char keys_[kMaxKeys] = {};
  int count_ = 0;
  std::uint32_t lastKeyMs_ = 0;
};

// ---- The chooser's state -------------------------------------------------------

struct FolderEntry {
  std::string text;
  int icon = -1;
  int indent = 0;        // pixels
  bool network = false;  // the network neighbourhood entry
};

struct DriveEntry {
  enum Kind { kNetwork = 1, kDrive = 2 };
  std::string text;  // "C:\" or "Netzwerksumgebung"
  int icon = -1;
  int kind = kDrive;
  std::string lastFolder;  // the folder last shown on this drive, "" = none yet
};

// Where remembered folders are kept when the chooser is given a key path:
// the last chosen folder and the history, most recent first.
class CFolderMemory {
 public:
  virtual ~CFolderMemory() = default;
  virtual bool Read(const std::string& keyPath, std::string& folder, std::vector<std::string>& history) = 0;
  virtual void Write(const std::string& keyPath, const std::string& folder,
                     const std::vector<std::string>& history) = 0;
};

class CDirChooserState {
 public:
  enum OpenResult { kNavigated, kAcceptCurrent };
  enum OkResult {
    kOkShown,           // a new typed path is shown; the next OK may accept it
    kOkCannotCreate,    // "Der Pfad kann nicht erzeugt werden !"
    kOkDoesNotExist,    // "Der Pfad existiert nicht !"
    kOkAccepted,        // the dialog ends with IDOK
  };

  explicit CDirChooserState(CDirListing& listing) : listing_(listing) {}

  unsigned options = kDirMustExist;
  std::vector<std::string> history;  // most recent first

  // Normalises text and makes it the current path; a null text, or one that
  // cannot be normalised, leaves the current path as it was. Returns it.
  const std::string& SetPath(const char* text);
  const std::string& SetPathFromCurrentDirectory();
  // 0: the current path; 1: the same with a trailing separator.
  std::string GetPath(int which) const;

  // Picks the starting folder, lists the drives and builds the folder list.
  void Open();
  // Rebuilds the folder list from the current path, then brings the drive
  // selection in line with it.
  void BuildFolderList();
  // The drive list's selection moved to index.
  void ChooseDrive(int index);
  // Double click, or Return in the folder list.
  OpenResult OpenEntry(int index);
  // A history entry, or a text put into the path entry, is taken over.
  void TakeOver(const std::string& text);
  // The folder a dropped name stands for ("" when the name does not exist).
  std::string DroppedFolder(const std::string& name);
  // OK with the typed text (steps that do not depend on the focus).
  OkResult Accept(const std::string& typed);
  // Forgets the folder and drive entries (after the dialog has ended).
  void ForgetEntries();

  const std::vector<FolderEntry>& Folders() const { return folders_; }
  int CurrentEntry() const { return currentEntry_; }
  const std::vector<DriveEntry>& Drives() const { return drives_; }
  int SelectedDrive() const { return selectedDrive_; }
  // The drive entry that matches the current path, -1 when none does.
  int DriveOfPath() const;

 private:
  bool NetworkRules() const { return !(options & kDirNoNetwork); }
  bool NetworkFolderFound() { return listing_.AnyMatch(current_ + "\\*"); }
  std::string StartPath();
  void ListDrives();
  void AddSubfolders();

  CDirListing& listing_;
  std::string current_;
  std::vector<FolderEntry> folders_;
  int currentEntry_ = -1;
  std::vector<DriveEntry> drives_;
  int selectedDrive_ = -1;
};
