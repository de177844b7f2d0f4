#include "app/RightSideView.h"

#include <QEvent>

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/ViewerState.h"
#include "recordings/MelFileComboBox.h"
#include "recordings/MelFileListItem.h"
#include "recordings/MelTypeButton.h"
#include "recordings/TypeFilterState.h"
#include "theme/JsonToStyle.h"

RightSideView::RightSideView(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("RightSideView"));
  setAttribute(Qt::WA_StyledBackground, true);
  JsonToStyle style(ViewerState::instance().appDir);
  style.setTranslationContext("ui_rightSideView");
  style.load(QStringLiteral("RightSideView"));
  imageFolder_ = style.imageFolder();
  const StyleItem panel = style.item(QStringLiteral("RightSideView"));
  setFixedWidth(panel.status == 0 && panel.width > 0 ? panel.width : 400);
  setStyleSheet(QStringLiteral("#RightSideView { background-color: %1; }")
                    .arg(panel.color[StyleItem::Default].isEmpty()
                             ? QStringLiteral("#232427")
                             : panel.color[StyleItem::Default]));

  bFileList_ = new QPushButton(this);
  bMap_ = new QPushButton(this);
  const QString tab = QStringLiteral(
      "QPushButton { background-color: #1b1c1e; color: #a0a0a0; border: none; "
      "border-bottom: 2px solid #303030; padding-left: 30px; text-align: left;"
      " background-image: url(\"%1%2-nor.svg\"); background-repeat: no-repeat;"
      " background-position: left center; }"
      "QPushButton:checked { color: #4cdeb2; border-bottom: 2px solid #4cdeb2;"
      " background-image: url(\"%1%2-sel.svg\"); }");
  bFileList_->setStyleSheet(tab.arg(imageFolder_, QStringLiteral("filelist")));
  bMap_->setStyleSheet(tab.arg(imageFolder_, QStringLiteral("map")));
  for (QPushButton *b : {bFileList_, bMap_}) {
    style.apply(b, b == bFileList_ ? QStringLiteral("bFileList") : QStringLiteral("bMap"));
    b->setStyleSheet(tab.arg(imageFolder_,
                             b == bFileList_ ? QStringLiteral("filelist") : QStringLiteral("map")));
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumHeight(36);
    b->show();
  }
  bFileList_->setChecked(true);

  pages_ = new QStackedWidget(this);
  auto *listPage = new QWidget(pages_);
  auto *mapPage = new QWidget(pages_);
  fileListLayout_ = new QVBoxLayout(listPage);
  mapLayout_ = new QVBoxLayout(mapPage);
  for (QVBoxLayout *l : {fileListLayout_, mapLayout_}) {
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
  }
  typeFilter_ = new TypeFilterState(this);
  auto *filterRow = new QHBoxLayout;
  filterRow->setContentsMargins(8, 8, 8, 8);
  filterRow->setSpacing(4);
  typeCombo_ = new MelFileComboBox(listPage);
  typeCombo_->follow(typeFilter_);
  filterRow->addWidget(typeCombo_);
  for (const TypeFilterState::Entry &entry : TypeFilterState::kEntries) {
    auto *b = new MelTypeButton(entry.bit, listPage);
    b->setObjectName(QStringLiteral("type_") + QLatin1String(entry.objectName));
    b->follow(typeFilter_);
    typeButtons_ << b;
    filterRow->addWidget(b);
  }
  filterRow->addStretch(1);
  fileList_ = new MelFileListItem(listPage);
  fileList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fileListLayout_->addLayout(filterRow);
  fileListLayout_->addWidget(fileList_, 1);
  pages_->addWidget(listPage);
  pages_->addWidget(mapPage);

  auto *tabs = new QHBoxLayout;
  tabs->setContentsMargins(0, 0, 0, 0);
  tabs->setSpacing(0);
  tabs->addWidget(bFileList_);
  tabs->addWidget(bMap_);
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addLayout(tabs);
  column->addWidget(pages_, 1);

  connect(bFileList_, &QPushButton::clicked, this, &RightSideView::fileListRequested);
  connect(bMap_, &QPushButton::clicked, this, &RightSideView::mapRequested);
  retranslate();
}

int RightSideView::currentPage() const {
  return pages_->currentIndex();
}

void RightSideView::showPage(int page) {
  pages_->setCurrentIndex(page);
  (page == MapPage ? bMap_ : bFileList_)->setChecked(true);
}

void RightSideView::retranslate() {
  bFileList_->setText(tr("File list"));
  bMap_->setText(tr("Map"));
}

void RightSideView::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) retranslate();
}
