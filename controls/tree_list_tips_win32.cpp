// What the tree-list shares across its instances (fonts, the dotted pen, the
// theme functions), its tooltips for cut texts, and the check-box images.
//
// "UxTheme.dll" is bound at run time: the program also runs where it is
// missing or lacks some functions, and every missing function is simply not
// used. The tooltip is a tracking tooltip placed over the cut text itself;
// it is transparent to the mouse, so clicks on it reach the control.
#include <algorithm>

#include "controls/tree_list_window.h"

namespace {

constexpr UINT kTipDelay = 1500;
constexpr int kTipMaxWidth = 10000;
constexpr size_t kTipMaxText = 259;
constexpr int kCheckSize = 16;
constexpr COLORREF kMaskColor = RGB(255, 0, 255);
constexpr int kNormalWeight = 400, kBoldWeight = 700;

TreeListShared g_shared;

template <typename F>
void Bind(HMODULE library, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void BindTheme(TreeListTheme& theme) {
  HMODULE library = LoadLibraryA("UxTheme.dll");
  if (!library) return;
  Bind(library, "OpenThemeData", theme.OpenThemeData);
  Bind(library, "CloseThemeData", theme.CloseThemeData);
  Bind(library, "DrawThemeBackground", theme.DrawThemeBackground);
  Bind(library, "GetThemeBackgroundContentRect", theme.GetThemeBackgroundContentRect);
  Bind(library, "SetWindowTheme", theme.SetWindowTheme);
  Bind(library, "BufferedPaintInit", theme.BufferedPaintInit);
  Bind(library, "BufferedPaintUnInit", theme.BufferedPaintUnInit);
  Bind(library, "BeginBufferedPaint", theme.BeginBufferedPaint);
  Bind(library, "EndBufferedPaint", theme.EndBufferedPaint);
}

HPEN MakeDottedPen() {
  LOGBRUSH brush = {BS_SOLID, GetSysColor(COLOR_BTNSHADOW), 0};
  HPEN pen = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr);
  return pen ? pen : CreatePen(PS_DOT, 1, GetSysColor(COLOR_BTNSHADOW));
}

HFONT MakeIconTitleFont(int weight) {
  LOGFONTA font = {};
  if (!SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0))
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  font.lfWeight = weight;
  return CreateFontIndirectA(&font);
}

}  // namespace

TreeListShared& SharedResources() { return g_shared; }

void AcquireSharedResources() {
  if (!g_shared.themeBound) {
    g_shared.themeBound = true;
    BindTheme(g_shared.theme);
  }
  if (g_shared.users++ > 0) return;
  g_shared.dottedPen = MakeDottedPen();
  g_shared.normalFont = MakeIconTitleFont(kNormalWeight);
  g_shared.boldFont = MakeIconTitleFont(kBoldWeight);
  if (g_shared.theme.BufferedPaintInit) g_shared.theme.BufferedPaintInit();
}

void ReleaseSharedResources() {
  if (g_shared.users == 0 || --g_shared.users > 0) return;
  if (g_shared.theme.BufferedPaintUnInit) g_shared.theme.BufferedPaintUnInit();
  DeleteObject(g_shared.dottedPen);
  DeleteObject(g_shared.normalFont);
  DeleteObject(g_shared.boldFont);
  g_shared.dottedPen = nullptr;
  g_shared.normalFont = g_shared.boldFont = nullptr;
}

// ---- Themes -------------------------------------------------------------------------

void OpenTheme(TreeListWindow* w) {
  const TreeListTheme& theme = g_shared.theme;
  if (theme.OpenThemeData && !w->theme) w->theme = theme.OpenThemeData(w->hwnd, L"TREEVIEW");
}

void CloseTheme(TreeListWindow* w) {
  if (w->theme && g_shared.theme.CloseThemeData) g_shared.theme.CloseThemeData(w->theme);
  w->theme = nullptr;
}

// ---- Check-box images -----------------------------------------------------------------

namespace {

void AddCheckBox(HIMAGELIST list, HDC screen, UINT state, bool blank) {
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kCheckSize, kCheckSize);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, kCheckSize, kCheckSize};
  HBRUSH mask = CreateSolidBrush(kMaskColor);
  FillRect(dc, &all, mask);
  DeleteObject(mask);
  RECT box = {1, 1, kCheckSize - 2, kCheckSize - 2};
  if (!blank) DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | state);
  SelectObject(dc, old);
  ImageList_AddMasked(list, bitmap, kMaskColor);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace

void BuildCheckBoxImages(TreeListWindow* w) {
  if (w->stateImages) return;
  HIMAGELIST list = ImageList_Create(kCheckSize, kCheckSize, ILC_COLOR24 | ILC_MASK, 3, 0);
  if (!list) return;
  HDC screen = GetDC(nullptr);
  AddCheckBox(list, screen, 0, true);
  AddCheckBox(list, screen, 0, false);
  AddCheckBox(list, screen, DFCS_CHECKED, false);
  ReleaseDC(nullptr, screen);
  w->stateImages = list;
  w->ownStateImages = true;
  ComputeRowHeight(w);
}

void DestroyOwnCheckBoxImages(TreeListWindow* w) {
  if (!w->ownStateImages) return;
  ImageList_Destroy(w->stateImages);
  w->stateImages = nullptr;
  w->ownStateImages = false;
  ComputeRowHeight(w);
}

// ---- Tooltips ---------------------------------------------------------------------------

namespace {

void FillTool(TreeListWindow* w, TOOLINFOA& tool) {
  tool = TOOLINFOA();
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
  tool.hwnd = w->hwnd;
  tool.uId = reinterpret_cast<UINT_PTR>(w->hwnd);
  tool.lpszText = LPSTR_TEXTCALLBACKA;
}

bool IsTextHit(UINT flags, int column) {
  return column > 0 ? (flags & TLHT_ONCELLLABEL) != 0 : (flags & TVHT_ONITEMLABEL) != 0;
}

bool AskParentForTip(TreeListWindow* w, TreeHandle item, int column, std::string* text) {
  if (!(w->model.ExtendedStyle() & TLS_EX_CELLTIPS)) return false;
  char buffer[kTipMaxText + 1] = "";
  lstrcpynA(buffer, text->c_str(), sizeof buffer);
  NMTVDISPINFOA info = {};
  FillNotifyItem(w, info.item, item, column);
  info.item.mask = TVIF_PARAM | TVIF_STATE | TVIF_HANDLE | TVIF_CELL;
  info.item.pszText = buffer;
  info.item.cchTextMax = sizeof buffer;
  if (!Notify(w, &info.hdr, TVN_CELLTIP) || !info.item.pszText || info.item.pszText == LPSTR_TEXTCALLBACKA)
    return false;
  *text = std::string(info.item.pszText, strnlen(info.item.pszText, kTipMaxText));
  return true;
}

}  // namespace

void CreateTooltip(TreeListWindow* w) {
  w->tips.window = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w->hwnd, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (!w->tips.window) return;
  w->tips.own = w->tips.window;
  TOOLINFOA tool;
  FillTool(w, tool);
  SendMessageA(w->tips.window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(w->tips.window, TTM_SETMAXTIPWIDTH, 0, kTipMaxWidth);
}

void HideTooltip(TreeListWindow* w) {
  if (w->tips.shown && w->tips.window) {
    TOOLINFOA tool;
    FillTool(w, tool);
    SendMessageA(w->tips.window, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    KillTimer(w->hwnd, TL_TOOLTIP_TIMER);
  }
  w->tips.shown = false;
  w->tips.item = 0;
  w->tips.column = -1;
}

void DestroyTooltip(TreeListWindow* w) {
  HideTooltip(w);
  if (w->tips.own) DestroyWindow(w->tips.own);
  w->tips.window = w->tips.own = nullptr;
}

HWND SetTooltipWindow(TreeListWindow* w, HWND tooltip) {
  HWND old = w->tips.window;
  w->tips.window = tooltip;
  return old;
}

void TooltipFollowsColumnInsert(TreeListWindow* w, int inserted) {
  if (w->tips.column >= inserted) ++w->tips.column;
}

void UpdateTooltip(TreeListWindow* w, POINT pt) {
  if (!w->tips.window || !w->enabled || w->edit.active) return;
  UINT flags = 0;
  TreeHandle item = HitTest(w, pt, &flags);
  int column = (flags & (TLHT_ONCELLICON | TLHT_ONCELLLABEL | TLHT_ONCELLRIGHT)) ? static_cast<int>(flags >> 24) : 0;
  if (!item || !IsTextHit(flags, column)) return HideTooltip(w);
  if (w->tips.shown && item == w->tips.item && column == w->tips.column) return;
  HideTooltip(w);
  std::string text = DisplayText(w, item, column);
  RECT cell;
  if (!w->model.Exists(item) || !CellRect(w, item, column, &cell)) return;
  int start = TextStart(w, item, column);
  bool bold = column == 0 && (w->model.Item(item)->state & tv::kBold);
  bool cut = cell.right - start <= TextWidth(w, text, bold) + 4;
  if (!AskParentForTip(w, item, column, &text) && !cut) return;
  if (text.empty() || !w->model.Exists(item)) return;
  w->tips.text = text.substr(0, kTipMaxText);
  w->tips.item = item;
  w->tips.column = column;
  POINT corner = {start, cell.top};
  ClientToScreen(w->hwnd, &corner);
  TOOLINFOA tool;
  FillTool(w, tool);
  SendMessageA(w->tips.window, TTM_TRACKPOSITION, 0, MAKELPARAM(corner.x, corner.y));
  SendMessageA(w->tips.window, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  w->tips.shown = true;
  SetTimer(w->hwnd, TL_TOOLTIP_TIMER, kTipDelay, nullptr);
}

void OnTooltipTimer(TreeListWindow* w) {
  if (!w->tips.shown) {
    KillTimer(w->hwnd, TL_TOOLTIP_TIMER);
    return;
  }
  POINT pt;
  GetCursorPos(&pt);
  ScreenToClient(w->hwnd, &pt);
  UINT flags = 0;
  TreeHandle item = HitTest(w, pt, &flags);
  int column = (flags & (TLHT_ONCELLICON | TLHT_ONCELLLABEL | TLHT_ONCELLRIGHT)) ? static_cast<int>(flags >> 24) : 0;
  if (!w->enabled || item != w->tips.item || column != w->tips.column) HideTooltip(w);
}

LRESULT OnTooltipNotify(TreeListWindow* w, NMHDR* header) {
  if (header->code == TTN_GETDISPINFOA) {
    NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    info->lpszText = const_cast<char*>(w->tips.text.c_str());
    return 0;
  }
  if (header->code == TTN_GETDISPINFOW) {
    static WCHAR wide[kTipMaxText + 1];
    MultiByteToWideChar(CP_ACP, 0, w->tips.text.c_str(), -1, wide, kTipMaxText + 1);
    reinterpret_cast<NMTTDISPINFOW*>(header)->lpszText = wide;
  }
  return 0;
}
