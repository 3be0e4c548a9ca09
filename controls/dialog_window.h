// CDialogWindow: a modal dialog as a list of reactions. The dialog procedure
// finds the object through DWLP_USER (set from WM_INITDIALOG's parameter) and
// hands each message to one named handler; whatever a handler returns goes
// back to the dialog manager the way that message wants it (directly for
// WM_INITDIALOG, WM_QUERYDRAGICON, WM_CTLCOLOR*, ..., through DWLP_MSGRESULT
// otherwise). Windows build only.
//
// CDialogTemplate builds an extended dialog template in memory, so a dialog
// needs no resource script.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CDialogWindow {
 public:
  CDialogWindow() = default;
  virtual ~CDialogWindow();
  CDialogWindow(const CDialogWindow&) = delete;
  CDialogWindow& operator=(const CDialogWindow&) = delete;

  // Runs the dialog from a resource template; a null instance means the
  // program's own module. Returns what EndDialog was given, or -1 when the
  // dialog could not be made.
  INT_PTR DoModal(HWND parent, UINT templateId, HINSTANCE instance = nullptr);
  // The same from a template in memory (plain or extended).
  INT_PTR DoModalIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate);

  // The dialog window while it runs, null before and after.
  HWND Window() const { return window_; }
  // GetDlgItem.
  HWND Item(int id) const;
  void EndDialog(INT_PTR result);

 protected:
  // Return TRUE to let the system give the focus to the first tab stop.
  virtual BOOL OnInitDialog();
  // IDOK and IDCANCEL commands (buttons, Return, Escape, the close box) come
  // here and never reach OnCommand. The defaults end the dialog.
  virtual void OnOK();
  virtual void OnCancel();
  // Every other WM_COMMAND. True = handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control);
  // WM_NOTIFY; result is the notification's answer. True = handled.
  virtual bool OnNotify(int id, NMHDR* header, LRESULT& result);
  virtual bool OnSysCommand(WPARAM command, LPARAM lParam);
  virtual bool OnPaint();
  // nullptr = the default icon.
  virtual HCURSOR OnQueryDragIcon();
  // WM_DESTROY; the window is still valid.
  virtual void OnDestroy();
  // Everything else (owner drawing, dropped files, the wheel, ...). True =
  // handled, result being the message's answer.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Answer(UINT message, LRESULT result);

  HWND window_ = nullptr;
};

// An extended dialog template (DLGTEMPLATEEX) assembled in memory. Texts are
// code page 1252; positions and sizes in dialog units. Controls of the
// predefined classes are named by their atoms (kButton ...).
class CDialogTemplate {
 public:
  enum PredefinedClass : WORD { kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kScrollBar = 0x84, kComboBox = 0x85 };

  // style should include DS_SETFONT: the font always follows the caption.
  CDialogTemplate(DWORD style, DWORD exStyle, short x, short y, short cx, short cy, const char* caption,
                  const char* fontName, WORD pointSize, WORD weight = 0, BYTE italic = 0, BYTE charSet = DEFAULT_CHARSET);
  // Adds a control (WS_CHILD | WS_VISIBLE are the caller's to give).
  void AddControl(WORD classAtom, int id, DWORD style, DWORD exStyle, short x, short y, short cx, short cy,
                  const char* text);
  // Valid while this object lives and no control is added.
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
  size_t Bytes() const { return words_.size() * sizeof(WORD); }

 private:
  void PutWord(WORD value) { words_.push_back(value); }
  void PutDword(DWORD value);
  void PutText(const char* text);
  void AlignDword();

  std::vector<WORD> words_;
  size_t countAt_ = 0;  // where the control count sits
};
