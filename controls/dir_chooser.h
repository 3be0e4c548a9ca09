// CDirChooserDlg: the modal "Verzeichnis wählen" dialog in which the user
// picks a folder by typing or pasting a path (with a history), by walking a
// list of the current path's levels and the current folder's subfolders, by
// choosing a drive or the network neighbourhood, or by dropping a file or
// folder onto it. It can create a missing folder and refuses one that does
// not exist. Windows build only; the rules live in dir_chooser_logic.h.
//
// Use, as the main dialog's browse button does:
//   CDirChooserDlg chooser;
//   chooser.SetPath(field.c_str());
//   if (chooser.DoModal(hwnd) == IDOK) field = chooser.GetPath(0);
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/dialog_window.h"
#include "controls/dir_chooser_logic.h"
#include "controls/dir_listing.h"

class CDirChooserDlg : public CDialogWindow {
 public:
  // Control ids of the dialog.
  static constexpr int kPathEntryId = 1017;   // path entry with the history
  static constexpr int kFolderListId = 1007;  // levels and subfolders
  static constexpr int kDriveListId = 1016;   // drives and the network neighbourhood
  // WM_DROPFILES of the path entry and the folder list, forwarded to the dialog.
  static constexpr UINT kDropMessage = 0x0523;
  static constexpr unsigned kKeepOptions = 0xFFFFFFFF;

  // keyPath names where the last chosen folder and the history are kept
  // (read now, written on OK) through memory; without both nothing is kept.
  // A null listing means the machine's own.
  explicit CDirChooserDlg(const char* keyPath = nullptr, CFolderMemory* memory = nullptr,
                          std::unique_ptr<CDirListing> listing = nullptr);
  ~CDirChooserDlg() override;

  // Normalises text ("  c:/data/ " gives "c:\data", "C:\" stays) and makes it
  // the current path; a null text or one that cannot be made absolute leaves
  // it unchanged. Returns the current path.
  const std::string& SetPath(const char* text);
  // The process's current directory as the current path.
  const std::string& SetPathFromCurrentDirectory();
  // 0: the path without a trailing separator (a drive root keeps its "\");
  // 1: with one ("C:\data\").
  std::string GetPath(int which = 0) const;
  // Replaces "Verzeichnis wählen" as the caption; "" keeps it.
  void SetCaption(const char* caption) { caption_ = caption ? caption : ""; }
  const std::vector<std::string>& History() const { return state_.history; }
  // The lists as they are shown (while the dialog runs).
  const CDirChooserState& State() const { return state_; }

  // options: kDirMustExist | kDirCreate | kDirNoNetwork (dir_chooser_logic.h),
  // or kKeepOptions. A keyPath replaces the constructor's for this run (its
  // folder is read when no path is set). Returns IDOK, IDCANCEL or -1.
  INT_PTR DoModal(HWND parent, const char* keyPath, unsigned options);
  // No key path, options kDirMustExist | kDirCreate.
  INT_PTR DoModal(HWND parent);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The two refusals of OK; a message box with caption "Fehler".
  virtual void ShowError(const char* text);
  // Milliseconds for the type-ahead pauses.
  virtual std::uint32_t Now();

 private:
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
  bool FolderListKey(UINT message, WPARAM wParam);
  void RememberPosition();
  void CenterOnOwner();
  void ReadMemory();
  void ShowFolders();
  void ShowPath();
  void ShowDrives();
  template <typename Step>
  void Navigate(Step step);
  void OpenSelectedEntry();
  void AcceptTyped();
  void ChooseDrive();
  void TakeOverEntryText(bool fromHistory);
  void DropFiles(HDROP drop);
  void DrawEntry(const DRAWITEMSTRUCT& item);

  std::unique_ptr<CDirListing> listing_;
  CDirChooserState state_;
  CFolderMemory* memory_;
  std::string keyPath_;
  std::string caption_;
  HIMAGELIST images_ = nullptr;
  CTypeAhead typeAhead_;
};
