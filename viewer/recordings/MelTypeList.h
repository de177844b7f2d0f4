// The four type check boxes of the filter drop-down: "infinity", "event",
// "park" and "user", in the order of their filter bits 1, 2, 4, 8.
#ifndef VIEWER_RECORDINGS_MELTYPELIST_H
#define VIEWER_RECORDINGS_MELTYPELIST_H

#include <QWidget>
#include <array>

class QCheckBox;
class TypeFilterState;

class MelTypeList : public QWidget {
  Q_OBJECT
 public:
  explicit MelTypeList(QWidget *parent = nullptr);

  // The check box of a type bit (1, 2, 4 or 8); null for any other value.
  QCheckBox *checkBox(int bit) const;
  // Clicks go to the filter state, and the boxes show the state's changes.
  void follow(TypeFilterState *state);

 public slots:
  void setChecked(int bit, bool checked);

 signals:
  // The user clicked the box of a type.
  void typeClicked(int bit, bool checked);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  std::array<QCheckBox *, 4> boxes_{};
};

#endif
