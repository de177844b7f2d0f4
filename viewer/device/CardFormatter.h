// The format flow around FileFormatThread: refuses anything but a removable
// card, asks for confirmation naming the device and its size, shows a
// progress dialog while the thread works, reports the result, and offers a
// CONFIG copy left behind by a format that did not finish.
#ifndef VIEWER_DEVICE_CARDFORMATTER_H
#define VIEWER_DEVICE_CARDFORMATTER_H

#include <QObject>
#include <QString>

class CardMount;
class DriveQuery;
class QWidget;

class CardFormatter : public QObject {
  Q_OBJECT
 public:
  // drives, mount: not owned. mkfsProgram: empty for the program's own.
  CardFormatter(DriveQuery *drives, CardMount *mount, QWidget *dialogParent,
                QObject *parent = nullptr);

  void setFormatterProgram(const QString &program) { program_ = program; }
  // AppData/CONFIG, where the card's CONFIG waits while the card is formatted.
  static QString tempFolder();
  // The text of a result code, as the log and the message box show it.
  static QString resultText(int result);

  // Formats the card mounted at cardFolder, labelled with the model
  // identifier. Returns the result code (0 done, 1 declined, negative
  // failures); newRoot() then tells where the card is mounted.
  int FileFormat(const QString &cardFolder, const QString &label);
  QString newRoot() const { return newRoot_; }

  // A CONFIG copy of a format that did not finish.
  static bool hasPendingRestore();
  // Copies it onto the card folder and removes it when that worked.
  static bool restorePending(const QString &cardFolder);

 public slots:
  void onFinishThread(int result);

 private:
  DriveQuery *drives_;
  CardMount *mount_;
  QWidget *dialogParent_;
  QString program_;
  QString newRoot_;
  int result_ = 0;
};

#endif
