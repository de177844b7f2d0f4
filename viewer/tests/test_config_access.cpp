// config.bin as the generator writes it for each model: read, checked,
// changed and written back; damaged files and descriptions are refused
// whole; a save killed at any moment leaves a valid file.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include "core/ConfigAccess.h"
#include "core/JsonToConfig.h"
#include "device_support.h"

using namespace device_test;

namespace {

class ConfigFile : public testing::Test {
 protected:
  QString card(const QString &model, const QStringList &sets = {}) {
    const QString dir = tmp_.path() + QLatin1Char('/') + model;
    EXPECT_TRUE(makeConfigCard(dir, model, sets));
    return dir;
  }
  QString bin(const QString &dir) { return dir + QStringLiteral("/CONFIG/config.bin"); }
  ConfigAccess access_{resourceJson("configStr.json")};
  QTemporaryDir tmp_;
};

int itemCount(const ModelConfig &config) {
  int n = 0;
  for (const ConfigSection &s : config) n += s.items.size();
  return n;
}

}  // namespace

TEST_F(ConfigFile, EveryModelReadsWithItsTextsAndChangedValuesComeBack) {
  for (const char *model : kModels) {
    SCOPED_TRACE(model);
    const QString dir = card(model);
    ASSERT_EQ(access_.readConfig(dir), ConfigAccess::Ok);
    EXPECT_EQ(access_.modelIdentifier(), QLatin1String(model));
    EXPECT_EQ(access_.modelName(), QString(model).section('_', 0, 0));
    EXPECT_EQ(access_.firmwareVersion(), QStringLiteral("1.03"));
    EXPECT_EQ(access_.cardPath(), dir);
    EXPECT_EQ(QFileInfo(bin(dir)).size(), 160 + 128 * access_.config().size() + 1);
    double v = -1;
    ASSERT_TRUE(access_.value(QStringLiteral("voiceGuide"), &v));
    EXPECT_EQ(v, 1);
    ASSERT_TRUE(access_.value(QStringLiteral("cutTime"), &v));
    EXPECT_EQ(v, 60);  // Setting.json's default
    const QByteArray before = readAll(bin(dir));

    // Every item gets a value of its own that fits its size.
    int n = 0;
    ModelConfig expected = access_.config();
    for (ConfigSection &s : expected)
      for (ConfigItem &item : s.items) {
        item.value = (item.size == 1 ? 200 : item.size == 2 ? 60000 : 4000000000.0) - n++;
        access_.setValue(item.name, item.value);
      }
    ASSERT_EQ(access_.writeMemory(dir), ConfigAccess::Ok);
    EXPECT_FALSE(QFile::exists(bin(dir) + QStringLiteral(".tmp")));
    ConfigAccess again(resourceJson("configStr.json"));
    ASSERT_EQ(again.readConfig(dir), ConfigAccess::Ok);
    for (const ConfigSection &s : expected)
      for (const ConfigItem &item : s.items) {
        ASSERT_TRUE(again.value(item.name, &v));
        EXPECT_EQ(v, item.value) << qPrintable(item.name);
      }
    // The blocks the viewer does not use are written back as they were.
    EXPECT_EQ(readAll(bin(dir)).left(160), before.left(160));
  }
}

TEST_F(ConfigFile, OnlyBytesFromOffset64TakePartInTheChecksum) {
  const QString dir = card(QStringLiteral("KT90ALM_D2W"));
  const QByteArray good = readAll(bin(dir));
  for (int at = 0; at < good.size(); ++at) {
    QByteArray bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x5a);
    ASSERT_TRUE(writeAll(bin(dir), bad));
    const ConfigAccess::Result r = access_.readConfig(dir);
    if (at < 64) {
      EXPECT_EQ(r, ConfigAccess::Ok) << "byte " << at;
    } else if (at >= 64 && at < 96) {
      // The identifier itself changed: another model, or none.
      EXPECT_NE(r, ConfigAccess::Ok) << "byte " << at;
    } else {
      EXPECT_EQ(r, ConfigAccess::ChecksumError) << "byte " << at;
      EXPECT_FALSE(access_.isLoaded());
    }
  }
  // The stored byte makes the sum of bytes 64.. zero.
  quint8 sum = 0;
  for (int i = 64; i < good.size(); ++i) sum = static_cast<quint8>(sum + quint8(good[i]));
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(ConfigAccess::checksum(good.mid(64, good.size() - 65)), quint8(good.back()));
}

TEST_F(ConfigFile, ValuesTooLargeForTheirSizeKeepTheirLowBytes) {
  const QString dir = card(QStringLiteral("KT8ALM_D2"));
  ASSERT_EQ(access_.readConfig(dir), ConfigAccess::Ok);
  access_.setValue(QStringLiteral("hdr"), 0x1234);                 // 1 byte
  access_.setValue(QStringLiteral("cutOffVoltage"), 0x12345678);   // 2 bytes
  access_.setValue(QStringLiteral("parkingTimer"), 0x1122334455);  // 4 bytes
  access_.setValue(QStringLiteral("exposure"), 3.9);               // whole numbers only
  ASSERT_EQ(access_.writeMemory(dir), ConfigAccess::Ok);
  ASSERT_EQ(access_.readConfig(dir), ConfigAccess::Ok);
  double v = 0;
  access_.value(QStringLiteral("hdr"), &v);
  EXPECT_EQ(v, 0x34);
  access_.value(QStringLiteral("cutOffVoltage"), &v);
  EXPECT_EQ(v, 0x5678);
  access_.value(QStringLiteral("parkingTimer"), &v);
  EXPECT_EQ(v, 0x22334455);
  access_.value(QStringLiteral("exposure"), &v);
  EXPECT_EQ(v, 3);
}

TEST_F(ConfigFile, UnknownModelsAndDamagedFilesAreRefusedWhole) {
  const QString dir = card(QStringLiteral("KT7ALM_F1"));
  const QByteArray good = readAll(bin(dir));
  ASSERT_EQ(access_.readConfig(dir), ConfigAccess::Ok);

  // An identifier of no known model: nothing is kept, no model name.
  QByteArray other = good;
  other.replace(64, 9, QByteArray("XX1ALM_F1"));
  ASSERT_TRUE(writeAll(bin(dir), other));
  EXPECT_EQ(access_.readConfig(dir), ConfigAccess::UnsupportedModel);
  EXPECT_FALSE(access_.isLoaded());
  EXPECT_TRUE(access_.modelName().isEmpty());
  EXPECT_TRUE(access_.modelIdentifier().isEmpty());
  EXPECT_TRUE(access_.config().isEmpty());
  EXPECT_TRUE(ConfigAccess::modelNameFor(QStringLiteral("KT90ALM")).isEmpty());  // no "_"
  EXPECT_EQ(ConfigAccess::modelNameFor(QStringLiteral("xUKTALM_9")), QStringLiteral("UKTALM"));

  // Shorter or longer than the model's layout, with a valid checksum.
  for (int delta : {-128, -1, 1, 128, 70000}) {
    SCOPED_TRACE(delta);
    QByteArray sized = good.left(good.size() - 1);
    sized = delta < 0 ? sized.left(sized.size() + delta) : sized + QByteArray(delta, '\0');
    sized += char(ConfigAccess::checksum(sized.mid(64)));
    ASSERT_TRUE(writeAll(bin(dir), sized));
    EXPECT_EQ(access_.readConfig(dir), ConfigAccess::SizeMismatch);
    EXPECT_FALSE(access_.isLoaded());
  }
  ASSERT_TRUE(writeAll(bin(dir), good.left(100)));
  EXPECT_EQ(access_.readConfig(dir), ConfigAccess::ReadError);
  QFile::remove(bin(dir));
  EXPECT_EQ(access_.readConfig(dir), ConfigAccess::FileMissing);
  // Writing without a file read refuses instead of writing an empty one.
  EXPECT_EQ(access_.writeMemory(dir), ConfigAccess::WriteError);
  EXPECT_FALSE(QFile::exists(bin(dir)));
}

TEST_F(ConfigFile, DamagedDescriptionsAreReportedNotCrashedOn) {
  const QString dir = card(QStringLiteral("KT90ALM_D2W"));
  const QString json = tmp_.path() + QStringLiteral("/configStr.json");
  const QByteArray deep = QByteArray(200000, '[') + QByteArray(200000, ']');
  const QByteArray cases[] = {
      "",
      "{\"KT90ALM_D2W\": {\"record\": [{\"name\": \"a\", \"type\": 3}]}}",
      "{\"KT90ALM_D2W\": {\"record\": [{\"name\": \"a\"}]}}",
      "{\"KT90ALM_D2W\": {\"record\": {\"name\": \"a\", \"type\": 1}}}",
      "{\"KT90ALM_D2W\": {\"record\": [" + QByteArray("{\"name\":\"a\",\"type\":4},").repeated(32) +
          "{\"name\":\"b\",\"type\":1}]}}",
      "[1, 2",
      deep,
      QByteArray(JsonToConfig::kMaxFileSize + 1, ' '),
  };
  for (const QByteArray &text : cases) {
    ASSERT_TRUE(writeAll(json, text));
    JsonToConfig description(json);
    EXPECT_FALSE(description.openFile());
    EXPECT_FALSE(description.setModel(QStringLiteral("KT90ALM_D2W")));
    EXPECT_TRUE(description.getItem().isEmpty());
    ConfigAccess access(json);
    EXPECT_EQ(access.readConfig(dir), ConfigAccess::DescriptionMissing);
  }
  JsonToConfig shipped(resourceJson("configStr.json"));
  ASSERT_TRUE(shipped.openFile());
  EXPECT_EQ(shipped.models(), QStringList({"KT7ALM_F1", "KT8ALM_D2", "KT90ALM_D2W", "UKTALM_J74"}));
  ASSERT_TRUE(shipped.setModel(QStringLiteral("KT7ALM_F1")));
  EXPECT_GT(itemCount(shipped.getItem()), 10);
}

TEST_F(ConfigFile, TheJ74VariantIsReadFromItsPlace) {
  const QString dir = card(QStringLiteral("UKTALM_J74"), {"variant=115"});
  ASSERT_EQ(access_.readConfig(dir), ConfigAccess::Ok);
  EXPECT_EQ(access_.variant(), 115);
  ASSERT_GE(access_.config().size(), 4);
  EXPECT_EQ(access_.config()[3].items[24].name, QStringLiteral("variant"));
  ASSERT_EQ(access_.readConfig(card(QStringLiteral("KT90ALM_D2W"))), ConfigAccess::Ok);
  EXPECT_EQ(access_.variant(), -1);
}

// The writer is killed at random moments, a hundred times; every time the
// file reads back valid and from one round only.
TEST_F(ConfigFile, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  const QString dir = card(QStringLiteral("UKTALM_J74"));
  const QByteArray original = readAll(bin(dir));
  QRandomGenerator random(20240501);
  int rounds = 0;
  for (int i = 0; i < 100; ++i) {
    QProcess writer;
    writer.start(QStringLiteral(CONFIG_WRITE_HELPER), {dir, resourceJson("configStr.json")});
    ASSERT_TRUE(writer.waitForReadyRead(30000));
    ASSERT_EQ(writer.readLine().trimmed(), QByteArray("ready"));
    // The kill lands anywhere in the writing loop.
    QThread::usleep(random.bounded(20000));
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    ASSERT_TRUE(writer.waitForFinished(30000));
    ConfigAccess check(resourceJson("configStr.json"));
    ASSERT_EQ(check.readConfig(dir), ConfigAccess::Ok) << "kill " << i;
    if (readAll(bin(dir)) == original) continue;
    double first = -1, v = -1;
    check.value(QStringLiteral("frontResolution"), &first);
    for (const ConfigSection &s : check.config())
      for (const ConfigItem &item : s.items) {
        check.value(item.name, &v);
        ASSERT_EQ(v, first) << "kill " << i << " " << qPrintable(item.name);
      }
    ++rounds;
  }
  EXPECT_GT(rounds, 0);  // the writer did get to write
}
