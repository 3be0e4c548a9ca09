// The folder chooser on its own, to try by hand: opens on the folder given
// (or the current one) and prints the folder chosen.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "controls/dir_chooser.h"

int main(int argc, char** argv) {
  InitCommonControls();
  CDirChooserDlg chooser;
  if (argc > 1) chooser.SetPath(argv[1]);
  else chooser.SetPathFromCurrentDirectory();
  INT_PTR result = chooser.DoModal(nullptr);
  if (result != IDOK) return 1;
  std::printf("%s\n", chooser.GetPath(0).c_str());
  return 0;
}
