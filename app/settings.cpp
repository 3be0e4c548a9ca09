#include "app/settings.h"

#include "app/registry.h"

const char kSettingsKeyPath[] = "Software\\Orvane\\Tolmaric";
const char kRouteHistory[] = "#KmlPath";
const char kTileHistory[] = "#HgtPath";

namespace {

constexpr char kCurrentMark = '\x02';
const char kCommandLineFixedHeight[] = "CliFixedHeight";
const char kCommandLinePng[] = "PngOn";

// The flags in the order the start-up reads them.
struct Flag {
  const char* name;
  std::uint32_t ExportOptions::*field;
};
const Flag kFlagsAsRead[] = {
    {"BmpOn", &ExportOptions::BmpOn},           {"BmpAddLoc", &ExportOptions::BmpAddLoc},
    {"BmpAddStat", &ExportOptions::BmpAddStat}, {"BmpAddKm", &ExportOptions::BmpAddKm},
    {"BmpAddHeight", &ExportOptions::BmpAddHeight}, {"BmpFixHeight", &ExportOptions::BmpFixHeight},
    {"BmpShow", &ExportOptions::BmpShow},       {"TextOn", &ExportOptions::TextOn},
    {"TextAddLoc", &ExportOptions::TextAddLoc}, {"TextAddStat", &ExportOptions::TextAddStat},
    {"TextShow", &ExportOptions::TextShow},     {"BmpWidth", &ExportOptions::BmpWidth},
    {"BmpHeight", &ExportOptions::BmpHeight},
};
// ... and in the order a run writes them (statistics after height).
const Flag kFlagsAsWritten[] = {
    {"BmpOn", &ExportOptions::BmpOn},           {"BmpAddLoc", &ExportOptions::BmpAddLoc},
    {"BmpAddKm", &ExportOptions::BmpAddKm},     {"BmpAddHeight", &ExportOptions::BmpAddHeight},
    {"BmpAddStat", &ExportOptions::BmpAddStat}, {"BmpFixHeight", &ExportOptions::BmpFixHeight},
    {"BmpShow", &ExportOptions::BmpShow},       {"TextOn", &ExportOptions::TextOn},
    {"TextAddLoc", &ExportOptions::TextAddLoc}, {"TextAddStat", &ExportOptions::TextAddStat},
    {"TextShow", &ExportOptions::TextShow},     {"BmpWidth", &ExportOptions::BmpWidth},
    {"BmpHeight", &ExportOptions::BmpHeight},
};

const char* StoredName(const char* historyName) { return historyName[0] == '#' ? historyName + 1 : historyName; }

// The zero-separated strings of a multi-string value.
std::vector<std::string> SplitStrings(const std::vector<char>& data) {
  std::vector<std::string> strings;
  size_t at = 0;
  while (at < data.size() && data[at]) {
    std::string text(&data[at]);
    at += text.size() + 1;
    strings.push_back(text);
  }
  return strings;
}

std::uint32_t CorrectSide(std::uint32_t value, std::uint32_t fallback) {
  if (value == 0) return fallback;
  return value > kMaxChartSide ? kMaxChartSide : value;
}

}  // namespace

void CListComboBox::ResetContent() {
  items_.clear();
  edit_.clear();
  selection_ = -1;
}

std::string CListComboBox::GetItemText(int index) const {
  return index >= 0 && index < GetCount() ? items_[index] : std::string();
}

std::string LoadComboHistory(IComboBox& combo, const char* historyName, const char* keyPath) {
  combo.ResetContent();
  CRegistry key;
  std::vector<char> data;
  if (!key.Open(0, keyPath, CRegistry::kOpenOrCreate) || !key.GetMultiString(data, StoredName(historyName)))
    return "";
  std::vector<std::string> strings = SplitStrings(data);
  if (strings.empty()) return "";
  std::string current = strings[0];
  size_t listStart = 0;
  if (!current.empty() && current[0] == kCurrentMark) {
    current.erase(0, 1);
    combo.SetEditText(current);
    listStart = 1;
  }
  if (current.size() > kHistoryTextLimit) current.resize(kHistoryTextLimit);
  for (size_t i = listStart; i < strings.size(); ++i) {
    std::string item = strings[i].substr(0, kHistoryItemLimit);
    if (!item.empty()) combo.AddString(item);
  }
  return current;
}

bool SaveComboHistory(IComboBox& combo, const char* historyName, const char* keyPath) {
  std::string current = combo.GetEditText();
  int selection = combo.GetCurSel();
  if (current.empty() && selection >= 0) current = combo.GetItemText(selection);
  if (current.empty()) return true;

  std::vector<std::string> list{current};
  for (int i = 0; i < combo.GetCount() && static_cast<int>(list.size()) <= kHistoryOthers; ++i) {
    std::string item = combo.GetItemText(i);
    if (!item.empty() && item != current) list.push_back(item);
  }
  std::string value = kCurrentMark + current + '\0';
  for (const std::string& item : list) value += item + '\0';
  value += '\0';

  if (selection < 0) {  // typed: the new text goes to the top of the list
    combo.ResetContent();
    combo.SetEditText(current);
    for (const std::string& item : list) combo.AddString(item);
  }
  CRegistry key;
  return key.Open(0, keyPath, CRegistry::kOpenOrCreate) &&
         key.SetMultiString(value.c_str(), StoredName(historyName));
}

void LoadSettings(ExportOptions& options, IComboBox& routeBox, IComboBox& tileBox, const char* keyPath) {
  CRegistry key;
  if (key.Open(0, keyPath, CRegistry::kOpenOrCreate)) {
    for (const Flag& flag : kFlagsAsRead) key.GetDword(options.*flag.field, flag.name);
    std::string step;
    if (key.GetString(step, "StepWidth") && !step.empty()) options.StepWidthText = step;
    std::uint32_t selection = 0;
    if (key.GetDword(selection, "PercentSel")) options.PercentSel = static_cast<std::int32_t>(selection);
    if (key.GetDword(selection, "StatSel")) options.StatSel = static_cast<std::int32_t>(selection);
    key.Close();
  }
  options.RoutePath = LoadComboHistory(routeBox, kRouteHistory, keyPath);
  options.TileFolder = LoadComboHistory(tileBox, kTileHistory, keyPath);
  options.BmpWidth = CorrectSide(options.BmpWidth, kDefaultChartWidth);
  options.BmpHeight = CorrectSide(options.BmpHeight, kDefaultChartHeight);
}

bool SaveSettings(const ExportOptions& options, IComboBox& routeBox, IComboBox& tileBox, const char* keyPath) {
  CRegistryBatch batch;
  bool saved = false;
  {
    CRegistry key;
    if (key.Open(0, keyPath, CRegistry::kOpenOrCreate)) {
      saved = true;
      for (const Flag& flag : kFlagsAsWritten) saved = key.SetDword(options.*flag.field, flag.name) && saved;
      saved = key.SetString(options.StepWidthText.c_str(), "StepWidth") && saved;
      saved = key.SetDword(static_cast<std::uint32_t>(options.PercentSel), "PercentSel") && saved;
      saved = key.SetDword(static_cast<std::uint32_t>(options.StatSel), "StatSel") && saved;
    }
  }
  saved = SaveComboHistory(routeBox, kRouteHistory, keyPath) && saved;
  saved = SaveComboHistory(tileBox, kTileHistory, keyPath) && saved;
  return batch.Commit() && saved;
}

std::string RememberedTileFolder(const char* keyPath) {
  CRegistry key;
  std::vector<char> data;
  if (!key.Open(0, keyPath, CRegistry::kReadOnly) || !key.GetMultiString(data, StoredName(kTileHistory)))
    return "";
  std::vector<std::string> strings = SplitStrings(data);
  if (strings.empty()) return "";
  std::string current = strings[0];
  if (current[0] == kCurrentMark) current.erase(0, 1);
  return current.substr(0, kHistoryTextLimit);
}

bool LoadCommandLineFixedHeight(std::string& text, const char* keyPath) {
  CRegistry key;
  std::string stored;
  if (!key.Open(0, keyPath, CRegistry::kReadOnly) || !key.GetString(stored, kCommandLineFixedHeight) ||
      stored.empty())
    return false;
  text = stored;
  return true;
}

bool SaveCommandLineFixedHeight(const std::string& text, const char* keyPath) {
  CRegistry key;
  return key.Open(0, keyPath, CRegistry::kOpenOrCreate) && key.SetString(text.c_str(), kCommandLineFixedHeight);
}

void LoadCommandLinePng(std::uint32_t& on, const char* keyPath) {
  CRegistry key;
  if (key.Open(0, keyPath, CRegistry::kReadOnly)) key.GetDword(on, kCommandLinePng);
}

bool SaveCommandLinePng(std::uint32_t on, const char* keyPath) {
  CRegistry key;
  return key.Open(0, keyPath, CRegistry::kOpenOrCreate) && key.SetDword(on, kCommandLinePng);
}
