#include "app/TopBar.h"

#include <QEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "theme/JsonToStyle.h"

TopBar::TopBar(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TopBar"));
  setAttribute(Qt::WA_StyledBackground, true);
  JsonToStyle style(ViewerState::instance().appDir);
  style.setTranslationContext("ui_topBar");
  style.load(QStringLiteral("TopBar"));
  imageFolder_ = style.imageFolder();
  const StyleItem bar = style.item(QStringLiteral("TopBar"));
  setFixedHeight(bar.status == 0 && bar.height > 0 ? bar.height : 40);
  setStyleSheet(QStringLiteral("#TopBar { background-color: %1; }")
                    .arg(bar.color[StyleItem::Default].isEmpty() ? QStringLiteral("#1b1c1e")
                                                                 : bar.color[StyleItem::Default]));

  logo_ = new QLabel(this);
  style.apply(logo_, QStringLiteral("logo"));
  title_ = new QLabel(this);
  style.apply(title_, QStringLiteral("title"));
  title_->setText(QStringLiteral("TARVIK DASHCAM"));
  bUpper_ = new QPushButton(this);
  bMinimize_ = new QPushButton(this);
  bMaximize_ = new QPushButton(this);
  bClose_ = new QPushButton(this);
  const QPair<QPushButton *, QString> buttons[] = {{bUpper_, QStringLiteral("bUpper")},
                                                   {bMinimize_, QStringLiteral("bMinimize")},
                                                   {bMaximize_, QStringLiteral("bMaximize")},
                                                   {bClose_, QStringLiteral("bClose")}};
  for (const auto &b : buttons) {
    style.apply(b.first, b.second);
    b.first->setFocusPolicy(Qt::NoFocus);
    b.first->setCursor(Qt::PointingHandCursor);
  }
  setButtonImage(bUpper_, QStringLiteral("upperOff"));
  setButtonImage(bMinimize_, QStringLiteral("min"));
  setButtonImage(bMaximize_, QStringLiteral("max"));
  setButtonImage(bClose_, QStringLiteral("close"));
  retranslate();

  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(10, 0, 6, 0);
  row->setSpacing(4);
  row->addWidget(logo_);
  row->addSpacing(6);
  row->addWidget(title_, 1);
  for (const auto &b : buttons) row->addWidget(b.first);

  connect(bUpper_, &QPushButton::clicked, this, &TopBar::alwaysOnTopRequested);
  connect(bMinimize_, &QPushButton::clicked, this, &TopBar::minimizeRequested);
  connect(bMaximize_, &QPushButton::clicked, this, &TopBar::maximizeRequested);
  connect(bClose_, &QPushButton::clicked, this, &TopBar::closeRequested);
  connect(&ViewerState::instance(), &ViewerState::currentRecordingChanged, this,
          &TopBar::followCurrentRecording);
  followCurrentRecording();
}

void TopBar::retranslate() {
  bUpper_->setToolTip(tr("Always on top"));
  bMinimize_->setToolTip(tr("Minimize"));
  bMaximize_->setToolTip(tr("Maximize"));
  bClose_->setToolTip(tr("Close"));
}

void TopBar::followCurrentRecording() {
  const QString name = ViewerState::instance().currentRecording().fileName;
  if (name.isEmpty())
    unsetFileName();
  else
    setFileName(name);
}

void TopBar::setButtonImage(QPushButton *button, const QString &image) {
  button->setStyleSheet(
      QStringLiteral("QPushButton { border: none; border-image: url(\"%1%2-nor.svg\"); }"
                     "QPushButton:hover { border-image: url(\"%1%2-ovr.svg\"); }")
          .arg(imageFolder_, image));
}

void TopBar::setFileName(const QString &name) {
  title_->setText(QStringLiteral("TARVIK DASHCAM  -  ") + name);
}

void TopBar::unsetFileName() {
  logDebug("TopBar::unsetFileName");
  title_->setText(QStringLiteral("TARVIK DASHCAM"));
}

void TopBar::onChangeAlwaysTopUi(int mode) {
  setButtonImage(bUpper_, mode ? QStringLiteral("upperAlways") : QStringLiteral("upperOff"));
}

void TopBar::onChangeMaximizedUi(bool maximized) {
  setButtonImage(bMaximize_, maximized ? QStringLiteral("restore") : QStringLiteral("max"));
}

void TopBar::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && window()) {
    dragging_ = true;
    dragOffset_ = event->globalPos() - window()->frameGeometry().topLeft();
  }
  QWidget::mousePressEvent(event);
}

void TopBar::mouseMoveEvent(QMouseEvent *event) {
  if (dragging_ && window() && !window()->isMaximized() && !window()->isFullScreen())
    window()->move(event->globalPos() - dragOffset_);
  QWidget::mouseMoveEvent(event);
}

void TopBar::mouseReleaseEvent(QMouseEvent *event) {
  dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void TopBar::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton) emit maximizeRequested();
  QWidget::mouseDoubleClickEvent(event);
}

void TopBar::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) retranslate();
}
