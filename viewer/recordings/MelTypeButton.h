// A toggle button of the type filter bar: "All" or one recording type.
#ifndef VIEWER_RECORDINGS_MELTYPEBUTTON_H
#define VIEWER_RECORDINGS_MELTYPEBUTTON_H

#include <QPushButton>

class TypeFilterState;

class MelTypeButton : public QPushButton {
  Q_OBJECT
 public:
  // bit: the type's filter bit, or TypeFilterState::kAll for the "All" button;
  // the text is the filter table's.
  explicit MelTypeButton(int bit, QWidget *parent = nullptr);

  int bit() const { return bit_; }
  // Clicks go to the filter state, and the button shows the state's changes.
  void follow(TypeFilterState *state);

  static QString styleSheetText();

 protected:
  void changeEvent(QEvent *event) override;

 private:
  int bit_;
};

#endif
