// The export run ties the engine together. Steps signal failure the way the
// whole core does: they put the message into the run's error text and throw
// a plain integer (core/run_abort.h); this is the one place that catches it.
#include "core/export_run.h"

#include <new>
#include <vector>

#include "core/profile_chart.h"
#include "core/profile_sampler.h"
#include "core/profile_statistics.h"
#include "core/program_texts.h"
#include "core/route_formats.h"
#include "core/route_reader.h"
#include "core/run_abort.h"
#include "core/run_host.h"
#include "core/text_report.h"
#include "core/tile_store.h"
#include "support/file_path.h"

namespace {

int RouteMessage(int result) {
  switch (result) {
    case kRouteNotOpened: return kTextRouteNotOpened;
    case kRouteWrongFormat: return kTextRouteWrongFormat;
    case kRouteNoMemory: return kTextRouteNoMemory;
    case kRouteNoCoordinates: return kTextRouteNoCoordinates;
    default: return kTextRouteUnknownError;
  }
}

ExportOutcome OutcomeOfAbort(int code) {
  switch (code) {
    case kAbortTileStore: return ExportOutcome::kTileFailed;
    case kAbortReportNotCreated: return ExportOutcome::kReportFailed;
    case kAbortPictureNotSaved: return ExportOutcome::kPictureFailed;
    default: return ExportOutcome::kDeclined;
  }
}

void ShowError(IRunHost& host, const std::string& text) {
  host.ShowMessage(text, ProgramText(kTextCaptionError), IRunHost::Icon::Error);
}

// A route named x.txt, x.bmp or x.png, or reached through a link, would be replaced
// by its own output: refused before anything is read or written.
ExportOutcome RefuseOutputOverRoute(const ExportOptions& options, IRunHost& host) {
  const char* route = options.RoutePath.c_str();
  if (options.TextOn && IsSameFile(TextReportPath(options.RoutePath).c_str(), route)) {
    ShowError(host, FormatProgramText(kTextReportNotCreated, TextReportPath(options.RoutePath)));
    return ExportOutcome::kReportFailed;
  }
  if (options.BmpOn && IsSameFile(ProfileChartPath(options.RoutePath).c_str(), route)) {
    ShowError(host, FormatProgramText(kTextPictureNotSaved, ProfileChartPath(options.RoutePath)));
    return ExportOutcome::kPictureFailed;
  }
  if (options.PngOn && IsSameFile(ProfileChartPngPath(options.RoutePath).c_str(), route)) {
    ShowError(host, FormatProgramText(kTextPictureNotSaved, ProfileChartPngPath(options.RoutePath)));
    return ExportOutcome::kPictureFailed;
  }
  return ExportOutcome::kSuccess;
}

}  // namespace

ExportOptions CorrectedOptions(const ExportOptions& options) {
  ExportOptions corrected = options;
  if (corrected.BmpWidth == 0) corrected.BmpWidth = kDefaultChartWidth;
  if (corrected.BmpHeight == 0) corrected.BmpHeight = kDefaultChartHeight;
  if (corrected.BmpWidth > kMaxChartSide) corrected.BmpWidth = kMaxChartSide;
  if (corrected.BmpHeight > kMaxChartSide) corrected.BmpHeight = kMaxChartSide;
  return corrected;
}

ExportOutcome RunExport(const ExportOptions& entered, const CLocationTable& locations, CTileStore& tiles,
                        IRunHost& host, ISettingsSaver& settings, std::string& errorText,
                        TileMemory afterRun) {
  settings.SaveSettings(entered);  // as entered, before any correction
  const ExportOptions options = CorrectedOptions(entered);
  if (!options.BmpOn && !options.PngOn && !options.TextOn) {
    ShowError(host, ProgramText(kTextNoOutputChosen));
    return ExportOutcome::kNoOutputChosen;
  }
  const ExportOutcome refused = RefuseOutputOverRoute(options, host);
  if (refused != ExportOutcome::kSuccess) return refused;
  const SlopeClassConfig classes = MakeSlopeClassConfig(options.PercentSel, options.StatSel);
  tiles.SetTileFolder(options.TileFolder);
  host.SetWaitCursor(true);

  std::vector<double> longitudes, latitudes;
  int points = ReadRoute(options.RoutePath.c_str(), longitudes, latitudes);
  if (points < 1) {
    host.SetWaitCursor(false);
    ShowError(host, ProgramText(RouteMessage(points)));
    return ExportOutcome::kRouteFailed;
  }
  longitudes.resize(static_cast<size_t>(points));
  latitudes.resize(static_cast<size_t>(points));
  const double length = RouteLength(longitudes.data(), latitudes.data(), points);

  int abortCode = 0;
  try {
    if (options.TextOn)
      ExportTextReport(longitudes, latitudes, length, options, classes, locations, tiles, host, errorText);
    if (options.BmpOn || options.PngOn)
      ExportProfileChart(longitudes, latitudes, length, options, classes, locations, tiles, host, errorText);
  } catch (int code) {
    abortCode = code;
  } catch (const std::bad_alloc&) {
    errorText = ProgramText(kTextRouteNoMemory);
    abortCode = kAbortTileStore;
  }
  if (afterRun == TileMemory::kRelease) tiles.Release();
  longitudes = std::vector<double>();
  latitudes = std::vector<double>();
  host.SetWaitCursor(false);
  if (abortCode != 0) {
    if (AbortShowsMessage(abortCode)) ShowError(host, errorText);
    return OutcomeOfAbort(abortCode);
  }
  host.ShowMessage(ProgramText(kTextFilesCreated), ProgramText(kTextCaptionInformation), IRunHost::Icon::Information);
  return ExportOutcome::kSuccess;
}
