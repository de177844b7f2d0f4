#include "recordings/MelTypeButton.h"

#include <QSignalBlocker>

#include "recordings/TypeFilterState.h"

MelTypeButton::MelTypeButton(const QString &text, int bit, QWidget *parent)
    : QPushButton(text, parent), bit_(bit) {
  setCheckable(true);
  setChecked(true);
  setStyleSheet(styleSheetText());
}

QString MelTypeButton::styleSheetText() {
  return QStringLiteral(
      "QPushButton { background-color: #303030; border: 1px solid #707070; color: #a0a0a0; }"
      "QPushButton:checked { border: 1px solid #4cdeb2; color: #4cdeb2; }");
}

void MelTypeButton::follow(TypeFilterState *state) {
  const bool all = bit_ == TypeFilterState::kAll;
  {
    const QSignalBlocker quiet(this);
    setChecked(all ? state->allChecked() : state->isChecked(bit_));
  }
  // clicked() comes from the user only, so showing the state never feeds back.
  if (all) {
    connect(this, &QAbstractButton::clicked, state, &TypeFilterState::setAll);
    connect(state, &TypeFilterState::allCheckedChanged, this, [this](bool checked) {
      const QSignalBlocker quiet(this);
      setChecked(checked);
    });
    return;
  }
  connect(this, &QAbstractButton::clicked, state,
          [this, state](bool checked) { state->setType(bit_, checked); });
  connect(state, &TypeFilterState::typeCheckedChanged, this, [this](int bit, bool checked) {
    if (bit != bit_) return;
    const QSignalBlocker quiet(this);
    setChecked(checked);
  });
}
