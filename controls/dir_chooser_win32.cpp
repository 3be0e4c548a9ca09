// The chooser's window: its template built in code, the lists it shows from
// CDirChooserState, the owner drawing of the entries, and the subclassed path
// entry and folder list (dropped files, type-ahead, one entry per wheel step).
#include "controls/dir_chooser.h"

#include <shellapi.h>

#include "support/text_scan.h"

namespace {

constexpr const char* kCaption = "Verzeichnis w\xE4hlen";
constexpr const char* kCannotCreate = "Der Pfad kann nicht erzeugt werden !";
constexpr const char* kDoesNotExist = "Der Pfad existiert nicht !";
constexpr const char* kErrorCaption = "Fehler";
constexpr int kItemHeight = 18;   // a 16-pixel icon and a line of text
constexpr int kIconLeft = 4;
constexpr int kTextBehindIcon = 20;
constexpr int kTextTop = 2;
constexpr UINT_PTR kSubclassId = 1;

// Where the dialog was when it last closed, for the next one in this process.
POINT g_position;
bool g_positionKept = false;

CDialogTemplate ChooserTemplate() {
  CDialogTemplate form(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 277, 274, kCaption,
                       "MS Sans Serif", 8, 0, 0, 1);
  const DWORD child = WS_CHILD | WS_VISIBLE;
  form.AddControl(CDialogTemplate::kComboBox, CDirChooserDlg::kPathEntryId,
                  child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL, WS_EX_ACCEPTFILES, 5, 15, 205,
                  140, "");
  form.AddControl(CDialogTemplate::kListBox, CDirChooserDlg::kFolderListId,
                  child | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWFIXED |
                      LBS_NOINTEGRALHEIGHT,
                  WS_EX_ACCEPTFILES, 5, 30, 205, 210, "");
  form.AddControl(CDialogTemplate::kComboBox, CDirChooserDlg::kDriveListId,
                  child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_SORT, 0, 5, 253, 205,
                  140, "");
  form.AddControl(CDialogTemplate::kButton, IDOK, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 220, 15, 50, 14, "OK");
  form.AddControl(CDialogTemplate::kButton, IDCANCEL, child | WS_TABSTOP, 0, 220, 35, 50, 14, "Abbrechen");
  form.AddControl(CDialogTemplate::kStatic, -1, child | WS_GROUP, 0, 5, 245, 32, 8, "Laufwerk:");
  form.AddControl(CDialogTemplate::kStatic, -1, child | WS_GROUP, 0, 5, 5, 56, 8, "Verzeichnisname:");
  return form;
}

// Three quarters of base and a quarter of tint, channel by channel.
COLORREF MixQuarter(COLORREF base, COLORREF tint) {
  auto channel = [](BYTE a, BYTE b) { return static_cast<BYTE>(a / 4 * 3 + b / 4); };
  return RGB(channel(GetRValue(base), GetRValue(tint)), channel(GetGValue(base), GetGValue(tint)),
             channel(GetBValue(base), GetBValue(tint)));
}

std::string WindowText(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(length + 1, '\0');
  int copied = GetWindowTextA(window, &text[0], length + 1);
  text.resize(copied > 0 ? copied : 0);
  return text;
}

}  // namespace

// ---- Interface -------------------------------------------------------------------

CDirChooserDlg::CDirChooserDlg(const char* keyPath, CFolderMemory* memory, std::unique_ptr<CDirListing> listing)
    : listing_(listing ? std::move(listing) : MakeShellDirListing()),
      state_(*listing_),
      memory_(memory),
      keyPath_(keyPath ? keyPath : "") {
  ReadMemory();
}

CDirChooserDlg::~CDirChooserDlg() = default;

const std::string& CDirChooserDlg::SetPath(const char* text) { return state_.SetPath(text); }

const std::string& CDirChooserDlg::SetPathFromCurrentDirectory() { return state_.SetPathFromCurrentDirectory(); }

std::string CDirChooserDlg::GetPath(int which) const { return state_.GetPath(which); }

INT_PTR CDirChooserDlg::DoModal(HWND parent, const char* keyPath, unsigned options) {
  if (options != kKeepOptions) state_.options = options;
  std::string previousKey = keyPath_;
  if (keyPath) {
    keyPath_ = keyPath;
    if (state_.GetPath(0).empty()) ReadMemory();
  }
  CDialogTemplate form = ChooserTemplate();
  INT_PTR result = DoModalIndirect(parent, form.Get());
  state_.ForgetEntries();
  keyPath_ = previousKey;
  return result;
}

INT_PTR CDirChooserDlg::DoModal(HWND parent) { return DoModal(parent, nullptr, kDirMustExist | kDirCreate); }

void CDirChooserDlg::ReadMemory() {
  if (!memory_ || keyPath_.empty()) return;
  std::string folder;
  std::vector<std::string> history;
  if (!memory_->Read(keyPath_, folder, history)) return;
  if (!folder.empty()) state_.SetPath(folder.c_str());
  if (history.size() > static_cast<size_t>(kDirHistoryRead)) history.resize(kDirHistoryRead);
  state_.history = history;
}

// ---- Reactions -------------------------------------------------------------------

BOOL CDirChooserDlg::OnInitDialog() {
  if (g_positionKept && g_position.x > -100 && g_position.x < GetSystemMetrics(SM_CXSCREEN) - 100 &&
      g_position.y > -10 && g_position.y < GetSystemMetrics(SM_CYSCREEN) - 100)
    SetWindowPos(Window(), nullptr, g_position.x, g_position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  else
    CenterOnOwner();
  if (!caption_.empty()) SetWindowTextA(Window(), caption_.c_str());

  SHFILEINFOA info = {};
  images_ = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  SetWindowSubclass(Item(kPathEntryId), ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(Item(kFolderListId), ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SendDlgItemMessageA(Window(), kFolderListId, LB_SETITEMHEIGHT, 0, kItemHeight);
  SendDlgItemMessageA(Window(), kDriveListId, CB_SETITEMHEIGHT, 0, kItemHeight);
  SendDlgItemMessageA(Window(), kDriveListId, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), kItemHeight);

  for (const std::string& entry : state_.history)
    SendDlgItemMessageA(Window(), kPathEntryId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  Navigate([this] {
    state_.Open();
    ShowDrives();
  });
  return TRUE;
}

void CDirChooserDlg::OnOK() {
  RememberPosition();
  HWND focus = GetFocus();
  if (focus == Item(kFolderListId)) {
    OpenSelectedEntry();
    return;
  }
  if (focus == Item(kDriveListId)) {
    SendDlgItemMessageA(Window(), kDriveListId, CB_SHOWDROPDOWN, TRUE, 0);
    return;
  }
  AcceptTyped();
}

void CDirChooserDlg::OnCancel() {
  RememberPosition();
  EndDialog(IDCANCEL);
}

bool CDirChooserDlg::OnCommand(WORD id, WORD code, HWND) {
  if (id == kDriveListId && code == CBN_SELCHANGE) {
    if (!SendDlgItemMessageA(Window(), kDriveListId, CB_GETDROPPEDSTATE, 0, 0)) ChooseDrive();
    return true;
  }
  if (id == kDriveListId && code == CBN_CLOSEUP) {
    ChooseDrive();  // the selection made while the list was down
    return true;
  }
  if (id == kPathEntryId && code == CBN_SELCHANGE) {
    TakeOverEntryText(true);
    return true;
  }
  if (id == kFolderListId && code == LBN_DBLCLK) {
    OpenSelectedEntry();
    return true;
  }
  return false;
}

void CDirChooserDlg::OnDestroy() {
  RemoveWindowSubclass(Item(kPathEntryId), ControlProc, kSubclassId);
  RemoveWindowSubclass(Item(kFolderListId), ControlProc, kSubclassId);
}

bool CDirChooserDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_DRAWITEM:
      DrawEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_COMPAREITEM: {
      // The lists hold entry numbers; they stay in the order they were added.
      const auto& compare = *reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam);
      result = compare.itemData1 < compare.itemData2 ? -1 : compare.itemData1 > compare.itemData2 ? 1 : 0;
      return true;
    }
    case kDropMessage:
      DropFiles(reinterpret_cast<HDROP>(wParam));
      return true;
    default:
      return false;
  }
}

void CDirChooserDlg::ShowError(const char* text) {
  MessageBoxA(Window(), text, kErrorCaption, MB_OK | MB_ICONERROR);
}

std::uint32_t CDirChooserDlg::Now() { return GetTickCount(); }

// ---- Subclassed controls ---------------------------------------------------------

LRESULT CALLBACK CDirChooserDlg::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR self) {
  auto* dialog = reinterpret_cast<CDirChooserDlg*>(self);
  if (message == WM_DROPFILES) return SendMessageA(dialog->Window(), kDropMessage, wParam, lParam);
  if (window == dialog->Item(kFolderListId) && dialog->FolderListKey(message, wParam)) return 0;
  return DefSubclassProc(window, message, wParam, lParam);
}

// Type-ahead and the wheel; true when the message is used up.
bool CDirChooserDlg::FolderListKey(UINT message, WPARAM wParam) {
  HWND list = Item(kFolderListId);
  if (message == WM_MOUSEWHEEL) {
    LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    int step = GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? -1 : 1;
    if (top + step >= 0) SendMessageA(list, LB_SETTOPINDEX, top + step, 0);
    return true;
  }
  if (message != WM_CHAR || static_cast<unsigned char>(wParam) < ' ') return false;
  std::vector<std::string> texts;
  for (const FolderEntry& entry : state_.Folders()) texts.push_back(entry.text);
  int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
  int found = typeAhead_.Key(static_cast<char>(wParam), Now(), texts, selected);
  if (found < 0) MessageBeep(MB_ICONASTERISK);
  else SendMessageA(list, LB_SETCURSEL, found, 0);
  return true;
}

// ---- Navigation ------------------------------------------------------------------

template <typename Step>
void CDirChooserDlg::Navigate(Step step) {
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  step();
  if (Window()) {
    ShowFolders();
    ShowPath();
  }
  SetCursor(previous ? previous : LoadCursor(nullptr, IDC_ARROW));
}

void CDirChooserDlg::ShowFolders() {
  HWND list = Item(kFolderListId);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < state_.Folders().size(); i++) SendMessageA(list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
  SendMessageA(list, LB_SETCURSEL, state_.CurrentEntry(), 0);
  SendMessageA(list, LB_SETCARETINDEX, state_.CurrentEntry(), FALSE);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  SendDlgItemMessageA(Window(), kDriveListId, CB_SETCURSEL, state_.SelectedDrive(), 0);
}

void CDirChooserDlg::ShowDrives() {
  HWND drives = Item(kDriveListId);
  SendMessageA(drives, CB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < state_.Drives().size(); i++) SendMessageA(drives, CB_ADDSTRING, 0, static_cast<LPARAM>(i));
  SendMessageA(drives, CB_SETCURSEL, state_.SelectedDrive(), 0);
}

void CDirChooserDlg::ShowPath() { SetDlgItemTextA(Window(), kPathEntryId, state_.GetPath(0).c_str()); }

void CDirChooserDlg::OpenSelectedEntry() {
  int selected = static_cast<int>(SendDlgItemMessageA(Window(), kFolderListId, LB_GETCURSEL, 0, 0));
  if (selected < 0) return;
  if (selected == state_.CurrentEntry()) {
    AcceptTyped();
    return;
  }
  Navigate([this, selected] { state_.OpenEntry(selected); });
}

void CDirChooserDlg::AcceptTyped() {
  std::string typed = WindowText(Item(kPathEntryId));
  CDirChooserState::OkResult outcome = CDirChooserState::kOkShown;
  Navigate([&] { outcome = state_.Accept(typed); });
  switch (outcome) {
    case CDirChooserState::kOkShown:
      return;
    case CDirChooserState::kOkCannotCreate:
      ShowError(kCannotCreate);
      return;
    case CDirChooserState::kOkDoesNotExist:
      ShowError(kDoesNotExist);
      return;
    case CDirChooserState::kOkAccepted:
      if (memory_ && !keyPath_.empty()) memory_->Write(keyPath_, state_.GetPath(0), state_.history);
      EndDialog(IDOK);
      return;
  }
}

void CDirChooserDlg::ChooseDrive() {
  int selected = static_cast<int>(SendDlgItemMessageA(Window(), kDriveListId, CB_GETCURSEL, 0, 0));
  if (selected < 0 || selected == state_.DriveOfPath()) return;
  Navigate([this, selected] { state_.ChooseDrive(selected); });
}

void CDirChooserDlg::TakeOverEntryText(bool fromHistory) {
  HWND entry = Item(kPathEntryId);
  std::string text = WindowText(entry);
  int selected = fromHistory ? static_cast<int>(SendMessageA(entry, CB_GETCURSEL, 0, 0)) : -1;
  if (selected >= 0) {
    LRESULT length = SendMessageA(entry, CB_GETLBTEXTLEN, selected, 0);
    if (length >= 0) {
      text.assign(length + 1, '\0');
      SendMessageA(entry, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(&text[0]));
      text.resize(length);
    }
  }
  SetWindowTextA(entry, text.c_str());
  Navigate([this, &text] { state_.TakeOver(text); });
}

void CDirChooserDlg::DropFiles(HDROP drop) {
  // A name too long for the buffer is left alone rather than cut.
  char name[MAX_PATH] = "";
  UINT length = DragQueryFileA(drop, 0, nullptr, 0);
  if (length > 0 && length < MAX_PATH) DragQueryFileA(drop, 0, name, MAX_PATH);
  DragFinish(drop);
  if (!name[0]) return;
  std::string folder = state_.DroppedFolder(name);
  if (folder.empty()) return;
  SetDlgItemTextA(Window(), kPathEntryId, folder.c_str());
  TakeOverEntryText(false);
}

// The template places the dialog at the owner's corner; the first time it
// opens it sits in the middle of its owner (or of the screen) instead.
void CDirChooserDlg::CenterOnOwner() {
  RECT frame, owner;
  GetWindowRect(Window(), &frame);
  HWND parent = GetWindow(Window(), GW_OWNER);
  if (!parent || !GetWindowRect(parent, &owner)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &owner, 0);
  int x = (owner.left + owner.right - (frame.right - frame.left)) / 2;
  int y = (owner.top + owner.bottom - (frame.bottom - frame.top)) / 2;
  SetWindowPos(Window(), nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CDirChooserDlg::RememberPosition() {
  RECT frame;
  if (!GetWindowRect(Window(), &frame)) return;
  g_position = {frame.left, frame.top};
  g_positionKept = true;
}

// ---- Drawing ---------------------------------------------------------------------

void CDirChooserDlg::DrawEntry(const DRAWITEMSTRUCT& item) {
  COLORREF background = GetSysColor(COLOR_WINDOW);
  if (item.itemState & ODS_SELECTED) background = MixQuarter(background, GetSysColor(COLOR_BTNFACE));
  if (item.itemState & ODS_FOCUS) background = MixQuarter(background, GetSysColor(COLOR_HIGHLIGHT));
  RECT area = item.rcItem;
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(item.hDC, &area, brush);
  DeleteObject(brush);

  const std::string* text = nullptr;
  int icon = -1, indent = 0;
  size_t index = static_cast<size_t>(item.itemData);
  if (item.itemID == static_cast<UINT>(-1)) return;
  if (item.CtlID == kFolderListId && index < state_.Folders().size()) {
    const FolderEntry& entry = state_.Folders()[index];
    text = &entry.text;
    icon = entry.icon;
    indent = entry.indent;
  } else if (item.CtlID == kDriveListId && index < state_.Drives().size()) {
    text = &state_.Drives()[index].text;
    icon = state_.Drives()[index].icon;
  }
  if (!text) return;

  int iconLeft = area.left + kIconLeft + indent;
  int iconTop = area.top + (area.bottom - area.top - 16) / 2;
  if (images_ && icon >= 0) ImageList_Draw(images_, icon, item.hDC, iconLeft, iconTop, ILD_TRANSPARENT);

  std::string shown(text->size() + 1, '\0');
  int length = NormalizeCase(&shown[0], text->c_str(), kNormalizeCaseNames);
  RECT textArea = area;
  textArea.left = iconLeft + kTextBehindIcon;
  SetBkColor(item.hDC, background);
  SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
  ExtTextOutA(item.hDC, textArea.left, area.top + kTextTop, ETO_CLIPPED | ETO_OPAQUE, &textArea, shown.c_str(),
              static_cast<UINT>(length), nullptr);
}
