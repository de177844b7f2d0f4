#include "recordings/TypeFilterState.h"

#include <QCoreApplication>

const TypeFilterState::Entry TypeFilterState::kEntries[5] = {
    {kAll, "all", QT_TRANSLATE_NOOP("TypeFilterState", "All Type")},
    {1, "infinity", QT_TRANSLATE_NOOP("TypeFilterState", "Infinity")},
    {2, "event", QT_TRANSLATE_NOOP("TypeFilterState", "Event")},
    {4, "park", QT_TRANSLATE_NOOP("TypeFilterState", "Parking")},
    {8, "user", QT_TRANSLATE_NOOP("TypeFilterState", "User")}};

QString TypeFilterState::text(int bit) {
  for (const Entry &e : kEntries)
    if (e.bit == bit) return QCoreApplication::translate("TypeFilterState", e.text);
  return QString();
}

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
