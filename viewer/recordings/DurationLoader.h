// Reads the play time of every recording of a multi-file load away from the
// GUI thread. Each run works on its own copy of the paths and carries the
// load's generation number; the list drops results of a generation it has
// since replaced. Starting a run stops the one before it, and destroying the
// loader stops and joins its threads, so no worker outlives the list.
#ifndef VIEWER_RECORDINGS_DURATIONLOADER_H
#define VIEWER_RECORDINGS_DURATIONLOADER_H

#include <QObject>
#include <QStringList>
#include <memory>
#include <thread>
#include <vector>

class DurationLoader : public QObject {
  Q_OBJECT
 public:
  explicit DurationLoader(QObject *parent = nullptr);
  ~DurationLoader() override;

  // Threads per run; at most one per path.
  int workerCount() const { return workerCount_; }
  void setWorkerCount(int count);

  // Stops any earlier run, then reads durationText() of every path.
  void start(quint64 generation, const QStringList &paths);
  // Stops the running read (each worker finishes the file in hand) and
  // waits for its threads. A stopped run reports nothing.
  void stop();
  // True until the run has reported or been stopped.
  bool isRunning() const;

  // The results of the finished run of that generation, once: durations[i]
  // belongs to paths[i] and is empty where a file could not be read. False
  // when that run is not the latest, was stopped, or is still reading.
  bool takeResults(quint64 generation, QStringList *paths, QStringList *durations);

 signals:
  // Emitted from a worker thread once every path has been read; connect it
  // queued and collect the times with takeResults().
  void durationsRead(quint64 generation);

 private:
  struct Run;
  static void work(DurationLoader *self, const std::shared_ptr<Run> &run);

  std::shared_ptr<Run> run_;
  std::vector<std::thread> threads_;
  int workerCount_;
};

#endif
