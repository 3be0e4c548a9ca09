#include "app/gui/file_dialog.h"

namespace {

constexpr int kEnlargedWidth = 600;
constexpr int kEnlargedHeight = 450;
constexpr int kEnlargedHeightWithTemplate = 550;
constexpr DWORD kTemplateFlags = OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE;

bool g_installed = false;
bool g_enlargedOnce = false;  // a dialog has had its hook: no other gets one
bool g_inProgress = false;
LPOFNHOOKPROC g_callerHook = nullptr;
SIZE g_size = {0, 0};
bool g_sized = false;

UINT_PTR CALLBACK EnlargeHook(HWND child, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == CDN_INITDONE && !g_sized) {
    g_sized = true;
    SetWindowPos(GetParent(child), nullptr, 0, 0, g_size.cx, g_size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return g_callerHook ? g_callerHook(child, message, wp, lp) : 0;
}

BOOL ShowFileDialog(OPENFILENAMEA* dialog, bool open) {
  auto show = [&] { return open ? GetOpenFileNameA(dialog) : GetSaveFileNameA(dialog); };
  if (!g_installed) return show();

  const DWORD callerFlags = dialog->Flags;
  const LPOFNHOOKPROC callerHook = dialog->lpfnHook;
  const bool callerTemplate = (callerFlags & kTemplateFlags) != 0;
  if (!callerTemplate) dialog->Flags |= OFN_ENABLESIZING;
  const bool enlarge = !g_enlargedOnce && !g_inProgress && (dialog->Flags & OFN_EXPLORER) &&
                       (dialog->Flags & OFN_ENABLESIZING);
  if (enlarge) {
    g_enlargedOnce = true;
    g_sized = false;
    g_size = {kEnlargedWidth, open && callerTemplate ? kEnlargedHeightWithTemplate : kEnlargedHeight};
    g_callerHook = (callerFlags & OFN_ENABLEHOOK) ? callerHook : nullptr;
    dialog->Flags |= OFN_ENABLEHOOK;
    dialog->lpfnHook = EnlargeHook;
  }
  const bool outermost = !g_inProgress;
  g_inProgress = true;
  BOOL result = show();
  if (outermost) g_inProgress = false;
  if (enlarge) g_callerHook = nullptr;
  // The read-only box's state is the dialog's answer, not a flag of ours.
  dialog->Flags = (callerFlags & ~OFN_READONLY) | (dialog->Flags & OFN_READONLY);
  dialog->lpfnHook = callerHook;
  return result;
}

}  // namespace

void InstallFileDialogEnlargement() { g_installed = true; }

BOOL EnlargedGetOpenFileName(OPENFILENAMEA* dialog) { return ShowFileDialog(dialog, true); }

BOOL EnlargedGetSaveFileName(OPENFILENAMEA* dialog) { return ShowFileDialog(dialog, false); }
