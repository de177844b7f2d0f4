// The small modal notice shown while the launcher downloads a new version.
#ifndef VIEWER_LAUNCHER_WAITALERTVIEW_H
#define VIEWER_LAUNCHER_WAITALERTVIEW_H

#include "widgets/ThemedDialog.h"

class QLabel;
class QProgressBar;

class WaitAlertView : public ThemedDialog {
  Q_OBJECT
 public:
  explicit WaitAlertView(QWidget *parent = nullptr);

 protected:
  // Only the download's end closes the notice, not the Escape key.
  void reject() override {}

 private:
  QLabel *title_;
  QLabel *lContext_;
  QProgressBar *pbWait_;
};

#endif
