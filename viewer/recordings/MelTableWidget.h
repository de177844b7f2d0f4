// The viewer's table look: whole-row single selection, no editing, no grid,
// no header sorting, the theme font, 24-pixel rows; and a switch that makes
// the table deaf to the mouse, the keyboard and drag and drop while the
// program is busy (the table is disabled, without looking disabled).
#ifndef VIEWER_RECORDINGS_MELTABLEWIDGET_H
#define VIEWER_RECORDINGS_MELTABLEWIDGET_H

#include <QTableWidget>

class MelTableWidget : public QTableWidget {
  Q_OBJECT
 public:
  explicit MelTableWidget(QWidget *parent = nullptr);

  bool eventsBlocked() const { return !isEnabled(); }

 public slots:
  // While blocked the table takes no input at all (mouse, keys, drops).
  void onBlockEvent(bool blocked);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void keepLookWhenDisabled();
  bool samePalette_ = false;
};

#endif
