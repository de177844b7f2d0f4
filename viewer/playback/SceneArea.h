// The video area: the main surface (PlayScreenWindow) on the left and up to
// two rear-camera slots (SubPlayerWindow on a SubSceneBackWidget) in a column
// on the right, each under a caption naming the channel it shows. The three
// video widgets belong to channels 0, 1 and 2 for good; a click on a rear
// slot swaps that slot's video widget with the main one, so the engine's
// binding of players to windows never changes.
#ifndef VIEWER_PLAYBACK_SCENEAREA_H
#define VIEWER_PLAYBACK_SCENEAREA_H

#include <QSize>
#include <QWidget>
#include <array>

class QGridLayout;
class QLabel;
class PlayScreenWindow;
class SubPlayerWindow;
class SubSceneBackWidget;
class VideoSurface;

class SceneArea : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kChannels = 3;
  static constexpr int kMainStretch = 4;
  static constexpr int kSubStretch = 6;

  explicit SceneArea(QWidget *parent = nullptr);

  // The video widget of a channel (0 front, 1 and 2 rear), for the engine.
  VideoSurface *videoWidget(int channel) const;
  PlayScreenWindow *playScreen() const { return playScreen_; }
  // Rear slots are numbered 1 and 2.
  SubPlayerWindow *subWindow(int slot) const;
  SubSceneBackWidget *subBack(int slot) const;
  // Caption of the main surface (0) or of a rear slot (1, 2).
  QLabel *caption(int slot) const;
  QWidget *mainPanel() const { return mainPanel_; }
  int channelCount() const { return channelCount_; }
  int mainChannel() const;

  static QString channelLabel(int channel);
  static QString channelToolTip(int channel);
  void retranslate();

 public slots:
  // Shows the main surface alone (1), or with one or two rear slots.
  void setChannelCount(int count);
  // Swaps the channel of rear slot 1 or 2 with the main surface's.
  void onChangeSceneView(int slot);
  // Channel 0 on the main surface, 1 and 2 in their slots.
  void onResetScenes();
  void onBlockEvent(bool block);

 signals:
  // The main surface shows another channel.
  void sceneChanged(int mainChannel);
  // A surface's video widget has a new size (from any of the three).
  void sendVideoResize(int id, QSize size);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void place(int mainChannel, int sub1Channel, int sub2Channel);
  void updateCaptions();
  void applyLayout();

  std::array<VideoSurface *, kChannels> videos_{};
  PlayScreenWindow *playScreen_ = nullptr;
  std::array<SubPlayerWindow *, 2> subs_{};
  std::array<SubSceneBackWidget *, 2> backs_{};
  std::array<QLabel *, kChannels> captions_{};
  QWidget *mainPanel_ = nullptr;
  QGridLayout *grid_ = nullptr;
  int channelCount_ = kChannels;
};

#endif
