#include "app/desktop.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

bool ShellOpen(const std::string& path) {
  HINSTANCE result = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string UserConfigFolder() {
  const char* appData = std::getenv("APPDATA");
  if (!appData || !appData[0]) return "";
  return std::string(appData) + "\\Tolmaric\\";
}
