// The chooser's paths with the real GetFullPathNameA behind them (no window
// needed): the documented examples, and a path too long for its buffers,
// which is refused instead of cut.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/dir_chooser.h"

namespace {

TEST(DirChooserPaths, NormalisedByTheSystemAsDocumented) {
  CDirChooserDlg chooser;
  EXPECT_EQ("c:\\data\\tiles", chooser.SetPath("  c:/data/tiles/ "));
  EXPECT_EQ("C:\\", chooser.SetPath("C:\\"));
  EXPECT_EQ("C:\\data", chooser.SetPath("C:\\data"));
  EXPECT_EQ("C:\\data\\", chooser.GetPath(1));
  EXPECT_EQ("C:\\data", chooser.SetPath(("C:\\" + std::string(300, 'x')).c_str()));
  EXPECT_EQ("C:\\data", chooser.SetPath(("\\\\" + std::string(258, 's')).c_str()));

  char current[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
  ASSERT_GT(length, 0u);
  std::string expected(current, length);
  if (expected.size() > 3 && expected.back() == '\\') expected.pop_back();
  EXPECT_EQ(expected, chooser.SetPathFromCurrentDirectory());
}

}  // namespace
