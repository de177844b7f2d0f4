// Runs the steps of an export one after another without holding the GUI:
// ffmpeg in a QProcess (its -progress lines give the percentage), plain
// copies on a worker thread, pictures and telemetry files at once. Every
// output is written under a temporary name in its folder and renamed when
// complete, so a failure or a cancel never leaves a partial file under the
// final name.
#ifndef VIEWER_EXPORT_EXPORTRUNNER_H
#define VIEWER_EXPORT_EXPORTRUNNER_H

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <memory>

#include "export/ExportPlan.h"

class QTemporaryFile;
class QThread;

class ExportRunner : public QObject {
  Q_OBJECT
 public:
  explicit ExportRunner(const QString &ffmpeg, QObject *parent = nullptr);
  ~ExportRunner() override;

  void start(const QVector<ExportStep> &steps);
  bool isRunning() const { return running_; }
  // The finished outputs, under their final names.
  QStringList written() const { return written_; }
  // The ffmpeg run under way (tests watch it), or null.
  QProcess *process() const { return process_; }
  QStringList lastArguments() const { return lastArguments_; }

 public slots:
  // Stops what runs now (ffmpeg is killed, a copy stops at its next block)
  // and removes its partial file; finished(false, ...) follows.
  void cancel();

 signals:
  void progress(int percent);
  // ok: every step wrote its output; otherwise message says what failed.
  void finished(bool ok, const QString &message);
  void stepStarted(int index);

 private:
  void runNext();
  void runPicture(const ExportStep &step);
  void runCopy(const ExportStep &step);
  void runFfmpeg(const ExportStep &step);
  void runTelemetry(const ExportStep &step);
  void stepDone(const QString &error);
  void stepProgress(double fraction);
  void readProgress();
  void onProcessFinished(int exitCode, QProcess::ExitStatus status);
  void onProcessError(QProcess::ProcessError error);
  void finish(bool ok, const QString &message);

  QString ffmpeg_;
  QVector<ExportStep> steps_;
  int index_ = -1;
  bool running_ = false;
  bool cancelled_ = false;
  QString temporary_;
  QStringList written_;
  QPointer<QProcess> process_;
  QStringList lastArguments_;
  QByteArray errorText_;
  std::unique_ptr<QTemporaryFile> graphFile_;
  QThread *copyThread_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stopCopy_;
};

#endif
