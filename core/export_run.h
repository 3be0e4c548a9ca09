// One export run, as the OK button of the main dialog starts it: store the
// settings, read the route, write the text report and/or the picture, and
// tell the user how it went. Every buffer of the run is released on every
// path; what survives is the files written, the stored settings and the tile
// store's process-wide counters.
#pragma once
#include <string>

#include "core/export_options.h"

class CLocationTable;
class CTileStore;
class IRunHost;

// Where a run stores its settings and path histories before it starts: the
// registry for the dialog and the command line, nothing for some tests.
class ISettingsSaver {
 public:
  virtual ~ISettingsSaver() = default;
  virtual void SaveSettings(const ExportOptions& options) = 0;
};

// How a run ended; the dialog ignores it, the command line turns it into its
// exit code.
enum class ExportOutcome {
  kSuccess,
  kNoOutputChosen,
  kRouteFailed,      // the route reader's message was shown
  kTileFailed,       // a tile (or the memory for tiles or samples) failed
  kReportFailed,     // the text report could not be created
  kPictureFailed,    // the picture could not be saved
  kDeclined,         // the user kept an existing file
};

// The corrections a run applies to the picture size: 0 means 1024 x 768,
// anything above 16000 is 16000.
ExportOptions CorrectedOptions(const ExportOptions& options);

// What happens to the tiles a run loaded: released at its end (the dialog,
// one run at a time), or kept for the next run of a batch over the same
// area, which then reads no tile twice.
enum class TileMemory { kRelease, kKeepForNextRun };

// The whole run. tiles is bound to errorText (the run's message); its folder
// is set from options. Messages, questions, the wait cursor and the shell's
// "open" go through host.
ExportOutcome RunExport(const ExportOptions& options, const CLocationTable& locations, CTileStore& tiles,
                        IRunHost& host, ISettingsSaver& settings, std::string& errorText,
                        TileMemory afterRun = TileMemory::kRelease);
