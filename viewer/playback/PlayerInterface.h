// The play state of the viewer and its two ticks: turns the requests of the
// control bar and the main window into calls on VLCComponent, reads the
// recording's metadata when a recording starts, and moves the time line,
// map and chart forward every 500 ms. Nothing here waits for the engine:
// an open asked for while a stop is under way happens when it is over.
#ifndef VIEWER_PLAYBACK_PLAYERINTERFACE_H
#define VIEWER_PLAYBACK_PLAYERINTERFACE_H

#include <QImage>
#include <QObject>
#include <QSize>

class QTimer;
class VLCComponent;
class VideoSurface;

class PlayerInterface : public QObject {
  Q_OBJECT
 public:
  // The ids the two ticks carry in the log.
  static constexpr int kTickTimerId = 1;
  static constexpr int kSecondTimerId = 2;
  static constexpr int kTickMs = 500;
  static constexpr int kSecondMs = 1000;

  explicit PlayerInterface(QObject *parent = nullptr);
  ~PlayerInterface() override;

  VLCComponent *component() const { return vlc_; }
  bool timersActive() const;
  // An open waits for the stop under way.
  bool openPending() const { return openPending_; }
  // Something is loaded: playing or paused.
  bool hasPlayback() const;

 public slots:
  void onOpenFile();
  void onPlay();
  void onPause();
  void onStop(int cause);
  void onClickStop(bool showLogo);
  void on5sMove(bool forward);
  void onFrameMove(bool forward);
  void onPlayPosMove(int ms);
  void onControlSpeed(int level);
  void onControlVolume(int volume);
  void onSetMute(bool on);
  void onFlip(int channel);
  void onResizeVideo(int id, QSize size);
  void onRestartTimer();
  void onStopTimer();
  void onUpdatePlayTime();
  void onClearData();
  void onClearFileInfo();
  void onRecvStop();
  void onRecvStopPrevious();
  void onSetComplete();
  void setMainScreen(VideoSurface *widget);
  void setSub1Screen(VideoSurface *widget);
  void setSub2Screen(VideoSurface *widget);
  QImage getScreenImage(int channel);
  // Snapshots of every channel into the Snapshot folder, without holding the
  // window; sendScreenImages follows.
  void takeScreenImages();

 signals:
  void onTimeout_500ms();
  void onTimeout_1s();
  void sendChannelCount(int count);
  void sendSetPlayData();
  void sendClear();
  void sendResetAll();
  void sendFileChange();    // the next file of the list
  void sendPreviousFile();  // the previous file of the list
  void sendLoadMetadata();  // the samples are there: map and chart load them
  void sendCannotPlay();    // the recording cannot be played
  void sendUpdateTime(double ms);
  // The snapshots of takeScreenImages: one path per channel, empty where
  // no picture was written.
  void sendScreenImages(const QStringList &paths);
  // Something the user asked for could not be done; the text says what.
  void sendMessage(const QString &text);

 private:
  void startTimers();
  void killTimers();
  void callResetAll();
  void moveOnAfterStop(void (PlayerInterface::*next)());
  bool currentFileExists() const;
  void stopForVanishedFile();
  void startPending();
  void refuse(const QString &text);
  QString snapshotPath(int channel) const;
  void onEngineStopped();
  void onPlaybackFailed(const QString &reason);
  void onTick();
  void onSecond();

  VLCComponent *vlc_ = nullptr;
  QTimer *tick_ = nullptr;
  QTimer *second_ = nullptr;
  bool openPending_ = false;
};

#endif
