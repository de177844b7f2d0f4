// The main window's title bar: logo, the playing file's name, and the
// always-on-top, minimise, maximise and close buttons. The name follows the
// current recording of the process-wide state. Dragging it moves
// the window; a double click maximises or restores.
#ifndef VIEWER_APP_TOPBAR_H
#define VIEWER_APP_TOPBAR_H

#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;
class JsonToStyle;

class TopBar : public QWidget {
  Q_OBJECT
 public:
  explicit TopBar(QWidget *parent = nullptr);

 public slots:
  void setFileName(const QString &name);
  void unsetFileName();
  void onChangeAlwaysTopUi(int mode);
  void onChangeMaximizedUi(bool maximized);

 signals:
  void minimizeRequested();
  void maximizeRequested();
  void closeRequested();
  void alwaysOnTopRequested();

 protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void retranslate();
  // The title names the recording being played (ViewerState's current one).
  void followCurrentRecording();
  void setButtonImage(QPushButton *button, const QString &image);
  QString imageFolder_;
  QLabel *logo_;
  QLabel *title_;
  QPushButton *bUpper_;
  QPushButton *bMinimize_;
  QPushButton *bMaximize_;
  QPushButton *bClose_;
  bool dragging_ = false;
  QPoint dragOffset_;
};

#endif
