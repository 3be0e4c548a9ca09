// The in-place editor of the tree-list: an edit box or a combo box laid over
// one cell, and the end of an edit, where the parent sees the new text in a
// buffer it may rewrite, and answers whether the text is stored.
//
// The editor is subclassed so that Return and Escape reach the control as
// commands instead of being swallowed by a dialog; the original window
// procedure and the owning control travel as window properties, so the
// subclass needs no global state.
#include <algorithm>
#include <cstring>
#include <vector>

#include "controls/tree_list_window.h"

namespace {

constexpr int kEditLimit = 2048;
constexpr int kEndTextMax = 2051;
constexpr int kMinEditWidth = 48;
constexpr int kMinComboWidth = 60;
constexpr int kComboHeight = 260;
constexpr int kEditorGap = 2;
constexpr char kOriginalProc[] = "TreeListEditorProc";
constexpr char kOwner[] = "TreeListEditorOwner";
constexpr UINT kKindCombo = 1u << 29;
constexpr UINT kKindList = 1u << 30;

void SendEditorCommand(HWND editor, unsigned code) {
  HWND control = static_cast<HWND>(GetPropA(editor, kOwner));
  HWND top = GetParent(editor);
  if (top != control) editor = top;  // a combo box's own edit field speaks for the combo
  if (control) SendMessageA(control, WM_COMMAND, MAKEWPARAM(TL_EDITOR_ID, code), reinterpret_cast<LPARAM>(editor));
}

bool IsComboBox(HWND hwnd) {
  char name[16] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return lstrcmpiA(name, "ComboBox") == 0;
}

HWND ComboOf(HWND hwnd) {
  if (IsComboBox(hwnd)) return hwnd;
  HWND parent = GetParent(hwnd);
  return parent && IsComboBox(parent) ? parent : nullptr;
}

LRESULT CALLBACK EditorSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC original = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOriginalProc));
  if (!original) return DefWindowProcA(hwnd, msg, wp, lp);
  HWND combo = ComboOf(hwnd);
  switch (msg) {
    case WM_KEYDOWN:
      if (wp == VK_RETURN) {
        if (combo && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        SendEditorCommand(hwnd, TL_EDITOR_RETURN);
        return 0;
      }
      if (wp == VK_ESCAPE) {
        SendEditorCommand(hwnd, TL_EDITOR_ESCAPE);
        return 0;
      }
      if (wp == VK_DOWN && combo && !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) {
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == VK_RETURN || wp == VK_ESCAPE) return 0;
      break;
    case WM_GETDLGCODE:
      return CallWindowProcA(original, hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
    case WM_MOUSEWHEEL:
      if (combo && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) {
        int top = static_cast<int>(SendMessageA(combo, CB_GETTOPINDEX, 0, 0));
        int steps = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
        SendMessageA(combo, CB_SETTOPINDEX, std::max(0, top - steps), 0);
        return 0;
      }
      break;
    case WM_SETTEXT: {
      LRESULT result = CallWindowProcA(original, hwnd, msg, wp, lp);
      SendEditorCommand(hwnd, TL_EDITOR_SETTEXT);
      return result;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropA(hwnd, kOriginalProc);
      RemovePropA(hwnd, kOwner);
      return CallWindowProcA(original, hwnd, msg, wp, lp);
    default:
      break;
  }
  return CallWindowProcA(original, hwnd, msg, wp, lp);
}

void Subclass(HWND hwnd, HWND control) {
  if (!hwnd) return;
  SetPropA(hwnd, kOwner, control);
  LONG_PTR original = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
  SetPropA(hwnd, kOriginalProc, reinterpret_cast<HANDLE>(original));
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorSubclass));
}

HWND CreateEditorWindow(TreeListWindow* w, TreeEditKind kind, int align) {
  DWORD style = WS_CHILD | WS_BORDER;
  const char* cls = "EDIT";
  if (kind == kEditBox) {
    style |= ES_AUTOHSCROLL | (align == 2 ? ES_RIGHT : align == 1 ? ES_CENTER : 0);
  } else {
    cls = "COMBOBOX";
    style |= WS_VSCROLL | CBS_AUTOHSCROLL | (kind == kEditCombo ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
  }
  return CreateWindowExA(0, cls, "", style, 0, 0, 0, 0, w->hwnd,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(TL_EDITOR_ID)),
                         GetModuleHandleA(nullptr), nullptr);
}

void FillCombo(TreeListWindow* w, HWND combo, int column, const std::string& current) {
  const TreeColumn* c = w->model.Column(column);
  if (!c) return;
  for (const std::string& choice : ColumnChoices(*c))
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
  LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(current.c_str()));
  if (index != CB_ERR) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void PlaceEditor(TreeListWindow* w, TreeHandle item, int column, TreeEditKind kind) {
  RECT cell;
  if (!CellRect(w, item, column, &cell)) return;
  int left = TextStart(w, item, column) + kEditorGap;
  int minimum = kind == kEditBox ? kMinEditWidth : kMinComboWidth;
  int width = std::max<int>(cell.right - left, minimum);
  int height = kind == kEditBox ? w->textHeight + 4 : kComboHeight;
  SetWindowPos(w->edit.window, HWND_TOP, left, cell.top + 1, width, height, SWP_NOACTIVATE);
}

void SelectEditorText(TreeListWindow* w, int caretAtX) {
  if (w->edit.kind != kEditBox) {
    SendMessageA(w->edit.window, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    return;
  }
  if (caretAtX < 0) {
    SendMessageA(w->edit.window, EM_SETSEL, 0, -1);
    return;
  }
  POINT pt = {caretAtX, 0};
  MapWindowPoints(w->hwnd, w->edit.window, &pt, 1);
  LRESULT at = SendMessageA(w->edit.window, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, 2));
  WPARAM index = LOWORD(at);
  SendMessageA(w->edit.window, EM_SETSEL, index, index);
}

bool ReadOnly(TreeListWindow* w, TreeHandle item, int column) {
  const TreeColumn* c = w->model.Column(column);
  if (!c || !(c->editFlags & TLE_READONLYBIT)) return false;
  if (column == 0) return (w->model.Item(item)->state & TLIS_READONLY) != 0;
  const TreeCell* cell = w->model.Cell(item, column);
  return cell && (cell->state & TLIS_READONLY);
}

TreeEditKind KindOfMode(unsigned mode) {
  return mode == TLM_EDITCOMBO ? kEditCombo : mode == TLM_EDITLIST ? kEditList : kEditBox;
}

}  // namespace

void DestroyEditor(TreeListWindow* w) {
  w->edit.active = false;
  HWND editor = w->edit.window;
  w->edit.window = nullptr;
  if (editor) DestroyWindow(editor);
}

void EditorFollowsColumnInsert(TreeListWindow* w, int inserted) {
  if (w->edit.active && w->edit.column >= inserted) ++w->edit.column;
}

void EditorFollowsColumnDelete(TreeListWindow* w, int deleted) {
  if (w->edit.active && w->edit.column > deleted) --w->edit.column;
}

HWND OpenEditor(TreeListWindow* w, TreeHandle item, int column, TreeEditKind kind, UINT firstChar, int caretAtX) {
  CTreeListModel& m = w->model;
  if (!(w->style & TVS_EDITLABELS) || w->edit.active || !m.Exists(item)) return nullptr;
  if (column < 0 || column >= std::max(1, m.ColumnCount()) || ReadOnly(w, item, column)) return nullptr;
  if (m.Caret() != item || (m.CaretColumn() != column && (m.ExtendedStyle() & TLS_EX_CELLSELECT)))
    if (!SelectCaret(w, item, column, TVC_UNKNOWN)) return nullptr;
  if (!m.Exists(item)) return nullptr;
  EnsureCellVisible(w, item, column);
  NMTVDISPINFOA begin = {};
  FillNotifyItem(w, begin.item, item, column);
  begin.item.mask |= TVIF_CELL;
  if (Notify(w, &begin.hdr, TVN_BEGINLABELEDITA) || !m.Exists(item) || w->edit.active) return nullptr;
  DestroyEditor(w);
  const TreeColumn* c = m.Column(column);
  w->edit.window = CreateEditorWindow(w, kind, c ? c->align : 0);
  if (!w->edit.window) return nullptr;
  const TreeListTheme& theme = SharedResources().theme;
  if (theme.SetWindowTheme) theme.SetWindowTheme(w->edit.window, L"", L"");
  SendMessageA(w->edit.window, kind == kEditBox ? EM_LIMITTEXT : CB_LIMITTEXT, kEditLimit, 0);
  SendMessageA(w->edit.window, WM_SETFONT, reinterpret_cast<WPARAM>(w->font), FALSE);
  std::string current = DisplayText(w, item, column);
  if (kind != kEditBox) FillCombo(w, w->edit.window, column, current);
  if (kind != kEditList) SetWindowTextA(w->edit.window, current.c_str());
  Subclass(w->edit.window, w->hwnd);
  if (kind == kEditCombo) Subclass(GetWindow(w->edit.window, GW_CHILD), w->hwnd);
  w->edit.active = true;
  w->edit.item = item;
  w->edit.column = column;
  w->edit.kind = kind;
  w->edit.byChar = firstChar != 0;
  w->edit.changed = false;
  w->edit.focusBefore = GetFocus() == w->hwnd;
  HideTooltip(w);
  PlaceEditor(w, item, column, kind);
  ShowWindow(w->edit.window, SW_SHOW);
  SetFocus(w->edit.window);
  if (!w->edit.active) return nullptr;  // the focus change ended it already
  if (kind != kEditBox && c && (c->editFlags & TLE_DROPNOW)) SendMessageA(w->edit.window, CB_SHOWDROPDOWN, TRUE, 0);
  SelectEditorText(w, caretAtX);
  if (firstChar) {
    HWND target = kind == kEditCombo ? GetWindow(w->edit.window, GW_CHILD) : w->edit.window;
    SendMessageA(target ? target : w->edit.window, WM_CHAR, firstChar, 0);
  }
  return w->edit.window;
}

HWND AskParentToEdit(TreeListWindow* w, TreeHandle item, int column, UINT key, bool byChar, POINT mouse) {
  if (!(w->style & TVS_EDITLABELS) || !w->model.Exists(item)) return nullptr;
  if (byChar && (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0)) return nullptr;
  NMTREEVIEWA request = {};
  request.action = key;
  request.ptDrag = mouse;
  FillNotifyItem(w, request.itemNew, item, column);
  request.itemNew.mask = TVIF_PARAM | TVIF_STATE | TVIF_HANDLE | TVIF_CELL;
  LRESULT answer = Notify(w, &request.hdr, TVN_CELLEDITREQUEST);
  if (!answer || !w->model.Exists(item)) return nullptr;
  TreeEditKind kind = (answer & kKindList) ? kEditList : (answer & kKindCombo) ? kEditCombo : kEditBox;
  return OpenEditor(w, item, column, kind, byChar ? key : 0, -1);
}

HWND StartEditByUser(TreeListWindow* w, TreeHandle item, int column, UINT key, bool byChar, POINT mouse,
                     int caretAtX) {
  const TreeColumn* c = w->model.Column(column);
  if (!c || c->editMode == TLM_EDITNONE) return AskParentToEdit(w, item, column, key, byChar, mouse);
  if (c->editMode >= TLM_EDITSTEP) return nullptr;
  return OpenEditor(w, item, column, KindOfMode(c->editMode), byChar ? key : 0, caretAtX);
}

// ---- The end of an edit ---------------------------------------------------------

namespace {

void SetChoiceImage(TreeListWindow* w, TreeHandle item, int column, TreeEditKind kind, int comboIndex,
                    const std::string& text) {
  const TreeColumn* c = w->model.Column(column);
  if (!c || c->imageBase < 0) return;
  int index = -1;
  if (kind != kEditBox) {
    index = comboIndex;
  } else {
    std::vector<std::string> choices = ColumnChoices(*c);
    auto found = std::find(choices.begin(), choices.end(), text);
    if (found != choices.end()) index = static_cast<int>(found - choices.begin());
  }
  if (index < 0) return;
  if (column == 0) w->model.Item(item)->image = c->imageBase + index;
  else if (TreeCell* cell = w->model.Cell(item, column)) cell->image = c->imageBase + index;
}

void MoveCaretDown(TreeListWindow* w, TreeHandle item, int column) {
  int row = w->model.RowOfItem(item);
  TreeHandle next = row >= 0 ? w->model.ItemOfRow(static_cast<size_t>(row) + 1) : 0;
  if (next) SelectCaret(w, next, column, TVC_BYKEYBOARD);
}

void StoreEditedText(TreeListWindow* w, TreeHandle item, int column, TreeEditKind kind, int comboIndex,
                     bool byChar, TreeEditEnd how, const std::string& text) {
  CTreeListModel& m = w->model;
  SetChoiceImage(w, item, column, kind, comboIndex, text);
  const TreeColumn* c = m.Column(column);
  bool autoNext = c && (c->editFlags & TLE_AUTONEXT) && c->editMode != TLM_EDITNONE &&
                  c->editMode != TLM_EDITSTEP && how == kEndReturn;
  const std::string* old = m.CellText(item, column);
  if (autoNext && !byChar && old && *old == text) return;
  m.SetCellText(item, column, text);
  InvalidateItem(w, item);
  if (autoNext) MoveCaretDown(w, item, column);
}

}  // namespace

void EndEdit(TreeListWindow* w, TreeEditEnd how) {
  if (!w->edit.active) return;
  TreeHandle item = w->edit.item;
  int column = w->edit.column;
  TreeEditKind kind = w->edit.kind;
  bool byChar = w->edit.byChar;
  bool refocus = w->edit.focusBefore && how != kEndFocusLost;
  w->edit.active = false;
  w->edit.item = 0;
  HWND editor = w->edit.window;
  if (!w->model.Exists(item)) {
    if (editor) ShowWindow(editor, SW_HIDE);
    return;
  }
  std::vector<char> buffer(kEndTextMax + 1, '\0');
  NMTVDISPINFOA info = {};
  FillNotifyItem(w, info.item, item, column);
  info.item.mask = TVIF_PARAM | TVIF_STATE | TVIF_HANDLE | TVIF_CELL;
  info.item.pszText = nullptr;
  info.item.cchTextMax = 0;
  if (how != kEndCancel) {
    if (editor) GetWindowTextA(editor, buffer.data(), kEndTextMax);
    info.item.mask |= TVIF_TEXT;
    info.item.pszText = buffer.data();
    info.item.cchTextMax = kEndTextMax;
  }
  if (byChar) info.item.mask |= TVIF_EDITBYCHAR;
  if (how == kEndReturn) info.item.mask |= TVIF_EDITBYRETURN;
  int comboIndex = editor && kind != kEditBox ? static_cast<int>(SendMessageA(editor, CB_GETCURSEL, 0, 0)) : -1;
  if (editor) ShowWindow(editor, SW_HIDE);
  LRESULT answer = Notify(w, &info.hdr, TVN_ENDLABELEDITA);
  bool store = how != kEndCancel && answer == 0 && w->model.Exists(item) && info.item.pszText &&
               info.item.pszText != LPSTR_TEXTCALLBACKA;
  if (store) {
    const char* edited = info.item.pszText;
    std::string text(edited, strnlen(edited, kEndTextMax));
    const TreeItem* record = w->model.Item(item);
    if (column == 0 && (record->callbacks & kAskText)) {
      NMTVDISPINFOA set = {};
      FillNotifyItem(w, set.item, item, 0);
      set.item.pszText = const_cast<char*>(text.c_str());
      Notify(w, &set.hdr, TVN_SETDISPINFOA);
    } else {
      StoreEditedText(w, item, column, kind, comboIndex, byChar, how, text);
    }
  }
  if (refocus && IsWindow(w->hwnd)) SetFocus(w->hwnd);
  RepaintAll(w);
}

void OnEditorCommand(TreeListWindow* w, WPARAM wp, LPARAM lp) {
  if (LOWORD(wp) != TL_EDITOR_ID || !w->edit.window || reinterpret_cast<HWND>(lp) != w->edit.window) return;
  unsigned code = HIWORD(wp);
  if (code == TL_EDITOR_RETURN) return EndEdit(w, kEndReturn);
  if (code == TL_EDITOR_ESCAPE) return EndEdit(w, kEndCancel);
  if (code == TL_EDITOR_SETTEXT) {
    w->edit.changed = true;
    return;
  }
  if (w->edit.kind == kEditBox) {
    if (code == EN_KILLFOCUS) EndEdit(w, kEndFocusLost);
    else if (code == EN_CHANGE) w->edit.changed = true;
    return;
  }
  if (code == CBN_KILLFOCUS) EndEdit(w, kEndFocusLost);
  else if (code == CBN_EDITCHANGE || code == CBN_SELCHANGE) w->edit.changed = true;
}
