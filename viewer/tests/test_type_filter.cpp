// The type filter mask and the controls that show and change it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTemporaryDir>
#include <QVector>

#include "recordings/MelFileComboBox.h"
#include "recordings/MelTypeButton.h"
#include "recordings/MelTypeList.h"
#include "recordings/TypeFilterState.h"
#include "recording_list_support.h"

namespace {

struct MaskLog {
  QVector<int> masks;
  explicit MaskLog(TypeFilterState &state) {
    QObject::connect(&state, &TypeFilterState::maskChanged, [this](int m) { masks.append(m); });
  }
};

}  // namespace

TEST(TypeFilterState, EachTypeAddsOrSubtractsItsBit) {
  TypeFilterState state;
  EXPECT_EQ(state.mask(), 15);  // everything shown at first
  MaskLog log(state);
  state.setType(2, false);
  EXPECT_EQ(state.mask(), 13);
  EXPECT_FALSE(state.allChecked());
  state.setType(8, false);
  EXPECT_EQ(state.mask(), 5);
  state.setType(2, true);
  EXPECT_EQ(state.mask(), 7);
  EXPECT_EQ(log.masks, (QVector<int>{13, 5, 7}));
}

TEST(TypeFilterState, AllChecksEverythingAndUncheckingAllClearsEverything) {
  TypeFilterState state;
  MaskLog log(state);
  QVector<int> allStates;
  QObject::connect(&state, &TypeFilterState::allCheckedChanged,
                   [&](bool on) { allStates.append(on ? 1 : 0); });
  state.setAll(false);
  EXPECT_EQ(state.mask(), 0);
  for (int bit : TypeFilterState::kTypeBits) EXPECT_FALSE(state.isChecked(bit));
  state.setType(4, true);
  EXPECT_EQ(state.mask(), 4);
  state.setAll(true);
  EXPECT_EQ(state.mask(), 15);
  EXPECT_EQ(log.masks, (QVector<int>{0, 4, 15}));
  EXPECT_EQ(allStates, (QVector<int>{0, 1}));
}

TEST(TypeFilterState, FourSingleTypesMakeAll) {
  TypeFilterState state;
  state.setAll(false);
  bool allOn = false;
  QObject::connect(&state, &TypeFilterState::allCheckedChanged, [&](bool on) { allOn = on; });
  for (int bit : {1, 2, 4}) state.setType(bit, true);
  EXPECT_FALSE(allOn);
  state.setType(8, true);
  EXPECT_TRUE(allOn);
  EXPECT_TRUE(state.allChecked());
}

TEST(TypeFilterControls, ButtonsListAndComboFollowTheState) {
  QTemporaryDir app;
  listtest::useIconsIn(app.path());
  TypeFilterState state;
  MaskLog log(state);
  MelTypeButton all(TypeFilterState::kAll);
  MelTypeButton event(2);
  MelTypeButton park(4);
  // The five texts come from the filter's one table.
  EXPECT_EQ(all.text(), QStringLiteral("All Type"));
  EXPECT_EQ(park.text(), QStringLiteral("Parking"));
  EXPECT_EQ(all.focusPolicy(), Qt::NoFocus);  // Space belongs to the window
  MelFileComboBox combo;
  all.follow(&state);
  event.follow(&state);
  park.follow(&state);
  combo.follow(&state);
  EXPECT_EQ(combo.currentText(), QStringLiteral("  All Type"));
  EXPECT_EQ(combo.typeList()->checkBox(4)->objectName(), QStringLiteral("park"));

  event.click();  // unchecks Event
  EXPECT_EQ(state.mask(), 13);
  EXPECT_FALSE(event.isChecked());
  EXPECT_FALSE(all.isChecked());
  EXPECT_EQ(combo.currentText(), QStringLiteral("  Filter"));
  EXPECT_FALSE(combo.typeList()->checkBox(2)->isChecked());
  EXPECT_TRUE(combo.typeList()->checkBox(4)->isChecked());

  all.click();  // checks All again: every type follows
  EXPECT_EQ(state.mask(), 15);
  EXPECT_TRUE(event.isChecked());
  EXPECT_TRUE(park.isChecked());
  EXPECT_EQ(combo.currentText(), QStringLiteral("  All Type"));

  all.click();  // unchecking All clears all
  EXPECT_EQ(state.mask(), 0);
  EXPECT_FALSE(park.isChecked());
  for (int bit : TypeFilterState::kTypeBits)
    EXPECT_FALSE(combo.typeList()->checkBox(bit)->isChecked());

  // The check boxes of the drop-down drive the same state.
  for (int bit : TypeFilterState::kTypeBits) combo.typeList()->checkBox(bit)->click();
  EXPECT_EQ(state.mask(), 15);
  EXPECT_TRUE(all.isChecked());
  EXPECT_EQ(log.masks, (QVector<int>{13, 15, 0, 1, 3, 7, 15}));
}
