#include "core/ViewerState.h"

ViewerState &ViewerState::instance() {
  static ViewerState state;
  return state;
}

void ViewerState::setCurrentRecording(const CurrentRecording &recording) {
  current_ = recording;
  emit currentRecordingChanged();
}

void ViewerState::clearCurrentRecording() {
  current_ = CurrentRecording{};
  emit currentRecordingChanged();
}

void ViewerState::setPlayState(PlayState state) {
  if (playState_ == state) return;
  playState_ = state;
  emit playStateChanged(state);
}

void ViewerState::resetGsensorTexts() {
  gsensorXText = gsensorYText = gsensorZText = QStringLiteral("0.000");
}
