// One row of the recording list, and the recording being played.
#ifndef VIEWER_CORE_RECORDINGITEM_H
#define VIEWER_CORE_RECORDINGITEM_H

#include <QString>
#include <QVector>
#include <array>
#include <cstdint>

struct RecordingItem {
  int32_t index = 0;
  QString fileName;
  QString filePath;
  QString thumbnailPath;
  uint32_t fileSize = 0;
  std::array<QString, 4> extensions;
  int32_t extensionCount = 0;
  int32_t type = 0;
  QString durationText;
};

struct CurrentRecording {
  int32_t index = 0;
  uint32_t fileSize = 0;
  std::array<QString, 4> extensions;
  QString fileName;
  int32_t type = 0;
  QString playbackPath;  // the file's path in native separators
  int32_t extensionCount = 0;

  bool isEmpty() const { return fileName.isEmpty(); }
};

enum class PlayState { Idle = 0, Playing = 1, Paused = 2, Stopped = 3 };

#endif
