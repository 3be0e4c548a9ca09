// Message texts of the graphics exceptions (code page 1252).
#include "raster/graphics_errors.h"

#include <cstring>

namespace {

void CopyMessage(char* buffer, int size, const char* message) {
  std::strncpy(buffer, message, size - 1);
  buffer[size - 1] = '\0';
}

}  // namespace

EGraphicsException::EGraphicsException(const char* message) {
  CopyMessage(message_, kMessageSize, message);
}

EBmpFileOpenError::EBmpFileOpenError()
    : EGraphicsException("Fehler beim \xD6""ffnen der BMP-Datei !") {}

EBmpFileWriteError::EBmpFileWriteError()
    : EGraphicsException("Fehler beim Schreiben BMP-Datei !") {}

EBmpNotSupported::EBmpNotSupported()
    : EGraphicsException("Das Format der BMP-Datei wird nicht unterst\xFCtzt !") {}

EBmpDataError::EBmpDataError() : EGraphicsException("Falsche Bild-Daten !") {}

EPngFileOpenError::EPngFileOpenError()
    : EGraphicsException("Fehler beim \xD6""ffnen der PNG-Datei !") {}

EPngFileWriteError::EPngFileWriteError()
    : EGraphicsException("Fehler beim Schreiben PNG-Datei !") {}

EPngDataError::EPngDataError() : EGraphicsException("Falsche Bild-Daten !") {}

EGraphicsAbort::EGraphicsAbort() { CopyMessage(message_, kMessageSize, "Benutzer Abbruch"); }
