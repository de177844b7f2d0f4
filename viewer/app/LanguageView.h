// Chooses the language of the program's texts.
#ifndef VIEWER_APP_LANGUAGEVIEW_H
#define VIEWER_APP_LANGUAGEVIEW_H

#include "widgets/ThemedDialog.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTranslator;

class LanguageView : public ThemedDialog {
  Q_OBJECT
 public:
  LanguageView(QTranslator *translator, QWidget *parent = nullptr);
  QComboBox *languageBox() const { return cbLanguage_; }

 public slots:
  void changeLanguage();

 signals:
  void onSendChangeLanguage();

 private:
  QTranslator *translator_;
  QLabel *title_;
  QComboBox *cbLanguage_;
  QPushButton *bOk_;
  QPushButton *bCancel_;
  QPushButton *bClose_;
};

#endif
