// GoogleTest main for the launcher: one Qt Core application with the
// launcher's names, and per-process folders for settings, data, downloads
// and the socket, so tests never touch a user's.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  QTemporaryDir root{QDir::tempPath() + "/launcher-test-XXXXXX"};
  for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME", "XDG_RUNTIME_DIR"}) {
    const QString dir = root.path() + QLatin1Char('/') + QLatin1String(var);
    QDir().mkpath(dir);
    QFile::setPermissions(dir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv(var, QFile::encodeName(dir));
  }
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("TARVIK DASHCAM"));
  QCoreApplication::setOrganizationName(QStringLiteral("com.TARVIK_DASHCAM"));
  QCoreApplication::setOrganizationDomain(QStringLiteral("com.TARVIK_DASHCAM"));
  return RUN_ALL_TESTS();
}
