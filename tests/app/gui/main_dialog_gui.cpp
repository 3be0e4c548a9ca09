// The real main dialog, run modally as the program runs it, driven from
// inside its own message loop: check boxes clicked, cells edited in the
// locations list, OK and the close box pressed, and every message box the
// run shows read and answered. Settings go to a key of each test's own, the
// locations file to a temporary folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/gui/main_dialog.h"
#include "controls/dir_chooser.h"
#include "app/gui/resource.h"
#include "app/registry.h"
#include "app/greyed_image.h"
#include "app/gui/button_pictures.h"
#include "support/file_path.h"
#include "tests/app/registry_sandbox.h"
#include "tests/common/test_paths.h"

namespace {

// ---- Driving a modal dialog from inside its loop ----------------------------

std::function<void()> g_script;

void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  auto script = std::move(g_script);
  script();
}

// Runs the dialog; the script starts once the dialog is up and must end it.
INT_PTR RunDialog(CMainDlg& dialog, std::function<void()> script) {
  g_script = std::move(script);
  SetTimer(nullptr, 0, 50, RunScript);
  return dialog.DoModal();
}

struct MessageBoxSeen {
  std::string caption, text;
};

// Every message box of this thread that shows up while a step runs is read
// and answered with the next of the given buttons.
std::vector<int> g_answers;
std::vector<MessageBoxSeen>* g_seen = nullptr;
HWND g_owner = nullptr;

BOOL CALLBACK FindMessageBox(HWND window, LPARAM found) {
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  if (window != g_owner && IsWindowVisible(window) && std::string(className) == "#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&box));
  if (!box || g_answers.empty()) return;
  char caption[256] = "", text[1024] = "";
  GetWindowTextA(box, caption, sizeof caption);
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  if (g_seen) g_seen->push_back({caption, text});
  int answer = g_answers.front();
  g_answers.erase(g_answers.begin());
  PostMessageA(box, WM_COMMAND, answer, 0);
}

// Once a further dialog box of this thread shows up, runs action on it.
std::function<void(HWND)> g_onBox;

void CALLBACK WatchForBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  auto action = std::move(g_onBox);
  if (action) action(box);
}

void WhenABoxAppears(HWND owner, std::function<void(HWND)> action) {
  g_owner = owner;
  g_onBox = std::move(action);
  SetTimer(nullptr, 0, 40, WatchForBox);
}

// Sends a command to the dialog and answers the message boxes it raises.
std::vector<MessageBoxSeen> PressAnswering(HWND dialog, int id, std::vector<int> answers) {
  std::vector<MessageBoxSeen> seen;
  g_answers = std::move(answers);
  g_seen = &seen;
  g_owner = dialog;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, AnswerMessageBox);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  KillTimer(nullptr, timer);
  g_seen = nullptr;
  EXPECT_TRUE(g_answers.empty()) << "fewer message boxes than answers";
  return seen;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
std::string Text(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
void SetText(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }

// ---- Screenshots (only when TOLMARIC_SHOT_DIR names a folder) ---------------

void SaveWindowShot(HWND window, const char* name) {
  const char* folder = std::getenv("TOLMARIC_SHOT_DIR");
  if (!folder) return;
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<unsigned char> bgr(static_cast<size_t>(stride) * height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(memory, bitmap, 0, height, bgr.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  file.bfSize = file.bfOffBits + static_cast<DWORD>(bgr.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(reinterpret_cast<const char*>(bgr.data()), bgr.size());
  WriteWholeFile(std::string(folder) + "/" + name, bytes);
}

void Settle() {
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

// ---- The fixture ----------------------------------------------------------------

class MainDialog : public RegistrySandbox {
 protected:
  void SetUp() override {
    RegistrySandbox::SetUp();
    InitCommonControls();
    folder_ = MakeTempDir();
    locations_ = folder_ + "/Locations.txt";
  }
  void TearDown() override {
    RemoveTree(folder_);
    RegistrySandbox::TearDown();
  }
  void StoreDword(const char* name, std::uint32_t value) {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetDword(value, name));
  }
  void StoreString(const char* name, const char* value) {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetString(value, name));
  }
  bool Stored(const char* name) {
    CRegistry key;
    std::uint32_t value = 0;
    return key.Open(0, path_.c_str(), CRegistry::kReadOnly) && key.GetDword(value, name);
  }
  // Settings for a run that opens nothing afterwards.
  void StoreQuietRun() {
    StoreDword("BmpShow", 0);
    StoreDword("TextShow", 0);
    StoreDword("TextOn", 1);
    StoreDword("TextAddLoc", 1);
    StoreDword("TextAddStat", 1);
    StoreDword("BmpWidth", 640);
    StoreDword("BmpHeight", 480);
    StoreString("StepWidth", "50");
    StoreDword("PercentSel", 2);
    StoreDword("StatSel", 2);
  }

  std::string folder_, locations_;
};

// ---- Enabling rules and number boxes --------------------------------------------

TEST_F(MainDialog, CheckBoxesSwitchTheirOptionsOnAndOff) {
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    EXPECT_TRUE(Enabled(d, kIdPercentSel));
    EXPECT_FALSE(Enabled(d, kIdFixedHeight));
    Click(d, kIdBmpFixHeight);
    EXPECT_TRUE(Enabled(d, kIdFixedHeight));
    Click(d, kIdBmpOn);  // the picture off: all its options and the slope lists go
    for (int id : {kIdWidth, kIdHeight, kIdFixedHeight, kIdBmpAddLoc, kIdBmpAddStat, kIdBmpAddKm,
                   kIdBmpAddHeight, kIdBmpFixHeight, kIdBmpShow, kIdPercentSel, kIdStatSel})
      EXPECT_FALSE(Enabled(d, id)) << id;
    Click(d, kIdTextOn);
    EXPECT_TRUE(Enabled(d, kIdStepWidth));
    EXPECT_FALSE(Enabled(d, kIdStatSel));
    Click(d, kIdTextAddStat);  // text statistics alone bring the slope lists back
    EXPECT_TRUE(Enabled(d, kIdPercentSel));
    EXPECT_TRUE(Enabled(d, kIdStatSel));
    EXPECT_FALSE(Enabled(d, kIdFixedHeight));

    SetText(d, kIdWidth, "abc");
    SetText(d, kIdHeight, " 800px");
    Click(d, kIdBmpOn);
    EXPECT_EQ(0u, dialog.Fields().BmpWidth);
    EXPECT_EQ(800u, dialog.Fields().BmpHeight);
    EXPECT_TRUE(Enabled(d, kIdFixedHeight));  // 1006 is still checked
    SaveWindowShot(d, "main_dialog.bmp");
    dialog.EndDialog(IDCANCEL);
  });
}

TEST_F(MainDialog, StartsWithTheStoredSettingsAndHistories) {
  StoreQuietRun();
  {
    CRegistry key;
    ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
    ASSERT_TRUE(key.SetMultiString("\x02" "C:\\b.kml\0C:\\b.kml\0C:\\a.kml\0", "KmlPath"));
  }
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    EXPECT_EQ("C:\\b.kml", Text(d, kIdRoutePath));
    EXPECT_EQ(2, SendDlgItemMessageA(d, kIdRoutePath, CB_GETCOUNT, 0, 0));
    EXPECT_EQ("", Text(d, kIdTileFolder));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(d, kIdTextOn));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(d, kIdBmpShow));
    EXPECT_EQ("640", Text(d, kIdWidth));
    EXPECT_EQ("480", Text(d, kIdHeight));
    EXPECT_EQ("300", Text(d, kIdFixedHeight));
    EXPECT_EQ("50", Text(d, kIdStepWidth));
    EXPECT_EQ("3%", Text(d, kIdPercentSel));
    EXPECT_EQ("10", Text(d, kIdStatSel));
    EXPECT_EQ(10, SendDlgItemMessageA(d, kIdPercentSel, CB_GETCOUNT, 0, 0));
    for (int id : {kIdRouteBrowse, kIdTileBrowse}) {  // the folder, themed or plain
      BUTTON_IMAGELIST images = {};
      if (ThemesActive()) {
        SendDlgItemMessageA(d, id, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
        EXPECT_EQ(ButtonImageList(GetModuleHandleA(nullptr), IDB_FOLDER), images.himl);
      } else {
        EXPECT_NE(0, SendDlgItemMessageA(d, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
      }
    }
    dialog.EndDialog(IDCANCEL);
  });
}

// ---- OK, the run's messages, closing ----------------------------------------------

TEST_F(MainDialog, OkRunsEveryTimeAsksBeforeReplacingAndNeverCloses) {
  StoreQuietRun();
  const std::string route = folder_ + "/track.kml";
  ASSERT_TRUE(WriteWholeFile(route, ReadWholeFile(SourcePath("examples/routes/from-gpx/test_route_andorra.kml"))));
  ASSERT_TRUE(WriteWholeFile(locations_, ReadWholeFile(SourcePath("examples/Locations.txt"))));
  const std::string report = folder_ + "/track.txt", picture = folder_ + "/track.bmp";
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    SetText(d, kIdRoutePath, FullPath(route.c_str()).c_str());
    SetText(d, kIdTileFolder, FullPath(SourcePath("examples/tiles").c_str()).c_str());
    auto seen = PressAnswering(d, IDOK, {IDOK});
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Information", seen[0].caption);
    EXPECT_EQ("Die Dateien wurden erzeugt.", seen[0].text);
    const std::string firstReport = ReadWholeFile(report), firstPicture = ReadWholeFile(picture);
    ASSERT_FALSE(firstReport.empty());
    ASSERT_FALSE(firstPicture.empty());
    EXPECT_EQ(4, dialog.LocationTable().Count());

    WriteWholeFile(report, "kept");
    seen = PressAnswering(d, IDOK, {IDCANCEL});  // declined: the run stops, nothing replaced
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Frage", seen[0].caption);
    EXPECT_NE(std::string::npos, seen[0].text.find("existiert bereits"));
    EXPECT_EQ("kept", ReadWholeFile(report));

    seen = PressAnswering(d, IDOK, {IDOK, IDOK, IDOK});  // both replaced
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ("Information", seen[2].caption);
    EXPECT_TRUE(ReadWholeFile(report) == firstReport);
    EXPECT_TRUE(ReadWholeFile(picture) == firstPicture);
    EXPECT_NE(nullptr, dialog.Window());
    EXPECT_TRUE(Stored("BmpOn"));
    dialog.EndDialog(IDCANCEL);
  });
}

// The command line in the Windows build, run to its end; its exit code.
DWORD RunCommandLine(const std::string& arguments) {
  std::string command = "\"" + FullPath(TOLMARIC_CLI_EXE) + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST_F(MainDialog, AnOkRunWritesWhatTheCommandLineWritesWithTheSameSettings) {
  StoreQuietRun();
  const std::string kml = ReadWholeFile(SourcePath("examples/routes/from-gpx/test_route_andorra.kml"));
  const std::string tiles = FullPath(SourcePath("examples/tiles").c_str());
  ASSERT_TRUE(WriteWholeFile(locations_, ReadWholeFile(SourcePath("examples/Locations.txt"))));
  ASSERT_TRUE(WriteWholeFile(folder_ + "/dialog.kml", kml));
  ASSERT_TRUE(WriteWholeFile(folder_ + "/cli.kml", kml));
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    SetText(d, kIdRoutePath, FullPath((folder_ + "/dialog.kml").c_str()).c_str());
    SetText(d, kIdTileFolder, tiles.c_str());
    EXPECT_EQ(1u, PressAnswering(d, IDOK, {IDOK}).size());
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(0u, RunCommandLine("export \"" + FullPath((folder_ + "/cli.kml").c_str()) + "\" --tiles \"" + tiles +
                               "\" --bitmap --text --width 640 --height 480 --no-fixed-height --bitmap-locations"
                               " --bitmap-stats --km-axis --height-axis --text-locations --text-stats --step 50"
                               " --class-width 3 --classes 10 --yes --locations \"" + FullPath(locations_.c_str()) + "\""));
  const std::string report = ReadWholeFile(folder_ + "/dialog.txt"), picture = ReadWholeFile(folder_ + "/dialog.bmp");
  ASSERT_GT(report.size(), 1000u);
  ASSERT_GT(picture.size(), 640u * 480u * 3u);
  EXPECT_TRUE(report == ReadWholeFile(folder_ + "/cli.txt"));
  EXPECT_TRUE(picture == ReadWholeFile(folder_ + "/cli.bmp"));
}

TEST_F(MainDialog, AFailingRunShowsOneErrorAndTheDialogStays) {
  StoreQuietRun();
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    SetText(d, kIdRoutePath, (folder_ + "/missing.kml").c_str());
    std::vector<MessageBoxSeen> seen;
    g_answers = {IDOK};
    g_seen = &seen;
    // The message box is photographed before it is answered.
    WhenABoxAppears(d, [](HWND box) {
      Settle();
      SaveWindowShot(box, "run_error.bmp");
      AnswerMessageBox(nullptr, 0, 0, 0);
    });
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    g_seen = nullptr;
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Fehler", seen[0].caption);
    EXPECT_EQ("Die Datei kann nicht ge\xF6" "ffnet werden !", seen[0].text);
    EXPECT_NE(nullptr, dialog.Window());
    dialog.EndDialog(IDCANCEL);
  });
}

TEST_F(MainDialog, TheCloseBoxSavesTheLocationsButNoSettings) {
  ASSERT_TRUE(WriteWholeFile(locations_, "Alm 11.5 47.2 100\n"));
  CMainDlg dialog(path_, locations_);
  INT_PTR result = RunDialog(dialog, [&] {
    SendMessageA(dialog.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ("\"Alm\"\t+11.500000\t+47.200000\t100.00\n", ReadWholeFile(locations_));
  EXPECT_FALSE(Stored("BmpOn"));
  EXPECT_FALSE(Stored("BmpWidth"));
}

// ---- The locations list ------------------------------------------------------------

// Edits a cell the way the user does: the editor opens on it, gets the text,
// and Return commits it.
void EditCell(CTreeListCtrl& list, HTREEITEM item, int column, const char* text) {
  list.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  HWND editor = reinterpret_cast<HWND>(list.Send(TVM_EDITLABELA, column, reinterpret_cast<LPARAM>(item)));
  ASSERT_NE(nullptr, editor);
  SetWindowTextA(editor, text);
  SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(editor, WM_CHAR, VK_RETURN, 0);
  list.Send(TVM_ENDEDITLABELNOW, FALSE);
}

TEST_F(MainDialog, EditedCellsAreNormalisedAndNamesAddAndRemoveRows) {
  ASSERT_TRUE(WriteWholeFile(locations_, "\"H\xFCtte am See\"\t+11.123456\t+47.000001\t50.00\nAlm 11.5 47.2 100\n"));
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    CLocationsList& rows = dialog.LocationsList();
    CTreeListCtrl& list = rows.Control();
    auto row = [&](int index) {
      return reinterpret_cast<HTREEITEM>(list.Send(TLM_GETITEMOFROW, 0, index));
    };
    ASSERT_EQ(3, list.Send(TLM_GETROWCOUNT));
    EXPECT_STREQ("H\xFCtte am See", list.GetItemText(row(0), 0));
    EXPECT_STREQ("+47.000001", list.GetItemText(row(0), 2));
    EXPECT_STREQ("100.00", list.GetItemText(row(1), 3));

    const struct { const char* typed; const char* shown; } cases[] = {
        {"47\xB0" "30'", "+47.500000"}, {"47\xB0" "30'36", "+47.510000"},
        {"-10\xB0" "30'", "-10.500000"}, {"12,5", "+12.500000"}, {"\xB0" "30", "+0.000000"},
    };
    for (const auto& c : cases) {
      EditCell(list, row(1), 1, c.typed);
      EXPECT_STREQ(c.shown, list.GetItemText(row(1), 1)) << c.typed;
    }
    EditCell(list, row(1), 3, "12,5");
    EXPECT_STREQ("12.50", list.GetItemText(row(1), 3));

    EditCell(list, row(2), 0, "Quelle");  // naming the empty row adds a new one
    ASSERT_EQ(4, list.Send(TLM_GETROWCOUNT));
    EXPECT_STREQ("", list.GetItemText(row(2), 1));
    EditCell(list, row(3), 0, "");  // clearing the empty row changes nothing
    EXPECT_EQ(4, list.Send(TLM_GETROWCOUNT));
    EditCell(list, row(0), 0, "");  // clearing a name removes its row
    ASSERT_EQ(3, list.Send(TLM_GETROWCOUNT));
    EXPECT_STREQ("Alm", list.GetItemText(row(0), 0));
    SendMessageA(dialog.Window(), WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ("\"Alm\"\t+0.000000\t+47.200000\t12.50\n\"Quelle\"\t+0.000000\t+0.000000\t0.00\n",
            ReadWholeFile(locations_));
}

void TypeKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  Settle();
}

TEST_F(MainDialog, ReturnAndEscapeInACellEditorBelongToTheEditNotToTheDialog) {
  ASSERT_TRUE(WriteWholeFile(locations_, "Alm 11.5 47.2 100\n"));
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    SetForegroundWindow(d);
    CTreeListCtrl& list = dialog.LocationsList().Control();
    HTREEITEM alm = list.GetNextItem(TVI_ROOT, TVGN_CHILD);
    std::vector<MessageBoxSeen> seen;
    g_answers = {IDOK, IDOK};
    g_seen = &seen;
    g_owner = d;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, AnswerMessageBox);
    HWND editor = reinterpret_cast<HWND>(list.Send(TVM_EDITLABELA, 3, reinterpret_cast<LPARAM>(alm)));
    ASSERT_NE(nullptr, editor);
    SetFocus(editor);
    SetWindowTextA(editor, "7,5");
    TypeKey(VK_RETURN);
    EXPECT_STREQ("7.50", list.GetItemText(alm, 3));
    editor = reinterpret_cast<HWND>(list.Send(TVM_EDITLABELA, 3, reinterpret_cast<LPARAM>(alm)));
    SetFocus(editor);
    SetWindowTextA(editor, "9");
    TypeKey(VK_ESCAPE);
    EXPECT_STREQ("7.50", list.GetItemText(alm, 3));
    KillTimer(nullptr, timer);
    g_seen = nullptr;
    g_answers.clear();
    EXPECT_TRUE(seen.empty()) << seen[0].text;  // no run started
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ("Alm 11.5 47.2 100\n", ReadWholeFile(locations_));  // and no Cancel either
}

// ---- About box, browse button -----------------------------------------------------

TEST_F(MainDialog, TheSystemMenuShowsTheAboutBox) {
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    HMENU menu = GetSystemMenu(d, FALSE);
    char text[64] = "";
    GetMenuStringA(menu, IDM_ABOUT, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("Inf&o \xFC" "ber Tolmaric...", text);
    LRESULT icon = SendMessageA(d, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(0, icon);
    EXPECT_EQ(icon, SendMessageA(d, WM_QUERYDRAGICON, 0, 0));
    std::string about;
    WhenABoxAppears(d, [&](HWND box) {
      Settle();
      about = WindowText(box);
      SaveWindowShot(box, "about.bmp");
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(d, WM_SYSCOMMAND, IDM_ABOUT, 0);
    EXPECT_EQ("Info \xFC" "ber Tolmaric", about);
    EXPECT_NE(nullptr, dialog.Window());
    dialog.EndDialog(IDCANCEL);
  });
}

TEST_F(MainDialog, RouteBrowseProposesKmlFilesAndCancellingKeepsTheBox) {
  CMainDlg dialog(path_, locations_);
  std::string proposed;
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    WhenABoxAppears(d, [&](HWND box) {
      char name[MAX_PATH] = "";
      SendMessageA(box, CDM_GETSPEC, sizeof name, reinterpret_cast<LPARAM>(name));
      proposed = name;
      PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    Click(d, kIdRouteBrowse);
    EXPECT_EQ("*.kml", proposed);
    EXPECT_EQ("", Text(d, kIdRoutePath));
    dialog.EndDialog(IDCANCEL);
  });
}

TEST_F(MainDialog, FolderBrowseOpensTheChooserAtTheTileFolderAndTakesItsChoice) {
  const std::string start = FullPath(SourcePath("examples").c_str());
  CMainDlg dialog(path_, locations_);
  RunDialog(dialog, [&] {
    HWND d = dialog.Window();
    SetText(d, kIdTileFolder, (start + "\\tiles\\").c_str());
    std::string caption, shown;
    WhenABoxAppears(d, [&](HWND chooser) {
      caption = WindowText(chooser);
      shown = Text(chooser, CDirChooserDlg::kPathEntryId);
      PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    });
    Click(d, kIdTileBrowse);
    EXPECT_EQ("Verzeichnis w\xE4hlen", caption);
    EXPECT_EQ(start + "\\tiles", shown);
    EXPECT_EQ(start + "\\tiles", Text(d, kIdTileFolder));
    dialog.EndDialog(IDCANCEL);
  });
}

// ---- The disabled folder picture -------------------------------------------------

TEST(ButtonPictures, TheDisabledImageIsTheGreyedFolderOnTheSameMask) {
  HIMAGELIST list = ButtonImageList(GetModuleHandleA(nullptr), IDB_FOLDER);
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(6, ImageList_GetImageCount(list));
  EXPECT_EQ(list, ButtonImageList(GetModuleHandleA(nullptr), IDB_FOLDER));  // made once
  // Both images drawn on magenta, which the folder does not use.
  constexpr COLORREF kBackground = RGB(255, 0, 255);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -14, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas);
  RECT all = {0, 0, 32, 14};
  HBRUSH brush = CreateSolidBrush(kBackground);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  ImageList_Draw(list, 0, dc, 0, 0, ILD_NORMAL);
  ImageList_Draw(list, 3, dc, 16, 0, ILD_NORMAL);
  GdiFlush();
  const std::uint32_t* pixels = static_cast<const std::uint32_t*>(bits);
  int greyed = 0;
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 16; ++x) {
      std::uint32_t normal = pixels[y * 32 + x] & 0xFFFFFF, disabled = pixels[y * 32 + 16 + x] & 0xFFFFFF;
      if (normal == 0xFF00FF) {
        EXPECT_EQ(0xFF00FFu, disabled) << x << "," << y;
        continue;
      }
      EXPECT_EQ(GreyedColour(normal), disabled) << x << "," << y;
      ++greyed;
    }
  EXPECT_GT(greyed, 50);
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
}

}  // namespace
