// The text report: one line per profile sample (position, height, distance),
// optionally a line naming the location passed at a sample, and optionally a
// block of slope statistics. Written next to the route file as <route>.txt in
// binary mode (single line feeds, a period as decimal point), so the same
// route gives the same bytes on every platform.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/locations.h"
#include "core/profile_sampler.h"
#include "core/profile_statistics.h"

class CTileStore;
class IRunHost;
struct ExportOptions;

// The report's precision, which every writer of profile numbers keeps to:
constexpr int kCoordinateDecimals = 6;  // longitudes and latitudes
constexpr int kMetreDecimals = 2;       // heights, distances, class metres,
                                        // shares in percent, the length in km
constexpr int kSummaryDecimals = 0;     // highest, lowest, difference, climbed
constexpr double kMetresToKilometres = 0.001;
constexpr double kFractionToPercent = 100.0;

// A number as the report prints it with that many decimals: a point as
// separator, no padding, no plus sign ("1234.50", "-0.25").
std::string FormatDecimals(double value, int decimals);

struct TextReportContent {
  bool addLocations = false;   // TextAddLoc: "LOC:" lines
  bool addStatistics = false;  // TextAddStat: "STAT:" ... "METERS:" block
};

// The report's text for samples. Statistics come from ComputeStatistics over
// these samples; routeLength (metres, from RouteLength) gives the LEN line.
// Shares of a profile with fewer than two samples print as 0.00 %.
std::string FormatTextReport(const ProfileSample* samples, int count,
                             const CLocationTable& locations, const TextReportContent& content,
                             const SlopeClassConfig& classes, double routeLength);

// The report's file: the route path with the extension "txt".
std::string TextReportPath(const std::string& routePath);

// The step width box's text as the run takes it: an integer (blanks, sign,
// digits; saturated to 32 bits) taken as unsigned, so a negative entry is a
// huge step; 0 counts as 1.
std::uint32_t StepWidthFromText(const std::string& text);

// Writes report to path as a step of an export run: asks before replacing
// anything that exists under path (any answer but OK throws kAbortDeclined),
// throws kAbortReportNotCreated with the message in errorText when the file
// cannot be created or completely written (it goes through a temporary file,
// so the old report stays whole and no partial file is left), and
// hands the file to the shell when show is set.
void WriteTextReportFile(const std::string& path, const std::string& report, bool show,
                         IRunHost& host, std::string& errorText);

// The whole text step of an export run: samples the route at the step width
// of options, marks the locations, writes the report next to the route and
// opens it if asked. Throws the run's abort codes (core/run_abort.h); the
// samples are released on every path.
void ExportTextReport(const std::vector<double>& longitudes, const std::vector<double>& latitudes,
                      double routeLength, const ExportOptions& options,
                      const SlopeClassConfig& classes, const CLocationTable& locations,
                      CTileStore& tiles, IRunHost& host, std::string& errorText);
