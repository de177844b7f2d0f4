// Loads a view's theme file from Resources/json and answers a StyleItem per
// object name. A missing or broken file hides every object of the view.
#ifndef VIEWER_THEME_JSONTOSTYLE_H
#define VIEWER_THEME_JSONTOSTYLE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

#include "theme/StyleItem.h"

class QWidget;

class JsonToStyle {
 public:
  // appDir: the program's folder; the files live in appDir/Resources/.
  explicit JsonToStyle(const QString &appDir);
  ~JsonToStyle();

  bool load(const QString &fileName);
  StyleItem item(const QString &objectName) const;
  QString imageFolder() const { return imageFolder_; }
  QString jsonFolder() const { return jsonFolder_; }
  QString fileName() const { return fileName_; }

  static const QStringList &sizeBehaviourNames();
  static const QStringList &weightNames();
  static int weightFor(const QString &name);  // -1 for an unknown name

  // Applies an item to a widget the way every view does: hidden when not
  // described or not shown; else geometry, minimum size, margins, font, text
  // where the widget has one, and a style sheet from the state strings.
  void apply(QWidget *widget, const QString &objectName) const;
  // Texts from the file are translated in this context ("ui_mainWindow", ...).
  void setTranslationContext(const QByteArray &context) { context_ = context; }
  QString styleSheet(const StyleItem &item) const;

 private:
  struct Document;
  QString jsonFolder_;
  QString imageFolder_;
  QString fileName_;
  QByteArray context_;
  std::unique_ptr<Document> doc_;
};

#endif
