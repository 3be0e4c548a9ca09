// The inputs of one export run as the main dialog holds them after its data
// exchange (or as the command line builds them). Flags are stored settings;
// the texts are kept as typed because the run stores them unconverted and
// converts them itself.
#pragma once
#include <cstdint>
#include <string>

// The picture size: 0 means the default, larger sides are cut to the limit.
constexpr std::uint32_t kDefaultChartWidth = 1024;
constexpr std::uint32_t kDefaultChartHeight = 768;
constexpr std::uint32_t kMaxChartSide = 16000;

struct ExportOptions {
  std::string RoutePath;   // route combo box, history "#KmlPath"
  std::string TileFolder;  // tile folder combo box, history "#HgtPath"

  std::uint32_t BmpOn = 1;
  std::uint32_t BmpAddLoc = 1;
  std::uint32_t BmpAddKm = 1;
  std::uint32_t BmpAddStat = 1;
  std::uint32_t BmpAddHeight = 1;
  std::uint32_t BmpFixHeight = 0;
  std::uint32_t BmpShow = 1;
  std::uint32_t TextOn = 0;
  std::uint32_t TextAddLoc = 0;
  std::uint32_t TextAddStat = 0;
  std::uint32_t TextShow = 0;
  // The picture as a PNG (ROUTE.png), beside the BMP or, with BmpOn 0,
  // instead of it. Only the command line sets it; the dialog never does.
  std::uint32_t PngOn = 0;

  std::uint32_t BmpWidth = kDefaultChartWidth;
  std::uint32_t BmpHeight = kDefaultChartHeight;
  std::string StepWidthText = "25";    // "Schrittbreite in Meter"
  std::string FixedHeightText = "300"; // "Fixe Höhe in Meter", never stored
  std::int32_t PercentSel = 4;         // slope class width index: "1%" ... "10%"
  std::int32_t StatSel = 1;            // class count index: "6", "8", "10", "12", "14"
};
