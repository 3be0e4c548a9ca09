// CMainApp: the application object. It prepares the common controls and the
// file dialogs, runs the main dialog and ends the program when the dialog
// closes: there is no message loop of its own.
#pragma once

class CMainApp {
 public:
  // False: the program ends once the dialog has closed.
  bool InitInstance();
};
