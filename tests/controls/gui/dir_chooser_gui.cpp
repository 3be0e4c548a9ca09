// The folder chooser as a user drives it, over a real folder tree in the
// temporary folder: a typed path is shown by the first OK and accepted by the
// second, Return in the folder list opens a subfolder and accepts the current
// folder, a folder that cannot be made gives one message box and the dialog
// stays open, and a dropped file makes its folder current.
//
// Each test runs the real modal dialog; a script of steps runs inside it, one
// posted message per step, so that what a step posts (keys) is handled before
// the next step looks. Message boxes are answered from a timer.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/dir_chooser.h"

namespace {

constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT_PTR kBoxTimer = 77;
constexpr INT_PTR kStillOpen = 99;

class ScriptedChooser : public CDirChooserDlg {
 public:
  using Step = std::function<void(ScriptedChooser&)>;
  std::vector<Step> steps;
  std::vector<std::string> boxTexts, boxCaptions;

  HWND List() const { return Item(kFolderListId); }
  std::string EntryText() const {
    char text[MAX_PATH] = "";
    GetDlgItemTextA(Window(), kPathEntryId, text, sizeof text);
    return text;
  }
  int EntryIndex(const std::string& text) const {
    const auto& folders = State().Folders();
    for (size_t i = 0; i < folders.size(); i++)
      if (folders[i].text == text) return static_cast<int>(i);
    return -1;
  }
  void ClickOk() { SendMessageA(Item(IDOK), BM_CLICK, 0, 0); }
  // The next message box owned by the dialog is read and closed.
  void ExpectBox() { SetTimer(Window(), kBoxTimer, 20, nullptr); }

 protected:
  BOOL OnInitDialog() override {
    BOOL result = CDirChooserDlg::OnInitDialog();
    PostMessageA(Window(), kStepMessage, 0, 0);
    return result;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == kStepMessage) {
      if (next_ == steps.size()) {
        EndDialog(kStillOpen);
        return true;
      }
      steps[next_++](*this);
      if (Window()) PostMessageA(Window(), kStepMessage, 0, 0);
      return true;
    }
    if (message == WM_TIMER && wParam == kBoxTimer) {
      CloseBox();
      return true;
    }
    return CDirChooserDlg::OnMessage(message, wParam, lParam, result);
  }

 private:
  void CloseBox() {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box || GetWindow(box, GW_OWNER) != Window()) return;
    KillTimer(Window(), kBoxTimer);
    char text[256] = "";
    GetWindowTextA(box, text, sizeof text);
    boxCaptions.push_back(text);
    EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&boxTexts));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    char caption[32] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(caption, "Verzeichnis w\xE4hlen") == 0) return TRUE;  // the chooser itself
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static BOOL CALLBACK CollectStatic(HWND window, LPARAM texts) {
    char name[16] = "", text[256] = "";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, text, sizeof text);
    if (_stricmp(name, "Static") == 0 && text[0]) reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
    return TRUE;
  }

  size_t next_ = 0;
};

// root\alpha\inner, root\beta\b.txt; removed again afterwards.
class DirChooserWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    root = std::string(temp) + "chooser-" + std::to_string(GetCurrentProcessId());
    for (const char* folder : {"", "\\alpha", "\\alpha\\inner", "\\beta"})
      ASSERT_TRUE(CreateDirectoryA((root + folder).c_str(), nullptr)) << folder;
    HANDLE file = CreateFileA((root + "\\beta\\b.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
  }
  void TearDown() override { RemoveTree(root); }

  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(folder + "\\" + name);
        else DeleteFileA((folder + "\\" + name).c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
  }

  std::string root;
};

TEST_F(DirChooserWindow, TypedPathIsShownByTheFirstOkAndAcceptedByTheSecond) {
  ScriptedChooser chooser;
  chooser.SetPath(root.c_str());
  std::vector<std::string> shownBeforeSecondOk;
  chooser.steps = {
      [&](ScriptedChooser& dialog) {
        SetDlgItemTextA(dialog.Window(), CDirChooserDlg::kPathEntryId, (root + "/alpha/").c_str());
        dialog.ClickOk();
      },
      [&](ScriptedChooser& dialog) {
        for (const FolderEntry& entry : dialog.State().Folders()) shownBeforeSecondOk.push_back(entry.text);
        EXPECT_EQ(root + "\\alpha", dialog.EntryText());
        dialog.ClickOk();
      },
  };
  EXPECT_EQ(IDOK, chooser.DoModal(nullptr));
  EXPECT_EQ(root + "\\alpha", chooser.GetPath(0));
  EXPECT_EQ(root + "\\alpha\\", chooser.GetPath(1));
  ASSERT_GE(shownBeforeSecondOk.size(), 2u);
  EXPECT_EQ("alpha", shownBeforeSecondOk[shownBeforeSecondOk.size() - 2]);
  EXPECT_EQ("inner", shownBeforeSecondOk.back());
  EXPECT_EQ(root + "\\alpha", chooser.History().front());
}

TEST_F(DirChooserWindow, ReturnInTheFolderListOpensASubfolderAndAcceptsTheCurrentOne) {
  ScriptedChooser chooser;
  chooser.SetPath(root.c_str());
  chooser.steps = {
      [&](ScriptedChooser& dialog) {
        SetFocus(dialog.List());
        SendMessageA(dialog.List(), LB_SETCURSEL, dialog.EntryIndex("beta"), 0);
        PostMessageA(dialog.List(), WM_KEYDOWN, VK_RETURN, 0);
      },
      [&](ScriptedChooser& dialog) {
        EXPECT_EQ(root + "\\beta", dialog.GetPath(0));
        EXPECT_EQ(dialog.State().CurrentEntry(), SendMessageA(dialog.List(), LB_GETCURSEL, 0, 0));
        EXPECT_EQ(dialog.List(), GetFocus());
        PostMessageA(dialog.List(), WM_KEYDOWN, VK_RETURN, 0);
      },
  };
  EXPECT_EQ(IDOK, chooser.DoModal(nullptr));
  EXPECT_EQ(root + "\\beta", chooser.GetPath(0));
}

TEST_F(DirChooserWindow, LettersTypedInTheFolderListSelectTheEntryTheyBegin) {
  ScriptedChooser chooser;
  chooser.SetPath(root.c_str());
  chooser.steps = {
      [&](ScriptedChooser& dialog) {
        SetFocus(dialog.List());
        PostMessageA(dialog.List(), WM_CHAR, 'B', 0);
      },
      [&](ScriptedChooser& dialog) {
        EXPECT_EQ(dialog.EntryIndex("beta"), SendMessageA(dialog.List(), LB_GETCURSEL, 0, 0));
        PostMessageA(dialog.List(), WM_CHAR, 'q', 0);  // nothing begins "bq" or "q": the selection stays
      },
      [&](ScriptedChooser& dialog) {
        EXPECT_EQ(dialog.EntryIndex("beta"), SendMessageA(dialog.List(), LB_GETCURSEL, 0, 0));
        EXPECT_EQ(root, dialog.GetPath(0));  // selecting is not opening
      },
  };
  EXPECT_EQ(kStillOpen, chooser.DoModal(nullptr));
}

TEST_F(DirChooserWindow, ArrowKeysInTheDriveListGoToTheNextDriveAndBackToTheFolderLeft) {
  ScriptedChooser chooser;
  chooser.SetPath((root + "\\alpha").c_str());
  std::string expectedThere, pathThere;
  chooser.steps = {
      [&](ScriptedChooser& dialog) {
        int next = dialog.State().SelectedDrive() + 1;
        ASSERT_LT(next, static_cast<int>(dialog.State().Drives().size()));
        const DriveEntry& drive = dialog.State().Drives()[next];
        expectedThere = drive.kind == DriveEntry::kNetwork ? "\\\\" : drive.text;
        HWND drives = dialog.Item(CDirChooserDlg::kDriveListId);
        SetFocus(drives);
        PostMessageA(drives, WM_KEYDOWN, VK_DOWN, 0);
      },
      [&](ScriptedChooser& dialog) {
        pathThere = dialog.GetPath(0);
        PostMessageA(dialog.Item(CDirChooserDlg::kDriveListId), WM_KEYDOWN, VK_UP, 0);
      },
  };
  EXPECT_EQ(kStillOpen, chooser.DoModal(nullptr));
  EXPECT_EQ(expectedThere, pathThere);
  EXPECT_EQ(root + "\\alpha", chooser.GetPath(0));
}

TEST_F(DirChooserWindow, EachWheelMessageScrollsTheFolderListByOneEntry) {
  for (int i = 0; i < 40; i++)
    ASSERT_TRUE(CreateDirectoryA((root + "\\alpha\\inner\\f" + std::to_string(100 + i)).c_str(), nullptr));
  ScriptedChooser chooser;
  chooser.SetPath((root + "\\alpha\\inner").c_str());
  std::vector<LRESULT> tops;
  chooser.steps = {[&](ScriptedChooser& dialog) {
    SendMessageA(dialog.List(), LB_SETTOPINDEX, 0, 0);
    for (int delta : {-120, -360, 120, 120, 120}) {
      SendMessageA(dialog.List(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
      tops.push_back(SendMessageA(dialog.List(), LB_GETTOPINDEX, 0, 0));
    }
  }};
  EXPECT_EQ(kStillOpen, chooser.DoModal(nullptr));
  EXPECT_EQ((std::vector<LRESULT>{1, 2, 1, 0, 0}), tops);
}

TEST_F(DirChooserWindow, AFolderThatCannotBeMadeGivesOneMessageAndTheDialogStaysOpen) {
  ScriptedChooser chooser;
  chooser.SetPath(root.c_str());
  std::string blocked = root + "\\beta\\b.txt\\sub";  // a file stands in the way
  chooser.steps = {
      [&](ScriptedChooser& dialog) {
        SetDlgItemTextA(dialog.Window(), CDirChooserDlg::kPathEntryId, blocked.c_str());
        dialog.ClickOk();  // shows the path
      },
      [&](ScriptedChooser& dialog) {
        dialog.ExpectBox();
        dialog.ClickOk();  // returns once the box is closed
      },
  };
  EXPECT_EQ(kStillOpen, chooser.DoModal(nullptr));
  EXPECT_EQ((std::vector<std::string>{"Fehler"}), chooser.boxCaptions);
  EXPECT_EQ((std::vector<std::string>{"Der Pfad kann nicht erzeugt werden !"}), chooser.boxTexts);
  EXPECT_EQ(blocked, chooser.GetPath(0));
  EXPECT_TRUE(chooser.History().empty());

  // The same path where it must only exist: the other message, once.
  ScriptedChooser mustExist;
  mustExist.SetPath(blocked.c_str());
  mustExist.steps = {[&](ScriptedChooser& dialog) {
    SetDlgItemTextA(dialog.Window(), CDirChooserDlg::kPathEntryId, (root + "\\alpha\\gamma").c_str());
    dialog.ClickOk();
    dialog.ExpectBox();
    dialog.ClickOk();
  }};
  EXPECT_EQ(kStillOpen, mustExist.DoModal(nullptr, nullptr, kDirMustExist));
  EXPECT_EQ((std::vector<std::string>{"Der Pfad existiert nicht !"}), mustExist.boxTexts);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((root + "\\alpha\\gamma").c_str()));
}

HDROP MakeDrop(const std::string& name) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + name.size() + 2);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), name.c_str(), name.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(DirChooserWindow, ADroppedFileMakesItsFolderCurrentAndAMissingOneIsIgnored) {
  ScriptedChooser chooser;
  chooser.SetPath((root + "\\alpha").c_str());
  chooser.steps = {
      [&](ScriptedChooser& dialog) {
        SendMessageA(dialog.List(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(root + "\\beta\\b.txt")), 0);
        EXPECT_EQ(root + "\\beta", dialog.GetPath(0));
        EXPECT_EQ(root + "\\beta", dialog.EntryText());
        HWND entry = dialog.Item(CDirChooserDlg::kPathEntryId);
        SendMessageA(entry, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(root + "\\nirgends.txt")), 0);
        EXPECT_EQ(root + "\\beta", dialog.GetPath(0));
        SendMessageA(entry, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(root + "\\alpha\\inner")), 0);
        EXPECT_EQ(root + "\\alpha\\inner", dialog.GetPath(0));
      },
  };
  EXPECT_EQ(kStillOpen, chooser.DoModal(nullptr));
}

}  // namespace
