// The process-wide values of the viewer in one place: folders, the loaded
// recordings, the recording being played, its metadata samples and the
// display strings of the current sample. Views read them here and follow
// the change signals.
#ifndef VIEWER_CORE_VIEWERSTATE_H
#define VIEWER_CORE_VIEWERSTATE_H

#include <QObject>
#include <QString>
#include <QVector>
#include <array>

#include "core/MetadataSamples.h"
#include "core/RecordingItem.h"

class ViewerState : public QObject {
  Q_OBJECT
 public:
  static ViewerState &instance();

  // Folders resolved at start-up.
  QString appDir;
  QString resourceDir;
  QString appData;

  // Recording list.
  QVector<RecordingItem> recordingList;
  QVector<int> visibleRows;

  // Playback.
  const CurrentRecording &currentRecording() const { return current_; }
  void setCurrentRecording(const CurrentRecording &recording);
  void clearCurrentRecording();
  PlayState playState() const { return playState_; }
  void setPlayState(PlayState state);

  // Metadata of the recording being played.
  QVector<GsensorSample> gsensorSamples;
  QVector<GpsSample> gpsSamples;
  QVector<MapPoint> mapPoints;
  QVector<GsensorEvent> gsensorEvents;  // sharp changes of the G-sensor reading
  double totalRangeMs = 0;
  double currentTimeMs = 0;
  int channelCount = 1;
  bool metadataReady = false;
  bool chartReady = false;

  // Kept by the playback engine for the controls and views.
  double playPosition = 0;  // 0-1
  int speedLevel = 2;       // 1-4: 0.5x, 1x, 1.5x, 2x
  int volume = 50;
  bool muted = false;
  std::array<bool, 3> flipped{};  // one per channel
  bool busyStopping = false;

  // Display strings of the current sample.
  QString latitudeText, longitudeText, speedText;
  QString gsensorXText = QStringLiteral("0.000");
  QString gsensorYText = QStringLiteral("0.000");
  QString gsensorZText = QStringLiteral("0.000");
  void resetGsensorTexts();

  // Speeds in miles per hour (the camera's "Speed Unit" is "mi/h").
  bool speedUnitMiles = false;

  // Program-wide choices.
  bool alwaysDownload = false;
  bool automaticSend = false;
  int language = 0;
  QString version = QStringLiteral("1.0.6");
  QString clientId;
  bool deleteLogAtExit = false;
  bool saveSettingsAtExit = true;

 signals:
  void currentRecordingChanged();
  void playStateChanged(PlayState state);

 private:
  ViewerState() = default;
  CurrentRecording current_;
  PlayState playState_ = PlayState::Idle;
};

#endif
