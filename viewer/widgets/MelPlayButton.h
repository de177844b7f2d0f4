// A flat button of the playback control bar. An image button shows one icon
// family of the image folder ("<name>-nor.svg", "-ovr.svg" on hover,
// "-dis.svg" when disabled) and can change family (play and pause share one
// button). A text button (step unit, speeds, delete) takes its per-state
// colours from its theme item and shows the selected look while checked.
#ifndef VIEWER_WIDGETS_MELPLAYBUTTON_H
#define VIEWER_WIDGETS_MELPLAYBUTTON_H

#include <QPushButton>
#include <QString>

#include "theme/StyleItem.h"

class MelPlayButton : public QPushButton {
  Q_OBJECT
 public:
  explicit MelPlayButton(QWidget *parent = nullptr);

  // Turns the button into an image button showing the family `name` of
  // imageFolder (which ends with "/").
  void setImage(const QString &imageFolder, const QString &name);
  QString image() const { return image_; }

  // Turns the button into a text button coloured by the item's states:
  // Normal, Hover, Select (checked) and Disable.
  void setTextLook(const StyleItem &item);

 private:
  QString image_;
};

#endif
