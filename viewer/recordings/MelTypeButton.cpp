#include "recordings/MelTypeButton.h"

#include <QEvent>
#include <QSignalBlocker>

#include "recordings/TypeFilterState.h"

MelTypeButton::MelTypeButton(int bit, QWidget *parent)
    : QPushButton(TypeFilterState::text(bit), parent), bit_(bit) {
  // A focused filter button would take Space, the window's play key.
  setFocusPolicy(Qt::NoFocus);
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

void MelTypeButton::changeEvent(QEvent *event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) setText(TypeFilterState::text(bit_));
}
