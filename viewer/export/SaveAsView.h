// The save dialog: the channels of the moment shown are saved as pictures
// (the snapshots taken when the dialog was opened), as video (copied, or
// re-muxed, trimmed or composed side by side by ffmpeg), or as telemetry
// files. Page one chooses the channels and what to save, page two the
// folder and the details; the work runs with a progress dialog that can
// cancel it.
#ifndef VIEWER_EXPORT_SAVEASVIEW_H
#define VIEWER_EXPORT_SAVEASVIEW_H

#include <QVector>

#include "export/ExportPlan.h"
#include "widgets/ThemedDialog.h"

class ExportRunner;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QTimeEdit;

class SaveAsView : public ThemedDialog {
  Q_OBJECT
 public:
  explicit SaveAsView(QWidget *parent = nullptr);
  ~SaveAsView() override;

  // The recording and the pictures of its channels; the span (from the
  // time line's marks) defaults to the whole recording.
  void setSource(const ExportSource &source);
  void setSpan(double fromSec, double toSec);
  // Straight to the snapshot page with every channel ticked: the capture
  // button saves the pictures it has just taken.
  void showSnapshotPage();

  int mode() const { return mode_; }
  QString type() const { return type_; }
  QString folder() const;
  ExportChoice choice() const;
  ExportRunner *runner() const { return runner_; }
  QProgressDialog *progressDialog() const { return progress_; }
  bool onSettingPage() const { return page_ == 1; }
  // The last outcome shown to the user (for the log and tests).
  QString lastMessage() const { return lastMessage_; }

  static QString defaultSnapshotFolder();
  static QString defaultVideoFolder();

 public slots:
  void onChangeView(int page);
  void onChangeMode(int mode);
  void onChangePath();
  void onChangeType();
  void onShowChannelView();

 signals:
  // The export or snapshot ended; ok when everything was written.
  void saveFinished(bool ok);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  void retranslate();
  void updateNotes();
  void onRunnerFinished(bool ok, const QString &message);
  QString &modeFolder();

  ExportSource source_;
  int mode_ = ExportChoice::VideoMode;
  int page_ = 0;
  QString type_ = QStringLiteral("mp4");
  QString snapshotFolder_;
  QString videoFolder_;
  QString lastMessage_;
  ExportRunner *runner_ = nullptr;
  QProgressDialog *progress_ = nullptr;

  QLabel *title_;
  QPushButton *bClose_;
  QLabel *strChannel_;
  QVector<QCheckBox *> items_;
  QPushButton *bSaveSnapshot_;
  QPushButton *bSaveVideo_;
  QPushButton *bSaveTelemetry_;
  QLabel *strPath_;
  QLineEdit *editPath_;
  QPushButton *bChangePath_;
  QLabel *strType_;
  QRadioButton *rMp4_;
  QRadioButton *rAvi_;
  QLabel *strSpan_;
  QTimeEdit *editFrom_;
  QTimeEdit *editTo_;
  QLabel *lSpanNote_;
  QCheckBox *cSideBySide_;
  QCheckBox *cTelemetry_;
  QLabel *strFormat_;
  QComboBox *cbFormat_;
  QPushButton *bBack_;
  QPushButton *bSave_;
};

#endif
