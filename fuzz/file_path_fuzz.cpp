// The path-text helpers and the file-name matcher over any bytes: typed
// folders and stored settings reach them unchecked. Each text lives in a heap
// block of exactly its size, so the sanitizer sees a byte read past its end;
// results are checked against the rules every caller relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "support/file_path.h"

namespace {

std::unique_ptr<char[]> Terminated(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = 0;
  return text;
}

void Require(bool fact) {
  if (!fact) std::abort();
}

void CheckJoin(const char* directory, const char* name, int size) {
  std::unique_ptr<char[]> joined(new char[size > 0 ? size : 1]);
  int length = JoinPath(joined.get(), directory, name, size);
  Require(length >= 0 && (length == 0 || length <= size - 2));
  if (length > 0) Require(std::strlen(joined.get()) == static_cast<std::size_t>(length));
}

void CheckTexts(const char* a, const char* b) {
  int length = -1;
  const char* name = FileNamePart(a, &length);
  Require(name >= a && std::strlen(name) == static_cast<std::size_t>(length));
  const char* extension = ExtensionPart(a, &length);
  Require(extension >= name && std::strlen(extension) == static_cast<std::size_t>(length));
  std::string changed = ChangeExtension(a, b);
  Require(changed.size() <= std::strlen(a) + std::strlen(b) + 1);
  ReplaceFileName(a, b);
  std::string text = a;
  std::size_t before = text.size();
  Require(AppendSeparator(text) >= static_cast<int>(before));
  RemoveSeparator(text);
  Require(ComparePaths(a, a) == 0 && ComparePathsNoCase(a, a) == 0);
  Require((ComparePaths(a, b) == 0) == (ComparePaths(b, a) == 0));
  MatchFileName(a, b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t split = data[0] % size + 1;
  std::unique_ptr<char[]> a = Terminated(data + 1, split - 1);
  std::unique_ptr<char[]> b = Terminated(data + split, size - split);
  CheckTexts(a.get(), b.get());
  CheckJoin(a.get(), b.get(), 1 + data[0]);
  return 0;
}
