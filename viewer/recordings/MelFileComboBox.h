// The filter drop-down above the recording list: shows "  All Type" while
// every type is shown and "  Filter" otherwise; opening it shows the type
// check boxes (MelTypeList).
#ifndef VIEWER_RECORDINGS_MELFILECOMBOBOX_H
#define VIEWER_RECORDINGS_MELFILECOMBOBOX_H

#include <QComboBox>

class MelTypeList;
class TypeFilterState;

class MelFileComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit MelFileComboBox(QWidget *parent = nullptr);

  MelTypeList *typeList() const { return typeList_; }
  bool showsAllTypes() const { return allTypes_; }
  // The text and icon follow the state; the check boxes drive it.
  void follow(TypeFilterState *state);

  void showPopup() override;
  void hidePopup() override;

 public slots:
  void setAllTypes(bool all);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  MelTypeList *typeList_;
  bool allTypes_ = true;
};

#endif
