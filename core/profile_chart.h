// The height-profile picture: one bar per pixel column, coloured by slope,
// with outline, location labels, axes and a statistics box, saved as a
// 24-bit BMP next to the route.
#pragma once
#include <string>
#include <vector>

#include "core/locations.h"
#include "core/profile_statistics.h"

class CTileStore;
class IRunHost;
struct ExportOptions;

// The whole chart step of an export run: samples the route once per plot
// column, marks the locations, asks before replacing an existing picture,
// draws and saves <route>.bmp and opens it if asked. Throws the run's abort
// codes (core/run_abort.h) with the message in errorText.
void ExportProfileChart(const std::vector<double>& longitudes, const std::vector<double>& latitudes,
                        double routeLength, const ExportOptions& options,
                        const SlopeClassConfig& classes, const CLocationTable& locations,
                        CTileStore& tiles, IRunHost& host, std::string& errorText);
