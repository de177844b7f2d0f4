#include "app/MelShortcutTable.h"

#include <QEvent>

#include <QHeaderView>
#include <QPushButton>

#include "core/ViewerState.h"
#include "theme/JsonToStyle.h"

namespace {

struct EntryInfo {
  const char *image;
  const char *toolTip;
};

const EntryInfo kEntries[] = {
    {"files", QT_TRANSLATE_NOOP("MelShortcutTable", "Open Video File")},
    {"sdcard", QT_TRANSLATE_NOOP("MelShortcutTable", "Open SD Card")},
    {"language", QT_TRANSLATE_NOOP("MelShortcutTable", "Language")},
    {"print", QT_TRANSLATE_NOOP("MelShortcutTable", "Print")},
    {"capture", QT_TRANSLATE_NOOP("MelShortcutTable", "Download")},
    {"setting", QT_TRANSLATE_NOOP("MelShortcutTable", "Setting")},
    {"about", QT_TRANSLATE_NOOP("MelShortcutTable", "Info")},
};

constexpr int kCell = 56;

}  // namespace

MelShortcutTable::MelShortcutTable(const QString &imageFolder, QWidget *parent)
    : QTableWidget(EntryCount, 1, parent), imageFolder_(imageFolder) {
  setObjectName(QStringLiteral("MelShortcutTable"));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setShowGrid(false);
  setFocusPolicy(Qt::NoFocus);
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  horizontalHeader()->setDefaultSectionSize(kCell);
  verticalHeader()->setDefaultSectionSize(kCell);
  setStyleSheet(
      QStringLiteral("QTableWidget { background-color: #1b1c1e; border: none; }"
                     "QToolTip { border: none; font-size: 13px; background-color: #4cdeb2; }"));
  for (int i = 0; i < EntryCount; ++i) {
    auto *b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(kEntries[i].image));
    b->setFixedSize(40, 40);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet(
        QStringLiteral(
            "QPushButton { border: none; margin: 8px; border-image: url(\"%1%2-nor.svg\"); }"
            "QPushButton:hover { border-image: url(\"%1%2-ovr.svg\"); }"
            "QPushButton:disabled { border-image: url(\"%1%2-dis.svg\"); }")
            .arg(imageFolder_, QString::fromLatin1(kEntries[i].image)));
    connect(b, &QPushButton::clicked, this, [this, i] { emit entryActivated(i); });
    buttons_[i] = b;
    setCellWidget(i, 0, b);
  }
  retranslate();
}

void MelShortcutTable::setEntryEnabled(Entry entry, bool enabled) {
  buttons_[entry]->setEnabled(enabled);
}

bool MelShortcutTable::entryEnabled(Entry entry) const {
  return buttons_[entry]->isEnabled();
}

void MelShortcutTable::retranslate() {
  for (int i = 0; i < EntryCount; ++i) buttons_[i]->setToolTip(tr(kEntries[i].toolTip));
}

void MelShortcutTable::changeEvent(QEvent *event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) retranslate();
}
