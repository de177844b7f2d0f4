#include "app/LanguageView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/Language.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

LanguageView::LanguageView(QWidget *parent)
    : ThemedDialog(QStringLiteral("LanguageView"), "ui_languageView", parent) {
  title_ = themed(new QLabel(tr("Language"), this), QStringLiteral("lTitle"));
  cbLanguage_ = themed(new QComboBox(this), QStringLiteral("cbLanguage"));
  cbLanguage_->addItem(QStringLiteral("English "));
  cbLanguage_->addItem(QStringLiteral("Korean "));
  // Hebrew is listed too: a stored Hebrew would otherwise have no entry to
  // show, and choosing OK would store no language at all.
  cbLanguage_->addItem(QStringLiteral("Hebrew "));
  const int current = ViewerState::instance().language;
  cbLanguage_->setCurrentIndex(current >= 0 && current < Language::Count ? current : 0);
  bOk_ = themed(new QPushButton(tr("OK"), this), QStringLiteral("bOk"));
  bCancel_ = themed(new QPushButton(tr("Cancel"), this), QStringLiteral("bCancel"));
  bClose_ = themed(new QPushButton(this), QStringLiteral("bClose"));
  connect(bOk_, &QPushButton::clicked, this, &LanguageView::changeLanguage);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(bClose_, &QPushButton::clicked, this, &QDialog::reject);
}

void LanguageView::changeLanguage() {
  logDebug("LanguageView::changeLanguage");
  ViewerState &s = ViewerState::instance();
  const int chosen = cbLanguage_->currentIndex();
  if (chosen >= 0 && chosen != s.language) {
    s.language = chosen;
    Language::apply(chosen);
    emit onSendChangeLanguage();
  }
  accept();
  close();
}
