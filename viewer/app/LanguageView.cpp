#include "app/LanguageView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>

#include "core/AppSettings.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"

LanguageView::LanguageView(QTranslator *translator, QWidget *parent)
    : ThemedDialog(QStringLiteral("LanguageView"), "ui_languageView", parent),
      translator_(translator) {
  title_ = themed(new QLabel(tr("Language"), this), QStringLiteral("lTitle"));
  cbLanguage_ = themed(new QComboBox(this), QStringLiteral("cbLanguage"));
  cbLanguage_->addItem(QStringLiteral("English "));
  cbLanguage_->addItem(QStringLiteral("Korean "));
  cbLanguage_->setCurrentIndex(ViewerState::instance().language);
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
  if (chosen != s.language) {
    s.language = chosen;
    if (translator_) {
      QApplication::removeTranslator(translator_);
      AppSettings::loadTranslation(*translator_, chosen);
      QApplication::installTranslator(translator_);
    }
    emit onSendChangeLanguage();
  }
  accept();
  close();
}
