// The C runtime's rename() fails when the target exists, so the replacement
// goes through MoveFileEx; write-through makes sure the move itself reaches
// the disk before we report success.
#include "core/file_replace.h"

#include <windows.h>

bool ReplaceFileWith(const char* source, const char* target) {
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

// A process that cannot be opened for lack of rights still runs.
bool ProcessIsRunning(unsigned long id) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}
