#include "export/ExportRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryFile>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "core/StatusLog.h"
#include "export/ExportCommand.h"
#include "export/TelemetryFiles.h"

namespace {

constexpr qint64 kCopyBlock = 1 << 20;

// Replaces the final name in one step (an existing file the user agreed to
// replace included).
bool moveIntoPlace(const QString &temporary, const QString &output, QString *error) {
  if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(output).constData()) ==
      0)
    return true;
  *error = QObject::tr("Could not write %1: %2")
               .arg(QDir::toNativeSeparators(output), QString::fromLocal8Bit(std::strerror(errno)));
  QFile::remove(temporary);
  return false;
}

// Why a write failed: the system's reason (a full disk says so), which
// QFile's own text loses for a short write.
QString writeError(const QFile &file, int savedErrno) {
  if (savedErrno != 0) return QString::fromLocal8Bit(std::strerror(savedErrno));
  return file.errorString();
}

// The copy itself, on a worker thread: false with a reason, or when stopped.
// Messages name the final file (`shownAs`), not the temporary one.
QString copyFile(const QString &from, const QString &to, const QString &shownAs,
                 const std::atomic<bool> &stop, const std::function<void(double)> &progress) {
  QFile in(from), out(to);
  const QString target = QDir::toNativeSeparators(shownAs);
  if (!in.open(QIODevice::ReadOnly))
    return QObject::tr("Cannot read %1: %2").arg(QDir::toNativeSeparators(from), in.errorString());
  errno = 0;
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
    return QObject::tr("Could not write %1: %2").arg(target, writeError(out, errno));
  const qint64 total = std::max<qint64>(1, in.size());
  qint64 done = 0;
  QByteArray block;
  while (!in.atEnd()) {
    if (stop) return QObject::tr("Cancelled");
    block = in.read(kCopyBlock);
    if (block.isEmpty() && in.error() != QFile::NoError)
      return QObject::tr("Cannot read %1: %2").arg(QDir::toNativeSeparators(from), in.errorString());
    // Unbuffered: each write reaches the system, and errno tells why it fell short.
    errno = 0;
    if (out.write(block) != block.size())
      return QObject::tr("Could not write %1: %2").arg(target, writeError(out, errno));
    done += block.size();
    progress(static_cast<double>(done) / total);
  }
  errno = 0;
  if (!out.flush() || out.error() != QFile::NoError)
    return QObject::tr("Could not write %1: %2").arg(target, writeError(out, errno));
  return QString();
}

}  // namespace

ExportRunner::ExportRunner(const QString &ffmpeg, QObject *parent)
    : QObject(parent), ffmpeg_(ffmpeg) {}

ExportRunner::~ExportRunner() {
  if (process_) {
    process_->disconnect(this);
    process_->kill();
    process_->waitForFinished(1000);
  }
  if (copyThread_) {
    *stopCopy_ = true;
    copyThread_->wait();
  }
  if (!temporary_.isEmpty()) QFile::remove(temporary_);
}

void ExportRunner::start(const QVector<ExportStep> &steps) {
  logDebug("ExportRunner::start");
  steps_ = steps;
  index_ = -1;
  running_ = true;
  cancelled_ = false;
  written_.clear();
  emit progress(0);
  runNext();
}

void ExportRunner::runNext() {
  ++index_;
  if (cancelled_) return finish(false, tr("Cancelled"));
  if (index_ >= steps_.size()) return finish(true, QString());
  const ExportStep &step = steps_[index_];
  emit stepStarted(index_);
  stepProgress(0);
  QDir().mkpath(QFileInfo(step.output).absolutePath());
  temporary_ = ExportCommand::temporaryName(step.output);
  QFile::remove(temporary_);
  switch (step.kind) {
    case ExportStep::Picture:
      return runPicture(step);
    case ExportStep::Copy:
      return runCopy(step);
    case ExportStep::Ffmpeg:
      return runFfmpeg(step);
    case ExportStep::Telemetry:
      return runTelemetry(step);
  }
}

void ExportRunner::stepProgress(double fraction) {
  if (steps_.isEmpty()) return;
  const double f = std::min(1.0, std::max(0.0, fraction));
  emit progress(static_cast<int>(100.0 * (index_ + f) / steps_.size()));
}

// Every step ends here: the temporary file becomes the output, or goes.
void ExportRunner::stepDone(const QString &error) {
  const ExportStep &step = steps_[index_];
  QString failure = error;
  if (failure.isEmpty() && cancelled_) failure = tr("Cancelled");
  if (failure.isEmpty() && !QFileInfo(temporary_).isFile())
    failure = tr("Nothing was written to %1").arg(QDir::toNativeSeparators(step.output));
  if (!failure.isEmpty()) {
    QFile::remove(temporary_);
    temporary_.clear();
    return finish(false, failure);
  }
  QString moveError;
  const bool moved = moveIntoPlace(temporary_, step.output, &moveError);
  temporary_.clear();
  if (!moved) return finish(false, moveError);
  written_ << step.output;
  logInfo("[ExportRunner]: wrote %s", qPrintable(step.output));
  stepProgress(1);
  runNext();
}

void ExportRunner::runPicture(const ExportStep &step) {
  const QImage picture(step.source);
  if (step.source.isEmpty() || picture.isNull())
    return stepDone(tr("No picture of this channel was taken for %1")
                        .arg(QFileInfo(step.output).fileName()));
  if (!picture.save(temporary_, "JPG", 95))
    return stepDone(tr("Could not write %1").arg(QDir::toNativeSeparators(step.output)));
  stepDone(QString());
}

void ExportRunner::runCopy(const ExportStep &step) {
  if (!QFileInfo(step.source).isReadable())
    return stepDone(tr("Cannot read %1").arg(QDir::toNativeSeparators(step.source)));
  stopCopy_ = std::make_shared<std::atomic<bool>>(false);
  auto stop = stopCopy_;
  auto result = std::make_shared<QString>();
  const QString from = step.source, to = temporary_, shownAs = step.output;
  QPointer<ExportRunner> self(this);
  copyThread_ = QThread::create([=] {
    *result = copyFile(from, to, shownAs, *stop, [self](double f) {
      QMetaObject::invokeMethod(
          self.data(), [self, f] { if (self) self->stepProgress(f); }, Qt::QueuedConnection);
    });
  });
  connect(copyThread_, &QThread::finished, this, [this, result] {
    copyThread_->deleteLater();
    copyThread_ = nullptr;
    stepDone(*result);
  });
  copyThread_->start();
}

void ExportRunner::runFfmpeg(const ExportStep &step) {
  QStringList args = step.arguments;
  if (args.isEmpty()) return stepDone(tr("Nothing to run"));
  args.last() = temporary_;
  if (!step.filterGraph.isEmpty()) {
    graphFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/export-graph-XXXXXX.txt");
    if (!graphFile_->open() || graphFile_->write(step.filterGraph.toUtf8()) < 0 ||
        !graphFile_->flush())
      return stepDone(tr("Could not write the filter graph: %1").arg(graphFile_->errorString()));
    args.replaceInStrings(QLatin1String(ExportPlan::kFilterScriptToken), graphFile_->fileName());
  }
  if (!step.source.isEmpty() && !QFileInfo(step.source).isReadable())
    return stepDone(tr("Cannot read %1").arg(QDir::toNativeSeparators(step.source)));
  lastArguments_ = ExportCommand::progressOptions() + args;
  errorText_.clear();
  process_ = new QProcess(this);
  process_->setProcessChannelMode(QProcess::SeparateChannels);
  connect(process_, &QProcess::readyReadStandardOutput, this, &ExportRunner::readProgress);
  connect(process_, &QProcess::readyReadStandardError, this,
          [this] { errorText_ = (errorText_ + process_->readAllStandardError()).right(4096); });
  connect(process_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
          &ExportRunner::onProcessFinished);
  connect(process_, &QProcess::errorOccurred, this, &ExportRunner::onProcessError);
  logInfo("[ExportRunner]: %s %s", qPrintable(ffmpeg_), qPrintable(lastArguments_.join(' ')));
  process_->start(ffmpeg_, lastArguments_);
}

void ExportRunner::readProgress() {
  if (!process_) return;
  const double total = steps_[index_].seconds;
  while (process_->canReadLine()) {
    const double done = ExportCommand::progressSeconds(process_->readLine());
    if (done >= 0 && total > 0) stepProgress(done / total);
  }
}

void ExportRunner::onProcessError(QProcess::ProcessError error) {
  if (error != QProcess::FailedToStart || !process_) return;
  const QString reason = tr("ffmpeg could not be started (%1): %2")
                             .arg(QDir::toNativeSeparators(ffmpeg_), process_->errorString());
  process_->deleteLater();
  process_ = nullptr;
  stepDone(reason);
}

void ExportRunner::onProcessFinished(int exitCode, QProcess::ExitStatus status) {
  if (!process_) return;
  readProgress();
  errorText_ += process_->readAllStandardError();
  process_->deleteLater();
  process_ = nullptr;
  graphFile_.reset();
  if (cancelled_) return stepDone(tr("Cancelled"));
  if (status != QProcess::NormalExit || exitCode != 0) {
    // ffmpeg's last words say what went wrong (disk full, unreadable input).
    const QList<QByteArray> lines = errorText_.trimmed().split('\n');
    QString last = lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.last()).trimmed();
    // The user knows the file by its final name.
    if (!temporary_.isEmpty()) last.replace(temporary_, steps_[index_].output);
    logError("[ExportRunner]: ffmpeg failed (%d): %s", exitCode, errorText_.constData());
    return stepDone(status != QProcess::NormalExit
                        ? tr("ffmpeg stopped unexpectedly")
                        : tr("ffmpeg failed (exit code %1): %2").arg(exitCode).arg(last));
  }
  stepDone(QString());
}

void ExportRunner::runTelemetry(const ExportStep &step) {
  QString error;
  if (!TelemetryFiles::write(step.source, step.telemetryFormat, step.fromSec, step.toSec,
                             temporary_, &error))
    return stepDone(error.isEmpty() ? tr("No telemetry was written") : error);
  stepDone(QString());
}

void ExportRunner::cancel() {
  if (!running_ || cancelled_) return;
  logInfo("[ExportRunner]: cancelled");
  cancelled_ = true;
  // ffmpeg is stopped at once: what it wrote so far is thrown away anyway.
  if (process_) process_->kill();
  if (stopCopy_) *stopCopy_ = true;
}

void ExportRunner::finish(bool ok, const QString &message) {
  running_ = false;
  if (!temporary_.isEmpty()) QFile::remove(temporary_);
  temporary_.clear();
  if (!ok) logError("[ExportRunner]: %s", qPrintable(message));
  emit finished(ok, message);
}
