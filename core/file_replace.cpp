// The temporary file carries the writer's process id: two runs on the same
// route each write their own, and a leftover of a killed run is recognised
// by its process being gone.
#include "core/file_replace.h"

#include <cstdlib>
#include <vector>

#include "support/file_path.h"

namespace {

const char kTemporaryEnding[] = ".tmp";

// The process id in "<name>.<digits>.tmp" behind prefix "<name>.", or 0.
unsigned long TemporaryOwner(const std::string& name, const std::string& prefix) {
  const std::size_t ending = sizeof kTemporaryEnding - 1;
  if (name.size() <= prefix.size() + ending || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - ending, ending, kTemporaryEnding) != 0)
    return 0;
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - ending);
  if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::strtoul(digits.c_str(), nullptr, 10);
}

void RemoveStaleTemporaries(const std::string& target) {
  const std::string prefix = std::string(FileNamePart(target.c_str())) + ".";
  const std::string folder = target.substr(0, target.size() - (prefix.size() - 1));
  std::vector<std::string> stale;
  SearchRecord record;
  SearchHandle handle = SearchFirst((target + ".*" + kTemporaryEnding).c_str(), &record);
  if (handle == 0) return;
  do {
    const unsigned long owner = TemporaryOwner(record.name, prefix);
    if (owner != 0 && owner != CurrentProcessId() && !ProcessIsRunning(owner))
      stale.push_back(folder + record.name);
  } while (SearchNext(handle, &record) == kSearchOk);
  SearchClose(handle);
  for (const std::string& path : stale) std::remove(path.c_str());
}

}  // namespace

std::string ReplacingTemporaryPath(const std::string& target) {
  return target + "." + std::to_string(CurrentProcessId()) + kTemporaryEnding;
}

bool WriteFileReplacing(const std::string& target, const std::function<bool(std::FILE*)>& write) {
  RemoveStaleTemporaries(target);
  const std::string temporary = ReplacingTemporaryPath(target);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = write(file);
  if (std::fflush(file) != 0) written = false;
  if (std::fclose(file) != 0) written = false;
  if (written && ReplaceFileWith(temporary.c_str(), target.c_str())) return true;
  std::remove(temporary.c_str());
  return false;
}
