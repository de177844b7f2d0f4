// GoogleTest entry with a QApplication, so widget tests can run.
#include <gtest/gtest.h>

#include <QApplication>

#include "playback/VLCComponent.h"

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TARVIK DASHCAM"));
  QApplication::setOrganizationName(QStringLiteral("com.TARVIK_DASHCAM"));
  QApplication::setOrganizationDomain(QStringLiteral("com.TARVIK_DASHCAM"));
  const int result = RUN_ALL_TESTS();
  // Players let go of on workers must be gone before libvlc is unloaded.
  VLCComponent::waitForAllWorkers(10000);
  return result;
}
