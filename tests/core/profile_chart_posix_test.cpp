// A picture that fails halfway: /dev/full accepts the open and refuses every
// write, the way a full disk does. The half-written file must not stay
// behind looking like a finished picture.
#include "core/profile_chart.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/export_options.h"
#include "core/program_texts.h"
#include "core/route_reader.h"
#include "core/run_abort.h"
#include "core/run_host.h"
#include "core/tile_store.h"
#include "support/file_path.h"
#include "tests/common/test_paths.h"

namespace {

class AgreeingHost : public IRunHost {
 public:
  int questions = 0;
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
  bool AskOkCancel(const std::string&, const std::string&) override {
    ++questions;
    return true;
  }
  void SetWaitCursor(bool) override {}
  void OpenWithShell(const std::string&) override { FAIL() << "a failed picture was opened"; }
};

}  // namespace

TEST(ChartStepOnAFullDisk, ReportsTheFileAndRemovesWhatWasWritten) {
  const std::string folder = MakeTempDir();
  const std::string route = folder + "/andorra.kml";
  const std::string picture = folder + "/andorra.bmp";
  ASSERT_TRUE(WriteWholeFile(
      route, ReadWholeFile(SourcePath("examples/routes/from-gpx/test_route_andorra.kml"))));
  ASSERT_EQ(symlink("/dev/full", picture.c_str()), 0);

  std::vector<double> longitudes, latitudes;
  const int points = ReadKmlRoute(route.c_str(), longitudes, latitudes);
  ASSERT_GT(points, 1);
  longitudes.resize(std::size_t(points));
  latitudes.resize(std::size_t(points));
  ExportOptions options;
  options.RoutePath = route;
  options.TileFolder = SourcePath("examples/tiles");
  AgreeingHost host;
  std::string errorText;
  CTileStore tiles(errorText, options.TileFolder);
  int code = 0;
  try {
    const double length = RouteLength(longitudes.data(), latitudes.data(), points);
    ExportProfileChart(longitudes, latitudes, length, options, MakeSlopeClassConfig(4, 1),
                       CLocationTable(), tiles, host, errorText);
  } catch (int thrown) {
    code = thrown;
  }
  EXPECT_EQ(code, kAbortPictureNotSaved);
  EXPECT_EQ(errorText, FormatProgramText(kTextPictureNotSaved, picture));
  EXPECT_EQ(host.questions, 1);
  EXPECT_EQ(GetFileKind(picture.c_str()), kFileKindNone);
  RemoveTree(folder);
}
