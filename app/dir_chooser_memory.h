// The folder chooser's remembered folders in the registry: for a key path
// ending in the name N, the string value N holds the last chosen folder and
// the multi-string value N + "Last" the history, most recent first.
//
// A key path beginning with "#" lies below HKEY_CURRENT_USER itself (the "#"
// dropped), any other below the program's own key. Its parts, split at "\"
// and "/", are keys opened or created in turn; the last part is N.
#pragma once
#include <string>
#include <vector>

#include "controls/dir_chooser_logic.h"

class CRegistry;

class CRegistryFolderMemory : public CFolderMemory {
 public:
  bool Read(const std::string& keyPath, std::string& folder, std::vector<std::string>& history) override;
  void Write(const std::string& keyPath, const std::string& folder,
             const std::vector<std::string>& history) override;

 private:
  // Opens (or creates) the keys of keyPath; valueName receives N.
  static bool OpenKey(CRegistry& registry, const std::string& keyPath, std::string& valueName);
};
