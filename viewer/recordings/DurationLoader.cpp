#include "recordings/DurationLoader.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/KRNData.h"
#include "core/StatusLog.h"

namespace {

std::atomic<int> gLiveWorkers{0};

}  // namespace

// One run's reading. The paths are the run's own copy; each slot of
// durations is written by the one worker that took its index, and read on
// the GUI thread only after `done` says every worker has finished.
struct DurationLoader::Run {
  quint64 generation = 0;
  QStringList paths;
  std::vector<QString> durations;
  std::atomic<int> next{0};
  std::atomic<int> workersLeft{0};
  std::atomic<bool> stopped{false};
  std::atomic<bool> done{false};
  QElapsedTimer timer;
};

// Where workers report; the loader may be gone by the time they finish.
struct DurationLoader::Sink {
  std::mutex lock;
  DurationLoader *owner = nullptr;
};

DurationLoader::DurationLoader(QObject *parent)
    : QObject(parent),
      sink_(std::make_shared<Sink>()),
      workerCount_(qBound(1, QThread::idealThreadCount(), 4)) {
  sink_->owner = this;
}

DurationLoader::~DurationLoader() {
  stop();
  std::lock_guard<std::mutex> guard(sink_->lock);
  sink_->owner = nullptr;
}

void DurationLoader::setWorkerCount(int count) {
  workerCount_ = qMax(1, count);
}

void DurationLoader::start(quint64 generation, const QStringList &paths) {
  stop();
  add(generation, paths);
}

void DurationLoader::add(quint64 generation, const QStringList &paths) {
  auto run = std::make_shared<Run>();
  run->generation = generation;
  run->paths = paths;
  run->durations.resize(static_cast<size_t>(paths.size()));
  const int workers = qMax(1, qMin(workerCount_, paths.size()));
  run->workersLeft = workers;
  run->timer.start();
  runs_.insert(generation, run);
  std::shared_ptr<Sink> sink = sink_;
  for (int w = 0; w < workers; ++w) {
    gLiveWorkers.fetch_add(1);
    std::thread([run, sink] {
      const int count = run->paths.size();
      for (int i = run->next++; i < count && !run->stopped; i = run->next++)
        run->durations[static_cast<size_t>(i)] = durationText(run->paths.at(i));
      if (--run->workersLeft == 0) {  // the last worker out reports
        const bool complete = !run->stopped;
        if (complete)
          logInfo("getFileTime elapsed time: %lldms", static_cast<long long>(run->timer.elapsed()));
        run->done = true;
        std::lock_guard<std::mutex> guard(sink->lock);
        if (complete && sink->owner) {
          DurationLoader *owner = sink->owner;
          const quint64 generation = run->generation;
          // Reported on the loader's thread, where a stop may have come first.
          QMetaObject::invokeMethod(
              owner, [owner, generation] { owner->reportDone(generation); }, Qt::QueuedConnection);
        }
      }
      gLiveWorkers.fetch_sub(1);
    }).detach();
  }
}

void DurationLoader::stop() {
  for (const std::shared_ptr<Run> &run : runs_) run->stopped = true;
  runs_.clear();
}

bool DurationLoader::isRunning() const {
  for (const std::shared_ptr<Run> &run : runs_)
    if (!run->done.load()) return true;
  return false;
}

bool DurationLoader::takeResults(quint64 generation, QStringList *paths, QStringList *durations) {
  const auto found = runs_.find(generation);
  if (found == runs_.end() || !found.value()->done.load() || found.value()->stopped.load())
    return false;
  std::shared_ptr<Run> run = found.value();
  runs_.erase(found);
  *paths = run->paths;
  durations->clear();
  durations->reserve(run->paths.size());
  for (QString &d : run->durations) durations->append(std::move(d));
  return true;
}

void DurationLoader::reportDone(quint64 generation) {
  const auto found = runs_.constFind(generation);
  if (found == runs_.constEnd() || found.value()->stopped.load()) return;
  emit durationsRead(generation);
}

bool DurationLoader::waitForWorkers(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (gLiveWorkers.load() > 0) {
    if (clock.elapsed() >= ms) return false;
    QThread::msleep(5);
  }
  return true;
}
