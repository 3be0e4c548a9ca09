// Token extraction, the wildcard matcher and the other scanners over any
// bytes. Every text lives in a heap block of exactly its size, so the
// sanitizer sees a single byte read past its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/text_scan.h"

namespace {

std::unique_ptr<char[]> Terminated(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = 0;
  return text;
}

void CheckGetToken(const char* text, std::uint8_t control) {
  const char quotes[] = {'"', '(', '[', '{', '<', '\'', 0, '"'};
  int size = 1 + (control & 15);
  std::unique_ptr<char[]> token(new char[size]);
  int limit = (control & 0x80) ? -1 : static_cast<int>(std::strlen(text)) / 2;
  char escape = (control & 0x10) ? '\\' : 0;
  int consumed = GetToken(token.get(), text, size, escape, quotes[(control >> 5) & 7], limit);
  if (consumed < 0 || std::strlen(token.get()) >= static_cast<std::size_t>(size)) std::abort();
  if (limit >= 0 && consumed > limit) std::abort();
}

void CheckMatchPattern(const std::uint8_t* data, std::size_t size, std::uint8_t control) {
  std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
  std::unique_ptr<char[]> pattern(new char[split + 1]);
  std::unique_ptr<char[]> text(new char[size - split + 1]);
  std::memcpy(pattern.get(), data, split);
  std::memcpy(text.get(), data + split, size - split);
  int textLength = static_cast<int>(size - split);
  int flags = control & (kMatchNoCase | kMatchTextLength);
  int matched = MatchPattern(pattern.get(), static_cast<int>(split), text.get(), textLength, flags);
  int most = (flags & kMatchTextLength) ? textLength : 1;
  if (matched < 0 || matched > most) std::abort();
}

void CheckOthers(const char* text) {
  std::uint32_t codePoint = 0;
  if (DecodeUtf8(text, codePoint) > 4) std::abort();
  const char* end = nullptr;
  ParseDecimal(text, &end);
  if (end < text || end > text + std::strlen(text)) std::abort();
  if (NumberTextLength(text) > static_cast<int>(std::strlen(text))) std::abort();
  std::size_t length = std::strlen(text);
  std::unique_ptr<char[]> copy(new char[length + 1]);
  NormalizeCase(copy.get(), text, kNormalizeCaseNames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t control = size > 0 ? data[size - 1] : 0;
  std::unique_ptr<char[]> text = Terminated(data, size);
  CheckGetToken(text.get(), control);
  CheckMatchPattern(data, size, control);
  CheckOthers(text.get());
  return 0;
}
