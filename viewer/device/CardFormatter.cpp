#include "device/CardFormatter.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>

#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "device/DriveQuery.h"
#include "device/FileFormatThread.h"
#include "widgets/MessageBoxes.h"

namespace {

struct ResultText {
  int code;
  const char *text;
};
const ResultText kResultTexts[] = {
    {-1, QT_TRANSLATE_NOOP("CardFormatter", "Can not move temp Config folder!")},
    {-2, QT_TRANSLATE_NOOP("CardFormatter", "Can not copy item to temp config folder!")},
    {-3, QT_TRANSLATE_NOOP("CardFormatter", "Can not back root! Check sdcard connection!")},
    {-4, QT_TRANSLATE_NOOP("CardFormatter", "Can not move sd Config folder!")},
    {-6, QT_TRANSLATE_NOOP("CardFormatter", "Only a removable SD card can be formatted!")},
    {-7, QT_TRANSLATE_NOOP("CardFormatter", "The card could not be formatted!")},
};

QString gigabytes(qint64 bytes) {
  return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0), 'f', 1) +
         QStringLiteral("GB");
}

}  // namespace

CardFormatter::CardFormatter(DriveQuery *drives, CardMount *mount, QWidget *dialogParent,
                             QObject *parent)
    : QObject(parent), drives_(drives), mount_(mount), dialogParent_(dialogParent) {}

QString CardFormatter::tempFolder() {
  return ViewerState::instance().appData + QStringLiteral("/CONFIG");
}

QString CardFormatter::resultText(int result) {
  for (const ResultText &r : kResultTexts)
    if (r.code == result) return tr(r.text);
  return tr("Can not copy item to sd config folder");
}

int CardFormatter::FileFormat(const QString &cardFolder, const QString &label) {
  logDebug("CardFormatter::FileFormat");
  newRoot_ = cardFolder;
  const DriveInfo drive = drives_->driveFor(cardFolder);
  if (!drive.removable) {
    logError("[Format] %s is not a removable card; not formatted", qUtf8Printable(cardFolder));
    MessageBoxes::inform(dialogParent_, tr("Only a removable SD card can be formatted!"));
    return FileFormatThread::NotRemovable;
  }
  const QString question =
      tr("Every file on %1 (%2, %3, mounted at %4) will be erased. The "
         "camera's CONFIG folder is kept.")
          .arg(drive.device, drive.label, gigabytes(drive.bytesTotal), drive.root);
  if (!MessageBoxes::ask(dialogParent_, tr("Format SD Card"), question)) return 1;

  FileFormatThread thread(drive, label, tempFolder(), mount_);
  thread.setFormatterProgram(
      program_.isEmpty() ? FileFormatThread::formatterProgram(ViewerState::instance().appDir)
                         : program_);
  QProgressDialog progress(tr("Formatting the SD card..."), QString(), 0, 0, dialogParent_);
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(0);
  progress.setCancelButton(nullptr);
  QEventLoop loop;
  connect(&thread, &FileFormatThread::step, &progress, &QProgressDialog::setLabelText);
  connect(&thread, &FileFormatThread::finishedWith, this, &CardFormatter::onFinishThread);
  connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
  progress.show();
  thread.start();
  loop.exec();
  thread.wait();
  progress.close();
  if (!thread.newRoot().isEmpty()) newRoot_ = thread.newRoot();
  if (result_ < 0) MessageBoxes::inform(dialogParent_, tr("Fail to format SDCard!"));
  return result_;
}

void CardFormatter::onFinishThread(int result) {
  qDebug("onFinishedThread recv");
  result_ = result;
  if (result < 0) logError("Error! %d %s", result, qUtf8Printable(resultText(result)));
}

bool CardFormatter::hasPendingRestore() {
  return QFileInfo(tempFolder() + QStringLiteral("/config.bin")).isFile();
}

bool CardFormatter::restorePending(const QString &cardFolder) {
  logDebug("CardFormatter::restorePending");
  if (!FileFormatThread::copyConfigFolder(tempFolder(), cardFolder + QStringLiteral("/CONFIG")))
    return false;
  return QDir(tempFolder()).removeRecursively();
}
