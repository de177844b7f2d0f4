// Reads the play time of recordings away from the GUI thread. Each run works
// on its own copy of the paths and carries a generation number; several runs
// may read at once (a folder and a file added while it is read). Nothing here
// ever waits for a worker: a file on a card that stopped answering may keep
// one reading for a long time, and stopping a run only tells its workers to
// leave its results unread. Results of a run that was stopped or replaced are
// never handed out.
#ifndef VIEWER_RECORDINGS_DURATIONLOADER_H
#define VIEWER_RECORDINGS_DURATIONLOADER_H

#include <QMap>
#include <QObject>
#include <QStringList>
#include <memory>

class DurationLoader : public QObject {
  Q_OBJECT
 public:
  explicit DurationLoader(QObject *parent = nullptr);
  ~DurationLoader() override;

  // Threads per run; at most one per path.
  int workerCount() const { return workerCount_; }
  void setWorkerCount(int count);

  // Stops every earlier run, then reads durationText() of every path.
  void start(quint64 generation, const QStringList &paths);
  // Reads beside the runs already going (a single file added to the list).
  void add(quint64 generation, const QStringList &paths);
  // Stops every run; their results are dropped. Returns at once.
  void stop();
  // True while a run has not reported.
  bool isRunning() const;

  // The results of the finished run of that generation, once: durations[i]
  // belongs to paths[i] and is empty where a file could not be read. False
  // when that run was stopped, is unknown, or is still reading.
  bool takeResults(quint64 generation, QStringList *paths, QStringList *durations);

  // Workers of all loaders still reading; at the end of the program it waits
  // for them up to `ms` so none is cut off in the middle of a file.
  static bool waitForWorkers(int ms);

 signals:
  // Emitted on this object's thread once every path of a run has been read
  // (never for a run stopped before); collect the times with takeResults().
  void durationsRead(quint64 generation);

 public:
  struct Run;
  struct Sink;

 private:
  void reportDone(quint64 generation);

  std::shared_ptr<Sink> sink_;
  QMap<quint64, std::shared_ptr<Run>> runs_;
  int workerCount_;
};

#endif
