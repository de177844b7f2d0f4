#include "CardScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Cli.h"
#include "core/RecordingName.h"

namespace {

using Cli::tr;

constexpr qint64 kProgressEveryMs = 250;

bool looksLikeVideo(const QString &name) {
  return name.endsWith(QLatin1String(".mp4"), Qt::CaseInsensitive) ||
         name.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive);
}

class Collector {
 public:
  void addFile(const QFileInfo &file, bool named) {
    const QString name = file.fileName();
    if (!RecordingName::accepted(name) || !RecordingName::startTime(name).isValid()) {
      // In a folder only what looks like a recording but is not named as
      // one is worth a word; a file named on the command line always is.
      if (named || looksLikeVideo(name))
        scan.strays.append({file.filePath(), tr("not a camera recording's file name")});
      return;
    }
    const QString path = file.absoluteFilePath();
    if (seen_.contains(path)) return;
    seen_.insert(path);
    ++scan.fileCount;
    const QString groupKey =
        file.absolutePath() + QLatin1Char('/') + RecordingName::recordingKey(name);
    auto it = groups_.find(groupKey);
    if (it == groups_.end()) {
      ScannedRecording r;
      r.folder = file.absolutePath();
      r.key = RecordingName::recordingKey(name);
      scan.recordings.append(r);
      it = groups_.insert(groupKey, scan.recordings.size() - 1);
    }
    ScannedRecording &r = scan.recordings[*it];
    r.files.append(path);
    for (int c : RecordingName::channelsOf(name))
      if (!r.channels.contains(c)) r.channels.append(c);
  }

  void addPath(const QString &path) {
    const QFileInfo info(path);
    if (info.isDir()) {
      QDirIterator it(path, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
      while (it.hasNext()) {
        it.next();
        addFile(it.fileInfo(), false);
      }
    } else if (info.exists()) {
      addFile(info, true);
    } else {
      scan.strays.append({path, tr("no such file or folder")});
    }
  }

  CardScan scan;

 private:
  QHash<QString, int> groups_;
  QSet<QString> seen_;
};

// Reads one recording: the telemetry from its first channel file that holds
// it, every other file checked as far as its tracks.
void readRecording(ScannedRecording *r) {
  std::sort(r->channels.begin(), r->channels.end());
  std::sort(r->files.begin(), r->files.end(), [](const QString &a, const QString &b) {
    return RecordingName::channelOf(QFileInfo(a).fileName()) <
           RecordingName::channelOf(QFileInfo(b).fileName());
  });
  bool haveTelemetry = false;
  for (const QString &file : r->files) {
    QString problem;
    if (!haveTelemetry) {
      RecordingTelemetry t = RecordingTelemetry::read(file, r->telemetry.zone);
      problem = t.problem;
      // A file that opened holds what it holds; one that did not leaves
      // the telemetry to the next channel.
      if (t.durationMs > 0 || file == r->files.last()) {
        haveTelemetry = t.durationMs > 0;
        r->telemetry = t;
      }
    } else {
      problem = RecordingTelemetry::fileProblem(file);
    }
    if (!problem.isEmpty())
      r->problems << QFileInfo(file).fileName() + QStringLiteral(": ") + problem;
  }
}

}  // namespace

bool CardScan::anyProblem() const {
  if (!strays.isEmpty()) return true;
  return std::any_of(recordings.cbegin(), recordings.cend(),
                     [](const ScannedRecording &r) { return r.damaged(); });
}

QStringList CardScan::problemLines() const {
  QStringList lines;
  for (const ScannedRecording &r : recordings)
    for (const QString &p : r.problems) lines << QDir(r.folder).filePath(p);
  for (const StrayFile &s : strays) lines << s.path + QStringLiteral(": ") + s.reason;
  return lines;
}

int CardScan::reportProblems() const {
  for (const QString &line : problemLines()) Cli::err(QDir::toNativeSeparators(line));
  return anyProblem() ? Cli::SomeUnreadable : Cli::Done;
}

QVector<RecordingTelemetry> CardScan::telemetry() const {
  QVector<RecordingTelemetry> out;
  for (const ScannedRecording &r : recordings)
    if (r.telemetry.durationMs > 0) out.append(r.telemetry);
  return out;
}

CardScan CardScan::run(const QStringList &paths, bool quiet) {
  QElapsedTimer clock;
  clock.start();
  Collector collector;
  for (const QString &path : paths) collector.addPath(path);
  CardScan scan = collector.scan;

  // Zones first, on this thread: each card's config.bin is read once.
  CardZones zones;
  for (ScannedRecording &r : scan.recordings)
    r.telemetry.zone = zones.forRecording(r.files.first());

  const int total = scan.recordings.size();
  std::atomic<int> next{0}, done{0};
  std::mutex lock;
  std::condition_variable finished;
  auto work = [&] {
    for (int i = next++; i < total; i = next++) {
      readRecording(&scan.recordings[i]);
      if (++done == total) {
        std::lock_guard<std::mutex> hold(lock);
        finished.notify_all();
      }
    }
  };
  const int threads = std::max(1, std::min(QThread::idealThreadCount(), total));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.emplace_back(work);
  {
    std::unique_lock<std::mutex> hold(lock);
    while (done < total) {
      finished.wait_for(hold, std::chrono::milliseconds(kProgressEveryMs));
      if (!quiet && done < total && clock.elapsed() >= kProgressEveryMs)
        Cli::err(tr("reading recordings: %1 of %2").arg(done.load()).arg(total));
    }
  }
  for (std::thread &w : workers) w.join();

  std::stable_sort(scan.recordings.begin(), scan.recordings.end(),
                   [](const ScannedRecording &a, const ScannedRecording &b) {
                     if (a.telemetry.startUtcMs != b.telemetry.startUtcMs)
                       return a.telemetry.startUtcMs < b.telemetry.startUtcMs;
                     return a.key < b.key;
                   });
  if (!quiet && total > 0)
    Cli::err(tr("read %1 recordings (%2 files) in %3 s")
                 .arg(total)
                 .arg(scan.fileCount)
                 .arg(clock.elapsed() / 1000.0, 0, 'f', 2));
  return scan;
}
