// The instance record of one "TreeList" window and the handlers its window
// procedure calls. Internal to controls/: clients use tree_list_ctrl.h and
// messages. The model (tree_list_model.h) holds the data; this record adds
// what only exists with a window: child windows, fonts, scroll position,
// editing and tooltip state, and the semaphore that guards it all.
//
// The handlers are spread over several files by concern:
//   tree_list_win32.cpp         creation, messages, notifications
//   tree_list_paint_win32.cpp   geometry, painting, hit testing, scrolling
//   tree_list_input_win32.cpp   mouse, keyboard, typed characters
//   tree_list_edit_win32.cpp    the in-place editor and the end of an edit
//   tree_list_tips_win32.cpp    tooltips, themes, shared drawing resources
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "controls/tree_list_model.h"

// Theme functions bound at run time from "UxTheme.dll" (null when missing).
struct TreeListTheme {
  HANDLE(WINAPI* OpenThemeData)(HWND, LPCWSTR) = nullptr;
  HRESULT(WINAPI* CloseThemeData)(HANDLE) = nullptr;
  HRESULT(WINAPI* DrawThemeBackground)(HANDLE, HDC, int, int, const RECT*, const RECT*) = nullptr;
  HRESULT(WINAPI* GetThemeBackgroundContentRect)(HANDLE, HDC, int, int, const RECT*, RECT*) = nullptr;
  HRESULT(WINAPI* SetWindowTheme)(HWND, LPCWSTR, LPCWSTR) = nullptr;
  HRESULT(WINAPI* BufferedPaintInit)() = nullptr;
  HRESULT(WINAPI* BufferedPaintUnInit)() = nullptr;
  HANDLE(WINAPI* BeginBufferedPaint)(HDC, const RECT*, int, void*, HDC*) = nullptr;
  HRESULT(WINAPI* EndBufferedPaint)(HANDLE, BOOL) = nullptr;
};

// Drawing resources shared by all controls of the process.
struct TreeListShared {
  HPEN dottedPen = nullptr;
  HFONT normalFont = nullptr;
  HFONT boldFont = nullptr;
  TreeListTheme theme;
  bool themeBound = false;
  int users = 0;
};
TreeListShared& SharedResources();
void AcquireSharedResources();
void ReleaseSharedResources();

// TVM_SETIMAGELIST / TVM_GETIMAGELIST kinds beside TVSIL_NORMAL (0) and
// TVSIL_STATE (2): the header's list, and further lists that only make the
// rows as tall as their images.
constexpr WPARAM kHeaderImageList = 1;
constexpr WPARAM kFirstExtraImageList = 3;
constexpr int kExtraImageLists = 2;

enum TreeEditKind { kEditBox = 0, kEditCombo = 1, kEditList = 2 };
enum TreeEditEnd { kEndCancel = 0, kEndFocusLost = 1, kEndReturn = 2 };

// The in-place editor; tree_list_edit_win32.cpp keeps it.
struct TreeListEditing {
  HWND window = nullptr;  // stays, hidden, after an edit until the next one
  bool active = false;
  TreeHandle item = 0;
  int column = 0;
  TreeEditKind kind = kEditBox;
  bool byChar = false;       // opened by a typed character
  bool changed = false;      // the editor's text was changed
  bool focusBefore = false;  // the control had the focus when the edit opened
};

// Mouse and keyboard state; tree_list_input_win32.cpp keeps it.
struct TreeListInput {
  bool hasFocus = false;
  TreeHandle anchor = 0;           // where a Shift range starts
  TreeHandle pendingToggle = 0;    // expand or collapse once the parent saw the click
  TreeHandle clickedSelected = 0;  // a click landed on the already selected cell
  int clickedColumn = 0;
  bool suppressChar = false;       // the parent answered TVN_KEYDOWN with nonzero
  bool dragArmed = false;
  POINT dragStart = {};
  int wheelCarry = 0;  // wheel delta short of a whole WHEEL_DELTA
  CIncrementalSearch search;
};

// The tooltip for cut texts; tree_list_tips_win32.cpp keeps it.
struct TreeListTips {
  HWND window = nullptr;
  HWND own = nullptr;  // the one the control made; a client's is not destroyed
  TreeHandle item = 0;
  int column = -1;
  bool shown = false;
  std::string text;
};

struct TreeListWindow {
  HWND hwnd = nullptr;
  DWORD style = 0;
  HANDLE semaphore = nullptr;
  int lockDepth = 0;
  int activeCalls = 0;       // window procedure calls in progress
  bool pendingFree = false;  // destroyed inside a call: freed when it returns
  HWND header = nullptr;
  HIMAGELIST images = nullptr;
  HIMAGELIST stateImages = nullptr;
  HIMAGELIST headerImages = nullptr;
  HIMAGELIST extraImages[kExtraImageLists] = {};
  bool ownStateImages = false;
  HANDLE theme = nullptr;
  CTreeListModel model;

  // Fonts and layout.
  HFONT font = nullptr;
  HFONT boldFont = nullptr;
  int textHeight = 0;
  int ellipsisWidth = 0;
  int clientHeight = 0;
  int headerHeight = 0;
  int scrollX = 0;
  int widestText = 0;
  bool rootLines = false;
  bool applyingWidths = false;  // header notifications caused by our own updates
  bool enabled = true;
  bool redraw = true;  // WM_SETREDRAW: off while a client fills the list
  TreeHandle insertMark = 0;
  TreeHandle dropHighlight = 0;

  TreeListEditing edit;
  TreeListInput input;
  TreeListTips tips;
};

TreeListWindow* RecordOf(HWND hwnd);

// Holds the instance semaphore while a message is handled. Messages that a
// handler causes on the same thread (child windows, focus changes) nest
// without waiting again.
class TreeListLock {
 public:
  explicit TreeListLock(TreeListWindow* window);
  ~TreeListLock();
  TreeListLock(const TreeListLock&) = delete;
  TreeListLock& operator=(const TreeListLock&) = delete;
 private:
  TreeListWindow* window_;
};

// Lets go of the semaphore for the length of a call out of the control (a
// notification, a sort comparison), so the parent or the client may call
// back in, and takes it again at the depth it was held. Outside a message
// (depth 0) there is nothing to let go of.
class TreeListUnlock {
 public:
  explicit TreeListUnlock(TreeListWindow* window);
  ~TreeListUnlock();
  TreeListUnlock(const TreeListUnlock&) = delete;
  TreeListUnlock& operator=(const TreeListUnlock&) = delete;
 private:
  TreeListWindow* window_;
  int depth_;
};

// ---- tree_list_win32.cpp ----
LRESULT Notify(TreeListWindow* w, NMHDR* header, int code);
LRESULT NotifySimple(TreeListWindow* w, int code);
LRESULT NotifyItem(TreeListWindow* w, int code, TreeHandle item, int column, UINT action = 0);
// Fills a TVITEMA with what the notifications carry about an item or cell.
void FillNotifyItem(TreeListWindow* w, TVITEMA& item, TreeHandle handle, int column);
bool SelectCaret(TreeListWindow* w, TreeHandle item, int column, UINT action);
bool ExpandItem(TreeListWindow* w, TreeHandle item, int code);
void ComputeRowHeight(TreeListWindow* w);
void ResetDefaultColors(TreeListWindow* w);
void RepaintAll(TreeListWindow* w);
std::string DisplayText(TreeListWindow* w, TreeHandle item, int column);

// ---- tree_list_paint_win32.cpp ----
void OnPaint(TreeListWindow* w, HDC given);
int RowTop(TreeListWindow* w, size_t row);
bool CellRect(TreeListWindow* w, TreeHandle item, int column, RECT* rect);
bool RowRect(TreeListWindow* w, TreeHandle item, RECT* rect);
int TextStart(TreeListWindow* w, TreeHandle item, int column);
int TextWidth(TreeListWindow* w, const std::string& text, bool bold);
void InvalidateItem(TreeListWindow* w, TreeHandle item);
void UpdateScrollRanges(TreeListWindow* w);
// WM_SETREDRAW: while off, neither the rows nor the scroll bars are drawn;
// turning it on sets the bars and repaints once.
void OnSetRedraw(TreeListWindow* w, bool on);
void ScrollToRow(TreeListWindow* w, long firstRow);
void ScrollToX(TreeListWindow* w, int x);
void EnsureRowVisible(TreeListWindow* w, TreeHandle item);
void EnsureCellVisible(TreeListWindow* w, TreeHandle item, int column);
void OnVScroll(TreeListWindow* w, WPARAM wp);
void OnHScroll(TreeListWindow* w, WPARAM wp);
void PlaceHeader(TreeListWindow* w);
void ApplyColumnWidthsToHeader(TreeListWindow* w);
TreeHandle HitTest(TreeListWindow* w, POINT pt, UINT* flags);
void MeasureFont(TreeListWindow* w);

// ---- tree_list_input_win32.cpp ----
void OnButtonDown(TreeListWindow* w, UINT msg, WPARAM wp, LPARAM lp);
void OnButtonUp(TreeListWindow* w, UINT msg, WPARAM wp, LPARAM lp);
void OnMouseMove(TreeListWindow* w, WPARAM wp, LPARAM lp);
void OnMouseWheel(TreeListWindow* w, WPARAM wp);
void OnKeyDown(TreeListWindow* w, WPARAM wp, LPARAM lp);
void OnChar(TreeListWindow* w, WPARAM wp, LPARAM lp);
LRESULT OnGetDlgCode(TreeListWindow* w, WPARAM wp, LPARAM lp);
void OnFocus(TreeListWindow* w, bool gained);
bool ToggleCheckBox(TreeListWindow* w, TreeHandle item);
// A Shift range starts at the anchor; a missing one is replaced by fallback.
void KeepAnchor(TreeListWindow* w, TreeHandle fallback);

// ---- tree_list_edit_win32.cpp ----
// Opens the editor of the column's kind; returns the editor window or null.
HWND OpenEditor(TreeListWindow* w, TreeHandle item, int column, TreeEditKind kind,
                UINT firstChar, int caretAtX);
// Opens the editor as the column settings say, or asks the parent first.
HWND StartEditByUser(TreeListWindow* w, TreeHandle item, int column, UINT key, bool byChar,
                     POINT mouse, int caretAtX);
// TVN_CELLEDITREQUEST: the parent decides whether and with which editor.
HWND AskParentToEdit(TreeListWindow* w, TreeHandle item, int column, UINT key, bool byChar, POINT mouse);
void EndEdit(TreeListWindow* w, TreeEditEnd how);
void OnEditorCommand(TreeListWindow* w, WPARAM wp, LPARAM lp);
void DestroyEditor(TreeListWindow* w);
// An open edit keeps its cell when columns are inserted or deleted before it.
void EditorFollowsColumnInsert(TreeListWindow* w, int inserted);
void EditorFollowsColumnDelete(TreeListWindow* w, int deleted);

// ---- tree_list_tips_win32.cpp ----
void CreateTooltip(TreeListWindow* w);
void UpdateTooltip(TreeListWindow* w, POINT pt);
void OnTooltipTimer(TreeListWindow* w);
void HideTooltip(TreeListWindow* w);
void DestroyTooltip(TreeListWindow* w);
// TVM_SETTOOLTIPS: the client's tooltip replaces the control's; returns the old one.
HWND SetTooltipWindow(TreeListWindow* w, HWND tooltip);
void TooltipFollowsColumnInsert(TreeListWindow* w, int inserted);
LRESULT OnTooltipNotify(TreeListWindow* w, NMHDR* header);
void OpenTheme(TreeListWindow* w);
void CloseTheme(TreeListWindow* w);
void BuildCheckBoxImages(TreeListWindow* w);
void DestroyOwnCheckBoxImages(TreeListWindow* w);
