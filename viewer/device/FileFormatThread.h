// Formats a card for the camera while keeping its CONFIG folder: copies the
// folder aside, takes the card off the file system, runs mkfs.fat (FAT32,
// the model identifier as label, 64 sectors per cluster), mounts the card
// again and copies the folder back. Reports one result code when it ends:
//   0 done, -2 the copy aside (or its removal) failed, -3 the card could not
//   be taken off or put back, -4 the card folder is gone after a failed
//   mkfs, -5 the copy back failed, -6 the drive is not a removable card,
//   -7 mkfs failed (the CONFIG folder is back on the untouched card).
// Once the card was formatted, a failure keeps the copy aside (the program
// offers it for restore at its next start).
#ifndef VIEWER_DEVICE_FILEFORMATTHREAD_H
#define VIEWER_DEVICE_FILEFORMATTHREAD_H

#include <QString>
#include <QThread>

#include "device/DriveInfo.h"

class CardMount;

class FileFormatThread : public QThread {
  Q_OBJECT
 public:
  enum Result {
    Done = 0,
    TempCopyFailed = -2,
    RemountFailed = -3,
    CardFolderGone = -4,
    CopyBackFailed = -5,
    NotRemovable = -6,
    FormatFailed = -7,
  };

  // tempFolder: AppData/CONFIG. mount: not owned, must outlive the thread.
  FileFormatThread(const DriveInfo &drive, const QString &label, const QString &tempFolder,
                   CardMount *mount, QObject *parent = nullptr);

  // <AppDir>/library/mkdosfs/mkdosfs when present, else mkfs.fat.
  static QString formatterProgram(const QString &appDir);
  void setFormatterProgram(const QString &program) { program_ = program; }
  // The FAT label: at most 11 characters, as the file system keeps it.
  static QString volumeLabel(const QString &identifier);
  static QStringList formatterArguments(const QString &label, const QString &device);
  // Where the card is mounted after the format.
  QString newRoot() const { return newRoot_; }
  int result() const { return result_; }

  // Copies every file of a folder (recursively) and checks each copy byte
  // for byte; the log lines name what failed.
  static bool copyConfigFolder(const QString &from, const QString &to);

 signals:
  void finishedWith(int result);
  void step(const QString &text);

 protected:
  void run() override;

 private:
  int format();

  DriveInfo drive_;
  QString label_;
  QString tempFolder_;
  CardMount *mount_;
  QString program_;
  QString newRoot_;
  int result_ = 0;
};

#endif
