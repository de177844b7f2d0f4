#include "recordings/MelTypeList.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "recordings/TypeFilterState.h"

namespace {

int slotOf(int bit) {
  for (int i = 0; i < 4; ++i)
    if (TypeFilterState::kTypeBits[i] == bit) return i;
  return -1;
}

}  // namespace

MelTypeList::MelTypeList(QWidget *parent) : QWidget(parent) {
  const char *const names[4] = {"infinity", "event", "park", "user"};
  const QString texts[4] = {tr("Infinity"), tr("Event"), tr("Parking"), tr("User")};
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setSpacing(2);
  for (int i = 0; i < 4; ++i) {
    auto *box = new QCheckBox(texts[i], this);
    box->setObjectName(QString::fromLatin1(names[i]));
    box->setChecked(true);
    const int bit = TypeFilterState::kTypeBits[i];
    connect(box, &QCheckBox::clicked, this,
            [this, bit](bool checked) { emit typeClicked(bit, checked); });
    layout->addWidget(box);
    boxes_[i] = box;
  }
}

QCheckBox *MelTypeList::checkBox(int bit) const {
  const int i = slotOf(bit);
  return i < 0 ? nullptr : boxes_[i];
}

void MelTypeList::setChecked(int bit, bool checked) {
  QCheckBox *box = checkBox(bit);
  if (!box) return;
  const QSignalBlocker quiet(box);
  box->setChecked(checked);
}

void MelTypeList::follow(TypeFilterState *state) {
  for (int bit : TypeFilterState::kTypeBits) setChecked(bit, state->isChecked(bit));
  connect(this, &MelTypeList::typeClicked, state, &TypeFilterState::setType);
  connect(state, &TypeFilterState::typeCheckedChanged, this, &MelTypeList::setChecked);
}
