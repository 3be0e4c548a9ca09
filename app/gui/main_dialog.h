// CMainDlg: the program's only window. It collects the inputs of an export
// run, shows and edits the locations list, and starts a run with OK; the
// dialog stays open between runs. Cancel, Escape and the close box save the
// locations list (not the settings) and end it.
#pragma once
#include <windows.h>

#include <string>

#include "app/dialog_data.h"
#include "app/gui/dialog_controls.h"
#include "app/gui/dialog_run_host.h"
#include "app/gui/locations_list.h"
#include "app/settings.h"
#include "controls/dialog_window.h"
#include "core/locations.h"
#include "core/tile_store.h"

class CMainDlg : public CDialogWindow {
 public:
  // keyPath: the settings key; locationsPath: the locations file (by default
  // "Locations.txt" beside the program). Sets the program texts to the
  // built-in German ones.
  explicit CMainDlg(std::string keyPath = kSettingsKeyPath, std::string locationsPath = "");

  INT_PTR DoModal(HWND parent = nullptr);

  const MainDialogFields& Fields() const { return fields_; }
  const CLocationTable& LocationTable() const { return locations_; }
  CLocationsList& LocationsList() { return list_; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  bool OnSysCommand(WPARAM command, LPARAM lParam) override;
  bool OnPaint() override;
  HCURSOR OnQueryDragIcon() override;
  void OnDestroy() override;

 private:
  // DoDataExchange: controls to fields (save) or back.
  void UpdateData(bool save);
  void SaveLocations();
  void BrowseRoute();
  void BrowseTileFolder();
  void SetFieldTextsFromSettings();
  void AddAboutToSystemMenu();

  std::string keyPath_;
  std::string locationsPath_;
  MainDialogFields fields_;
  CLocationTable locations_;
  std::string errorText_;
  CTileStore tiles_;
  CLocationsList list_;
  CDialogRunHost host_;
  CComboBoxWindow routeBox_, tileBox_;
  HICON icon_ = nullptr;
};
