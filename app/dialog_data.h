// The main dialog's fields and their exchange with the controls, kept apart
// from any window: a table of (control id, kind, field) is walked in either
// direction through a small controls interface, then the enabling rules are
// applied and the number texts converted. The dialog supplies the window
// backend; the tests supply a plain one.
#pragma once
#include <cstdint>
#include <string>

#include "core/export_options.h"

// Control ids of dialog template 102.
enum MainDialogControl : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdListFrame = 1000,
  kIdBmpOn = 1001,
  kIdBmpAddLoc = 1002,
  kIdBmpAddStat = 1003,
  kIdBmpAddKm = 1004,
  kIdBmpAddHeight = 1005,
  kIdBmpFixHeight = 1006,
  kIdBmpShow = 1007,
  kIdTextOn = 1010,
  kIdTextAddLoc = 1011,
  kIdTextAddStat = 1012,
  kIdTextShow = 1013,
  kIdRoutePath = 1023,
  kIdTileFolder = 1024,
  kIdPercentSel = 1025,
  kIdStatSel = 1026,
  kIdWidth = 1031,
  kIdHeight = 1032,
  kIdFixedHeight = 1053,
  kIdStepWidth = 1054,
  kIdRouteBrowse = 1063,
  kIdTileBrowse = 1064,
  kIdLocationsList = 37155,
};

// What the run needs (ExportOptions) plus the texts the dialog shows for the
// picture size and the numbers it converts from its edit boxes.
struct MainDialogFields : ExportOptions {
  std::string WidthText = "1024";
  std::string HeightText = "768";
  std::uint32_t StepWidth = 25;
  std::uint32_t FixedHeight = 300;
};

// The controls as the exchange sees them.
class IDialogControls {
 public:
  virtual ~IDialogControls() = default;
  virtual bool GetCheck(int id) = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual std::string GetText(int id) = 0;  // edit box, or a combo box's edit field
  virtual void SetText(int id, const std::string& text) = 0;
  virtual int GetListIndex(int id) = 0;     // -1 when nothing is selected
  virtual void SetListIndex(int id, int index) = 0;
  virtual void Enable(int id, bool enabled) = 0;
};

enum class ExchangeKind { kCheck, kText, kListIndex };

struct ExchangeEntry {
  int controlId;
  ExchangeKind kind;
  std::uint32_t MainDialogFields::*flag;
  std::string MainDialogFields::*text;
  std::int32_t MainDialogFields::*index;
};
constexpr int kExchangeEntryCount = 19;
extern const ExchangeEntry kExchangeTable[kExchangeEntryCount];

// One control whose enabled state follows the flags.
struct ControlEnabling {
  int controlId;
  bool enabled;
};
constexpr int kDependentControlCount = 15;
// Every control the flags govern, with its state for these flags.
void EnablingFor(const ExportOptions& fields, ControlEnabling (&states)[kDependentControlCount]);

// The usual decimal text-to-integer reading (blanks, sign, digits; anything
// else ends it; no digits give 0), taken as unsigned: " 800px" is 800.
std::uint32_t TextToUnsigned(const std::string& text);

// The data exchange: controls to fields (save) or fields to controls; then,
// both ways, the enabling rules from the flags and the number conversions.
void ExchangeDialogData(IDialogControls& controls, MainDialogFields& fields, bool save);
