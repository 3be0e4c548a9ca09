// The main dialog's exchange without a window: which controls the check
// boxes switch on and off, and how the number boxes read.
#include "app/dialog_data.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class FakeControls : public IDialogControls {
 public:
  bool GetCheck(int id) override { return checks[id]; }
  void SetCheck(int id, bool checked) override { checks[id] = checked; }
  std::string GetText(int id) override { return texts[id]; }
  void SetText(int id, const std::string& text) override { texts[id] = text; }
  int GetListIndex(int id) override { return lists.count(id) ? lists[id] : -1; }
  void SetListIndex(int id, int index) override { lists[id] = index; }
  void Enable(int id, bool enabled) override { enabled_[id] = enabled; }
  bool IsEnabled(int id) const { return !enabled_.count(id) || enabled_.at(id); }

  std::map<int, bool> checks;
  std::map<int, std::string> texts;
  std::map<int, int> lists;

 private:
  std::map<int, bool> enabled_;
};

class DialogData : public ::testing::Test {
 protected:
  void SetUp() override { ExchangeDialogData(controls, fields, false); }
  void Click(int id) {
    controls.checks[id] = !controls.checks[id];
    ExchangeDialogData(controls, fields, true);
  }
  FakeControls controls;
  MainDialogFields fields;
};

TEST_F(DialogData, TurningThePictureOffDisablesItsOptionsAndTheSlopeListsWithoutTextStatistics) {
  Click(kIdBmpFixHeight);
  EXPECT_TRUE(controls.IsEnabled(kIdFixedHeight));
  Click(kIdBmpOn);
  for (int id : {kIdWidth, kIdHeight, kIdFixedHeight, kIdBmpAddLoc, kIdBmpAddStat, kIdBmpAddKm,
                 kIdBmpAddHeight, kIdBmpFixHeight, kIdBmpShow, kIdPercentSel, kIdStatSel})
    EXPECT_FALSE(controls.IsEnabled(id)) << id;
  EXPECT_TRUE(controls.IsEnabled(kIdBmpOn));
  EXPECT_TRUE(controls.IsEnabled(kIdTextOn));
  EXPECT_EQ(1u, fields.BmpFixHeight);  // the flag stays, only its box is off
}

TEST_F(DialogData, TextStatisticsEnableTheSlopeListsWithThePictureOff) {
  Click(kIdBmpOn);
  Click(kIdTextOn);
  EXPECT_FALSE(controls.IsEnabled(kIdPercentSel));
  Click(kIdTextAddStat);
  EXPECT_TRUE(controls.IsEnabled(kIdPercentSel));
  EXPECT_TRUE(controls.IsEnabled(kIdStatSel));
  Click(kIdTextOn);  // statistics still checked, but the text is off
  EXPECT_FALSE(controls.IsEnabled(kIdStatSel));
  EXPECT_FALSE(controls.IsEnabled(kIdTextAddStat));
}

TEST_F(DialogData, NumberBoxesReadLikeTheCLibraryAndNeverComplain) {
  EXPECT_EQ(0u, TextToUnsigned("abc"));
  EXPECT_EQ(800u, TextToUnsigned(" 800px"));
  EXPECT_EQ(0u, TextToUnsigned(""));
  EXPECT_EQ(0xFFFFFFFFu, TextToUnsigned("-1"));
  controls.texts[kIdWidth] = "abc";
  controls.texts[kIdHeight] = " 600 x";
  controls.texts[kIdStepWidth] = "+10";
  ExchangeDialogData(controls, fields, true);
  EXPECT_EQ(0u, fields.BmpWidth);
  EXPECT_EQ(600u, fields.BmpHeight);
  EXPECT_EQ(10u, fields.StepWidth);
  EXPECT_EQ("+10", fields.StepWidthText);  // the run stores the text as typed
}

TEST_F(DialogData, FieldsGoToTheControlsAndComeBackUnchanged) {
  EXPECT_EQ("1024", controls.texts[kIdWidth]);
  EXPECT_EQ(4, controls.lists[kIdPercentSel]);
  EXPECT_TRUE(controls.checks[kIdBmpShow]);
  EXPECT_FALSE(controls.checks[kIdTextOn]);
  controls.lists.erase(kIdStatSel);  // nothing selected
  controls.texts[kIdRoutePath] = "C:\\Touren\\a.kml";
  ExchangeDialogData(controls, fields, true);
  EXPECT_EQ(-1, fields.StatSel);
  EXPECT_EQ("C:\\Touren\\a.kml", fields.RoutePath);
  EXPECT_EQ("300", fields.FixedHeightText);
  EXPECT_EQ(300u, fields.FixedHeight);
}

}  // namespace
