// The column of shortcut icons on the left of the main window.
#ifndef VIEWER_APP_MELSHORTCUTTABLE_H
#define VIEWER_APP_MELSHORTCUTTABLE_H

#include <QTableWidget>

class QPushButton;

class MelShortcutTable : public QTableWidget {
  Q_OBJECT
 public:
  enum Entry { Files = 0, SdCard, Language, Print, Capture, Setting, About, EntryCount };

  explicit MelShortcutTable(const QString &imageFolder, QWidget *parent = nullptr);

  // Entries whose dialogs are not part of the program yet are shown disabled.
  void setEntryEnabled(Entry entry, bool enabled);
  bool entryEnabled(Entry entry) const;
  QPushButton *button(Entry entry) const { return buttons_[entry]; }
  void retranslate();

 signals:
  void entryActivated(int entry);

 protected:
  void changeEvent(QEvent *event) override;

 private:
  QString imageFolder_;
  QPushButton *buttons_[EntryCount];
};

#endif
