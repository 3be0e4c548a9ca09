// Tolmaric.exe: the dialog program. Everything happens in the application
// object; the command line is not read.
#include <windows.h>

#include "app/gui/main_app.h"

CMainApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  theApp.InitInstance();
  return 0;
}
