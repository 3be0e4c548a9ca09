#include "app/gui/main_app.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/gui/file_dialog.h"
#include "app/gui/main_dialog.h"

bool CMainApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  InstallFileDialogEnlargement();
  auto dialog = std::make_unique<CMainDlg>();
  dialog->DoModal();
  dialog.reset();
  return false;
}
