// The control bar under the video: turns the user's clicks into requests to
// the playback engine and shows the playing time. It follows the process-wide
// play state: the play button shows pause while playing, and the four speed
// buttons are usable only while playing. The whole bar is disabled
// (onBlockEvent) while playback starts or the file changes.
#ifndef VIEWER_PLAYBACK_PLAYCONTROLVIEW_H
#define VIEWER_PLAYBACK_PLAYCONTROLVIEW_H

#include <QString>
#include <QWidget>
#include <array>

#include "core/RecordingItem.h"

class QLabel;
class MelPlayButton;
class MelPlaySlider;
class MelVolumeProgressBar;

class PlayControlView : public QWidget {
  Q_OBJECT
 public:
  // Speed levels: 1 = 0.5x, 2 = 1x, 3 = 1.5x, 4 = 2x.
  static constexpr int kSpeedLevels = 4;
  static constexpr int kNormalSpeed = 2;
  static constexpr int kDefaultVolume = 50;

  explicit PlayControlView(QWidget *parent = nullptr);

  // "mm:ss" of a time in ms; hours are dropped (1 h 2 min 3 s is "02:03").
  static QString timeText(double ms);

  bool isFrameUnit() const { return frameUnit_; }
  int speedLevel() const { return speedLevel_; }
  int volume() const;
  bool isMuted() const { return muted_; }
  bool isBlocked() const { return !isEnabled(); }
  int flipChannel() const { return flipChannel_; }
  // The time line, for the marks of the recording's events.
  MelPlaySlider *timeLine() const { return sTimeLine_; }

  // Texts and tool tips in the current language.
  void retranslate();

 public slots:
  void onClick_bPlay();
  void onClick_bStop();
  void onClick_bReward();
  void onClick_bForward();
  void onClick_b5sReward();
  void onClick_b5sForward();
  void onClick_bUnit();
  void onClick_bDelete();
  void onClick_bCapture();
  void onClick_bFlip();
  void onClick_bSound();
  void onChangedSpeed(int index);
  // The engine has the new recording's data: total time, map and chart.
  void onSetPlayData();
  // The 500 ms tick: slider and time to the current time, then map and chart.
  void onUpdateSlider();
  // The current time changed outside the tick (a 5-second move, a seek).
  void onUpdateTimeText();
  void onloadTotalTime();
  // A user move of the time line to value ms.
  void onChange_sTimeLine(int value);
  void onClearUi();
  // Volume and mute as the program settings hold them.
  void onRefreshVolume();
  // Show the play button as pause (something plays) ...
  void onSetPause();
  // ... or as play (nothing plays).
  void onSetPlayButton();
  // The engine moves on to the next recording by itself.
  void onRecvPlayNextFile();
  void onBlockEvent(bool block);
  // The channel the flip button flips: the one on the main surface.
  void setFlipChannel(int channel);

 signals:
  void onSendPlay();
  void onClickedPause();
  void onClickedStop(bool isClick);
  void onCallNextFile();
  void onChangePlayFile();
  void onClicked5sMove(bool move);
  void onClickMoveFrame(bool);
  void onClickedMute(bool);
  void onClickedFlip(int);
  void onClickedMapEnable(bool flag);
  void onClickedDelete();
  void onChangePlayPosition(int value);
  void onSendChangeSpeed(int speed);
  void onSendVolumeChange(int);
  void onSendLoadChart();
  void onSendUpdateChart();
  void onSendClear();
  void onSendRefreshImage();
  void onSendStop();
  void onSendStopTimer();
  void onSendRestartTimer();
  void onSendLogoSet(bool);
  void onSendOpenFile();

 private slots:
  void followPlayState(PlayState state);
  void onVolumeBarChanged(int value);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void buildUi();
  void requestPause();
  void stepMove(bool forward);
  void setFrameUnit(bool frames);
  void showSpeedButtons();
  void refreshTime();
  void showMuted();

  QString imageFolder_;
  MelPlaySlider *sTimeLine_ = nullptr;
  QLabel *playTime_ = nullptr;
  QLabel *totalTime_ = nullptr;
  QLabel *speedIcon_ = nullptr;
  MelPlayButton *bPlay_ = nullptr;
  MelPlayButton *bStop_ = nullptr;
  MelPlayButton *bReward_ = nullptr;
  MelPlayButton *bForward_ = nullptr;
  MelPlayButton *b5sReward_ = nullptr;
  MelPlayButton *b5sForward_ = nullptr;
  MelPlayButton *bUnit_ = nullptr;
  MelPlayButton *bCapture_ = nullptr;
  MelPlayButton *bDelete_ = nullptr;
  MelPlayButton *bFlip_ = nullptr;
  MelPlayButton *bSound_ = nullptr;
  std::array<MelPlayButton *, kSpeedLevels> bSpeed_{};
  MelVolumeProgressBar *pVolume_ = nullptr;

  bool frameUnit_ = false;
  int speedLevel_ = kNormalSpeed;
  bool muted_ = false;
  int flipChannel_ = 0;
  PlayState lastState_ = PlayState::Idle;
};

#endif
