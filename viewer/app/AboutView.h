// Program, copyright and shortcut information, and the update check.
#ifndef VIEWER_APP_ABOUTVIEW_H
#define VIEWER_APP_ABOUTVIEW_H

#include "widgets/ThemedDialog.h"

class QLabel;
class QPushButton;
class QStackedWidget;

class AboutView : public ThemedDialog {
  Q_OBJECT
 public:
  explicit AboutView(QWidget *parent = nullptr);
  QStackedWidget *pages() const { return pages_; }

 public slots:
  void onChangeContext(int page);
  void openUpdateDlg();
  void onRecvMessage(const QString &message);

 private:
  QLabel *title_;
  QPushButton *bProgramInfo_;
  QPushButton *bCopyrightInfo_;
  QPushButton *bShortCutInfo_;
  QPushButton *bCheckUpdate_;
  QPushButton *bClose_;
  QStackedWidget *pages_;
};

#endif
