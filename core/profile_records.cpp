// Both writers build the whole text in memory (a profile of 100 km at 25 m
// is under 300 kB) and share one list of statistics, so CSV and JSON can
// never disagree on a name or a number.
#include "core/profile_records.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/text_report.h"
#include "support/text_scan.h"

namespace {

struct Statistic {
  const char* name;
  double value;
  int decimals;
};

std::vector<Statistic> Statistics(const ProfileFigures& f) {
  return {
      {"length_km", f.length * kMetresToKilometres, kMetreDecimals},
      {"highest_m", f.highest, kSummaryDecimals},
      {"lowest_m", f.lowest, kSummaryDecimals},
      {"difference_m", f.highest - f.lowest, kSummaryDecimals},
      {"climbed_raw_m", f.climbedRaw, kSummaryDecimals},
      {"climbed_filtered_m", f.filtered.climbed, kSummaryDecimals},
      {"descended_filtered_m", f.filtered.descended, kSummaryDecimals},
      {"climb_threshold_m", f.climbThreshold, kMetreDecimals},
  };
}

std::string LocationName(const ProfileSample& sample, const CLocationTable& locations) {
  if (sample.location < 0 || sample.location >= locations.Count()) return std::string();
  return Cp1252ToUtf8(locations[sample.location].name);
}

std::string ClassName(int c, int width) {
  char name[48];
  std::snprintf(name, sizeof name, "%i%%..%i%%", c * width, (c + 1) * width);
  return name;
}

// ---- CSV ----

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string CsvNumber(double value, int decimals) {
  return std::isfinite(value) ? FormatDecimals(value, decimals) : std::string();
}

// ---- JSON ----

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value, int decimals) {
  return std::isfinite(value) ? FormatDecimals(value, decimals) : std::string("null");
}

}  // namespace

ProfileFigures ComputeProfileFigures(const ProfileSample* samples, int count,
                                     const SlopeClassConfig& classes, double routeLength,
                                     double climbThreshold) {
  ProfileFigures figures;
  figures.length = routeLength;
  figures.classes = classes;
  figures.climbThreshold = climbThreshold;
  figures.climbedRaw = ComputeStatistics(samples, count, figures.slopeClasses, classes.first,
                                         classes.last, classes.width, figures.lowest,
                                         figures.highest);
  figures.filtered = ComputeFilteredClimb(samples, count, climbThreshold);
  return figures;
}

std::string FormatProfileCsv(const ProfileSample* samples, int count,
                             const CLocationTable& locations, const ProfileFigures& figures) {
  std::string text = "longitude,latitude,height_m,distance_m,slope_percent,location\r\n";
  for (int k = 0; k < count; ++k) {
    const ProfileSample& s = samples[k];
    text += CsvNumber(s.longitude, kCoordinateDecimals) + ',' +
            CsvNumber(s.latitude, kCoordinateDecimals) + ',' + CsvNumber(s.height, kMetreDecimals) +
            ',' + CsvNumber(s.distance, kMetreDecimals) + ',' +
            CsvNumber(s.slope * kFractionToPercent, kMetreDecimals) + ',' +
            CsvField(LocationName(s, locations)) + "\r\n";
  }
  text += "\r\nstatistic,value,share_percent\r\n";
  for (const Statistic& statistic : Statistics(figures))
    text += std::string(statistic.name) + ',' + CsvNumber(statistic.value, statistic.decimals) +
            ",\r\n";
  const SlopeClassConfig& classes = figures.classes;
  for (int c = classes.first; c <= classes.last; ++c) {
    const SlopeClass& slopeClass = figures.slopeClasses[c - classes.first];
    text += ClassName(c, classes.width) + ',' + CsvNumber(slopeClass.metres, kMetreDecimals) +
            ',' + CsvNumber(slopeClass.share * kFractionToPercent, kMetreDecimals) + "\r\n";
  }
  return text;
}

std::string FormatProfileJson(const ProfileSample* samples, int count,
                              const CLocationTable& locations, const ProfileFigures& figures) {
  std::string text = "{\"samples\": [";
  for (int k = 0; k < count; ++k) {
    const ProfileSample& s = samples[k];
    text += k == 0 ? "\n" : ",\n";
    text += "  {\"longitude\": " + JsonNumber(s.longitude, kCoordinateDecimals) +
            ", \"latitude\": " + JsonNumber(s.latitude, kCoordinateDecimals) +
            ", \"height_m\": " + JsonNumber(s.height, kMetreDecimals) +
            ", \"distance_m\": " + JsonNumber(s.distance, kMetreDecimals) +
            ", \"slope_percent\": " + JsonNumber(s.slope * kFractionToPercent, kMetreDecimals) +
            ", \"location\": " + JsonString(LocationName(s, locations)) + "}";
  }
  text += "],\n\"stats\": {";
  for (const Statistic& statistic : Statistics(figures))
    text += "\n  " + JsonString(statistic.name) + ": " +
            JsonNumber(statistic.value, statistic.decimals) + ",";
  text += "\n  \"slope_classes\": [";
  const SlopeClassConfig& classes = figures.classes;
  for (int c = classes.first; c <= classes.last; ++c) {
    const SlopeClass& slopeClass = figures.slopeClasses[c - classes.first];
    text += c == classes.first ? "\n" : ",\n";
    text += "    {\"from_percent\": " + std::to_string(c * classes.width) +
            ", \"to_percent\": " + std::to_string((c + 1) * classes.width) +
            ", \"metres\": " + JsonNumber(slopeClass.metres, kMetreDecimals) +
            ", \"share_percent\": " +
            JsonNumber(slopeClass.share * kFractionToPercent, kMetreDecimals) + "}";
  }
  text += "]}}\n";
  return text;
}
