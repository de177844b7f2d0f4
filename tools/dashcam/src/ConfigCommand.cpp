// dashcam config: a card's camera settings.
#include "Cli.h"
#include "Commands.h"

int runConfig(const QStringList &arguments) {
  Q_UNUSED(arguments);
  Cli::err(QStringLiteral("config: not yet"));
  return Cli::Usage;
}
