// Chooses the language of the program's texts: English, Korean or Hebrew.
#ifndef VIEWER_APP_LANGUAGEVIEW_H
#define VIEWER_APP_LANGUAGEVIEW_H

#include "widgets/ThemedDialog.h"

class QComboBox;
class QLabel;
class QPushButton;

class LanguageView : public ThemedDialog {
  Q_OBJECT
 public:
  explicit LanguageView(QWidget *parent = nullptr);
  QComboBox *languageBox() const { return cbLanguage_; }

 public slots:
  void changeLanguage();

 signals:
  void onSendChangeLanguage();

 private:
  QLabel *title_;
  QComboBox *cbLanguage_;
  QPushButton *bOk_;
  QPushButton *bCancel_;
  QPushButton *bClose_;
};

#endif
