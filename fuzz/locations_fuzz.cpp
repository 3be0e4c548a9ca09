// "Locations.txt" as any bytes: the reader must never read past a line or a
// field, and every location it yields must come back as one location, with
// its name and numbers, after the writer has formatted it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/locations.h"
#include "support/text_scan.h"

namespace {

// The file keeps six decimals of a position and two of a radius.
bool NearlyEqual(double written, double read, double decimalsUnit) {
  if (!std::isfinite(written) || std::fabs(written) > 1e12) return true;  // beyond %f's use
  return std::fabs(written - read) <= 0.5 * decimalsUnit * (1.0 + 1e-9 * std::fabs(written)) + 1e-12;
}

void CheckRoundTrip(const Location& location) {
  std::string line = FormatLocationLine(location);
  if (line.size() > std::size_t(kLocationLineLimit) || line.back() != '\n') std::abort();
  std::vector<Location> again = ParseLocations(line);
  if (again.size() != 1) std::abort();
  // The writer cuts a name so that the line stays within the limit: only a
  // name that fits beside its numbers comes back whole. A line that reads as
  // UTF-8 is converted on reading, so its name comes back changed.
  const std::size_t numbers = line.size() - (line.rfind('"') + 1);
  std::size_t quoted = location.name.size() + 2;
  for (char c : location.name) quoted += c == '"';
  bool plainName = quoted + numbers <= std::size_t(kLocationLineLimit) &&
                   location.name.back() != '\\' && !IsUtf8BeyondAscii(line);
  if (plainName && again[0].name != location.name) std::abort();
  if (!NearlyEqual(location.longitude, again[0].longitude, 1e-6)) std::abort();
  if (!NearlyEqual(location.latitude, again[0].latitude, 1e-6)) std::abort();
  if (!NearlyEqual(location.radius, again[0].radius, 1e-2)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  for (const Location& location : ParseLocations(content)) {
    if (location.name.empty() || location.name.size() >= std::size_t(kLocationFieldCapacity))
      std::abort();
    CheckRoundTrip(location);
  }
  return 0;
}
