// The settings of the main dialog in the registry key "Software\Orvane\Tolmaric":
// the check boxes, the picture size, the step width, the two slope selections
// and the histories of route files and tile folders behind the two path combo
// boxes. Everything goes through a small combo-box interface so the dialog,
// the command line and the tests share the same code.
#pragma once
#include <string>
#include <vector>

#include "core/export_options.h"

extern const char kSettingsKeyPath[];  // "Software\Orvane\Tolmaric"
extern const char kRouteHistory[];     // "#KmlPath"
extern const char kTileHistory[];      // "#HgtPath"

constexpr int kHistoryOthers = 15;       // entries kept besides the current one
constexpr int kHistoryTextLimit = 2047;  // current text returned by LoadComboHistory
constexpr int kHistoryItemLimit = 255;   // each drop-down entry

// What the histories need of a combo box (a drop-down list with an edit field).
class IComboBox {
 public:
  virtual ~IComboBox() = default;
  virtual void ResetContent() = 0;  // empties list, selection and edit text
  virtual std::string GetEditText() const = 0;
  virtual void SetEditText(const std::string& text) = 0;
  virtual int GetCount() const = 0;
  virtual std::string GetItemText(int index) const = 0;
  virtual void AddString(const std::string& text) = 0;
  virtual int GetCurSel() const = 0;  // -1 when nothing is selected
};

// A combo box without a window: the command line's and the tests'.
class CListComboBox : public IComboBox {
 public:
  void ResetContent() override;
  std::string GetEditText() const override { return edit_; }
  void SetEditText(const std::string& text) override { edit_ = text; }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  std::string GetItemText(int index) const override;
  void AddString(const std::string& text) override { items_.push_back(text); }
  int GetCurSel() const override { return selection_; }
  void SetCurSel(int index) { selection_ = index; }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
  std::string edit_;
  int selection_ = -1;
};

// Fills the combo box from the stored history and returns its current text.
std::string LoadComboHistory(IComboBox& combo, const char* historyName, const char* keyPath);
// Stores the combo box's current text and list; an empty text stores nothing.
// False when the store could not be written.
bool SaveComboHistory(IComboBox& combo, const char* historyName, const char* keyPath);

// Start-up: the stored values over the defaults in options, with the
// start-up rules (width and height 0 → 1024 × 768, at most 16000), and the two
// histories loaded into their combo boxes (their current texts become the
// route path and the tile folder).
void LoadSettings(ExportOptions& options, IComboBox& routeBox, IComboBox& tileBox,
                  const char* keyPath = kSettingsKeyPath);
// Start of every run: the values as they stand, then both histories, in one
// save of the store (a CRegistryBatch: callers may put it in a larger one).
// False when the store could not be written (the run goes on all the same).
bool SaveSettings(const ExportOptions& options, IComboBox& routeBox, IComboBox& tileBox,
                  const char* keyPath = kSettingsKeyPath);

// The current tile folder of the stored history, read without creating or
// writing anything; "" when none is stored.
std::string RememberedTileFolder(const char* keyPath = kSettingsKeyPath);

// The command line's fixed height ("CliFixedHeight"), a value of its own: the
// dialog starts with 300 m whatever is stored. False when none is stored.
bool LoadCommandLineFixedHeight(std::string& text, const char* keyPath = kSettingsKeyPath);
bool SaveCommandLineFixedHeight(const std::string& text, const char* keyPath = kSettingsKeyPath);

// The command line's PNG choice ("PngOn", ExportOptions::PngOn), a value of
// its own that the dialog neither reads nor writes. Load leaves on alone when
// none is stored.
void LoadCommandLinePng(std::uint32_t& on, const char* keyPath = kSettingsKeyPath);
bool SaveCommandLinePng(std::uint32_t on, const char* keyPath = kSettingsKeyPath);
