// Writes a card's config.bin over and over with changing values until it is
// killed: the other half of the test that kills a save at random moments.
// Usage: config_write_helper CARD DESCRIPTION
#include <QCoreApplication>
#include <cstdio>

#include "core/ConfigAccess.h"

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  ConfigAccess config{QString::fromLocal8Bit(argv[2])};
  const QString card = QString::fromLocal8Bit(argv[1]);
  if (config.readConfig(card) != ConfigAccess::Ok) return 1;
  std::puts("ready");
  std::fflush(stdout);
  const ModelConfig layout = config.config();
  for (quint32 round = 1;; ++round) {
    // Every item of one round holds the same value, so a reader can tell a
    // file mixed from two rounds.
    for (const ConfigSection &section : layout)
      for (const ConfigItem &item : section.items) config.setValue(item.name, round & 0xff);
    if (config.writeMemory(card) != ConfigAccess::Ok) return 1;
  }
}
