#include "theme/StyleItem.h"

QFont StyleItem::font() const {
  QFont f(fontFamily);
  f.setWeight(fontWeight);
  f.setPixelSize(fontPixelSize > 0 ? fontPixelSize : 11);
  return f;
}
