#include "app/dialog_data.h"

#include "core/profile_chart.h"

namespace {

using F = MainDialogFields;

constexpr ExchangeEntry Check(int id, std::uint32_t F::*flag) {
  return {id, ExchangeKind::kCheck, flag, nullptr, nullptr};
}
constexpr ExchangeEntry Text(int id, std::string F::*text) {
  return {id, ExchangeKind::kText, nullptr, text, nullptr};
}
constexpr ExchangeEntry ListIndex(int id, std::int32_t F::*index) {
  return {id, ExchangeKind::kListIndex, nullptr, nullptr, index};
}

}  // namespace

const ExchangeEntry kExchangeTable[kExchangeEntryCount] = {
    Check(kIdBmpOn, &F::BmpOn),
    Check(kIdBmpAddLoc, &F::BmpAddLoc),
    Check(kIdBmpAddKm, &F::BmpAddKm),
    Check(kIdBmpAddStat, &F::BmpAddStat),
    Check(kIdBmpAddHeight, &F::BmpAddHeight),
    Check(kIdBmpFixHeight, &F::BmpFixHeight),
    Check(kIdBmpShow, &F::BmpShow),
    Check(kIdTextOn, &F::TextOn),
    Check(kIdTextAddLoc, &F::TextAddLoc),
    Check(kIdTextAddStat, &F::TextAddStat),
    Check(kIdTextShow, &F::TextShow),
    Text(kIdWidth, &F::WidthText),
    Text(kIdHeight, &F::HeightText),
    Text(kIdStepWidth, &F::StepWidthText),
    Text(kIdFixedHeight, &F::FixedHeightText),
    Text(kIdRoutePath, &F::RoutePath),
    Text(kIdTileFolder, &F::TileFolder),
    ListIndex(kIdPercentSel, &F::PercentSel),
    ListIndex(kIdStatSel, &F::StatSel),
};

void EnablingFor(const ExportOptions& f, ControlEnabling (&states)[kDependentControlCount]) {
  const bool bitmap = f.BmpOn != 0, text = f.TextOn != 0;
  const bool slopes = (f.TextAddStat && text) || (f.BmpAddStat && bitmap);
  const ControlEnabling rules[kDependentControlCount] = {
      {kIdWidth, bitmap},          {kIdHeight, bitmap},         {kIdBmpAddLoc, bitmap},
      {kIdBmpAddStat, bitmap},     {kIdBmpAddKm, bitmap},       {kIdBmpAddHeight, bitmap},
      {kIdBmpFixHeight, bitmap},   {kIdBmpShow, bitmap},
      {kIdFixedHeight, bitmap && f.BmpFixHeight != 0},
      {kIdStepWidth, text},        {kIdTextAddLoc, text},       {kIdTextAddStat, text},
      {kIdTextShow, text},
      {kIdPercentSel, slopes},     {kIdStatSel, slopes},
  };
  for (int i = 0; i < kDependentControlCount; ++i) states[i] = rules[i];
}

// The run reads its fixed height text with exactly this conversion, so the
// dialog shares it rather than keeping a second one.
std::uint32_t TextToUnsigned(const std::string& text) { return FixedHeightFromText(text); }

void ExchangeDialogData(IDialogControls& controls, MainDialogFields& fields, bool save) {
  for (const ExchangeEntry& entry : kExchangeTable) {
    const int id = entry.controlId;
    switch (entry.kind) {
      case ExchangeKind::kCheck:
        if (save) fields.*entry.flag = controls.GetCheck(id) ? 1 : 0;
        else controls.SetCheck(id, fields.*entry.flag != 0);
        break;
      case ExchangeKind::kText:
        if (save) fields.*entry.text = controls.GetText(id);
        else controls.SetText(id, fields.*entry.text);
        break;
      case ExchangeKind::kListIndex:
        if (save) fields.*entry.index = controls.GetListIndex(id);
        else controls.SetListIndex(id, fields.*entry.index);
        break;
    }
  }
  ControlEnabling states[kDependentControlCount];
  EnablingFor(fields, states);
  for (const ControlEnabling& state : states) controls.Enable(state.controlId, state.enabled);

  fields.BmpWidth = TextToUnsigned(fields.WidthText);
  fields.BmpHeight = TextToUnsigned(fields.HeightText);
  fields.StepWidth = TextToUnsigned(fields.StepWidthText);
  fields.FixedHeight = TextToUnsigned(fields.FixedHeightText);
}
