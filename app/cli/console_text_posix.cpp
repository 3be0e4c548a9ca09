// POSIX terminals and pipes speak UTF-8: each code page 1252 byte becomes
// its code point in UTF-8. The five bytes that code page 1252 leaves
// undefined keep their own value, as Windows maps them, so nothing is lost.
#include "app/cli/console_text.h"

#include <unistd.h>

#include <cstdint>

#include "support/text_scan.h"

namespace {

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

void WriteConsoleText(std::FILE* stream, const std::string& text) {
  std::string utf8 = Cp1252ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

bool CanAskAtConsole() { return isatty(0) != 0; }
