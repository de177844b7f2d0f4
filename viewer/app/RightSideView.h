// The right-hand panel: tab buttons for the file list and the map, and the
// page of the chosen one.
#ifndef VIEWER_APP_RIGHTSIDEVIEW_H
#define VIEWER_APP_RIGHTSIDEVIEW_H

#include <QWidget>

class QPushButton;
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
  void retranslate();

 public slots:
  void showPage(int page);

 signals:
  void fileListRequested();
  void mapRequested();

 private:
  QString imageFolder_;
  QPushButton *bFileList_;
  QPushButton *bMap_;
  QStackedWidget *pages_;
  QVBoxLayout *fileListLayout_;
  QVBoxLayout *mapLayout_;
};

#endif
