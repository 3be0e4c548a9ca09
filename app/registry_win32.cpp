// The registry seam over the Windows registry: one call each.
#include "app/registry_backend.h"

#include <windows.h>

namespace registry {

namespace {
HKEY Handle(Key key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

long OpenKey(Key parent, const char* subKey, bool writable, Key* result) {
  HKEY opened = nullptr;
  long error = RegOpenKeyExA(Handle(parent), subKey, 0, writable ? KEY_ALL_ACCESS : KEY_READ, &opened);
  *result = error == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : 0;
  return error;
}

long CreateKey(Key parent, const char* subKey, Key* result) {
  HKEY opened = nullptr;
  long error = RegCreateKeyExA(Handle(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &opened, nullptr);
  *result = error == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : 0;
  return error;
}

long CloseKey(Key key) { return RegCloseKey(Handle(key)); }

long QueryValue(Key key, const char* name, std::uint32_t* type, unsigned char* data, std::uint32_t* size) {
  DWORD valueType = 0, valueSize = *size;
  long error = RegQueryValueExA(Handle(key), name, nullptr, &valueType, data, &valueSize);
  if (type) *type = valueType;
  *size = valueSize;
  return error;
}

long SetValue(Key key, const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t size) {
  return RegSetValueExA(Handle(key), name, 0, type, data, size);
}

long EnumKey(Key key, std::uint32_t index, char* name, std::uint32_t nameSize) {
  DWORD length = nameSize;
  return RegEnumKeyExA(Handle(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
}

long BeginBatch() { return ERROR_SUCCESS; }
long EndBatch() { return ERROR_SUCCESS; }
std::uint32_t StoreWrites() { return 0; }

}  // namespace registry
