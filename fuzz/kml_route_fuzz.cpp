// Any bytes as a route file: the reader must give a result code and keep its
// two vectors consistent with it, never read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/route_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<double> longitudes, latitudes;
  int result = ParseKmlRoute(std::string(reinterpret_cast<const char*>(data), size),
                             longitudes, latitudes);
  bool consistent = result >= 1 ? longitudes.size() == static_cast<std::size_t>(result) &&
                                      latitudes.size() == longitudes.size()
                                : longitudes.empty() && latitudes.empty() && result >= -4;
  if (!consistent) std::abort();
  return 0;
}
