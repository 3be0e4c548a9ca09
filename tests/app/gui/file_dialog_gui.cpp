// The file-dialog enlargement in a process of its own, since only the first
// explorer-style dialog of a process is enlarged: that one comes up 600 x 450
// pixels with the caller's hook still served, the next keeps its size, and
// both give the caller's flags and hook back unchanged.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/gui/file_dialog.h"

namespace {

int g_hookMessages = 0;
SIZE g_shownSize = {0, 0};

// The caller's own hook: it sees the dialog after the enlargement and closes it.
UINT_PTR CALLBACK CallerHook(HWND child, UINT message, WPARAM, LPARAM lp) {
  ++g_hookMessages;
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == CDN_INITDONE) {
    RECT rect;
    GetWindowRect(GetParent(child), &rect);
    g_shownSize = {rect.right - rect.left, rect.bottom - rect.top};
    PostMessageA(GetParent(child), WM_COMMAND, IDCANCEL, 0);
  }
  return 0;
}

SIZE ShowSaveDialog(DWORD& flags, LPOFNHOOKPROC& hook) {
  char file[MAX_PATH] = "*.kml";
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = "Routen\0*.kml\0\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST;
  dialog.lpfnHook = CallerHook;
  g_shownSize = {0, 0};
  g_hookMessages = 0;
  EXPECT_FALSE(EnlargedGetSaveFileName(&dialog));
  flags = dialog.Flags;
  hook = dialog.lpfnHook;
  return g_shownSize;
}

TEST(FileDialogEnlargement, OnlyTheFirstDialogOfTheProcessIsEnlarged) {
  InitCommonControls();
  InstallFileDialogEnlargement();
  DWORD flags = 0;
  LPOFNHOOKPROC hook = nullptr;
  SIZE first = ShowSaveDialog(flags, hook);
  EXPECT_EQ(600, first.cx);
  EXPECT_EQ(450, first.cy);
  EXPECT_GT(g_hookMessages, 2);
  EXPECT_EQ(static_cast<DWORD>(OFN_EXPLORER | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST), flags);
  EXPECT_EQ(CallerHook, hook);

  SIZE second = ShowSaveDialog(flags, hook);
  EXPECT_GT(second.cx, 0);
  EXPECT_FALSE(second.cx == 600 && second.cy == 450) << second.cx << " x " << second.cy;
  EXPECT_EQ(CallerHook, hook);
}

}  // namespace
