// The owner of libvlc: one instance and one media player per channel
// (0 main/front, 1 and 2 the rear cameras), drawing into native widgets.
// libvlc reports on its own threads; those callbacks only set the shared
// state below and emit queued signals, everything else runs on the GUI
// thread. Stopping a player blocks in libvlc 3.0, so stops run on a worker.
#ifndef VIEWER_PLAYBACK_VLCCOMPONENT_H
#define VIEWER_PLAYBACK_VLCCOMPONENT_H

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;

class VLCComponent : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxChannels = 3;

  enum State {
    Created = 1,
    MediaSet = 2,
    Running = 5,
    Paused = 6,
    StopRequested = 7,
    Stopping = 8,
    StreamRemoved = 9,
    Stopped = 10
  };
  // Why the last stop was asked for; decides what follows the stopped state.
  enum StopCause {
    CauseEnd = 0,          // the media ended by itself: next file
    CauseIdle = 1,         // stop and go idle
    CauseLogo = 2,         // stop showing the logo
    CausePlain = 3,        // plain stop
    CauseFileRemoved = 4,  // the file was removed
    CausePrevious = 5      // go to the previous file
  };

  explicit VLCComponent(QObject *parent = nullptr);
  ~VLCComponent() override;

  void SetVideoWindow(int id, QWidget *widget);
  void SetFile(const QString &path, int channelCount, double totalRangeMs);
  int Play();
  void Pause();
  void Resume();
  void Stop(int cause);
  void Seek(qint64 ms);
  void Forward(qint64 ms);
  void Rewind(qint64 ms);
  void NextFrame();
  void SetSpeed(float rate);
  void SetVolume(int volume);
  void SetMute(bool on);
  void SetResize(int id, const QSize &size);
  // Mirrors the picture of one channel left to right (and back).
  void SetFlip(int channel, bool mirrored);
  void ResetFlips();
  qint64 GetCurrentPos() const;
  qint64 GetTotalTime() const;
  double GetPosition() const;
  int GetImage(int id, const QString &path);

  // Polls the state every 100 ms on the calling (GUI) thread until the
  // players are stopped. When libvlc does not get there in time the players
  // are re-created, the failure is logged and false is returned.
  bool waitForStopped(int timeoutMs = 2000);

  int state() const;
  int stopCause() const;
  int channelCount() const;
  bool isSeparateFiles() const { return separateFiles_; }
  bool isStopped() const;  // nothing plays: created, media set or stopped
  bool isFlipped(int channel) const;
  // Channels just started or re-created are being lined up.
  bool isSettling() const;
  QString audioOutput() const { return QString::fromLatin1(audioOutput_); }
  QString channelPath(int channel) const;
  QWidget *videoWindow(int id) const;
  // The player of a channel, for read-only queries (tracks, audio, rate).
  libvlc_media_player_t *player(int channel) const;

  // Runs on the stop worker before the players are stopped. Lets a test
  // hold a stop back to see the time limit of waitForStopped at work.
  void setStopHook(std::function<void()> hook);

 signals:
  void send_GoNext();
  void send_GoBack();
  void send_setLogo(bool show);
  void send_setBlockEvent(bool block);
  void send_playNow();
  void send_ApplyWindowToWidget();
  void send_ShowWidget(bool show);

  // Channel 0's libvlc events, carried from libvlc's threads to ours.
  void playerEvent(int type, int value);
  // The stop worker is done with the stop of the given ticket.
  void stopWorkerDone(quint64 ticket);
  // A worker let go of the players it was given.
  void workerFinished();
  // A rear channel's player took up a video track.
  void videoTrackSelected(int channel, int track);

 public slots:
  void recv_ShowWidget(bool show);

 private slots:
  void onPlayerEvent(int type, int value);
  void onStopWorkerDone(quint64 ticket);
  void onSettlePoll();
  void onVideoTrackSelected(int channel, int track);
  void onWorkerFinished();

 public:
  struct Shared;  // state shared with libvlc's threads and the stop worker

 private:
  struct Source {
    QString path;
    QStringList options;
  };

  bool eventFilter(QObject *watched, QEvent *event) override;
  QWidget *newLayer(int id);
  void retireLayer(int id);
  uint32_t windowOf(int id) const;
  libvlc_instance_t *instanceFor(bool mirrored);
  libvlc_media_player_t *createPlayer(int channel, bool mirrored);
  libvlc_media_t *createMedia(int channel, const QStringList &extra) const;
  void attachEvents(libvlc_media_player_t *player);
  void detachEvents(libvlc_media_player_t *player);
  void applyWindows();
  void prepareAudio();
  void resetAudioDevice();
  bool selectVideoTrack(int channel);  // true when it asked for a change
  void switchRearTrack(int channel);
  void startSettling();
  void stopSettling();
  void syncToMain(qint64 toleranceMs);
  void startStopWorker();
  void completeStop();
  void resetPlayers(int waitedMs);
  void restartChannel(int channel);
  void setState(int state);
  int activeChannels() const;

  std::shared_ptr<Shared> shared_;
  libvlc_instance_t *instance_ = nullptr;
  libvlc_instance_t *mirrorInstance_ = nullptr;
  std::array<libvlc_media_player_t *, kMaxChannels> players_{};
  std::array<bool, kMaxChannels> playerMirrored_{};
  std::array<bool, kMaxChannels> flip_{};
  std::array<QPointer<QWidget>, kMaxChannels> surfaces_{};
  // Each surface carries a native child window that libvlc draws into. A
  // player that will not let go of its window (one being replaced, or stuck
  // in a stop) keeps the old one, hidden, until its worker is done with it;
  // libvlc refuses to share a window between two video outputs.
  std::array<QPointer<QWidget>, kMaxChannels> layers_{};
  QList<QPointer<QWidget>> retiredLayers_;
  std::array<Source, kMaxChannels> sources_{};
  QByteArray audioOutput_;
  bool separateFiles_ = false;
  bool voutSeen_ = false;
  float rate_ = 1.0f;
  double totalRangeMs_ = 0;
  quint64 pendingStop_ = 0;          // ticket of the stop the worker is running
  mutable qint64 lastMainTime_ = 0;  // channel 0's time while it is being re-created
  // Settling after a start or a flip: channels re-created for a flip, rear
  // channels of a one-file recording still on the first track, and those
  // asked to change track that have not done so yet.
  unsigned restarting_ = 0;
  unsigned tracksPending_ = 0;
  unsigned tracksSwitching_ = 0;
  std::array<int, kMaxChannels> wantedTrack_{};
  int settlePolls_ = 0;
  quint64 seekCount_ = 0;       // moves of all channels so far
  quint64 settleFromSeek_ = 0;  // seekCount_ when the settling began
  class QTimer *settlePoll_ = nullptr;
};

#endif
