// The right-hand panel: tab buttons for the file list and the map, and the
// page of the chosen one. The file list page is the type filter row (the
// drop-down and the five type buttons, all following one filter state)
// above the recording list.
#ifndef VIEWER_APP_RIGHTSIDEVIEW_H
#define VIEWER_APP_RIGHTSIDEVIEW_H

#include <QList>
#include <QWidget>

class MelFileComboBox;
class MelFileListItem;
class MelTypeButton;
class QPushButton;
class TypeFilterState;
class QStackedWidget;
class QVBoxLayout;

class RightSideView : public QWidget {
  Q_OBJECT
 public:
  enum Page { FileListPage = 0, MapPage = 1 };
  explicit RightSideView(QWidget *parent = nullptr);

  // The pages' layouts, for the main window to put the list and map into.
  QVBoxLayout *fileListLayout() const { return fileListLayout_; }
  QVBoxLayout *mapLayout() const { return mapLayout_; }
  int currentPage() const;
  MelFileListItem *fileList() const { return fileList_; }
  TypeFilterState *typeFilter() const { return typeFilter_; }
  MelFileComboBox *typeCombo() const { return typeCombo_; }
  const QList<MelTypeButton *> &typeButtons() const { return typeButtons_; }
  void retranslate();

 public slots:
  void showPage(int page);

 signals:
  void fileListRequested();
  void mapRequested();

 protected:
  void changeEvent(QEvent *event) override;

 private:
  QString imageFolder_;
  QPushButton *bFileList_;
  QPushButton *bMap_;
  QStackedWidget *pages_;
  QVBoxLayout *fileListLayout_;
  QVBoxLayout *mapLayout_;
  TypeFilterState *typeFilter_;
  MelFileComboBox *typeCombo_;
  QList<MelTypeButton *> typeButtons_;
  MelFileListItem *fileList_;
};

#endif
