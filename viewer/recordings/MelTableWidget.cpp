#include "recordings/MelTableWidget.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

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
}

void MelTableWidget::onBlockEvent(bool blocked) {
  eventsBlocked_ = blocked;
}

// While blocked every input is swallowed here; the derived list checks
// eventsBlocked() before its own handling of the same events.

void MelTableWidget::mousePressEvent(QMouseEvent *event) {
  if (eventsBlocked_) {
    event->accept();
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void MelTableWidget::mouseReleaseEvent(QMouseEvent *event) {
  if (eventsBlocked_) {
    event->accept();
    return;
  }
  QTableWidget::mouseReleaseEvent(event);
}

void MelTableWidget::mouseDoubleClickEvent(QMouseEvent *event) {
  if (eventsBlocked_) {
    event->accept();
    return;
  }
  QTableWidget::mouseDoubleClickEvent(event);
}

void MelTableWidget::mouseMoveEvent(QMouseEvent *event) {
  if (eventsBlocked_) {
    event->accept();
    return;
  }
  QTableWidget::mouseMoveEvent(event);
}

void MelTableWidget::keyPressEvent(QKeyEvent *event) {
  if (eventsBlocked_) {
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

void MelTableWidget::dragEnterEvent(QDragEnterEvent *event) {
  if (eventsBlocked_) {
    event->ignore();
    return;
  }
  QTableWidget::dragEnterEvent(event);
}

void MelTableWidget::dragMoveEvent(QDragMoveEvent *event) {
  if (eventsBlocked_) {
    event->ignore();
    return;
  }
  QTableWidget::dragMoveEvent(event);
}

void MelTableWidget::dropEvent(QDropEvent *event) {
  if (eventsBlocked_) {
    event->ignore();
    return;
  }
  QTableWidget::dropEvent(event);
}
