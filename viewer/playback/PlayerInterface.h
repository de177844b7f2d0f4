// The play state of the viewer and its two ticks: turns the requests of the
// control bar and the main window into calls on VLCComponent, reads the
// recording's metadata when a recording starts, and moves the time line,
// map and chart forward every 500 ms.
#ifndef VIEWER_PLAYBACK_PLAYERINTERFACE_H
#define VIEWER_PLAYBACK_PLAYERINTERFACE_H

#include <QImage>
#include <QObject>
#include <QSize>

class QTimer;
class QWidget;
class VLCComponent;

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
  void setMainScreen(QWidget *widget);
  void setSub1Screen(QWidget *widget);
  void setSub2Screen(QWidget *widget);
  QImage getScreenImage(int channel);

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
  void sendCannotPlay();    // the recording has no video
  void sendUpdateTime(double ms);

 private:
  void startTimers();
  void killTimers();
  void callResetAll();
  void moveOnAfterStop(void (PlayerInterface::*next)());
  bool currentFileExists() const;
  void stopForVanishedFile();
  void onTick();
  void onSecond();

  VLCComponent *vlc_ = nullptr;
  QTimer *tick_ = nullptr;
  QTimer *second_ = nullptr;
  QTimer *openPoll_ = nullptr;
  int openPollCount_ = 0;
};

#endif
