#include "app/gui/main_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/gui/button_pictures.h"
#include "app/gui/file_dialog.h"
#include "app/gui/resource.h"
#include "app/language_texts.h"
#include "controls/dir_chooser.h"
#include "core/export_run.h"
#include "core/program_texts.h"
#include "support/file_path.h"

namespace {

constexpr std::uint32_t kMinFixedHeight = 5, kMaxFixedHeight = 3000;
constexpr int kPathCapacity = 2048;

// The run stores the settings through the dialog's two path boxes.
class CDialogSettingsSaver : public ISettingsSaver {
 public:
  CDialogSettingsSaver(IComboBox& routes, IComboBox& tiles, const std::string& keyPath)
      : routes_(routes), tiles_(tiles), keyPath_(keyPath) {}
  void SaveSettings(const ExportOptions& options) override {
    ::SaveSettings(options, routes_, tiles_, keyPath_.c_str());
  }

 private:
  IComboBox& routes_;
  IComboBox& tiles_;
  const std::string& keyPath_;
};

// The items of the drop-down lists stored with the template: records of
// control id, message, text length and text (with its zero), ended by a
// zero id.
void FillListsFromTemplate(HWND dialog, HINSTANCE instance, UINT templateId) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(DLGINIT_TYPE));
  if (!found) return;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  const DWORD size = SizeofResource(instance, found);
  for (DWORD at = 0; data && at + 8 <= size;) {
    WORD id, message;
    DWORD length;
    std::memcpy(&id, data + at, 2);
    std::memcpy(&message, data + at + 2, 2);
    std::memcpy(&length, data + at + 4, 4);
    if (id == 0 || length == 0 || length > size - at - 8 || data[at + 8 + length - 1] != 0) break;
    SendDlgItemMessageA(dialog, id, message, 0, reinterpret_cast<LPARAM>(data + at + 8));
    at += 8 + length;
  }
}

std::string UnsignedText(std::uint32_t value) { return std::to_string(value); }

}  // namespace

CMainDlg::CMainDlg(std::string keyPath, std::string locationsPath)
    : keyPath_(std::move(keyPath)),
      locationsPath_(locationsPath.empty() ? GetProgramFolder() + kLocationsFileName : std::move(locationsPath)),
      tiles_(errorText_) {
  ResetProgramTexts();
  icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TOLMARIC));
}

INT_PTR CMainDlg::DoModal(HWND parent) { return CDialogWindow::DoModal(parent, IDD_MAIN); }

BOOL CMainDlg::OnInitDialog() {
  HWND dialog = Window();
  host_.SetOwner(dialog);
  CDialogControls controls(dialog);
  ApplyLanguageTexts(&controls, keyPath_.c_str());
  SetFieldTextsFromSettings();
  SetButtonPicture(Item(kIdRouteBrowse), GetModuleHandleA(nullptr), IDB_FOLDER);
  SetButtonPicture(Item(kIdTileBrowse), GetModuleHandleA(nullptr), IDB_FOLDER);

  RECT frame;
  GetWindowRect(Item(kIdListFrame), &frame);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
  list_.Create(dialog, frame, kIdLocationsList);
  // In the tab order where the frame stands: after the step width, before OK.
  SetWindowPos(list_.Control().GetSafeHwnd(), Item(kIdListFrame), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  FillListsFromTemplate(dialog, GetModuleHandleA(nullptr), IDD_MAIN);
  UpdateData(false);
  AddAboutToSystemMenu();
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  list_.Load(locationsPath_);
  return TRUE;
}

// The stored settings and histories, then the number boxes' texts under the
// start-up rules.
void CMainDlg::SetFieldTextsFromSettings() {
  routeBox_.Attach(Item(kIdRoutePath));
  tileBox_.Attach(Item(kIdTileFolder));
  LoadSettings(fields_, routeBox_, tileBox_, keyPath_.c_str());
  fields_.FixedHeight = std::min(std::max(fields_.FixedHeight, kMinFixedHeight), kMaxFixedHeight);
  fields_.WidthText = UnsignedText(fields_.BmpWidth);
  fields_.HeightText = UnsignedText(fields_.BmpHeight);
  fields_.FixedHeightText = UnsignedText(fields_.FixedHeight);
}

void CMainDlg::AddAboutToSystemMenu() {
  HMENU menu = GetSystemMenu(Window(), FALSE);
  char text[256] = "";
  LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT, text, sizeof text);
  if (!menu || !text[0]) return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_ABOUT, text);
}

void CMainDlg::UpdateData(bool save) {
  CDialogControls controls(Window());
  ExchangeDialogData(controls, fields_, save);
}

void CMainDlg::SaveLocations() { list_.Save(locationsPath_, locations_); }

void CMainDlg::OnOK() {
  UpdateData(true);
  SaveLocations();
  CDialogSettingsSaver saver(routeBox_, tileBox_, keyPath_);
  RunExport(fields_, locations_, tiles_, host_, saver, errorText_);
}

void CMainDlg::OnCancel() {
  SaveLocations();
  EndDialog(IDCANCEL);
}

bool CMainDlg::OnCommand(WORD id, WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case kIdRouteBrowse: BrowseRoute(); return true;
    case kIdTileBrowse: BrowseTileFolder(); return true;
    case kIdBmpOn:
    case kIdBmpAddStat:
    case kIdBmpFixHeight:
    case kIdTextOn:
    case kIdTextAddStat: UpdateData(true); return true;
    default: return false;
  }
}

bool CMainDlg::OnNotify(int id, NMHDR* header, LRESULT& result) {
  if (id != kIdLocationsList || header->code != TVN_ENDLABELEDITA) return false;
  list_.OnEndLabelEdit(*reinterpret_cast<NMTVDISPINFOA*>(header));
  result = 0;
  return true;
}

bool CMainDlg::OnSysCommand(WPARAM command, LPARAM) {
  if ((command & 0xFFF0) != IDM_ABOUT) return false;
  CDialogWindow about;
  about.DoModal(Window(), IDD_ABOUT);
  return true;
}

// Minimised, the dialog draws its icon centred in the client area.
bool CMainDlg::OnPaint() {
  if (!IsIconic(Window())) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Window(), &paint);
  SendMessageA(Window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(Window(), &client);
  const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2, icon_);
  EndPaint(Window(), &paint);
  return true;
}

HCURSOR CMainDlg::OnQueryDragIcon() { return icon_; }

void CMainDlg::OnDestroy() {
  FreeButtonPicture(Item(kIdRouteBrowse));
  FreeButtonPicture(Item(kIdTileBrowse));
}

void CMainDlg::BrowseRoute() {
  UpdateData(true);
  std::vector<char> file(kPathCapacity);
  const std::string initial = fields_.RoutePath.empty() ? "*.kml" : fields_.RoutePath;
  lstrcpynA(file.data(), initial.c_str(), kPathCapacity);
  std::string filter = ProgramText(kTextRouteFileFilter);
  std::replace(filter.begin(), filter.end(), '|', '\0');
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Window();
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrTitle = ProgramText(kTextRouteFileTitle);
  dialog.lpstrDefExt = "kml";
  dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_PATHMUSTEXIST;
  if (!EnlargedGetSaveFileName(&dialog)) return;
  fields_.RoutePath = file.data();
  UpdateData(false);
}

void CMainDlg::BrowseTileFolder() {
  UpdateData(true);
  CDirChooserDlg chooser;
  chooser.SetPath(fields_.TileFolder.c_str());
  if (chooser.DoModal(Window()) != IDOK) return;
  fields_.TileFolder = chooser.GetPath(0);
  UpdateData(false);
}
