// A Windows console shows its own code page, not code page 1252: there the
// text goes out as wide characters. Files and pipes get the bytes as they
// are, in binary mode (single line feeds), the same bytes the Linux build
// writes and the program puts into its reports.
#include "app/cli/console_text.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <vector>

namespace {

HANDLE ConsoleOf(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) ? handle : nullptr;
}

// The text in code page codePage as wide characters on the console; false
// when it could not be shown whole.
bool WriteWide(HANDLE console, std::FILE* stream, const std::string& text, UINT codePage) {
  int length = static_cast<int>(text.size());
  std::vector<wchar_t> wide(text.size());
  int count = MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), length);
  std::fflush(stream);
  DWORD written = 0;
  return WriteConsoleW(console, wide.data(), static_cast<DWORD>(count), &written, nullptr) &&
         written == static_cast<DWORD>(count);
}

bool WriteBytes(std::FILE* stream, const std::string& text) {
  _setmode(_fileno(stream), _O_BINARY);
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

}  // namespace

void WriteConsoleText(std::FILE* stream, const std::string& text) {
  HANDLE console = ConsoleOf(stream);
  if (!console || text.empty()) WriteBytes(stream, text);
  else WriteWide(console, stream, text, 1252);
}

bool WriteConsoleUtf8(std::FILE* stream, const std::string& text) {
  HANDLE console = ConsoleOf(stream);
  if (!console || text.empty()) return WriteBytes(stream, text);
  return WriteWide(console, stream, text, CP_UTF8);
}

bool CanAskAtConsole() { return _isatty(_fileno(stdin)) != 0; }
