// The privacy agreement that gates the program on first start.
#ifndef VIEWER_APP_AGREEMENTVIEW_H
#define VIEWER_APP_AGREEMENTVIEW_H

#include "widgets/ThemedDialog.h"

class QCheckBox;
class QPushButton;
class QTextEdit;
class QLabel;

class AgreementView : public ThemedDialog {
  Q_OBJECT
 public:
  explicit AgreementView(QWidget *parent = nullptr);

  QCheckBox *alwaysDownloadBox() const { return cAlwaysDownload_; }
  QCheckBox *automaticSendBox() const { return cAutomaticSend_; }
  QPushButton *agreeButton() const { return bAgree_; }
  QPushButton *cancelButton() const { return bCancel_; }

  static QString privacyStatement();

 public slots:
  void onAgree();
  void onDisagree();
  // Escape (or the window being closed) refuses, as Cancel does.
  void reject() override;

 private:
  QLabel *title_;
  QTextEdit *teAgreementContext_;
  QCheckBox *cAlwaysDownload_;
  QCheckBox *cAutomaticSend_;
  QPushButton *bAgree_;
  QPushButton *bCancel_;
  QPushButton *bClose_;
  bool refusing_ = false;
};

#endif
