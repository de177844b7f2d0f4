// The SD-card dialog: lists the camera cards among the removable drives
// (drive root, volume name, total, used and free space), reads the chosen
// card's config.bin and hands its recordings to the main window.
#ifndef VIEWER_DEVICE_SDCARDVIEW_H
#define VIEWER_DEVICE_SDCARDVIEW_H

#include <QStringList>

#include "widgets/ThemedDialog.h"

class DriveQuery;
class QLabel;
class QPushButton;
class QTableWidget;

class SDCardView : public ThemedDialog {
  Q_OBJECT
 public:
  enum Column { RootColumn = 0, NameColumn, TotalColumn, UsedColumn, FreeColumn, ColumnCount };

  // drives: not owned.
  explicit SDCardView(DriveQuery *drives, QWidget *parent = nullptr);

  QTableWidget *table() const { return table_; }
  // "12.3GB": bytes in gigabytes (1024^3) with one decimal.
  static QString gigabytes(qint64 bytes);
  // The recordings of a card, sorted by name.
  static QStringList recordingsOf(const QString &root);

 public slots:
  void loadMemory();
  void onClickOpen();
  void onItemClicked();

 signals:
  // A card was opened: its root and its recordings.
  void onSendSDCardData(const QString &root, const QStringList &files);

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  DriveQuery *drives_;
  QLabel *title_;
  QTableWidget *table_;
  QPushButton *bRefresh_;
  QPushButton *bOpen_;
  QPushButton *bCancel_;
  QPushButton *bClose_;
};

#endif
