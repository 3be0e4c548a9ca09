#include "controls/dialog_window.h"

namespace {

// The messages whose answer a dialog procedure returns itself instead of
// leaving it in DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- CDialogWindow -----------------------------------------------------------

CDialogWindow::~CDialogWindow() = default;

INT_PTR CDialogWindow::DoModal(HWND parent, UINT templateId, HINSTANCE instance) {
  if (!instance) instance = GetModuleHandleA(nullptr);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogWindow::DoModalIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  return DialogBoxIndirectParamA(instance, dialogTemplate, parent, DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CDialogWindow::Item(int id) const { return GetDlgItem(window_, id); }

void CDialogWindow::EndDialog(INT_PTR result) { ::EndDialog(window_, result); }

BOOL CDialogWindow::OnInitDialog() { return TRUE; }
void CDialogWindow::OnOK() { EndDialog(IDOK); }
void CDialogWindow::OnCancel() { EndDialog(IDCANCEL); }
bool CDialogWindow::OnCommand(WORD, WORD, HWND) { return false; }
bool CDialogWindow::OnNotify(int, NMHDR*, LRESULT&) { return false; }
bool CDialogWindow::OnSysCommand(WPARAM, LPARAM) { return false; }
bool CDialogWindow::OnPaint() { return false; }
HCURSOR CDialogWindow::OnQueryDragIcon() { return nullptr; }
void CDialogWindow::OnDestroy() {}
bool CDialogWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

INT_PTR CALLBACK CDialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialogWindow*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->window_ = window;
    return dialog->OnInitDialog();
  }
  // Messages before WM_INITDIALOG (WM_SETFONT ...) find no object yet.
  auto* dialog = reinterpret_cast<CDialogWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!dialog) return FALSE;
  INT_PTR answer = dialog->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    dialog->window_ = nullptr;
  }
  return answer;
}

INT_PTR CDialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      WORD code = HIWORD(wParam);
      // Code 0 is a click (or Return/Escape), 1 an accelerator.
      if ((id == IDOK || id == IDCANCEL) && code <= 1) {
        if (id == IDOK) OnOK();
        else OnCancel();
        return TRUE;
      }
      return OnCommand(id, code, reinterpret_cast<HWND>(lParam));
    }
    case WM_NOTIFY:
      if (!OnNotify(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
      return Answer(message, result);
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam, lParam);
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      if (!OnMessage(message, wParam, lParam, result)) return FALSE;
      return Answer(message, result);
  }
}

INT_PTR CDialogWindow::Answer(UINT message, LRESULT result) {
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
  return TRUE;
}

// ---- CDialogTemplate ---------------------------------------------------------

CDialogTemplate::CDialogTemplate(DWORD style, DWORD exStyle, short x, short y, short cx, short cy,
                                 const char* caption, const char* fontName, WORD pointSize, WORD weight, BYTE italic,
                                 BYTE charSet) {
  PutWord(1);       // version
  PutWord(0xFFFF);  // marks the extended form
  PutDword(0);      // help id
  PutDword(exStyle);
  PutDword(style);
  countAt_ = words_.size();
  PutWord(0);
  for (short value : {x, y, cx, cy}) PutWord(static_cast<WORD>(value));
  PutWord(0);  // no menu
  PutWord(0);  // the dialog class
  PutText(caption);
  PutWord(pointSize);
  PutWord(weight);
  PutWord(static_cast<WORD>(italic | (charSet << 8)));  // two bytes, little-endian
  PutText(fontName);
}

void CDialogTemplate::AddControl(WORD classAtom, int id, DWORD style, DWORD exStyle, short x, short y, short cx,
                                 short cy, const char* text) {
  AlignDword();
  PutDword(0);  // help id
  PutDword(exStyle);
  PutDword(style);
  for (short value : {x, y, cx, cy}) PutWord(static_cast<WORD>(value));
  PutDword(static_cast<DWORD>(id));
  PutWord(0xFFFF);
  PutWord(classAtom);
  PutText(text);
  PutWord(0);  // no creation data
  words_[countAt_]++;
}

void CDialogTemplate::PutDword(DWORD value) {
  PutWord(LOWORD(value));
  PutWord(HIWORD(value));
}

void CDialogTemplate::PutText(const char* text) {
  if (!text) text = "";
  int length = MultiByteToWideChar(1252, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  if (length > 0) MultiByteToWideChar(1252, 0, text, -1, &wide[0], length);
  for (wchar_t c : wide) PutWord(static_cast<WORD>(c));  // ends with the terminator
}

void CDialogTemplate::AlignDword() {
  if (words_.size() % 2) PutWord(0);
}
