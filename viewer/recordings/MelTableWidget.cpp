#include "recordings/MelTableWidget.h"

#include <QEvent>
#include <QFont>
#include <QHeaderView>

MelTableWidget::MelTableWidget(QWidget *parent) : QTableWidget(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setSortingEnabled(false);
  setWordWrap(false);
  horizontalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionsClickable(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(24);
  QFont font(QStringLiteral("Noto Sans CJK KR"));
  font.setPixelSize(12);
  font.setWeight(QFont::Normal);
  setFont(font);
  keepLookWhenDisabled();
}

void MelTableWidget::onBlockEvent(bool blocked) {
  setEnabled(!blocked);
}

void MelTableWidget::changeEvent(QEvent *event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && !samePalette_) keepLookWhenDisabled();
}

// A list that waits for playback to start is still the same list: it looks
// the same while disabled, only the input waits.
void MelTableWidget::keepLookWhenDisabled() {
  QPalette p = palette();
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    const auto r = static_cast<QPalette::ColorRole>(role);
    p.setColor(QPalette::Disabled, r, p.color(QPalette::Active, r));
  }
  samePalette_ = true;
  setPalette(p);
  samePalette_ = false;
}
