#include "recordings/MelTypeList.h"

#include <QCheckBox>
#include <QEvent>
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
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setSpacing(2);
  for (int i = 0; i < 4; ++i) {
    const TypeFilterState::Entry &entry = TypeFilterState::kEntries[i + 1];
    auto *box = new QCheckBox(TypeFilterState::text(entry.bit), this);
    box->setObjectName(QString::fromLatin1(entry.objectName));
    box->setChecked(true);
    box->setFocusPolicy(Qt::NoFocus);
    const int bit = entry.bit;
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

void MelTypeList::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::LanguageChange) return;
  for (int i = 0; i < 4; ++i)
    boxes_[i]->setText(TypeFilterState::text(TypeFilterState::kEntries[i + 1].bit));
}
