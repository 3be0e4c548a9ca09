// The text report. The whole text is built in memory first (a report is a
// few megabytes at most) and written through a temporary file that replaces
// the old report only when complete: a failed write is reported and never
// leaves a report that looks complete but is not.
#include "core/text_report.h"

#include <cstdarg>
#include <cstdio>

#include "core/export_options.h"
#include "core/file_replace.h"
#include "core/program_texts.h"
#include "core/run_abort.h"
#include "core/run_host.h"
#include "core/tile_store.h"
#include "support/file_path.h"
#include "support/text_scan.h"

namespace {

// Room for a typical sample line ("+11.123456 +47.123456 1234.56 12345.00"),
// so that a long report's text is not moved again and again as it grows.
constexpr std::size_t kSampleLineBytes = 44;

void Append(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Append(std::string& text, const char* format, ...) {
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  if (length < int(sizeof line)) {
    text.append(line, std::size_t(length));
    return;
  }
  std::vector<char> longer(std::size_t(length) + 1);
  va_start(arguments, format);
  std::vsnprintf(longer.data(), longer.size(), format, arguments);
  va_end(arguments);
  text.append(longer.data(), std::size_t(length));
}

void AppendSamples(std::string& text, const ProfileSample* samples, int count,
                   const CLocationTable& locations, bool addLocations) {
  for (int k = 0; k < count; ++k) {
    const ProfileSample& s = samples[k];
    // "%+7.6f %+7.6f %3.2f %3.2f\n", without printf's cost on tens of thousands of lines
    AppendFixed(text, s.longitude, kCoordinateDecimals, 7, true);
    text += ' ';
    AppendFixed(text, s.latitude, kCoordinateDecimals, 7, true);
    text += ' ';
    AppendFixed(text, s.height, kMetreDecimals, 3);
    text += ' ';
    AppendFixed(text, s.distance, kMetreDecimals, 3);
    text += '\n';
    if (addLocations && s.location >= 0 && s.location < locations.Count())
      text += "LOC:\"" + locations[s.location].name + "\"\n";
  }
}

void AppendStatistics(std::string& text, const ProfileSample* samples, int count,
                      const SlopeClassConfig& config, double routeLength) {
  SlopeClass classes[kMaxSlopeClasses];
  double lowest = 0.0, highest = 0.0;
  const double climbed = ComputeStatistics(samples, count, classes, config.first, config.last,
                                           config.width, lowest, highest);
  for (int c = config.first; c <= config.last; ++c) {
    const SlopeClass& slopeClass = classes[c - config.first];
    Append(text, "STAT: %3i%%..%3i%%  %6.*fm  %3.*f%%\n", c * config.width,
           (c + 1) * config.width, kMetreDecimals, slopeClass.metres, kMetreDecimals,
           slopeClass.share * kFractionToPercent);
  }
  Append(text, "LEN:    %6.*f km\n", kMetreDecimals, routeLength * kMetresToKilometres);
  Append(text, "HMAX:   %1.*f m\n", kSummaryDecimals, highest);
  Append(text, "HMIN:   %1.*f m\n", kSummaryDecimals, lowest);
  Append(text, "HDELTA: %1.*f m\n", kSummaryDecimals, highest - lowest);
  Append(text, "METERS: %1.*f m\n", kSummaryDecimals, climbed);
}

}  // namespace

std::string FormatTextReport(const ProfileSample* samples, int count,
                             const CLocationTable& locations, const TextReportContent& content,
                             const SlopeClassConfig& classes, double routeLength) {
  std::string text;
  text.reserve(std::size_t(count > 0 ? count : 0) * kSampleLineBytes);
  AppendSamples(text, samples, count, locations, content.addLocations);
  if (content.addStatistics) AppendStatistics(text, samples, count, classes, routeLength);
  return text;
}

std::string FormatDecimals(double value, int decimals) {
  char number[400];  // 1e308 in full with up to 80 decimals
  if (decimals < 0 || decimals > 80) decimals = kMetreDecimals;
  const int length = std::snprintf(number, sizeof number, "%.*f", decimals, value);
  return length < 0 ? std::string() : std::string(number, std::size_t(length));
}

std::string TextReportPath(const std::string& routePath) {
  return ChangeExtension(routePath.c_str(), "txt");
}

std::uint32_t StepWidthFromText(const std::string& text) {
  const std::uint32_t step = static_cast<std::uint32_t>(SaturatedIntFromText(text));
  return step == 0 ? 1 : step;
}

void WriteTextReportFile(const std::string& path, const std::string& report, bool show,
                         IRunHost& host, std::string& errorText) {
  if (GetFileKind(path.c_str()) != kFileKindNone) {
    errorText = FormatProgramText(kTextReportExists, path);
    if (!host.AskOkCancel(errorText, ProgramText(kTextCaptionQuestion))) throw kAbortDeclined;
  }
  const bool written = WriteFileReplacing(path, [&report](std::FILE* file) {
    return std::fwrite(report.data(), 1, report.size(), file) == report.size();
  });
  if (!written) {
    errorText = FormatProgramText(kTextReportNotCreated, path);
    throw kAbortReportNotCreated;
  }
  if (show) host.OpenWithShell(path);
}

void ExportTextReport(const std::vector<double>& longitudes, const std::vector<double>& latitudes,
                      double routeLength, const ExportOptions& options,
                      const SlopeClassConfig& classes, const CLocationTable& locations,
                      CTileStore& tiles, IRunHost& host, std::string& errorText) {
  const double step = StepWidthFromText(options.StepWidthText);
  const int count = static_cast<int>(longitudes.size() < latitudes.size() ? longitudes.size()
                                                                          : latitudes.size());
  std::vector<ProfileSample> samples;
  SampleProfile(longitudes.data(), latitudes.data(), count, step,
                MaxSamplesForStep(routeLength, step), tiles, errorText, samples);
  MatchLocations(samples.data(), static_cast<int>(samples.size()), locations);
  TextReportContent content;
  content.addLocations = options.TextAddLoc != 0;
  content.addStatistics = options.TextAddStat != 0;
  std::string report = FormatTextReport(samples.data(), static_cast<int>(samples.size()),
                                        locations, content, classes, routeLength);
  samples = std::vector<ProfileSample>();
  WriteTextReportFile(TextReportPath(options.RoutePath), report, options.TextShow != 0, host,
                      errorText);
}
