// Any bytes as a route file: the readers must give a result code and keep
// their two vectors consistent with it, never read outside the buffer. The
// bytes go through the KML list reader alone and through the reader of every
// format (GPX, KML tracks, KMZ archives), which the seeds each start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/route_formats.h"
#include "core/route_reader.h"

namespace {

bool Consistent(int result, const std::vector<double>& longitudes, const std::vector<double>& latitudes) {
  return result >= 1 ? longitudes.size() == static_cast<std::size_t>(result) &&
                           latitudes.size() == longitudes.size()
                     : longitudes.empty() && latitudes.empty() && result >= -4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<double> longitudes, latitudes;
  int result = ParseKmlRoute(bytes, longitudes, latitudes);
  if (!Consistent(result, longitudes, latitudes)) std::abort();
  result = ParseRoute(bytes, longitudes, latitudes);
  if (!Consistent(result, longitudes, latitudes)) std::abort();
  return 0;
}
