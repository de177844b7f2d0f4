// The value area of a camera's config.bin as its model lays it out: sections
// of 128 bytes, each a packed list of 1-, 2- or 4-byte items.
#ifndef VIEWER_CORE_MODELCONFIG_H
#define VIEWER_CORE_MODELCONFIG_H

#include <QString>
#include <QVector>

struct ConfigItem {
  QString name;
  int size = 1;  // bytes in config.bin: 1, 2 or 4
  double value = 0;
};

struct ConfigSection {
  QString name;
  QVector<ConfigItem> items;
};

using ModelConfig = QVector<ConfigSection>;

#endif
