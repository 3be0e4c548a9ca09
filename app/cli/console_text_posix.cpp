// POSIX terminals and pipes speak UTF-8: each code page 1252 byte becomes
// its code point in UTF-8. The five bytes that code page 1252 leaves
// undefined keep their own value, as Windows maps them, so nothing is lost.
#include "app/cli/console_text.h"

#include <unistd.h>

#include "support/text_scan.h"

void WriteConsoleText(std::FILE* stream, const std::string& text) {
  std::string utf8 = Cp1252ToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

bool WriteConsoleUtf8(std::FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

bool CanAskAtConsole() { return isatty(0) != 0; }
