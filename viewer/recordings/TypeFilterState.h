// The type filter of the recording list as one mask: bit 1 Infinity, 2 Event,
// 4 Parking, 8 User. The "All" control and the four type controls follow it;
// every change is announced with the new mask, which goes to the list's
// onSortFile.
#ifndef VIEWER_RECORDINGS_TYPEFILTERSTATE_H
#define VIEWER_RECORDINGS_TYPEFILTERSTATE_H

#include <QObject>
#include <QString>

class TypeFilterState : public QObject {
  Q_OBJECT
 public:
  static constexpr int kAll = 15;
  // The four type bits, in the order the controls show them.
  static constexpr int kTypeBits[4] = {1, 2, 4, 8};

  // "All" and the four types, in the order the controls show them: the one
  // table every filter control takes its names and texts from.
  struct Entry {
    int bit;
    const char *objectName;
    const char *text;  // translated in the context "TypeFilterState"
  };
  static const Entry kEntries[5];
  // The translated text of a bit (kAll for "All Type").
  static QString text(int bit);

  explicit TypeFilterState(QObject *parent = nullptr);

  int mask() const { return mask_; }
  bool allChecked() const { return mask_ == kAll; }
  bool isChecked(int bit) const { return (mask_ & bit) != 0; }

 public slots:
  // The user checked or unchecked "All": everything or nothing is shown.
  void setAll(bool checked);
  // The user checked or unchecked one type.
  void setType(int bit, bool checked);

 signals:
  void maskChanged(int mask);
  // For the controls to show the state (set them without re-entering here).
  void allCheckedChanged(bool checked);
  void typeCheckedChanged(int bit, bool checked);

 private:
  void change(int mask);
  int mask_ = kAll;
};

#endif
