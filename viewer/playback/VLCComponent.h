// The owner of libvlc: one instance and one media player per channel
// (0 main/front, 1 and 2 the rear cameras), drawing into VideoSurfaces.
// libvlc reports on its own threads; those callbacks only update the engine
// state and post events, which are turned into signals here on the GUI
// thread. Stopping a player blocks in libvlc 3.0, so stops run on a worker
// and nothing on the GUI thread ever waits for one. Nothing outside this
// class calls libvlc: the channel operations at the end serve ChannelSync.
#ifndef VIEWER_PLAYBACK_VLCCOMPONENT_H
#define VIEWER_PLAYBACK_VLCCOMPONENT_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "playback/EngineState.h"

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
class ChannelSync;
class QTimer;
class VideoSurface;

class VLCComponent : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxChannels = 3;
  // A stop libvlc has not finished by then is given up on (players made anew).
  static constexpr int kStopLimitMs = 5000;
  // A start that has shown no picture by then has failed.
  static constexpr int kStartLimitMs = 10000;

  enum State {
    Created = EngineState::Created,
    MediaSet = EngineState::MediaSet,
    Running = EngineState::Running,
    Paused = EngineState::Paused,
    StopRequested = EngineState::StopRequested,
    Stopping = EngineState::Stopping,
    StreamRemoved = EngineState::StreamRemoved,
    Stopped = EngineState::Stopped
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

  // False when libvlc could not be started: nothing can play.
  bool isUsable() const { return players_[0] != nullptr; }

  void SetVideoWindow(int id, VideoSurface *surface);
  void SetFile(const QString &path, int channelCount, double totalRangeMs);
  int Play();
  void Pause();
  void Resume();
  void Stop(int cause);
  void Seek(qint64 ms);
  void Forward(qint64 ms);
  void Rewind(qint64 ms);
  void NextFrame();
  void PreviousFrame();
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
  // Frames per second of channel 0's video (0 when unknown).
  double GetFps() const;
  int GetImage(int id, const QString &path);
  // The same for several channels, on a worker: libvlc waits for a picture
  // and encodes it, longer than a click may hold the window. imagesTaken()
  // follows with the paths written (empty where a snapshot failed).
  void GetImagesAsync(const QList<int> &channels, const QStringList &paths);

  // A stop that would end in a move to the next or previous file stops
  // plainly instead (the user chose a recording meanwhile).
  void cancelMoveOn();
  // Stops everything for good (the program closes); finished() follows once
  // no worker holds a player.
  void shutDown();
  bool hasWorkers() const;
  // Workers of every component still stopping or releasing players; at the
  // end of the program it waits for them up to `ms` (libvlc must not be
  // torn down under them). False when some are still at work.
  static bool waitForAllWorkers(int ms);

  int state() const;
  int stopCause() const { return cause_; }
  int channelCount() const;
  bool isSeparateFiles() const { return separateFiles_; }
  bool isStopped() const;  // nothing plays and nothing is on its way
  bool isStopping() const;
  // Playback was asked to start and shows no picture yet.
  bool isStarting() const { return starting_; }
  // Input must wait: a start or a stop is under way.
  bool isBusy() const;
  bool isFlipped(int channel) const;
  // Channels just started, moved or re-created are being lined up.
  bool isSettling() const;
  ChannelSync *sync() const { return sync_; }
  QString audioOutput() const { return QString::fromLatin1(audioOutput_); }
  QString channelPath(int channel) const;
  VideoSurface *videoWindow(int id) const;

  // Channel operations (for ChannelSync and for tests).
  int activeChannels() const;
  qint64 channelTime(int channel) const;  // as libvlc reports it, -1 when unknown
  float channelRate(int channel) const;
  bool channelShowsPicture(int channel) const;
  bool channelPaused(int channel) const;
  int channelState(int channel) const;  // libvlc's own state of the player
  // Pauses one channel that plays (a player still opening would ignore it).
  void pauseChannel(int channel);
  bool channelHasAudio(int channel) const;
  bool channelMuted(int channel) const;
  int channelVolume(int channel) const;
  QList<int> videoTrackIds(int channel) const;
  int videoTrack(int channel) const;
  void setVideoTrack(int channel, int id);
  void seekChannel(int channel, qint64 ms);
  void setChannelRate(int channel, float rate);
  bool channelHasMedia(int channel) const;
  float rate() const { return rate_; }

  // Runs on the stop worker before the players are stopped. Lets a test hold
  // a stop back to see the engine give up on it.
  void setStopHook(std::function<void()> hook);
  // Extra libvlc arguments for the instances made from now on (tests use an
  // unknown one to see libvlc refuse to start).
  static void setExtraArguments(const QStringList &arguments);

 signals:
  void send_GoNext();
  void send_GoBack();
  void send_setLogo(bool show);
  void send_setBlockEvent(bool block);
  void send_playNow();
  void send_ApplyWindowToWidget();
  void send_ShowWidget(bool show);

  // A stop has completed (after the signals its cause calls for).
  void stopped();
  // The recording cannot be played (libvlc failed, or no picture came).
  void playbackFailed(const QString &reason);
  // shutDown() is complete.
  void finished();

  // Channel 0's libvlc events, carried from libvlc's threads to ours.
  void playerEvent(int type, int value, quintptr player);
  // The stop worker is done with the stop of the given ticket.
  void stopWorkerDone(quint32 ticket);
  // A worker let go of the players it was given.
  void workerFinished();
  // The snapshots of GetImagesAsync are done.
  void imagesTaken(const QStringList &written);
  // A rear channel's player took up a video track.
  void videoTrackSelected(int channel, int track);

 public slots:
  void recv_ShowWidget(bool show);

 private slots:
  void onPlayerEvent(int type, int value, quintptr player);
  void onStopWorkerDone(quint32 ticket);
  void onStopLimit();
  void onStartLimit();
  void onWorkerFinished();

 public:
  struct Shared;  // state shared with libvlc's threads and the workers

 private:
  struct Source {
    QString path;
    QStringList options;
  };

  libvlc_instance_t *instanceFor(bool mirrored);
  libvlc_media_player_t *createPlayer(int channel, bool mirrored);
  libvlc_media_t *createMedia(int channel, const QStringList &extra) const;
  void attachEvents(libvlc_media_player_t *player);
  void detachEvents(libvlc_media_player_t *player);
  void setMainPlayer(libvlc_media_player_t *player);
  void applyWindows();
  void resetAudioDevice();
  void beginStop(quint32 ticket);
  void startStopWorker(quint32 ticket);
  void completeStop();
  void resetPlayers();
  void restartChannel(int channel);
  void stepFrame(int direction);
  void onVideoShown();
  void fail(const QString &reason);
  void updateBlock();

  std::shared_ptr<Shared> shared_;
  libvlc_instance_t *instance_ = nullptr;
  libvlc_instance_t *mirrorInstance_ = nullptr;
  std::array<libvlc_media_player_t *, kMaxChannels> players_{};
  std::array<bool, kMaxChannels> playerMirrored_{};
  std::array<bool, kMaxChannels> flip_{};
  std::array<QPointer<VideoSurface>, kMaxChannels> surfaces_{};
  std::array<Source, kMaxChannels> sources_{};
  QByteArray audioOutput_;
  ChannelSync *sync_ = nullptr;
  QTimer *stopLimit_ = nullptr;
  QTimer *startLimit_ = nullptr;
  int channels_ = 0;
  int cause_ = CauseEnd;
  bool separateFiles_ = false;
  bool starting_ = false;
  bool blocked_ = false;
  bool shuttingDown_ = false;
  float rate_ = 1.0f;
  double totalRangeMs_ = 0;
  quint32 pendingStop_ = 0;          // ticket of the stop the worker is running
  mutable qint64 lastMainTime_ = 0;  // channel 0's time while it is being re-created
  unsigned restarting_ = 0;          // channels re-created for a flip, not playing yet
};

#endif
