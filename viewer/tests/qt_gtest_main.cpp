// GoogleTest entry with a QApplication, so widget tests can run.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TARVIK DASHCAM"));
  QApplication::setOrganizationName(QStringLiteral("com.TARVIK_DASHCAM"));
  QApplication::setOrganizationDomain(QStringLiteral("com.TARVIK_DASHCAM"));
  return RUN_ALL_TESTS();
}
