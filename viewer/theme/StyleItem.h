// The look of one themed object, as its view's JSON file describes it.
#ifndef VIEWER_THEME_STYLEITEM_H
#define VIEWER_THEME_STYLEITEM_H

#include <QFont>
#include <QString>
#include <array>

struct StyleItem {
  enum State { Default = 0, Normal, Select, Hover, Disable, StateCount };

  int status = -1;  // 0 when the object is described
  bool show = false;
  bool enable = true;
  int x = 0, y = 0;
  int width = 0, height = 0;
  int minWidth = 0, minHeight = 0;
  int maxWidth = 7680, maxHeight = 4320;
  int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  int scaleX = 0, scaleY = 0, scaleWidth = 3, scaleHeight = 3;
  QString fontFamily = QStringLiteral("Noto Sans CJK KR");
  int fontWeight = 50;
  int fontPixelSize = 11;
  QString text;
  std::array<QString, StateCount> textColor{
      {"#000000", "#000000", "#000000", "#000000", "#000000"}};
  std::array<QString, StateCount> color;
  std::array<QString, StateCount> image{{"none", "none", "none", "none", "none"}};
  std::array<QString, StateCount> border{{"none", "none", "none", "none", "none"}};

  QFont font() const;
};

#endif
