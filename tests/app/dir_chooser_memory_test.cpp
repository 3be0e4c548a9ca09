// The folder chooser's remembered folders survive in the registry under the
// names a reader of the key expects, and come back in their order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dir_chooser_memory.h"
#include "app/registry.h"
#include "tests/app/registry_sandbox.h"

namespace {

class DirChooserMemory : public RegistrySandbox {};

TEST_F(DirChooserMemory, FolderAndHistoryComeBackUnderTheirValueNames) {
  CRegistryFolderMemory memory;
  std::string key = "#" + path_ + "/Auswahl\\Kacheln";
  memory.Write(key, "C:\\Karten", {"C:\\Karten", "D:\\", "", "\\\\srv\\share"});

  std::string folder;
  std::vector<std::string> history;
  ASSERT_TRUE(memory.Read(key, folder, history));
  EXPECT_EQ("C:\\Karten", folder);
  EXPECT_EQ((std::vector<std::string>{"C:\\Karten", "D:\\", "\\\\srv\\share"}), history);

  CRegistry registry;
  ASSERT_TRUE(registry.Open(registry::kCurrentUser, (path_ + "\\Auswahl").c_str(), CRegistry::kReadOnly));
  std::string stored;
  EXPECT_TRUE(registry.GetString(stored, "Kacheln"));
  EXPECT_EQ("C:\\Karten", stored);
  std::vector<char> strings;
  EXPECT_TRUE(registry.GetMultiString(strings, "KachelnLast"));

  // Nothing stored yet: empty, not a failure; no name at all: a failure.
  EXPECT_TRUE(memory.Read("#" + path_ + "\\Leer", folder, history));
  EXPECT_EQ("", folder);
  EXPECT_TRUE(history.empty());
  EXPECT_FALSE(memory.Read("#\\/", folder, history));
}

}  // namespace
