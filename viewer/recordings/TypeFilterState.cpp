#include "recordings/TypeFilterState.h"

TypeFilterState::TypeFilterState(QObject *parent) : QObject(parent) {}

void TypeFilterState::setAll(bool checked) {
  change(checked ? kAll : 0);
}

void TypeFilterState::setType(int bit, bool checked) {
  bit &= kAll;
  change(checked ? (mask_ | bit) : (mask_ & ~bit));
}

void TypeFilterState::change(int mask) {
  const int old = mask_;
  mask_ = mask;
  for (int bit : kTypeBits)
    if ((old & bit) != (mask & bit)) emit typeCheckedChanged(bit, (mask & bit) != 0);
  if ((old == kAll) != (mask == kAll)) emit allCheckedChanged(mask == kAll);
  // The list is told even when nothing changed: a control that was clicked
  // expects the list to show its state, and filtering again is harmless.
  emit maskChanged(mask);
}
