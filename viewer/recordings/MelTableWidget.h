// The viewer's table look: whole-row single selection, no editing, no grid,
// no header sorting, the theme font, 24-pixel rows; and a switch that makes
// the table deaf to the mouse, the keyboard and drag and drop while the
// program is busy.
#ifndef VIEWER_RECORDINGS_MELTABLEWIDGET_H
#define VIEWER_RECORDINGS_MELTABLEWIDGET_H

#include <QTableWidget>

class MelTableWidget : public QTableWidget {
  Q_OBJECT
 public:
  explicit MelTableWidget(QWidget *parent = nullptr);

  bool eventsBlocked() const { return eventsBlocked_; }

 public slots:
  void onBlockEvent(bool blocked);

 protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;

 private:
  bool eventsBlocked_ = false;
};

#endif
