#include "recordings/DurationLoader.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

#include "core/StatusLog.h"
#include "core/KRNData.h"

// One load's reading. The paths are the loader's own copy; each slot of
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
  bool taken = false;  // GUI thread only
  QElapsedTimer timer;
};

DurationLoader::DurationLoader(QObject *parent)
    : QObject(parent), workerCount_(qBound(1, QThread::idealThreadCount(), 4)) {}

DurationLoader::~DurationLoader() {
  stop();
}

void DurationLoader::setWorkerCount(int count) {
  workerCount_ = qMax(1, count);
}

void DurationLoader::start(quint64 generation, const QStringList &paths) {
  stop();
  auto run = std::make_shared<Run>();
  run->generation = generation;
  run->paths = paths;
  run->durations.resize(static_cast<size_t>(paths.size()));
  const int workers = qMax(1, qMin(workerCount_, paths.size()));
  run->workersLeft = workers;
  run->timer.start();
  run_ = run;
  for (int i = 0; i < workers; ++i) threads_.emplace_back(&DurationLoader::work, this, run);
}

void DurationLoader::stop() {
  if (run_) run_->stopped = true;
  for (std::thread &t : threads_) t.join();
  threads_.clear();
  run_.reset();
}

bool DurationLoader::isRunning() const {
  return run_ && !run_->done.load();
}

bool DurationLoader::takeResults(quint64 generation, QStringList *paths, QStringList *durations) {
  if (!run_ || run_->generation != generation || !run_->done.load() || run_->stopped.load() ||
      run_->taken)
    return false;
  run_->taken = true;
  *paths = run_->paths;
  durations->clear();
  durations->reserve(run_->paths.size());
  for (QString &d : run_->durations) durations->append(std::move(d));
  return true;
}

void DurationLoader::work(DurationLoader *self, const std::shared_ptr<Run> &run) {
  const int count = run->paths.size();
  for (int i = run->next++; i < count && !run->stopped; i = run->next++)
    run->durations[static_cast<size_t>(i)] = durationText(run->paths.at(i));
  if (--run->workersLeft != 0) return;  // the last worker out reports
  const bool complete = !run->stopped;
  if (complete)
    logInfo("getFileTime elapsed time: %lldms", static_cast<long long>(run->timer.elapsed()));
  run->done = true;
  if (complete) emit self->durationsRead(run->generation);
}
