// The folder chooser's rules over a listing made of plain data: paths are
// normalised, the folder list shows levels and subfolders with their indents,
// drives remember their last folder, OK shows a typed path before it accepts
// it and refuses what cannot be made or does not exist, the history keeps the
// most recent first, and type-ahead follows its pauses.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "controls/dir_chooser_logic.h"
#include "support/file_path.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Drives C: and D:, folders and files by their full paths (case-blind), a
// current folder, and a switch that makes every absolute-path request fail.
class PlainListing : public CDirListing {
 public:
  std::set<std::string> folders{"C:\\DATA", "C:\\DATA\\TILES", "C:\\DATA\\WALD", "C:\\DATA\\WEG", "D:\\X",
                                "D:\\Y", "C:\\A"};
  std::set<std::string> files{"C:\\A\\B.TXT"};
  std::string currentDirectory = "C:\\data";
  bool fullPathFails = false;
  std::vector<std::string> created;

  std::vector<DirEntry> List(const std::string& path, unsigned options) override {
    std::vector<DirEntry> entries;
    if (path == kDrives) {
      for (const char* root : {"C:\\", "D:\\"}) entries.push_back({root, root, true, false, 40});
      if (options & kWithNetwork) entries.push_back({"Netzwerksumgebung", "\\\\", true, true, 41});
      return entries;
    }
    std::string prefix = Upper(path);
    if (prefix.back() != '\\') prefix += '\\';
    for (const std::string& folder : folders) {
      if (folder.compare(0, prefix.size(), prefix) == 0 && folder.find('\\', prefix.size()) == std::string::npos)
        entries.push_back({folder.substr(prefix.size()), folder, true, false, -1});
    }
    return entries;  // a std::set is sorted already
  }
  int Icon(const std::string&, bool open) override { return open ? 7 : -1; }
  int Generic(GenericIcon which) override { return 100 + which; }
  std::string FullPath(const std::string& path) override {
    if (fullPathFails || path.empty()) return "";
    if (path.size() >= 2 && path[1] == ':') return path;
    return currentDirectory + "\\" + path;
  }
  std::string CurrentDirectory() override { return currentDirectory; }
  int FileKind(const std::string& path) override {
    std::string key = Upper(path);
    if (key.size() == 3 && key[1] == ':' && (key[0] == 'C' || key[0] == 'D')) return kFileKindDriveRoot;
    if (key.size() > 3 && key.back() == '\\') key.pop_back();
    if (folders.count(key)) return kFileKindFolder;
    if (files.count(key)) return kFileKindFile;
    return kFileKindNone;
  }
  bool AnyMatch(const std::string&) override { return false; }
  bool CreateFolders(const std::string& path) override {
    created.push_back(path);
    if (Upper(path).compare(0, 2, "Q:") == 0) return false;  // no such drive
    folders.insert(Upper(path));
    return true;
  }
};

std::vector<std::string> Texts(const std::vector<FolderEntry>& entries) {
  std::vector<std::string> texts;
  for (const FolderEntry& entry : entries) texts.push_back(entry.text);
  return texts;
}

int DriveIndex(const CDirChooserState& state, const std::string& text) {
  const auto& drives = state.Drives();
  for (size_t i = 0; i < drives.size(); i++)
    if (drives[i].text == text) return static_cast<int>(i);
  return -1;
}

class DirChooserLogic : public ::testing::Test {
 protected:
  PlainListing listing;
  CDirChooserState state{listing};
};

TEST_F(DirChooserLogic, PathsAreNormalisedAndFailuresKeepThePreviousPath) {
  EXPECT_EQ("c:\\data\\tiles", state.SetPath("  c:/data/tiles/ "));
  EXPECT_EQ("C:\\", state.SetPath("C:\\"));
  EXPECT_EQ("C:\\", state.GetPath(1));
  EXPECT_EQ("C:\\data", state.SetPath("C:\\data"));
  EXPECT_EQ("C:\\data\\", state.GetPath(1));
  EXPECT_EQ("C:\\data", state.GetPath(0));
  EXPECT_EQ("C:\\data", state.SetPath(nullptr));
  // Network paths are kept as typed, apart from their separators and end.
  EXPECT_EQ("\\\\srv\\share", state.SetPath("//srv/share/"));
  EXPECT_EQ("\\\\", state.SetPath("\\\\"));
  // Too long for the 260-byte buffers: refused, not cut.
  std::string longest = "\\\\" + std::string(257, 'n');
  EXPECT_EQ(longest, state.SetPath(longest.c_str()));
  EXPECT_EQ(longest, state.SetPath((longest + "x").c_str()));
  listing.fullPathFails = true;
  EXPECT_EQ(longest, state.SetPath("C:\\other"));
}

TEST_F(DirChooserLogic, FolderListShowsLevelsThenSubfoldersWithGrowingIndents) {
  state.SetPath("c:\\data");
  state.Open();
  EXPECT_EQ((std::vector<std::string>{"c:", "data", "TILES", "WALD", "WEG"}), Texts(state.Folders()));
  EXPECT_EQ(1, state.CurrentEntry());
  std::vector<int> indents;
  for (const FolderEntry& entry : state.Folders()) indents.push_back(entry.indent);
  EXPECT_EQ((std::vector<int>{5, 10, 15, 15, 15}), indents);
  EXPECT_EQ(7, state.Folders()[0].icon);    // the shell's open-folder icon of each level
  EXPECT_EQ(100, state.Folders()[2].icon);  // no icon of its own: the generic closed folder
  EXPECT_EQ(DriveIndex(state, "C:\\"), state.SelectedDrive());
  ASSERT_EQ(3u, state.Drives().size());

  state.TakeOver("\\\\srv\\share");
  EXPECT_EQ((std::vector<std::string>{kNetworkNeighbourhood, "srv", "share"}), Texts(state.Folders()));
  EXPECT_TRUE(state.Folders()[0].network);
  EXPECT_EQ(10, state.Folders()[2].indent);
  EXPECT_EQ(DriveIndex(state, "Netzwerksumgebung"), state.SelectedDrive());
  // The server level is rebuilt with the network's two separators.
  EXPECT_EQ(CDirChooserState::kNavigated, state.OpenEntry(1));
  EXPECT_EQ("\\\\srv", state.GetPath(0));
  EXPECT_EQ(CDirChooserState::kNavigated, state.OpenEntry(0));
  EXPECT_EQ("\\\\", state.GetPath(0));
}

TEST_F(DirChooserLogic, OpeningEntriesWalksUpAndDownAndTheCurrentOneAccepts) {
  state.SetPath("C:\\data");
  state.Open();
  EXPECT_EQ(CDirChooserState::kNavigated, state.OpenEntry(3));  // WALD
  EXPECT_EQ("C:\\data\\WALD", state.GetPath(0));
  EXPECT_EQ(CDirChooserState::kAcceptCurrent, state.OpenEntry(state.CurrentEntry()));
  // The drive level opens the drive's root, not the drive's current folder.
  EXPECT_EQ(CDirChooserState::kNavigated, state.OpenEntry(0));
  EXPECT_EQ("C:\\", state.GetPath(0));
  EXPECT_EQ((std::vector<std::string>{"C:", "A", "DATA"}), Texts(state.Folders()));
  EXPECT_EQ(CDirChooserState::kNavigated, state.OpenEntry(1));
  EXPECT_EQ("C:\\A", state.GetPath(0));
}

TEST_F(DirChooserLogic, EachDriveReturnsToItsLastFolder) {
  state.SetPath("C:\\data");
  state.Open();
  int c = DriveIndex(state, "C:\\"), d = DriveIndex(state, "D:\\");
  state.ChooseDrive(d);
  EXPECT_EQ("D:\\", state.GetPath(0));
  state.OpenEntry(2);  // "D:", "X", "Y"
  EXPECT_EQ("D:\\Y", state.GetPath(0));
  state.ChooseDrive(c);
  EXPECT_EQ("C:\\data", state.GetPath(0));
  state.ChooseDrive(d);
  EXPECT_EQ("D:\\Y", state.GetPath(0));
  // Choosing the drive the path is on changes nothing.
  state.ChooseDrive(d);
  EXPECT_EQ("D:\\Y", state.GetPath(0));
  state.ChooseDrive(DriveIndex(state, "Netzwerksumgebung"));
  EXPECT_EQ("\\\\", state.GetPath(0));
  state.ChooseDrive(d);
  EXPECT_EQ("D:\\Y", state.GetPath(0));
  // A path on no listed drive selects none, and is no drive's last folder.
  state.TakeOver("Q:\\x");
  EXPECT_EQ(-1, state.SelectedDrive());
  state.ChooseDrive(c);
  EXPECT_EQ("C:\\data", state.GetPath(0));
  state.ChooseDrive(d);
  EXPECT_EQ("D:\\Y", state.GetPath(0));
}

TEST_F(DirChooserLogic, StartPathOfAFileIsItsFolderAndOfAMissingPathTheCurrentFolder) {
  state.SetPath("C:\\A\\B.TXT");
  state.Open();
  EXPECT_EQ("C:\\A", state.GetPath(0));
  state.SetPath("C:\\nowhere");
  state.Open();
  EXPECT_EQ("C:\\data", state.GetPath(0));
  state.options = kDirCreate;  // missing is fine when it will be created
  state.SetPath("C:\\nowhere");
  state.Open();
  EXPECT_EQ("C:\\nowhere", state.GetPath(0));
}

TEST_F(DirChooserLogic, OkShowsATypedPathFirstThenAcceptsIt) {
  state.options = kDirMustExist | kDirCreate;
  state.SetPath("C:\\data");
  state.Open();
  EXPECT_EQ(CDirChooserState::kOkShown, state.Accept("c:/data/weg/"));
  EXPECT_EQ("c:\\data\\weg", state.GetPath(0));
  EXPECT_EQ(CDirChooserState::kOkAccepted, state.Accept("C:\\DATA\\WEG"));
  EXPECT_EQ((std::vector<std::string>{"c:\\data\\weg"}), state.history);

  EXPECT_EQ(CDirChooserState::kOkShown, state.Accept("C:\\neu\\tief"));
  EXPECT_EQ(CDirChooserState::kOkAccepted, state.Accept("C:\\neu\\tief"));
  EXPECT_EQ("C:\\neu\\tief", listing.created.back());
  EXPECT_EQ(kFileKindFolder, listing.FileKind("C:\\neu\\tief"));

  // A drive root keeps its separator after OK.
  EXPECT_EQ(CDirChooserState::kOkShown, state.Accept("d:\\"));
  EXPECT_EQ(CDirChooserState::kOkAccepted, state.Accept("d:\\"));
  EXPECT_EQ("d:\\", state.GetPath(0));
  EXPECT_EQ((std::vector<std::string>{"d:\\", "C:\\neu\\tief", "c:\\data\\weg"}), state.history);
}

TEST_F(DirChooserLogic, OkRefusesWhatCannotBeCreatedOrDoesNotExist) {
  state.options = kDirMustExist | kDirCreate;
  state.SetPath("C:\\data");
  state.Open();
  ASSERT_EQ(CDirChooserState::kOkShown, state.Accept("Q:\\x"));
  EXPECT_EQ(CDirChooserState::kOkCannotCreate, state.Accept("Q:\\x"));
  EXPECT_EQ("Q:\\x", state.GetPath(0));
  EXPECT_TRUE(state.history.empty());

  state.options = kDirMustExist;
  EXPECT_EQ(CDirChooserState::kOkDoesNotExist, state.Accept("Q:\\x"));
  // An overlong typed path is refused as not existing, the path unchanged.
  std::string tooLong = "\\\\" + std::string(300, 's');
  EXPECT_EQ(CDirChooserState::kOkDoesNotExist, state.Accept(tooLong));
  EXPECT_EQ("Q:\\x", state.GetPath(0));
  listing.files.insert("Q:\\X");  // a file is not a folder
  EXPECT_EQ(CDirChooserState::kOkDoesNotExist, state.Accept("Q:\\x"));
  state.options = 0;
  EXPECT_EQ(CDirChooserState::kOkAccepted, state.Accept("Q:\\x"));
}

TEST(DirChooserHistory, MostRecentFirstWithoutRepeatsAndSixteenAtMost) {
  std::vector<std::string> history;
  for (int i = 0; i < 20; i++) AddToHistory(history, "C:\\f" + std::to_string(i) + "\\");
  ASSERT_EQ(16u, history.size());
  EXPECT_EQ("C:\\f19", history.front());
  EXPECT_EQ("C:\\f4", history.back());
  AddToHistory(history, "c:\\F10");
  EXPECT_EQ(16u, history.size());
  EXPECT_EQ("c:\\F10", history[0]);
  EXPECT_EQ("C:\\f19", history[1]);
  EXPECT_EQ(1, std::count_if(history.begin(), history.end(), [](const std::string& h) {
              return StartsWithNoCase(h, "C:\\F10");
            }));
  AddToHistory(history, "C:\\");
  EXPECT_EQ("C:\\", history[0]);
}

TEST(DirChooserDrop, AFileStandsForItsFolderAndAMissingNameForNothing) {
  PlainListing listing;
  CDirChooserState state(listing);
  EXPECT_EQ("C:\\A\\", state.DroppedFolder("C:\\A\\B.TXT"));
  EXPECT_EQ("D:\\X", state.DroppedFolder("D:\\X"));
  EXPECT_EQ("", state.DroppedFolder("C:\\A\\gone.txt"));
}

TEST(DirChooserTypeAhead, PausesAndRepeatsDecideWhereTheSearchStarts) {
  const std::vector<std::string> texts{"Alpha", "wald", "Weg", "Wiese", "winter", "Zoo"};
  CTypeAhead typeAhead;
  // The same letter twice steps on; a different one continues the word.
  EXPECT_EQ(2, typeAhead.Key('w', 1000, texts, 1));
  EXPECT_EQ(3, typeAhead.Key('w', 1100, texts, 2));
  EXPECT_EQ(3, typeAhead.Key('i', 1200, texts, 3));
  EXPECT_EQ("wi", typeAhead.Typed());
  EXPECT_EQ(4, typeAhead.Key('n', 1950, texts, 3));  // 750 ms after two keys still continues
  EXPECT_EQ(4, typeAhead.Key('t', 2950, texts, 4));  // 1000 ms after three keys as well
  EXPECT_EQ("wint", typeAhead.Typed());
  EXPECT_EQ(5, typeAhead.Key('z', 3951, texts, 4));  // 1001 ms: a fresh start
  EXPECT_EQ("z", typeAhead.Typed());

  CTypeAhead twoKeys;
  twoKeys.Key('w', 0, texts, 0);
  twoKeys.Key('e', 100, texts, 1);
  EXPECT_EQ(-1, twoKeys.Key('x', 851, texts, 2));  // 751 ms: starts afresh, and no "x"
  EXPECT_EQ("x", twoKeys.Typed());

  // No match at all: nothing to select; wraps round the whole list once.
  CTypeAhead wrap;
  EXPECT_EQ(0, wrap.Key('a', 0, texts, 0));  // one key starts behind the selection
  CTypeAhead full;
  for (char key : std::string("winterxyz")) full.Key(key, 100, texts, 0);
  EXPECT_EQ("winterxy", full.Typed());
}

}  // namespace
